#!/usr/bin/env python3
"""Start-up of the Linux launcher against the JDK's own launcher.

For each application, in one run and alternating, RUNS (default 20 for hello
world, APP_RUNS, default 10, for the others) starts of:
  - `java -cp ... Main` of the same JDK;
  - a launcher built by lumen-build from the Linux stub, class-data sharing
    off (the runtime found through JAVA_HOME, its version cached);
  - the same launcher with `class-data-sharing = "auto"`, its archive written
    by a start before the measured ones (so these are second and later starts).
The applications: hello world (its jar among the launcher's files), and
Debian's own packages where installed: Ant's `-version` (a build tool),
Rhino running a short script (a script interpreter) and jEdit to its first
window on an Xvfb display of its own (a Swing application; the time is until
the window is mapped, then the application is asked to end).
Prints the median wall time and peak resident memory of each and the ratios
to `java -cp` (targets: sharing off at most 1.03, on at most 0.75 for
applications with many classes of their own and at most 1.00 for a small one).
Prints figures only; needs `make dist`.
"""

import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
JDK = Path(os.environ.get("LUMEN_TEST_JDK", "/usr/lib/jvm/java-17-openjdk-amd64"))
RUNS = int(os.environ.get("RUNS", "20"))
APP_RUNS = int(os.environ.get("APP_RUNS", "10"))
WINDOW_TIMEOUT = 60

HELLO = """public class Main {
    public static void main(String[] args) {
        System.out.println("Hello, world");
    }
}
"""
SCRIPT = ("var words = {}; var text = 'the quick brown fox jumps over the lazy dog';"
          "text.split(' ').forEach(function (w) { words[w] = (words[w] || 0) + 1; });"
          "print(JSON.stringify(words));")


class App:
    """One application: its class path, main class and arguments; `window`
    names the window a GUI application's start ends with."""

    def __init__(self, name, class_path, main, args=(), files=(), window=None, small=False):
        self.name, self.class_path, self.main, self.args = name, class_path, main, list(args)
        self.files, self.window, self.small = list(files), window, small


def real_apps():
    apps = []
    if Path("/usr/share/java/ant-launcher.jar").exists():
        apps.append(App("ant -version", ["/usr/share/java/ant-launcher.jar"],
                        "org.apache.tools.ant.launch.Launcher", ["-version"]))
    if Path("/usr/share/java/js.jar").exists():
        apps.append(App("rhino script", ["/usr/share/java/js.jar", "/usr/share/java/jline.jar"],
                        "org.mozilla.javascript.tools.shell.Main", ["-e", SCRIPT]))
    if Path("/usr/share/jedit/jedit.jar").exists() and shutil.which("Xvfb") and \
            shutil.which("xdotool"):
        apps.append(App("jedit first window", ["/usr/share/jedit/jedit.jar"],
                        "org.gjt.sp.jedit.jEdit", ["-noserver", "-nobackground"], window="jEdit"))
    return apps


def description(app, sharing):
    """A launcher description: included jars first, then absolute ones."""
    files = ", ".join(f'{{ path = "{f}" }}' for f in app.files)
    class_path = ", ".join(f'"A1{p}"' for p in app.class_path)
    lines = [f"files = [{files}]", "[launcher]", f'main-class = "{app.main}"',
             'type = "console"', 'search-sequence = ["EJAVA_HOME"]']
    if class_path:
        lines.append(f"class-path = [{class_path}]")
    if app.main == "org.apache.tools.ant.launch.Launcher":
        lines.append('vm-options = "-Dant.home=/usr/share/ant"')
    if sharing:
        lines.append('class-data-sharing = "auto"')
    return "\n".join(lines) + "\n"


def wait_for_window(pid, name, env):
    """Seconds until a visible window whose name contains `name` is mapped;
    the exit status and resources instead when the process ends first."""
    deadline = time.monotonic() + WINDOW_TIMEOUT
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                               env=env, capture_output=True)
        if found.returncode == 0 and found.stdout.strip():
            return True, None
        ended = os.wait4(pid, os.WNOHANG)
        if ended[0] != 0:
            return False, ended
        time.sleep(0.005)
    return False, None


def cpu_seconds(usage):
    return usage.ru_utime + usage.ru_stime


def measure(command, env, window=None):
    """Wall seconds, CPU seconds (user and system, all threads) and peak
    resident kilobytes of one run (for a GUI application: until its window
    shows; it is then ended with SIGTERM, which lets the JVM end as on
    System.exit). A GUI application that ends before its window shows is
    started again, twice at most: jEdit itself, under `java` as under the
    launcher, now and then exits with status 1 right after a predecessor
    was ended."""
    for _ in range(3):
        figures = measure_once(command, env, window)
        if figures is not None:
            return figures
        print(f"  ({command[0]} ended before its window; started again)")
    sys.exit(f"benchmark: {command[0]} showed no window in three starts")


def measure_once(command, env, window):
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    if window is not None:
        shown, ended = wait_for_window(process.pid, window, env)
        elapsed = time.perf_counter() - start
        if ended is None:
            process.send_signal(signal.SIGTERM)
            ended = os.wait4(process.pid, 0)
        if not shown:
            return None
        return elapsed, cpu_seconds(ended[2]), ended[2].ru_maxrss
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"benchmark: {command[0]} failed ({status})")
    return elapsed, cpu_seconds(usage), usage.ru_maxrss


def build_launcher(work, name, text):
    (work / f"{name}.toml").write_text(text)
    subprocess.run([str(ROOT / "dist" / "bin" / "lumen-build"), str(work / f"{name}.toml"),
                    "--stub", str(ROOT / "dist" / "stub" / "lumen-linux-x64"), "-o",
                    str(work / name)], check=True)
    return work / name


def bench_app(app, work, env, runs):
    slug = "".join(c if c.isalnum() else "-" for c in app.name)
    java_cp = [str(JDK / "bin" / "java")]
    if app.main == "org.apache.tools.ant.launch.Launcher":
        java_cp.append("-Dant.home=/usr/share/ant")
    java_cp += ["-cp", ":".join([str(f) for f in app.files] + app.class_path), app.main, *app.args]
    commands = {
        "java -cp": java_cp,
        "launcher, sharing off": [str(build_launcher(work, slug + "-off", description(app, False))),
                                  *app.args],
        "launcher, sharing on": [str(build_launcher(work, slug + "-on", description(app, True))),
                                 *app.args],
    }
    # Warm the caches and the version record; the start with sharing on
    # writes its archive here, so the measured ones are later starts.
    for command in commands.values():
        measure(command, env, app.window)
    # Pages left dirty by what ran before (the other benchmarks, the builds
    # above) would be written back in the middle of the measured starts, and
    # the launcher, which writes more than `java` does, would pay for them.
    os.sync()
    times = {name: [] for name in commands}
    cpu = {name: [] for name in commands}
    memory = {name: [] for name in commands}
    for _ in range(runs):
        for name, command in commands.items():
            elapsed, used, peak = measure(command, env, app.window)
            times[name].append(elapsed)
            cpu[name].append(used)
            memory[name].append(peak)
        for leftover in (work / "tmp").iterdir():  # unpacked files and logs of each run
            shutil.rmtree(leftover, ignore_errors=True) if leftover.is_dir() else leftover.unlink()

    print(f"{app.name}: {runs} runs each, medians (ratios to java -cp: wall, CPU)")
    base = statistics.median(times["java -cp"])
    cpu_base = statistics.median(cpu["java -cp"])
    for name in commands:
        median = statistics.median(times[name])
        used = statistics.median(cpu[name])
        print(f"  {name:24} {median * 1000:8.1f} ms wall {used * 1000:8.1f} ms CPU   peak RSS "
              f"{statistics.median(memory[name]) / 1024:7.1f} MB   ratios {median / base:.3f} "
              f"{used / cpu_base:.3f}")
    off = statistics.median(times["launcher, sharing off"]) / base
    on = statistics.median(times["launcher, sharing on"]) / base
    target_on = 1.00 if app.small else 0.75
    print(f"  sharing off / java: {off:.3f} (target at most 1.03: "
          f"{'met' if off <= 1.03 else 'MISSED'}); sharing on / java: {on:.3f} "
          f"(target at most {target_on:.2f}: {'met' if on <= target_on else 'MISSED'})")


def main():
    work = Path(tempfile.mkdtemp(prefix="lumen-bench-"))
    display = None
    try:
        (work / "Main.java").write_text(HELLO)
        subprocess.run([str(JDK / "bin" / "javac"), "-d", str(work / "classes"), str(work / "Main.java")],
                       check=True)
        subprocess.run([str(JDK / "bin" / "jar"), "--create", "--file", str(work / "app.jar"),
                        "-C", str(work / "classes"), "."], check=True)
        (work / "tmp").mkdir()
        (work / "home").mkdir()
        env = dict(os.environ, JAVA_HOME=str(JDK), TMPDIR=str(work / "tmp"),
                   XDG_CONFIG_HOME=str(work / "config"), XDG_CACHE_HOME=str(work / "cache"),
                   HOME=str(work / "home"))
        env.pop("JAVA_TOOL_OPTIONS", None)
        apps = [App("hello world", [], "Main", files=[work / "app.jar"], small=True)]
        others = real_apps()
        if any(app.window for app in others):
            number = 90 + os.getpid() % 100
            display = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24",
                                        "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            env["DISPLAY"] = f":{number}"
            for _ in range(200):  # until the display answers
                if subprocess.run(["xdotool", "getdisplaygeometry"], env=env,
                                  capture_output=True).returncode == 0:
                    break
                time.sleep(0.05)
        missing = {"ant", "rhino", "jedit"} - {a.name.split()[0] for a in others}
        print(f"Linux launcher start-up (JDK: {JDK})")
        if missing:
            print(f"  not installed, left out: {', '.join(sorted(missing))} "
                  "(scripts/bootstrap.sh installs them)")
        for app in apps + others:
            bench_app(app, work, env, RUNS if app.small else APP_RUNS)
    finally:
        if display is not None:
            display.terminate()
            display.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
