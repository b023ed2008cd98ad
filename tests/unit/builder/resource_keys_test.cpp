// The resource keys of a description, from the files they name to the
// resources a launcher carries.
#include <gtest/gtest.h>

#include "builder/description.h"
#include "builder/ico_file.h"
#include "builder/version_info.h"
#include "builder/writer.h"
#include "builder_test_support.h"
#include "core/bytes.h"
#include "core/config_block.h"
#include "core/image_layout.h"

namespace lumen::builder {
namespace {

using namespace test_support;

// An icon image as bitmap: header, 32-bit pixels, AND mask.
std::string bitmapImage(uint32_t side) {
    std::string out;
    for (uint32_t field : {40u, side, side * 2})
        appendLe32(out, field);
    appendLe32(out, 1 | (32u << 16));
    for (int i = 0; i < 6; ++i)
        appendLe32(out, 0);
    out += std::string(side * side * 4 + (side + 31) / 32 * 4 * side, '\x7f');
    return out;
}

std::string icoFile(const std::vector<std::string>& images, uint16_t type = 1) {
    std::string out;
    appendLe16(out, 0);
    appendLe16(out, type);
    appendLe16(out, static_cast<uint16_t>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (const std::string& image : images) {
        out += std::string(8, '\0'); // the directory's own sizes are not trusted
        appendLe32(out, static_cast<uint32_t>(image.size()));
        appendLe32(out, offset);
        offset += static_cast<uint32_t>(image.size());
    }
    for (const std::string& image : images)
        out += image;
    return out;
}

TEST(IconFile, TakesSizesFromTheImagesAndRefusesBrokenFiles) {
    ScratchDir dir;
    // A real icon: ImageMagick stores the 256-pixel image as PNG.
    ASSERT_TRUE(run("convert -size 256x256 gradient:red-blue -define "
                    "icon:auto-resize=256,48,16 '" +
                    (dir / "real.ico") + "'"));
    IconFile icon;
    std::string error;
    ASSERT_TRUE(parseIconFile(readFile(dir / "real.ico"), icon, error)) << error;
    ASSERT_EQ(icon.images.size(), 3u);
    EXPECT_EQ(icon.images[0].bytes.compare(0, 4, "\x89PNG"), 0);
    const uint32_t sides[] = {256, 48, 16};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(icon.images[i].width, sides[i]);
    const std::string group = iconGroup(icon, 7);
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    EXPECT_EQ(group[6], '\0') << "256 pixels are written as 0";
    EXPECT_EQ(group[6 + 14], '\x30');
    EXPECT_EQ(loadLe16(reinterpret_cast<const uint8_t*>(group.data()) + 6 + 12), 7);
    EXPECT_EQ(loadLe16(reinterpret_cast<const uint8_t*>(group.data()) + 6 + 14 + 12), 8);

    const std::string png =
        readFile(dir / "real.ico").substr(6 + 3 * 16, icon.images[0].bytes.size());
    const std::string bitmap = bitmapImage(32);
    const std::string cut = icoFile({bitmap.substr(0, bitmap.size() - 1)});
    std::string outside = icoFile({bitmapImage(16)});
    outside[6 + 12] = '\x7f';
    struct Case {
        const char* name;
        std::string file;
        const char* message;
    } cases[] = {
        {"text", "just some text", "not an icon file"},
        {"cursor", icoFile({bitmapImage(16)}, 2), "a cursor"},
        {"no image", icoFile({}), "holds no image"},
        {"cut directory", icoFile({bitmapImage(16)}).substr(0, 10), "directory is cut short"},
        {"image outside", outside, "lies outside the file"},
        {"truncated bitmap", cut, "image 1 of the icon file is a truncated bitmap"},
        {"truncated PNG", icoFile({bitmapImage(16), png.substr(0, png.size() - 20)}),
         "image 2 of the icon file is a truncated PNG"},
        {"too large", icoFile({bitmapImage(300)}), "icons take 1 to 256 a side"},
        {"neither", icoFile({std::string(64, 'x')}), "neither a PNG nor a bitmap"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(parseIconFile(c.file, icon, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    }
}

TEST(VersionNumber, UpToFourNumbersFilledWithZero) {
    struct Case {
        const char* text;
        bool good;
        VersionNumber expected;
    } cases[] = {
        {"1", true, {1, 0, 0, 0}},
        {"2.5.1", true, {2, 5, 1, 0}},
        {"1.2.3.65535", true, {1, 2, 3, 65535}},
        {"1.2.3.4.5", false, {}},
        {"1.x", false, {}},
        {"", false, {}},
        {"1..2", false, {}},
        {"65536", false, {}},
        {" 1", false, {}},
        {"-1", false, {}},
        {"1.", false, {}},
        {"99999999999999999999", false, {}},
    };
    for (const Case& c : cases) {
        VersionNumber version{};
        std::string error;
        EXPECT_EQ(parseVersionNumber(c.text, version, error), c.good) << c.text;
        if (c.good)
            EXPECT_EQ(version, c.expected) << c.text;
        else
            EXPECT_NE(error.find(c.text), std::string::npos) << c.text << ": " << error;
    }
    std::string error;
    VersionNumber version{};
    EXPECT_FALSE(parseVersionNumber("1.2.3.4.5", version, error));
    EXPECT_NE(error.find("more than four parts"), std::string::npos);
}

// The files every resource key can name, good ones and bad ones.
class ResourceFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(
            run("cd '" + dir.path() +
                "' && convert -size 256x256 gradient:red-blue -define "
                "icon:auto-resize=256,32,16 app.ico && "
                "convert -size 120x80 gradient:green-yellow -type truecolor BMP3:splash.bmp "
                "&& convert -size 100x60 xc:'rgba(255,0,0,0.5)' splash.png && "
                "convert -size 1100x100 xc:red big.png"));
        writeFile(dir / "empty.ico", icoFile({}));
        std::string bmp = readFile(dir / "splash.bmp");
        writeFile(dir / "cut.bmp", bmp.substr(0, bmp.size() - 100));
        writeFile(dir / "app.manifest",
                  "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>");
        writeFile(dir / "broken.manifest", "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\">");
    }

    // A launcher needs a main class; given last, so that the lines of the
    // keys under test stay where they are.
    Description parse(const std::string& toml) const {
        const bool named = toml.find("main-class") != std::string::npos ||
                           toml.find("[properties]") != std::string::npos;
        return parseDescriptionText(
            "[launcher]\ninclude-runtime-jar = false\n" + toml +
                (named ? "" : "\n[properties]\n122 = \"com.example.Main\"\n"),
            "app.toml", dir.path(), "");
    }

    std::string errorOf(const std::string& toml) const {
        try {
            parse(toml);
        } catch (const DescriptionError& error) {
            return error.what();
        }
        return "";
    }

    ScratchDir dir;
};

TEST_F(ResourceFiles, BadInputNamesTheDescriptionTheKeyAndTheFile) {
    struct Case {
        const char* toml;
        std::string expected;
    } cases[] = {
        {"[resources]\nicon = \"splash.bmp\"\n",
         "app.toml:4: resources.icon: " + (dir / "splash.bmp") + ": not an icon file"},
        {"[resources]\nicon = \"empty.ico\"\n",
         "resources.icon: " + (dir / "empty.ico") + ": the icon file holds no image"},
        {"[resources]\nicon = \"missing.ico\"\n", "resources.icon: cannot read"},
        {"[splash]\nimage = \"cut.bmp\"\n",
         "app.toml:4: splash.image: " + (dir / "cut.bmp") + ": a truncated BMP file"},
        {"[splash]\nimage = \"big.png\"\n", "splash.image: " + (dir / "big.png") +
                                                ": the image is 1100 x 100 pixels; a splash "
                                                "image may be at most 1024 x 768"},
        {"[splash]\nimage = \"app.ico\"\n", "neither a BMP nor a PNG"},
        {"[version]\nfile-version = \"1.2.3.4.5\"\n",
         "app.toml:4: version.file-version: '1.2.3.4.5' has more than four parts"},
        {"[version]\nproduct-version = \"1.2.beta\"\n", "version.product-version: '1.2.beta'"},
        {"[version]\nvendor = \"x\"\n", "version.vendor: unknown key"},
        {"[manifest]\nfile = \"broken.manifest\"\n",
         "app.toml:4: manifest.file: " + (dir / "broken.manifest") + ": not well-formed XML"},
        {"[manifest]\nfile = \"splash.bmp\"\n", "not well-formed XML"},
        {"[manifest]\nfile = \"app.manifest\"\nexecution-level = \"asInvoker\"\n",
         "manifest.file: the vendor's manifest replaces the generated one"},
        {"[manifest]\nexecution-level = \"admin\"\n", "manifest.execution-level: expected"},
        {"[manifest]\ndpi-awareness = \"high\"\n", "manifest.dpi-awareness: expected"},
        {"[manifest]\nlong-path-aware = \"yes\"\n", "manifest.long-path-aware: expected true"},
        {"app-user-model-id = \"Vendor App\"\n", "launcher.app-user-model-id: an application"},
    };
    for (const Case& c : cases) {
        const std::string error = errorOf(c.toml);
        EXPECT_NE(error.find(c.expected), std::string::npos) << c.toml << "-> " << error;
    }
    std::string root = readFile(dir / "app.manifest");
    writeFile(dir / "other.manifest", "<html/>");
    EXPECT_NE(errorOf("[manifest]\nfile = \"other.manifest\"\n").find("root element is not"),
              std::string::npos);
    writeFile(dir / "doctype.manifest", "<!DOCTYPE assembly []>" + root);
    EXPECT_NE(errorOf("[manifest]\nfile = \"doctype.manifest\"\n").find("document type"),
              std::string::npos);
}

TEST_F(ResourceFiles, SplashImageSetsItsPropertiesUnlessTheDescriptionDoes) {
    const Description bmp = parse("[splash]\nimage = \"splash.bmp\"\n");
    EXPECT_EQ(bmp.narrow.at(30003), "1");
    EXPECT_EQ(bmp.narrow.at(141), "120");
    EXPECT_EQ(bmp.narrow.at(142), "80");
    ASSERT_TRUE(bmp.resources.splash);
    const std::string& dib = bmp.resources.splash->dib;
    // A 24-bit bottom-up DIB with rows padded to four bytes.
    EXPECT_EQ(dib.size(), 40u + 120 * 3 * 80);
    EXPECT_EQ(loadLe16(reinterpret_cast<const uint8_t*>(dib.data()) + 14), 24);
    EXPECT_EQ(dib.compare(40, 120 * 3 * 80, readFile(dir / "splash.bmp"), 54, 120 * 3 * 80), 0)
        << "ImageMagick writes bottom-up rows too";

    const Description png = parse("[splash]\nimage = \"splash.png\"\nwidth = "
                                  "300\n[properties]\n30003 = \"0\"\n122 = \"M\"\n");
    EXPECT_EQ(png.narrow.at(141), "300") << "the description's own width wins";
    EXPECT_EQ(png.narrow.at(142), "60");
    EXPECT_EQ(png.narrow.at(30003), "0") << "raw ids win";
    // Half-transparent red over the window's light grey (192).
    const std::string& pixels = png.resources.splash->dib;
    EXPECT_EQ(pixels.size(), 40u + 300 * 60);
    EXPECT_EQ(static_cast<uint8_t>(pixels[40]), 96) << "blue";
    EXPECT_EQ(static_cast<uint8_t>(pixels[42]), 224) << "red";

    const Description none = parse("app-user-model-id = \"Vendor.App\"\n");
    EXPECT_EQ(none.narrow.count(30003), 0u);
    EXPECT_EQ(none.narrow.at(30004), "Vendor.App");
    EXPECT_FALSE(none.resources.requested);
}

TEST(VersionDefaults, ComeFromTheApplicationAndTheOutputName) {
    struct Case {
        const char* name;
        LauncherResources resources;
        std::vector<std::pair<std::u16string, std::u16string>> expected;
    } cases[] = {
        {"nothing given",
         {},
         {{u"FileDescription", u"tool"},
          {u"FileVersion", u"1.0.0.0"},
          {u"InternalName", u"tool"},
          {u"OriginalFilename", u"tool.exe"},
          {u"ProductName", u"tool"},
          {u"ProductVersion", u"1.0.0.0"}}},
        {"application name and versions",
         [] {
             LauncherResources r;
             r.applicationName = u"Vendor App";
             r.fileVersion = VersionNumber{2, 5, 1, 0};
             r.versionStrings["CompanyName"] = u"Vendor";
             r.versionStrings["Comments"] = u"";
             return r;
         }(),
         {{u"CompanyName", u"Vendor"},
          {u"FileDescription", u"Vendor App"},
          {u"FileVersion", u"2.5.1.0"},
          {u"InternalName", u"tool"},
          {u"OriginalFilename", u"tool.exe"},
          {u"ProductName", u"Vendor App"},
          {u"ProductVersion", u"2.5.1.0"}}},
        {"product name given",
         [] {
             LauncherResources r;
             r.applicationName = u"Vendor App";
             r.productVersion = VersionNumber{3, 0, 0, 0};
             r.versionStrings["ProductName"] = u"Suite";
             return r;
         }(),
         {{u"FileDescription", u"Suite"},
          {u"FileVersion", u"1.0.0.0"},
          {u"InternalName", u"tool"},
          {u"OriginalFilename", u"tool.exe"},
          {u"ProductName", u"Suite"},
          {u"ProductVersion", u"3.0.0.0"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(versionInfoFor(c.resources, u"tool.exe").strings, c.expected) << c.name;
}

ResourceTree treeOf(const std::string& path) {
    const std::string image = readFile(path);
    PeLayout layout;
    ResourceTree tree;
    std::string error;
    EXPECT_TRUE(readPeLayout(image, layout, error) && readResourceTree(image, layout, tree, error))
        << error;
    return tree;
}

const ResourceData& only(const ResourceTree& tree, uint32_t type, const ResourceKey& name) {
    const LanguageEntries& languages = tree.types.at(ResourceKey::number(type)).at(name);
    EXPECT_EQ(languages.size(), 1u);
    return languages.begin()->second;
}

TEST_F(ResourceFiles, LauncherCarriesWhatTheDescriptionSays) {
    const Description d = parse("application-name = \"Vendor App\"\n"
                                "[resources]\nicon = \"app.ico\"\n"
                                "[version]\nfile-version = \"2.5\"\ncompany = \"Vendor\"\n"
                                "[manifest]\nexecution-level = \"requireAdministrator\"\n"
                                "[splash]\nimage = \"splash.bmp\"\n");
    for (const char* stubName : {"lumen-x86.exe", "lumen-console-x64.exe"}) {
        SCOPED_TRACE(stubName);
        const ResourceTree stub = treeOf(distStub(stubName));
        writeLauncher(distStub(stubName), d, dir / "vendor.exe");
        const ResourceTree tree = treeOf(dir / "vendor.exe");

        // Both icon groups show the vendor's images, and only those remain.
        const NameEntries& images = tree.types.at(ResourceKey::number(kTypeIcon));
        ASSERT_EQ(images.size(), 3u);
        for (const char16_t* group : {u"MAINICO", u"ID_SPLASH_ICON"})
            EXPECT_EQ(only(tree, kTypeGroupIcon, ResourceKey::text(group)).bytes,
                      iconGroup(*d.resources.icon, 1));
        for (uint32_t id = 1; id <= 3; ++id)
            EXPECT_EQ(only(tree, kTypeIcon, ResourceKey::number(id)).bytes,
                      d.resources.icon->images[id - 1].bytes);

        const std::string version = only(tree, kTypeVersion, ResourceKey::number(1)).bytes;
        EXPECT_EQ(version, encodeVersionInfo(versionInfoFor(d.resources, u"vendor.exe")));
        const std::string manifest = only(tree, kTypeManifest, ResourceKey::number(1)).bytes;
        EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
        EXPECT_NE(manifest.find("name=\"VendorApp\" version=\"2.5.0.0\""), std::string::npos);
        EXPECT_EQ(only(tree, kTypeBitmap, ResourceKey::number(10000)).bytes,
                  d.resources.splash->dib);

        // The dialogs are the stub's.
        EXPECT_EQ(tree.types.at(ResourceKey::number(5)), stub.types.at(ResourceKey::number(5)));
    }
}

TEST_F(ResourceFiles, StubsWithoutWindowsResources) {
    const Description d = parse("[resources]\nicon = \"app.ico\"\n");
    // The Linux launcher has none to set: the keys leave it as it is.
    writeLauncher(distStub("lumen-linux-x64"), d, dir / "app");
    const std::string stub = readFile(distStub("lumen-linux-x64"));
    EXPECT_EQ(readFile(dir / "app").compare(0, stub.size(), stub), 0);
    // A PE stub without a resource section cannot take them.
    const std::string pe = readFile(distStub("lumen-x86.exe"));
    std::string bare = pe;
    const size_t optional = loadLe32(reinterpret_cast<const uint8_t*>(pe.data()) + 0x3C) + 24;
    bare.replace(optional + 96 + 8 * 2, 8, 8, '\0');
    writeFile(dir / "bare.exe", bare);
    try {
        writeLauncher(dir / "bare.exe", d, dir / "out.exe");
        ADD_FAILURE() << "a stub without resources took an icon";
    } catch (const DescriptionError& error) {
        EXPECT_NE(std::string(error.what()).find("carries no resources"), std::string::npos);
    }
    EXPECT_NE(access((dir / "out.exe").c_str(), F_OK), 0);
}

// The Linux launcher hands its splash picture to the runtime, which reads
// PNG: the picture follows the included files as lumen-splash.png, and it
// decodes to the same pixels as the Windows launcher's bitmap.
TEST_F(ResourceFiles, LinuxLauncherCarriesTheSplashPictureAsAnIncludedPng) {
    const Description d = parse("[splash]\nimage = \"splash.bmp\"\n");
    writeLauncher(distStub("lumen-linux-x64"), d, dir / "app");
    const std::string png = encodeSplashPng(*d.resources.splash);
    std::string tail = readFile(dir / "app");
    ASSERT_GT(tail.size(), png.size() + 4);
    tail.erase(0, tail.size() - png.size() - 4);
    EXPECT_EQ(loadLe32(reinterpret_cast<const uint8_t*>(tail.data())), png.size());
    scrambleBytes(reinterpret_cast<uint8_t*>(&tail[4]), png.size());
    EXPECT_EQ(tail.substr(4), png);
    SplashBitmap decoded;
    std::string error;
    ASSERT_TRUE(decodeSplashImage(png, decoded, error)) << error;
    EXPECT_EQ(decoded.dib, d.resources.splash->dib);

    writeFile(dir / "lumen-splash.png", "taken");
    const Description clash = parseDescriptionText(
        "files = [{ path = \"lumen-splash.png\" }]\n[launcher]\ninclude-runtime-jar = false\n"
        "main-class = \"M\"\n"
        "[splash]\nimage = \"splash.bmp\"\n",
        "app.toml", dir.path(), "");
    try {
        writeLauncher(distStub("lumen-linux-x64"), clash, dir / "clash");
        ADD_FAILURE() << "an included file took the splash picture's name";
    } catch (const DescriptionError& error) {
        EXPECT_NE(std::string(error.what()).find("taken by the splash picture"), std::string::npos);
    }
    // A Windows launcher carries the bitmap and nothing more.
    writeLauncher(distStub("lumen-x64.exe"), clash, dir / "clash.exe");
}

// A launcher signed after lumen-build wrote it verifies, and the core still
// finds its block: it ends where the certificate table begins.
TEST_F(ResourceFiles, SignedLauncherVerifiesAndKeepsItsBlock) {
    const Description d =
        parse("main-class = \"com.example.Main\"\n"
              "[resources]\nicon = \"app.ico\"\n[version]\nfile-version = \"3\"\n");
    writeLauncher(distStub("lumen-x64.exe"), d, dir / "app.exe");
    const std::string quiet = " >'" + (dir / "tool.log") + "' 2>&1";
    ASSERT_TRUE(run("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Lumen Test' "
                    "-keyout '" +
                    (dir / "key.pem") + "' -out '" + (dir / "cert.pem") + "'" + quiet));
    ASSERT_TRUE(run("osslsigncode sign -certs '" + (dir / "cert.pem") + "' -key '" +
                    (dir / "key.pem") + "' -n App -in '" + (dir / "app.exe") + "' -out '" +
                    (dir / "signed.exe") + "'" + quiet))
        << readFile(dir / "tool.log");
    EXPECT_TRUE(run("osslsigncode verify -in '" + (dir / "signed.exe") + "' -CAfile '" +
                    (dir / "cert.pem") + "'" + quiet))
        << readFile(dir / "tool.log");

    const std::string unsigned_ = readFile(dir / "app.exe");
    const std::string signed_ = readFile(dir / "signed.exe");
    BlockBounds before, after;
    const auto* head = reinterpret_cast<const uint8_t*>(unsigned_.data());
    ASSERT_TRUE(findAppendedBlock(head, unsigned_.size(), unsigned_.size(), before));
    const ImageReader read = [&signed_](uint64_t offset, uint8_t* out, size_t size) {
        if (offset > signed_.size() || size > signed_.size() - offset) return false;
        signed_.copy(reinterpret_cast<char*>(out), size, offset);
        return true;
    };
    ASSERT_TRUE(locateAppendedBlock(read, signed_.size(), after));
    EXPECT_EQ(after.start, before.start);
    EXPECT_GE(after.end, unsigned_.size());
    EXPECT_LT(after.end, signed_.size());
    MemorySource memory{reinterpret_cast<const uint8_t*>(signed_.data()) + after.start,
                        static_cast<size_t>(after.end - after.start)};
    BlockReader reader(memory.source(), after.end - after.start);
    PropertyStore store;
    ASSERT_EQ(readConfigurationBlock(reader, store), BlockError::None);
    EXPECT_EQ(store.string(122), "com.example.Main");
}

} // namespace
} // namespace lumen::builder
