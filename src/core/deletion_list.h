// The deferred-deletion lists: paths each followed by ";", held in the
// launcher's 8,192-byte buffers.
//
// Contract: pure editing of the list text. A list never grows past
// kTextBufferSize - 1 bytes: an entry that would not fit is refused whole
// and the list stays valid and complete up to its last whole entry. Texts
// read back from storage are first cut back to their last whole entry.
#pragma once

#include <string>
#include <vector>

namespace lumen {

// Appends path and ";"; false (list unchanged) when it would not fit or the
// path is empty or contains the separator.
bool appendDeletionEntry(std::string& list, const std::string& path);

// The entries of a stored list; empty items vanish, a cut-off last entry
// (no closing ";") is dropped when the text filled its whole buffer.
std::vector<std::string> deletionEntries(const std::string& stored);

// The list text for the given entries (as many whole entries as fit).
std::string deletionListOf(const std::vector<std::string>& entries);

} // namespace lumen
