// XmlLite is a system library (Vista and later); it is loaded from the
// system directory at run time, as mingw-w64 ships no import library.
#include <windows.h>

#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <cstdio>

#include "builder/manifest.h"
#include "builder/win_text.h"

namespace lumen::builder {
namespace {

using CreateReader = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

template <typename T> class Com {
  public:
    Com() = default;
    Com(const Com&) = delete;
    Com& operator=(const Com&) = delete;
    ~Com() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    T** out() { return &pointer_; }
    void reset(T* pointer) {
        if (pointer_ != nullptr) pointer_->Release();
        pointer_ = pointer;
    }
    T* operator->() const { return pointer_; }
    T* get() const { return pointer_; }

  private:
    T* pointer_ = nullptr;
};

class Library {
  public:
    explicit Library(const wchar_t* name)
        : module_(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

  private:
    HMODULE module_;
};

std::string hresultText(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

} // namespace

bool parseXml(const std::string& text, XmlRoot& root, std::string& error) {
    root = XmlRoot();
    // Declared first: the reader must be released before the library goes.
    const Library library(L"xmllite.dll");
    if (library.get() == nullptr) {
        error = "the system's XmlLite is missing";
        return false;
    }
    const auto create = reinterpret_cast<CreateReader>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "CreateXmlReader")));
    Com<IXmlReader> reader;
    Com<IStream> stream;
    stream.reset(SHCreateMemStream(reinterpret_cast<const BYTE*>(text.data()),
                                   static_cast<UINT>(text.size())));
    HRESULT result = E_FAIL;
    if (create != nullptr && stream.get() != nullptr &&
        SUCCEEDED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(reader.out()), nullptr)) &&
        SUCCEEDED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) &&
        SUCCEEDED(reader->SetInput(stream.get()))) {
        XmlNodeType type;
        bool sawRoot = false;
        while ((result = reader->Read(&type)) == S_OK) {
            if (type != XmlNodeType_Element || sawRoot) continue;
            sawRoot = true;
            const WCHAR* name = nullptr;
            const WCHAR* uri = nullptr;
            UINT nameLength = 0, uriLength = 0;
            if (FAILED(reader->GetLocalName(&name, &nameLength)) ||
                FAILED(reader->GetNamespaceUri(&uri, &uriLength)))
                break;
            root.localName = utf8FromWide(std::wstring(name, nameLength));
            root.namespaceUri = utf8FromWide(std::wstring(uri, uriLength));
        }
        if (result == S_FALSE) result = S_OK; // the end of the document
    }
    if (SUCCEEDED(result)) return true;
    UINT line = 0;
    if (reader.get() != nullptr) reader->GetLineNumber(&line);
    error = "XmlLite error " + hresultText(result) + " (line " + std::to_string(line) + ")";
    return false;
}

} // namespace lumen::builder
