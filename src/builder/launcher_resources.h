// What a description says about a Windows launcher's own resources, and
// putting that into the stub's resource tree.
//
// Contract: applyLauncherResources() always writes the version
// information and the manifest (the vendor's file or one generated from
// the settings), replaces every icon group of the stub with the vendor's
// icon when one is given (the groups keep their names and languages, the
// stub's RT_ICON images go) and adds the splash picture as bitmap 10000
// when one is given. Everything else in the tree is kept. Defaults that
// depend on the output come from its file name: the original file name,
// the internal name (without its extension) and, without an application
// name, the product name.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "builder/ico_file.h"
#include "builder/manifest.h"
#include "builder/pe_resources.h"
#include "builder/splash_image.h"
#include "builder/version_info.h"

namespace lumen::builder {

constexpr uint32_t kSplashBitmapId = 10000;

struct LauncherResources {
    bool requested = false; // the description set one of the resource keys
    std::optional<IconFile> icon;
    std::optional<SplashBitmap> splash;
    std::optional<VersionNumber> fileVersion;    // default 1.0.0.0
    std::optional<VersionNumber> productVersion; // default: the file version
    // By their names in the string table ("CompanyName"); these win over
    // the defaults.
    std::map<std::string, std::u16string> versionStrings;
    std::u16string applicationName; // property 101: the default product name
    ManifestSettings manifest;
    std::optional<std::string> manifestFile; // replaces the generated manifest
};

// The string table's names, in the order they are written.
extern const char* const kVersionStringNames[10];

VersionInfo versionInfoFor(const LauncherResources& resources,
                           const std::u16string& outputFileName);

void applyLauncherResources(ResourceTree& tree, const LauncherResources& resources,
                            const std::u16string& outputFileName);

} // namespace lumen::builder
