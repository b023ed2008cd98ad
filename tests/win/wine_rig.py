"""Runs real launchers under Wine for the Windows tests.

Contract: every test process talks to one shared Wine prefix under the build
tree, prepared once per ctest run by wine_prefix.py (which also starts the
Xvfb display and the persistent wineserver and records both in a state file).
The rig builds launchers with dist/bin/lumen-build from descriptions written
into a temporary directory, runs them with their exit code and both standard
streams captured, and locates their log files in the prefix's temporary
folder. `WineTestCase` wipes the launcher's registry keys and the temporary
folder before each test group, so that no group sees another's state.

Paths come from the environment set by tests/win/CMakeLists.txt:
LUMEN_SOURCE_DIR, LUMEN_DIST_DIR and LUMEN_BUILD_DIR.
"""

import functools
import json
import os
import platform
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("LUMEN_SOURCE_DIR", Path(__file__).resolve().parents[2]))
DIST_DIR = Path(os.environ.get("LUMEN_DIST_DIR", SOURCE_DIR / "dist"))
BUILD_DIR = Path(os.environ.get("LUMEN_BUILD_DIR", SOURCE_DIR / "build" / "native"))
PREFIX = Path(os.environ.get("LUMEN_WINE_PREFIX", BUILD_DIR / "wine-prefix"))
RIG_DIR = BUILD_DIR / "wine-rig"
STATE_FILE = RIG_DIR / "state.json"

# The architectures the Windows tests know. Every test process runs for one
# of them (LUMEN_WINE_ARCH, set by the test runner wine_test.py); x64 is what
# vendors ship and what a host without 32-bit support can still run.
ARCHITECTURES = ("x86", "x64")
ARCH = os.environ.get("LUMEN_WINE_ARCH", "x64")
if ARCH not in ARCHITECTURES:
    raise RuntimeError(f"LUMEN_WINE_ARCH={ARCH!r}: expected one of {ARCHITECTURES}")
IS_64_BIT = ARCH == "x64"

# Wine's loaders, called directly: Debian's `wine` script always takes the
# 32-bit loader when wine32 is installed, even where the kernel refuses to
# run it. The prefix is a win64 one, made and served by the 64-bit loader;
# 32-bit programs run in it through the 32-bit loader (WoW64).
WINE_LIBRARY_DIR = Path(os.environ.get("LUMEN_WINE_LIBRARY_DIR", "/usr/lib/wine"))
LOADERS = {"x64": WINE_LIBRARY_DIR / "wine64", "x86": WINE_LIBRARY_DIR / "wine"}

LUMEN_BUILD = DIST_DIR / "bin" / "lumen-build"
STUBS = {
    ("gui", "x86"): DIST_DIR / "stub" / "lumen-x86.exe",
    ("gui", "x64"): DIST_DIR / "stub" / "lumen-x64.exe",
    ("console", "x86"): DIST_DIR / "stub" / "lumen-console-x86.exe",
    ("console", "x64"): DIST_DIR / "stub" / "lumen-console-x64.exe",
}

BLOCK_MAGIC = 0xE8E413D5
LOG_PREFIX = "tsx_nlog_"
LAUNCHER_KEY = r"SOFTWARE\nordquill\lumen"
# The Windows tree of this architecture: the test executable, the stand-in
# runtime programs and the GUI driver, all built for the same machine as
# the launchers under test.
TREE = SOURCE_DIR / "build" / ("win64" if IS_64_BIT else "win32")
FIXTURES = TREE / "fixtures"
TEST_EXE = TREE / "lumen_win_tests.exe"
GUI_DRIVER = FIXTURES / "gui_driver.exe"
# A 64-bit runtime has only the server VM; 32-bit runtimes shipped client.
VM_SUBDIR = "server" if IS_64_BIT else "client"
# A 32-bit launcher on a 64-bit system reads HKLM\SOFTWARE through the
# WOW6432Node view; `reg` (a 64-bit program here) writes there explicitly.
SOFTWARE_KEY = r"SOFTWARE" if IS_64_BIT else r"SOFTWARE\WOW6432Node"
# Timeouts only guard against a hung launcher; they are not measurements.
RUN_TIMEOUT = 60

WINE_BASE_ENV = {
    "WINEDEBUG": "-all",
    # Without these Wine offers to install Mono and Gecko on a fresh prefix.
    "WINEDLLOVERRIDES": "mscoree,mshtml=",
    # The launchers keep their extraction directory and log, which most
    # tests read after a successful run; test_temp_cleanup turns this off.
    "LUMEN_KEEP_TEMP": "1",
}


def screenshot_dir():
    """Where GUI tests put their screenshots: the build tree, one folder per
    architecture; docs/ (the README's pictures, taken from the 64-bit
    launchers) only when LUMEN_UPDATE_SCREENSHOTS=1."""
    if os.environ.get("LUMEN_UPDATE_SCREENSHOTS") == "1" and IS_64_BIT:
        return SOURCE_DIR / "docs"
    return BUILD_DIR / "screenshots" / ARCH


def stub(flavour, arch=None):
    """The stub of this run's architecture (or of arch) and flavour."""
    return STUBS[(flavour, arch or ARCH)]


def load_state():
    if not STATE_FILE.exists():
        raise RuntimeError(f"{STATE_FILE} is missing: the wine_prefix_setup fixture did not run")
    return json.loads(STATE_FILE.read_text())


def windows_path(path):
    """A Unix path as the prefix's Z: drive shows it."""
    return "Z:" + str(path).replace("/", "\\")


def pe_machine(path):
    """"x86", "x64" or None (not a PE image) from a program's headers."""
    try:
        with open(path, "rb") as image:
            head = image.read(4096)
    except OSError:
        return None
    if head[:2] != b"MZ" or len(head) < 0x40:
        return None
    pe = struct.unpack_from("<I", head, 0x3C)[0]
    if pe + 6 > len(head) or head[pe:pe + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", head, pe + 4)[0]
    return {0x14C: "x86", 0x8664: "x64"}.get(machine)


def loader_for(program):
    """The loader that runs program: the 32-bit one for a 32-bit image,
    the 64-bit one for everything else (Wine's own programs by name)."""
    return LOADERS["x86"] if pe_machine(program) == "x86" else LOADERS["x64"]


def probe_architecture(arch):
    """None when this host runs Wine programs of arch, else the reason it
    cannot, in one line. Honours LUMEN_WINE_ARCHS (for example "x64" or
    "x86,x64"), which restricts the set so that either kind of host can be
    imitated on the other."""
    wanted = os.environ.get("LUMEN_WINE_ARCHS", "").strip()
    if wanted:
        chosen = [part.strip() for part in wanted.split(",") if part.strip()]
        unknown = [part for part in chosen if part not in ARCHITECTURES]
        if unknown:
            return f"LUMEN_WINE_ARCHS={wanted} names unknown architectures {unknown}"
        if arch not in chosen:
            return f"LUMEN_WINE_ARCHS={wanted} leaves {arch} out"
    loader = LOADERS[arch]
    if not loader.exists():
        return f"{loader} is missing (Wine's {arch} loader is not installed)"
    try:
        result = subprocess.run([str(loader), "--version"], capture_output=True, text=True,
                                stdin=subprocess.DEVNULL, timeout=60)
    except OSError as error:
        bits = "32" if arch == "x86" else "64"
        return f"this host cannot run {bits}-bit programs ({loader}: {error.strerror})"
    if result.returncode != 0:
        last = (result.stderr.strip().splitlines() or ["no output"])[-1]
        return f"{loader} --version failed ({result.returncode}): {last}"
    return None


def architecture_status(state=None):
    """{arch: None or the reason it is unavailable}, probed once per run by
    the prefix fixture and kept in its state; probed here when there is no
    state (the restart test runs in a prefix of its own)."""
    if state is None and STATE_FILE.exists():
        state = load_state()
    if state is not None and "architectures" in state:
        return state["architectures"]
    return {arch: probe_architecture(arch) for arch in ARCHITECTURES}


def wine_env(state=None, debug=None, loader=None):
    """The environment for a Wine process of the shared prefix."""
    env = dict(os.environ)
    env.update(WINE_BASE_ENV)
    env["WINEPREFIX"] = str(PREFIX)
    env["WINELOADER"] = str(loader or LOADERS["x64"])
    if state is not None and state.get("display"):
        env["DISPLAY"] = state["display"]
    if debug is not None:
        env["WINEDEBUG"] = debug
    return env


@functools.lru_cache(maxsize=None)
def fixed_layout():
    """The words that run a loader with address-space randomisation off, or
    none where the host refuses that (a container's seccomp profile may).

    Debian's Wine comes without its preloader, which reserves the addresses
    Windows programs need before anything else is mapped; without it a
    randomised heap or library now and then lands on the page of Windows'
    shared user data, and the program dies in Wine's start-up ("failed to
    map the shared user data", exit 1, nothing of the program run). The
    personality is inherited, so every process Wine starts in turn is
    covered too."""
    words = ["setarch", platform.machine(), "-R"]
    try:
        probe = subprocess.run([*words, "true"], capture_output=True, stdin=subprocess.DEVNULL,
                               timeout=60)
    except OSError:
        return ()
    return tuple(words) if probe.returncode == 0 else ()


def wine_command(program, args=()):
    """The command line that runs a Windows program (a path, or the name of
    one of Wine's own programs such as "reg") with its own loader."""
    return [*fixed_layout(), str(loader_for(program)), str(program), *[str(a) for a in args]]


class Run:
    """Outcome of one launcher run. unix_returncode is what the Unix process
    ended with; returncode is the program's own exit code, the same unless
    wineserver killed a slow Unix exit (see exit_record.c)."""

    def __init__(self, args, returncode, stdout, stderr, unix_returncode=None):
        self.args = args
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.unix_returncode = returncode if unix_returncode is None else unix_returncode

    def __repr__(self):
        unix = "" if self.unix_returncode == self.returncode else f" (unix {self.unix_returncode})"
        return (f"Run({self.args!r}, rc={self.returncode}{unix}, stdout={self.stdout!r}, "
                f"stderr={self.stderr!r})")


def _decode(data):
    return data.decode("cp1252", errors="replace")


PRELOAD_DIR = BUILD_DIR / "tests" / "win" / "preload"
EXIT_RECORD_LIBRARY = "exit_record"


class ExitRecords:
    """The exit codes that Wine programs handed to exit(), recorded by the
    preloaded exit_record library in a directory of the caller's, one file
    per Unix process. Once a program has ended Windows-side, wineserver gives
    its Unix side half a second before a SIGKILL; on a busy machine that can
    hit a program that ended normally."""

    def __init__(self, directory):
        self.directory = Path(directory)
        self.directory.mkdir(parents=True, exist_ok=True)

    def env(self, env):
        """env with the record preloaded into every process, when both
        variants are built (a missing one would make the dynamic loader
        complain on stderr); it expands $PLATFORM per process."""
        env = {**env, "LUMEN_EXIT_RECORD_DIR": str(self.directory)}
        name = f"lib{EXIT_RECORD_LIBRARY}.so"
        if all((PRELOAD_DIR / platform / name).exists() for platform in ("x86_64", "i686")):
            preload = f"{PRELOAD_DIR}/$PLATFORM/{name}"
            env["LD_PRELOAD"] = " ".join(filter(None, [env.get("LD_PRELOAD"), preload]))
        return env

    def returncode(self, pid, unix_returncode, killed_by_rig=False):
        """The program's exit code: the Unix status, unless the process was
        SIGKILLed by someone other than the rig after it had called exit()."""
        record = self.directory / str(pid)
        if unix_returncode != -signal.SIGKILL or killed_by_rig or not record.exists():
            return unix_returncode
        try:
            return int(record.read_text().strip()) & 0xFF
        except ValueError:
            return unix_returncode


def run_recorded(args, env, timeout=RUN_TIMEOUT, **popen):
    """subprocess.run for a Wine program (output captured unless popen says
    otherwise), with the program's own exit code (see ExitRecords).

    Output is captured in files, not pipes: a program that starts
    wineserver hands its streams on to the server, which outlives it, so
    reading a pipe to its end would wait for the server to exit."""
    with tempfile.TemporaryDirectory(prefix="lumen-exit-") as directory:
        records = ExitRecords(Path(directory) / "exit")
        streams = {}
        for name in ("stdout", "stderr"):
            if name not in popen:
                streams[name] = popen[name] = open(Path(directory) / name, "w+b")
        try:
            with subprocess.Popen(args, env=records.env(env), stdin=subprocess.DEVNULL,
                                  **popen) as process:
                try:
                    process.wait(timeout=timeout)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
                    raise
            returncode = records.returncode(process.pid, process.returncode)
            output = {}
            for name, stream in streams.items():
                stream.seek(0)
                output[name] = stream.read()
        finally:
            for stream in streams.values():
                stream.close()
    return subprocess.CompletedProcess(args, returncode, output.get("stdout"),
                                       output.get("stderr"))


class RunningProcess:
    """A Wine process started in the background, streams going to files.

    Files rather than pipes: Wine's helper processes may inherit the
    standard handles and would otherwise keep a pipe open after the
    launcher has ended."""

    def __init__(self, args, env, cwd=None):
        self.args = args
        self._dir = tempfile.TemporaryDirectory(prefix="lumen-run-")
        self._out = open(Path(self._dir.name) / "stdout", "w+b")
        self._err = open(Path(self._dir.name) / "stderr", "w+b")
        self._records = ExitRecords(Path(self._dir.name) / "exit")
        self._killed = False
        self.process = subprocess.Popen(args, env=self._records.env(env), cwd=cwd, stdin=subprocess.DEVNULL,
                                        stdout=self._out, stderr=self._err)

    @property
    def pid(self):
        return self.process.pid

    def running(self):
        return self.process.poll() is None

    def stderr_so_far(self):
        self._err.flush()
        return _decode(Path(self._err.name).read_bytes())

    def wait(self, timeout=RUN_TIMEOUT):
        try:
            unix_returncode = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise AssertionError(f"{self.args} did not end within {timeout} s")
        finally:
            self._out.close()
            self._err.close()
        returncode = self._records.returncode(self.process.pid, unix_returncode, self._killed)
        run = Run(self.args, returncode, _decode(Path(self._out.name).read_bytes()),
                  _decode(Path(self._err.name).read_bytes()), unix_returncode)
        self._dir.cleanup()
        return run

    def kill(self):
        if self.running():
            self._killed = True
            self.process.kill()
        self.process.wait()


def start_wine(exe, args=(), state=None, debug=None, cwd=None, env=None):
    state = state if state is not None else load_state()
    environment = wine_env(state, debug, loader_for(exe))
    environment.update(env or {})
    return RunningProcess(wine_command(exe, args), environment, cwd)


def run_wine(exe, args=(), state=None, debug=None, cwd=None, timeout=RUN_TIMEOUT, env=None):
    return start_wine(exe, args, state, debug, cwd, env).wait(timeout)


def wine_reg_delete(key, state=None):
    """Deletes a registry key in both registry views; a missing key is fine."""
    for view in ("/reg:32", "/reg:64"):
        result = subprocess.run(wine_command("reg", ["delete", key, "/f", view]),
                                env=wine_env(state), stdin=subprocess.DEVNULL,
                                capture_output=True, timeout=RUN_TIMEOUT)
        text = _decode(result.stdout + result.stderr)
        if result.returncode != 0 and "Unable to find" not in text:
            raise RuntimeError(f"wine reg delete {key} {view} failed: {text}")


def temp_dir(state=None):
    """The prefix's temporary folder (where TMP points) as a Unix path."""
    state = state if state is not None else load_state()
    return Path(state["temp_unix"])


def reset_launcher_state(state=None):
    state = state if state is not None else load_state()
    wine_reg_delete("HKCU\\" + LAUNCHER_KEY, state)
    wine_reg_delete("HKLM\\" + LAUNCHER_KEY, state)
    folder = temp_dir(state)
    folder.mkdir(parents=True, exist_ok=True)
    for entry in folder.iterdir():
        if entry.is_dir() and not entry.is_symlink():
            shutil.rmtree(entry)
        else:
            entry.unlink()


# ---------------------------------------------------------------------------
# Stand-in Java runtimes of this run's architecture


def vm_dir(home):
    """Where a runtime of this architecture keeps its VM library."""
    return Path(home) / "bin" / VM_SUBDIR


def stand_in_runtime(home, version="1.8.0_202", vm=True, line=None):
    """A stand-in runtime under home: bin\\java.exe and javaw.exe answering
    -version with `line` (by default `java version "<version>"`, from
    bin\\java.cfg) and the recording VM library as jvm.dll in the VM
    directory of this architecture. Returns home."""
    home = Path(home)
    (home / "bin").mkdir(parents=True, exist_ok=True)
    for exe in ("java.exe", "javaw.exe"):
        shutil.copy(FIXTURES / "java.exe", home / "bin" / exe)
    text = line if line is not None else f'java version "{version}"'
    (home / "bin" / "java.cfg").write_bytes(f"line={text}\r\n".encode())
    if vm:
        vm_dir(home).mkdir(exist_ok=True)
        shutil.copy(FIXTURES / "jvm_recording.dll", vm_dir(home) / "jvm.dll")
    return home


def vm_control(home, text):
    """The recording VM's control file (what it fails, waits for, ...)."""
    (vm_dir(home) / "jvm_control.txt").write_text(text)


def vm_record(home):
    """The JNI calls the recording VM of that runtime saw, one per line."""
    path = vm_dir(home) / "jvm_record.txt"
    return path.read_text(encoding="utf-8").splitlines() if path.exists() else []


# ---------------------------------------------------------------------------
# Descriptions and lumen-build


def _toml_string(text):
    escaped = []
    for ch in text:
        if ch == "\\":
            escaped.append("\\\\")
        elif ch == '"':
            escaped.append('\\"')
        elif ord(ch) < 0x20 or ord(ch) == 0x7F:
            escaped.append(f"\\u{ord(ch):04x}")
        else:
            escaped.append(ch)
    return '"' + "".join(escaped) + '"'


def description_toml(properties=None, wide=None, files=None, architecture=None, tables="",
                     splash_image=None):
    """A description with raw ids only (raw ids are the stable part of it),
    the stub's architecture and the splash picture when given, and further
    TOML tables (the vendor's resources) as they stand."""
    lines = []
    if files:
        items = []
        for entry in files:
            fields = [f"path = {_toml_string(str(entry['path']))}"]
            if "name" in entry:
                fields.append(f"name = {_toml_string(entry['name'])}")
            items.append("{ " + ", ".join(fields) + " }")
        lines.append("files = [" + ", ".join(items) + "]")
    if architecture is not None:
        lines += ["[launcher]", f"architecture = {_toml_string(architecture)}"]
    lines.append("[properties]")
    for key, value in sorted((properties or {}).items()):
        lines.append(f"{int(key)} = {_toml_string(value)}")
    lines.append("[wide-properties]")
    for key, value in sorted((wide or {}).items()):
        lines.append(f"{int(key)} = {_toml_string(value)}")
    if splash_image is not None:
        lines += ["[splash]", f"image = {_toml_string(str(splash_image))}"]
    return "\n".join(lines) + "\n" + tables


def build_launcher(directory, name, properties=None, wide=None, files=None, stub=None,
                   tables="", splash_image=None):
    """Writes a description into directory and builds NAME.exe from it: on
    the given stub, or on the stub lumen-build picks for this run's
    architecture."""
    directory = Path(directory)
    description = directory / f"{name}.toml"
    description.write_text(description_toml(properties, wide, files,
                                            architecture=None if stub else ARCH, tables=tables,
                                            splash_image=splash_image),
                           encoding="utf-8")
    output = directory / f"{name}.exe"
    command = [str(LUMEN_BUILD), str(description), "-o", str(output)]
    if stub is not None:
        command += ["--stub", str(stub)]
    result = subprocess.run(command, capture_output=True, text=True, timeout=RUN_TIMEOUT)
    if result.returncode != 0:
        raise AssertionError(f"lumen-build failed ({result.returncode}): {result.stderr}")
    return output


# ---------------------------------------------------------------------------
# The appended block as laid out in a built launcher


def image_end(data):
    """End of the last section's raw data and the certificate table's
    offset (or None), from the PE headers."""
    if data[:2] != b"MZ":
        raise ValueError("not an MZ image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    sections, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    optional = pe + 24
    magic, = struct.unpack_from("<H", data, optional)
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    certificate_offset, certificate_size = struct.unpack_from("<II", data, directories + 4 * 8)
    end = 0
    table = optional + optional_size
    for index in range(sections):
        raw_size, raw_pointer = struct.unpack_from("<II", data, table + 40 * index + 16)
        if raw_size:
            end = max(end, raw_pointer + raw_size)
    certificate = certificate_offset if certificate_offset and certificate_size else None
    return end, certificate


def code_sections(data):
    """{name: raw bytes} of every section but the resources, which
    lumen-build rewrites: what tells which stub a launcher was built on."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, = struct.unpack_from("<H", data, pe + 6)
    optional_size, = struct.unpack_from("<H", data, pe + 20)
    table = pe + 24 + optional_size
    found = {}
    for index in range(sections):
        entry = table + 40 * index
        name = data[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        raw_size, raw_pointer = struct.unpack_from("<II", data, entry + 16)
        if name != ".rsrc":
            found[name] = data[raw_pointer:raw_pointer + raw_size]
    return found


class Entry:
    def __init__(self, id_at, length_at, text_at, prop_id, length):
        self.id_at = id_at
        self.length_at = length_at
        self.text_at = text_at
        self.id = prop_id
        self.length = length


class BlockLayout:
    """Offsets of every field of the block in a launcher's bytes."""

    def __init__(self, data):
        self.start, self.certificate = image_end(data)
        self.magic_at = self.start
        self.narrow_count_at = self.start + 4
        position = self.narrow_count_at
        self.narrow, position = self._table(data, position, wide=False)
        self.wide_count_at = position
        self.wide, position = self._table(data, position, wide=True)
        self.files_at = position

    @staticmethod
    def _table(data, position, wide):
        count, = struct.unpack_from("<i", data, position)
        position += 4
        entries = []
        for _ in range(max(count, 0)):
            prop_id, length = struct.unpack_from("<ii", data, position)
            entries.append(Entry(position, position + 4, position + 8, prop_id, length))
            position += 8 + length
        return entries, position

    def narrow_entry(self, prop_id):
        return next(entry for entry in self.narrow if entry.id == prop_id)

    def wide_entry(self, prop_id):
        return next(entry for entry in self.wide if entry.id == prop_id)


def read_layout(path):
    return BlockLayout(Path(path).read_bytes())


def write_damaged(source, target, cut_at=None, patches=()):
    """Copies a launcher, overwriting (offset, bytes) patches and then
    cutting the file at cut_at when given."""
    data = bytearray(Path(source).read_bytes())
    for offset, replacement in patches:
        data[offset:offset + len(replacement)] = replacement
    if cut_at is not None:
        del data[cut_at:]
    Path(target).write_bytes(bytes(data))
    return Path(target)


# ---------------------------------------------------------------------------
# Reports and logs

REPORT = re.compile(r"\A(?P<text>.*?)(?P<eol>\r?\n)(?P=eol)Log: (?P<log>[^\r\n]*)(?P=eol)\Z", re.S)


def parse_report(stderr):
    """Splits '<text>\\n\\nLog: <path>\\n' into (text, log path); None when
    stderr has another shape."""
    match = REPORT.match(stderr)
    return (match.group("text"), match.group("log")) if match else None


def unix_path_of_log(windows_path, state=None):
    """Maps a log path the launcher reported to the Unix file, provided it
    lies in the prefix's temporary folder (the only place it may lie)."""
    state = state if state is not None else load_state()
    folder = state["temp_windows"].rstrip("\\") + "\\"
    if not windows_path.lower().startswith(folder.lower()):
        return None
    return Path(state["temp_unix"]) / windows_path[len(folder):]


def logs_in_temp(state=None):
    return sorted(temp_dir(state).glob(LOG_PREFIX + "*"))


def read_log(path):
    return Path(path).read_bytes().decode("cp1252").replace("\r\n", "\n")


def log_lines(text):
    return text.split("\n")


class WineTestCase(unittest.TestCase):
    """A test group against the shared prefix: state wiped at its start,
    a scratch directory for its launchers."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.state = load_state()
        for tool in (LUMEN_BUILD, *STUBS.values(), GUI_DRIVER, FIXTURES / "jvm_recording.dll"):
            if not tool.exists():
                raise RuntimeError(f"{tool} is missing: run `make dist` first")
        reset_launcher_state(cls.state)
        cls._scratch = tempfile.TemporaryDirectory(prefix="lumen-wine-")
        cls.work = Path(cls._scratch.name)

    @classmethod
    def tearDownClass(cls):
        cls._scratch.cleanup()
        super().tearDownClass()

    def set_java_home(self, value):
        """Sets (or with None removes) JAVA_HOME for the launchers this test
        starts; the value from before the test comes back after it."""
        if not getattr(self, "_java_home_saved", False):
            self._java_home_saved = True
            saved = os.environ.get("JAVA_HOME")
            self.addCleanup(lambda: os.environ.__setitem__("JAVA_HOME", saved) if saved is not None
                            else os.environ.pop("JAVA_HOME", None))
        if value is None:
            os.environ.pop("JAVA_HOME", None)
        else:
            os.environ["JAVA_HOME"] = value

    def run_launcher(self, exe, args=(), **kwargs):
        # Earlier runs' logs go first, so that the run's own log is the
        # only one in the folder.
        for log in logs_in_temp(self.state):
            log.unlink()
        return run_wine(exe, args, state=self.state, **kwargs)

    def assert_fatal_report(self, run, text):
        """A fatal report on stderr: exactly the text, a blank line and the
        log line, then exit code 1; the named log exists in the prefix's
        temporary folder and starts with its header. Returns the log text."""
        self.assertEqual(run.returncode, 1, run)
        report = parse_report(run.stderr)
        self.assertIsNotNone(report, f"stderr is not '<text>, blank line, Log: <path>': {run}")
        reported_text, log_path = report
        self.assertEqual(reported_text, text, run)
        return self.assert_log_named(log_path)

    def assert_log_named(self, log_path):
        unix = unix_path_of_log(log_path, self.state)
        self.assertIsNotNone(unix, f"log {log_path!r} is not in {self.state['temp_windows']}")
        self.assertTrue(unix.name.startswith(LOG_PREFIX), log_path)
        self.assertTrue(unix.is_file(), f"log {unix} does not exist")
        text = read_log(unix)
        self.assertTrue(text.startswith("Started executable "), text[:200])
        return text

    def only_log(self):
        """The one log file in the temporary folder, for a run that did not
        report its path."""
        logs = logs_in_temp(self.state)
        self.assertEqual(len(logs), 1, f"expected one log, found {logs}")
        text = read_log(logs[0])
        self.assertTrue(text.startswith("Started executable "), text[:200])
        return text

    def run_to_runtime_dialog(self, exe, args=()):
        """Runs a launcher without the quiet switch in a prefix without a
        Java runtime: answers a question about an earlier start with No,
        waits for the runtime-not-found dialog and cancels it. The run
        carries the dialog as the driver saw it (runtime_dialog)."""
        for log in logs_in_temp(self.state):
            log.unlink()
        process = start_wine(exe, args, state=self.state)
        gui = Gui(self.state, exe)
        try:
            window = gui.wait_for(process, lambda w: is_question(w) or is_runtime_dialog(w))
            if is_question(window):
                gui.click(window, ID_NO)
                window = gui.wait_for(process, is_runtime_dialog)
            gui.click(window, ID_CANCEL)
            run = process.wait()
        finally:
            process.kill()
        run.runtime_dialog = window
        return run

    def assert_block_read(self, log, run, quiet=False):
        lines = log_lines(log)
        self.assertIn("Init", lines, log)
        self.assertIn("Init done", lines, log)
        self.assertLess(lines.index("Init"), lines.index("Init done"), log)
        self.assertNotIn("Internal Error", log + run.stderr)
        if quiet:
            # The quiet start-up runs to the runtime search; this prefix has
            # no Java runtime, so it ends with 83.
            self.assertIn("ERROR: No JRE found", lines, log)
            self.assertIn("no jre found", run.stdout)
            self.assertEqual(run.returncode, 83, run)
        else:
            # The dialog start-up ran to the runtime-not-found dialog, whose
            # Cancel button ends the launcher with 1.
            self.assertIn("Starting work", lines, log)
            self.assertIn("ERROR: No JVM found", lines, log)
            self.assertTrue(any(line.startswith("Download location: ") for line in lines), log)
            self.assertIsNotNone(getattr(run, "runtime_dialog", None), run)
            self.assertEqual(run.returncode, 1, run)


def wait_until(predicate, timeout, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)


# ---------------------------------------------------------------------------
# The X display (Xvfb) for launchers that show windows

WINE_TRACE_LINE = re.compile(r"^[0-9a-f]{4}:(trace|fixme|err|warn):.*$\n?", re.M)
MSGBOX_TRACE = re.compile(r'^[0-9a-f]{4}:trace:msgbox:MSGBOX_OnInit L"(?P<text>.*)"$', re.M)
# Wine traces the text of every message box it lays out.
MSGBOX_DEBUG = "-all,trace+msgbox"


def without_wine_traces(text):
    return WINE_TRACE_LINE.sub("", text)


def _unescape_wine_string(text):
    return re.sub(r"\\(x[0-9a-fA-F]{2,4}|u[0-9a-fA-F]{4}|[nrt\\\"])",
                  lambda m: {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"'}.get(
                      m.group(1)) or chr(int(m.group(1)[1:], 16)), text)


def traced_message_boxes(stderr):
    return [_unescape_wine_string(m.group("text")) for m in MSGBOX_TRACE.finditer(stderr)]


class Display:
    def __init__(self, state):
        self.env = dict(os.environ, DISPLAY=state["display"])

    def _run(self, *args, timeout=10):
        return subprocess.run(list(args), env=self.env, capture_output=True, text=True,
                              stdin=subprocess.DEVNULL, timeout=timeout)

    def visible_windows(self, pid, exe_name):
        """Visible top-level windows of a launcher process: by the pid Wine
        records on them, else by the executable's name as window class."""
        found = self._run("xdotool", "search", "--onlyvisible", "--pid", str(pid)).stdout.split()
        if not found:
            found = self._run("xdotool", "search", "--onlyvisible", "--classname",
                              "^" + re.escape(exe_name) + "$").stdout.split()
        return found

    def window_name(self, window):
        return self._run("xdotool", "getwindowname", window).stdout.rstrip("\n")

    def click(self, window, x, y):
        # There is no window manager: a click is what gives the box focus.
        self._run("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "1")

    def key(self, *keys):
        self._run("xdotool", "key", "--clearmodifiers", *keys)

    def clipboard(self):
        result = self._run("xclip", "-o", "-selection", "clipboard", timeout=5)
        return result.stdout if result.returncode == 0 else None

    def screenshot(self, path, rect=None, margin=0):
        """The screen, or the part of it that rect (left, top, right,
        bottom) covers, as a PNG without time stamps."""
        Path(path).parent.mkdir(parents=True, exist_ok=True)
        crop = []
        if rect is not None:
            left, top, right, bottom = rect
            left, top = max(left - margin, 0), max(top - margin, 0)
            crop = ["-crop", f"{right - left + margin}x{bottom - top + margin}+{left}+{top}",
                    "+repage"]
        self._run("import", "-window", "root", *crop, "-strip",
                  "-define", "png:exclude-chunks=date,time", str(path), timeout=30)
        return Path(path)


# ---------------------------------------------------------------------------
# The launcher's own windows, through the test driver (a Wine program in the
# same prefix: tests/fixtures/gui_driver.cpp)

WINDOW_TIMEOUT = 45
ID_OK, ID_CANCEL, ID_YES, ID_NO = 1, 2, 6, 7
MESSAGE_BOX_TEXT = 0xFFFF  # the text control of Wine's message boxes


def control(window, control_id):
    """The control of a listed window with that id, or None."""
    return next((c for c in window["controls"] if c["id"] == control_id), None)


def is_progress_dialog(window):
    return window["class"] == "LumenProgressDialog"


def is_runtime_dialog(window):
    return window["visible"] and window["class"] == "#32770" and control(window, 1005) is not None


def is_question(window):
    return (window["visible"] and window["class"] == "#32770" and
            control(window, ID_YES) is not None and control(window, ID_NO) is not None)


def is_message_box(window):
    return (window["visible"] and window["class"] == "#32770" and
            control(window, MESSAGE_BOX_TEXT) is not None and control(window, ID_YES) is None)


class Gui:
    """The top-level windows of the processes running one executable."""

    def __init__(self, state, exe):
        if not GUI_DRIVER.exists():
            raise RuntimeError(f"{GUI_DRIVER} is missing: run `make dist` first")
        self.state = state
        self.name = Path(exe).name

    def _driver(self, *args):
        # A Wine process that starts while the machine is very busy may
        # stall in its start-up, or die in it with exit code 1 and no output
        # (the driver itself only ends with 0, 2 or 3): a few more tries tell
        # that from a real fault.
        attempts = 3
        for attempt in range(1, attempts + 1):
            try:
                result = run_recorded(wine_command(GUI_DRIVER, args),
                                      wine_env(self.state, loader=loader_for(GUI_DRIVER)))
            except subprocess.TimeoutExpired:
                if attempt == attempts:
                    raise
                continue
            if result.returncode in (0, 2, 3) or attempt == attempts:
                return result
            time.sleep(0.5)
        return None

    def windows(self):
        result = self._driver("list", self.name)
        if result.returncode != 0:
            raise AssertionError(f"gui_driver list failed: {result}")
        return [w for w in json.loads(result.stdout.decode("ascii")) if w["class"] != "IME"]

    def wait_for(self, process, predicate, timeout=WINDOW_TIMEOUT):
        """The first window that satisfies predicate; fails when the process
        ends first or nothing matches in time."""
        seen = []

        def look():
            if not process.running():
                return "ended"
            windows = self.windows()
            seen[:] = windows
            return next((w for w in windows if predicate(w)), None)

        found = wait_until(look, timeout, interval=0.2)
        if found == "ended":
            run = process.wait()
            raise AssertionError(f"the launcher ended before the window appeared: {run}")
        if found is None:
            raise AssertionError(f"no such window within {timeout} s; windows: {seen}")
        return found

    def window(self, handle):
        return next((w for w in self.windows() if w["handle"] == handle), None)

    def click(self, window, control_id):
        result = self._driver("click", window["handle"], control_id)
        if result.returncode != 0:
            raise AssertionError(f"no control {control_id} in {window}")

    def close(self, window):
        result = self._driver("close", window["handle"])
        if result.returncode != 0:
            raise AssertionError(f"no window {window}")

    def set_text(self, window, control_id, text):
        result = self._driver("settext", window["handle"], control_id, text)
        if result.returncode != 0:
            raise AssertionError(f"no control {control_id} in {window}")
