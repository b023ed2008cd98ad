"""The temporary folder after many starts of real launchers under Wine: a
run removes its extraction directory and, when it succeeds, its log,
whether main returns or the application ends through System.exit (the
stand-in VM calls the launcher's exit hook, as a real JVM does); a file the
JVM still holds keeps the directory on the deferred-deletion list until a
later start; a running copy's directory survives another copy's start.
These launchers run without LUMEN_KEEP_TEMP, which the rig sets for every
other test."""

import re
import shutil
import unittest

import wine_rig as rig
from test_launch import LaunchTestCase, windows_path

TEMP_KEY = "HKCU\\" + rig.LAUNCHER_KEY + "\\temp"
CLEANING = {"LUMEN_KEEP_TEMP": "0"}


class TempCleanup(LaunchTestCase):
    def setUp(self):
        super().setUp()
        rig.reset_launcher_state(self.state)

    def launch(self, exe, args=("-q",)):
        return rig.run_wine(exe, list(args), state=self.state, env=CLEANING)

    def leftovers(self):
        folder = rig.temp_dir(self.state)
        return sorted(p.name for p in [*folder.glob("lmx*_dir*"), *folder.glob(rig.LOG_PREFIX + "*")])

    def listed(self, name):
        query = rig.run_wine("reg", ["query", TEMP_KEY, "/v", name], state=self.state)
        match = re.search(rf"{name}\s+REG_SZ[ \t]*(\S.*)?$", query.stdout, re.MULTILINE)
        return [e for e in ((match.group(1) or "") if match else "").strip().split(";") if e]

    def test_twenty_starts_each_way_leave_nothing_behind(self):
        exe = self.launcher()
        for control in ("", "exit=0\n"):
            self.control(control)
            for run in range(20):
                result = self.launch(exe)
                self.assertEqual(result.returncode, 0, result)
                self.assertEqual(self.leftovers(), [], f"{control!r}, run {run + 1}")
            record = self.record()
            if control:
                self.assertIn("exit hook 0", record)
            self.assertEqual(self.listed("delete_dir"), [])
            self.assertEqual(self.listed("delete_file"), [])

    def test_a_held_file_keeps_the_directory_for_a_later_start(self):
        exe = self.launcher()
        self.control("hold=app.jar\nexit=0\n")
        held = self.launch(exe)
        self.assertEqual(held.returncode, 0, held)
        self.assertIn("held app.jar", self.record())
        left = self.leftovers()
        self.assertEqual(len(left), 1, left)
        self.assertRegex(left[0], r"^lmx[0-9a-f]{32}_dir$", "the log went, the directory stayed")
        self.assertEqual([e.rsplit("\\", 1)[-1] for e in self.listed("delete_dir")], left)

        self.control("")
        later = self.launch(exe)
        self.assertEqual(later.returncode, 0, later)
        self.assertEqual(self.leftovers(), [])
        self.assertEqual(self.listed("delete_dir"), [])

    def test_a_running_copy_keeps_its_directory(self):
        exe = self.launcher()
        other = self.case / "other" / exe.name
        other.parent.mkdir()
        shutil.copy(exe, other)
        release = self.case / "release"
        self.control(f"wait_for={windows_path(release)}\n")
        waiting = lambda: [l for l in self.record() if l.startswith("main waiting pid ")]
        first = rig.start_wine(exe, ["-q"], state=self.state, env=CLEANING)
        try:
            self.assertTrue(rig.wait_until(lambda: len(waiting()) == 1, 60), self.record())
            held = self.leftovers()
            self.assertEqual(len(held), 2, held)  # its directory and its log
            second = rig.start_wine(other, ["-q"], state=self.state, env=CLEANING)
            self.assertTrue(rig.wait_until(lambda: len(waiting()) == 2, 60), self.record())
            # The second copy went through the lists before it reached main.
            self.assertTrue(set(held) <= set(self.leftovers()), (held, self.leftovers()))
            directory = next(name for name in held if name.startswith("lmx"))
            self.assertTrue((rig.temp_dir(self.state) / directory / "app.jar").exists())
        finally:
            release.write_text("")
        self.assertEqual(first.wait().returncode, 0)
        self.assertEqual(second.wait().returncode, 0)
        self.assertEqual(self.leftovers(), [])


if __name__ == "__main__":
    unittest.main()
