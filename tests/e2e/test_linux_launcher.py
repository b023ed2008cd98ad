"""The Linux launcher end to end: launchers built by lumen-build from the
Linux stub start a small probe application in Debian's OpenJDK 17, in the
launcher's own process. Each case runs with its own temporary directory
(where the log goes), its own per-user and machine-wide stores and a bare
PATH, so cases do not see each other's state. The splash screen case runs
on an Xvfb display of its own and compares screenshot pixels with the
picture's; its screenshot for the README (docs/splash-linux.png) goes to
the build tree, and into docs/ only when LUMEN_UPDATE_SCREENSHOTS=1."""

import os
import shutil
import struct
import subprocess
import sys
import time
import unittest
from pathlib import Path

from e2e_case import WorkFolderCase

SOURCE_DIR = Path(os.environ.get("LUMEN_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DIST_DIR = Path(os.environ.get("LUMEN_DIST_DIR", SOURCE_DIR / "dist"))
BUILD_DIR = Path(os.environ.get("LUMEN_BUILD_DIR", SOURCE_DIR / "build" / "native"))
sys.path.insert(0, str(SOURCE_DIR / "tests" / "win"))
from wine_rig import description_toml, wait_until  # noqa: E402  (shared with the Wine tests)
from test_splash import Image, near  # noqa: E402  (screenshot pixels)

LUMEN_BUILD = DIST_DIR / "bin" / "lumen-build"
STUB = DIST_DIR / "stub" / "lumen-linux-x64"
UNSTRIPPED_STUB = BUILD_DIR / "lumen-linux-x64"
JDK = Path(os.environ.get("LUMEN_TEST_JDK", "/usr/lib/jvm/java-17-openjdk-amd64"))
APP_SOURCES = Path(__file__).resolve().parent / "app"
RUNTIME_JAR = DIST_DIR / "java" / "lumen-runtime.jar"
RUN_TIMEOUT = 60
SCREEN = (1024, 768)

MESSAGES = {
    1001: "No suitable Java runtime was found.",
    1005: "The Java virtual machine could not be started.",
    1006: "Missing: %FILE_NAME%",
    1007: "Unmatched quote",
    1010: "No entry class",
    1011: "No entry method",
}


class LinuxLauncherTest(WorkFolderCase):
    @classmethod
    def setUpClass(cls):
        for needed in (LUMEN_BUILD, STUB, JDK / "bin" / "javac"):
            if not needed.exists():
                raise RuntimeError(f"{needed} is missing (run make dist)")
        cls.make_work("lumen-e2e-")
        cls.jars = cls.work / "jars"
        for name, source in (("probe", "probe/Probe.java"), ("firstrun", "firstrun/FirstRun.java"),
                             ("splash", "splash/SplashApp.java")):
            classes = cls.work / "classes" / name
            classes.mkdir(parents=True)
            subprocess.run([str(JDK / "bin" / "javac"), "-nowarn", "--release", "8",
                            "-Xlint:-options", "-cp", str(RUNTIME_JAR), "-d", str(classes),
                            str(APP_SOURCES / source)], check=True, capture_output=True)
            cls.jars.mkdir(exist_ok=True)
            subprocess.run([str(JDK / "bin" / "jar"), "--create", "--file",
                            str(cls.jars / f"{name}.jar"), "-C", str(classes), "."],
                           check=True, capture_output=True)

    def setUp(self):
        self.make_case("tmp", "config", "etc", "home", "bin")
        self.env = {
            "PATH": f"{self.case / 'bin'}:/usr/bin:/bin",
            "HOME": str(self.case / "home"),
            "TMPDIR": str(self.case / "tmp"),
            "XDG_CONFIG_HOME": str(self.case / "config"),
            "LUMEN_SYSTEM_CONFIG_DIR": str(self.case / "etc"),
            "JAVA_HOME": str(JDK),
            "LANG": "C.UTF-8",
            # Successful runs keep their log for the cases that read it
            # (test_temp_cleanup runs without this).
            "LUMEN_KEEP_TEMP": "1",
        }

    # -- building and running ------------------------------------------------

    def launcher(self, properties=None, files=None, name="app", stub=STUB, runtime_jar=True,
                 splash_image=None):
        narrow = {107: "0", 122: "probe.Probe", 128: "EJAVA_HOME", 2001: "e", **MESSAGES}
        narrow.update(properties or {})
        if files is None:
            files = [{"path": self.jars / "probe.jar"}]
        description = self.case / f"{name}.toml"
        text = description_toml(narrow, {}, files, splash_image=splash_image)
        if not runtime_jar:
            text = text.replace("[properties]", "[launcher]\ninclude-runtime-jar = false\n[properties]")
        description.write_text(text, encoding="utf-8")
        output = self.case / name
        result = subprocess.run([str(LUMEN_BUILD), str(description), "-o", str(output),
                                 "--stub", str(stub)], capture_output=True, text=True,
                                timeout=RUN_TIMEOUT)
        self.assertEqual(result.returncode, 0, result.stderr)
        return output

    def run_launcher(self, launcher, args=(), cwd=None):
        return subprocess.run([str(launcher), *args], capture_output=True, text=True,
                              env=self.env, cwd=cwd or self.case, timeout=RUN_TIMEOUT)

    def report(self, result):
        """The probe's report: arguments in order and property values."""
        args, props = [], {}
        for line in result.stdout.splitlines():
            if line.startswith("arg["):
                args.append(line.split("=", 1)[1])
            elif line.startswith("prop:"):
                name, value = line[len("prop:"):].split("=", 1)
                props[name] = value
        return args, props

    def log_text(self):
        logs = sorted((self.case / "tmp").glob("tsx_nlog_*"))
        self.assertTrue(logs, "the launcher wrote no log in TMPDIR")
        return logs[-1].read_text(encoding="utf-8", errors="replace")

    # -- the launch itself -----------------------------------------------------

    def test_argument_layout_properties_and_class_path(self):
        extra = self.case / "lib" / "extra.jar"
        extra.parent.mkdir()
        shutil.copy(self.jars / "firstrun.jar", extra)
        launcher = self.launcher({121: "A1lib/extra.jar;D0%LUMEN_EXEDIR%classes",
                                  123: '-Dprobe.option="set by the launcher"',
                                  124: "fixed", 125: "1"})
        result = self.run_launcher(launcher, ["don't", "two words", "-J-Dx=y", "ünïcode"])
        self.assertEqual(result.returncode, 0, result.stderr)
        args, props = self.report(result)
        # Fixed arguments first, then the user's exactly as given; -J goes to the VM.
        self.assertEqual(args, ["fixed", "don't", "two words", "ünïcode"])
        self.assertEqual(props["x"], "y")
        self.assertEqual(props["probe.option"], "set by the launcher")
        self.assertEqual(props["lumen.moduleName"], str(launcher))
        temp_dir = Path(props["lumen.tempDir"])
        self.assertEqual(temp_dir.parent, self.case / "tmp")
        # The JVM runs where the launcher was started, not among the unpacked files.
        self.assertIn(f"cwd={self.case}\n", result.stdout)
        self.assertEqual(props["sun.java.command"],
                         "probe.Probe fixed don't two words ünïcode")
        elements = props["java.class.path"].split(":")
        # Unpacked jars first (in name order), then the configured entries,
        # and no empty element after them, which would put the user's own
        # directory (the JVM's current one) on the class path.
        self.assertEqual(elements, [str(temp_dir / "lumen-runtime.jar"), str(temp_dir / "probe.jar"),
                                    str(extra), str(self.case / "classes")])
        self.assertNotIn(";", props["java.class.path"])

    def test_vm_options_file_beside_the_launcher(self):
        for name, options in (("app", "app.vmoptions"), ("tool.exe", "tool.vmoptions")):
            launcher = self.launcher(name=name)
            (self.case / options).write_text("# comment\n-Dx=from the file\n-Dprobe.option=2\n")
            result = self.run_launcher(launcher)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(self.report(result)[1]["x"], "from the file", name)
            (self.case / options).unlink()

    def test_standard_streams_redirected_by_the_entry_class(self):
        launcher = self.launcher({102: "1", 103: "err.txt", 104: "1", 105: "out.txt"})
        result = self.run_launcher(launcher, ["streams"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("to stdout", result.stdout)
        self.assertIn("to stdout", (self.case / "out.txt").read_text())
        self.assertIn("to stderr", (self.case / "err.txt").read_text())

    def test_exit_codes_and_failure_reports(self):
        launcher = self.launcher()
        self.assertEqual(self.run_launcher(launcher, ["exit7"]).returncode, 7)

        thrown = self.run_launcher(launcher, ["throw"])
        self.assertEqual(thrown.returncode, 1)
        self.assertIn("IllegalStateException: probe failure", thrown.stderr)
        # The application failed, not the JVM's start: lumen-build's own text.
        self.assertIn("The application ended with an error.", thrown.stderr)
        self.assertNotIn(MESSAGES[1005], thrown.stderr)
        self.assertIn("Log: " + str(self.case / "tmp" / "tsx_nlog_"), thrown.stderr)

        missing_main = self.run_launcher(self.launcher({122: "no.such.Main"}, name="nomain"))
        self.assertNotEqual(missing_main.returncode, 0)
        self.assertIn("Lumen: could not load the main class no.such.Main", missing_main.stderr)

        no_entry = self.run_launcher(self.launcher(name="noentry", runtime_jar=False))
        self.assertEqual(no_entry.returncode, 1)
        self.assertIn(MESSAGES[1010], no_entry.stderr)

    def test_splash_picture_status_text_and_close_on_the_runtimes_splash_screen(self):
        display = self.start_xvfb()
        picture = self.case / "splash.bmp"
        write_test_bmp(picture)
        status_colour = (255, 230, 120)
        launcher = self.launcher({122: "splash.SplashApp", 10109: "16", 10110: "50",
                                  10111: "Starting", 10112: "DejaVu Sans", 10113: "14",
                                  10114: ",".join(map(str, status_colour)), 10115: "700",
                                  10116: "16", 10117: "88", 10118: "Version 1.0",
                                  10119: "DejaVu Sans", 10120: "9", 10121: "255,255,255",
                                  10122: "400"},
                                 files=[{"path": self.jars / "splash.jar"}], splash_image=picture)
        control = self.case / "control"
        control.mkdir()
        env = dict(self.env, DISPLAY=display)
        errors = self.case / "stderr.txt"
        with open(errors, "wb") as stream:
            process = subprocess.Popen([str(launcher), str(control), "Loading the modules"],
                                       env=env, cwd=self.case, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.DEVNULL, stderr=stream)
        self.addCleanup(lambda: process.poll() is None and process.kill())
        # The runtime centres the picture on the screen, halves truncated.
        left, top = (SCREEN[0] - BMP_SIZE[0]) // 2, (SCREEN[1] - BMP_SIZE[1]) // 2
        area = (left, top, left + BMP_SIZE[0], top + BMP_SIZE[1])

        def shot(name):
            path = self.case / name
            subprocess.run(["import", "-display", display, "-window", "root", "-crop",
                            f"{BMP_SIZE[0]}x{BMP_SIZE[1]}+{left}+{top}", "+repage", "-strip",
                            "-define", "png:exclude-chunks=date,time", str(path)],
                           check=True, capture_output=True, timeout=30)
            return Image(path)

        def status_box(image):
            found = image.box_of(status_colour)
            return found[0] if found else None

        def wait_for_file(name):
            self.assertTrue(wait_until(lambda: (control / name).exists() or
                                       process.poll() is not None, RUN_TIMEOUT),
                            f"no {name}")
            self.assertIsNone(process.poll(), errors.read_text(errors="replace"))

        # The picture with the configured status line, drawn by the Java side.
        shown = wait_until(lambda: status_box(shot("shown.png")), RUN_TIMEOUT)
        self.assertIsNone(process.poll())
        self.assertTrue(shown, "no splash screen with its status line")
        image = shot("shown.png")
        for x, y in BMP_POINTS:
            self.assertTrue(near(image.pixel(x, y), bmp_pixel(x, y), 8),
                            f"({x}, {y}): {image.pixel(x, y)}, not {bmp_pixel(x, y)}")
        self.assertTrue(16 <= shown[0] <= 20 and 50 <= shown[1] <= 60, shown)
        self.assertIsNotNone(image.box_of((255, 255, 255)), "no version line")
        shutil.copy(self.case / "shown.png", screenshot_dir() / "splash-linux.png")

        (control / "go-text").write_text("")
        wait_for_file("text-set")
        changed = wait_until(lambda: (lambda box: box if box and box[2] > shown[2] + 40 else None)(
            status_box(shot("text.png"))), 10)
        self.assertTrue(changed, "setStatusText drew no longer status line")
        self.assertLessEqual(abs(changed[0] - shown[0]), 2, (changed, shown))

        (control / "go-close").write_text("")
        wait_for_file("closed")
        self.assertTrue(wait_until(lambda: not near(shot("closed.png").pixel(*BMP_POINTS[0]),
                                                    bmp_pixel(*BMP_POINTS[0]), 8), 10),
                        "closeSplash left the picture on the screen")
        (control / "go-exit").write_text("")
        process.wait(RUN_TIMEOUT)
        self.assertEqual(process.returncode, 5, errors.read_text(errors="replace"))
        log = self.log_text()
        self.assertIn("Splash screen shown: ", log)
        self.assertIn("lumen-splash.png", log)

    def start_xvfb(self):
        """An Xvfb display of this test's own, stopped with the test."""
        read_end, write_end = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                                 f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, pass_fds=(write_end,))
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        self.addCleanup(lambda: (xvfb.terminate(), xvfb.wait(10)))
        self.assertTrue(number, "Xvfb reported no display")
        return ":" + number

    def test_destroy_waits_for_non_daemon_threads(self):
        result = self.run_launcher(self.launcher(), ["thread"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertLess(result.stdout.index("main done"), result.stdout.index("thread done"))

    def test_first_run_hook_of_an_installer(self):
        files = [{"path": self.jars / "probe.jar"},
                 {"path": self.jars / "firstrun.jar", "name": "a-firstrun.jar"}]
        launcher = self.launcher({2001: "i", 10003: "appdir"}, files=files)
        marker = self.case / "appdir" / ".tessel" / "firstrun"
        result = self.run_launcher(launcher)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("first run step", result.stdout, "the hook ran without its marker")
        self.assertIn("prop:lumen.tempDir=", result.stdout)

        marker.parent.mkdir(parents=True)
        marker.write_text("")
        stopped = self.run_launcher(launcher)
        self.assertEqual(stopped.returncode, 0, stopped.stderr)
        self.assertIn("first run step", stopped.stdout)
        self.assertNotIn("prop:lumen.tempDir=", stopped.stdout, "main ran after the hook said no")

    def test_unstripped_stub_reads_its_block_too(self):
        if not UNSTRIPPED_STUB.exists():
            self.skipTest(f"{UNSTRIPPED_STUB} is not built")
        result = self.run_launcher(self.launcher(stub=UNSTRIPPED_STUB), ["plain"])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.report(result)[0], ["plain"])

    def test_one_instance_per_launcher_through_its_lock(self):
        launcher = self.launcher()
        release = self.case / "release"
        first = subprocess.Popen([str(launcher), "wait", str(release)], env=self.env, cwd=self.case,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        try:
            deadline = time.monotonic() + RUN_TIMEOUT
            while not list((self.case / "tmp").glob("lmx*_dir*")) and time.monotonic() < deadline:
                time.sleep(0.05)
            second = self.run_launcher(launcher, ["plain"])
            self.assertEqual(second.returncode, 0, second.stderr)
            self.assertNotIn("prop:lumen.tempDir", second.stdout, "the second copy ran the application")
            self.assertEqual(len(list((self.case / "tmp").glob("lmx*_dir*"))), 1,
                             "the second copy unpacked its files")
            # The first copy's process id is its record in the per-user store.
            records = list((self.case / "config" / "lumen").rglob("pids/*"))
            self.assertEqual(len(records), 1, records)
            self.assertEqual(records[0].read_bytes(), b"D" + first.pid.to_bytes(4, "little"))
            # A copy of the launcher elsewhere is another executable.
            copy = self.case / "elsewhere" / "app"
            copy.parent.mkdir()
            shutil.copy(launcher, copy)
            other = self.run_launcher(copy, ["plain"])
            self.assertEqual(other.returncode, 0, other.stderr)
            self.assertIn("arg[0]=plain", other.stdout)
        finally:
            release.write_text("")
            out, err = first.communicate(timeout=RUN_TIMEOUT)
        self.assertEqual(first.returncode, 0, err)
        self.assertIn("waited", out)

    # -- finding the runtime ---------------------------------------------------

    def assert_runtime_found(self, launcher, expected_java):
        result = self.run_launcher(launcher)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"Trying to load JVM-DLL from {expected_java}", self.log_text())

    def test_runtime_through_an_environment_variable(self):
        self.env.pop("JAVA_HOME")
        self.env["EJAVA_HOME"] = str(JDK)
        launcher = self.launcher({128: "EEJAVA_HOME"})
        self.assert_runtime_found(launcher, JDK / "bin" / "java")

    def test_runtime_on_the_search_path(self):
        self.env.pop("JAVA_HOME")
        (self.case / "bin" / "java").symlink_to(JDK / "bin" / "java")
        launcher = self.launcher({128: "S"})
        # The link is followed to the runtime's own directory, where its
        # libraries are.
        self.assert_runtime_found(launcher, JDK / "bin" / "java")

    def test_runtime_bundled_beside_the_launcher(self):
        self.env.pop("JAVA_HOME")
        (self.case / "jre").symlink_to(JDK, target_is_directory=True)
        launcher = self.launcher({128: "Bjre"})
        self.assert_runtime_found(launcher, self.case / "jre" / "bin" / "java")

    def test_runtime_among_the_installed_ones(self):
        self.env.pop("JAVA_HOME")
        launcher = self.launcher({128: "Y", 126: "17", 127: "17.9"})
        result = self.run_launcher(launcher)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(self.log_text(), r"Trying to load JVM-DLL from /usr/lib/jvm/[^/]+/bin/java")

    def test_no_runtime_is_reported_with_exit_code_83(self):
        self.env.pop("JAVA_HOME")
        launcher = self.launcher({128: "EJAVA_HOME", 126: "99"})
        result = self.run_launcher(launcher)
        self.assertEqual(result.returncode, 83)
        self.assertIn(MESSAGES[1001], result.stderr)
        self.assertIn("Log: " + str(self.case / "tmp" / "tsx_nlog_"), result.stderr)
        self.assertIn("No JRE found", self.log_text())

        quiet = self.run_launcher(launcher, ["-q"])
        self.assertEqual(quiet.returncode, 83)
        self.assertNotIn(MESSAGES[1001], quiet.stderr)

    def test_version_cache_lives_in_the_per_user_store(self):
        launcher = self.launcher()
        self.assertEqual(self.run_launcher(launcher).returncode, 0)
        cache = list((self.case / "config" / "lumen").rglob("Version"))
        self.assertEqual(len(cache), 1, "one cached version for the one runtime")
        self.assertTrue(cache[0].read_bytes().startswith(b"S17"))
        self.assertEqual(self.run_launcher(launcher).returncode, 0)
        self.assertIn("got version from registry 17", self.log_text())

    # -- today's runtime rules -------------------------------------------------

    def recording_home(self):
        """The machine's JDK behind a home of its own whose bin/java records
        every start in starts.txt before it runs the real one."""
        home = self.case / "jdk"
        (home / "bin").mkdir(parents=True)
        for entry in JDK.iterdir():
            if entry.name != "bin":
                (home / entry.name).symlink_to(entry)
        starts = self.case / "starts.txt"
        java = home / "bin" / "java"
        java.write_text(f'#!/bin/sh\necho "$*" >> "{starts}"\nexec "{JDK}/bin/java" "$@"\n')
        java.chmod(0o755)
        return home, starts

    def test_release_file_answers_a_cache_miss_without_a_start(self):
        home, starts = self.recording_home()
        self.env["JAVA_HOME"] = str(home)
        version = next(line.split("=", 1)[1].strip('"') for line in
                       (JDK / "release").read_text().splitlines() if line.startswith("JAVA_VERSION="))
        result = self.run_launcher(self.launcher())
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"got version from release file {version}", self.log_text())
        self.assertFalse(starts.exists(), "the runtime was started for its version")
        source = list((self.case / "config" / "lumen").rglob("VersionSource"))
        self.assertEqual(len(source), 1)
        self.assertEqual(source[0].read_bytes()[:8], b"Srelease")

        # The classic rules ask the runtime itself.
        shutil.rmtree(self.case / "config" / "lumen")
        classic = self.launcher({30001: "0"}, name="classic")
        result = self.run_launcher(classic)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"got version from execution {version}", self.log_text())
        self.assertEqual(starts.read_text().splitlines(), ["-version"])

    def test_version_bounds_compare_as_numbers(self):
        # The machine's runtime is 17.0.x (x above 2), on either side of each bound.
        accepted, refused = 0, 83
        cases = [
            ("9", "", accepted), ("", "9", refused),
            ("17", "", accepted), ("", "17", accepted),
            ("11.0.2", "", accepted), ("", "11.0.2", refused),
            ("1.8", "", accepted), ("", "1.8", refused),
            ("1.8.0_301", "", accepted), ("", "1.8.0_301", refused),
            ("21", "", refused), ("", "21", accepted),
            ("25.0.3", "", refused), ("", "25.0.3", accepted),
            ("", "17.0.2", refused),
        ]
        # The classic byte-wise prefix rules on three of them.
        classic = [("9", "", refused), ("", "9", accepted), ("", "17.0.2", accepted)]
        for rules, extra, table in (("numeric", {}, cases), ("classic", {30001: "0"}, classic)):
            for index, (minimum, maximum, code) in enumerate(table):
                with self.subTest(rules=rules, minimum=minimum, maximum=maximum):
                    launcher = self.launcher({126: minimum, 127: maximum, **extra},
                                             name=f"{rules}{index}")
                    result = self.run_launcher(launcher)
                    self.assertEqual(result.returncode, code, result.stderr)


# The splash test's picture: four coloured quarters and a green square
# (a picture drawn upside down or mirrored puts them elsewhere).
BMP_SIZE = (240, 120)
BMP_POINTS = [(10, 10), (230, 10), (10, 110), (230, 110), (120, 60)]


def bmp_pixel(x, y):
    if 100 <= x < 140 and 40 <= y < 80:
        return (40, 200, 60)
    left, upper = x < BMP_SIZE[0] // 2, y < BMP_SIZE[1] // 2
    return {(True, True): (200, 40, 40), (False, True): (40, 60, 200),
            (True, False): (120, 40, 160), (False, False): (40, 160, 170)}[(left, upper)]


def write_test_bmp(path):
    width, height = BMP_SIZE
    stride = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in reversed(range(height)):  # bottom-up
        row = bytearray()
        for x in range(width):
            red, green, blue = bmp_pixel(x, y)
            row += bytes((blue, green, red))
        rows += row + bytes(stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(rows), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    Path(path).write_bytes(header + info + rows)


def screenshot_dir():
    if os.environ.get("LUMEN_UPDATE_SCREENSHOTS") == "1":
        return SOURCE_DIR / "docs"
    folder = BUILD_DIR / "screenshots" / "linux"
    folder.mkdir(parents=True, exist_ok=True)
    return folder


if __name__ == "__main__":
    unittest.main()
