#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "builder/description.h"
#include "builder/writer.h"
#include "builder_test_support.h"
#include "core/bytes.h"
#include "core/config_block.h"
#include "core/image_layout.h"
#include "core/java_runtime.h"
#include "core/property_catalogue.h"
#include "core/stub_marker.h"
#include "core/text_format.h"

namespace lumen::builder {
namespace {

using namespace test_support;

// A minimal PE32 image: headers and one section of 0x200 bytes at 0x200
// (carrying the stub marker unless told not to), followed by junk that a
// rebuilt launcher must drop.
std::string makeStub(bool marked = true) {
    std::string image(0x400, '\0');
    auto put16 = [&](size_t at, uint16_t v) { storeLe16(image, at, v); };
    auto put32 = [&](size_t at, uint32_t v) { storeLe32(image, at, v); };
    image[0] = 'M';
    image[1] = 'Z';
    put32(0x3C, 0x80);
    image[0x80] = 'P';
    image[0x81] = 'E';
    put16(0x86, 1);
    put16(0x94, 224);
    put16(0x98, 0x10B);
    put32(0x98 + 92, 16);
    const size_t section = 0x98 + 224;
    put32(section + 16, 0x200);
    put32(section + 20, 0x200);
    if (marked) image.replace(0x200, sizeof(kStubMarker) - 1, kStubMarker);
    return image + "OLD BLOCK";
}

Description parse(const std::string& toml, const std::string& base = "/tmp") {
    return parseDescriptionText(toml, "app.toml", base, "");
}

std::string errorOf(const std::string& toml, const std::string& base = "/tmp",
                    const std::string& runtimeJar = "") {
    try {
        parseDescriptionText(toml, "app.toml", base, runtimeJar);
    } catch (const DescriptionError& error) {
        return error.what();
    }
    return "";
}

TEST(Description, ReadableKeysAndRawIdsMapOntoProperties) {
    const Description d = parse(R"(
[launcher]
include-runtime-jar = false
type = "gui"
main-class = "com.example.Main"
class-path = ["A1lib\\app.jar", "S0lib"]
search-sequence = "Y;EJAVA_HOME;"
product-kind = "installer"
stderr-file = "error.log"
allow-prerelease = true
launcher-flag = true
[splash]
status-color = "1,2,3"
[messages]
no-runtime = "No Java"
[ui-texts]
caption = "My App"
[properties]
122 = "com.example.Raw"
151 = 1234
[wide-properties]
20001 = "Downloading"
)");
    EXPECT_EQ(d.narrow.at(107), "1");
    EXPECT_EQ(d.narrow.at(122), "com.example.Raw") << "raw ids win";
    EXPECT_EQ(d.narrow.at(121), "A1lib\\app.jar;S0lib;");
    EXPECT_EQ(d.narrow.at(128), "Y;EJAVA_HOME;");
    EXPECT_EQ(d.narrow.at(2001), "i");
    EXPECT_EQ(d.narrow.at(102), "1");
    EXPECT_EQ(d.narrow.at(103), "error.log");
    EXPECT_EQ(d.narrow.at(130), "1");
    EXPECT_EQ(d.narrow.at(106), "1") << "the key's former name still reads";
    EXPECT_EQ(d.narrow.at(10114), "1,2,3");
    EXPECT_EQ(d.narrow.at(151), "1234");
    EXPECT_EQ(d.narrow.at(1001), "No Java");
    EXPECT_EQ(d.wide.at(20013), u"My App");
    EXPECT_EQ(d.wide.at(20001), u"Downloading");
    EXPECT_TRUE(wantsGuiStub(d));
    EXPECT_EQ(defaultStubName(d), "lumen-x64.exe") << "64-bit unless the description says";
    const Description console =
        parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n");
    EXPECT_FALSE(wantsGuiStub(console));
    EXPECT_EQ(defaultStubName(console), "lumen-console-x64.exe");
    EXPECT_EQ(defaultStubName(parse("[launcher]\ninclude-runtime-jar = false\narchitecture = "
                                    "\"x86\"\ntype = \"gui\"\nmain-class = \"M\"\n")),
              "lumen-x86.exe");
}

TEST(Description, TextsAreWrittenInTheCodePage) {
    const Description d =
        parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"caf\u00e9.\u20ac\"\n");
    EXPECT_EQ(d.narrow.at(122), "caf\xe9.\x80") << "Windows-1252 by default";
    const Description latin2 =
        parse("code-page = \"windows-1250\"\n[launcher]\ninclude-runtime-jar = false\nmain-class = "
              "\"\u0159\"\n");
    EXPECT_EQ(latin2.narrow.at(122), "\xf8");
    EXPECT_NE(errorOf("[launcher]\ninclude-runtime-jar = false\nmain-class = \"\u4e2d\"\n")
                  .find("cannot be written"),
              std::string::npos);
    EXPECT_NE(errorOf("code-page = \"no-such-page\"\n").find("unknown code page"),
              std::string::npos);
}

TEST(Description, BadInputNamesFileLineAndKey) {
    struct Case {
        const char* toml;
        const char* expected;
    } cases[] = {
        {"[launcher]\ninclude-runtime-jar = false\nmian-class = \"x\"\n",
         "app.toml:3: launcher.mian-class: unknown key"},
        {"[launcher]\ninclude-runtime-jar = false\n[properties]\nabc = \"x\"\n",
         "app.toml:4: properties.abc: property ids"},
        {"[launcher]\ninclude-runtime-jar = false\n[properties]\n99999999999 = \"x\"\n",
         "properties.99999999999"},
        {"[launcher]\ninclude-runtime-jar = false\ntype = 1.5\n", "app.toml:3: launcher.type"},
        {"[launcher]\ninclude-runtime-jar = false\nsingle-instance = \"yes\"\n",
         "expected true or false"},
        {"bogus = 1\n", "app.toml:1: bogus: unknown key"},
        {"[launcher\n", "app.toml:1"},
        {"[launcher]\ninclude-runtime-jar = false\n[ui-texts]\ntitle = \"x\"\n",
         "ui-texts.title: unknown key"},
        {"[launcher]\ninclude-runtime-jar = false\narchitecture = \"arm64\"\n",
         "app.toml:3: launcher.architecture: expected \"x64\" or \"x86\""},
    };
    for (const Case& c : cases)
        EXPECT_NE(errorOf(c.toml).find(c.expected), std::string::npos)
            << c.toml << "\n-> " << errorOf(c.toml);
}

TEST(Description, VersionBoundsAreCheckedUnderTodaysRules) {
    const std::string head = "[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n";
    EXPECT_EQ(parse(head).narrow.at(30001), "1") << "new launchers apply today's rules";
    struct Case {
        const char* keys;
        const char* expected; // empty: accepted
    } cases[] = {
        {"min-java-version = \"1.8\"\nmax-java-version = \"25.0.3\"\n", ""},
        {"min-java-version = \"17\"\nmax-java-version = \"17\"\n", ""},
        {"min-java-version = \"1.8.0_301\"\nmax-java-version = \"8\"\n", ""},
        {"min-java-version = \"22-ea\"\n",
         "launcher.min-java-version: '22-ea' is not a version number"},
        {"max-java-version = \"17.\"\n", "launcher.max-java-version: '17.' is not a version"},
        {"min-java-version = \"17\"\nmax-java-version = \"11.0.2\"\n",
         "launcher.min-java-version: the minimum 17 is above the maximum 11.0.2"},
        {"min-java-version = \"17.0.3\"\nmax-java-version = \"17.0.2\"\n", "is above"},
        {"[properties]\n126 = \"x\"\n", "launcher.min-java-version: 'x' is not"},
        // The classic prefix bounds take any text.
        {"modern-runtimes = false\nmin-java-version = \"1.5.0-beta\"\n", ""},
        {"[properties]\n30001 = \"0\"\n126 = \"17\"\n127 = \"11\"\n", ""},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf(head + c.keys);
        if (*c.expected == '\0')
            EXPECT_EQ(error, "") << c.keys;
        else
            EXPECT_NE(error.find(c.expected), std::string::npos) << c.keys << "\n-> " << error;
    }
}

TEST(Description, DownloadAddressNeedsHttpsOrTheArchiveDigest) {
    const std::string digest(64, 'a');
    const std::string head = "[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n";
    const auto with = [&](const std::string& address, const std::string& sha) {
        return head + "download-url = \"" + address + "\"\n" +
               (sha.empty() ? "" : "download-sha256 = \"" + sha + "\"\n");
    };
    EXPECT_EQ(errorOf(with("https://example.org/jre.tar.gz", "")), "");
    EXPECT_EQ(errorOf(with("HTTP://example.org/jre.tar.gz", digest)), "");
    EXPECT_EQ(parse(with("http://example.org/jre.tar.gz", digest)).narrow.at(30002), digest);
    EXPECT_NE(errorOf(with("http://example.org/jre.tar.gz", ""))
                  .find("launcher.download-url: an http:// address needs the archive's SHA-256 "
                        "in launcher.download-sha256"),
              std::string::npos);
    // A raw id is checked like the readable key.
    EXPECT_NE(errorOf(head + "[properties]\n150 = \"http://example.org/jre.tar.gz\"\n")
                  .find("launcher.download-sha256"),
              std::string::npos);
    EXPECT_NE(errorOf(with("ftp://example.org/jre.tar.gz", digest)).find("expected an https://"),
              std::string::npos);
    EXPECT_NE(errorOf(with("https://example.org/jre.tar.gz", digest.substr(1) + "g"))
                  .find("launcher.download-sha256: expected 64 hexadecimal digits"),
              std::string::npos);
}

TEST(Description, ClassDataSharingTakesAutoOrOffAndIsNotWrittenByDefault) {
    const std::string head = "[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n";
    EXPECT_EQ(parse(head).narrow.count(30008), 0u) << "absent reads as off";
    EXPECT_EQ(parse(head + "class-data-sharing = \"auto\"\n").narrow.at(30008), "auto");
    EXPECT_EQ(parse(head + "class-data-sharing = \"off\"\n").narrow.at(30008), "off");
    for (const char* bad : {"class-data-sharing = \"on\"\n", "class-data-sharing = true\n",
                            "[properties]\n30008 = \"Auto\"\n"})
        EXPECT_NE(errorOf(head + bad).find("class-data-sharing"), std::string::npos) << bad;
}

TEST(Description, IncludedFilesAreCheckedAndCounted) {
    ScratchDir dir;
    writeFile(dir / "app.jar", "PK");
    writeFile(dir / "runtime.jar", "RT");
    const std::string base = dir.path();
    const Description d = parseDescriptionText(
        "files = [{ path = \"app.jar\" }, { path = \"app.jar\", name = \"copy.jar\" }]\n"
        "[launcher]\nmain-class = \"M\"\n",
        "app.toml", base, dir / "runtime.jar");
    ASSERT_EQ(d.files.size(), 3u);
    EXPECT_EQ(d.files[0].name, "app.jar");
    EXPECT_EQ(d.files[2].name, "lumen-runtime.jar") << "the runtime classes come along by default";
    EXPECT_EQ(d.narrow.at(2002), "3");
    EXPECT_EQ(d.narrow.at(2003), "app.jar;copy.jar;lumen-runtime.jar;");

    for (const char* bad : {"../x.jar", "sub/x.jar", "a\\\\b", "..", "CON", "c:x"}) {
        const std::string toml = std::string("files = [{ path = \"app.jar\", name = \"") + bad +
                                 "\" }]\n[launcher]\ninclude-runtime-jar = false\n";
        EXPECT_NE(errorOf(toml, base).find("is not a plain file name"), std::string::npos) << bad;
    }
    EXPECT_NE(
        errorOf("files = [{ path = \"missing.jar\" }]\n[launcher]\ninclude-runtime-jar = false\n",
                base)
            .find("cannot read"),
        std::string::npos);
    EXPECT_NE(errorOf("files = [{ path = \"app.jar\" }, { path = \"app.jar\" "
                      "}]\n[launcher]\ninclude-runtime-jar = false\n",
                      base)
                  .find("included twice"),
              std::string::npos);
    EXPECT_NE(errorOf("", base, "").find("lumen-runtime.jar was not found"), std::string::npos);
}

// Every description the launcher could not use as written is refused with
// the file, the line of the offending key (or list item) and the key.
TEST(Description, RefusedDescriptionsNameFileLineAndKey) {
    const std::string head = "[launcher]\ninclude-runtime-jar = false\n";
    struct Case {
        const char* keys;     // follow the two lines of head
        const char* expected; // in the message
    } cases[] = {
        {"", "app.toml:1: launcher.main-class: missing"},
        {"main-class = \"\"\n", "app.toml:3: launcher.main-class: the main class is empty"},
        {"main-class = \"org/acme/Greeter.class\"\n",
         "app.toml:3: launcher.main-class: 'org/acme/Greeter.class' is a file name, not a class's "
         "binary name (such as org.acme.Greeter)"},
        {"main-class = \"Greeter.java\"\n", "app.toml:3: launcher.main-class: 'Greeter.java' is a "
                                            "file name"},
        {"main-class = \"com..Main\"\n", "app.toml:3: launcher.main-class: 'com..Main' is not a "
                                         "binary class name"},
        {"main-class = \"com.1st.Main\"\n", "app.toml:3: launcher.main-class: 'com.1st.Main'"},
        {"main-class = \"my-app.Main\"\n", "app.toml:3: launcher.main-class: 'my-app.Main'"},
        {"main-class = \"M\"\nmin-java-version = \"abc\"\n",
         "app.toml:4: launcher.min-java-version: 'abc' is not a version number"},
        {"main-class = \"M\"\nmax-java-version = \"17.x\"\n",
         "app.toml:4: launcher.max-java-version: '17.x' is not a version number"},
        {"main-class = \"M\"\nmax-java-version = \"11\"\nmin-java-version = \"17\"\n",
         "app.toml:5: launcher.min-java-version: the minimum 17 is above the maximum 11"},
        {"main-class = \"M\"\nclass-path = [\n  \"A1app.jar\",\n  \"lib/x.jar\",\n]\n",
         "app.toml:6: launcher.class-path: 'lib/x.jar' does not begin with an entry type"},
        {"main-class = \"M\"\nclass-path = \"A1app.jar;app.jar\"\n",
         "app.toml:4: launcher.class-path: 'app.jar' does not begin with an entry type"},
        {"main-class = \"M\"\nclass-path = [\"a1app.jar\"]\n", "'a1app.jar' does not begin"},
        {"main-class = \"M\"\nclass-path = [\"A2app.jar\"]\n",
         "app.toml:4: launcher.class-path: 'A2app.jar': the type letter must be followed by the "
         "required mark"},
        {"main-class = \"M\"\nclass-path = [\"S1\"]\n",
         "app.toml:4: launcher.class-path: 'S1' has no name"},
        {"main-class = \"M\"\nclass-path = [\"A1app.jar\", \"\"]\n",
         "app.toml:4: launcher.class-path: an item is empty"},
        {"main-class = \"M\"\nsearch-sequence = [\"Y\",\n  \"XJAVA_HOME\"]\n",
         "app.toml:5: launcher.search-sequence: 'XJAVA_HOME': 'X' is not a search type"},
        {"main-class = \"M\"\nsearch-sequence = \"y;S\"\n",
         "app.toml:4: launcher.search-sequence: 'y': 'y' is not a search type"},
        {"main-class = \"M\"\nsearch-sequence = [\"E\"]\n",
         "app.toml:4: launcher.search-sequence: 'E': E needs the variable's name"},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf(head + c.keys);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.keys << "\n-> " << error;
    }
    // What the launcher reads whole passes.
    for (const char* keys : {
             "main-class = \"com.example.Outer$Inner\"\n",
             "main-class = \"Main\"\n",
             "main-class = \"caf\u00e9.Main\"\n",
             "main-class = \"_x.$y.Z9\"\n",
             "main-class = \"M\"\nclass-path = [\"A1app.jar\", \"D0classes\", \"S1lib\", "
             "\"E0CLASSPATH\"]\n",
             "main-class = \"M\"\nsearch-sequence = \"Bjre;Ajava;R;EJAVA_HOME;S;Y;\"\n",
             "main-class = \"M\"\nsearch-sequence = []\n",
         })
        EXPECT_EQ(errorOf(head + keys), "") << keys;
}

// A description that gives only a main class gets a readable text for
// every report and window: each default carries the placeholders its
// launcher fills in, and the description's own texts win.
TEST(Description, DefaultsGiveEveryTextItsWords) {
    const Description d = parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n");
    struct Text {
        Property id;
        const char* placeholder; // null: none
    } texts[] = {
        {Property::ErrorCaption, nullptr},
        {Property::MessageNoRuntime, nullptr},
        {Property::MessageRuntimeOnPathDamaged, nullptr},
        {Property::MessageRuntimeVariableUnusable, "%ENV_VAR_NAME%"},
        {Property::MessageRuntimeLocationDamaged, "%DEFINED_PATH%"},
        {Property::MessageClassPathMissing, "%FILE_NAME%"},
        {Property::MessageWrongParameters, nullptr},
        {Property::MessageVariableMissing, "%ENV_VAR_NAME%"},
        {Property::MessageInternalError, "%ERROR_CODE%"},
        {Property::MessageMainClassMissing, nullptr},
        {Property::MessageMainMethodMissing, nullptr},
    };
    for (const Text& text : texts) {
        const std::string& value = d.narrow.at(idOf(text.id));
        EXPECT_GT(value.size(), 5u) << idOf(text.id);
        if (text.placeholder != nullptr)
            EXPECT_NE(value.find(text.placeholder), std::string::npos) << idOf(text.id);
        else
            EXPECT_EQ(value.find('%'), std::string::npos) << idOf(text.id);
    }
    // Every UTF-16 text has words; the formats take exactly their arguments.
    for (int32_t id = 20001; id <= 20016; ++id)
        EXPECT_GT(d.wide.at(id).size(), 4u) << id;
    for (Property id :
         {Property::UiSplashUnpacking, Property::UiSplashSearching, Property::UiSplashStarting})
        EXPECT_GT(d.wide.at(idOf(id)).size(), 4u) << idOf(id);
    // The runtime-not-found texts name the bounds that are set, as the
    // launcher fills them in ("-" for one not set).
    struct Bounds {
        const char* keys;
        std::u16string minimum, maximum;
        const char16_t* expected; // what the text begins with
    } bounds[] = {
        {"", u"-", u"-", u"This application needs a Java runtime, and none was found.\n\n"},
        {"min-java-version = \"11\"\n", u"11", u"-",
         u"This application needs a Java runtime of version 11 or later, and none"},
        {"min-java-version = \"11\"\nmax-java-version = \"17\"\n", u"11", u"17",
         u"This application needs a Java runtime (lowest version: 11, highest version: 17), "},
        {"max-java-version = \"17\"\n", u"-", u"17",
         u"This application needs a Java runtime (lowest version: -, highest version: 17), "},
    };
    for (const Bounds& b : bounds) {
        const Description v = parse(
            std::string("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n") + b.keys);
        for (Property id : {Property::UiNotFound, Property::UiNotFoundWithDownload}) {
            const std::u16string shown =
                formatConfiguredText(v.wide.at(idOf(id)), {b.minimum, b.maximum});
            EXPECT_EQ(shown.find(b.expected), 0u) << b.keys << idOf(id);
            EXPECT_EQ(shown.find(u'%'), std::u16string::npos) << b.keys << idOf(id);
        }
    }
    EXPECT_EQ(formatConfiguredText(d.wide.at(idOf(Property::UiDownloadProgress)),
                                   {1.5, 80.0, 1.875, 512.25}),
              u"1.50 MB of 80.00 MB (1.9%) at 512.2 KB/s");
    EXPECT_EQ(d.narrow.at(idOf(Property::MessageJvmStartFailed)),
              "The Java virtual machine could not be started.");
    EXPECT_EQ(d.narrow.at(idOf(Property::MessageApplicationFailed)),
              "The application ended with an error.");

    // The default search: JAVA_HOME, the search path, the registry; all
    // entries the launcher knows.
    EXPECT_EQ(d.narrow.at(idOf(Property::SearchSequence)), "EJAVA_HOME;S;Y;");
    for (const SearchEntry& entry : parseSearchSequence(d.narrow.at(128)))
        EXPECT_EQ(checkSearchEntry(entry), SearchEntryCheck::Ok) << entry.letter;

    const Description own = parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n"
                                  "application-name = \"Acme Greeter\"\nsearch-sequence = []\n"
                                  "[messages]\nno-runtime = \"Install Java 17.\"\n"
                                  "[ui-texts]\ncancel-button = \"Stop\"\n");
    EXPECT_EQ(own.narrow.at(idOf(Property::ErrorCaption)), "Acme Greeter");
    EXPECT_EQ(own.wide.at(idOf(Property::UiCaption)), u"Acme Greeter");
    EXPECT_EQ(own.narrow.at(idOf(Property::MessageNoRuntime)), "Install Java 17.");
    EXPECT_EQ(own.wide.at(idOf(Property::UiCancelButton)), u"Stop");
    EXPECT_EQ(own.narrow.at(idOf(Property::SearchSequence)), "") << "an empty search stays empty";
    const Description captioned =
        parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n"
              "application-name = \"Acme\"\nerror-caption = \"Acme failed\"\n"
              "[wide-properties]\n20013 = \"Acme Setup\"\n");
    EXPECT_EQ(captioned.narrow.at(idOf(Property::ErrorCaption)), "Acme failed");
    EXPECT_EQ(captioned.wide.at(idOf(Property::UiCaption)), u"Acme Setup");
}

// Raw ids are written as given; what the launcher would not read so is
// pointed out, and the build goes on.
TEST(Description, RawIdsTheLauncherWouldNotReadAreWarnedAbout) {
    const Description d = parse("[launcher]\ninclude-runtime-jar = false\n"
                                "[properties]\n"
                                "122 = \"com.example.Main\"\n"
                                "99999 = \"x\"\n"
                                "121 = \"lib/hello.jar;A1ok.jar;\"\n"
                                "128 = \"Y;Q;\"\n"
                                "[wide-properties]\n"
                                "20013 = \"Caption\"\n"
                                "122 = \"Wide main\"\n"
                                "40000 = \"y\"\n");
    EXPECT_EQ(d.narrow.at(99999), "x");
    EXPECT_EQ(d.narrow.at(121), "lib/hello.jar;A1ok.jar;");
    // In the order of the tables' keys as text.
    const std::vector<std::string> expected = {
        "app.toml:6: properties.121: warning: 'lib/hello.jar' does not begin with an entry type",
        "app.toml:7: properties.128: warning: 'Q': 'Q' is not a search type",
        "app.toml:5: properties.99999: warning: the launcher knows no property 99999",
        "app.toml:10: wide-properties.122: warning: property 122 is an 8-bit setting",
        "app.toml:11: wide-properties.40000: warning: the launcher knows no property 40000",
    };
    ASSERT_EQ(d.warnings.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(d.warnings[i].find(expected[i]), 0u) << d.warnings[i];
    EXPECT_TRUE(parse("[launcher]\ninclude-runtime-jar = false\n[properties]\n122 = \"M\"\n"
                      "[wide-properties]\n20013 = \"C\"\n")
                    .warnings.empty());
}

struct ReadBack {
    BlockError error;
    PropertyStore store;
    std::string rest;
};

ReadBack readLauncher(const std::string& bytes) {
    ReadBack result;
    BlockBounds bounds;
    EXPECT_TRUE(findAppendedBlock(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                  bytes.size(), bounds));
    MemorySource memory{reinterpret_cast<const uint8_t*>(bytes.data()) + bounds.start,
                        static_cast<size_t>(bounds.end - bounds.start)};
    BlockReader reader(memory.source(), bounds.end - bounds.start);
    result.error = readConfigurationBlock(reader, result.store);
    result.rest = bytes.substr(static_cast<size_t>(bounds.start + reader.consumed()));
    return result;
}

TEST(Writer, StubImageThenBlockThenScrambledFiles) {
    ScratchDir dir;
    writeFile(dir / "stub.exe", makeStub());
    writeFile(dir / "a.txt", "hello");
    writeFile(dir / "empty", "");
    Description d =
        parseDescriptionText("files = [{ path = \"a.txt\" }, { path = \"empty\" }]\n"
                             "[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n",
                             "app.toml", dir.path(), "");
    writeLauncher(dir / "stub.exe", d, dir / "out.exe");
    std::string out = readFile(dir / "out.exe");
    // The checksum (optional header + 64) is summed over the whole launcher.
    out.replace(0x98 + 64, 4, 4, '\0');
    EXPECT_EQ(out.substr(0, 0x400), makeStub().substr(0, 0x400));
    EXPECT_EQ(out.find("OLD BLOCK"), std::string::npos)
        << "what followed the stub's sections is dropped";
    const ReadBack back = readLauncher(out);
    ASSERT_EQ(back.error, BlockError::None);
    EXPECT_EQ(back.store.string(122), "M");
    EXPECT_EQ(back.store.string(2003), "a.txt;empty;");
    std::string expected;
    appendLe32(expected, 5);
    std::string scrambled = "hello";
    scrambleBytes(reinterpret_cast<uint8_t*>(&scrambled[0]), scrambled.size());
    expected += scrambled;
    appendLe32(expected, 0);
    EXPECT_EQ(back.rest, expected);
    struct stat info;
    ASSERT_EQ(stat((dir / "out.exe").c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IXUSR);
}

TEST(Writer, OnlyLumenStubsAreTaken) {
    ScratchDir dir;
    writeFile(dir / "other.exe", makeStub(false));
    const Description d = parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n");
    try {
        writeLauncher(dir / "other.exe", d, dir / "out.exe");
        ADD_FAILURE() << "an executable without the marker was taken as a stub";
    } catch (const DescriptionError& error) {
        EXPECT_NE(std::string(error.what()).find("other.exe: not one of Lumen's stubs"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_NE(access((dir / "out.exe").c_str(), F_OK), 0);
    // A marker only in the old block behind the sections does not count.
    writeFile(dir / "other.exe", makeStub(false) + kStubMarker);
    EXPECT_THROW(writeLauncher(dir / "other.exe", d, dir / "out.exe"), DescriptionError);
}

TEST(Writer, FailuresLeaveNoOutputBehind) {
    ScratchDir dir;
    writeFile(dir / "notpe.exe", "just text");
    const Description d = parse("[launcher]\ninclude-runtime-jar = false\nmain-class = \"M\"\n");
    EXPECT_THROW(writeLauncher(dir / "notpe.exe", d, dir / "out.exe"), DescriptionError);
    EXPECT_NE(access((dir / "out.exe").c_str(), F_OK), 0);

    writeFile(dir / "stub.exe", makeStub());
    writeFile(dir / "out.exe", "previous launcher");
    Description missing = d;
    missing.files.push_back({dir / "gone.jar", "gone.jar"});
    EXPECT_THROW(writeLauncher(dir / "stub.exe", missing, dir / "out.exe"), DescriptionError);
    EXPECT_EQ(readFile(dir / "out.exe"), "previous launcher") << "the old output stays whole";
    EXPECT_EQ(std::system(("ls -A '" + dir.path() + "' | grep -q lumen-build").c_str()) != 0, true)
        << "no temporary file is left";
}

} // namespace
} // namespace lumen::builder
