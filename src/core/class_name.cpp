#include "core/class_name.h"

namespace lumen {
namespace {

bool isIdentifierByte(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || c >= 0x80;
}

bool endsWith(const std::string& text, const char* suffix) {
    const std::string tail(suffix);
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

ClassNameCheck checkBinaryClassName(const std::string& name) {
    if (name.empty()) return ClassNameCheck::Empty;
    if (name.find_first_of("/\\") != std::string::npos || endsWith(name, ".class") ||
        endsWith(name, ".java"))
        return ClassNameCheck::FileName;
    size_t partStart = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '.') {
            if (!isIdentifierByte(static_cast<unsigned char>(name[i])))
                return ClassNameCheck::BadPart;
            continue;
        }
        if (i == partStart) return ClassNameCheck::NotDotted;
        if (name[partStart] >= '0' && name[partStart] <= '9') return ClassNameCheck::BadPart;
        partStart = i + 1;
    }
    return ClassNameCheck::Ok;
}

} // namespace lumen
