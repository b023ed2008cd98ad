// The deferred-deletion lists: paths each followed by ";", held in the
// launcher's 8,192-byte buffers, and the rules a pass over them follows.
//
// Contract: pure editing of the list text. A list never grows past
// kTextBufferSize - 1 bytes: an entry that would not fit is refused whole
// and the list stays valid and complete up to its last whole entry. Texts
// read back from storage are first cut back to their last whole entry.
//
// A pass deletes nothing but plain paths strictly below one of the
// temporary folders it is given (deletionScopeOf); whole trees only for the
// launcher's own directories directly in such a folder. It works within a
// time budget (DeletionBudget) and writes back what was stored at its end
// minus what it settled (entriesLeft), so entries that other launchers added
// meanwhile stay.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/path_style.h"

namespace lumen {

// Appends path and ";"; false (list unchanged) when it would not fit or the
// path is empty or contains the separator.
bool appendDeletionEntry(std::string& list, const std::string& path);

// The entries of a stored list; empty items vanish, a cut-off last entry
// (no closing ";") is dropped when the text filled its whole buffer.
std::vector<std::string> deletionEntries(const std::string& stored);

// The list text for the given entries (as many whole entries as fit).
std::string deletionListOf(const std::vector<std::string>& entries);

// What a pass may do with one entry.
enum class DeletionScope {
    Refused, // not a plain path strictly below a temporary folder
    Single,  // one file, or one directory once it is empty
    Tree,    // one of the launcher's own directories: with all it holds
};

struct DeletionTarget {
    DeletionScope scope = DeletionScope::Refused;
    // The length of the temporary folder's part of the path, its
    // separator included (0 when refused).
    size_t rootLength = 0;
};

// Classifies an entry of "delete_file" (fromDirectoryList false) or
// "delete_dir" against the temporary folders (with or without their
// trailing separator). Refused: a relative path, one outside every folder,
// the folder itself, empty, "." or ".." components, and on Windows
// wildcards and stream names. A folder that is a file system's root
// qualifies nothing.
DeletionTarget deletionScopeOf(const std::string& path, bool fromDirectoryList,
                               const std::vector<std::string>& roots, const PathStyle& style);

// The names the launcher gives the directories it makes in the temporary
// folder: "lmx", 32 hexadecimal digits and "_dir"; also the older form
// made from a system temporary name, "lmx<1-4 hex digits>.tmp_dir<digits>".
bool isLauncherDirectoryName(const std::string& name);

// The directories between the temporary folder and the entry, outermost
// first, and the entry itself: a running launcher that holds any of them
// keeps the entry.
std::vector<std::string> guardedPaths(const std::string& path, const DeletionTarget& target,
                                      const PathStyle& style);

// The stored entries without those a pass settled (removed, or refused for
// good), compared as the platform compares paths; order and repeats of the
// rest are kept.
std::vector<std::string> entriesLeft(const std::vector<std::string>& storedNow,
                                     const std::vector<std::string>& settled,
                                     const PathStyle& style);

// How long one start may spend on earlier runs' leftovers: what is left
// waits for a later start.
constexpr unsigned long kDeferredDeletionBudgetMs = 1000;

// A time budget over the system's millisecond tick count (which wraps).
class DeletionBudget {
  public:
    DeletionBudget(unsigned long startTick, unsigned long limitMs)
        : start_(startTick), limit_(limitMs) {}
    unsigned long elapsed(unsigned long nowTick) const {
        return static_cast<unsigned long>(static_cast<unsigned long>(nowTick - start_) &
                                          0xFFFFFFFFul);
    }
    bool exhausted(unsigned long nowTick) const { return elapsed(nowTick) >= limit_; }

  private:
    unsigned long start_;
    unsigned long limit_;
};

} // namespace lumen
