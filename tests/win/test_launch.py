"""Quiet launches end to end: real launchers built by lumen-build find a
stand-in runtime through JAVA_HOME whose jvm.dll records every JNI call, so
the option list, the argument array, the first-run rules and the exit codes
of each outcome can be checked exactly."""

import os
import struct
import unittest
from pathlib import Path

import wine_rig as rig

MESSAGES = {
    1005: "The JVM could not be started",
    1006: "Missing: %FILE_NAME%",
    1007: "Unmatched quote",
    1009: "Internal error %ERROR_CODE%",
    1010: "No entry class",
    1011: "No entry method",
}


windows_path = rig.windows_path
# The entry class prepares the run; the launcher then calls the application's main.
PREPARE_CALL = "CallStaticObjectMethodV com/lumen/runtime/WinLauncher.prepare"
MAIN_CALL = "CallStaticVoidMethodV com/example/Main.main"


class LaunchTestCase(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.counter = 0

    def setUp(self):
        type(self).counter += 1
        self.case = self.work / f"case{self.counter}"
        self.runtime = rig.stand_in_runtime(self.case / "runtime")
        self.files = self.case / "files"
        self.files.mkdir()
        (self.files / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
        self.set_java_home(windows_path(self.runtime))

    def control(self, text):
        rig.vm_control(self.runtime, text)

    def record(self):
        return rig.vm_record(self.runtime)

    def launcher(self, properties=None, files=None, name="app"):
        narrow = {122: "com.example.Main", 128: "EJAVA_HOME;", 2001: "e", **MESSAGES}
        narrow.update(properties or {})
        if files is None:
            files = [{"path": self.files / "app.jar"}]
        return rig.build_launcher(self.case, name, narrow, {20013: "App"}, files)

    def launch(self, exe, args=("-q",)):
        return self.run_launcher(exe, list(args))

    def options(self):
        return [line[len("option "):] for line in self.record() if line.startswith("option ")]

    def main_arguments(self):
        """The entry class's arguments (the array prepare receives)."""
        record = self.record()
        return [line.split(" ", 2)[2] if line.count(" ") >= 2 else ""
                for line in record[:record.index(PREPARE_CALL)]
                if line.startswith("SetObjectArrayElement ")]

    def application_arguments(self):
        """The array the application's main receives."""
        record = self.record()
        return [line.split(" ", 2)[2] if line.count(" ") >= 2 else ""
                for line in record[record.index(PREPARE_CALL):record.index(MAIN_CALL)]
                if line.startswith("SetObjectArrayElement ")]


class OptionsAndArguments(LaunchTestCase):
    def test_option_list_in_its_fixed_order(self):
        lib = self.case / "lib"
        lib.mkdir()
        (lib / "b.jar").write_bytes(b"x")
        exe = self.launcher({
            121: "A0lib\\missing.jar;S1lib;E0CLASSES_VAR;D0${LUMEN_EXEDIR}classes;",
            123: "-Xmx64m '-Dspaced=a b'",
            125: "1",
        })
        (self.case / "app.vmoptions").write_bytes(b"-Dfrom.file=1\r\n\r\n# kept as it is\r\n  \r\n-Dlast")
        os.environ["CLASSES_VAR"] = '"c:\\extra\\x.jar"'
        try:
            run = self.launch(exe, ["-q", "-J-Dfrom.command=2", "user arg"])
        finally:
            del os.environ["CLASSES_VAR"]
        self.assertEqual(run.returncode, 0, run)
        options = self.options()
        # The launcher names itself by its short, lower-case path.
        module = options[1].split("=", 1)[1]
        self.assertTrue(options[1].startswith("-Dlumen.moduleName=z:\\") and module.endswith("\\app.exe"), options)
        self.assertEqual(module, module.lower())
        case_dir = module[:-len("\\app.exe")]
        self.assertEqual(options[0], "-Dlumen.semaphoreName=" + module.replace("\\", "_"))
        self.assertRegex(options[2], r"^-Dlumen\.processCommFile=.*\\lmx_p\d+\.tmp$")
        self.assertRegex(options[3], r"^-Dlumen\.tempDir=.*\\lmx[0-9a-f]{32}_dir$")
        temp_dir = options[3].split("=", 1)[1]
        self.assertEqual(options[4:9], ["-Dfrom.file=1", "", "# kept as it is", "  ", "-Dlast"])
        self.assertEqual(options[9], "-Djava.class.path=" + ";".join([
            temp_dir + "\\app.jar", temp_dir + "\\lumen-runtime.jar",
            case_dir + "\\lib\\missing.jar", case_dir + "\\lib\\b.jar",
            "c:\\extra\\x.jar", case_dir + "\\classes"]))
        # The application's name and arguments, as the standard launcher gives them;
        # last, the hook through which System.exit lets the launcher clean up.
        self.assertEqual(options[10:], ["-Xmx64m", "-Dspaced=a b", "-Dfrom.command=2",
                                        "-Dsun.java.command=com.example.Main -q user arg",
                                        "exit (extraInfo set)"])
        self.assertIn("JNI_CreateJavaVM version=0x10002 options=15 ignoreUnrecognized=1", self.record())
        # -J arguments became VM options and are left out of main's arguments.
        self.assertEqual(self.main_arguments()[6:], ["-q", "user arg"])

    def test_arguments_reach_main_in_utf16(self):
        exe = self.launcher({107: "2", 124: "--fixed 'two words'", 102: "1", 103: "logs\\err.txt"})
        run = self.launch(exe, ["-q", "\u65e5\u672c\u8a9e", "caf\u00e9", ""])
        self.assertEqual(run.returncode, 0, run)
        arguments = self.main_arguments()
        self.assertEqual(arguments[0], "false")
        self.assertEqual(arguments[1], "com.example.Main")
        self.assertRegex(arguments[2], r"^z:\\.*\\case\d+\\logs\\err\.txt$")
        self.assertEqual(arguments[3:5], ["", "false"])
        self.assertTrue(arguments[5].endswith("app.exe"), arguments)
        self.assertEqual(arguments[6:], ["--fixed", "two words", "-q", "\u65e5\u672c\u8a9e", "caf\u00e9", ""])
        self.assertEqual(self.application_arguments(), arguments[6:])
        # In the ANSI code page, as java.exe gets its arguments: what it cannot
        # carry becomes "?".
        self.assertIn("-Dsun.java.command=com.example.Main --fixed two words -q ??? caf\u00e9 ",
                      self.options())
        record = self.record()
        self.assertIn("GetStaticMethodID com/example/Main main ([Ljava/lang/String;)V", record)
        self.assertLess(record.index(PREPARE_CALL), record.index(MAIN_CALL))
        self.assertLess(record.index(MAIN_CALL), record.index("DestroyJavaVM"))

    def test_unmatched_quote_stops_before_the_jvm(self):
        exe = self.launcher({124: "don't"})
        run = self.launch(exe)
        self.assert_fatal_report(run, "Unmatched quote")
        self.assertNotIn(MAIN_CALL, self.record())


class WorkingDirectory(LaunchTestCase):
    def recorded_cwd(self):
        return next(line[len("cwd "):] for line in self.record() if line.startswith("cwd "))

    def test_the_jvm_runs_where_the_user_expects_unless_the_block_says_otherwise(self):
        start = self.case / "start"
        (self.case / "work").mkdir()
        start.mkdir()
        plain = self.launcher()
        configured = self.launcher({146: "work"}, name="configured")
        former = self.launcher({30009: "1"}, name="former")
        entry = rig.read_layout(plain).narrow_entry(30009)
        older = rig.write_damaged(plain, self.case / "older.exe",
                                  patches=[(entry.id_at, struct.pack("<i", 30999))])
        temp = "temp"
        # The configured directory comes in the launcher's own (short) path form.
        cases = [(plain, windows_path(start)), (configured, "work"),
                 (former, temp), (older, temp)]
        for exe, expected in cases:
            with self.subTest(launcher=exe.name):
                (rig.vm_dir(self.runtime) / "jvm_record.txt").unlink(missing_ok=True)
                run = self.run_launcher(exe, ["-q"], cwd=start)
                self.assertEqual(run.returncode, 0, run)
                temp_dir = next(o for o in self.options() if o.startswith("-Dlumen.tempDir="))
                # The empty element after a final ";" is the JVM's current
                # directory: on the class path only when that is the temp one.
                class_path = next(o for o in self.options() if o.startswith("-Djava.class.path="))
                self.assertEqual(class_path.endswith(";"), expected == temp, class_path)
                if expected == temp:
                    expected = temp_dir.split("=", 1)[1]
                recorded = self.recorded_cwd().rstrip("\\").lower()
                if expected == "work":
                    self.assertTrue(recorded.startswith("z:\\tmp\\"), recorded)
                    self.assertTrue(recorded.endswith(f"\\{self.case.name}\\work"), recorded)
                else:
                    self.assertEqual(recorded, expected.lower())


class FirstRun(LaunchTestCase):
    def installer(self, marker):
        app = self.case / "app-dir"
        (app / ".tessel").mkdir(parents=True)
        if marker:
            (app / ".tessel" / "firstrun").write_text("")
        return self.launcher({2001: "i", 10003: windows_path(app)})

    def test_without_marker_main_is_called_directly(self):
        run = self.launch(self.installer(marker=False))
        self.assertEqual(run.returncode, 0, run)
        self.assertIn("option -Dlumen.isTessel=true", self.record())
        self.assertNotIn("FindClass com/tessel/runtime/FirstRun", self.record())
        self.assertIn(MAIN_CALL, self.record())

    def test_marker_runs_the_hook_and_false_stops_in_order(self):
        exe = self.installer(marker=True)
        self.control("firstrun=false\n")
        run = self.launch(exe)
        self.assertEqual(run.returncode, 0, run)
        record = self.record()
        self.assertIn("GetStaticMethodID com/tessel/runtime/FirstRun firstRun ()Z", record)
        self.assertNotIn(MAIN_CALL, record)
        self.assertEqual(record[-1], "DestroyJavaVM")
        self.assertIn("checkFirstRun stopped further execution", rig.log_lines(self.only_log()))

    def test_missing_hook_is_internal_error_14(self):
        exe = self.installer(marker=True)
        self.control("missing_class=com/tessel/runtime/FirstRun\n")
        self.assert_fatal_report(self.launch(exe), "Internal error 14")


class Outcomes(LaunchTestCase):
    def test_each_outcome_has_its_exit_code_and_message(self):
        cases = [
            ("create=fail\n", "The JVM could not be started"),
            ("missing_class=com/lumen/runtime/WinLauncher\n", "No entry class"),
            ("missing_method=main\n", "No entry method"),
        ]
        exe = self.launcher()
        for control, message in cases:
            with self.subTest(control=control.strip()):
                (rig.vm_dir(self.runtime) / "jvm_record.txt").unlink(missing_ok=True)
                self.control(control)
                run = self.launch(exe)
                self.assert_fatal_report(run, message)
                self.assertNotIn("DestroyJavaVM", self.record())

    def test_exception_from_main_is_described_then_reported(self):
        self.control("throw=main\nthrown=java/lang/IllegalStateException\n")
        exe = self.launcher()
        # A block from before the application's own message: 1005 stands in.
        entry = rig.read_layout(exe).narrow_entry(30010)
        older = rig.write_damaged(exe, self.case / "older.exe",
                                  patches=[(entry.id_at, struct.pack("<i", 30999))])
        for launcher, message in ((exe, "The application ended with an error."),
                                  (older, "The JVM could not be started")):
            with self.subTest(message=message):
                run = self.launch(launcher)
                self.assertEqual(run.returncode, 1, run)
                first, _, report = run.stderr.partition("\n")
                self.assertIn("Exception in thread", first)
                self.assertEqual(rig.parse_report(report)[0], message)
                log = self.assert_log_named(rig.parse_report(report)[1])
                self.assertIn("main ended with java.lang.IllegalStateException", log)
                self.assertNotIn("Could not start JVM", log)
                record = self.record()
                self.assertIn("ExceptionDescribe", record)
                self.assertNotIn("DestroyJavaVM", record)

    def test_entry_class_without_prepare_calls_main_itself(self):
        self.control("missing_method=prepare\n")
        run = self.launch(self.launcher(), ["-q", "x"])
        self.assertEqual(run.returncode, 0, run)
        record = self.record()
        self.assertIn("CallStaticVoidMethodV com/lumen/runtime/WinLauncher.main", record)
        self.assertNotIn(MAIN_CALL, record)
        self.assertIn("main arguments 8", record)

    def test_application_exit_code_is_the_process_exit_code(self):
        self.control("exit=7\n")
        run = self.launch(self.launcher())
        self.assertEqual(run.returncode, 7, run)

    def test_no_runtime_in_quiet_mode_is_83(self):
        self.set_java_home(windows_path(self.case / "nowhere"))
        run = self.launch(self.launcher())
        self.assertEqual(run.returncode, 83, run)
        self.assertEqual(run.stdout.strip(), "no jre found")

    def test_refused_included_name_writes_nothing(self):
        exe = self.launcher(files=[{"path": self.files / "app.jar", "name": "abc.jar"}])
        layout = rig.read_layout(exe)
        names = layout.narrow_entry(2003)
        damaged = rig.write_damaged(exe, self.case / "evil.exe",
                                    patches=[(names.text_at, b"..\\..\\x")])
        run = self.launch(damaged)
        log = self.assert_fatal_report(run, "Internal error 11")
        self.assertNotIn("Temp dir:", log)
        self.assertFalse((self.case / "x").exists())


if __name__ == "__main__":
    unittest.main()


class RuntimeDiscovery(LaunchTestCase):
    """The search cases once more, through real launchers."""

    def stand_in(self, name, version):
        return rig.stand_in_runtime(self.case / name, version)

    def launched_from(self, home):
        return bool(rig.vm_record(home))

    def test_version_cache_spares_the_second_launch_a_run(self):
        exe = self.launcher()
        self.assertEqual(self.launch(exe).returncode, 0)
        self.assertEqual(self.launch(exe).returncode, 0)
        runs = (self.runtime / "bin" / "java.log").read_text().splitlines()
        self.assertEqual(len(runs), 1, runs)
        self.assertIn("got version from registry 1.8.0_202", rig.log_lines(self.only_log()))

    def test_bundled_entry_out_of_range_is_the_last_resort(self):
        old = self.stand_in("bundled", "1.4.2")
        exe = self.launcher({126: "1.8", 128: f"A{windows_path(old)};B{windows_path(old)};"})
        run = self.launch(exe)
        self.assertEqual(run.returncode, 0, run)
        self.assertTrue(self.launched_from(old))
        lines = rig.log_lines(self.only_log())
        self.assertIn("Testing bundle location " + windows_path(old), lines)

    def test_registry_runtime_through_the_y_entry(self):
        home = self.stand_in("registered", "1.8.0_202")
        # Written where this architecture's launcher reads (WOW6432Node for x86).
        key = rf"HKLM\{rig.SOFTWARE_KEY}\JavaSoft\Java Runtime Environment"
        try:
            for args in (["add", key, "/v", "CurrentVersion", "/d", "1.8", "/f"],
                         ["add", key + r"\1.8", "/v", "JavaHome", "/d", windows_path(home), "/f"]):
                rig.run_wine("reg", args, state=self.state)
            run = self.launch(self.launcher({128: "Y;"}))
            self.assertEqual(run.returncode, 0, run)
            self.assertTrue(self.launched_from(home))
        finally:
            rig.wine_reg_delete(r"HKLM\SOFTWARE\JavaSoft", self.state)
