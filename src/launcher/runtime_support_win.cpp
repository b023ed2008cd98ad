// The stubs' own versions of the C++ run-time's failure paths.
//
// The launcher reports its errors as values and is built without
// exceptions, so a throw from the standard library (a string grown past its
// maximum size, an out-of-range index, memory exhausted) can only mean that
// the process is beyond saving. These definitions end it at once with a one
// line note instead. Defining them here keeps the library's own versions out
// of the link, and with them the exception classes, the old-ABI strings
// their messages are kept in, and the name demangler of the verbose
// terminate handler: together about a third of the stub.
//
// Linked into the Windows stubs only; every other program keeps the
// library's behaviour.
#include <windows.h>
// delayimp.h needs the types of windows.h first.
#include <delayimp.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "os/library.h"

namespace {

[[noreturn]] void fatal(const char* what) noexcept {
    // The console flavour, or a GUI launcher whose standard error was
    // redirected, leaves a trace; a GUI launcher without one ends silently,
    // as it did when the library's handler had nowhere to write.
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        (void)WriteFile(error, "lumen: ", 7, &written, nullptr);
        (void)WriteFile(error, what, static_cast<DWORD>(lstrlenA(what)), &written, nullptr);
        (void)WriteFile(error, "\r\n", 2, &written, nullptr);
    }
    std::abort();
}

void* allocate(std::size_t size) noexcept {
    // malloc(0) may answer null; C++ wants a distinct pointer.
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrDie(std::size_t size) noexcept {
    void* memory = allocate(size);
    if (memory == nullptr) fatal("out of memory");
    return memory;
}

} // namespace

// These definitions replace the run-time's own, so they take its reserved
// names and signatures (variadic, in namespace std) as they are.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,cert-dcl50-cpp)
namespace __gnu_cxx {
// Stands in for the handler that would demangle and print the type of an
// exception nobody caught.
void __verbose_terminate_handler() {
    fatal("terminate called");
}
} // namespace __gnu_cxx

// The library's throw helpers, all of them defined in the one library member
// this file replaces; a single one missing would bring that member back.
namespace std {
void __throw_bad_exception() {
    fatal("bad exception");
}
void __throw_bad_alloc() {
    fatal("out of memory");
}
void __throw_bad_array_new_length() {
    fatal("bad array length");
}
void __throw_bad_cast() {
    fatal("bad cast");
}
void __throw_bad_typeid() {
    fatal("bad typeid");
}
void __throw_logic_error(const char* what) {
    fatal(what);
}
void __throw_domain_error(const char* what) {
    fatal(what);
}
void __throw_invalid_argument(const char* what) {
    fatal(what);
}
void __throw_length_error(const char* what) {
    fatal(what);
}
void __throw_out_of_range(const char* what) {
    fatal(what);
}
void __throw_out_of_range_fmt(const char* what, ...) {
    fatal(what);
}
void __throw_runtime_error(const char* what) {
    fatal(what);
}
void __throw_range_error(const char* what) {
    fatal(what);
}
void __throw_overflow_error(const char* what) {
    fatal(what);
}
void __throw_underflow_error(const char* what) {
    fatal(what);
}
void __throw_system_error(int) {
    fatal("system error");
}
void __throw_bad_function_call() {
    fatal("bad function call");
}
} // namespace std

// The library's allocation operators throw std::bad_alloc.
void* operator new(std::size_t size) {
    return allocateOrDie(size);
}
void* operator new[](std::size_t size) {
    return allocateOrDie(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

// zlib's gz functions format their error texts (%s and %d only) through
// mingw-w64's C99 printf; the system's own does that as well, and keeps the
// C99 printf and its float printer (23 KB) out of the stub.
extern "C" int __ms_vsnprintf(char* buffer, std::size_t size, const char* format,
                              va_list arguments);
extern "C" int __mingw_vsnprintf(char* buffer, std::size_t size, const char* format,
                                 va_list arguments) {
    return __ms_vsnprintf(buffer, size, format, arguments);
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp,cert-dcl58-cpp,cert-dcl50-cpp)

namespace {

// The delay-loaded system DLLs (user32, gdi32: see cmake/stub.cmake) come
// from the system directory only, like every library the launcher loads;
// the run-time's helper would otherwise search for them by name.
FARPROC WINAPI loadDelayedLibrary(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary) return nullptr;
    return reinterpret_cast<FARPROC>(lumen::os::loadSystemLibraryNamed(info->szDll));
}

} // namespace

extern "C" {
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables): the run-time's hook
PfnDliHook __pfnDliNotifyHook2 = loadDelayedLibrary;
}
