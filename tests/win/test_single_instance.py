"""One running instance per executable, through real launchers: a copy
started while another copy of the same file runs ends with exit code 0
before it unpacks anything, and the first copy's process id is recorded in
the registry. The stand-in runtime's `main` waits for a release file, so the
first copy stays inside the application while the others start."""

import shutil
import unittest

import wine_rig as rig
from test_launch import LaunchTestCase, windows_path

PIDS_KEY = "HKCU\\" + rig.LAUNCHER_KEY + "\\pids"


class SingleInstance(LaunchTestCase):
    def setUp(self):
        super().setUp()
        rig.reset_launcher_state(self.state)
        self.release = self.case / "release"
        self.control(f"wait_for={windows_path(self.release)}\n")

    def waiting_pids(self):
        return [line.split()[-1] for line in self.record() if line.startswith("main waiting pid ")]

    def extraction_dirs(self):
        return sorted(p.name for p in rig.temp_dir(self.state).glob("lmx*_dir*"))

    def start(self, exe):
        return rig.start_wine(exe, ["-q"], state=self.state)

    def recorded_pids(self):
        # Output through files, as for every Wine process of the rig: a pipe
        # may be held open by Wine's helper processes.
        return rig.run_wine("reg", ["query", PIDS_KEY], state=self.state).stdout

    def test_second_copy_ends_with_0_before_unpacking(self):
        exe = self.launcher()
        first = self.start(exe)
        self.assertTrue(rig.wait_until(self.waiting_pids, 60), "the first copy never reached main")
        unpacked = self.extraction_dirs()
        self.assertEqual(len(unpacked), 1, unpacked)

        second = rig.run_wine(exe, ["-q"], state=self.state)
        self.assertEqual(second.returncode, 0, second)
        self.assertEqual(self.extraction_dirs(), unpacked, "the second copy unpacked its files")
        self.assertEqual(len(self.waiting_pids()), 1)
        # The record holds the first copy's id (REG_DWORD, shown in hex).
        pid = int(self.waiting_pids()[0])
        self.assertRegex(self.recorded_pids(), rf"REG_DWORD\s+0x{pid:x}\b")

        self.release.write_text("")
        self.assertEqual(first.wait().returncode, 0)

    def test_copies_in_two_directories_run_side_by_side(self):
        exe = self.launcher()
        other_dir = self.case / "other"
        other_dir.mkdir()
        other = other_dir / exe.name
        shutil.copy(exe, other)
        first, second = self.start(exe), self.start(other)
        self.assertTrue(rig.wait_until(lambda: len(self.waiting_pids()) == 2, 90),
                        f"both copies should reach main: {self.record()}")
        self.release.write_text("")
        self.assertEqual(first.wait().returncode, 0)
        self.assertEqual(second.wait().returncode, 0)

    def test_twenty_simultaneous_starts_leave_one_running(self):
        exe = self.launcher()
        processes = [self.start(exe) for _ in range(20)]
        self.assertTrue(rig.wait_until(
            lambda: self.waiting_pids() and sum(p.running() for p in processes) == 1, 180),
            f"expected one copy left in main: {self.record()}")
        self.assertEqual(len(self.waiting_pids()), 1)
        self.release.write_text("")
        codes = [p.wait(timeout=120).returncode for p in processes]
        self.assertEqual(codes, [0] * 20)
        self.assertEqual(len(self.waiting_pids()), 1, "only one copy ever reached main")


if __name__ == "__main__":
    unittest.main()
