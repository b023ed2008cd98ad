#include <windows.h>

#include <shellapi.h>

#include "builder/host.h"
#include "builder/win_text.h"

namespace lumen::builder {
namespace {

std::string systemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return utf8FromWide(message) + " (error " + std::to_string(code) + ")";
}

} // namespace

std::string utf8FromWide(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring wideFromUtf8(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

std::string ownDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return ".";
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return directoryOf(utf8FromWide(path));
}

bool isReadable(const std::string& path) {
    const HANDLE file = CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i)
        out.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return out;
}

bool createTemporaryFile(const std::string& directory, std::string& path, std::string& error) {
    const std::string prefix =
        directory + "/.lumen-build-" + std::to_string(GetCurrentProcessId()) + "-";
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate = prefix + std::to_string(attempt);
        const HANDLE file = CreateFileW(wideFromUtf8(candidate).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            path = candidate;
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            error =
                directory + ": cannot create a temporary file: " + systemMessage(GetLastError());
            return false;
        }
    }
    error = directory + ": cannot create a temporary file: every name is taken";
    return false;
}

bool replaceFile(const std::string& from, const std::string& to, std::string& error) {
    if (MoveFileExW(wideFromUtf8(from).c_str(), wideFromUtf8(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING) != 0)
        return true;
    error = to + ": cannot write: " + systemMessage(GetLastError());
    return false;
}

void markExecutable(const std::string&) {} // every file may be run on Windows

} // namespace lumen::builder
