package com.lumen.runtime;

import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.Arrays;

/**
 * The class the native launcher starts. {@link #prepare} receives the
 * launcher's fixed leading arguments, prepares the standard streams and
 * hands back the application's main class, whose main the launcher calls;
 * {@link #main} does both for launchers that call it instead.
 *
 * <p>Argument layout: [0] "true" when the launcher is windowed, [1] the
 * application's main class (dotted), [2] file for System.err or "", [3] file
 * for System.out or "", [4] the application's flag (106) as "true"/"false",
 * [5] the program path, then the application's arguments.
 */
public final class WinLauncher {
    /** Arguments before the application's own: five fixed ones and the program path. */
    static final int LEADING_ARGUMENTS = 6;

    private static volatile boolean windowed;
    private static volatile String programPath = "";
    private static volatile boolean applicationFlag;

    private WinLauncher() {}

    /** Whether the launcher is a windowed (GUI) application. */
    public static boolean isWindowed() {
        return windowed;
    }

    /** The launcher executable's path as the command line named it. */
    public static String getProgramPath() {
        return programPath;
    }

    /** The application's own flag from the launcher's configuration, the fifth argument. */
    public static boolean getApplicationFlag() {
        return applicationFlag;
    }

    /** The former name of {@link #getApplicationFlag()}. */
    @Deprecated
    public static boolean getLauncherFlag() {
        return getApplicationFlag();
    }

    /**
     * Prepares the run from the launcher's arguments (standard streams, the
     * splash screen) and returns the application's main class, whose main
     * the native launcher then calls itself, so that no frame of this class
     * lies below the application's: AWT names the application's windows
     * after the class at the bottom of the stack. Null when the application
     * cannot run (reported on System.err).
     */
    public static Class<?> prepare(String[] args) {
        if (args.length < LEADING_ARGUMENTS - 1) {
            fail("expected at least " + (LEADING_ARGUMENTS - 1) + " launcher arguments, got "
                    + args.length);
            return null;
        }
        windowed = Boolean.parseBoolean(args[0]);
        String mainClassName = args[1];
        redirect(args[2], true);
        redirect(args[3], false);
        applicationFlag = Boolean.parseBoolean(args[4]);
        programPath = args.length > 5 ? args[5] : "";

        // The property's name is a constant, so a run without the splash
        // never loads RuntimeSplash, nor the AWT classes its verification
        // needs: a few milliseconds of every start.
        if (System.getProperty(RuntimeSplash.STATUS_PROPERTY) != null) {
            RuntimeSplash.start();
        }
        Method main = findMain(mainClassName);
        return main == null ? null : main.getDeclaringClass();
    }

    /** Prepares the run and calls the application's main: for launchers that call main here. */
    public static void main(String[] args) throws Throwable {
        Class<?> mainClass = prepare(args);
        if (mainClass == null) {
            return;
        }
        String[] applicationArgs = args.length > LEADING_ARGUMENTS
                ? Arrays.copyOfRange(args, LEADING_ARGUMENTS, args.length)
                : new String[0];
        Handlers.invoke(findMain(mainClass.getName()), applicationArgs);
    }

    /**
     * The code that catches exceptions of its own kinds, apart: the JVM
     * loads every caught class when it verifies the class that catches it,
     * and this one is verified at every start while these run only now and
     * then.
     */
    static final class Handlers {
        private Handlers() {}

        static void invoke(Method main, String[] applicationArgs) throws Throwable {
            try {
                main.invoke(null, (Object) applicationArgs);
            } catch (InvocationTargetException e) {
                // The application's own exception, so the launcher reports it.
                throw e.getCause();
            }
        }

        static void redirect(String file, boolean errorStream) {
            try {
                PrintStream stream = new PrintStream(new FileOutputStream(file, true), true);
                if (errorStream) {
                    System.setErr(stream);
                } else {
                    System.setOut(stream);
                }
            } catch (IOException | SecurityException e) {
                System.err.println("Lumen: could not redirect "
                        + (errorStream ? "System.err" : "System.out") + " to " + file + ": " + e);
            }
        }
    }

    static Method findMain(String mainClassName) {
        if (mainClassName == null || mainClassName.isEmpty()) {
            fail("no main class is configured");
            return null;
        }
        ClassLoader loader = Thread.currentThread().getContextClassLoader();
        if (loader == null) {
            loader = ClassLoader.getSystemClassLoader();
        }
        Class<?> mainClass;
        try {
            mainClass = Class.forName(mainClassName, true, loader);
        } catch (ClassNotFoundException | LinkageError e) {
            fail("could not load the main class " + mainClassName + ": " + e);
            return null;
        }
        try {
            Method main = mainClass.getMethod("main", String[].class);
            if (!Modifier.isStatic(main.getModifiers()) || main.getReturnType() != void.class) {
                fail("the main method of " + mainClassName + " is not 'public static void main(String[])'");
                return null;
            }
            main.setAccessible(true);
            return main;
        } catch (NoSuchMethodException e) {
            fail("the class " + mainClassName + " has no method 'public static void main(String[])'");
            return null;
        }
    }

    private static void redirect(String file, boolean errorStream) {
        if (file == null || file.isEmpty()) {
            return;
        }
        Handlers.redirect(file, errorStream);
    }

    private static void fail(String message) {
        System.err.println("Lumen: " + message);
        System.err.flush();
        exit(1);
    }

    /** Ends the JVM; kept apart so that tests can observe the exit instead. */
    static void exit(int code) {
        Exit.handler.exit(code);
    }

    /** Where a failed launch ends; the default ends the JVM. */
    static final class Exit {
        interface Handler {
            void exit(int code);
        }

        static volatile Handler handler = System::exit;

        private Exit() {}
    }
}
