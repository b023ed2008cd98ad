#include "builder/launcher_resources.h"

namespace lumen::builder {
namespace {

constexpr uint32_t kManifestId = 1; // CREATEPROCESS_MANIFEST_RESOURCE_ID
constexpr uint32_t kVersionId = 1;
const ResourceKey kNeutral = ResourceKey::number(0);

std::u16string ascii(const char* text) {
    std::u16string out;
    for (; *text != '\0'; ++text)
        out.push_back(static_cast<char16_t>(*text));
    return out;
}

// Puts bytes under (type, name) in every language that entry has, or in
// the neutral language when it is new.
void replaceEntry(ResourceTree& tree, uint32_t type, const ResourceKey& name,
                  const std::string& bytes) {
    LanguageEntries& languages = tree.types[ResourceKey::number(type)][name];
    if (languages.empty()) languages[kNeutral] = ResourceData();
    for (auto& entry : languages)
        entry.second = ResourceData{bytes, 0};
}

void replaceIcons(ResourceTree& tree, const IconFile& icon) {
    const ResourceKey iconType = ResourceKey::number(kTypeIcon);
    // The stub's images belong to its own groups only; they all go.
    tree.types.erase(iconType);
    NameEntries& groups = tree.types[ResourceKey::number(kTypeGroupIcon)];
    if (groups.empty()) groups[ResourceKey::text(u"MAINICO")][kNeutral] = ResourceData();
    const uint16_t firstId = 1;
    const std::string group = iconGroup(icon, firstId);
    for (auto& [name, languages] : groups)
        for (auto& entry : languages)
            entry.second = ResourceData{group, 0};
    NameEntries& images = tree.types[iconType];
    for (size_t i = 0; i < icon.images.size(); ++i)
        images[ResourceKey::number(static_cast<uint32_t>(firstId + i))][kNeutral] =
            ResourceData{icon.images[i].bytes, 0};
}

std::u16string withoutExtension(const std::u16string& name) {
    const size_t dot = name.find_last_of(u'.');
    return dot == std::u16string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::u16string productNameOf(const LauncherResources& resources,
                             const std::u16string& outputFileName) {
    const auto given = resources.versionStrings.find("ProductName");
    if (given != resources.versionStrings.end() && !given->second.empty()) return given->second;
    return resources.applicationName.empty() ? withoutExtension(outputFileName)
                                             : resources.applicationName;
}

} // namespace

const char* const kVersionStringNames[10] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "ProductName", "ProductVersion", "Comments",
};

VersionInfo versionInfoFor(const LauncherResources& resources,
                           const std::u16string& outputFileName) {
    VersionInfo info;
    info.fileVersion = resources.fileVersion.value_or(VersionNumber{1, 0, 0, 0});
    info.productVersion = resources.productVersion.value_or(info.fileVersion);
    const std::u16string productName = productNameOf(resources, outputFileName);
    std::map<std::string, std::u16string> strings = {
        {"FileVersion", ascii(versionText(info.fileVersion).c_str())},
        {"ProductVersion", ascii(versionText(info.productVersion).c_str())},
        {"OriginalFilename", outputFileName},
        {"InternalName", withoutExtension(outputFileName)},
        {"ProductName", productName},
        {"FileDescription", productName},
    };
    for (const auto& [name, value] : resources.versionStrings)
        strings[name] = value;
    for (const char* name : kVersionStringNames) {
        const auto found = strings.find(name);
        if (found != strings.end() && !found->second.empty())
            info.strings.emplace_back(ascii(name), found->second);
    }
    return info;
}

void applyLauncherResources(ResourceTree& tree, const LauncherResources& resources,
                            const std::u16string& outputFileName) {
    const VersionInfo version = versionInfoFor(resources, outputFileName);
    replaceEntry(tree, kTypeVersion, ResourceKey::number(kVersionId), encodeVersionInfo(version));

    replaceEntry(tree, kTypeManifest, ResourceKey::number(kManifestId),
                 resources.manifestFile ? *resources.manifestFile
                                        : generateManifest(resources.manifest,
                                                           productNameOf(resources, outputFileName),
                                                           version.fileVersion));

    if (resources.icon) replaceIcons(tree, *resources.icon);
    if (resources.splash)
        replaceEntry(tree, kTypeBitmap, ResourceKey::number(kSplashBitmapId),
                     resources.splash->dib);
}

} // namespace lumen::builder
