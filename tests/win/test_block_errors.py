"""A console-type launcher with a damaged or truncated block reports the
failing reader on the standard error stream, names its log and exits 1."""

import struct
import unittest

import wine_rig as rig

NARROW = {
    1000: "Hello caption",
    121: "lib/hello.jar;lib/util.jar;",
    122: "com.example.hello.Hello",
    123: "-Xmx256m -Dhello.mode=test",
    126: "1.8",
    2001: "e",
}
WIDE = {20013: "Hello", 20007: "Hello is starting\u2026"}


class DamagedConsoleLauncher(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.launcher = rig.build_launcher(cls.work, "console", NARROW, WIDE)
        cls.layout = rig.read_layout(cls.launcher)

    def run_damaged(self, name, cut_at=None, patches=()):
        damaged = rig.write_damaged(self.launcher, self.work / f"{name}.exe", cut_at, patches)
        return self.run_launcher(damaged)

    def assert_reading_failed(self, run, text):
        log = self.assert_fatal_report(run, text)
        lines = rig.log_lines(log)
        self.assertIn("Init", lines)
        self.assertNotIn("Init done", lines)
        if text == "Internal Error: readInt":
            # The short read is also announced on the standard output stream.
            self.assertRegex(run.stdout, r"\Aerror \d+\r?\n\Z")
        else:
            self.assertEqual(run.stdout, "")

    def test_property_107_absent_picks_the_console_stub(self):
        # PE32 or PE32+ by the architecture: the block starts behind the
        # last section of either, the rewritten resources.
        stub = rig.stub("console").read_bytes()
        built = self.launcher.read_bytes()
        self.assertEqual(self.layout.start, rig.image_end(built)[0])
        self.assertEqual(rig.code_sections(built), rig.code_sections(stub))
        self.assertNotEqual(rig.code_sections(built), rig.code_sections(rig.stub("gui").read_bytes()))

    def test_truncated_block_names_the_reader_that_ran_short(self):
        layout = self.layout
        first, last = layout.narrow[0], layout.narrow[-1]
        wide = layout.wide[-1]
        cases = [
            ("no-block", layout.start, "Internal Error: readInt"),
            ("in-magic", layout.magic_at + 2, "Internal Error: readInt"),
            ("in-narrow-count", layout.narrow_count_at + 2, "Internal Error: readInt"),
            ("in-narrow-id", first.id_at + 1, "Internal Error: readInt"),
            ("in-narrow-length", first.length_at + 3, "Internal Error: readInt"),
            ("in-narrow-text", last.text_at + last.length // 2, "Internal Error: readString"),
            ("before-narrow-text-end", last.text_at + last.length - 1,
             "Internal Error: readString"),
            ("in-wide-count", layout.wide_count_at + 1, "Internal Error: readInt"),
            ("in-wide-length", wide.length_at + 2, "Internal Error: readInt"),
            ("in-wide-text", wide.text_at + wide.length - 2, "Internal Error: readWString"),
        ]
        for name, cut_at, text in cases:
            with self.subTest(name):
                self.assert_reading_failed(self.run_damaged(name, cut_at=cut_at), text)

    def test_damaged_magic(self):
        for name, magic in [("flipped-bit", 0xE8E413D4), ("zero", 0), ("swapped", 0xD513E4E8)]:
            with self.subTest(name):
                run = self.run_damaged(name, patches=[(self.layout.magic_at,
                                                       struct.pack("<I", magic))])
                self.assert_reading_failed(run, "Internal Error: magic")

    def test_impossible_lengths_fail_in_their_reader(self):
        narrow = self.layout.narrow_entry(122)
        wide = self.layout.wide_entry(20007)
        cases = [
            ("narrow-huge", narrow.length_at, 0x7FFFFFF0, "Internal Error: readString"),
            ("narrow-negative", narrow.length_at, -5, "Internal Error: readString"),
            ("narrow-past-end", narrow.length_at,
             len(self.launcher.read_bytes()) - narrow.text_at + 1, "Internal Error: readString"),
            ("wide-huge", wide.length_at, 0x7FFFFFF0, "Internal Error: readWString"),
            ("wide-odd", wide.length_at, wide.length - 1, "Internal Error: readWString"),
            ("wide-negative", wide.length_at, -2, "Internal Error: readWString"),
        ]
        for name, offset, length, text in cases:
            with self.subTest(name):
                run = self.run_damaged(name, patches=[(offset, struct.pack("<i", length))])
                self.assert_reading_failed(run, text)

    def test_exit_code_outlives_a_unix_exit_killed_by_wineserver(self):
        # wineserver SIGKILLs a process whose Unix side lingers after the
        # Windows side ended; the rig still reports the launcher's exit code.
        damaged = rig.write_damaged(self.launcher, self.work / "slow-exit.exe",
                                    patches=[(self.layout.magic_at, struct.pack("<I", 0))])
        run = self.run_launcher(damaged, env={"LUMEN_EXIT_RECORD_DELAY_MS": "5000"})
        self.assertEqual(run.unix_returncode, -9, run)
        self.assert_reading_failed(run, "Internal Error: magic")


if __name__ == "__main__":
    unittest.main()
