#include "core/class_path.h"

#include <gtest/gtest.h>

#include "core/property_store.h"

namespace lumen {
namespace {

TEST(ClassPathEntries, TypeMarkAndNameWithSeparatorRunsAndShortItemsSkipped) {
    const std::vector<ClassPathEntry> entries =
        parseClassPathEntries(";A1lib\\app.jar;;D0classes;S2${LUMEN_EXEDIR}ext;E1;x;;Q1what;");
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].type, 'A');
    EXPECT_TRUE(entries[0].required);
    EXPECT_EQ(entries[0].name, "lib\\app.jar");
    EXPECT_EQ(entries[1].type, 'D');
    EXPECT_FALSE(entries[1].required);
    EXPECT_EQ(entries[1].name, "classes");
    EXPECT_EQ(entries[2].type, 'S');
    EXPECT_FALSE(entries[2].required) << "only '1' marks a required entry";
    EXPECT_EQ(entries[2].name, "${LUMEN_EXEDIR}ext");
    EXPECT_EQ(entries[3].type, 'E');
    EXPECT_TRUE(entries[3].required);
    EXPECT_EQ(entries[3].name, "");
    EXPECT_EQ(entries[4].type, 'Q');
    EXPECT_TRUE(parseClassPathEntries("").empty());
}

TEST(ClassPathEntries, EnvironmentValueQuotesAndTerminator) {
    EXPECT_EQ(environmentClassPath("\"c:\\my libs\\a.jar\""), "c:\\my libs\\a.jar;");
    EXPECT_EQ(environmentClassPath("a.jar;b.jar;"), "a.jar;b.jar;");
    EXPECT_EQ(environmentClassPath("\"a.jar;\""), "a.jar;");
    EXPECT_EQ(environmentClassPath("\"a.jar"), "\"a.jar;") << "only enclosing quotes go";
    EXPECT_EQ(environmentClassPath("a.jar\""), "a.jar\";");
    EXPECT_EQ(environmentClassPath("\""), "\";") << "one quote does not enclose anything";
    EXPECT_EQ(environmentClassPath("\"\""), "") << "no empty element";
}

TEST(ClassPathEntries, ListingPattern) {
    EXPECT_EQ(listingPattern("c:\\app\\lib", "jar"), "c:\\app\\lib\\*.jar");
    EXPECT_EQ(listingPattern("c:\\app\\lib", ".zip"), "c:\\app\\lib\\*.zip");
}

TEST(ClassPathOptionText, ElementsEachFollowedBySeparator) {
    ClassPathOption option;
    EXPECT_EQ(option.text(), "-Djava.class.path=");
    EXPECT_TRUE(option.appendElement("c:\\t\\a.jar"));
    EXPECT_TRUE(option.appendTerminated("x;y;"));
    EXPECT_TRUE(option.appendElement("c:\\app\\missing.jar"));
    EXPECT_EQ(option.text(), "-Djava.class.path=c:\\t\\a.jar;x;y;c:\\app\\missing.jar;");
    EXPECT_FALSE(option.cut());
    option.dropFinalSeparator();
    option.dropFinalSeparator(); // only the one after the last element
    EXPECT_EQ(option.text(), "-Djava.class.path=c:\\t\\a.jar;x;y;c:\\app\\missing.jar");
}

TEST(ClassPathOptionText, CutAtAWholeElementAndNothingAfterIt) {
    const std::string prefix = "-Djava.class.path=";
    const size_t room = kTextBufferSize - 1 - prefix.size();
    ClassPathOption option;
    EXPECT_TRUE(option.appendElement(std::string(room - 11, 'a'))); // leaves room for 10 + ';'
    EXPECT_FALSE(option.appendElement(std::string(11, 'b')));
    EXPECT_FALSE(option.appendElement("c")) << "a later, shorter element would fill a gap";
    EXPECT_TRUE(option.cut());
    EXPECT_EQ(option.text(), prefix + std::string(room - 11, 'a') + ";");

    ClassPathOption exact;
    EXPECT_TRUE(exact.appendElement(std::string(room - 1, 'a')));
    EXPECT_EQ(exact.text().size(), kTextBufferSize - 1);

    ClassPathOption partial;
    partial.appendElement(std::string(room - 12, 'a'));
    EXPECT_FALSE(partial.appendTerminated("one;two;three;"));
    EXPECT_EQ(partial.text(), prefix + std::string(room - 12, 'a') + ";one;two;");
}

} // namespace
} // namespace lumen
