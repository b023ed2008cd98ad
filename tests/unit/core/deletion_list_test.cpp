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
    while (appendDeletionEntry(list, path))
        ++added;
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
    while (stored.size() < kTextBufferSize + 50)
        stored += "c:\\some\\long\\path\\name;";
    const auto entries = deletionEntries(stored);
    ASSERT_FALSE(entries.empty());
    for (const std::string& entry : entries)
        EXPECT_EQ(entry, "c:\\some\\long\\path\\name");
    EXPECT_LE(deletionListOf(entries).size(), kTextBufferSize - 1);
    EXPECT_EQ(deletionEntries("a;b"), (std::vector<std::string>{"a", "b"}))
        << "a short text's last entry is whole";
}

struct ScopeCase {
    std::string path;
    bool fromDirectoryList;
    DeletionScope scope;
};

TEST(DeletionList, OnlyPlainPathsBelowATemporaryFolderQualify) {
    const std::string own = "lmx0123456789abcdef0123456789abcdef_dir";
    const std::vector<std::string> posixRoots{"/home/u/tmp/", "/tmp"};
    const std::string posixTree = "/tmp/" + own;
    const ScopeCase posix[] = {
        {"/tmp/tsx_nlog_1a_2b_0", false, DeletionScope::Single},
        {"/home/u/tmp/x/y", false, DeletionScope::Single},
        {posixTree, true, DeletionScope::Tree},
        {posixTree, false, DeletionScope::Single},
        {posixTree + "/sub", true, DeletionScope::Single},
        {"/tmp/other_dir", true, DeletionScope::Single},
        {"/tmp", true, DeletionScope::Refused},
        {"/tmp/", true, DeletionScope::Refused},
        {"/tmpfoo/x", false, DeletionScope::Refused},
        {"/etc/passwd", false, DeletionScope::Refused},
        {"/tmp/../etc/passwd", false, DeletionScope::Refused},
        {"/tmp/./x", false, DeletionScope::Refused},
        {"/tmp//x", false, DeletionScope::Refused},
        {"/tmp/x/", false, DeletionScope::Refused},
        {"tmp/x", false, DeletionScope::Refused},
        {"/TMP/x", false, DeletionScope::Refused},
    };
    for (const ScopeCase& c : posix)
        EXPECT_EQ(
            deletionScopeOf(c.path, c.fromDirectoryList, posixRoots, PathStyle::posix()).scope,
            c.scope)
            << c.path;

    const std::vector<std::string> windowsRoots{"C:\\Users\\u\\Temp\\"};
    const std::string windowsTree = "c:\\users\\U\\temp\\" + own;
    const ScopeCase windows[] = {
        {"C:\\Users\\u\\Temp\\tsx_nlog_1", false, DeletionScope::Single},
        {windowsTree, true, DeletionScope::Tree},
        {"C:\\Users\\u\\Temp\\lmx1A2B.tmp_dir123", true, DeletionScope::Tree},
        {"C:\\Users\\u\\Temp/x", false, DeletionScope::Single},
        {"C:\\Users\\u\\Temp\\..\\Desktop", true, DeletionScope::Refused},
        {"C:\\Users\\u\\Temp/../Desktop", true, DeletionScope::Refused},
        {"C:\\Users\\u\\Temp\\x:stream", false, DeletionScope::Refused},
        {"C:\\Users\\u\\Temp\\*", false, DeletionScope::Refused},
        {"C:\\Users\\u\\Documents\\a.txt", false, DeletionScope::Refused},
        {"D:\\Users\\u\\Temp\\a.txt", false, DeletionScope::Refused},
    };
    for (const ScopeCase& c : windows)
        EXPECT_EQ(
            deletionScopeOf(c.path, c.fromDirectoryList, windowsRoots, PathStyle::windows()).scope,
            c.scope)
            << c.path;

    // A temporary folder that is a whole drive or file system is no fence.
    EXPECT_EQ(deletionScopeOf("/x", false, {"/"}, PathStyle::posix()).scope,
              DeletionScope::Refused);
    EXPECT_EQ(deletionScopeOf("c:\\x", false, {"c:\\"}, PathStyle::windows()).scope,
              DeletionScope::Refused);
    EXPECT_EQ(
        deletionScopeOf("\\\\srv\\share\\x", false, {"\\\\srv\\share\\"}, PathStyle::windows())
            .scope,
        DeletionScope::Refused);
    EXPECT_EQ(deletionScopeOf("c:\\temp\\x", false, {"c:\\temp"}, PathStyle::windows()).scope,
              DeletionScope::Single);
}

TEST(DeletionList, LauncherDirectoryNames) {
    EXPECT_TRUE(isLauncherDirectoryName("lmx0123456789abcdef0123456789abcdef_dir"));
    EXPECT_TRUE(isLauncherDirectoryName("lmxF.tmp_dir0"));
    EXPECT_TRUE(isLauncherDirectoryName("lmx1a2B.tmp_dir32767"));
    const char* others[] = {"lmx0123456789ABCDEF0123456789abcdef_dir",
                            "lmx0123456789abcdef0123456789abcde_dir",
                            "lmx0123456789abcdef0123456789abcdef_dirx",
                            "lmx.tmp_dir1",
                            "lmx12345.tmp_dir1",
                            "lmx1a2b.tmp_dir",
                            "lmx1a2b.tmp_dir123456",
                            "lmx1a2b.tmp_dir12a",
                            "lmx_w_testdir",
                            "lmx_p123.tmp",
                            "jre"};
    for (const char* name : others)
        EXPECT_FALSE(isLauncherDirectoryName(name)) << name;
}

TEST(DeletionList, GuardedPathsRunFromTheFolderDownToTheEntry) {
    const std::vector<std::string> roots{"/tmp/"};
    const std::string entry = "/tmp/lmxa_dir1/jre/bin/java";
    const DeletionTarget target = deletionScopeOf(entry, false, roots, PathStyle::posix());
    EXPECT_EQ(guardedPaths(entry, target, PathStyle::posix()),
              (std::vector<std::string>{"/tmp/lmxa_dir1", "/tmp/lmxa_dir1/jre",
                                        "/tmp/lmxa_dir1/jre/bin", entry}));
    EXPECT_TRUE(guardedPaths("/etc/x", DeletionTarget(), PathStyle::posix()).empty());
}

TEST(DeletionList, WhatIsLeftKeepsOtherLaunchersEntries) {
    const std::vector<std::string> stored{"C:\\T\\a", "c:\\t\\b", "c:\\t\\added", "C:\\T\\B"};
    EXPECT_EQ(entriesLeft(stored, {"c:\\t\\A", "c:\\t\\b"}, PathStyle::windows()),
              (std::vector<std::string>{"c:\\t\\added"}));
    EXPECT_EQ(entriesLeft({"/t/a", "/t/A"}, {"/t/a"}, PathStyle::posix()),
              (std::vector<std::string>{"/t/A"}));
}

TEST(DeletionList, TheBudgetSurvivesTheTickCountWrapping) {
    const DeletionBudget budget(0xFFFFFF00ul, 1000);
    EXPECT_FALSE(budget.exhausted(0xFFFFFF00ul));
    EXPECT_FALSE(budget.exhausted(0x00000200ul)) << "768 ms after the wrap";
    EXPECT_TRUE(budget.exhausted(0x000002E8ul));
    EXPECT_EQ(budget.elapsed(0x000002E8ul), 1000ul);
    EXPECT_TRUE(DeletionBudget(5, 0).exhausted(5)) << "no budget, no work";
}

} // namespace
} // namespace lumen
