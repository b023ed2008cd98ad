"""The real lumen-build against descriptions and stubs a launcher could not
work with: each is refused with exit code 2, a message naming the file,
the line and the key (or the stub), and no output; raw ids the launcher
would not read only warn. Every stub of `make dist`, stripped as shipped,
is recognised by the marker it carries."""

import os
import subprocess
import tempfile
import unittest
from pathlib import Path

DIST = Path(os.environ["LUMEN_DIST_DIR"])
LUMEN_BUILD = DIST / "bin" / "lumen-build"
STUBS = ("lumen-x64.exe", "lumen-console-x64.exe", "lumen-x86.exe", "lumen-console-x86.exe",
         "lumen-linux-x64")
MINIMAL = 'files = [{ path = "app.jar" }]\n[launcher]\nmain-class = "org.acme.Greeter"\n'

# Description lines after `files = [...]` and `[launcher]`, the line the
# message names and the key.
REFUSED = [
    ("", 2, "launcher.main-class"),
    ('main-class = "org/acme/Greeter.class"\n', 3, "launcher.main-class"),
    ('main-class = "org.acme.Greeter"\nmin-java-version = "abc"\n', 4,
     "launcher.min-java-version"),
    ('main-class = "org.acme.Greeter"\nmax-java-version = "11"\nmin-java-version = "17"\n', 5,
     "launcher.min-java-version"),
    ('main-class = "org.acme.Greeter"\nclass-path = ["A1app.jar",\n  "lib/x.jar"]\n', 5,
     "launcher.class-path"),
    ('main-class = "org.acme.Greeter"\nsearch-sequence = "Y;XJAVA_HOME"\n', 4,
     "launcher.search-sequence"),
]


class Refusals(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory(prefix="lumen-refusals-")
        self.addCleanup(scratch.cleanup)
        self.work = Path(scratch.name)
        (self.work / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))

    def build(self, text, output, stub=None):
        description = self.work / "app.toml"
        description.write_text(text, encoding="utf-8")
        command = [str(LUMEN_BUILD), str(description), "-o", str(output)]
        if stub is not None:
            command += ["--stub", str(stub)]
        return subprocess.run(command, capture_output=True, text=True, timeout=120)

    def assert_refused(self, result, output, *parts):
        self.assertEqual(result.returncode, 2, result.stderr)
        for part in parts:
            self.assertIn(part, result.stderr)
        self.assertFalse(output.exists())
        self.assertEqual(list(self.work.glob(".lumen-build-*")), [], "a temporary file stayed")

    def test_descriptions_a_launcher_could_not_work_with(self):
        for index, (lines, line, key) in enumerate(REFUSED):
            with self.subTest(key=key, lines=lines):
                output = self.work / f"refused{index}"
                result = self.build('files = [{ path = "app.jar" }]\n[launcher]\n' + lines,
                                    output, DIST / "stub" / "lumen-linux-x64")
                self.assert_refused(result, output, f"app.toml:{line}: {key}: ")

    def test_only_lumen_stubs_are_taken(self):
        (self.work / "notes.txt").write_text("not a program\n")
        for stub in (Path("/bin/ls"), LUMEN_BUILD, self.work / "notes.txt"):
            with self.subTest(stub=stub):
                output = self.work / "refused"
                self.assert_refused(self.build(MINIMAL, output, stub), output, str(stub))
        for stub in STUBS:
            with self.subTest(stub=stub):
                output = self.work / stub.replace("lumen", "greeter")
                result = self.build(MINIMAL, output, DIST / "stub" / stub)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual(result.stderr, "")
                self.assertTrue(output.exists())
                # A launcher built before can serve as the stub again.
                again = self.work / ("again-" + output.name)
                self.assertEqual(self.build(MINIMAL, again, output).returncode, 0)

    def test_raw_ids_the_launcher_does_not_know_warn(self):
        output = self.work / "warned"
        result = self.build(MINIMAL + '[properties]\n99999 = "x"\n', output,
                            DIST / "stub" / "lumen-linux-x64")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("app.toml:5: properties.99999: warning: ", result.stderr)
        self.assertTrue(output.exists())


if __name__ == "__main__":
    unittest.main()
