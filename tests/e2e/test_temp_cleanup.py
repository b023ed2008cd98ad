"""The temporary folder after many starts of real Linux launchers: each run
removes its extraction directory, and the log of a successful run, whether
main returns or the application calls System.exit; what a run could not
remove is on the deferred-deletion lists and goes at a later start; a
running copy's files are never taken by another copy; entries outside the
temporary folder are refused. Cases run in the environment of
test_linux_launcher (own TMPDIR, per-user store and PATH)."""

import os
import signal
import subprocess
import time
import unittest

import test_linux_launcher as base
from e2e_case import WorkFolderCase

RUN_TIMEOUT = base.RUN_TIMEOUT
LISTS = ("delete_file", "delete_dir")


class TempCleanup(WorkFolderCase):
    setUpClass = classmethod(base.LinuxLauncherTest.setUpClass.__func__)
    def setUp(self):
        base.LinuxLauncherTest.setUp(self)
        del self.env["LUMEN_KEEP_TEMP"]

    launcher = base.LinuxLauncherTest.launcher
    run_launcher = base.LinuxLauncherTest.run_launcher
    report = base.LinuxLauncherTest.report

    # -- the temporary folder and the lists ------------------------------------

    def leftovers(self):
        tmp = self.case / "tmp"
        return sorted(p.name for p in [*tmp.glob("lmx*_dir"), *tmp.glob("tsx_nlog_*")])

    def list_file(self, name):
        return self.case / "config" / "lumen" / "SOFTWARE" / "nordquill" / "lumen" / "temp" / name

    def entries(self, name):
        path = self.list_file(name)
        if not path.exists():
            return []
        data = path.read_bytes()
        self.assertEqual(data[:1], b"S", data)
        return [e for e in data[1:].rstrip(b"\0").decode().split(";") if e]

    def store_list(self, name, entries):
        path = self.list_file(name)
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(b"S" + "".join(e + ";" for e in entries).encode() + b"\0")

    def kept_log(self, launcher, args=("plain",)):
        """A run that keeps its own log (LUMEN_KEEP_TEMP), and that log."""
        before = set((self.case / "tmp").glob("tsx_nlog_*"))
        env = dict(self.env, LUMEN_KEEP_TEMP="1")
        result = subprocess.run([str(launcher), *args], capture_output=True, text=True, env=env,
                                cwd=self.case, timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        logs = sorted(set((self.case / "tmp").glob("tsx_nlog_*")) - before)
        self.assertEqual(len(logs), 1, logs)
        return logs[0].read_text(encoding="utf-8", errors="replace")

    # -- the cases ---------------------------------------------------------------

    def test_twenty_starts_each_way_leave_nothing_behind(self):
        launcher = self.launcher()
        for ending in ("returns", "exit0"):
            seen = set()
            for run in range(20):
                result = self.run_launcher(launcher, [ending])
                self.assertEqual(result.returncode, 0, result.stderr)
                temp_dir = self.report(result)[1]["lumen.tempDir"]
                self.assertTrue(temp_dir.startswith(str(self.case / "tmp" / "lmx")), temp_dir)
                seen.add(temp_dir)
                self.assertEqual(self.leftovers(), [], f"{ending}, run {run + 1}")
            self.assertEqual(len(seen), 20, "every run had a directory of its own")
            for name in LISTS:
                self.assertEqual(self.entries(name), [], f"{ending}: {name}")

    def test_a_failed_run_keeps_its_log_until_a_later_start(self):
        launcher = self.launcher()
        failed = self.run_launcher(launcher, ["exit7"])
        self.assertEqual(failed.returncode, 7, failed.stderr)
        logs = [name for name in self.leftovers() if name.startswith("tsx_nlog_")]
        self.assertEqual(self.leftovers(), logs, "the directory goes, the log stays")
        self.assertEqual(len(logs), 1)
        self.assertEqual(self.entries("delete_file"), [str(self.case / "tmp" / logs[0])])
        self.assertIn("The application ends the process (exit code 7)",
                      (self.case / "tmp" / logs[0]).read_text())
        log = self.kept_log(launcher)
        self.assertIn("Deferred deletion removed " + str(self.case / "tmp" / logs[0]), log)
        self.assertFalse((self.case / "tmp" / logs[0]).exists())

    def test_a_running_copy_keeps_its_files_until_a_later_start(self):
        first, second = self.launcher(name="first"), self.launcher(name="second")
        release = self.case / "release"
        running = subprocess.Popen([str(first), "wait", str(release)], env=self.env,
                                   cwd=self.case, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, text=True)
        try:
            line = ""
            while not line.startswith("prop:lumen.tempDir="):
                line = running.stdout.readline()
                self.assertTrue(line, "the first copy ended early")
            held = line.strip().split("=", 1)[1]
            held_files = set(self.leftovers())
            self.assertEqual(len(held_files), 2, held_files)  # its directory and its log
            for _ in range(3):
                other = self.run_launcher(second, ["returns"])
                self.assertEqual(other.returncode, 0, other.stderr)
            self.assertEqual(set(self.leftovers()), held_files)
            self.assertIn(f"Deferred deletion: {held} is in use", self.kept_log(second))
            self.assertTrue(os.path.isfile(os.path.join(held, "probe.jar")))

            # A copy that dies leaves its files on the lists for a later start.
            running.send_signal(signal.SIGKILL)
            running.wait(RUN_TIMEOUT)
            self.assertEqual(set(self.entries("delete_dir")), {held})
            log = self.kept_log(second)
            self.assertIn(f"Deferred deletion removed {held}", log)
            self.assertFalse(os.path.exists(held))
            self.assertEqual([name for name in self.leftovers()
                              if name in held_files], [])
        finally:
            release.write_text("")
            if running.poll() is None:
                running.kill()
            running.wait(RUN_TIMEOUT)
            running.stdout.close()

    def test_entries_outside_the_temporary_folder_are_refused(self):
        outside = self.case / "precious.txt"
        outside.write_text("keep")
        beside = self.case / "tmpx"
        beside.mkdir()
        inside = self.case / "tmp" / "stale.txt"
        inside.write_text("old")
        link_target = self.case / "linked"
        link_target.mkdir()
        (link_target / "keep.txt").write_text("keep")
        link = self.case / "tmp" / ("lmx" + "0" * 32 + "_dir")
        link.symlink_to(link_target)
        tmp = str(self.case / "tmp")
        self.store_list("delete_file", [str(outside), tmp + "/../precious.txt", str(inside)])
        self.store_list("delete_dir", [str(beside), tmp, str(link)])
        log = self.kept_log(self.launcher())
        self.assertTrue(outside.exists() and beside.exists())
        self.assertFalse(inside.exists())
        self.assertTrue((link_target / "keep.txt").exists(), "the link was followed")
        self.assertFalse(os.path.lexists(link), "a link named like ours goes itself")
        for refused in (str(outside), tmp + "/../precious.txt", str(beside), tmp):
            self.assertIn(f"Deferred deletion refused for {refused}: not in the temporary folder",
                          log)
        self.assertRegex(log, r"Deferred deletions: 2 removed, 0 kept, 4 refused, 0 left")
        for name in LISTS:
            self.assertEqual(self.entries(name), [], name)


if __name__ == "__main__":
    unittest.main()
