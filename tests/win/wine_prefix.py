"""Sets up and tears down the Wine environment shared by one ctest run.

`setup`: starts an Xvfb display (GUI tests need one, and Wine's desktop
process must see the same display from its first start), creates a fresh
win64 prefix under the build tree with the 64-bit loader's `wineboot -i`,
keeps its wineserver alive for the run (`wineserver -p`), probes once which
architectures this host runs (x86 needs a kernel that runs 32-bit
programs) and records the display, the Xvfb process, the prefix's temporary
folder and the architectures in the rig's state file.
`cleanup`: stops the wineserver (`wineserver -k`) and the Xvfb it started.

Set LUMEN_WINE_REUSE_PREFIX=1 to keep an existing prefix between runs while
working on the tests; a fresh prefix is the default.
"""

import json
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

import wine_rig as rig

BOOT_TIMEOUT = 300


def _detached(args, env, log):
    # A new session and no inherited pipes: ctest must not wait for the
    # daemons that outlive this fixture.
    return subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=log,
                            stderr=subprocess.STDOUT, start_new_session=True)


def _is_our_xvfb(pid):
    try:
        command = Path(f"/proc/{pid}/cmdline").read_bytes().split(b"\0")
    except OSError:
        return False
    return bool(command) and os.path.basename(command[0]) == b"Xvfb"


def _stop_xvfb(state):
    pid = state.get("xvfb_pid")
    if pid and _is_our_xvfb(pid):
        os.kill(pid, 15)
        rig.wait_until(lambda: not _is_our_xvfb(pid), 10)


def _stop_wineserver():
    if rig.PREFIX.exists():
        subprocess.run(["wineserver", "-k"], env=rig.wine_env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)


def _start_xvfb(log):
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
        stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
        pass_fds=(write_end,), start_new_session=True)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not report a display number")
    return process.pid, ":" + number


def setup():
    rig.RIG_DIR.mkdir(parents=True, exist_ok=True)
    if rig.STATE_FILE.exists():  # left behind by an interrupted run
        cleanup()
    started = time.monotonic()
    log = open(rig.RIG_DIR / "setup.log", "wb")
    xvfb_pid, display = _start_xvfb(log)
    state = {"display": display, "xvfb_pid": xvfb_pid}
    # Written at once, so that cleanup can stop Xvfb even if Wine fails.
    rig.STATE_FILE.write_text(json.dumps(state))

    reuse = os.environ.get("LUMEN_WINE_REUSE_PREFIX") == "1"
    if not reuse and rig.PREFIX.exists():
        _stop_wineserver()
        shutil.rmtree(rig.PREFIX)
    architectures = {arch: rig.probe_architecture(arch) for arch in rig.ARCHITECTURES}
    state["architectures"] = architectures
    env = rig.wine_env(state)
    _detached(["wineserver", "-p"], env, log).wait(timeout=60)
    boot = _detached(rig.wine_command("wineboot", ["-i"]), env, log)
    if boot.wait(timeout=BOOT_TIMEOUT) != 0:
        raise RuntimeError(f"wineboot failed; see {rig.RIG_DIR / 'setup.log'}")

    query = rig.start_wine("cmd", ["/c", "echo", "%TMP%"], state=state).wait()
    temp_windows = query.stdout.strip()
    if query.returncode != 0 or not temp_windows:
        raise RuntimeError(f"could not read TMP of the prefix: {query}")
    unix = subprocess.run(rig.wine_command("winepath", ["-u", temp_windows]), env=env,
                          capture_output=True,
                          text=True, stdin=subprocess.DEVNULL, timeout=60)
    temp_unix = Path(unix.stdout.strip()).resolve()
    temp_unix.mkdir(parents=True, exist_ok=True)
    state.update({"temp_windows": temp_windows, "temp_unix": str(temp_unix),
                  "prefix": str(rig.PREFIX)})
    rig.STATE_FILE.write_text(json.dumps(state, indent=2))
    print(f"wine prefix {rig.PREFIX} ready on display {display} "
          f"in {time.monotonic() - started:.1f} s; TMP={temp_windows}")
    for arch, reason in architectures.items():
        print(f"{arch}: {'tested' if reason is None else 'skipped: ' + reason}")


def cleanup():
    state = json.loads(rig.STATE_FILE.read_text()) if rig.STATE_FILE.exists() else {}
    _stop_wineserver()
    _stop_xvfb(state)
    if rig.STATE_FILE.exists():
        rig.STATE_FILE.unlink()
    print("wineserver and Xvfb stopped")


if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in ("setup", "cleanup"):
        sys.exit("usage: wine_prefix.py setup|cleanup")
    setup() if sys.argv[1] == "setup" else cleanup()
