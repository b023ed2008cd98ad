#include "core/class_path.h"

#include <utility>

#include "core/path_rules.h"
#include "core/property_store.h"

namespace lumen {
namespace {
constexpr size_t kMaxOption = kTextBufferSize - 1;
} // namespace

ClassPathItemCheck checkClassPathItem(const std::string& item) {
    if (item.size() < 2) return ClassPathItemCheck::TooShort;
    if (item[0] != 'A' && item[0] != 'D' && item[0] != 'S' && item[0] != 'E')
        return ClassPathItemCheck::UnknownType;
    if (item[1] != '0' && item[1] != '1') return ClassPathItemCheck::UnknownMark;
    if (item.size() == 2) return ClassPathItemCheck::NoName;
    return ClassPathItemCheck::Ok;
}

std::vector<ClassPathEntry> parseClassPathEntries(const std::string& list) {
    std::vector<ClassPathEntry> entries;
    for (const std::string& item : splitList(list)) {
        if (item.size() < 2) continue;
        ClassPathEntry entry;
        entry.type = item[0];
        entry.required = item[1] == '1';
        entry.name = item.substr(2);
        entries.push_back(entry);
    }
    return entries;
}

std::string environmentClassPath(const std::string& value, char listSeparator) {
    std::string text = value;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    if (text.empty()) return text;
    if (text.back() != listSeparator) text += listSeparator;
    return text;
}

std::string listingPattern(const std::string& directory, const std::string& extension,
                           const PathStyle& style) {
    std::string pattern = joinPath(style, directory, "*");
    if (extension.empty() || extension[0] != '.') pattern += '.';
    return pattern + extension;
}

ClassPathOption::ClassPathOption(std::string text, char listSeparator)
    : text_(std::move(text)), listSeparator_(listSeparator) {
    if (text_.size() > kMaxOption) {
        text_.resize(kMaxOption);
        cut_ = true;
    }
}

bool ClassPathOption::appendElement(const std::string& element) {
    if (cut_ || text_.size() + element.size() + 1 > kMaxOption) {
        cut_ = true;
        return false;
    }
    text_ += element;
    text_ += listSeparator_;
    return true;
}

void ClassPathOption::dropFinalSeparator() {
    if (!text_.empty() && text_.back() == listSeparator_) text_.pop_back();
}

bool ClassPathOption::appendTerminated(const std::string& elements) {
    if (cut_) return false;
    if (text_.size() + elements.size() <= kMaxOption) {
        text_ += elements;
        return true;
    }
    const size_t room = kMaxOption - text_.size();
    const size_t lastEnd = room == 0 ? std::string::npos : elements.rfind(listSeparator_, room - 1);
    if (lastEnd != std::string::npos) text_.append(elements, 0, lastEnd + 1);
    cut_ = true;
    return false;
}

} // namespace lumen
