package splash;

import com.lumen.runtime.LumenController;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

/**
 * Drives the splash screen step by step, each step released by a file the
 * test creates in the directory of the first argument: "go-text" sets the
 * status text of the second argument (then writes "text-set"), "go-close"
 * closes the splash screen ("closed"), "go-exit" ends with exit code 5.
 */
public final class SplashApp {
    private SplashApp() {}

    public static void main(String[] args) throws Exception {
        Path control = Paths.get(args[0]);
        waitFor(control.resolve("go-text"));
        LumenController.setStatusText(args[1]);
        touch(control.resolve("text-set"));
        waitFor(control.resolve("go-close"));
        LumenController.closeSplash();
        touch(control.resolve("closed"));
        waitFor(control.resolve("go-exit"));
        System.exit(5);
    }

    private static void waitFor(Path file) throws InterruptedException {
        for (int i = 0; i < 3000 && !Files.exists(file); i++) {
            Thread.sleep(20);
        }
    }

    private static void touch(Path file) throws IOException {
        Files.write(file, new byte[0]);
    }
}
