#!/usr/bin/env python3
"""Start-up of the Linux launcher against the JDK's own launcher.

In one run, alternating, RUNS (default 20) starts each of:
  - a launcher built by lumen-build from the Linux stub for a hello-world
    application (the runtime found through JAVA_HOME, its version cached);
  - `java -cp app.jar Main` of the same JDK.
Prints the median wall time and the median peak resident memory of both and
the time ratio (target: at most 1.10). Prints figures only; needs `make dist`.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
JDK = Path(os.environ.get("LUMEN_TEST_JDK", "/usr/lib/jvm/java-17-openjdk-amd64"))
RUNS = int(os.environ.get("RUNS", "20"))

HELLO = """public class Main {
    public static void main(String[] args) {
        System.out.println("Hello, world");
    }
}
"""


def measure(command, env):
    """Wall seconds and peak resident kilobytes of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"benchmark: {command[0]} failed ({status})")
    return elapsed, usage.ru_maxrss


def main():
    work = Path(tempfile.mkdtemp(prefix="lumen-bench-"))
    try:
        (work / "Main.java").write_text(HELLO)
        subprocess.run([str(JDK / "bin" / "javac"), "-d", str(work / "classes"), str(work / "Main.java")],
                       check=True)
        subprocess.run([str(JDK / "bin" / "jar"), "--create", "--file", str(work / "app.jar"),
                        "-C", str(work / "classes"), "."], check=True)
        (work / "hello.toml").write_text(
            'files = [{ path = "app.jar" }]\n'
            '[launcher]\nmain-class = "Main"\ntype = "console"\nsearch-sequence = ["EJAVA_HOME"]\n')
        launcher = work / "hello"
        subprocess.run([str(ROOT / "dist" / "bin" / "lumen-build"), str(work / "hello.toml"),
                        "--stub", str(ROOT / "dist" / "stub" / "lumen-linux-x64"), "-o",
                        str(launcher)], check=True)
        (work / "tmp").mkdir()
        env = dict(os.environ, JAVA_HOME=str(JDK), TMPDIR=str(work / "tmp"),
                   XDG_CONFIG_HOME=str(work / "config"))
        commands = {
            "lumen launcher": [str(launcher)],
            "java -cp app.jar Main": [str(JDK / "bin" / "java"), "-cp", str(work / "app.jar"), "Main"],
        }
        for command in commands.values():  # warm the caches and the version record
            measure(command, env)
        times = {name: [] for name in commands}
        memory = {name: [] for name in commands}
        for _ in range(RUNS):
            for name, command in commands.items():
                elapsed, peak = measure(command, env)
                times[name].append(elapsed)
                memory[name].append(peak)
            for leftover in (work / "tmp").iterdir():  # unpacked files and logs of each run
                shutil.rmtree(leftover, ignore_errors=True) if leftover.is_dir() else leftover.unlink()

        print(f"Linux launcher start-up, {RUNS} runs each, medians (JDK: {JDK})")
        for name in commands:
            print(f"  {name:24} {statistics.median(times[name]) * 1000:8.1f} ms"
                  f"   peak RSS {statistics.median(memory[name]) / 1024:7.1f} MB")
        ratio = statistics.median(times["lumen launcher"]) / statistics.median(times["java -cp app.jar Main"])
        print(f"  time ratio launcher / java: {ratio:.3f} (target at most 1.10: "
              f"{'met' if ratio <= 1.10 else 'MISSED'})")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
