"""Launchers with an intact block read it on every stub: the log shows the
start-up up to "Init done" and, without the quiet switch, on to the
runtime-not-found dialog (the prefix has no Java runtime); the executable
type read from the block decides where reports go, and the environment
settings do not disturb the start."""

import unittest

import wine_rig as rig

NARROW = {
    101: "Hello",
    121: "lib/hello.jar;",
    122: "com.example.hello.Hello",
    126: "1.8",
    127: "17",
    1000: "Hello",
    1001: "Hello needs Java %s or later.",
    2001: "e",
    # Windows-1252 text beyond ASCII must pass through unharmed.
    1007: "Ung\u00fcltige Parameter \u2013 bitte pr\u00fcfen",
}
WIDE = {20013: "Hello \u00e9l\u00e8ve \u4f60\u597d", 20007: "Starting Hello\u2026",
        20006: "This needs Java %S to %S."}


class GoodBlockOnEveryStub(rig.WineTestCase):
    def test_each_stub_reads_its_block(self):
        for flavour in ("gui", "console"):
            arch, stub = rig.ARCH, rig.stub(flavour)
            with self.subTest(flavour=flavour, arch=arch):
                properties = dict(NARROW)
                if flavour == "gui":
                    properties[107] = "1"
                exe = rig.build_launcher(self.work, f"{flavour}-{arch}", properties, WIDE,
                                         stub=stub)
                run = self.run_to_runtime_dialog(exe)
                log = self.only_log()
                self.assert_block_read(log, run)
                self.assertRegex(log, r"\AStarted executable [A-Z]:\\.*\\" + exe.name + " at ")
                # Both flavours show the dialogs; Cancel there reports nothing.
                self.assertEqual(run.stderr, "")
                self.assertEqual(rig.control(run.runtime_dialog, 1003)["text"],
                                 "This needs Java 1.8 to 17.")
                # UTF-16 captions keep what the ANSI code page cannot carry.
                self.assertEqual(run.runtime_dialog["title"], WIDE[20013])


class EnvironmentSettings(rig.WineTestCase):
    def run_built(self, name, properties, args=()):
        exe = rig.build_launcher(self.work, name, {**NARROW, **properties}, WIDE)
        quiet = bool(args) and args[0].startswith("-q")
        run = self.run_launcher(exe, args) if quiet else self.run_to_runtime_dialog(exe, args)
        return run, self.only_log()

    def test_path_prefix_and_existing_working_directory(self):
        (self.work / "runtime" / "bin").mkdir(parents=True)
        (self.work / "work").mkdir()
        run, log = self.run_built("environment", {
            10004: "runtime\\bin;C:\\windows\\system32;",
            146: "work",
        })
        self.assert_block_read(log, run)

    def test_missing_working_directory_is_ignored(self):
        run, log = self.run_built("missing-directory", {146: "no such directory"})
        self.assert_block_read(log, run)

    def test_quiet_switch_after_reading(self):
        for args in (["-q"], ["-quiet", "--file", "x y"]):
            with self.subTest(args=args):
                run, log = self.run_built("quiet", {107: "1"}, args)
                self.assert_block_read(log, run, quiet=True)
                lines = rig.log_lines(log)
                self.assertIn("Quiet installer.", lines)
                self.assertLess(lines.index("Init done"), lines.index("Quiet installer."))
                # Quiet mode shows no window: nothing waited for a click.
                self.assertEqual(run.stderr, "")

    def test_no_quiet_switch_without_leading_dash_q(self):
        run, log = self.run_built("not-quiet", {}, ["x", "-q"])
        self.assert_block_read(log, run)
        self.assertNotIn("Quiet installer.", rig.log_lines(log))


if __name__ == "__main__":
    unittest.main()
