"""The splash screen at start-up of real launchers on the Xvfb display: a
description with a splash picture makes the launcher show its splash
window in place of the progress dialog, from before it unpacks anything
until the application's first window, its closeSplash, an error report or
the end of the process. The runtime is the recording VM of the dialog
tests; its creation can wait for a release file, so that the start-up can
be looked at while it runs, and its LumenController answers a scripted
sequence (see fixtures/recording_jvm.cpp).

The screenshot for the README (docs/splash-startup.png) goes to the build
tree, and into docs/ only when LUMEN_UPDATE_SCREENSHOTS=1."""

import time
import unittest

import test_dialogs
import wine_rig as rig
from test_splash import BITMAP, BITMAP_POINTS, PROPERTIES, STATUS_COLOUR, Image, bitmap_pixel, near

DOCS = rig.screenshot_dir()
# The text lines of the splash test program's, from a shorter first status.
SPLASH = {**{key: value for key, value in PROPERTIES.items() if key >= 10109},
          145: "1", 10111: "Hi"}
STARTUP_TEXTS = {30005: "Unpacking", 30006: "Looking for Java", 30007: "Starting Java"}
APP_TEXT = "Loading the modules, please wait"


def is_splash(window):
    return window["class"] == "LumenSplashScreen"


class SplashAtStartup(test_dialogs.DialogTestCase):
    def setUp(self):
        super().setUp()
        if not BITMAP.exists():
            raise RuntimeError(f"{BITMAP} is missing: run `make dist` first")
        self.display = rig.Display(self.state)

    def splash_launcher(self, properties=None):
        return rig.build_launcher(self.case, "hello",
                                  {**test_dialogs.NARROW, **SPLASH, **(properties or {})},
                                  {**test_dialogs.WIDE, **STARTUP_TEXTS},
                                  [{"path": self.files / "app.jar"}], splash_image=BITMAP)

    def release(self, name, runtime=None):
        """Creates the file beside the VM that a wait step waits for."""
        path = rig.vm_dir(runtime or self.runtime) / name
        path.write_text("")
        return path

    def launcher_windows(self):
        """(splash visible, progress dialog visible) as the driver sees them."""
        windows = self.gui.windows()
        return (any(is_splash(w) and w["visible"] for w in windows),
                any(rig.is_progress_dialog(w) and w["visible"] for w in windows))

    def status_box(self, window, name):
        image = Image(self.display.screenshot(self.case / name, window["rect"]))
        for x, y in BITMAP_POINTS:
            self.assertTrue(near(image.pixel(x, y), bitmap_pixel(x, y), 6), (x, y))
        found = image.box_of(STATUS_COLOUR)
        self.assertIsNotNone(found, f"{name}: no status line")
        return found[0]

    def test_splash_before_unpacking_follows_the_startup_then_the_application(self):
        self.use_java_home()
        ended = rig.windows_path(rig.vm_dir(self.runtime) / "ended")
        self.control(f"create_wait=created\nactions=wait:texted,2,wait:close,1\n"
                     f"text={APP_TEXT}\nwait_for={ended}\n")
        self.start(self.splash_launcher())
        splash = self.gui.wait_for(self.process, lambda w: is_splash(w) and w["visible"] and
                                   "create released" not in self.record() and
                                   "create: splash visible" in self.record())
        self.assertEqual(self.launcher_windows(), (True, False))
        self.assertIn("create: progress dialog hidden", self.record())
        time.sleep(0.5)
        self.display.screenshot(DOCS / "splash-startup.png", splash["rect"])
        starting = self.status_box(splash, "starting.png")
        lines = rig.log_lines(self.only_log())
        # Shown before anything was unpacked; the status line followed the
        # start-up's steps.
        self.assertLess(lines.index("Splash screen shown"), lines.index("extracting files"))
        steps = [lines.index("Splash status: " + text) for text in STARTUP_TEXTS.values()]
        self.assertEqual(steps, sorted(steps), lines)
        self.assertLess(lines.index("extracting files done"), steps[1])

        self.release("created")
        self.assertTrue(rig.wait_until(lambda: test_dialogs.MAIN_CALL in self.record(), 20))
        self.release("texted")
        self.assertTrue(rig.wait_until(
            lambda: "DeleteLocalRef string " + APP_TEXT in self.record(), 20), self.record())
        time.sleep(0.5)
        # The application's text is wider than "Starting Java".
        self.assertGreater(self.status_box(splash, "application.png")[2], starting[2] + 40)
        self.assertEqual(self.launcher_windows(), (True, False))

        self.release("close")
        self.assertTrue(rig.wait_until(lambda: self.launcher_windows() == (False, False), 10),
                        "closeSplash left the splash screen up")
        (rig.vm_dir(self.runtime) / "ended").write_text("")
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        record = self.record()
        # A daemon thread, which DestroyJavaVM does not wait for; detached
        # once closed.
        self.assertIn("AttachCurrentThreadAsDaemon", record)
        self.assertNotIn("AttachCurrentThread", record)
        self.assertIn("DetachCurrentThread", record[record.index("action 1"):], record)
        self.assertLess(record.index("DetachCurrentThread"), record.index("DestroyJavaVM"))

    def test_application_window_takes_it_down_and_the_window_wait_leaves_it_out(self):
        self.use_java_home()
        # main watches the bar first: the window wait moves it on while only
        # the splash is up, so the splash does not count as the application's.
        self.control("progress=2500\nwindow=60000\n")
        self.start(self.splash_launcher())
        application = self.gui.wait_for(
            self.process, lambda w: w["visible"] and w["title"] == "Recording application")
        self.assertTrue(rig.wait_until(lambda: self.launcher_windows() == (False, False), 10),
                        "the splash stayed beside the application's window")
        self.gui.close(application)
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        record = self.record()
        self.assertIn("main: splash visible", record)
        self.assertIn("main: progress dialog hidden", record)
        positions = [int(line.split()[1]) for line in record
                     if line.startswith("progress ") and line.split()[1].isdigit()]
        self.assertIn(60, positions, record)

    def test_error_takes_the_splash_down_before_its_message_box(self):
        self.use_java_home()
        self.control("create=fail\n")
        self.start(self.splash_launcher())
        box = self.gui.wait_for(self.process, rig.is_message_box)
        text = rig.control(box, rig.MESSAGE_BOX_TEXT)["text"].replace("\r\n", "\n")
        self.assertTrue(text.startswith(test_dialogs.NARROW[1005] + "\n\nLog: "), text)
        self.assertEqual(self.launcher_windows(), (False, False))
        self.gui.click(box, rig.ID_OK)
        run = self.finish()
        self.assertEqual(run.returncode, 1, run)
        self.assertIn("Splash screen shown", rig.log_lines(self.only_log()))

    def test_runtime_not_found_dialog_with_the_splash_hidden_then_back(self):
        self.control("create_wait=created\n")
        self.start(self.splash_launcher())
        dialog = self.runtime_dialog()
        self.assertEqual(self.launcher_windows(), (False, False))
        self.pick(dialog, self.runtime / "bin" / "java.exe")
        self.assertTrue(rig.wait_until(lambda: "create: splash visible" in self.record(), 20),
                        self.record())
        self.release("created")
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        self.assertIn(test_dialogs.MAIN_CALL, self.record())

    def test_application_that_never_closes_the_splash_ends_with_its_exit_code(self):
        self.use_java_home()
        exe = self.splash_launcher()
        ended = rig.windows_path(rig.vm_dir(self.runtime) / "ended")
        for exit_line, code in (("", 0), ("exit=7\n", 7)):
            with self.subTest(code=code):
                rig.reset_launcher_state(self.state)
                for name in ("jvm_record.txt", "ended"):
                    (rig.vm_dir(self.runtime) / name).unlink(missing_ok=True)
                self.control(f"wait_for={ended}\n{exit_line}")
                self.start(exe)
                # main ends only once the poll is attached to the JVM.
                self.assertTrue(rig.wait_until(
                    lambda: "AttachCurrentThreadAsDaemon" in self.record(), 20), self.record())
                self.assertEqual(self.launcher_windows(), (True, False))
                (rig.vm_dir(self.runtime) / "ended").write_text("")
                run = self.finish()
                self.assertEqual(run.returncode, code, run)
                self.assertNotIn("action 1", self.record())
        with self.subTest(quiet=True):
            (rig.vm_dir(self.runtime) / "jvm_record.txt").unlink(missing_ok=True)
            self.control("")
            self.start(exe, ["-q"])
            run = self.finish()
            self.assertEqual(run.returncode, 0, run)
            self.assertNotIn("Splash screen shown", rig.log_lines(self.only_log()))
            self.assertNotIn("AttachCurrentThreadAsDaemon", self.record())


if __name__ == "__main__":
    unittest.main()
