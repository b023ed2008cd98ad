"""The GUI flavour reports a damaged block in a message box (seen on the
Xvfb display), and on the standard error stream instead when started with
the quiet switch."""

import struct
import unittest

import wine_rig as rig

CAPTION = "Hello Setup"
NARROW = {107: "1", 1000: CAPTION, 122: "com.example.hello.Hello", 121: "hello.jar;"}
WIDE = {20013: "Hello", 20016: "The installation file is damaged."}
BOX_TIMEOUT = 30


class GuiLauncherReports(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.display = rig.Display(cls.state)
        cls.launcher = rig.build_launcher(cls.work, "windowed", NARROW, WIDE)
        cls.layout = rig.read_layout(cls.launcher)
        magic = [(cls.layout.magic_at, struct.pack("<I", 0x12345678))]
        cls.bad_magic = rig.write_damaged(cls.launcher, cls.work / "bad-magic.exe", patches=magic)
        last_wide = cls.layout.wide[-1]
        cls.short_wide = rig.write_damaged(cls.launcher, cls.work / "short-wide.exe",
                                           cut_at=last_wide.text_at + 4)

    def show_box(self, exe, name):
        """Runs exe until its message box appears; returns the box's text
        and caption, then confirms it with Return and returns the run."""
        process = rig.start_wine(exe, state=self.state, debug=rig.MSGBOX_DEBUG)
        try:
            def box():
                if not process.running():
                    return "ended"
                return [w for w in self.display.visible_windows(process.pid, exe.name)
                        if self.display.window_name(w) != "Default IME"]

            windows = rig.wait_until(box, BOX_TIMEOUT)
            self.assertNotEqual(windows, "ended",
                                "the launcher ended instead of waiting in a message box")
            self.assertTrue(windows, f"no window of the launcher appeared in {BOX_TIMEOUT} s")
            self.assertEqual(len(windows), 1, windows)
            window = windows[0]
            self.display.screenshot(rig.RIG_DIR / "screens" / f"{name}-{rig.ARCH}.png")
            caption = self.display.window_name(window)
            self.display.click(window, 10, 10)
            self.display.key("ctrl+c")
            copied = rig.wait_until(self.display.clipboard, 2)
            traced = rig.wait_until(lambda: rig.traced_message_boxes(process.stderr_so_far()), 5)
            self.display.key("Return")
            run = process.wait(BOX_TIMEOUT)
        finally:
            process.kill()
        # Wine copies a box's text on Ctrl+C only in some versions; its
        # own trace of the box carries the same text.
        text = copied if copied else (traced[0] if traced else None)
        self.assertIsNotNone(text, "neither the clipboard nor Wine's trace shows the box text")
        return text, caption, run

    def assert_box_report(self, text, expected):
        head, separator, log_path = text.partition("\n\nLog: ")
        self.assertTrue(separator, f"no log line in the box: {text!r}")
        self.assertTrue(head.endswith(expected), text)
        self.assert_log_named(log_path.strip().splitlines()[0])

    def test_property_107_of_1_picks_the_gui_stub(self):
        stub = rig.stub("gui").read_bytes()
        self.assertEqual(rig.code_sections(self.launcher.read_bytes()), rig.code_sections(stub))

    def test_bad_magic_shows_a_message_box(self):
        text, caption, run = self.show_box(self.bad_magic, "bad-magic")
        self.assert_box_report(text, "Internal Error: magic")
        # No property was read, so the box has the empty caption.
        self.assertEqual(caption, "")
        self.assertEqual(run.returncode, 1, run)
        self.assertEqual(rig.without_wine_traces(run.stderr), "")

    def test_short_wide_table_box_has_the_caption_already_read(self):
        text, caption, run = self.show_box(self.short_wide, "short-wide")
        self.assert_box_report(text, "Internal Error: readWString")
        self.assertEqual(caption, CAPTION)
        self.assertEqual(run.returncode, 1, run)

    def test_quiet_switch_reports_on_stderr_without_a_box(self):
        for name, exe, expected in [("magic", self.bad_magic, "Internal Error: magic"),
                                    ("wide", self.short_wide, "Internal Error: readWString")]:
            with self.subTest(name):
                # A box would block the launcher until the timeout.
                run = rig.start_wine(exe, ["-q", "extra"], state=self.state,
                                     debug=rig.MSGBOX_DEBUG).wait(BOX_TIMEOUT)
                self.assertEqual(rig.traced_message_boxes(run.stderr), [], run)
                run.stderr = rig.without_wine_traces(run.stderr)
                log = self.assert_fatal_report(run, expected)
                self.assertNotIn("Init done", rig.log_lines(log))


if __name__ == "__main__":
    unittest.main()
