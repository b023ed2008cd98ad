"""A launcher with the vendor's own resources, as Windows sees it: the
test program resource_reader.exe reads it with the calls Explorer and the
shell use (GetFileVersionInfoW / VerQueryValueW, ExtractIconExW,
LoadImageW, FindResourceW) and must find what the description said. The
signed launcher verifies and starts and carries its application user model
id into the process, and lumen-build.exe writes the same bytes under Wine
as lumen-build on Linux."""

import json
import shutil
import subprocess
import sys
import unittest

import wine_rig as rig
from test_signing import run_tool

sys.path.insert(0, str(rig.SOURCE_DIR / "tests" / "builder"))
from every_key import EVERY_KEY, EXPECTED_STRINGS, make_pictures  # noqa: E402

READER = rig.FIXTURES / "resource_reader.exe"
ICON_SIZES = (16, 32, 48, 256)


def middle_pixel(ico, index):
    """The middle pixel (0xRRGGBB) of one image of an .ico, by ImageMagick."""
    text = subprocess.run(["convert", f"{ico}[{index}]", "-format",
                           "%[fx:int(255*p{w/2,h/2}.r)] %[fx:int(255*p{w/2,h/2}.g)] "
                           "%[fx:int(255*p{w/2,h/2}.b)]", "info:"],
                          capture_output=True, text=True, check=True).stdout.split()
    red, green, blue = (int(v) for v in text)
    return red << 16 | green << 8 | blue


def channels(rgb):
    return rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF


def near(a, b, tolerance=8):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class VendorResources(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        make_pictures(cls.work)
        description = cls.work / "vendor.toml"
        # The stand-in runtime of the start test is found through JAVA_HOME.
        description.write_text(EVERY_KEY + '\n[properties]\n128 = "EJAVA_HOME;"\n',
                               encoding="utf-8")
        cls.description = description
        cls.launcher = cls.work / "vendor.exe"
        result = subprocess.run([str(rig.LUMEN_BUILD), str(description), "-o", str(cls.launcher),
                                 "--stub", str(rig.stub("gui"))], capture_output=True, text=True,
                                timeout=rig.RUN_TIMEOUT)
        assert result.returncode == 0, result.stderr

    def read(self, launcher):
        run = rig.run_wine(READER, [rig.windows_path(launcher), *map(str, ICON_SIZES)],
                           state=self.state)
        self.assertEqual(run.returncode, 0, run)
        return json.loads(run.stdout)

    def test_windows_reads_what_the_description_says(self):
        seen = self.read(self.launcher)
        version = seen["version"]
        self.assertEqual(version["strings"], EXPECTED_STRINGS)
        self.assertEqual(version["file_version"], [2, 5, 1, 0])
        self.assertEqual(version["product_version"], [2, 5, 0, 0])
        # The main icon group and the splash window's, both the vendor's.
        self.assertEqual(seen["icon_count"], 2)
        ico = self.work / "app.ico"
        for index, size in enumerate((256, 48, 32, 16)):
            with self.subTest(size=size):
                icon = seen["icons"][str(size)]
                self.assertIsNotNone(icon, "LoadImageW found no icon of that size")
                self.assertEqual((icon["width"], icon["height"]), (size, size))
                expected = channels(middle_pixel(ico, index))
                seen_pixel = channels(icon["middle"])
                # Wine 8 draws PNG-compressed icon images (the 256 one)
                # with red and blue swapped; Windows does not.
                if size == 256 and not near(seen_pixel, expected):
                    seen_pixel = seen_pixel[::-1]
                self.assertTrue(near(seen_pixel, expected), (icon, expected))
        self.assertIn('<requestedExecutionLevel level="highestAvailable"', seen["manifest"])
        self.assertIn("<longPathAware", seen["manifest"])
        self.assertEqual(seen["splash"], [320, 200])

    def test_signed_launcher_verifies_starts_and_carries_its_model_id(self):
        key, cert = self.work / "key.pem", self.work / "cert.pem"
        run_tool("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                 "-subj", "/CN=Lumen Vendor Signer", "-keyout", str(key), "-out", str(cert))
        signed = self.work / "vendor-signed.exe"
        run_tool("osslsigncode", "sign", "-certs", str(cert), "-key", str(key), "-n", "Vendor",
                 "-in", str(self.launcher), "-out", str(signed))
        run_tool("osslsigncode", "verify", "-in", str(signed), "-CAfile", str(cert))
        self.assertEqual(self.read(signed)["version"]["strings"], EXPECTED_STRINGS)

        runtime = rig.stand_in_runtime(self.work / "runtime")
        self.set_java_home(rig.windows_path(runtime))
        # Wine 8 keeps no application user model id (its shcore only traces
        # the call), so the trace shows what the launcher handed over.
        run = self.run_launcher(signed, ["-q"], debug="-all,fixme+shcore")
        self.assertEqual(run.returncode, 0, run)
        self.assertIn("CallStaticVoidMethodV com/example/Main.main",
                      rig.vm_record(runtime))
        self.assertIn('SetCurrentProcessExplicitAppUserModelID L"Vendor.App"', run.stderr)

    def test_windows_build_tool_writes_the_same_bytes(self):
        tool = rig.DIST_DIR / "bin" / "lumen-build.exe"
        if rig.ARCH != "x64":
            self.skipTest("lumen-build.exe is a 64-bit program; the x64 run compares it")
        # The sample as it stands in the tree, with the files it names.
        sample = self.work / "samples" / "hello"
        shutil.copytree(rig.SOURCE_DIR / "samples" / "hello", sample)
        demo = self.work / "build" / "demo"
        demo.mkdir(parents=True)
        (demo / "hello.jar").write_bytes(b"PK\x05\x06" + bytes(18))
        subprocess.run([sys.executable, str(rig.SOURCE_DIR / "samples" / "hello" / "make_icon.py"),
                        str(demo / "hello.ico")], check=True)
        for description in (sample / "launcher.toml", self.description):
            with self.subTest(description.name):
                # One file name: it is the version information's default.
                linux, windows = self.work / "linux" / "app.exe", self.work / "windows" / "app.exe"
                for path in (linux, windows):
                    path.parent.mkdir(exist_ok=True)
                    path.unlink(missing_ok=True)
                built = subprocess.run([str(rig.LUMEN_BUILD), str(description), "-o", str(linux)],
                                       capture_output=True, text=True, timeout=rig.RUN_TIMEOUT)
                self.assertEqual(built.returncode, 0, built.stderr)
                run = rig.run_wine(tool, [rig.windows_path(description), "-o",
                                          rig.windows_path(windows)], state=self.state,
                                   timeout=180)
                self.assertEqual(run.returncode, 0, run)
                self.assertEqual(windows.read_bytes(), linux.read_bytes())


if __name__ == "__main__":
    unittest.main()
