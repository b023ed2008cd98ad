#include "core/expansion.h"

#include <gtest/gtest.h>

#include "core/property_store.h"

namespace lumen {
namespace {

const std::string kExeDir = "c:\\progra~1\\app\\";
const std::string kTempDir = "c:\\temp\\lmx1";

std::string expand(std::string text, const std::vector<std::string>& environment = {}) {
    EXPECT_TRUE(expandVariables(text, kExeDir, kTempDir, environment));
    return text;
}

TEST(ReplaceAll, InsertedTextIsNeverMatchedAgain) {
    std::string text = "aa";
    EXPECT_TRUE(replaceAll(text, "a", "aa"));
    EXPECT_EQ(text, "aaaa");

    // Searching resumes behind the replacement, so a match formed with the
    // text in front of it is not found.
    text = "aab";
    EXPECT_TRUE(replaceAll(text, "ab", "b"));
    EXPECT_EQ(text, "ab");

    text = "x${V}y${V}${V}";
    EXPECT_TRUE(replaceAll(text, "${V}", ""));
    EXPECT_EQ(text, "xy");

    text = "unchanged";
    EXPECT_TRUE(replaceAll(text, "", "z"));
    EXPECT_EQ(text, "unchanged");
}

TEST(ReplaceAll, AReplacementThatWouldOverflowTheBufferStaysOut) {
    const std::string value(100, 'v');
    std::string text = std::string(8000, 'a') + "${V}" + "${V}";
    EXPECT_FALSE(replaceAll(text, "${V}", value));
    EXPECT_EQ(text, std::string(8000, 'a') + value + "${V}");

    // Exactly at the limit still fits.
    text = std::string(kTextBufferSize - 1 - 5, 'a') + "${V}";
    EXPECT_TRUE(replaceAll(text, "${V}", "bbbbb"));
    EXPECT_EQ(text.size(), kTextBufferSize - 1);

    // Shrinking replacements are made even behind a refused one.
    text = std::string(8180, 'a') + "${LONG}${S}";
    EXPECT_FALSE(replaceAll(text, "${LONG}", std::string(20, 'l')));
    EXPECT_TRUE(replaceAll(text, "${S}", "s"));
    EXPECT_EQ(text, std::string(8180, 'a') + "${LONG}s");

    text = std::string(kTextBufferSize + 10, 'a');
    EXPECT_FALSE(replaceAll(text, "x", "y"));
    EXPECT_EQ(text.size(), kTextBufferSize - 1);
}

TEST(ExpandVariables, FixedPlaceholdersInBothFormsAndBothNames) {
    EXPECT_EQ(expand("%LUMEN_EXEDIR%lib\\a.jar"), kExeDir + "lib\\a.jar");
    EXPECT_EQ(expand("${LUMEN_EXEDIR}\\lib"), kExeDir + "\\lib") << "no collapsing here";
    EXPECT_EQ(expand("%TESSEL_EXEDIR%|${TESSEL_EXEDIR}"), kExeDir + "|" + kExeDir);
    EXPECT_EQ(expand("%LUMEN_TEMPDIR%|%TESSEL_TEMPDIR%|${LUMEN_TEMPDIR}|${TESSEL_TEMPDIR}"),
              kTempDir + "|" + kTempDir + "|" + kTempDir + "|" + kTempDir);
    EXPECT_EQ(expand("a%LUMEN_PATHLIST_SEPARATOR%b${TESSEL_PATHLIST_SEPARATOR}c"
                     "%TESSEL_PATHLIST_SEPARATOR%d${LUMEN_PATHLIST_SEPARATOR}"),
              "a;b;c;d;");
    EXPECT_EQ(expand("%LUMEN_EXEDIR% %LUMEN_EXEDIR%"), kExeDir + " " + kExeDir);
    EXPECT_EQ(expand("%lumen_exedir% ${Lumen_TempDir} %LUMEN_EXEDIR"),
              "%lumen_exedir% ${Lumen_TempDir} %LUMEN_EXEDIR");

    std::string text = "%LUMEN_TEMPDIR%x";
    EXPECT_TRUE(expandVariables(text, kExeDir, "", {}));
    EXPECT_EQ(text, "x") << "no included files: empty extraction directory";
}

TEST(ExpandVariables, EnvironmentNamesAsSpelledOrWhollyUpperCase) {
    const std::vector<std::string> environment = {"Path=c:\\windows", "JAVA_HOME=c:\\jdk"};
    EXPECT_EQ(expand("${Path};${PATH};${path}", environment), "c:\\windows;c:\\windows;${path}");
    EXPECT_EQ(expand("${JAVA_HOME}\\bin ${java_home} %JAVA_HOME%", environment),
              "c:\\jdk\\bin ${java_home} %JAVA_HOME%");
    EXPECT_EQ(expand("${NO_SUCH_VARIABLE}", environment), "${NO_SUCH_VARIABLE}");
}

TEST(ExpandVariables, EntriesSplitAtTheirFirstEqualsSign) {
    const std::vector<std::string> environment = {"NOEQUALS", "=C:=C:\\work", "OPTS=a=b", "E="};
    EXPECT_EQ(expand("${NOEQUALS}|${OPTS}|${E}|${}", environment), "${NOEQUALS}|a=b||C:=C:\\work");
}

TEST(ExpandVariables, OrderDecidesWhatValuesExpand) {
    // Fixed placeholders go first, so one inside a value stays.
    EXPECT_EQ(expand("${A}", {"A=%LUMEN_EXEDIR%x"}), "%LUMEN_EXEDIR%x");
    // A value naming a later entry is expanded, one naming an earlier is not.
    EXPECT_EQ(expand("${B}", {"B=${C}", "C=late"}), "late");
    EXPECT_EQ(expand("${B}", {"C=early", "B=${C}"}), "${C}");
}

TEST(ExpandVariables, AValueTooLongForTheBufferIsLeftOutWhole) {
    std::string text = "${BIG}|%LUMEN_EXEDIR%";
    const std::vector<std::string> environment = {"BIG=" + std::string(kTextBufferSize, 'x')};
    EXPECT_FALSE(expandVariables(text, kExeDir, kTempDir, environment));
    EXPECT_EQ(text, "${BIG}|" + kExeDir);
}

} // namespace
} // namespace lumen
