package com.lumen.runtime;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/** Plain tests of the Java runtime classes; prints "N passed, N failed". */
public final class RuntimeTest {
    private static int passed;
    private static int failed;

    /** An application main class that records what it received. */
    public static final class RecordingApp {
        static String[] received;

        public static void main(String[] args) {
            received = args;
            System.out.println("app output");
        }
    }

    /** An application whose main throws. */
    public static final class ThrowingApp {
        public static void main(String[] args) {
            throw new IllegalStateException("boom");
        }
    }

    /** A class without a main method. */
    public static final class NoMain {}

    /** A class whose main is not static. */
    public static final class InstanceMain {
        public void main(String[] args) {}
    }

    private static final class ExitCalled extends RuntimeException {
        final int code;

        ExitCalled(int code) {
            this.code = code;
        }
    }

    public static void main(String[] args) throws Throwable {
        WinLauncher.Exit.handler = code -> {
            throw new ExitCalled(code);
        };
        passesOnlyTheApplicationArguments();
        prepareHandsOverTheMainClassWithoutCallingIt();
        redirectsStreamsByAppending();
        refusesMissingMainClassOrMethod();
        propagatesTheApplicationsException();
        controllerHandsOutEachRequestOnce();
        runtimeSplashLinesFromTheLaunchersProperties();
        firstRunLetsTheLaunchGoOn();
        System.out.println(passed + " passed, " + failed + " failed");
        System.exit(failed == 0 ? 0 : 1);
    }

    private static void check(boolean condition, String what) {
        if (condition) {
            passed++;
        } else {
            failed++;
            System.out.println("FAILED: " + what);
        }
    }

    private static String[] launch(String mainClass, String err, String out, String... appArgs) {
        List<String> all = new ArrayList<>(Arrays.asList("true", mainClass, err, out, "false", "c:\\app\\app.exe"));
        all.addAll(Arrays.asList(appArgs));
        return all.toArray(new String[0]);
    }

    private static void passesOnlyTheApplicationArguments() throws Throwable {
        RecordingApp.received = null;
        WinLauncher.main(launch(RecordingApp.class.getName(), "", "", "-q", "a b", "\u20ac"));
        check(Arrays.equals(RecordingApp.received, new String[] {"-q", "a b", "\u20ac"}),
                "application arguments after the six leading ones");
        check(WinLauncher.isWindowed(), "windowed flag");
        check("c:\\app\\app.exe".equals(WinLauncher.getProgramPath()), "program path");

        WinLauncher.main(new String[] {"false", RecordingApp.class.getName(), "", "", "true"});
        check(RecordingApp.received.length == 0 && WinLauncher.getApplicationFlag(),
                "no program path and no arguments");
    }

    private static void prepareHandsOverTheMainClassWithoutCallingIt() {
        RecordingApp.received = null;
        Class<?> mainClass = WinLauncher.prepare(
                new String[] {"false", RecordingApp.class.getName(), "", "", "true", "/opt/app"});
        check(mainClass == RecordingApp.class, "prepare returns the application's main class");
        check(RecordingApp.received == null, "prepare leaves main to the launcher");
        check(!WinLauncher.isWindowed() && WinLauncher.getApplicationFlag()
                && "/opt/app".equals(WinLauncher.getProgramPath()), "prepare keeps the launcher's settings");
        PrintStream savedErr = System.err;
        System.setErr(new PrintStream(new ByteArrayOutputStream(), true));
        try {
            WinLauncher.prepare(launch(InstanceMain.class.getName(), "", ""));
            check(false, "a class without a static main is refused");
        } catch (ExitCalled e) {
            check(e.code == 1, "exit code 1 for an unusable main class");
        } finally {
            System.setErr(savedErr);
        }
    }

    private static void redirectsStreamsByAppending() throws Throwable {
        PrintStream savedOut = System.out;
        PrintStream savedErr = System.err;
        File out = File.createTempFile("lumen-out", ".log");
        Files.write(out.toPath(), "before\n".getBytes(StandardCharsets.UTF_8));
        File err = new File(out.getParentFile(), "lumen-err-" + System.nanoTime() + ".log");
        try {
            WinLauncher.main(launch(RecordingApp.class.getName(), err.getPath(), out.getPath()));
            System.out.flush();
        } finally {
            System.setOut(savedOut);
            System.setErr(savedErr);
        }
        String written = new String(Files.readAllBytes(out.toPath()), StandardCharsets.UTF_8);
        check(written.startsWith("before\n") && written.contains("app output"), "System.out appended to its file");
        check(err.exists(), "System.err file created when missing");
        out.delete();
        err.delete();
    }

    private static void refusesMissingMainClassOrMethod() throws Throwable {
        for (String mainClass : new String[] {"no.such.Main", NoMain.class.getName(),
                InstanceMain.class.getName(), ""}) {
            PrintStream savedErr = System.err;
            ByteArrayOutputStream captured = new ByteArrayOutputStream();
            System.setErr(new PrintStream(captured, true));
            int code = 0;
            try {
                WinLauncher.main(launch(mainClass, "", ""));
            } catch (ExitCalled e) {
                code = e.code;
            } finally {
                System.setErr(savedErr);
            }
            check(code != 0, "non-zero exit for main class '" + mainClass + "'");
            check(captured.toString().startsWith("Lumen: "), "clear message for '" + mainClass + "'");
        }
    }

    private static void propagatesTheApplicationsException() {
        try {
            WinLauncher.main(launch(ThrowingApp.class.getName(), "", ""));
            check(false, "exception from the application's main");
        } catch (IllegalStateException e) {
            check("boom".equals(e.getMessage()), "the application's own exception propagates");
        } catch (Throwable e) {
            check(false, "unexpected " + e);
        }
    }

    private static void runtimeSplashLinesFromTheLaunchersProperties() {
        RuntimeSplash.Line line = RuntimeSplash.Line.parse("130;140;12;700;255,230,120;Tahoma;a;b");
        check(line != null && line.x == 130 && line.y == 140 && line.text.equals("a;b")
                && line.colour.getRed() == 255 && line.colour.getBlue() == 120,
                "position, colour and a text that holds the separator");
        check(line != null && line.font().getSize() == 16 && line.font().isBold(),
                "12 points at 96 pixels per inch, weight 700 bold");
        RuntimeSplash.Line plain = RuntimeSplash.Line.parse("0;0;9;400;;;");
        check(plain != null && plain.text.isEmpty() && !plain.font().isBold()
                && plain.withText("x").text.equals("x"), "an empty line, its text set later");
        check(RuntimeSplash.Line.parse("1;2;x;400;0,0,0;f;t") == null
                && RuntimeSplash.Line.parse("1;2;3") == null && RuntimeSplash.Line.parse(null) == null,
                "malformed layouts are ignored");
        // Without the launcher's properties the controller never touches AWT.
        check(!RuntimeSplash.inUse(), "no runtime splash without its properties");
    }

    private static void controllerHandsOutEachRequestOnce() {
        // The launcher's splash poll reads these values: 1 closes, 2 fetches the text.
        check(LumenController.ACTION_CLOSE == 1 && LumenController.ACTION_SET_TEXT == 2,
                "the action codes the launcher expects");
        check(LumenController.getAction() == LumenController.ACTION_NONE, "no request at first");
        LumenController.setStatusText("Loading");
        check(LumenController.getAction() == LumenController.ACTION_SET_TEXT, "text request");
        check("Loading".equals(LumenController.getText()), "the text");
        check(LumenController.getAction() == LumenController.ACTION_NONE, "a request is consumed");
        LumenController.setStatusText("x");
        LumenController.closeSplash();
        check(LumenController.getAction() == LumenController.ACTION_CLOSE, "closing wins");
        check(LumenController.getAction() == LumenController.ACTION_NONE, "nothing left after closing");
        LumenController.setStatusText(null);
        check("".equals(LumenController.getText()), "null text reads as empty");
        LumenController.getAction();
    }

    private static void firstRunLetsTheLaunchGoOn() {
        check(com.tessel.runtime.FirstRun.firstRun(), "first run goes on");
    }
}
