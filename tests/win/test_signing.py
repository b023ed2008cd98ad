"""A launcher signed with Authenticode keeps a valid signature and still
reads its block; the certificate table behind the block is never read as
configuration, so a damaged block reports the same error signed or not."""

import struct
import subprocess
import unittest

import wine_rig as rig

NARROW = {
    121: "lib/hello.jar;",
    122: "com.example.hello.Hello",
    # Long enough that a reader running on into the signature would find
    # the bytes it is missing there.
    123: "-Dhello.greeting=" + "x" * 300,
}
WIDE = {20013: "Hello"}


def run_tool(*args):
    result = subprocess.run(list(args), capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"{args[0]} failed: {result.stdout}\n{result.stderr}")
    return result


class SignedLauncher(rig.WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.key = cls.work / "key.pem"
        cls.cert = cls.work / "cert.pem"
        run_tool("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30",
                 "-subj", "/CN=Lumen Test Signer", "-keyout", str(cls.key), "-out",
                 str(cls.cert))
        # A block whose end is not 8-byte aligned, so that the signing tool
        # pads it before the certificate table.
        for extra in range(8):
            cls.launcher = rig.build_launcher(cls.work, "hello",
                                              {**NARROW, 101: "Hello" + "!" * extra}, WIDE)
            if cls.launcher.stat().st_size % 8:
                break
        cls.layout = rig.read_layout(cls.launcher)

    def sign(self, exe):
        signed = exe.with_name(exe.stem + "-signed.exe")
        run_tool("osslsigncode", "sign", "-certs", str(self.cert), "-key", str(self.key),
                 "-n", "Hello", "-in", str(exe), "-out", str(signed))
        return signed

    def verify(self, exe):
        run_tool("osslsigncode", "verify", "-in", str(exe), "-CAfile", str(self.cert))

    def test_signed_launcher_verifies_and_reads_its_block(self):
        signed = self.sign(self.launcher)
        self.verify(signed)
        # PE32 for x86, PE32+ for x64: the block is found behind either.
        self.assertEqual(rig.pe_machine(signed), rig.ARCH)
        data = signed.read_bytes()
        start, certificate = rig.image_end(data)
        self.assertEqual(start, self.layout.start)
        unsigned_size = self.launcher.stat().st_size
        self.assertIsNotNone(certificate, "the signed file has no certificate table")
        self.assertGreater(certificate, unsigned_size, "no pad bytes before the table")
        self.assertEqual(data[unsigned_size:certificate], b"\0" * (certificate - unsigned_size))

        run = self.run_to_runtime_dialog(signed)
        self.assert_block_read(self.only_log(), run)

    def test_signed_damaged_block_reports_its_own_error(self):
        narrow = self.layout.narrow_entry(123)
        cases = [
            ("bad-magic", None, [(self.layout.magic_at, struct.pack("<I", 0xE8E413D6))],
             "Internal Error: magic"),
            ("short-narrow-text", narrow.text_at + 100, [], "Internal Error: readString"),
            ("short-wide-count", self.layout.wide_count_at + 2, [], "Internal Error: readInt"),
        ]
        for name, cut_at, patches, text in cases:
            with self.subTest(name):
                damaged = rig.write_damaged(self.launcher, self.work / f"{name}.exe", cut_at,
                                            patches)
                signed = self.sign(damaged)
                self.verify(signed)
                self.assert_fatal_report(self.run_launcher(signed), text)


if __name__ == "__main__":
    unittest.main()
