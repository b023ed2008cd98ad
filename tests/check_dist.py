"""Fails fast when the artefacts the tests run are missing or older than
their sources: the stubs, the build tool and the runtime jar in dist/, and
the Windows trees' test executables and stand-in runtime programs.

`make dist` builds all of them and then touches dist/.built; a source file
newer than that stamp means the tests would run stale code.

    check_dist.py SOURCE_DIR
"""

import sys
from pathlib import Path

INPUTS = ("CMakeLists.txt", "src", "resources", "cmake", "java", "tests/fixtures",
          "tests/winunit", "bench/win")
ARTEFACTS = [
    "dist/stub/lumen-x86.exe", "dist/stub/lumen-x64.exe", "dist/stub/lumen-console-x86.exe",
    "dist/stub/lumen-console-x64.exe", "dist/stub/lumen-linux-x64", "dist/bin/lumen-build",
    "dist/java/lumen-runtime.jar", "dist/bin/lumen-build.exe",
] + [f"build/{tree}/{name}" for tree in ("win32", "win64") for name in (
    "lumen_win_tests.exe", "fixtures/java.exe", "fixtures/javaw.exe", "fixtures/jvm.dll",
    "fixtures/jvm_recording.dll", "fixtures/unpack200.exe", "fixtures/gui_driver.exe",
    "fixtures/splash_probe.exe", "fixtures/splash_probe_plain.exe",
    "fixtures/resource_reader.exe")]
STAMP = "dist/.built"


def newest_input(root):
    newest, name = 0.0, None
    for entry in INPUTS:
        path = root / entry
        files = [path] if path.is_file() else (p for p in path.rglob("*") if p.is_file())
        for file in files:
            mtime = file.stat().st_mtime
            if mtime > newest:
                newest, name = mtime, file
    return newest, name


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    root = Path(argv[1])
    missing = [name for name in ARTEFACTS if not (root / name).exists()]
    if missing:
        print("missing: " + ", ".join(missing) + "\nrun `make dist` first")
        return 1
    stamp = root / STAMP
    if not stamp.exists():
        print(f"{STAMP} is missing: run `make dist` first")
        return 1
    newest, name = newest_input(root)
    if newest > stamp.stat().st_mtime:
        print(f"{name.relative_to(root)} changed after the last `make dist`: run `make dist` "
              "before the tests, so that they do not run stale stubs and fixtures")
        return 1
    print("dist/ and the Windows trees are current")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
