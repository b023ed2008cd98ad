"""Today's Java runtimes through real launchers: stand-in runtimes laid out
as their installers lay them out (a home with `release`, bin\\java.exe,
bin\\javaw.exe, bin\\javac.exe for a kit and bin\\server\\jvm.dll, registered
under the keys each vendor's installer writes, per machine or per user) are
found through JAVA_HOME, PATH and every key family; the highest suitable
one wins; a runtime of the other architecture is skipped; the release file
answers the version without a start of java.exe (every start of the
stand-in is appended to bin\\java.log). Launchers built with
`modern-runtimes` off keep the classic rules."""

import shutil
from pathlib import Path

import wine_rig as rig

windows_path = rig.windows_path
# The launcher calls the application's main itself once the entry class has prepared the run.
MAIN_CALL = "CallStaticVoidMethodV com/example/Main.main"
OS_ARCH = {"x64": "x86_64", "x86": "x86"}
OTHER_ARCH = "x86" if rig.IS_64_BIT else "x64"
OTHER_FIXTURES = rig.SOURCE_DIR / "build" / ("win32" if rig.IS_64_BIT else "win64") / "fixtures"
CLASSIC = {30001: "0"}

# Where this architecture's launcher reads per-machine keys, and per-user ones.
HKLM = "HKEY_LOCAL_MACHINE\\" + rig.SOFTWARE_KEY
HKCU = "HKEY_CURRENT_USER\\SOFTWARE"
# Every vendor key a test may write, removed before and after each test.
VENDOR_KEYS = ("JavaSoft", "Eclipse Adoptium", "Eclipse Foundation", "AdoptOpenJDK",
               "Microsoft\\JDK", "Semeru", "Azul Systems", "BellSoft")


def modern_runtime(home, version, release=True, line=None, arch=rig.ARCH, kit=True):
    """A runtime home as today's installers leave it. java.exe answers
    `line` (by default `openjdk version "<version>" ...`); the release file
    names the version (a pre-release such as 22-ea the way jlink writes it)
    and the architecture; jvm.dll is the recording VM built for arch."""
    home = Path(home)
    server = home / "bin" / "server"
    server.mkdir(parents=True)
    for exe in ("java.exe", "javaw.exe") + (("javac.exe",) if kit else ()):
        shutil.copy(rig.FIXTURES / "java.exe", home / "bin" / exe)
    text = line if line is not None else f'openjdk version "{version}" 2023-10-17'
    (home / "bin" / "java.cfg").write_bytes(f"line={text}\r\n".encode())
    fixtures = rig.FIXTURES if arch == rig.ARCH else OTHER_FIXTURES
    shutil.copy(fixtures / "jvm_recording.dll", server / "jvm.dll")
    if release:
        number = version.split("-")[0]
        (home / "release").write_text(
            'IMPLEMENTOR="Stand-in"\n'
            f'JAVA_RUNTIME_VERSION="{version}+9"\n'
            f'JAVA_VERSION="{number}"\n'
            f'OS_ARCH="{OS_ARCH[arch]}"\n')
    return home


def launched(home):
    record = Path(home) / "bin" / "server" / "jvm_record.txt"
    return record.exists() and MAIN_CALL in record.read_text(encoding="utf-8")


def starts(home):
    """The command lines the runtime's java.exe was started with."""
    log = Path(home) / "bin" / "java.log"
    return log.read_text().splitlines() if log.exists() else []


def _reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


class RuntimeTestCase(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.counter = 0
        if not (OTHER_FIXTURES / "jvm_recording.dll").exists():
            raise RuntimeError(f"{OTHER_FIXTURES} is missing: run `make dist` first")

    def setUp(self):
        rig.reset_launcher_state(self.state)
        type(self).counter += 1
        self.case = self.work / f"case{self.counter}"
        self.case.mkdir()
        (self.case / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
        self.set_java_home(None)
        self.remove_vendor_keys()
        self.addCleanup(self.remove_vendor_keys)

    def import_registry(self, lines):
        """Imports REGEDIT4 lines with Wine's reg (one process for all)."""
        path = self.case / f"keys{len(list(self.case.glob('keys*.reg')))}.reg"
        path.write_text("REGEDIT4\r\n\r\n" + "\r\n".join(lines) + "\r\n", encoding="ascii")
        run = rig.run_wine("reg", ["import", windows_path(path)], state=self.state)
        self.assertEqual(run.returncode, 0, run)

    def remove_vendor_keys(self):
        self.import_registry([f"[-{root}\\{key}]" for root in (HKLM, HKCU) for key in VENDOR_KEYS])

    def register(self, root, key, value, home, parent_values=()):
        """One runtime's key as its installer writes it: the home in value
        of root\\key, and (name, data) values on the family key above."""
        lines = [f"[{root}\\{key}]", f"{_reg_string(value)}={_reg_string(windows_path(home))}"]
        for parent, name, data in parent_values:
            lines += [f"[{root}\\{parent}]", f"{_reg_string(name)}={_reg_string(data)}"]
        self.import_registry(lines)

    def launcher(self, properties=None, name="app"):
        narrow = {122: "com.example.Main", 128: "Y;", 2001: "e", 1001: "No runtime"}
        narrow.update(properties or {})
        return rig.build_launcher(self.case, name, narrow, {20013: "App"},
                                  [{"path": self.case / "app.jar"}])

    def launch(self, exe, env=None):
        return self.run_launcher(exe, ["-q"], env=env)

    def assert_launched(self, run, home):
        self.assertEqual(run.returncode, 0, run)
        self.assertTrue(launched(home), f"not started from {home}: {self.only_log()}")

    def assert_no_runtime(self, run):
        self.assertEqual(run.returncode, 83, run)
        self.assertEqual(run.stdout.strip(), "no jre found")


class VersionSources(RuntimeTestCase):
    def test_java_home_runtime_answers_from_its_release_file(self):
        home = modern_runtime(self.case / "temurin-17", "17.0.9")
        self.set_java_home(windows_path(home))
        exe = self.launcher({128: "EJAVA_HOME;", 126: "11", 127: "21"})
        self.assert_launched(self.launch(exe), home)
        self.assertIn("got version from release file 17.0.9", rig.log_lines(self.only_log()))
        cache = rig.run_wine("reg", ["query", f"HKCU\\{rig.LAUNCHER_KEY}\\jvms", "/s"],
                             state=self.state).stdout
        self.assertRegex(cache, r"VersionSource\s+REG_SZ\s+release")

        self.assert_launched(self.launch(exe), home)
        self.assertIn("got version from registry 17.0.9", rig.log_lines(self.only_log()))
        self.assertEqual(starts(home), [], "the runtime was never started")

    def test_openjdk_line_on_the_path_without_a_release_file(self):
        home = modern_runtime(self.case / "zip-jdk", "17.0.9", release=False)
        path = {"WINEPATH": windows_path(home / "bin")}
        modern = self.launcher({128: "S;"})
        self.assert_launched(self.launch(modern, path), home)
        self.assertIn("got version from execution 17.0.9", rig.log_lines(self.only_log()))
        self.assertEqual(len(starts(home)), 1)

        # What a launcher with the classic rules makes of the same runtime.
        rig.reset_launcher_state(self.state)
        classic = self.launcher({128: "S;", **CLASSIC}, name="classic")
        self.assert_no_runtime(self.launch(classic, path))
        self.assertIn("couldn't get version", rig.log_lines(self.only_log()))

    def test_release_file_out_of_range_refuses_without_a_start(self):
        home = modern_runtime(self.case / "jdk-11", "11.0.2")
        self.set_java_home(windows_path(home))
        self.assert_no_runtime(self.launch(self.launcher({128: "EJAVA_HOME;", 126: "17"})))
        self.assertIn("got version from release file 11.0.2", rig.log_lines(self.only_log()))
        self.assertEqual(starts(home), [])

    def test_a_kit_is_known_by_javac(self):
        home = modern_runtime(self.case / "jdk-21", "21.0.1")
        self.set_java_home(windows_path(home))
        self.assert_launched(self.launch(self.launcher({128: "EJAVA_HOME;", 131: "1"})), home)
        rig.reset_launcher_state(self.state)
        classic = self.launcher({128: "EJAVA_HOME;", 131: "1", **CLASSIC}, name="classic")
        self.assert_no_runtime(self.launch(classic))


class KeyFamilies(RuntimeTestCase):
    # One runtime per key family: (vendor, root, key of the runtime, home
    # value, its version, values on the family key), sub-keys named as the
    # installers name them, per machine and per user in turn.
    FAMILIES = [
        ("Java 8 JRE", HKLM, r"JavaSoft\Java Runtime Environment\1.8.0_301", "JavaHome",
         "1.8.0_301", [(r"JavaSoft\Java Runtime Environment", "CurrentVersion", "1.8")]),
        ("Java 8 JDK", HKLM, r"JavaSoft\Java Development Kit\1.8", "JavaHome", "1.8.0_202", []),
        ("JRE 9+, per user", HKCU, r"JavaSoft\JRE\11", "JavaHome", "11.0.2", []),
        ("Oracle JDK", HKLM, r"JavaSoft\JDK\17.0.9", "JavaHome", "17.0.9",
         [(r"JavaSoft\JDK", "CurrentVersion", "17.0.9")]),
        ("Temurin", HKLM, r"Eclipse Adoptium\JDK\17.0.9.9\hotspot\MSI", "Path", "17.0.9", []),
        ("Temurin JRE, per user", HKCU, r"Eclipse Adoptium\JRE\21.0.1.12\hotspot\MSI", "Path",
         "21.0.1", []),
        ("Eclipse Foundation", HKLM, r"Eclipse Foundation\JDK\16.0.2.7\hotspot\MSI", "Path",
         "16.0.2", []),
        ("Eclipse Foundation JRE, per user", HKCU,
         r"Eclipse Foundation\JRE\16.0.2.7\hotspot\MSI", "Path", "16.0.2", []),
        ("AdoptOpenJDK", HKLM, r"AdoptOpenJDK\JDK\11.0.9.11\hotspot\MSI", "Path", "11.0.9", []),
        ("AdoptOpenJDK JRE, per user", HKCU, r"AdoptOpenJDK\JRE\11.0.9.11\hotspot\MSI", "Path",
         "11.0.9", []),
        ("AdoptOpenJDK OpenJ9, per user", HKCU, r"AdoptOpenJDK\JDK\11.0.9.11\openj9\MSI",
         "Path", "11.0.9", []),
        ("AdoptOpenJDK OpenJ9 JRE", HKLM, r"AdoptOpenJDK\JRE\11.0.9.11\openj9\MSI", "Path",
         "11.0.9", []),
        ("Microsoft", HKLM, r"Microsoft\JDK\17.0.9.8\hotspot\MSI", "Path", "17.0.9", []),
        ("Semeru, per user", HKCU, r"Semeru\JDK\17.0.9.9\openj9\MSI", "Path", "17.0.9", []),
        ("Semeru JRE", HKLM, r"Semeru\JRE\17.0.9.9\openj9\MSI", "Path", "17.0.9", []),
        ("Zulu", HKLM, r"Azul Systems\Zulu\zulu-21", "InstallationPath", "21.0.1", []),
        ("Liberica, per user", HKCU, r"BellSoft\Liberica\jdk-17", "InstallationPath", "17.0.9",
         []),
        ("Liberica JRE", HKLM, r"BellSoft\Liberica\jre-17", "InstallationPath", "17.0.9", []),
    ]

    def test_each_family_is_found_through_the_y_entry(self):
        exe = self.launcher({126: "1.8"})
        for index, (vendor, root, key, value, version, parents) in enumerate(self.FAMILIES):
            with self.subTest(vendor=vendor):
                self.remove_vendor_keys()
                home = modern_runtime(self.case / f"runtime{index}", version)
                self.register(root, key, value, home, parents)
                self.assert_launched(self.launch(exe), home)
                self.assertEqual(starts(home), [])

    def test_classic_rules_read_only_the_keys_of_java_8_and_older(self):
        home = modern_runtime(self.case / "jdk-17", "17.0.9")
        self.register(HKLM, r"JavaSoft\JDK\17.0.9", "JavaHome", home)
        self.assert_no_runtime(self.launch(self.launcher(CLASSIC)))

    def test_the_highest_suitable_version_wins_across_families_and_roots(self):
        runtimes = {
            "javasoft": (HKLM, r"JavaSoft\JDK\17.0.9", "JavaHome", "17.0.9"),
            "zulu": (HKCU, r"Azul Systems\Zulu\zulu-21", "InstallationPath", "21.0.1"),
            # Registered as 21.0.5, but its release file says 25.0.3.
            "mislabelled": (HKLM, r"Eclipse Adoptium\JDK\21.0.5.11\hotspot\MSI", "Path", "25.0.3"),
            # A pre-release, refused unless allowed.
            "early": (HKLM, r"Microsoft\JDK\22.0.0.36\hotspot\MSI", "Path", "22-ea"),
            "old": (HKCU, r"BellSoft\Liberica\jdk-11", "InstallationPath", "11.0.2"),
        }
        homes = {}
        for name, (root, key, value, version) in runtimes.items():
            homes[name] = modern_runtime(self.case / name, version)
            self.register(root, key, value, homes[name])
        run = self.launch(self.launcher({126: "11", 127: "22"}))
        self.assert_launched(run, homes["zulu"])
        lines = rig.log_lines(self.only_log())
        for version in ("17.0.9", "21.0.1", "25.0.3", "22-ea", "11.0.2"):
            self.assertIn(f"got version from release file {version}", lines)
        for name, home in homes.items():
            self.assertEqual(starts(home), [], name)
            if name != "zulu":
                self.assertFalse(launched(home), name)


class Architecture(RuntimeTestCase):
    def test_a_runtime_of_the_other_architecture_is_skipped_for_the_next(self):
        for label, extra in (("modern", {}), ("classic", CLASSIC)):
            with self.subTest(rules=label):
                rig.reset_launcher_state(self.state)
                foreign = modern_runtime(self.case / f"foreign-{label}", "17.0.9",
                                         arch=OTHER_ARCH)
                native = modern_runtime(self.case / f"native-{label}", "1.8.0_202",
                                        release=False, line='java version "1.8.0_202"')
                self.set_java_home(windows_path(foreign))
                exe = self.launcher({128: "EJAVA_HOME;S;", **extra}, name=label)
                run = self.launch(exe, {"WINEPATH": windows_path(native / "bin")})
                self.assert_launched(run, native)
                skip = (f"\\foreign-{label}\\bin\\server\\jvm.dll: {OTHER_ARCH} runtime, "
                        f"{rig.ARCH} launcher")
                self.assertTrue(
                    any(line.startswith("Skipping ") and line.endswith(skip)
                        for line in rig.log_lines(self.only_log())), self.only_log())
                self.assertEqual(starts(foreign), [])
                self.assertFalse(launched(foreign))


if __name__ == "__main__":
    import unittest
    unittest.main()
