"""A runtime shipped as "jre.tar.gz" among the included files, through real
quiet launchers: archives are made from stand-in runtime trees with the
machine's tar and gzip, unpacked into "jre" in the extraction directory,
loaded from there (or, when unusable, replaced by the search), and every
way an archive can be damaged ends with the "corrupted" report."""

import gzip
import io
import re
import shutil
import subprocess
import tarfile
import unittest
from pathlib import Path

import wine_rig as rig

FIXTURES = rig.FIXTURES
CORRUPTED = ("The bundled JRE is corrupted. If you downloaded the setup file please "
             "download it again.")
UNUSABLE = "Could not use bundled JRE. Please send this log file to your software vendor:"
TEMP_DIR_LINE = re.compile(r"^Temp dir: (.*)$", re.M)


windows_path = rig.windows_path


def runtime_tree(root, vm=True, packed=False):
    """A stand-in runtime: java.exe answering 1.8.0_202, the recording VM
    library (unless vm is false), and for a packed runtime unpack200.exe
    with two packed jars."""
    rig.stand_in_runtime(root, vm=vm)
    (root / "lib").mkdir()
    if packed:
        shutil.copy(FIXTURES / "unpack200.exe", root / "bin" / "unpack200.exe")
        (root / "lib" / "rt.jar.pack").write_bytes(b"rt")
        (root / "lib" / "jsse.jar.pack").write_bytes(b"jsse")
    return root


def tar_gz(tree, archive, compress=True):
    """The tree as GNU tar writes it (names start with "./"), gzipped."""
    plain = archive.with_suffix(".plain")
    subprocess.run(["tar", "cf", str(plain), "-C", str(tree), "."], check=True)
    if compress:
        with open(archive, "wb") as out:
            subprocess.run(["gzip", "-c", str(plain)], stdout=out, check=True)
        plain.unlink()
    else:
        plain.rename(archive)
    return archive


class ArchiveTestCase(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.counter = 0

    def setUp(self):
        type(self).counter += 1
        self.case = self.work / f"case{self.counter}"
        self.case.mkdir()
        self.app_jar = self.case / "app.jar"
        self.app_jar.write_bytes(b"PK\x05\x06" + bytes(18))
        # Nothing to fall back on unless a test provides it.
        self.set_java_home(windows_path(self.case / "nowhere"))

    def launch_with(self, archive, properties=None):
        narrow = {122: "com.example.Main", 128: "EJAVA_HOME;", 2001: "e", 1005: "No JVM"}
        narrow.update(properties or {})
        files = [{"path": self.app_jar}, {"path": archive, "name": "jre.tar.gz"}]
        exe = rig.build_launcher(self.case, "app", narrow, {20013: "App"}, files)
        return self.run_launcher(exe, ["-q"])

    def extraction_dir(self, log):
        match = TEMP_DIR_LINE.search(log)
        self.assertIsNotNone(match, log)
        return rig.unix_path_of_log(match.group(1), self.state)

    def assert_corrupted(self, run, *log_lines):
        log = self.assert_fatal_report(run, CORRUPTED)
        lines = rig.log_lines(log)
        for line in (*log_lines, "ERROR: untaring JRE was unsuccessful", "ERROR: Could not untar JRE"):
            self.assertIn(line, lines, log)
        self.assertNotIn("Loading of JVM-DLL successful", lines)
        return log


class ShippedRuntime(ArchiveTestCase):
    def test_archive_is_unpacked_loaded_and_deleted(self):
        archive = tar_gz(runtime_tree(self.case / "tree"), self.case / "runtime.tgz")
        run = self.launch_with(archive, {151: str(20 * 1024)})
        self.assertEqual(run.returncode, 0, run)
        log = self.only_log()
        lines = rig.log_lines(log)
        for line in ("JRE included", "extracting JRE", "untaring JRE was successful",
                     "Loading of JVM-DLL successful"):
            self.assertIn(line, lines, log)
        self.assertIn(f"extracting .\\bin\\{rig.VM_SUBDIR}\\jvm.dll (size "
                      f"{(FIXTURES / 'jvm_recording.dll').stat().st_size})", lines)
        self.assertNotIn("Could not load bundled JRE", log)
        self.assertLess(lines.index("untaring JRE was successful"),
                        lines.index("Loading of JVM-DLL successful"))
        jre_dir = next(line for line in lines if line.startswith("JRE dir: "))
        self.assertTrue(jre_dir.lower().endswith("\\jre"), jre_dir)
        directory = self.extraction_dir(log)
        self.assertTrue((directory / "jre" / "bin" / "java.exe").exists(), directory)
        self.assertFalse((directory / "jre.tar.gz").exists())
        # The VM library of the unpacked runtime was the one called.
        self.assertIn("JNI_CreateJavaVM version=0x10002", self._record(directory))

    def _record(self, directory):
        return "\n".join(rig.vm_record(directory / "jre"))

    def test_plain_tar_under_the_archive_name_is_used_as_it_stands(self):
        archive = tar_gz(runtime_tree(self.case / "tree"), self.case / "runtime.tar", compress=False)
        run = self.launch_with(archive)
        self.assertEqual(run.returncode, 0, run)
        self.assertIn("untaring JRE was successful", rig.log_lines(self.only_log()))

    def test_packed_jars_are_restored_by_the_runtimes_unpack200(self):
        archive = tar_gz(runtime_tree(self.case / "tree", packed=True), self.case / "runtime.tgz")
        run = self.launch_with(archive, {153: "1"})
        self.assertEqual(run.returncode, 0, run)
        log = self.only_log()
        lines = rig.log_lines(log)
        self.assertIn("JRE is packed", lines)
        self.assertIn("Unpacking JRE done", lines)
        self.assertLess(lines.index("Unpacking JRE done"), lines.index("Loading of JVM-DLL successful"))
        self.assertEqual(sum(1 for line in lines if line == "unpack done"), 2, log)
        self.assertIn("Preparing JRE ...", run.stdout)

    def test_unusable_runtime_falls_back_to_the_search(self):
        installed = runtime_tree(self.case / "installed")
        self.set_java_home(windows_path(installed))
        archive = tar_gz(runtime_tree(self.case / "tree", vm=False), self.case / "runtime.tgz")
        run = self.launch_with(archive)
        self.assertEqual(run.returncode, 0, run)
        lines = rig.log_lines(self.only_log())
        self.assertIn("ERROR: Could not load bundled JRE. Trying to find another JRE.", lines)
        self.assertTrue(rig.vm_record(installed))

    def test_unusable_runtime_and_no_other_is_reported(self):
        archive = tar_gz(runtime_tree(self.case / "tree", vm=False), self.case / "runtime.tgz")
        log = self.assert_fatal_report(self.launch_with(archive), UNUSABLE)
        self.assertIn("ERROR: Could not find another JRE.", rig.log_lines(log))


class DamagedArchives(ArchiveTestCase):
    def good_archive(self):
        return tar_gz(runtime_tree(self.case / "tree"), self.case / "runtime.tgz")

    def test_truncated_gzip(self):
        data = self.good_archive().read_bytes()
        cut = self.case / "cut.tgz"
        cut.write_bytes(data[:len(data) - 6])  # most of the trailer gone
        self.assert_corrupted(self.launch_with(cut))

    def test_crc_mismatch(self):
        data = bytearray(self.good_archive().read_bytes())
        data[-8] ^= 0xFF
        damaged = self.case / "crc.tgz"
        damaged.write_bytes(bytes(data))
        # zlib reports the failed check on the read that reaches the
        # trailer: the last file's copy or the final check fails.
        log = self.assert_corrupted(self.launch_with(damaged))
        self.assertRegex(log, r"ERROR: (damaged gz-file: |sizes don't match: )")

    def test_path_traversal_writes_nothing_outside(self):
        tree = runtime_tree(self.case / "tree")
        evil = self.case / "evil.tar"
        subprocess.run(["tar", "cf", str(evil), "-C", str(tree), "bin"], check=True)
        outside = self.case / "outside"
        outside.mkdir()
        (outside / "escaped.txt").write_text("evil")
        # --transform names the member as the attacker wants; -P keeps ".."
        subprocess.run(["tar", "rf", str(evil), "-P", "-C", str(outside),
                        "--transform", "s,^,../../,", "escaped.txt"], check=True)
        archive = self.case / "evil.tgz"
        archive.write_bytes(gzip.compress(evil.read_bytes()))
        log = self.assert_corrupted(self.launch_with(archive))
        self.assertIn("refusing entry outside the target: ..\\..\\escaped.txt", log)
        extraction = self.extraction_dir(log)
        self.assertFalse((extraction.parent / "escaped.txt").exists())
        self.assertFalse((extraction / "escaped.txt").exists())

    def test_only_directories(self):
        tree = self.case / "dirs"
        rig.vm_dir(tree).mkdir(parents=True)
        self.assert_corrupted(self.launch_with(tar_gz(tree, self.case / "dirs.tgz")),
                              "ERROR: no magic number")

    def test_not_an_archive(self):
        junk = self.case / "junk.tgz"
        junk.write_bytes(gzip.compress(b"this is not a tar archive\n" * 100))
        self.assert_corrupted(self.launch_with(junk), "ERROR: no magic number")

    def test_file_whose_directory_was_not_created(self):
        tree = runtime_tree(self.case / "tree")
        archive = self.case / "nodir.tar"
        # Members only, no directory entries.
        subprocess.run(["tar", "cf", str(archive), "-C", str(tree), "--no-recursion",
                        "bin/java.exe"], check=True)
        gz = self.case / "nodir.tgz"
        gz.write_bytes(gzip.compress(archive.read_bytes()))
        run = self.launch_with(gz)
        # The text ends with its own line end (CR LF on the console).
        log = self.assert_fatal_report(run, "Could not open file bin\\java.exe\r\n")
        self.assertIn("ERROR: Could not open file bin\\java.exe", log)


def deep_file(root, length, content):
    """A file below root whose path relative to root is exactly `length`
    bytes, in components of at most 100 bytes (each longer than the ustar
    name field allows on its own once joined)."""
    parts = []
    remaining = length
    while remaining > 101:
        parts.append(("d%d" % len(parts)).ljust(100, "x"))
        remaining -= 101
    parts.append(("f%d" % length).ljust(remaining, "y"))
    path = root.joinpath(*parts)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(content)
    assert len("/".join(parts)) == length
    return "/".join(parts)


class LongNamesAndLinks(ArchiveTestCase):
    """Archives written by GNU tar in its own and in the pax format, through
    real launchers: full names whatever their length, NUL-type files, and
    the names and links the reader must refuse."""

    def deep_runtime(self, tree):
        runtime_tree(tree)
        return {length: deep_file(tree, length, f"{length} bytes of path\n".encode())
                for length in (150, 255, 400)}

    def test_long_paths_unpack_under_their_full_names_in_gnu_and_pax_formats(self):
        for tar_format in ("gnu", "pax"):
            with self.subTest(tar_format):
                tree = self.case / f"tree-{tar_format}"
                names = self.deep_runtime(tree)
                plain = self.case / f"{tar_format}.tar"
                subprocess.run(["tar", "cf", str(plain), f"--format={tar_format}", "-C", str(tree),
                                "."], check=True)
                if tar_format == "gnu":
                    # A pre-POSIX regular file: type NUL rather than "0".
                    with tarfile.open(plain, "a", format=tarfile.GNU_FORMAT) as archive:
                        member = tarfile.TarInfo("./old-type.txt")
                        member.type = tarfile.AREGTYPE
                        data = b"written as a regular file\n"
                        member.size = len(data)
                        archive.addfile(member, io.BytesIO(data))
                archive = self.case / f"{tar_format}.tgz"
                archive.write_bytes(gzip.compress(plain.read_bytes()))
                run = self.launch_with(archive)
                self.assertEqual(run.returncode, 0, run)
                log = self.only_log()
                jre = self.extraction_dir(log) / "jre"
                for length, name in names.items():
                    self.assertEqual((jre / name).read_bytes(), (tree / name).read_bytes(), length)
                if tar_format == "gnu":
                    self.assertEqual((jre / "old-type.txt").read_bytes(),
                                     b"written as a regular file\n")
                self.assertIn("Loading of JVM-DLL successful", rig.log_lines(log))

    def test_name_longer_than_the_reader_takes_writes_nothing(self):
        tree = self.case / "tree"
        name = deep_file(tree, 1100, b"too deep\n")
        plain = self.case / "long.tar"
        # The one member alone, without its directories.
        subprocess.run(["tar", "cf", str(plain), "--format=pax", "--no-recursion", "-C", str(tree),
                        name], check=True)
        archive = self.case / "long.tgz"
        archive.write_bytes(gzip.compress(plain.read_bytes()))
        log = self.assert_corrupted(self.launch_with(archive))
        self.assertIn("ERROR: refusing over-long name", log)
        jre = self.extraction_dir(log) / "jre"
        self.assertEqual(list(jre.iterdir()), [], "something was written")

    def test_link_leaving_the_runtime_is_refused(self):
        tree = runtime_tree(self.case / "tree")
        (tree / "bin" / "escape").symlink_to("../../x")
        outside = self.case / "x"
        log = self.assert_corrupted(self.launch_with(tar_gz(tree, self.case / "link.tgz")))
        self.assertRegex(log, r"ERROR: refusing link outside the target: \S*escape -> \.\./\.\./x")
        extraction = self.extraction_dir(log)
        self.assertFalse((extraction / "x").exists())
        self.assertFalse((extraction.parent / "x").exists())
        self.assertFalse(outside.exists())


if __name__ == "__main__":
    unittest.main()
