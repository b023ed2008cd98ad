"""The restart switch, in a Wine prefix of its own: a restart ends every
process of a prefix, so it must never touch the shared one. The launcher
waits five seconds, asks for the restart (a refused request would be
logged) and goes on with its normal start-up."""

import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import wine_rig as rig


class RestartSwitch(unittest.TestCase):
    def test_restart_is_asked_for_and_the_start_up_goes_on(self):
        with tempfile.TemporaryDirectory(prefix="lumen-restart-") as scratch:
            scratch = Path(scratch)
            env = rig.wine_env()
            env["WINEPREFIX"] = str(scratch / "prefix")
            env.pop("DISPLAY", None)
            try:
                subprocess.run(rig.wine_command("wineboot", ["-i"]), env=env, capture_output=True,
                               timeout=300, check=True)
                exe = rig.build_launcher(scratch, "restart", {122: "com.example.Main"},
                                         stub=rig.stub("console"))
                started = time.monotonic()
                # Wine's relay trace shows the very call and its answer.
                traced = dict(env, WINEDEBUG="+relay", WINELOADER=str(rig.loader_for(exe)))
                run = subprocess.run(rig.wine_command(exe, ["__tsx_reboot"]), env=traced,
                                     capture_output=True, timeout=180)
                elapsed = time.monotonic() - started
                temp = subprocess.run(rig.wine_command("cmd", ["/c", "echo", "%TMP%"]), env=env,
                                      capture_output=True, text=True, timeout=60).stdout.strip()
                folder = Path(subprocess.run(rig.wine_command("winepath", ["-u", temp]), env=env,
                                             capture_output=True, text=True,
                                             timeout=60).stdout.strip())
                logs = sorted(folder.glob(rig.LOG_PREFIX + "*"))
                self.assertEqual(len(logs), 1, logs)
                lines = rig.log_lines(rig.read_log(logs[0]))
            finally:
                subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
        self.assertGreaterEqual(elapsed, 5.0, "the five-second wait before the request")
        trace = run.stderr.decode("latin-1")
        # The relay trace prints arguments at the width of the architecture.
        self.assertRegex(trace, r"Call user32\.ExitWindowsEx\(0*2,0+\)",
                         "EWX_REBOOT with reason 0")
        self.assertNotIn("Restart request failed", " ".join(lines))
        self.assertIn("Init done", lines, "the start-up goes on after the request")
        self.assertEqual(run.returncode, 1, run.returncode)


if __name__ == "__main__":
    unittest.main()
