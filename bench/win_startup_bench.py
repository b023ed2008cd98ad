#!/usr/bin/env python3
"""Windows start-up of a quiet launcher against an empty program, under Wine.

For every architecture this host runs (the Windows tests' own probe: x64
through wine64 everywhere, x86 only where 32-bit programs run), RUNS
(default 15) alternating samples of:
  - the empty program (bench/win/empty_program.c: no imports at all);
  - a launcher with a cached runtime started with -q up to JNI_CreateJavaVM
    (bench/win/exiting_jvm.c: imports only kernel32 and ends the process in
    that call, so no VM's own loading is counted), built by lumen-build from
    that architecture's stub;
  - a launcher on a damaged block (the same imports, which ends at once):
    the launcher's own work up to the VM is the difference (target < 15 ms);
    against the empty program it hides the cost of the imports.
A desktop process is kept alive for the whole run, so no sample pays Wine's
desktop start. Prints the medians and the ratio launcher / empty program
(target <= 1.5). Prints figures only. Needs `make dist` (the Windows trees'
fixtures) and writes only under build/.
"""

import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "win"))
import wine_rig  # noqa: E402  (the architecture probe and the loaders)

RUNS = int(os.environ.get("RUNS", "15"))
TREES = {"x64": ROOT / "build" / "win64", "x86": ROOT / "build" / "win32"}


def wine_env(prefix, loader, display):
    env = dict(os.environ)
    env.update({"WINEPREFIX": str(prefix), "WINELOADER": str(loader), "WINEDEBUG": "-all",
                "WINEDLLOVERRIDES": "mscoree,mshtml="})
    if display:
        env["DISPLAY"] = display
    return env


def timed(command, env):
    start = time.perf_counter()
    subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   stdin=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def start_display(work):
    """An Xvfb display for the desktop, unless one is set already."""
    if os.environ.get("DISPLAY") or not shutil.which("Xvfb"):
        return os.environ.get("DISPLAY"), None
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                             "1024x768x24", "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=open(work / "xvfb.log", "wb"))
    os.close(write_end)
    with os.fdopen(read_end) as stream:
        number = stream.readline().strip()
    return f":{number}", xvfb


def damaged_copy(source, target):
    """The launcher with the block's magic cleared: it ends at once."""
    data = bytearray(source.read_bytes())
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections = struct.unpack_from("<H", data, pe + 6)[0]
    optional = struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional
    end = max(sum(struct.unpack_from("<II", data, table + 40 * i + 16)) for i in range(sections))
    data[end:end + 4] = b"\0\0\0\0"
    target.write_bytes(bytes(data))


def windows_path(path, env):
    out = subprocess.run(wine_rig.wine_command("winepath", ["-w", path]), env=env,
                         capture_output=True, text=True, check=True)
    return out.stdout.strip()


def bench_architecture(arch, work, prefix, display):
    tree = TREES[arch]
    stub = tree / f"lumen-{arch}.exe"
    empty = tree / "lumen_empty_program.exe"
    holder = tree / "lumen_desktop_holder.exe"
    fixtures = tree / "fixtures"
    jvm = tree / "exiting_jvm.dll"
    for needed in (stub, empty, holder, jvm, fixtures / "java.exe"):
        if not needed.exists():
            print(f"{arch}: {needed.relative_to(ROOT)} is missing (run 'make dist' and "
                  f"'cmake --build {tree.relative_to(ROOT)} --target lumen_empty_program "
                  "lumen_desktop_holder lumen_exiting_jvm')")
            return
    loader = wine_rig.LOADERS[arch]
    env = wine_env(prefix, loader, display)
    runtime = work / f"runtime-{arch}"
    (runtime / "bin" / "server").mkdir(parents=True, exist_ok=True)
    shutil.copy(fixtures / "java.exe", runtime / "bin")
    (runtime / "bin" / "java.cfg").write_bytes(b'line=java version "1.8.0_202"\r\n')
    shutil.copy(jvm, runtime / "bin" / "server" / "jvm.dll")
    search = windows_path(runtime, env).replace("\\", "\\\\")
    description = work / f"launch-{arch}.toml"
    description.write_text("[launcher]\ninclude-runtime-jar = false\nmain-class = \"Main\"\n"
                           f"search-sequence = [\"B{search}\"]\n")
    launcher = work / f"launch-{arch}.exe"
    subprocess.run([str(ROOT / "dist" / "bin" / "lumen-build"), str(description), "--stub",
                    str(stub), "-o", str(launcher)], check=True, stdout=subprocess.DEVNULL)
    broken = work / f"broken-{arch}.exe"
    damaged_copy(launcher, broken)

    holder_process = subprocess.Popen(wine_rig.wine_command(holder), env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        # Warm-up: the desktop, the loader's caches and the launcher's
        # version cache.
        for command in (wine_rig.wine_command(empty), wine_rig.wine_command(launcher, ["-q"]),
                        wine_rig.wine_command(broken, ["-q"])):
            timed(command, env)
        samples = {"empty": [], "launcher": [], "broken": []}
        for _ in range(RUNS):
            samples["empty"].append(timed(wine_rig.wine_command(empty), env))
            samples["launcher"].append(timed(wine_rig.wine_command(launcher, ["-q"]), env))
            samples["broken"].append(timed(wine_rig.wine_command(broken, ["-q"]), env))
    finally:
        holder_process.kill()
        holder_process.wait()
    median = {name: statistics.median(values) for name, values in samples.items()}
    print(f"{arch}: empty program {median['empty'] * 1000:.1f} ms; launcher -q to "
          f"JNI_CreateJavaVM {median['launcher'] * 1000:.1f} ms; damaged block "
          f"{median['broken'] * 1000:.1f} ms (medians of {RUNS})")
    print(f"{arch}: start-up launcher / empty program: "
          f"{median['launcher'] / median['empty']:.2f} (target <= 1.5)")
    print(f"{arch}: start-up launcher - damaged block: "
          f"{(median['launcher'] - median['broken']) * 1000:.1f} ms (target < 15 ms)")


def main():
    (ROOT / "build").mkdir(exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix="startup-bench.", dir=ROOT / "build"))
    prefix = work / "prefix"
    display, xvfb = start_display(work)
    base = wine_env(prefix, wine_rig.LOADERS["x64"], display)
    try:
        subprocess.run(wine_rig.wine_command("wineboot", ["-i"]), env=base,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        # One wineserver for the whole run, as a desktop session has.
        subprocess.run(["wineserver", "-p"], env=base, check=False)
        for arch in ("x64", "x86"):
            reason = wine_rig.probe_architecture(arch)
            if reason is not None:
                print(f"{arch}: skipped ({reason})")
                continue
            bench_architecture(arch, work, prefix, display)
    finally:
        subprocess.run(["wineserver", "-k"], env=base, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if xvfb is not None:
            xvfb.kill()
            xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
