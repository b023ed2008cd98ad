#include "core/deletion_list.h"

#include "core/path_rules.h"
#include "core/property_store.h"

namespace lumen {

bool appendDeletionEntry(std::string& list, const std::string& path) {
    if (path.empty() || path.find(';') != std::string::npos) return false;
    if (list.size() + path.size() + 1 > kTextBufferSize - 1) return false;
    list += path;
    list += ';';
    return true;
}

std::vector<std::string> deletionEntries(const std::string& stored) {
    std::string text = stored.substr(0, kTextBufferSize - 1);
    // A text cut at the buffer's end may end inside a path: that part is no
    // path of ours and must not be deleted.
    if (stored.size() >= kTextBufferSize - 1 && !text.empty() && text.back() != ';')
        text.erase(text.find_last_of(';') == std::string::npos ? 0 : text.find_last_of(';') + 1);
    return splitList(text);
}

std::string deletionListOf(const std::vector<std::string>& entries) {
    std::string list;
    for (const std::string& entry : entries) appendDeletionEntry(list, entry);
    return list;
}

} // namespace lumen
