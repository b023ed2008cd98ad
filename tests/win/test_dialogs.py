"""The dialog start-up of real launchers on the Xvfb display: the progress
dialog, the window-wait thread, the runtime-not-found dialog with the pick
of a java.exe, and manual runtime selection. A test driver (a Wine program
in the same prefix) reads the windows' texts and states and clicks their
buttons; the runtime is a stand-in whose jvm.dll records what the launcher
asks of it, and whose `main` can watch the progress bar or open a window.

The screenshots for the README (docs/progress-dialog.png and
docs/runtime-not-found.png, the latter from a launcher whose description
gives only a main class and one jar) are taken here; nothing reads them. They go to
the build tree, and into docs/ only when LUMEN_UPDATE_SCREENSHOTS=1, so that
a test run never changes the source tree."""

import gzip
import hashlib
import io
import struct
import subprocess
import sys
import tarfile
import time
import unittest
from pathlib import Path

import http_fixture_server
import wine_rig as rig

DOCS = rig.screenshot_dir()
NARROW = {
    107: "1",
    122: "com.example.Main",
    126: "1.8",
    127: "17",
    128: "EJAVA_HOME;",
    1000: "Hello Setup",
    1001: "No suitable Java runtime is installed.",
    1005: "The Java VM could not be started.",
    2001: "e",
}
WIDE = {
    20003: "Error downloading the Java(TM) Runtime Environment.",
    20004: "Locate java.exe",
    20005: "Hello Setup needs a Java runtime from version %S up to %S.\n"
           "Download one now, or locate an installed java.exe.",
    20006: "Hello Setup needs a Java runtime from version %S up to %S.\n"
           "Locate an installed java.exe.",
    20007: "Hello Setup is being prepared \u2026",
    20010: "Download",
    20011: "Locate",
    20012: "Cancel",
    20013: "Hello Setup \u00e9l\u00e8ve",
    20014: "The application did not start.",
    20015: "An earlier setup did not finish. Choose a Java runtime yourself?",
    20016: "The installation file is damaged.",
}
# The launcher calls the application's main itself once the entry class has prepared the run.
MAIN_CALL = "CallStaticVoidMethodV com/example/Main.main"
# The tile colour of the sample's icon (samples/hello/make_icon.py).
SAMPLE_ICON_TILE = (46, 139, 87)


def count_near(png, colour, left_part, tolerance=40):
    """How many pixels of the picture's left left_part columns lie within
    tolerance of colour (ImageMagick reads the picture)."""
    text = subprocess.run(["convert", str(png), "-crop", f"{left_part}x10000+0+0", "+repage",
                           "-depth", "8", "txt:-"], capture_output=True, text=True,
                          check=True).stdout
    count = 0
    for line in text.splitlines()[1:]:
        values = line.split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        pixel = [int(float(v)) for v in values]
        if all(abs(a - b) <= tolerance for a, b in zip(pixel, colour)):
            count += 1
    return count


windows_path = rig.windows_path


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


class DialogTestCase(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Without a window manager Wine draws the captions itself only when
        # told to; the screenshots then show what a user sees.
        cls.wine_reg("add", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/d", "N", "/f")
        cls.counter = 0

    @classmethod
    def tearDownClass(cls):
        cls.wine_reg("delete", r"HKCU\Software\Wine\X11 Driver", "/v", "Decorated", "/f")
        super().tearDownClass()

    @classmethod
    def wine_reg(cls, *args):
        return subprocess.run(rig.wine_command("reg", args), env=rig.wine_env(cls.state),
                              stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=rig.RUN_TIMEOUT)

    def setUp(self):
        rig.reset_launcher_state(self.state)
        type(self).counter += 1
        self.case = self.work / f"case{self.counter}"
        self.case.mkdir()
        self.runtime = self.make_runtime("runtime", "1.8.0_202")
        self.files = self.case / "files"
        self.files.mkdir()
        (self.files / "app.jar").write_bytes(b"PK\x05\x06" + bytes(18))
        self.set_java_home(None)

    def make_runtime(self, name, version):
        return rig.stand_in_runtime(self.case / name, version)

    def use_java_home(self):
        self.set_java_home(windows_path(self.runtime))

    def control(self, text, runtime=None):
        rig.vm_control(runtime or self.runtime, text)

    def record(self, runtime=None):
        return rig.vm_record(runtime or self.runtime)

    def options(self):
        return [line[len("option "):] for line in self.record() if line.startswith("option ")]

    def launcher(self, properties=None, wide=None, files=None, name="hello", tables=""):
        narrow = {**NARROW, **(properties or {})}
        files = files if files is not None else [{"path": self.files / "app.jar"}]
        return rig.build_launcher(self.case, name, narrow, {**WIDE, **(wide or {})}, files,
                                  tables=tables)

    def start(self, exe, args=()):
        for log in rig.logs_in_temp(self.state):
            log.unlink()
        self.process = rig.start_wine(exe, list(args), state=self.state)
        self.addCleanup(self.process.kill)
        self.gui = rig.Gui(self.state, exe)
        return self.process

    def finish(self, timeout=rig.RUN_TIMEOUT):
        return self.process.wait(timeout)

    def pick(self, dialog, java_exe):
        """Locate in the runtime-not-found dialog, then the file's path typed
        into the open-file dialog and Open."""
        self.gui.click(dialog, 1005)
        chooser = self.gui.wait_for(self.process, lambda w: w["visible"] and
                                    w["title"] == WIDE[20004] and rig.control(w, 1148))
        self.gui.set_text(chooser, 1148, windows_path(java_exe))
        self.gui.click(chooser, rig.ID_OK)

    def runtime_dialog(self):
        return self.gui.wait_for(self.process, rig.is_runtime_dialog)

    def stand_in_runtime_archive(self, path, control=""):
        """A gzipped tar of a stand-in runtime (java.exe answering 1.8.0_202,
        the recording VM with the given control file)."""
        tree = rig.stand_in_runtime(self.case / (path.name + ".tree"))
        if control:
            rig.vm_control(tree, control)
        data = io.BytesIO()
        with tarfile.open(fileobj=data, mode="w") as archive:
            archive.add(tree, arcname=".")
        path.write_bytes(gzip.compress(data.getvalue(), mtime=0))
        return path

    def unpacked_runtime(self, log_lines):
        """The "jre" directory that the run unpacked (from its log)."""
        temp = next(line for line in log_lines if line.startswith("Temp dir: "))
        return rig.temp_dir(self.state) / temp[len("Temp dir: "):].rsplit("\\", 1)[-1] / "jre"


class ProgressDialog(DialogTestCase):
    def test_texts_screenshot_and_cancel_ends_with_0(self):
        self.use_java_home()
        # main watches the bar long enough for the dialog to be read, also
        # on a busy machine (Cancel ends the run as soon as it is read).
        self.control("progress=90000\n")
        # The sample's own icon, in the caption and beside the text.
        icon = self.case / "hello.ico"
        subprocess.run([sys.executable, str(rig.SOURCE_DIR / "samples" / "hello" / "make_icon.py"),
                        str(icon)], check=True)
        self.start(self.launcher(tables=f'[resources]\nicon = "{icon}"\n'))
        dialog = self.gui.wait_for(self.process, lambda w: rig.is_progress_dialog(w) and
                                   w["visible"] and MAIN_CALL in self.record())
        self.assertEqual(dialog["title"], WIDE[20013])
        self.assertEqual(rig.control(dialog, 1003)["text"], WIDE[20007])
        self.assertEqual(rig.control(dialog, 2)["text"], WIDE[20012])
        self.assertTrue(rig.control(dialog, 1001)["visible"])
        # The status line belongs to a download; it stays hidden.
        self.assertFalse(rig.control(dialog, 1002)["visible"])
        # Without a runtime archive the bar runs to 80; the window-wait thread
        # moves it on while the application shows no window.
        self.assertEqual(rig.control(dialog, 1001)["maximum"], 80)
        dialog = rig.wait_until(lambda: next(
            (w for w in self.gui.windows() if rig.is_progress_dialog(w) and
             rig.control(w, 1001)["position"] >= 60), None), 15)
        self.assertIsNotNone(dialog, "the bar did not move on while waiting for a window")
        self.assertIn(rig.control(dialog, 1001)["position"], (60, 70))
        left, top, right, bottom = dialog["rect"]
        display = rig.Display(self.state)
        # Centred on the 1024 x 768 screen.
        self.assertLessEqual(abs((left + right) // 2 - 512), 1)
        self.assertLessEqual(abs((top + bottom) // 2 - 384), 1)
        shot = display.screenshot(DOCS / "progress-dialog.png", dialog["rect"], margin=8)
        # The vendor's icon, not the stub's: its green tile stands in the
        # caption and in the dialog's icon beside the text.
        self.assertGreater(count_near(shot, SAMPLE_ICON_TILE, left_part=70), 150)

        self.gui.click(dialog, rig.ID_CANCEL)
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        self.assertIn("Canceled installer", rig.log_lines(self.only_log()))

    def test_application_window_hides_the_dialog_and_the_end_of_main_ends_with_0(self):
        self.use_java_home()
        # The console flavour has a console window that must not count as
        # the application's.
        for flavour, kind in (("gui", "1"), ("console", "2")):
            with self.subTest(flavour=flavour):
                rig.reset_launcher_state(self.state)
                (rig.vm_dir(self.runtime) / "jvm_record.txt").unlink(missing_ok=True)
                self.control("window=60000\n")
                exe = self.launcher({107: kind}, name=f"hello-{flavour}")
                self.start(exe)
                application = self.gui.wait_for(
                    self.process,
                    lambda w: w["visible"] and w["title"] == "Recording application")
                hidden = rig.wait_until(lambda: [w for w in self.gui.windows()
                                                 if rig.is_progress_dialog(w) and
                                                 not w["visible"]], 10)
                self.assertTrue(hidden, "the progress dialog stayed visible beside the application")
                self.assertTrue(application["visible"])
                self.gui.close(application)
                run = self.finish()
                self.assertEqual(run.returncode, 0, run)
                record = self.record()
                for line in ("progress dialog visible", "window shown", "progress dialog hidden",
                             "window closed", "DestroyJavaVM"):
                    self.assertIn(line, record)
                # Visible until the application's window came, hidden after it.
                self.assertLess(record.index("progress dialog visible"),
                                record.index("window shown"))
                self.assertLess(record.index("window shown"),
                                record.index("progress dialog hidden"))
                log = rig.log_lines(self.only_log())
                self.assertIn("Application finished", log)
                self.assertNotIn("Canceled installer", log)

    def test_no_application_window_in_time_ends_with_message_20014(self):
        self.use_java_home()
        # main keeps the JVM busy without ever showing a window.
        self.control("progress=120000\n")
        self.start(self.launcher())
        started = time.monotonic()
        time.sleep(50)  # 600 passes of 100 ms: nothing can happen before
        box = self.gui.wait_for(self.process, rig.is_message_box, timeout=60)
        waited = time.monotonic() - started
        text = rig.control(box, rig.MESSAGE_BOX_TEXT)["text"].replace("\r\n", "\n")
        self.assertTrue(text.startswith(WIDE[20014] + "\n\nLog: "), text)
        self.assertEqual(box["title"], WIDE[20013])
        self.gui.click(box, rig.ID_OK)
        run = self.finish()
        self.assertEqual(run.returncode, 1, run)
        # A figure, not a limit: the wait is 600 passes of 100 ms plus the
        # time each count of the windows takes.
        print(f"\nmessage 20014 after {waited:.1f} s", flush=True)

    def test_window_wait_counts_on_from_base_100_up_to_140(self):
        # A shipped runtime archive (property 153 zero): range 0..150, base 100.
        archive = self.stand_in_runtime_archive(self.case / "jre.tar.gz", "progress=2500\n")
        exe = self.launcher(files=[{"path": self.files / "app.jar"}, {"path": archive}])
        self.start(exe)
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        runtime = self.unpacked_runtime(rig.log_lines(self.only_log()))
        record = (rig.vm_dir(runtime) / "jvm_record.txt").read_text(encoding="utf-8")
        record = record.splitlines()
        self.assertIn("progress range 150", record)
        positions = [int(line.split()[1]) for line in record
                     if line.startswith("progress ") and line.split()[1].isdigit()]
        above_base = [p for p in positions if p > 100]
        self.assertEqual(above_base, [120, 140], positions)
        self.assertEqual(positions[-1], 140, positions)
        self.assertLessEqual(max(p for p in positions if p <= 100), 100)


def block_texts(exe):
    """The 8-bit and UTF-16 texts of a launcher's block, by id."""
    data = Path(exe).read_bytes()
    layout = rig.BlockLayout(data)
    narrow = {e.id: data[e.text_at:e.text_at + e.length].decode("cp1252").rstrip("\0")
              for e in layout.narrow}
    wide = {e.id: data[e.text_at:e.text_at + e.length].decode("utf-16-le").rstrip("\0")
            for e in layout.wide}
    return narrow, wide


class MinimalDescription(DialogTestCase):
    """A launcher whose description gives only its main class and one jar:
    what the user meets has lumen-build's default texts, and the default
    search finds nothing in a prefix without a runtime."""

    def test_question_and_runtime_dialog_read_in_full(self):
        description = self.case / "minimal.toml"
        description.write_text(
            f"files = [{{ path = {rig._toml_string(str(self.files / 'app.jar'))} }}]\n"
            '[launcher]\nmain-class = "com.example.Main"\n', encoding="utf-8")
        exe = self.case / "minimal.exe"
        built = subprocess.run([str(rig.LUMEN_BUILD), str(description), "-o", str(exe),
                                "--stub", str(rig.stub("gui"))],
                               capture_output=True, text=True, timeout=rig.RUN_TIMEOUT)
        self.assertEqual((built.returncode, built.stderr), (0, ""))
        narrow, wide = block_texts(exe)
        self.assertEqual(narrow[128], "EJAVA_HOME;S;Y;")
        for text_id in (20006, 20011, 20012, 20013, 20015):
            self.assertGreater(len(wide[text_id]), 4, text_id)

        self.wine_reg("add", "HKCU\\" + rig.LAUNCHER_KEY, "/v", "InstallStarted", "/t",
                      "REG_DWORD", "/d", "1", "/f")
        self.start(exe)
        question = self.gui.wait_for(self.process, rig.is_question)
        self.assertEqual(question["title"], wide[20013])
        self.assertEqual(rig.control(question, rig.MESSAGE_BOX_TEXT)["text"].replace("\r\n", "\n"),
                         wide[20015])
        self.gui.click(question, rig.ID_NO)
        dialog = self.runtime_dialog()
        self.assertEqual(dialog["title"], wide[20013])
        self.assertEqual(rig.control(dialog, 1003)["text"].replace("\r\n", "\n"),
                         wide[20006].replace("%S", "-"))
        self.assertEqual(rig.control(dialog, 1005)["text"], wide[20011])
        self.assertEqual(rig.control(dialog, 2)["text"], wide[20012])
        self.assertFalse(rig.control(dialog, 1004)["visible"])
        rig.Display(self.state).screenshot(DOCS / "runtime-not-found.png", dialog["rect"],
                                           margin=8)
        self.gui.click(dialog, rig.ID_CANCEL)
        run = self.finish()
        self.assertEqual(run.returncode, 1, run)
        lines = rig.log_lines(self.only_log())
        for entry in ("EJAVA_HOME", "S", "Y"):
            self.assertTrue(any(line.startswith("Testing location ") and
                                line.endswith(f"(type {entry[0]})") for line in lines),
                            f"{entry} was not searched: {lines}")


class RuntimeNotFound(DialogTestCase):
    def test_without_download_offer_and_versions_shows_dashes_and_cancel_ends_with_1(self):
        # Conversions other than %S, %s, %.Nf and %% stay as they stand: a
        # vendor's stray %n or %x must not reach printf.
        text = "Java %S to %S is needed (100%% sure; %n %x %d %s)."
        self.start(self.launcher({126: "", 127: ""}, {20006: text}))
        dialog = self.runtime_dialog()
        self.assertEqual(dialog["title"], WIDE[20013])
        self.assertEqual(rig.control(dialog, 1003)["text"],
                         "Java - to - is needed (100% sure; %n %x %d %s).")
        self.assertFalse(rig.control(dialog, 1004)["visible"])
        self.assertTrue(rig.control(dialog, 1005)["visible"])
        self.assertEqual(rig.control(dialog, 1005)["text"], WIDE[20011])
        self.assertEqual(rig.control(dialog, 2)["text"], WIDE[20012])
        self.gui.click(dialog, rig.ID_CANCEL)
        run = self.finish()
        self.assertEqual(run.returncode, 1, run)
        self.assertEqual(rig.without_wine_traces(run.stderr), "")
        lines = rig.log_lines(self.only_log())
        self.assertIn("Download location: ", lines)
        self.assertIn("No JRE included", lines)

    def test_with_download_offer_shows_download_and_versions(self):
        # An address nothing answers at: the download fails with 20003.
        address = "http://127.0.0.1:9/jre.tar.gz"
        self.start(self.launcher({150: address, 30002: "0" * 64}))
        dialog = self.runtime_dialog()
        self.assertEqual(rig.control(dialog, 1003)["text"].replace("\r\n", "\n"),
                         WIDE[20005].replace("%S", "1.8", 1).replace("%S", "17", 1))
        download = rig.control(dialog, 1004)
        self.assertTrue(download["visible"])
        self.assertEqual(download["text"], WIDE[20010])
        # The README's picture comes from a minimal description (below).
        rig.Display(self.state).screenshot(
            rig.BUILD_DIR / "screenshots" / rig.ARCH / "runtime-not-found-download.png",
            dialog["rect"], margin=8)
        self.gui.click(dialog, 1004)
        box = self.gui.wait_for(self.process, rig.is_message_box)
        text = rig.control(box, rig.MESSAGE_BOX_TEXT)["text"].replace("\r\n", "\n")
        self.assertTrue(text.startswith(WIDE[20003] + "\n\nLog: "), text)
        self.gui.click(box, rig.ID_OK)
        run = self.finish()
        self.assertEqual(run.returncode, 1, run)
        lines = rig.log_lines(self.only_log())
        self.assertIn("Download location: " + address, lines)
        self.assertFalse(any("download successful" in line for line in lines), lines)

    def test_download_matching_its_digest_is_unpacked_and_launched(self):
        served = self.case / "served"
        served.mkdir()
        archive = self.stand_in_runtime_archive(served / "jre.tar.gz")
        server = http_fixture_server.start(str(served))
        self.addCleanup(server.shutdown)
        address = f"http://127.0.0.1:{server.server_address[1]}/file/jre.tar.gz"

        self.start(self.launcher({150: address, 30002: sha256(archive)}))
        dialog = self.runtime_dialog()
        self.gui.click(dialog, 1004)
        run = self.finish(timeout=120)
        self.assertEqual(run.returncode, 0, run)
        lines = rig.log_lines(self.only_log())
        self.assertIn("Downloading JRE", lines)
        # The downloaded archive was unpacked in place of a shipped one and
        # its VM called the entry class.
        runtime = self.unpacked_runtime(lines)
        record = (rig.vm_dir(runtime) / "jvm_record.txt").read_text(encoding="utf-8")
        self.assertIn(MAIN_CALL, record)
        self.assertFalse((runtime.parent / "jre.tar.gz").exists(), "the archive was kept")

    def refused_download(self, exe, timeout=rig.RUN_TIMEOUT):
        """Download in the runtime-not-found dialog, which ends with message
        20003 and exit code 1; the run's log lines."""
        self.start(exe)
        self.gui.click(self.runtime_dialog(), 1004)
        box = self.gui.wait_for(self.process, rig.is_message_box, timeout=timeout)
        text = rig.control(box, rig.MESSAGE_BOX_TEXT)["text"].replace("\r\n", "\n")
        self.assertTrue(text.startswith(WIDE[20003] + "\n\nLog: "), text)
        self.gui.click(box, rig.ID_OK)
        run = self.finish()
        self.assertEqual(run.returncode, 1, run)
        lines = rig.log_lines(self.only_log())
        self.assertFalse(any("download successful" in line for line in lines), lines)
        return lines

    def assert_nothing_left(self, lines):
        """Neither the archive nor a runtime directory stayed behind."""
        directory = self.unpacked_runtime(lines).parent
        names = [path.name for path in directory.iterdir()]
        self.assertIn("app.jar", names)
        self.assertNotIn("jre.tar.gz", names)
        self.assertNotIn("jre", names)

    def test_flipped_byte_is_refused_and_leaves_no_file(self):
        served = self.case / "served"
        served.mkdir()
        archive = self.stand_in_runtime_archive(served / "jre.tar.gz")
        digest = sha256(archive)
        data = bytearray(archive.read_bytes())
        data[len(data) // 2] ^= 0x01
        archive.write_bytes(bytes(data))
        server = http_fixture_server.start(str(served))
        self.addCleanup(server.shutdown)
        address = f"http://127.0.0.1:{server.server_address[1]}/file/jre.tar.gz"

        lines = self.refused_download(self.launcher({150: address, 30002: digest}))
        self.assertIn(f"ERROR: The download's SHA-256 {sha256(archive)} is not the expected "
                      f"{digest}", lines)
        self.assert_nothing_left(lines)

    def test_plain_http_without_digest_in_an_older_block_is_refused_unasked(self):
        # lumen-build refuses such an address, so the block is changed after
        # the build: "https://" becomes "http://" at the same length.
        server = http_fixture_server.start()
        self.addCleanup(server.shutdown)
        port = server.server_address[1]
        built = f"https://127.0.0.1:{port}/bytes/1000/plain-http"
        older = f"http://127.0.0.1:{port}/bytes/1000/plain-httpx"
        exe = self.launcher({150: built})
        entry = rig.read_layout(exe).narrow_entry(150)
        patched = rig.write_damaged(exe, self.case / "older.exe",
                                    patches=[(entry.text_at, older.encode())])

        lines = self.refused_download(patched)
        self.assertIn(f"ERROR: Refusing the download from {older}: an http:// address needs the "
                      "archive's SHA-256", lines)
        self.assertFalse([path for path in http_fixture_server.Handler.counts
                          if "plain-http" in path], "a request was made")
        self.assert_nothing_left(lines)

    def test_server_stalling_after_the_headers_ends_within_the_time_out(self):
        server = http_fixture_server.start()
        self.addCleanup(server.shutdown)
        address = f"http://127.0.0.1:{server.server_address[1]}/stall/100000/dialog"
        # 30 s of silence end the transfer; the margin covers Wine's start.
        lines = self.refused_download(self.launcher({150: address, 30002: "0" * 64}),
                                      timeout=120)
        self.assertTrue(any(line.startswith(("ERROR: InternetReadFile failed with error code ",
                                             "ERROR: InternetReadFile brought no data after 0 "))
                            for line in lines), lines)
        self.assert_nothing_left(lines)

    def trust(self, certificate):
        """Puts a certificate among the prefix's trusted roots (the user's
        store in the registry, as Windows keeps it) for this test."""
        thumbprint = hashlib.sha1(certificate).hexdigest().upper()
        key = rf"HKCU\Software\Microsoft\SystemCertificates\Root\Certificates\{thumbprint}"
        # A stored certificate: property 32 (the encoded certificate).
        blob = struct.pack("<III", 32, 1, len(certificate)) + certificate
        added = self.wine_reg("add", key, "/v", "Blob", "/t", "REG_BINARY", "/d", blob.hex(), "/f")
        self.assertEqual(added.returncode, 0, added)
        self.addCleanup(self.wine_reg, "delete", key, "/f")

    def test_trusted_https_without_digest_is_used_but_not_a_redirect_to_http(self):
        served = self.case / "served"
        served.mkdir()
        self.stand_in_runtime_archive(served / "jre.tar.gz")
        secure = http_fixture_server.start_tls(str(served))
        self.addCleanup(secure.shutdown)
        self.trust(secure.certificate)
        base = f"https://127.0.0.1:{secure.server_address[1]}"

        self.start(self.launcher({150: base + "/file/jre.tar.gz"}))
        self.gui.click(self.runtime_dialog(), 1004)
        run = self.finish(timeout=120)
        self.assertEqual(run.returncode, 0, run)
        lines = rig.log_lines(self.only_log())
        self.assertIn("download successful", lines)
        self.assertIn(MAIN_CALL, self.record(self.unpacked_runtime(lines)))

        plain = http_fixture_server.start(str(served))
        self.addCleanup(plain.shutdown)
        target = f"http://127.0.0.1:{plain.server_address[1]}/file/jre.tar.gz"
        rig.reset_launcher_state(self.state)
        lines = self.refused_download(self.launcher({150: base + "/redirect/" + target},
                                                    name="redirected"))
        # Wine's wininet follows the redirect; the launcher refuses what it
        # reached before reading a byte.
        self.assertIn(f"ERROR: Refusing the download: it was redirected to {target}, which is "
                      "not https", lines)
        self.assert_nothing_left(lines)

    def test_untrusted_certificate_is_refused(self):
        server = http_fixture_server.start_tls()
        self.addCleanup(server.shutdown)
        address = f"https://127.0.0.1:{server.server_address[1]}/bytes/1000/untrusted"
        lines = self.refused_download(self.launcher({150: address}))
        self.assertTrue(any(line.startswith("ERROR: InternetOpenUrl failed with error code ")
                            for line in lines), lines)
        self.assertFalse([path for path in http_fixture_server.Handler.counts
                          if "untrusted" in path], "the request went through")
        self.assert_nothing_left(lines)

    def test_rejected_pick_keeps_the_dialog_and_a_usable_pick_launches(self):
        old = self.make_runtime("old", "1.4.2_08")
        self.start(self.launcher())
        dialog = self.runtime_dialog()

        self.pick(dialog, old / "bin" / "java.exe")
        box = self.gui.wait_for(self.process, rig.is_message_box)
        self.assertTrue(rig.control(box, rig.MESSAGE_BOX_TEXT)["text"].startswith(NARROW[1001]))
        self.gui.click(box, rig.ID_OK)
        still = rig.wait_until(lambda: self.gui.window(dialog["handle"]), 10)
        self.assertTrue(still and still["visible"], "the dialog closed after a rejected pick")
        self.assertTrue(self.process.running())

        self.pick(dialog, self.runtime / "bin" / "java.exe")
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        self.assertIn(MAIN_CALL, self.record())
        self.assertEqual(self.record(old), [])
        located = self.located_runtimes()
        self.assertIn(windows_path(self.runtime / "bin" / "java.exe").replace("\\", "/").lower(),
                      [key.lower() for key in located])
        self.assertEqual(len(located), 1, located)

    def located_runtimes(self):
        keys = []
        # A 32-bit launcher's machine-wide keys lie in the 32-bit view, which
        # `reg` (64-bit here) reaches by its path.
        machine = rig.LAUNCHER_KEY.replace("SOFTWARE", rig.SOFTWARE_KEY, 1)
        for key in ("HKCU\\" + rig.LAUNCHER_KEY, "HKLM\\" + machine):
            query = self.wine_reg("query", key + "\\locatedjvms")
            text = query.stdout.decode("cp1252", "replace")
            keys += [line.strip().rsplit("\\locatedjvms\\", 1)[1] for line in text.splitlines()
                     if "\\locatedjvms\\" in line]
        return keys


class ManualSelection(DialogTestCase):
    MANUAL = "-Dlumen.manualJre=true"

    def set_install_started(self):
        self.wine_reg("add", "HKCU\\" + rig.LAUNCHER_KEY, "/v", "InstallStarted", "/t",
                      "REG_DWORD", "/d", "1", "/f")

    def test_question_after_an_unfinished_start_yes_selects_by_hand(self):
        self.use_java_home()
        self.set_install_started()
        self.start(self.launcher())
        question = self.gui.wait_for(self.process, rig.is_question)
        self.assertEqual(question["title"], WIDE[20013])
        self.assertEqual(rig.control(question, rig.MESSAGE_BOX_TEXT)["text"], WIDE[20015])
        self.gui.click(question, rig.ID_YES)
        # A runtime is installed, yet the user is asked to choose one.
        self.pick(self.runtime_dialog(), self.runtime / "bin" / "java.exe")
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        self.assertIn(self.MANUAL, self.options())

    def test_question_answered_no_searches_as_usual(self):
        self.use_java_home()
        self.set_install_started()
        self.start(self.launcher())
        self.gui.click(self.gui.wait_for(self.process, rig.is_question), rig.ID_NO)
        run = self.run_without_runtime_dialog()
        self.assertEqual(run.returncode, 0, run)
        self.assertNotIn(self.MANUAL, self.options())

    def test_manual_switch_selects_by_hand(self):
        self.use_java_home()
        self.start(self.launcher(), ["/manual"])
        self.pick(self.runtime_dialog(), self.runtime / "bin" / "java.exe")
        run = self.finish()
        self.assertEqual(run.returncode, 0, run)
        self.assertIn(self.MANUAL, self.options())

    def test_manual_switch_only_alone_and_in_lower_case(self):
        self.use_java_home()
        exe = self.launcher()
        for args in (["/manual", "x"], ["/MANUAL"]):
            with self.subTest(args=args):
                rig.reset_launcher_state(self.state)
                (rig.vm_dir(self.runtime) / "jvm_record.txt").unlink(missing_ok=True)
                self.start(exe, args)
                run = self.run_without_runtime_dialog()
                self.assertEqual(run.returncode, 0, run)
                self.assertIn(MAIN_CALL, self.record())
                self.assertNotIn(self.MANUAL, self.options())

    def run_without_runtime_dialog(self):
        """Waits for the launch to end; a runtime dialog or question is
        cancelled (and so fails the exit-code check) instead of hanging."""
        def done():
            if not self.process.running():
                return True
            for window in self.gui.windows():
                if rig.is_runtime_dialog(window):
                    self.gui.click(window, rig.ID_CANCEL)
                elif rig.is_question(window):
                    self.gui.click(window, rig.ID_NO)
            return False

        rig.wait_until(done, rig.RUN_TIMEOUT, interval=0.5)
        return self.finish()


if __name__ == "__main__":
    unittest.main()
