"""Launchers written by lumen-build with every resource key, read back by
independent readers: Debian's python3-pefile and icoutils' wrestool. Bad
resource inputs end with exit code 2, a message naming the description,
the key and the file, and no output."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree
from pathlib import Path

import pefile

from every_key import EVERY_KEY, EXPECTED_STRINGS, make_pictures

SOURCE = Path(os.environ["LUMEN_SOURCE_DIR"])
DIST = Path(os.environ["LUMEN_DIST_DIR"])
LUMEN_BUILD = DIST / "bin" / "lumen-build"
STUBS = ("lumen-x86.exe", "lumen-x64.exe")
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"

def run(*args, **kwargs):
    return subprocess.run([str(a) for a in args], capture_output=True, timeout=120, **kwargs)


def build(description, output, stub):
    return run(LUMEN_BUILD, description, "-o", output, "--stub", DIST / "stub" / stub)


def ico_images(data):
    """The images of an .ico file, in its order."""
    _, kind, count = struct.unpack_from("<HHH", data)
    assert kind == 1, "not an icon"
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset:offset + size])
    return images


def resource(pe, type_id, name):
    """The bytes of one resource (first language) by type and id or name."""
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != type_id:
            continue
        for entry in kind.directory.entries:
            if entry.id == name or (entry.name is not None and str(entry.name) == name):
                data = entry.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def version_strings(pe):
    strings = {}
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                strings.update({k.decode(): v.decode("utf-8") for k, v in table.entries.items()})
    return strings


def translations(pe):
    return [var.entry for info in pe.FileInfo[0] if info.Key == b"VarFileInfo"
            for var in info.Var]


class EveryKey(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="lumen-resources-"))
        make_pictures(cls.work)
        (cls.work / "app.toml").write_text(EVERY_KEY, encoding="utf-8")
        cls.launchers = {}
        for stub in STUBS:
            output = cls.work / stub.replace("lumen", "vendor")
            result = build(cls.work / "app.toml", output, stub)
            assert result.returncode == 0, result.stderr.decode()
            cls.launchers[stub] = output

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, ignore_errors=True)

    def each(self):
        return [(stub, path, pefile.PE(str(path))) for stub, path in self.launchers.items()]

    def test_version_information(self):
        for stub, _, pe in self.each():
            with self.subTest(stub):
                self.assertEqual(version_strings(pe), EXPECTED_STRINGS)
                fixed = pe.VS_FIXEDFILEINFO[0]
                self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS), (0x20005, 0x10000))
                self.assertEqual((fixed.ProductVersionMS, fixed.ProductVersionLS), (0x20005, 0))
                self.assertEqual(translations(pe), [{b"Translation": "0x0409 0x04b0"}])

    def test_headers_and_checksum(self):
        for stub, path, pe in self.each():
            with self.subTest(stub):
                self.assertEqual(pe.OPTIONAL_HEADER.CheckSum, pe.generate_checksum())
                last = pe.sections[-1]
                self.assertEqual(last.Name.rstrip(b"\0"), b".rsrc")
                directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[2]
                self.assertEqual((directory.VirtualAddress, directory.Size),
                                 (last.VirtualAddress, last.Misc_VirtualSize))
                alignment = pe.OPTIONAL_HEADER.SectionAlignment
                end = last.VirtualAddress + last.Misc_VirtualSize
                self.assertEqual(pe.OPTIONAL_HEADER.SizeOfImage, -(-end // alignment) * alignment)
                self.assertEqual(last.SizeOfRawData % pe.OPTIONAL_HEADER.FileAlignment, 0)
                self.assertLess(last.PointerToRawData + last.SizeOfRawData, path.stat().st_size,
                                "the block follows the section")

    def test_manifest(self):
        for stub, _, pe in self.each():
            with self.subTest(stub):
                root = ElementTree.fromstring(resource(pe, 24, 1))
                self.assertEqual(root.tag, ASM_V1 + "assembly")
                identity = root.find(ASM_V1 + "assemblyIdentity")
                self.assertEqual((identity.get("name"), identity.get("version")),
                                 ("Vendorpp", "2.5.1.0"))
                level = root.find(f".//{ASM_V3}requestedExecutionLevel")
                self.assertEqual(level.get("level"), "highestAvailable")
                texts = {element.tag.split("}")[1]: element.text for element in root.iter()
                         if element.tag.endswith(("dpiAware", "dpiAwareness", "longPathAware"))}
                self.assertEqual(texts, {"dpiAware": "true", "dpiAwareness": "System",
                                         "longPathAware": "true"})
                controls = [e.get("name") for e in root.iter(ASM_V1 + "assemblyIdentity")]
                self.assertIn("Microsoft.Windows.Common-Controls", controls)
                compatibility = "{urn:schemas-microsoft-com:compatibility.v1}"
                self.assertEqual(len(root.findall(f".//{compatibility}supportedOS")), 5)

    def test_icons_and_bitmap_with_wrestool(self):
        expected = ico_images((self.work / "app.ico").read_bytes())
        for stub, path, _ in self.each():
            with self.subTest(stub):
                listing = run("wrestool", "-l", path).stdout.decode()
                self.assertIn("--type=2 --name=10000 ", listing)
                self.assertEqual(listing.count("type=icon "), len(expected), listing)
                for group in ("MAINICO", "ID_SPLASH_ICON"):
                    extracted = run("wrestool", "-x", "--type=14", f"--name={group}", path)
                    self.assertEqual(extracted.returncode, 0, extracted.stderr)
                    self.assertEqual(ico_images(extracted.stdout), expected, group)

    def test_splash_bitmap(self):
        for stub, _, pe in self.each():
            with self.subTest(stub):
                header = struct.unpack_from("<IiiHHI", resource(pe, 2, 10000))
                self.assertEqual(header, (40, 320, 200, 1, 24, 0))
                self.assertEqual(len(resource(pe, 2, 10000)), 40 + 320 * 3 * 200)

    def test_vendor_manifest_is_kept_as_written(self):
        manifest = (b'<?xml version="1.0" encoding="UTF-8"?>\n<assembly '
                    b'xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">'
                    b'<!-- the vendor\'s own --></assembly>\n')
        (self.work / "vendor.manifest").write_bytes(manifest)
        (self.work / "own.toml").write_text(
            '[launcher]\ninclude-runtime-jar = false\nmain-class = "M"\n'
            '[manifest]\nfile = "vendor.manifest"\n')
        output = self.work / "own.exe"
        result = build(self.work / "own.toml", output, "lumen-x64.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        pe = pefile.PE(str(output))
        self.assertEqual(resource(pe, 24, 1), manifest)
        self.assertEqual(version_strings(pe)["OriginalFilename"], "own.exe")

    def test_bad_inputs_write_nothing(self):
        work = self.work
        (work / "not-xml.manifest").write_text("<assembly>")
        (work / "text.ico").write_text("not an icon")
        bmp = subprocess.run(["convert", "-size", "40x30", "xc:red", "-type", "truecolor",
                              "BMP3:-"], capture_output=True, check=True).stdout
        (work / "cut.bmp").write_bytes(bmp[:-50])
        subprocess.run(["convert", "-size", "1030x20", "xc:red", work / "wide.png"], check=True)
        cases = [
            ('[resources]\nicon = "text.ico"', "resources.icon", "text.ico", "not an icon"),
            ('[splash]\nimage = "cut.bmp"', "splash.image", "cut.bmp", "truncated BMP"),
            ('[splash]\nimage = "wide.png"', "splash.image", "wide.png", "at most 1024 x 768"),
            ('[version]\nfile-version = "1.2.3.4.5"', "version.file-version", "1.2.3.4.5",
             "more than four parts"),
            ('[version]\nproduct-version = "1.two"', "version.product-version", "1.two",
             "not a version"),
            ('[manifest]\nfile = "not-xml.manifest"', "manifest.file", "not-xml.manifest",
             "not well-formed XML"),
        ]
        for index, (toml, key, named, reason) in enumerate(cases):
            with self.subTest(key=key, file=named):
                description = work / f"bad{index}.toml"
                description.write_text("[launcher]\ninclude-runtime-jar = false\n" + toml + "\n")
                output = work / f"bad{index}.exe"
                result = build(description, output, "lumen-x86.exe")
                message = result.stderr.decode()
                self.assertEqual(result.returncode, 2, message)
                for part in (str(description), key, named, reason):
                    self.assertIn(part, message)
                self.assertFalse(output.exists())
                self.assertEqual(list(work.glob(".lumen-build-*")), [])


class Sample(unittest.TestCase):
    """samples/hello carries its own icon and version information."""

    def test_sample_launcher(self):
        with tempfile.TemporaryDirectory(prefix="lumen-sample-") as scratch:
            # The description names ../../build/demo/ for what `make demo`
            # builds; a copy of the tree gives it those files here.
            root = Path(scratch)
            sample = root / "samples" / "hello"
            shutil.copytree(SOURCE / "samples" / "hello", sample)
            demo = root / "build" / "demo"
            demo.mkdir(parents=True)
            (demo / "hello.jar").write_bytes(b"PK\5\6" + bytes(18))
            subprocess.run([sys.executable, SOURCE / "samples" / "hello" / "make_icon.py",
                            demo / "hello.ico"], check=True)
            output = root / "hello.exe"
            result = run(LUMEN_BUILD, sample / "launcher.toml", "-o", output)
            self.assertEqual(result.returncode, 0, result.stderr)
            pe = pefile.PE(str(output))
            strings = version_strings(pe)
            self.assertEqual((strings["ProductName"], strings["CompanyName"]),
                             ("Hello", "Example Ltd"))
            extracted = run("wrestool", "-x", "--type=14", "--name=MAINICO", output).stdout
            self.assertEqual(ico_images(extracted), ico_images((demo / "hello.ico").read_bytes()))
            self.assertEqual(len(ico_images(extracted)), 5)


if __name__ == "__main__":
    unittest.main()
