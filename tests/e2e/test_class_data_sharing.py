"""Class-data sharing end to end: Linux launchers built by lumen-build with
`class-data-sharing = "auto"` start a probe application in Debian's
OpenJDK 17. What the JVM did with the archive is read from its own class
loading log (JAVA_TOOL_OPTIONS=-Xlog:class+load, which the launcher does
not see, so the archive's key stays the same): a class taken from the
archive is logged as "source: shared objects file (top)". Each case has its
own cache ($XDG_CACHE_HOME), temporary directory and per-user store."""

import os
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from e2e_case import WorkFolderCase

SOURCE_DIR = Path(os.environ.get("LUMEN_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DIST_DIR = Path(os.environ.get("LUMEN_DIST_DIR", SOURCE_DIR / "dist"))
LUMEN_BUILD = DIST_DIR / "bin" / "lumen-build"
STUB = DIST_DIR / "stub" / "lumen-linux-x64"
RUNTIME_JAR = DIST_DIR / "java" / "lumen-runtime.jar"
JDK = Path(os.environ.get("LUMEN_TEST_JDK", "/usr/lib/jvm/java-17-openjdk-amd64"))
# A runtime of 19 or later, where the JVM keeps the archive itself; the
# case that needs one is skipped without it (Debian 12 has none).
NEWER_JDK = Path(os.environ.get("LUMEN_NEWER_JDK", "/usr/lib/jvm/temurin-25-jdk-amd64"))
APP_SOURCES = Path(__file__).resolve().parent / "app"
RUN_TIMEOUT = 120
SHARED = "probe.Probe source: shared objects file (top)"
ENTRY_SHARED = "com.lumen.runtime.WinLauncher source: shared objects file (top)"


def damaged(kind, good):
    """An archive damaged as disks, crashes and other runtimes damage them."""
    if kind == "truncated":
        return good[:4096]
    if kind == "zeros":
        return bytes(len(good))
    if kind == "garbage":
        return os.urandom(len(good))
    if kind == "middle flipped":  # the header intact, its regions not
        middle = bytearray(good)
        for at in range(len(good) // 2, len(good) // 2 + 4096):
            middle[at] ^= 0x5A
        return bytes(middle)
    if kind == "other runtime version":
        # The header names the VM that wrote it ("17.0.x+y..."): the same
        # archive as another build of the runtime would have written it.
        header = bytearray(good)
        at = header.find(b"17.0.")
        assert 0 <= at < 8192, "the JVM's version is not in the archive's header"
        header[at:at + 5] = b"18.0."
        return bytes(header)
    raise ValueError(kind)


class ClassDataSharingTest(WorkFolderCase):
    @classmethod
    def setUpClass(cls):
        for needed in (LUMEN_BUILD, STUB, RUNTIME_JAR, JDK / "bin" / "javac"):
            if not needed.exists():
                raise RuntimeError(f"{needed} is missing (run make dist)")
        cls.make_work("lumen-cds-")
        classes = cls.work / "classes"
        classes.mkdir()
        subprocess.run([str(JDK / "bin" / "javac"), "-nowarn", "--release", "8", "-Xlint:-options",
                        "-cp", str(RUNTIME_JAR), "-d", str(classes),
                        str(APP_SOURCES / "probe" / "Probe.java")], check=True, capture_output=True)
        cls.probe_jar = cls.work / "probe.jar"
        subprocess.run([str(JDK / "bin" / "jar"), "--create", "--file", str(cls.probe_jar),
                        "-C", str(classes), "."], check=True, capture_output=True)

    def setUp(self):
        self.make_case("tmp", "config", "home", "cache")
        self.env = {
            "PATH": "/usr/bin:/bin",
            "HOME": str(self.case / "home"),
            "TMPDIR": str(self.case / "tmp"),
            "XDG_CONFIG_HOME": str(self.case / "config"),
            "XDG_CACHE_HOME": str(self.case / "cache"),
            "JAVA_HOME": str(JDK),
            "LANG": "C.UTF-8",
        }
        self.cds = self.case / "cache" / "lumen" / "cds"

    def launcher(self, sharing='"auto"', vm_options=None, name="app", class_path=None):
        lines = [f'files = [{{ path = "{self.probe_jar}" }}]', "[launcher]",
                 'main-class = "probe.Probe"', 'type = "console"',
                 'search-sequence = ["EJAVA_HOME"]']
        if sharing is not None:
            lines.append(f"class-data-sharing = {sharing}")
        if vm_options is not None:
            lines.append(f'vm-options = "{vm_options}"')
        if class_path is not None:
            lines.append(f'class-path = ["{class_path}"]')
        description = self.case / f"{name}.toml"
        description.write_text("\n".join(lines) + "\n", encoding="utf-8")
        output = self.case / name
        built = subprocess.run([str(LUMEN_BUILD), str(description), "-o", str(output),
                                "--stub", str(STUB)], capture_output=True, text=True)
        self.assertEqual(built.returncode, 0, built.stderr)
        return output

    def run_launcher(self, launcher, args=(), trace=True, wrapper=(), env=None):
        environment = dict(self.env, **(env or {}))
        if trace:
            environment["JAVA_TOOL_OPTIONS"] = "-Xlog:class+load"
        return subprocess.run([*wrapper, str(launcher), *args], capture_output=True, text=True,
                              env=environment, cwd=self.case, timeout=RUN_TIMEOUT)

    def assertStartedNormally(self, result, exit_code=0):
        self.assertEqual(result.returncode, exit_code, result.stdout[-2000:] + result.stderr)
        self.assertIn("prop:lumen.tempDir=", result.stdout)
        self.assertNotIn("[warning]", result.stdout + result.stderr)
        self.assertNotIn("[error]", result.stdout + result.stderr)

    def archives(self):
        return sorted(self.cds.glob("*.jsa")) if self.cds.exists() else []

    def class_path(self, result):
        for line in result.stdout.splitlines():
            if line.startswith("prop:java.class.path="):
                return line.split("=", 1)[1]
        return ""

    # -- the cases ------------------------------------------------------------

    def test_archive_written_by_one_start_is_mapped_by_the_next(self):
        app = self.launcher()
        first = self.run_launcher(app)
        self.assertStartedNormally(first)
        self.assertNotIn(SHARED, first.stdout)
        archives = self.archives()
        self.assertEqual(len(archives), 1, list(self.cds.iterdir()))
        key = archives[0].name[:-len(".jsa")]
        self.assertEqual(list(self.cds.glob("*.tmp")), [], "the temporary archive was renamed")
        # The JVM sees the unpacked jars as copies that stay where they are.
        copies = self.cds / f"{key}.cp"
        self.assertEqual(sorted(p.name for p in copies.iterdir()),
                         ["lumen-runtime.jar", "probe.jar"])
        self.assertEqual(set(self.class_path(first).split(":")) - {""},
                         {str(copies / "probe.jar"), str(copies / "lumen-runtime.jar")})

        for _ in range(2):
            later = self.run_launcher(app, ["second"])
            self.assertStartedNormally(later)
            self.assertIn(SHARED, later.stdout)
            self.assertIn(ENTRY_SHARED, later.stdout)
            self.assertIn("arg[0]=second", later.stdout)
        self.assertEqual(self.archives(), archives, "no second archive for the same launcher")

        # A rebuilt launcher (other content) gets an archive of its own.
        rebuilt = self.launcher(vm_options="-Dprobe.option=rebuilt")
        again = self.run_launcher(rebuilt)
        self.assertStartedNormally(again)
        self.assertNotIn(SHARED, again.stdout)
        self.assertEqual(len(self.archives()), 2)

    def test_system_exit_writes_the_archive_too(self):
        app = self.launcher()
        first = self.run_launcher(app, ["exit7"])
        self.assertStartedNormally(first, exit_code=7)
        self.assertEqual(len(self.archives()), 1)
        self.assertEqual(list(self.cds.glob("*.tmp")), [])
        second = self.run_launcher(app, ["exit7"])
        self.assertStartedNormally(second, exit_code=7)
        self.assertIn(SHARED, second.stdout)

    def test_damaged_or_foreign_archive_starts_the_application_normally(self):
        app = self.launcher()
        self.assertStartedNormally(self.run_launcher(app, trace=False))
        [archive] = self.archives()
        good = archive.read_bytes()
        kinds = ["truncated", "zeros", "garbage", "middle flipped", "other runtime version"]
        for kind in kinds:
            with self.subTest(kind=kind):
                archive.chmod(0o644)
                archive.write_bytes(damaged(kind, good))
                result = self.run_launcher(app)
                self.assertStartedNormally(result)
                self.assertNotIn(SHARED, result.stdout)
                # Not mapped, the archive is written anew and mapped again.
                self.assertIn(SHARED, self.run_launcher(app).stdout)
        # An archive written by a runtime of another feature version.
        if (NEWER_JDK / "bin" / "java").exists():
            foreign = self.case / "foreign.jsa"
            subprocess.run([str(NEWER_JDK / "bin" / "java"), f"-XX:ArchiveClassesAtExit={foreign}",
                            "-Xlog:cds*=off", "-cp", str(self.probe_jar), "probe.Probe"],
                           check=True, capture_output=True, timeout=RUN_TIMEOUT)
            archive.write_bytes(foreign.read_bytes())
            result = self.run_launcher(app)
            self.assertStartedNormally(result)
            self.assertNotIn(SHARED, result.stdout)

    def test_read_only_cache_starts_the_application_normally(self):
        app = self.launcher()
        if os.geteuid() == 0:
            if shutil.which("unshare") is None:
                self.skipTest("root without unshare: no read-only directory to be had")

            def read_only(directory):
                # Root writes through permissions: a read-only mount it is.
                return ["unshare", "-m", "sh", "-c",
                        f'mount --bind -o ro "{directory}" "{directory}" && exec "$0" "$@"']
        else:
            def read_only(directory):
                directory.chmod(0o555)
                return []

        # No archive yet and none can be written: the application starts.
        cache = self.case / "cache"
        result = self.run_launcher(app, wrapper=read_only(cache))
        self.assertStartedNormally(result)
        cache.chmod(0o755)
        self.assertEqual(self.archives(), [])

        # An archive written before is still mapped from a read-only cache.
        self.assertStartedNormally(self.run_launcher(app, trace=False))
        self.assertEqual(len(self.archives()), 1)
        result = self.run_launcher(app, wrapper=read_only(self.cds))
        self.cds.chmod(0o755)
        self.assertStartedNormally(result)
        self.assertIn(SHARED, result.stdout)

    def test_cache_stays_within_its_bound(self):
        self.cds.mkdir(parents=True)
        now = time.time()
        # Ten keys of other launchers, key i last used i hours ago; one of
        # them has its class-path copies; a file that is not the cache's.
        for i in range(10):
            key = f"{i:016x}"
            path = self.cds / f"{key}.jsa"
            path.write_bytes(b"x" * 1000)
            os.utime(path, (now - 3600 * (i + 1), now - 3600 * (i + 1)))
            if i == 9:
                copies = self.cds / f"{key}.cp"
                copies.mkdir()
                (copies / "a.jar").write_bytes(b"PK")
                for old in (copies / "a.jar", copies):
                    os.utime(old, (now - 3600 * 10, now - 3600 * 10))
        (self.cds / "notes.txt").write_text("not ours")
        app = self.launcher()
        self.assertStartedNormally(self.run_launcher(app, trace=False))
        keys = {p.name.split(".")[0] for p in self.cds.iterdir() if p.name != "notes.txt"}
        self.assertEqual(len(keys), 8, sorted(keys))
        # The new key and the seven most recently used others stay.
        others = {f"{i:016x}" for i in range(10)}
        self.assertEqual(keys & others, {f"{i:016x}" for i in range(7)})
        self.assertEqual(len(keys - others), 1)
        self.assertFalse((self.cds / f"{9:016x}.cp").exists())
        self.assertTrue((self.cds / "notes.txt").exists())

        # Bytes count too: a 2 GiB archive (sparse) of another launcher,
        # used just now, is over the bound with the one in use and goes.
        huge = self.cds / f"{0xfff:016x}.jsa"
        with open(huge, "wb") as out:
            out.truncate(2 * 1024 ** 3)
        for archive in self.archives():
            if archive != huge:
                archive.unlink()  # this launcher's own: the next start writes anew
        self.assertStartedNormally(self.run_launcher(app, trace=False))
        self.assertFalse(huge.exists())

    def test_off_absent_or_steered_by_the_options_leaves_the_cache_alone(self):
        cases = {
            "absent": dict(sharing=None),
            "off": dict(sharing='"off"'),
            "the VM options turn sharing off": dict(vm_options="-Xshare:off"),
            "the VM options name their own archive": dict(
                vm_options=f"-XX:SharedArchiveFile={self.case / 'own.jsa'}"),
            # The JVM refuses to write an archive with a non-empty directory
            # on the class path, and ends the process when asked to.
            "a directory on the class path": dict(class_path=f"D1{self.case / 'home'}"),
        }
        (self.case / "home" / "resource.txt").write_text("x")
        for what, settings in cases.items():
            with self.subTest(what):
                app = self.launcher(name="plain", **settings)
                for _ in range(2):
                    result = self.run_launcher(app)
                    self.assertStartedNormally(result)
                    self.assertNotIn(SHARED, result.stdout)
                self.assertEqual(self.archives(), [])

    def test_runtime_that_keeps_its_archive_itself(self):
        if not (NEWER_JDK / "bin" / "java").exists():
            self.skipTest(f"no runtime of 19 or later at {NEWER_JDK}")
        app = self.launcher()
        env = {"JAVA_HOME": str(NEWER_JDK)}
        self.assertStartedNormally(self.run_launcher(app, env=env))
        self.assertEqual(len(self.archives()), 1)
        result = self.run_launcher(app, env=env)
        self.assertStartedNormally(result)
        self.assertIn(SHARED, result.stdout)
        # Damaged, the JVM writes it anew and the start after maps it again.
        [archive] = self.archives()
        archive.chmod(0o644)
        archive.write_bytes(damaged("garbage", archive.read_bytes()))
        self.assertStartedNormally(self.run_launcher(app, env=env))
        self.assertIn(SHARED, self.run_launcher(app, env=env).stdout)


if __name__ == "__main__":
    unittest.main()
