package probe;

import java.io.File;

/**
 * The application the end-to-end tests launch. It reports what it received
 * (arguments, selected system properties, the working directory) one item a
 * line, and its first argument may ask for an ending: "exit0", "exit7", "throw",
 * "thread" (main returns while a non-daemon thread still works), "streams"
 * (a line on each standard stream), "wait FILE" (waits for FILE to appear).
 */
public final class Probe {
    private static final String[] PROPERTIES = {
        "lumen.tempDir", "lumen.moduleName", "java.class.path", "x", "probe.option",
        "sun.java.command",
    };

    private Probe() {}

    public static void main(String[] args) throws Exception {
        StringBuilder report = new StringBuilder();
        for (int i = 0; i < args.length; i++) {
            report.append("arg[").append(i).append("]=").append(args[i]).append('\n');
        }
        for (String name : PROPERTIES) {
            report.append("prop:").append(name).append('=').append(System.getProperty(name)).append('\n');
        }
        report.append("cwd=").append(new File(".").getCanonicalPath()).append('\n');
        System.out.print(report);
        System.out.flush();

        String mode = args.length > 0 ? args[0] : "";
        switch (mode) {
            case "exit0":
                System.exit(0);
                break;
            case "exit7":
                System.exit(7);
                break;
            case "throw":
                throw new IllegalStateException("probe failure");
            case "thread":
                Thread worker = new Thread(() -> {
                    try {
                        Thread.sleep(700);
                    } catch (InterruptedException e) {
                        Thread.currentThread().interrupt();
                    }
                    System.out.println("thread done");
                    System.out.flush();
                });
                worker.setDaemon(false);
                worker.start();
                System.out.println("main done");
                break;
            case "streams":
                System.out.println("to stdout");
                System.err.println("to stderr");
                break;
            case "wait":
                File file = new File(args[1]);
                for (int i = 0; i < 600 && !file.exists(); i++) {
                    Thread.sleep(50);
                }
                System.out.println("waited");
                break;
            default:
                break;
        }
    }
}
