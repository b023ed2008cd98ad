#include "core/deletion_list.h"

#include <gtest/gtest.h>

#include "core/property_store.h"

namespace lumen {
namespace {

TEST(DeletionList, EntriesEndWithTheSeparatorAndRepeat) {
    std::string list;
    EXPECT_TRUE(appendDeletionEntry(list, "c:\\t\\a"));
    EXPECT_TRUE(appendDeletionEntry(list, "c:\\t\\a"));
    EXPECT_EQ(list, "c:\\t\\a;c:\\t\\a;");
    EXPECT_EQ(deletionEntries(list), (std::vector<std::string>{"c:\\t\\a", "c:\\t\\a"}));
    EXPECT_FALSE(appendDeletionEntry(list, ""));
    EXPECT_FALSE(appendDeletionEntry(list, "x;y")) << "a separator inside would split the path";
    EXPECT_EQ(deletionListOf({}), "");
}

TEST(DeletionList, NeverGrowsPastItsBuffer) {
    std::string list;
    const std::string path(1000, 'p');
    size_t added = 0;
    while (appendDeletionEntry(list, path)) ++added;
    EXPECT_EQ(added, (kTextBufferSize - 1) / (path.size() + 1));
    EXPECT_LE(list.size(), kTextBufferSize - 1);
    EXPECT_EQ(list.back(), ';');
    const std::string before = list;
    EXPECT_FALSE(appendDeletionEntry(list, path));
    EXPECT_EQ(list, before);
    // The smaller entry that still fits is taken.
    EXPECT_TRUE(appendDeletionEntry(list, "short"));
}

TEST(DeletionList, AStoredTextCutInsideAPathLosesOnlyThatPath) {
    std::string stored;
    while (stored.size() < kTextBufferSize + 50) stored += "c:\\some\\long\\path\\name;";
    const auto entries = deletionEntries(stored);
    ASSERT_FALSE(entries.empty());
    for (const std::string& entry : entries) EXPECT_EQ(entry, "c:\\some\\long\\path\\name");
    EXPECT_LE(deletionListOf(entries).size(), kTextBufferSize - 1);
    EXPECT_EQ(deletionEntries("a;b"), (std::vector<std::string>{"a", "b"}))
        << "a short text's last entry is whole";
}

} // namespace
} // namespace lumen
