"""Real applications from Debian's packages, started once by Debian's own
start script and once by a Linux launcher built from the same class path,
main class and VM options: Apache Ant with a build.xml, the Rhino shell
with a script read by relative name, and Rhino's Swing debugger on an Xvfb
display. Each pair must show the same output, exit code and working
directory; the debugger's window must carry the same WM_CLASS. Each case
has its own temporary directory (where the launcher's log goes) and its own
per-user stores."""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest
from pathlib import Path

from e2e_case import WorkFolderCase

SOURCE_DIR = Path(os.environ.get("LUMEN_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DIST_DIR = Path(os.environ.get("LUMEN_DIST_DIR", SOURCE_DIR / "dist"))
sys.path.insert(0, str(SOURCE_DIR / "tests" / "win"))
from wine_rig import description_toml  # noqa: E402  (shared with the Wine tests)

LUMEN_BUILD = DIST_DIR / "bin" / "lumen-build"
STUB = DIST_DIR / "stub" / "lumen-linux-x64"
JDK = Path(os.environ.get("LUMEN_TEST_JDK", "/usr/lib/jvm/java-17-openjdk-amd64"))
RUN_TIMEOUT = 120

# What Debian's scripts run (/usr/bin/ant, /usr/bin/rhino, /usr/bin/rhino-debugger).
ANT = {
    121: "A1/usr/share/ant/lib/ant-launcher.jar;",
    122: "org.apache.tools.ant.launch.Launcher",
    123: "-Dant.home=/usr/share/ant -Dant.library.dir=/usr/share/ant/lib "
         "-Djava.security.manager=allow",
}
RHINO = {121: "A1/usr/share/java/js.jar;A1/usr/share/java/jline.jar;",
         122: "org.mozilla.javascript.tools.shell.Main"}
RHINO_DEBUGGER = {121: "A1/usr/share/java/js.jar;",
                  122: "org.mozilla.javascript.tools.debugger.Main"}

BUILD_XML = """<project name="probe" default="build">
  <target name="build">
    <echo message="user.dir=${user.dir}"/>
    <echo message="basedir=${basedir}"/>
    <loadfile property="data" srcFile="data.txt"/>
    <echo message="data=${data}"/>
    <mkdir dir="out"/>
    <echo file="out/made.txt" message="made"/>
  </target>
  <target name="broken">
    <fail message="broken on purpose"/>
  </target>
</project>
"""

SCRIPT = """print("args=" + Array.prototype.slice.call(arguments).join("|"));
print("user.dir=" + java.lang.System.getProperty("user.dir"));
print("command=" + java.lang.System.getProperty("sun.java.command"));
print("data=" + readFile("data.txt").trim());
"""


class RealApplicationsTest(WorkFolderCase):
    @classmethod
    def setUpClass(cls):
        for needed in (LUMEN_BUILD, STUB, JDK / "bin" / "java", Path("/usr/bin/ant"),
                       Path("/usr/bin/rhino"), Path("/usr/bin/rhino-debugger")):
            if not needed.exists():
                raise RuntimeError(f"{needed} is missing (make dist; scripts/bootstrap.sh)")
        cls.make_work("lumen-real-")

    def setUp(self):
        self.make_case("tmp", "config", "etc", "home", "project", "launchers")
        self.project = self.case / "project"
        (self.project / "data.txt").write_text("from the user's directory\n")
        self.env = {
            "PATH": "/usr/bin:/bin",
            "HOME": str(self.case / "home"),
            "TMPDIR": str(self.case / "tmp"),
            "XDG_CONFIG_HOME": str(self.case / "config"),
            "LUMEN_SYSTEM_CONFIG_DIR": str(self.case / "etc"),
            "JAVA_HOME": str(JDK),
            "LANG": "C.UTF-8",
        }

    def launcher(self, name, properties, directory=None):
        """A console launcher (runtime through JAVA_HOME) built in directory."""
        directory = directory or self.case / "launchers"
        narrow = {107: "0", 128: "EJAVA_HOME", 2001: "e", **properties}
        description = directory / f"{name}.toml"
        description.write_text(description_toml(narrow, {}, None), encoding="utf-8")
        output = directory / name
        result = subprocess.run([str(LUMEN_BUILD), str(description), "-o", str(output),
                                 "--stub", str(STUB)], capture_output=True, text=True,
                                timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        return output

    def run_both(self, script, launcher, args, before=None):
        """Debian's script and the launcher with the same arguments in the
        user's directory, each after before(): (stdout, stderr, exit code)."""
        runs = []
        for program in (script, launcher):
            if before is not None:
                before()
            result = subprocess.run([str(program), *args], capture_output=True, text=True,
                                    env=self.env, cwd=self.project, timeout=RUN_TIMEOUT)
            runs.append((normalise(result.stdout), normalise(result.stderr), result.returncode))
        return runs

    def compare(self, script, launcher, argument_lists, before=None):
        """The launcher's runs, each checked against the script's."""
        ours = {}
        for args in argument_lists:
            with self.subTest(args=args):
                debian, ours[tuple(args)] = self.run_both(script, launcher, args, before)
                self.assertEqual(ours[tuple(args)], debian)
        return ours

    def test_ant_builds_the_build_file_of_the_directory_it_is_started_in(self):
        (self.project / "build.xml").write_text(BUILD_XML)
        ant = self.launcher("ant", ANT)
        # The plain build last, so that its output directory stays for the check below.
        runs = self.compare("/usr/bin/ant", ant, [["broken"], ["-f", "missing.xml"], []],
                            before=lambda: shutil.rmtree(self.project / "out", ignore_errors=True))
        built = runs[()]
        self.assertEqual(built[2], 0, built[1])
        self.assertIn(f"[echo] user.dir={self.project}\n", built[0])
        self.assertIn("[echo] data=from the user's directory\n", built[0])
        self.assertEqual((self.project / "out" / "made.txt").read_text(), "made")
        self.assertIn("broken on purpose", runs[("broken",)][1])
        self.assertEqual(runs[("broken",)][2], 1)
        self.assertIn("Buildfile: missing.xml does not exist!", "".join(runs[("-f", "missing.xml")][:2]))
        self.assertEqual(runs[("-f", "missing.xml")][2], 1)

    def test_rhino_reads_the_script_named_relative_to_the_users_directory(self):
        (self.project / "t.js").write_text(SCRIPT)
        (self.project / "fails.js").write_text('throw new Error("boom");\n')
        rhino = self.launcher("rhino", RHINO)
        runs = self.compare("/usr/bin/rhino", rhino,
                            [["t.js", "a b", "ü"], ["fails.js"], ["missing.js"]])
        script = runs[("t.js", "a b", "ü")]
        self.assertEqual(script[2], 0, script[1])
        self.assertEqual(script[0].splitlines(), [
            "args=a b|ü",
            f"user.dir={self.project}",
            # The standard launcher's form: the main class, then the arguments.
            "command=org.mozilla.javascript.tools.shell.Main t.js a b ü",
            "data=from the user's directory",
        ])
        self.assertIn("boom", runs[("fails.js",)][1])
        self.assertNotEqual(runs[("fails.js",)][2], 0)
        self.assertIn("missing.js", runs[("missing.js",)][1])

    def test_working_directory_setting_and_the_former_extraction_directory(self):
        # working-directory, relative to the launcher, wins over where it is started.
        (self.case / "launchers" / "work").mkdir()
        (self.case / "launchers" / "work" / "t.js").write_text(SCRIPT)
        (self.case / "launchers" / "work" / "data.txt").write_text("from working-directory\n")
        rhino = self.launcher("rhino", {**RHINO, 146: "work"})
        result = subprocess.run([str(rhino), "t.js"], capture_output=True, text=True,
                                env=self.env, cwd=self.case, timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"user.dir={self.case / 'launchers' / 'work'}\n", result.stdout)
        self.assertIn("data=from working-directory\n", result.stdout)

        # run-in-extraction-directory keeps the JVM beside the unpacked files.
        script = self.case / "tmp_script.js"
        script.write_text('print("user.dir=" + java.lang.System.getProperty("user.dir"));\n'
                          'print("tempDir=" + java.lang.System.getProperty("lumen.tempDir"));\n')
        former = self.launcher("former", {**RHINO, 30009: "1"})
        result = subprocess.run([str(former), str(script)], capture_output=True, text=True,
                                env=self.env, cwd=self.project, timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = dict(line.split("=", 1) for line in result.stdout.splitlines())
        self.assertEqual(lines["user.dir"], lines["tempDir"])
        self.assertEqual(Path(lines["tempDir"]).parent, self.case / "tmp")

    def test_swing_debugger_window_class_working_directory_and_tool_name(self):
        display = self.start_xvfb()
        env = dict(self.env, DISPLAY=display)
        debugger = self.launcher("rhino-debugger", RHINO_DEBUGGER)
        seen = []
        for program in ("/usr/bin/rhino-debugger", debugger):
            process = subprocess.Popen([str(program)], cwd=self.project, env=env,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       start_new_session=True)
            try:
                window = self.wait_for_window(env, "Rhino JavaScript Debugger")
                pid = int(x11(env, "xdotool", "getwindowpid", window))
                wm_class = x11(env, "xprop", "-id", window, "WM_CLASS")
                cwd = os.readlink(f"/proc/{pid}/cwd")
                tools = subprocess.run([str(JDK / "bin" / "jps"), "-l"], capture_output=True,
                                       text=True, env=env, timeout=RUN_TIMEOUT).stdout
                listed = dict(line.split(" ", 1) for line in tools.splitlines() if " " in line)
                seen.append((wm_class, cwd, listed.get(str(pid))))
            finally:
                os.killpg(process.pid, signal.SIGKILL)
                process.communicate(timeout=RUN_TIMEOUT)
        debian, ours = seen
        self.assertEqual(ours, debian)
        self.assertEqual(ours[0], 'WM_CLASS(STRING) = "org-mozilla-javascript-tools-debugger-Main", '
                                  '"org-mozilla-javascript-tools-debugger-Main"')
        self.assertEqual(ours[1], str(self.project))
        self.assertEqual(ours[2], "org.mozilla.javascript.tools.debugger.Main")

    # -- the display -----------------------------------------------------------

    def start_xvfb(self):
        """An Xvfb display of this test's own, stopped with the test."""
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            number = pipe.readline().strip()
        self.addCleanup(lambda: (xvfb.terminate(), xvfb.wait(timeout=RUN_TIMEOUT)))
        self.assertTrue(number, "Xvfb reported no display")
        return ":" + number.decode()

    def wait_for_window(self, env, title):
        deadline = time.monotonic() + RUN_TIMEOUT
        while time.monotonic() < deadline:
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                                   capture_output=True, text=True, env=env)
            windows = found.stdout.split()
            if windows:
                return windows[0]
            time.sleep(0.2)
        self.fail(f"no window {title!r} appeared")


def x11(env, *command):
    return subprocess.run(list(command), capture_output=True, text=True, env=env, check=True,
                          timeout=RUN_TIMEOUT).stdout.strip()


def normalise(text):
    """Output with the one thing that differs between two runs, Ant's timing."""
    return re.sub(r"Total time: [0-9.]+ (milli)?seconds?", "Total time: T", text)


if __name__ == "__main__":
    unittest.main()
