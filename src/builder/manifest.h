// The application manifest (RT_MANIFEST 1) a launcher carries.
//
// Contract: generateManifest() writes a UTF-8 manifest that asks for
// common controls 6, lists the supported systems from Vista to 11, and
// states the execution level, the DPI awareness and (when asked) long-path
// awareness. The assembly identity is the product's name reduced to the
// characters an identity may hold, with the file version. A manifest the
// vendor supplies instead is checked by checkManifestXml(): well-formed
// XML (by the host's XML parser) whose root element is <assembly> in
// the assembly namespace.
#pragma once

#include <string>

#include "builder/version_info.h"

namespace lumen::builder {

enum class ExecutionLevel { AsInvoker, HighestAvailable, RequireAdministrator };
enum class DpiAwareness { PerMonitorV2, PerMonitor, System, Unaware };

struct ManifestSettings {
    ExecutionLevel executionLevel = ExecutionLevel::AsInvoker;
    DpiAwareness dpiAwareness = DpiAwareness::PerMonitorV2;
    bool longPathAware = false;
};

// The names used in descriptions; false for an unknown name.
[[nodiscard]] bool executionLevelByName(const std::string& name, ExecutionLevel& out);
[[nodiscard]] bool dpiAwarenessByName(const std::string& name, DpiAwareness& out);

std::string generateManifest(const ManifestSettings& settings, const std::u16string& productName,
                             const VersionNumber& version);

[[nodiscard]] bool checkManifestXml(const std::string& text, std::string& error);

constexpr char kAssemblyNamespace[] = "urn:schemas-microsoft-com:asm.v1";

struct XmlRoot {
    std::string namespaceUri;
    std::string localName;
};

// Well-formedness and the root element's name; implemented per host
// (expat on Linux, XmlLite on Windows: both conforming parsers). A document
// type declaration is refused by both, as manifests never carry one.
[[nodiscard]] bool parseXml(const std::string& text, XmlRoot& root, std::string& error);

} // namespace lumen::builder
