#include "builder/resource_keys.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "builder/codepage.h"
#include "builder/description_error.h"
#include "builder/host.h"
#include "core/property_catalogue.h"

namespace lumen::builder {
namespace {

constexpr int32_t kSplashWidth = idOf(Property::SplashWidth);
constexpr int32_t kSplashHeight = idOf(Property::SplashHeight);
constexpr int32_t kSplashAtStart = idOf(Property::SplashAtStartup);
constexpr int32_t kAppUserModelId = idOf(Property::AppUserModelId);
constexpr size_t kMaxAppUserModelId = 128;
constexpr size_t kMaxVersionString = 1024; // UTF-16 units; keeps the block under 64 KiB
constexpr std::streamoff kMaxImageFile = std::streamoff{32} << 20;
constexpr std::streamoff kMaxManifestFile = std::streamoff{1} << 20;

struct VersionKey {
    const char* key;
    const char* name; // in the string table
};

const VersionKey kVersionStrings[] = {
    {"product-name", "ProductName"},           {"company", "CompanyName"},
    {"file-description", "FileDescription"},   {"copyright", "LegalCopyright"},
    {"trademarks", "LegalTrademarks"},         {"internal-name", "InternalName"},
    {"original-filename", "OriginalFilename"}, {"comments", "Comments"},
};

class Reader {
  public:
    Reader(const std::string& source, const std::string& base) : source_(source), base_(base) {}

    [[noreturn]] void fail(const toml::node& node, const std::string& key,
                           const std::string& what) const {
        throwDescriptionError(source_, &node.source(), key, what);
    }

    std::string text(const toml::node& node, const std::string& key) const {
        if (!node.is_string()) fail(node, key, "expected a text");
        return node.as_string()->get();
    }

    // The named file's bytes; the message names the key and the file.
    std::string file(const toml::node& node, const std::string& key, std::streamoff limit) const {
        const std::string path = resolveAgainst(base_, text(node, key));
        std::ifstream in(nativePath(path), std::ios::binary | std::ios::ate);
        if (!in) fail(node, key, "cannot read '" + path + "'");
        if (in.tellg() > limit)
            fail(node, key, path + ": larger than " + std::to_string(limit >> 20) + " MiB");
        in.seekg(0);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    std::string pathOf(const toml::node& node) const {
        return resolveAgainst(base_, node.value_or(std::string()));
    }

    void unknownKeys(const toml::table& table, const std::string& name,
                     std::initializer_list<std::string_view> known) const {
        for (auto&& [key, node] : table)
            if (std::find(known.begin(), known.end(), key.str()) == known.end())
                fail(node, name + "." + std::string(key.str()), "unknown key");
    }

    void resources(const toml::table& table, LauncherResources& out) const {
        unknownKeys(table, "resources", {"icon"});
        if (const toml::node* icon = table.get("icon")) {
            const std::string bytes = file(*icon, "resources.icon", kMaxImageFile);
            IconFile parsed;
            std::string error;
            if (!parseIconFile(bytes, parsed, error))
                fail(*icon, "resources.icon", pathOf(*icon) + ": " + error);
            out.icon = std::move(parsed);
        }
    }

    void version(const toml::table& table, LauncherResources& out) const {
        for (auto&& [key, node] : table) {
            const std::string name = "version." + std::string(key.str());
            if (key.str() == "file-version" || key.str() == "product-version") {
                VersionNumber number;
                std::string error;
                if (!parseVersionNumber(text(node, name), number, error)) fail(node, name, error);
                (key.str() == "file-version" ? out.fileVersion : out.productVersion) = number;
                continue;
            }
            const auto* entry =
                std::find_if(std::begin(kVersionStrings), std::end(kVersionStrings),
                             [&](const VersionKey& k) { return key.str() == k.key; });
            if (entry == std::end(kVersionStrings)) fail(node, name, "unknown key");
            std::u16string value;
            if (!toUtf16(text(node, name), value)) fail(node, name, "not valid UTF-8");
            if (value.size() > kMaxVersionString)
                fail(node, name,
                     "longer than " + std::to_string(kMaxVersionString) + " characters");
            out.versionStrings[entry->name] = value;
        }
    }

    void manifest(const toml::table& table, LauncherResources& out) const {
        unknownKeys(table, "manifest",
                    {"file", "execution-level", "dpi-awareness", "long-path-aware"});
        if (const toml::node* file = table.get("file")) {
            if (table.size() > 1)
                fail(*file, "manifest.file",
                     "the vendor's manifest replaces the generated one: leave out the other "
                     "[manifest] keys");
            std::string bytes = this->file(*file, "manifest.file", kMaxManifestFile);
            std::string error;
            if (!checkManifestXml(bytes, error))
                fail(*file, "manifest.file", pathOf(*file) + ": " + error);
            out.manifestFile = std::move(bytes);
            return;
        }
        if (const toml::node* level = table.get("execution-level"))
            if (!executionLevelByName(text(*level, "manifest.execution-level"),
                                      out.manifest.executionLevel))
                fail(*level, "manifest.execution-level",
                     "expected \"asInvoker\", \"highestAvailable\" or \"requireAdministrator\"");
        if (const toml::node* dpi = table.get("dpi-awareness"))
            if (!dpiAwarenessByName(text(*dpi, "manifest.dpi-awareness"),
                                    out.manifest.dpiAwareness))
                fail(*dpi, "manifest.dpi-awareness",
                     "expected \"per-monitor-v2\", \"per-monitor\", \"system\" or \"unaware\"");
        if (const toml::node* longPaths = table.get("long-path-aware")) {
            if (!longPaths->is_boolean())
                fail(*longPaths, "manifest.long-path-aware", "expected true or false");
            out.manifest.longPathAware = longPaths->as_boolean()->get();
        }
    }

    void splashImage(const toml::node& image, std::map<int32_t, std::string>& narrow,
                     LauncherResources& out) const {
        const std::string bytes = file(image, "splash.image", kMaxImageFile);
        SplashBitmap bitmap;
        std::string error;
        if (!decodeSplashImage(bytes, bitmap, error))
            fail(image, "splash.image", pathOf(image) + ": " + error);
        narrow.emplace(kSplashAtStart, "1");
        narrow.emplace(kSplashWidth, std::to_string(bitmap.width));
        narrow.emplace(kSplashHeight, std::to_string(bitmap.height));
        out.splash = std::move(bitmap);
    }

    // Windows takes the id from the process, not from the manifest: the
    // launcher sets it at start from property 30004.
    void appUserModelId(const toml::node& node, std::map<int32_t, std::string>& narrow) const {
        const std::string key = "launcher.app-user-model-id";
        const std::string id = text(node, key);
        std::u16string units;
        if (!toUtf16(id, units) || units.empty() || units.size() > kMaxAppUserModelId ||
            id.find(' ') != std::string::npos)
            fail(node, key, "an application user model id has 1 to 128 characters and no spaces");
        narrow.emplace(kAppUserModelId, id);
    }

  private:
    const std::string& source_;
    const std::string& base_;
};

} // namespace

bool isResourceKey(std::string_view table, std::string_view key) {
    return (table == "splash" && key == "image") ||
           (table == "launcher" && key == "app-user-model-id");
}

void readResourceKeys(const toml::table& root, const std::string& source,
                      const std::string& baseDirectory, std::map<int32_t, std::string>& narrow,
                      LauncherResources& out) {
    const Reader reader(source, baseDirectory);
    if (const toml::table* table = root["resources"].as_table()) {
        out.requested = true;
        reader.resources(*table, out);
    }
    if (const toml::table* table = root["version"].as_table()) {
        out.requested = true;
        reader.version(*table, out);
    }
    if (const toml::table* table = root["manifest"].as_table()) {
        out.requested = true;
        reader.manifest(*table, out);
    }
    if (const toml::node* image = root["splash"]["image"].node()) {
        out.requested = true;
        reader.splashImage(*image, narrow, out);
    }
    if (const toml::node* id = root["launcher"]["app-user-model-id"].node())
        reader.appUserModelId(*id, narrow);
    if (const auto name = narrow.find(idOf(Property::ApplicationName)); name != narrow.end())
        if (!toUtf16(name->second, out.applicationName)) out.applicationName.clear();
}

} // namespace lumen::builder
