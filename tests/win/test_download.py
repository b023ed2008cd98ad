"""The runtime download against a local HTTP server: starts
http_fixture_server on 127.0.0.1 and runs the Download tests of the Windows
test executable (tests/winunit/download_test.cpp) under Wine with its
address, so that Wine's wininet is the client. The real launcher reaches
the download only through the runtime-not-found dialog."""

import os
import subprocess
import unittest

import http_fixture_server
import wine_rig as rig

PROXY_VARIABLES = ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                   "ALL_PROXY")


class DownloadThroughWininet(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not rig.TEST_EXE.exists():
            raise RuntimeError(f"{rig.TEST_EXE} is missing: run `make dist` first")
        cls.state = rig.load_state()
        cls.server = http_fixture_server.start()

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.server.server_close()

    def test_download_group_passes_against_the_local_server(self):
        env = rig.wine_env(self.state, loader=rig.loader_for(rig.TEST_EXE))
        # The loopback server must be reached directly, whatever the
        # machine's proxy settings.
        for name in PROXY_VARIABLES:
            env.pop(name, None)
        env["LUMEN_TEST_HTTP"] = f"http://127.0.0.1:{self.server.server_address[1]}"
        env["LUMEN_FIXTURES"] = rig.windows_path(rig.FIXTURES)
        result = subprocess.run(
            rig.wine_command(rig.TEST_EXE, ["--gtest_filter=Download.*:InternetLibrary*",
                                            "--gtest_brief=1"]),
            env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=240)
        output = rig._decode(result.stdout + result.stderr)
        self.assertEqual(result.returncode, 0, output)
        self.assertNotIn("SKIPPED ] Download", output)
        counted = http_fixture_server.Handler.counts
        self.assertTrue(any(path.startswith("/nolength/") for path in counted), counted)


if __name__ == "__main__":
    unittest.main()
