// Helpers for the Windows tests of the launcher's modules, which run under
// Wine: scratch directories, files, child processes with captured output,
// registry clean-up, and fake Java runtimes laid out from the stand-in
// programs of tests/fixtures.
//
// The stand-ins are found in the directory named by the environment
// variable LUMEN_FIXTURES (a Windows path; the test registration sets it),
// else in "fixtures" beside the test executable.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/cpu_arch.h"

namespace lumen::wintest {

inline std::string joinPath(const std::string& directory, const std::string& name) {
    if (directory.empty() || directory.back() == '\\') return directory + name;
    return directory + "\\" + name;
}

inline std::string parentOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

inline std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

inline std::string fixtureDirectory() {
    if (const char* configured = std::getenv("LUMEN_FIXTURES"); configured && *configured)
        return configured;
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    return joinPath(parentOf(std::string(self, length)), "fixtures");
}

// A stand-in program by file name: "java.exe", "javaw.exe", "jvm.dll",
// "jvm_noentry.dll", "jvm_needs_helper.dll", "jvmhelper.dll", "unpack200.exe".
inline std::string fixturePath(const std::string& name) {
    return joinPath(fixtureDirectory(), name);
}

// An exported function by name, as the given pointer type; null when absent.
template <typename Function> Function procAddress(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

inline bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Creates the directory and every missing parent.
inline bool makeDirectories(const std::string& path) {
    if (path.empty() || fileExists(path)) return true;
    const std::string parent = parentOf(path);
    if (!parent.empty() && parent != path && !makeDirectories(parent)) return false;
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Writes the bytes as they are (no line-end translation), creating parents.
inline bool writeFile(const std::string& path, const std::string& content) {
    makeDirectories(parentOf(path));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::string content;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return content;
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

// The file's lines without their line ends (LF or CR LF); none for a
// missing file. Used to count the runs a stand-in logged.
inline std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    const std::string content = readFile(path);
    size_t start = 0;
    while (start < content.size()) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) end = content.size();
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// Copies a file, creating the destination's parents.
inline bool copyFile(const std::string& from, const std::string& to) {
    makeDirectories(parentOf(to));
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

inline bool copyFixture(const std::string& name, const std::string& to) {
    return copyFile(fixturePath(name), to);
}

// Moves the file's last-write time by the given number of seconds, as an
// update of the file in place would.
inline bool shiftLastWriteTime(const std::string& path, long long seconds) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written{};
    bool ok = GetFileTime(file, nullptr, nullptr, &written) != 0;
    if (ok) {
        ULARGE_INTEGER time;
        time.LowPart = written.dwLowDateTime;
        time.HighPart = written.dwHighDateTime;
        time.QuadPart += static_cast<unsigned long long>(seconds * 10000000LL);
        written.dwLowDateTime = time.LowPart;
        written.dwHighDateTime = time.HighPart;
        ok = SetFileTime(file, nullptr, nullptr, &written) != 0;
    }
    CloseHandle(file);
    return ok;
}

// Deletes a file or a whole directory tree; true when nothing is left.
inline bool removeTree(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return DeleteFileA(path.c_str()) != 0;
    }
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(joinPath(path, "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name != "." && name != "..") removeTree(joinPath(path, name));
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    return RemoveDirectoryA(path.c_str()) != 0;
}

// A fresh directory below the system's temporary directory, removed with
// everything in it at the end of the scope. The tag becomes part of the
// name (it may hold blanks, to test paths that need quoting).
class TempDir {
  public:
    explicit TempDir(const std::string& tag = "t") {
        static unsigned counter = 0;
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        for (;;) {
            path_ = joinPath(temp, "lumen_" + tag + "_" + std::to_string(GetCurrentProcessId()) +
                                       "_" + std::to_string(++counter));
            if (CreateDirectoryA(path_.c_str(), nullptr)) break;
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                makeDirectories(path_);
                break;
            }
        }
    }
    ~TempDir() { removeTree(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return joinPath(path_, name); }

  private:
    std::string path_;
};

struct RunResult {
    bool started = false;
    bool timedOut = false; // the child was still running and was terminated
    DWORD exitCode = 0;
    std::string out; // standard output
    std::string err; // standard error
};

namespace detail {

inline HANDLE inheritableTempFile(std::string& path) {
    char directory[MAX_PATH];
    char name[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    if (!GetTempFileNameA(directory, "lwt", 0, name)) return INVALID_HANDLE_VALUE;
    path = name;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline std::string readBack(HANDLE file) {
    std::string content;
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[8192];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    return content;
}

} // namespace detail

// Runs a command line (the program named in it, quoted when it holds
// blanks) with standard output and error captured in files, no standard
// input, and waits at most timeoutMs; a child still running then is
// terminated and reported as timed out.
inline RunResult runCaptured(const std::string& commandLine, DWORD timeoutMs = 10000,
                             const char* currentDirectory = nullptr) {
    RunResult result;
    std::string outPath, errPath;
    HANDLE out = detail::inheritableTempFile(outPath);
    HANDLE err = detail::inheritableTempFile(errPath);
    if (out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process{};
        std::vector<char> line(commandLine.begin(), commandLine.end());
        line.push_back('\0');
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                           currentDirectory, &startup, &process)) {
            result.started = true;
            if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_TIMEOUT) {
                result.timedOut = true;
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, 10000);
            }
            GetExitCodeProcess(process.hProcess, &result.exitCode);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            result.out = detail::readBack(out);
            result.err = detail::readBack(err);
        }
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
    if (!outPath.empty()) DeleteFileA(outPath.c_str());
    if (!errPath.empty()) DeleteFileA(errPath.c_str());
    return result;
}

// Runs the system's reg.exe with the arguments, e.g.
// `runReg("add \"HKCU\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.4\" /v JavaHome /d
// C:\\jre /f")`.
inline RunResult runReg(const std::string& arguments) {
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    return runCaptured(quoted(joinPath(std::string(system, length), "reg.exe")) + " " + arguments,
                       30000);
}

// Deletes a key with all its sub-keys and values; true when it is gone.
inline bool deleteRegistryTree(HKEY root, const std::string& path) {
    using DeleteTree = LONG(WINAPI*)(HKEY, LPCSTR);
    static const auto deleteTree =
        procAddress<DeleteTree>(GetModuleHandleA("advapi32.dll"), "RegDeleteTreeA");
    if (deleteTree == nullptr) return false;
    const LONG status = deleteTree(root, path.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

inline bool registryKeyExists(HKEY root, const std::string& path) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ (or REG_EXPAND_SZ) value as stored, without a trailing
// terminator; false when the key or value is missing or of another type.
inline bool readRegistryString(HKEY root, const std::string& path, const std::string& name,
                               std::string& out) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<char> data(size + 1, '\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    out.assign(data.data(), size);
    while (!out.empty() && out.back() == '\0')
        out.pop_back();
    return true;
}

// Clears a registry key (with its sub-keys) when constructed and again at
// the end of the scope, so that a test group neither sees nor leaves
// entries.
class RegistryKeyReset {
  public:
    RegistryKeyReset(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
        deleteRegistryTree(root_, path_);
    }
    ~RegistryKeyReset() { deleteRegistryTree(root_, path_); }
    RegistryKeyReset(const RegistryKeyReset&) = delete;
    RegistryKeyReset& operator=(const RegistryKeyReset&) = delete;

  private:
    HKEY root_;
    std::string path_;
};

// A file that is only the headers of a PE image built for machine.
inline std::string peHeadersFor(uint16_t machine) {
    std::string image(0x40 + 24, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[0x3C] = 0x40;
    image.replace(0x40, 4, std::string("PE\0\0", 4));
    image[0x44] = static_cast<char>(machine & 0xFF);
    image[0x45] = static_cast<char>(machine >> 8);
    return image;
}

// The architecture this test program is not built for.
#ifdef _WIN64
inline constexpr CpuArch kOtherArch = CpuArch::X86;
inline constexpr uint16_t kOtherMachine = 0x14C;
#else
inline constexpr CpuArch kOtherArch = CpuArch::X64;
inline constexpr uint16_t kOtherMachine = 0x8664;
#endif

// What the fake java.exe answers to " -version" (its java.cfg).
struct FakeJavaAnswer {
    std::vector<std::string> lines{"java version \"1.4.2_08\""};
    std::string stream = "stderr"; // "stderr", "stdout" or "both"
    std::string eol = "crlf";      // "crlf", "lf" or "none"
    unsigned long flood = 0;       // bytes of "j" printed as a first line
    int exitCode = 0;
    unsigned long delayMs = 0;
    bool hang = false;

    static FakeJavaAnswer printing(const std::string& firstLine) {
        FakeJavaAnswer answer;
        answer.lines = {firstLine};
        return answer;
    }

    std::string text() const {
        std::string cfg;
        for (const std::string& line : lines)
            cfg += "line=" + line + "\r\n";
        cfg += "stream=" + stream + "\r\n";
        cfg += "eol=" + eol + "\r\n";
        cfg += "flood=" + std::to_string(flood) + "\r\n";
        cfg += "exit=" + std::to_string(exitCode) + "\r\n";
        cfg += "delay=" + std::to_string(delayMs) + "\r\n";
        cfg += std::string("hang=") + (hang ? "1" : "0") + "\r\n";
        return cfg;
    }
};

// Where a runtime of the test's own architecture keeps its VM library: a
// 64-bit runtime has only the server VM, 32-bit runtimes shipped client.
#ifdef _WIN64
inline const char* const kVmSubdirectory = "server";
#else
inline const char* const kVmSubdirectory = "client";
#endif

struct FakeRuntimeOptions {
    // A development kit: home\jre\bin holds the runtime (java.exe, the VM
    // directory) and home\bin holds a java.exe without VM directories.
    // Otherwise home\bin holds the runtime.
    bool jdk = false;
    bool toolsJar = false;                        // home\lib\tools.jar
    bool javaw = false;                           // javaw.exe beside each java.exe
    bool javaExe = true;                          // false: no java.exe anywhere
    bool unpack200 = false;                       // home\bin\unpack200.exe
    std::string vmSubdirectory = kVmSubdirectory; // empty: no jvm.dll
    // The stand-in copied as jvm.dll: "jvm.dll", "jvm_noentry.dll" or
    // "jvm_needs_helper.dll" (whose jvmhelper.dll goes into the runtime's
    // bin directory only).
    std::string jvmFixture = "jvm.dll";
    // Written as java.cfg beside each java.exe; false keeps the built-in
    // answer (java version "1.4.2_08" on standard error).
    bool writeAnswer = false;
    FakeJavaAnswer answer;
};

struct FakeRuntime {
    std::string home;
    std::string binDirectory; // the runtime's bin: home\bin, or home\jre\bin for a kit
    std::string javaExe;      // binDirectory\java.exe
    std::string javawExe;     // binDirectory\javaw.exe (present only with javaw)
    std::string jvmDll;       // binDirectory\<vmSubdirectory>\jvm.dll, empty without one
    std::string javaLog;      // binDirectory\java.log: one line per run of java.exe
    std::string loadedLog;    // beside jvm.dll: one line per load
    bool complete = false;    // every file was laid out
};

inline FakeRuntime makeFakeRuntime(const std::string& home,
                                   const FakeRuntimeOptions& options = {}) {
    FakeRuntime runtime;
    runtime.home = home;
    runtime.binDirectory = joinPath(home, options.jdk ? "jre\\bin" : "bin");
    runtime.javaExe = joinPath(runtime.binDirectory, "java.exe");
    runtime.javawExe = joinPath(runtime.binDirectory, "javaw.exe");
    runtime.javaLog = joinPath(runtime.binDirectory, "java.log");
    bool ok = makeDirectories(runtime.binDirectory);

    std::vector<std::string> javaDirectories{runtime.binDirectory};
    if (options.jdk) javaDirectories.push_back(joinPath(home, "bin"));
    for (const std::string& directory : javaDirectories) {
        if (!options.javaExe) break;
        ok = copyFixture("java.exe", joinPath(directory, "java.exe")) && ok;
        if (options.javaw) ok = copyFixture("java.exe", joinPath(directory, "javaw.exe")) && ok;
        if (options.writeAnswer)
            ok = writeFile(joinPath(directory, "java.cfg"), options.answer.text()) && ok;
    }
    if (!options.vmSubdirectory.empty()) {
        runtime.jvmDll =
            joinPath(joinPath(runtime.binDirectory, options.vmSubdirectory), "jvm.dll");
        runtime.loadedLog = joinPath(parentOf(runtime.jvmDll), "loaded.log");
        ok = copyFixture(options.jvmFixture, runtime.jvmDll) && ok;
        if (options.jvmFixture == "jvm_needs_helper.dll")
            ok =
                copyFixture("jvmhelper.dll", joinPath(runtime.binDirectory, "jvmhelper.dll")) && ok;
    }
    if (options.toolsJar) // an empty zip archive
        ok = writeFile(joinPath(home, "lib\\tools.jar"),
                       std::string("PK\x05\x06", 4) + std::string(18, '\0')) &&
             ok;
    if (options.unpack200)
        ok = copyFixture("unpack200.exe", joinPath(home, "bin\\unpack200.exe")) && ok;
    runtime.complete = ok;
    return runtime;
}

} // namespace lumen::wintest
