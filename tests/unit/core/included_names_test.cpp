#include "core/included_names.h"

#include <gtest/gtest.h>

namespace lumen {
namespace {

TEST(IncludedNames, OrdinaryNamesPass) {
    for (const char* name : {"app.jar", "jre.tar.gz", "a b.txt", "..hidden", "x..y", "COM10",
                             "console.log", "lpt.jar", "caf\xe9.txt"})
        EXPECT_TRUE(isSafeIncludedName(name)) << name;
}

TEST(IncludedNames, NamesThatCouldEscapeOrAliasAreRefused) {
    for (const char* name :
         {"", ".", "..", "..\\x", "../x", "a\\b", "a/b", "c:x", "c:\\x", "\\\\server\\x", "x.",
          "x ", "CON", "con.txt", "Nul", "aux.tar.gz", "COM1", "lpt9.jar", "a*b", "a?b", "a|b",
          "a\"b", "a<b", "a>b", "tab\there"})
        EXPECT_FALSE(isSafeIncludedName(name)) << name;
}

} // namespace
} // namespace lumen
