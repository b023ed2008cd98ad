#include "os/crypto.h"

#include <windows.h>

#include <bcrypt.h>
#include <vector>

#include "os/library.h"
#include "os/paths.h"

namespace lumen::os {
namespace {

using OpenAlgorithm = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE*, LPCWSTR, LPCWSTR, ULONG);
using CloseAlgorithm = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, ULONG);
using GetProperty = NTSTATUS(WINAPI*)(BCRYPT_HANDLE, LPCWSTR, PUCHAR, ULONG, ULONG*, ULONG);
using CreateHash = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, BCRYPT_HASH_HANDLE*, PUCHAR, ULONG, PUCHAR,
                                     ULONG, ULONG);
using HashData = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using FinishHash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE, PUCHAR, ULONG, ULONG);
using DestroyHash = NTSTATUS(WINAPI*)(BCRYPT_HASH_HANDLE);
using GenRandom = NTSTATUS(WINAPI*)(BCRYPT_ALG_HANDLE, PUCHAR, ULONG, ULONG);

template <typename Function> bool resolve(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(libraryFunction(library, name));
    return out != nullptr;
}

void* loadBcrypt() {
    std::string system;
    if (!systemDirectory(system)) return nullptr;
    return loadSystemLibrary(system + "\\bcrypt.dll");
}

// A failed call's status, kept where the other OS calls keep their error.
bool succeeded(NTSTATUS status) {
    if (status >= 0) return true;
    SetLastError(static_cast<DWORD>(status));
    return false;
}

// An algorithm provider of bcrypt.dll, closed when it goes.
struct Provider {
    CloseAlgorithm close = nullptr;
    BCRYPT_ALG_HANDLE handle = nullptr;
    Provider() = default;
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    ~Provider() {
        if (handle != nullptr) close(handle, 0);
    }
    bool open(void* library, const wchar_t* algorithm) {
        OpenAlgorithm openAlgorithm = nullptr;
        if (!resolve(library, "BCryptOpenAlgorithmProvider", openAlgorithm) ||
            !resolve(library, "BCryptCloseAlgorithmProvider", close))
            return false;
        return succeeded(openAlgorithm(&handle, algorithm, nullptr, 0));
    }
};

} // namespace

bool randomBytes(void* buffer, size_t size) {
    void* library = loadBcrypt();
    GenRandom generate = nullptr;
    Provider provider;
    if (library == nullptr || !resolve(library, "BCryptGenRandom", generate) ||
        !provider.open(library, BCRYPT_RNG_ALGORITHM))
        return false;
    auto* bytes = static_cast<PUCHAR>(buffer);
    while (size > 0) {
        const ULONG piece = size > 0x10000000u ? 0x10000000u : static_cast<ULONG>(size);
        if (!succeeded(generate(provider.handle, bytes, piece, 0))) return false;
        bytes += piece;
        size -= piece;
    }
    return true;
}

struct Sha256::State {
    Provider provider;
    HashData hashData = nullptr;
    FinishHash finishHash = nullptr;
    DestroyHash destroyHash = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    // Older systems want the caller to hold the hash object's memory.
    std::vector<UCHAR> object;
    ~State() {
        if (hash != nullptr) destroyHash(hash);
    }
};

Sha256::Sha256() = default;
Sha256::~Sha256() = default;

bool Sha256::start() {
    state_.reset();
    void* library = loadBcrypt();
    if (library == nullptr) return false;
    auto state = std::make_unique<State>();
    GetProperty getProperty = nullptr;
    CreateHash createHash = nullptr;
    if (!resolve(library, "BCryptGetProperty", getProperty) ||
        !resolve(library, "BCryptCreateHash", createHash) ||
        !resolve(library, "BCryptHashData", state->hashData) ||
        !resolve(library, "BCryptFinishHash", state->finishHash) ||
        !resolve(library, "BCryptDestroyHash", state->destroyHash))
        return false;
    if (!state->provider.open(library, BCRYPT_SHA256_ALGORITHM)) return false;
    DWORD objectLength = 0;
    ULONG written = 0;
    if (!succeeded(getProperty(state->provider.handle, BCRYPT_OBJECT_LENGTH,
                               reinterpret_cast<PUCHAR>(&objectLength), sizeof objectLength,
                               &written, 0)))
        return false;
    state->object.resize(objectLength);
    if (!succeeded(createHash(state->provider.handle, &state->hash, state->object.data(),
                              objectLength, nullptr, 0, 0)))
        return false;
    state_ = std::move(state);
    return true;
}

bool Sha256::add(const void* data, size_t size) {
    if (state_ == nullptr) return false;
    auto* bytes = static_cast<PUCHAR>(const_cast<void*>(data));
    while (size > 0) {
        const ULONG piece = size > 0x10000000u ? 0x10000000u : static_cast<ULONG>(size);
        if (!succeeded(state_->hashData(state_->hash, bytes, piece, 0))) return false;
        bytes += piece;
        size -= piece;
    }
    return true;
}

bool Sha256::finish(Sha256Digest& digest) {
    if (state_ == nullptr) return false;
    const bool done = succeeded(state_->finishHash(state_->hash, digest.data(), digest.size(), 0));
    state_.reset();
    return done;
}

} // namespace lumen::os
