"""The splash screen on the Xvfb display, driven through its test program
(fixtures/splash_probe.exe of the architecture's Windows tree: the launcher's modules with a test
bitmap 10000, and splash_probe_plain.exe without bitmap and icon):
the program calls showSplash itself and runs the steps of a script (see
splash_probe.cpp); test_splash_startup.py shows it through real launchers.
The Java side is the recording VM: its LumenController.getAction answers a
scripted sequence, some steps of which wait for a file the test creates.

Pixels of screenshots are compared with the test bitmap's own pixels and
with the configured text colours. The screenshot for the README
(docs/splash.png) goes to the build tree, and into docs/ only when
LUMEN_UPDATE_SCREENSHOTS=1."""

import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import wine_rig as rig

DOCS = rig.screenshot_dir()
PROBE = rig.FIXTURES / "splash_probe.exe"
PLAIN_PROBE = rig.FIXTURES / "splash_probe_plain.exe"
BITMAP = rig.TREE / "resources" / "splash-test.bmp"
CONTROLLER = "com/lumen/runtime/LumenController"
GET_ACTION = "CallStaticIntMethodV " + CONTROLLER + ".getAction"
GET_TEXT = "CallStaticObjectMethodV " + CONTROLLER + ".getText"

WIDTH, HEIGHT = 400, 240
STATUS_AT, VERSION_AT = (130, 140), (130, 190)
STATUS_COLOUR, VERSION_COLOUR = (255, 230, 120), (255, 255, 255)
PROPERTIES = {
    101: "Hello",
    107: "1",
    141: str(WIDTH),
    142: str(HEIGHT),
    147: "1",
    10109: str(STATUS_AT[0]),
    10110: str(STATUS_AT[1]),
    10111: "Starting Hello",
    10112: "Tahoma",
    10113: "16",
    10114: ",".join(map(str, STATUS_COLOUR)),
    10115: "700",
    10116: str(VERSION_AT[0]),
    10117: str(VERSION_AT[1]),
    10118: "Version 1.0",
    10119: "Tahoma",
    10120: "10",
    10121: ",".join(map(str, VERSION_COLOUR)),
    10122: "400",
}
# Points of the test bitmap away from the text lines: the amber disc, the
# corners, and a point below the disc (a bitmap drawn upside down would put
# the disc there).
BITMAP_POINTS = [(70, 80), (3, 3), (396, 3), (3, 236), (396, 236), (70, 170), (250, 60)]
SCREEN = (1024, 768)


windows_path = rig.windows_path


class Image:
    """An RGB image read through ImageMagick's PPM output."""

    def __init__(self, path):
        data = subprocess.run(["convert", str(path), "-depth", "8", "ppm:-"],
                              capture_output=True, check=True, timeout=30).stdout
        fields, position = [], 0
        while len(fields) < 4:  # magic, width, height, maximum
            while data[position:position + 1].isspace():
                position += 1
            end = position
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[position:end])
            position = end
        if fields[0] != b"P6":
            raise ValueError(f"{path}: not a PPM image")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[position + 1:]

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def box_of(self, colour, tolerance=40):
        """Bounding box (left, top, right, bottom) of the pixels within
        tolerance of colour, and their number; None when there are none."""
        left = top = right = bottom = None
        count = 0
        for y in range(self.height):
            for x in range(self.width):
                if near(self.pixel(x, y), colour, tolerance):
                    count += 1
                    left = x if left is None else min(left, x)
                    right = x if right is None else max(right, x)
                    top = y if top is None else top
                    bottom = y
        return ((left, top, right, bottom), count) if count else None


def near(pixel, colour, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def bitmap_pixel(x, y):
    """A pixel of the generated test bitmap (24-bit, bottom-up rows)."""
    data = BITMAP.read_bytes()
    offset = int.from_bytes(data[10:14], "little")
    stride = (WIDTH * 3 + 3) & ~3
    at = offset + (HEIGHT - 1 - y) * stride + 3 * x
    blue, green, red = data[at:at + 3]
    return red, green, blue


def is_splash(window):
    return window["class"] == "LumenSplashScreen"


def box_saying(opening):
    """A message box whose text begins with opening, so that a wait finds
    the box of one report and not any box that happens to be up."""
    return lambda w: (rig.is_message_box(w) and
                      rig.control(w, rig.MESSAGE_BOX_TEXT)["text"].startswith(opening))


class SplashTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        for needed in (PROBE, PLAIN_PROBE, BITMAP, rig.FIXTURES / "jvm_recording.dll"):
            if not needed.exists():
                raise RuntimeError(f"{needed} is missing: run `make dist` first")
        cls.state = rig.load_state()
        cls.display = rig.Display(cls.state)
        cls._scratch = tempfile.TemporaryDirectory(prefix="lumen-splash-")
        cls.work = Path(cls._scratch.name)
        cls.counter = 0

    @classmethod
    def tearDownClass(cls):
        cls._scratch.cleanup()
        super().tearDownClass()

    def setUp(self):
        # A first Wine process whose streams go to files: should it be the
        # one that (re)starts the prefix's wineserver, the server's helpers
        # inherit its streams, and the driver's pipes would stay open.
        rig.run_wine(rig.GUI_DRIVER, ["list", "none.exe"], state=self.state)
        rig.reset_launcher_state(self.state)
        type(self).counter += 1
        self.case = self.work / f"case{self.counter}"
        self.case.mkdir()
        shutil.copy(rig.FIXTURES / "jvm_recording.dll", self.case / "jvm_recording.dll")
        self.jvm = windows_path(self.case / "jvm_recording.dll")

    def control(self, text):
        (self.case / "jvm_control.txt").write_text(text, encoding="utf-8")

    def record(self):
        path = self.case / "jvm_record.txt"
        return path.read_text(encoding="utf-8").splitlines() if path.exists() else []

    def release(self, name):
        """Creates the file that a wait:NAME action or a wait_file step waits for."""
        (self.case / name).write_text("")
        return windows_path(self.case / name)

    def start(self, steps, properties=None, probe=PROBE):
        merged = {**PROPERTIES, **(properties or {})}
        lines = [f"{key}={value}" for key, value in sorted(merged.items())] + steps
        script = self.case / "script.txt"
        script.write_text("\r\n".join(lines) + "\r\n", encoding="cp1252")
        self.process = rig.start_wine(probe, [windows_path(script)], state=self.state)
        self.addCleanup(self.process.kill)
        self.gui = rig.Gui(self.state, probe)
        return self.process

    def finish(self):
        try:
            run = self.process.wait(rig.RUN_TIMEOUT)
        except AssertionError as error:
            raise AssertionError(f"{error}\nrecord: {self.record()}") from None
        self.assertEqual(run.returncode, 0, f"{run}\nrecord: {self.record()}")
        return run

    def splash_windows(self):
        return [w for w in self.gui.windows() if is_splash(w)]

    def wait_for_polling_splash(self):
        """The shown splash window once the poll talks to the controller (so
        the window has been painted)."""
        window = self.gui.wait_for(self.process, lambda w: is_splash(w) and w["visible"])
        self.assertTrue(rig.wait_until(lambda: GET_ACTION in self.record(), 20),
                        f"the poll never asked getAction: {self.record()}")
        time.sleep(0.3)
        return window

    def shot(self, window, name, directory=None):
        path = (directory or self.case) / name
        return Image(self.display.screenshot(path, window["rect"]))

    def assert_record_clean(self):
        record = self.record()
        self.assertFalse([line for line in record if line.startswith("call with pending")],
                         record)
        self.assertNotIn("unexpected JNI call", record)
        self.assertNotIn("ReleaseStringChars unknown", record)
        # Attached once (as a daemon thread), and detached before the thread
        # ended.
        self.assertEqual(record.count("AttachCurrentThreadAsDaemon"),
                         record.count("DetachCurrentThread"), record)
        self.assertNotIn("AttachCurrentThread", record)
        return record

    def assert_bitmap_drawn(self, image):
        for x, y in BITMAP_POINTS:
            self.assertTrue(near(image.pixel(x, y), bitmap_pixel(x, y), 6),
                            f"({x}, {y}): {image.pixel(x, y)} on screen, "
                            f"{bitmap_pixel(x, y)} in the bitmap")

    def assert_line_at(self, image, colour, at, points, name):
        """The line's pixels begin at its configured point, and its glyphs
        are as tall as a font of that many points at the screen's 96 pixels
        per inch makes them (character height points * 96 / 72); returns
        the box."""
        found = image.box_of(colour)
        self.assertIsNotNone(found, f"no {name} pixels of colour {colour}")
        (left, top, right, bottom), count = found
        self.assertGreater(count, 20, name)
        em = round(points * 96 / 72)
        self.assertTrue(at[0] <= left <= at[0] + 4, f"{name} begins at x {left}, not {at[0]}")
        self.assertTrue(at[1] <= top <= at[1] + em // 2,
                        f"{name} begins at y {top}, not just below {at[1]}")
        extent = bottom - top + 1
        self.assertTrue(0.6 * em <= extent <= 1.05 * em,
                        f"{name}: glyphs {extent} pixels tall for a {em}-pixel font")
        return left, top, right, bottom


class SplashScreen(SplashTestCase):
    def test_bitmap_lines_status_text_from_java_and_close(self):
        self.control("actions=wait:shown,2,wait:changed,1\ntext=Loading the modules\n")
        self.start(["show=1", "wait_shown=20000", f"launch={self.jvm}", "wait_gone=60000"])
        window = self.wait_for_polling_splash()
        self.assertEqual(window["title"], "Hello")
        self.assertTrue(window["topmost"])
        # Bitmap-sized and centred on the screen, halves truncated.
        self.assertEqual(window["rect"], [(SCREEN[0] - WIDTH) // 2, (SCREEN[1] - HEIGHT) // 2,
                                          (SCREEN[0] + WIDTH) // 2, (SCREEN[1] + HEIGHT) // 2])

        before = self.shot(window, "splash.png", DOCS)
        self.assert_bitmap_drawn(before)
        status = self.assert_line_at(before, STATUS_COLOUR, STATUS_AT, 16, "status line")
        version = self.assert_line_at(before, VERSION_COLOUR, VERSION_AT, 10, "version line")
        self.assertGreater(status[3] - status[1], version[3] - version[1])

        self.release("shown")
        self.assertTrue(rig.wait_until(
            lambda: "DeleteLocalRef string Loading the modules" in self.record(), 20),
            self.record())
        time.sleep(0.5)
        after = self.shot(window, "after.png")
        self.assert_bitmap_drawn(after)
        changed = self.assert_line_at(after, STATUS_COLOUR, STATUS_AT, 16, "new status line")
        # "Loading the modules" is wider than "Starting Hello".
        self.assertGreater(changed[2], status[2] + 20)
        self.assertEqual(self.assert_line_at(after, VERSION_COLOUR, VERSION_AT, 10, "version"),
                         version)

        self.release("changed")
        self.finish()
        record = self.assert_record_clean()
        text_steps = ["action 2", GET_TEXT, "GetStringLength", "GetStringChars Loading the modules",
                      "ReleaseStringChars", "DeleteLocalRef string Loading the modules"]
        positions = [record.index(step) for step in text_steps]
        self.assertEqual(positions, sorted(positions), record)
        self.assertEqual(record.count("FindClass " + CONTROLLER), 1, record)
        # Action 1 ends the poll: no getAction after it, then the detach.
        closed = record.index("action 1")
        self.assertNotIn(GET_ACTION, record[closed:])
        self.assertIn("DetachCurrentThread", record[closed:])

    def test_plain_program_draws_grey_ground_and_null_text_keeps_the_status(self):
        # getText answers null (no text configured).
        self.control("actions=2\n")
        self.start(["show=1", "wait_shown=20000", f"wait_file={windows_path(self.case / 'go')}",
                    f"launch={self.jvm}", f"wait_file={windows_path(self.case / 'done')}",
                    "hide", "wait_gone=10000"],
                   {147: "0"}, probe=PLAIN_PROBE)
        window = self.gui.wait_for(self.process, lambda w: is_splash(w) and w["visible"])
        self.assertFalse(window["topmost"])
        time.sleep(1.0)
        before = self.shot(window, "before.png")
        for x, y in BITMAP_POINTS:
            self.assertEqual(before.pixel(x, y), (192, 192, 192), (x, y))
        status = self.assert_line_at(before, STATUS_COLOUR, STATUS_AT, 16, "status line")
        self.release("go")
        self.assertTrue(rig.wait_until(lambda: GET_TEXT in self.record(), 20), self.record())
        time.sleep(0.5)
        after = self.shot(window, "after.png")
        self.assertEqual(self.assert_line_at(after, STATUS_COLOUR, STATUS_AT, 16, "status"),
                         status)
        self.release("done")
        self.finish()
        record = self.assert_record_clean()
        self.assertNotIn("GetStringChars", " ".join(record))

    def test_error_report_hides_the_splash_before_its_message_box(self):
        self.start(["show=1", "wait_shown=20000", f"wait_file={windows_path(self.case / 'go')}",
                    "error=Something failed",
                    "wait_gone=10000", "error=After the splash"])
        self.gui.wait_for(self.process, lambda w: is_splash(w) and w["visible"])
        self.release("go")
        box = self.gui.wait_for(self.process, box_saying("Something failed"))
        shown = [w for w in self.splash_windows() if w["visible"]]
        self.assertEqual(shown, [], "the splash screen covers the message box")
        self.gui.click(box, rig.ID_OK)
        # The splash window is gone by now; a later report has no owner
        # left that could keep its box from appearing.
        box = self.gui.wait_for(self.process, box_saying("After the splash"))
        self.gui.click(box, rig.ID_OK)
        self.finish()

    def test_application_window_takes_the_splash_down_with_property_145(self):
        self.control("window=60000\n")
        self.start(["show=1", "wait_shown=20000", f"launch={self.jvm}", "wait_gone=10000"],
                   {145: "1"})
        application = self.gui.wait_for(
            self.process, lambda w: w["visible"] and w["title"] == "Recording application")
        gone = rig.wait_until(lambda: not [w for w in self.splash_windows() if w["visible"]], 10)
        self.assertTrue(gone, "the splash stayed beside the application's window")
        self.assertTrue(self.gui.window(application["handle"])["visible"])
        self.gui.close(application)
        self.finish()
        self.assert_record_clean()

    def test_without_property_145_the_splash_stays_beside_the_application(self):
        self.control("window=60000\n")
        self.start(["show=1", "wait_shown=20000", f"launch={self.jvm}", "hide",
                    "wait_gone=10000"], {145: "0", 147: "0"})
        application = self.gui.wait_for(
            self.process, lambda w: w["visible"] and w["title"] == "Recording application")
        time.sleep(1.0)
        splash = self.splash_windows()
        self.assertTrue(splash and splash[0]["visible"], splash)
        self.assertFalse(splash[0]["topmost"])
        self.gui.close(application)
        # main returns, the program calls hideSplash, and the thread ends.
        self.finish()
        self.assert_record_clean()

    def test_missing_controller_class_is_looked_up_once_and_the_splash_stays(self):
        self.control(f"missing_class={CONTROLLER}\n")
        self.start(["show=1", "wait_shown=20000", f"launch={self.jvm}",
                    f"wait_file={windows_path(self.case / 'go')}", "hide", "wait_gone=10000"])
        self.wait_for_class_lookup()
        time.sleep(1.0)
        splash = self.splash_windows()
        self.assertTrue(splash and splash[0]["visible"], splash)
        self.release("go")
        self.finish()
        record = self.assert_record_clean()
        self.assertEqual(record.count("FindClass " + CONTROLLER), 1, record)
        self.assertIn("ExceptionClear", record)
        self.assertNotIn(GET_ACTION, record)
        self.assertNotIn("GetStaticMethodID " + CONTROLLER, " ".join(record))

    def test_exception_from_get_action_is_cleared_every_tick(self):
        self.control("throw=getAction\n")
        self.start(["show=1", "wait_shown=20000", f"launch={self.jvm}",
                    f"wait_file={windows_path(self.case / 'go')}", "hide", "wait_gone=10000"])
        self.gui.wait_for(self.process, lambda w: is_splash(w) and w["visible"])
        self.assertTrue(rig.wait_until(lambda: self.record().count(GET_ACTION) >= 3, 20))
        self.release("go")
        self.finish()
        record = self.assert_record_clean()
        calls = [i for i, line in enumerate(record) if line == GET_ACTION]
        for call in calls[:-1]:
            self.assertEqual(record[call + 1:call + 3], ["ExceptionCheck yes", "ExceptionClear"],
                             record)

    def wait_for_class_lookup(self):
        self.gui.wait_for(self.process, lambda w: is_splash(w) and w["visible"])
        self.assertTrue(rig.wait_until(
            lambda: "FindClass " + CONTROLLER in self.record(), 20), self.record())


if __name__ == "__main__":
    unittest.main()
