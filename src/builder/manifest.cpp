#include "builder/manifest.h"

namespace lumen::builder {
namespace {

struct Named {
    const char* name;
    int value;
};

const Named kExecutionLevels[] = {
    {"asInvoker", static_cast<int>(ExecutionLevel::AsInvoker)},
    {"highestAvailable", static_cast<int>(ExecutionLevel::HighestAvailable)},
    {"requireAdministrator", static_cast<int>(ExecutionLevel::RequireAdministrator)},
};

const Named kDpiAwareness[] = {
    {"per-monitor-v2", static_cast<int>(DpiAwareness::PerMonitorV2)},
    {"per-monitor", static_cast<int>(DpiAwareness::PerMonitor)},
    {"system", static_cast<int>(DpiAwareness::System)},
    {"unaware", static_cast<int>(DpiAwareness::Unaware)},
};

template <size_t N> bool byName(const Named (&table)[N], const std::string& name, int& out) {
    for (const Named& entry : table)
        if (name == entry.name) {
            out = entry.value;
            return true;
        }
    return false;
}

// An assembly name holds letters, digits, '.', '-' and '_' only.
std::string identityName(const std::u16string& productName) {
    std::string name;
    for (char16_t c : productName)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
            c == u'.' || c == u'-' || c == u'_')
            name.push_back(static_cast<char>(c));
    return name.empty() ? "Application" : name;
}

const char* dpiAwareText(DpiAwareness awareness) {
    switch (awareness) {
    case DpiAwareness::PerMonitorV2:
    case DpiAwareness::PerMonitor:
        return "true/pm";
    case DpiAwareness::System:
        return "true";
    case DpiAwareness::Unaware:
        break;
    }
    return "false";
}

// The newer element, read by Windows 10 1607 and later; the first name
// it knows wins, so per-monitor v2 falls back to per-monitor.
const char* dpiAwarenessText(DpiAwareness awareness) {
    switch (awareness) {
    case DpiAwareness::PerMonitorV2:
        return "PerMonitorV2, PerMonitor";
    case DpiAwareness::PerMonitor:
        return "PerMonitor";
    case DpiAwareness::System:
        return "System";
    case DpiAwareness::Unaware:
        break;
    }
    return "Unaware";
}

} // namespace

bool executionLevelByName(const std::string& name, ExecutionLevel& out) {
    int value = 0;
    if (!byName(kExecutionLevels, name, value)) return false;
    out = static_cast<ExecutionLevel>(value);
    return true;
}

bool dpiAwarenessByName(const std::string& name, DpiAwareness& out) {
    int value = 0;
    if (!byName(kDpiAwareness, name, value)) return false;
    out = static_cast<DpiAwareness>(value);
    return true;
}

std::string generateManifest(const ManifestSettings& settings, const std::u16string& productName,
                             const VersionNumber& version) {
    std::string level = kExecutionLevels[0].name;
    for (const Named& entry : kExecutionLevels)
        if (entry.value == static_cast<int>(settings.executionLevel)) level = entry.name;
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"\n"
        "          xmlns:asmv3=\"urn:schemas-microsoft-com:asm.v3\">\n"
        "  <assemblyIdentity type=\"win32\" name=\"" +
        identityName(productName) + "\" version=\"" + versionText(version) +
        "\" processorArchitecture=\"*\"/>\n"
        "  <dependency>\n"
        "    <dependentAssembly>\n"
        "      <assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\"\n"
        "                        processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
        "language=\"*\"/>\n"
        "    </dependentAssembly>\n"
        "  </dependency>\n"
        "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\n"
        "    <security>\n"
        "      <requestedPrivileges>\n"
        "        <requestedExecutionLevel level=\"" +
        level +
        "\" uiAccess=\"false\"/>\n"
        "      </requestedPrivileges>\n"
        "    </security>\n"
        "  </trustInfo>\n"
        "  <asmv3:application>\n"
        "    <asmv3:windowsSettings>\n"
        "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">" +
        dpiAwareText(settings.dpiAwareness) +
        "</dpiAware>\n"
        "      <dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">" +
        dpiAwarenessText(settings.dpiAwareness) + "</dpiAwareness>\n";
    if (settings.longPathAware)
        out += "      <longPathAware "
               "xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</"
               "longPathAware>\n";
    out += "    </asmv3:windowsSettings>\n"
           "  </asmv3:application>\n"
           "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\n"
           "    <application>\n"
           "      <!-- Windows Vista -->\n"
           "      <supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>\n"
           "      <!-- Windows 7 -->\n"
           "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>\n"
           "      <!-- Windows 8 -->\n"
           "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>\n"
           "      <!-- Windows 8.1 -->\n"
           "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>\n"
           "      <!-- Windows 10 and 11 -->\n"
           "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>\n"
           "    </application>\n"
           "  </compatibility>\n"
           "</assembly>\n";
    return out;
}

bool checkManifestXml(const std::string& text, std::string& error) {
    XmlRoot root;
    if (!parseXml(text, root, error)) {
        error = "not well-formed XML: " + error;
        return false;
    }
    if (root.localName != "assembly" || root.namespaceUri != kAssemblyNamespace) {
        error =
            std::string("the root element is not <assembly xmlns=\"") + kAssemblyNamespace + "\">";
        return false;
    }
    return true;
}

} // namespace lumen::builder
