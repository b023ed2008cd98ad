#include "builder/description.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <toml++/toml.h>

#include "builder/codepage.h"
#include "builder/description_error.h"
#include "builder/host.h"
#include "builder/resource_keys.h"
#include "core/class_name.h"
#include "core/class_path.h"
#include "core/download_address.h"
#include "core/included_names.h"
#include "core/java_runtime.h"
#include "core/java_version.h"
#include "core/path_rules.h"
#include "core/property_catalogue.h"
#include "core/property_store.h"

namespace lumen::builder {
namespace {

// Keys of the [launcher] table that steer lumen-build itself and are
// written into no property.
const char* const kBuilderKeys[] = {"include-runtime-jar", "architecture"};

bool isBuilderKey(const std::string& key) {
    return std::find_if(std::begin(kBuilderKeys), std::end(kBuilderKeys),
                        [&](const char* k) { return key == k; }) != std::end(kBuilderKeys);
}

// What is wrong with a main class, or empty when nothing is.
std::string classNameProblem(const std::string& name) {
    switch (checkBinaryClassName(name)) {
    case ClassNameCheck::Ok:
        return "";
    case ClassNameCheck::Empty:
        return "the main class is empty (expected its binary name, such as com.example.Main)";
    case ClassNameCheck::FileName: {
        std::string dotted = name;
        for (const char* suffix : {".class", ".java"}) {
            const std::string tail(suffix);
            if (dotted.size() > tail.size() &&
                dotted.compare(dotted.size() - tail.size(), tail.size(), tail) == 0)
                dotted.resize(dotted.size() - tail.size());
        }
        std::replace(dotted.begin(), dotted.end(), '/', '.');
        std::replace(dotted.begin(), dotted.end(), '\\', '.');
        return "'" + name + "' is a file name, not a class's binary name (such as " + dotted + ")";
    }
    case ClassNameCheck::NotDotted:
        return "'" + name + "' is not a binary class name: a part between dots is empty";
    case ClassNameCheck::BadPart:
        return "'" + name +
               "' is not a binary class name: each part between dots must be a Java identifier "
               "(letters, digits, _ and $, not beginning with a digit)";
    }
    return "";
}

std::string classPathProblem(const std::string& item) {
    const char* const kTypes =
        "A archive, D directory, S directory of archives, E environment variable";
    switch (checkClassPathItem(item)) {
    case ClassPathItemCheck::Ok:
        return "";
    case ClassPathItemCheck::TooShort:
    case ClassPathItemCheck::UnknownType:
        return "'" + item + "' does not begin with an entry type (" + kTypes +
               ") and a required mark (1 or 0), as in A1app.jar";
    case ClassPathItemCheck::UnknownMark:
        return "'" + item +
               "': the type letter must be followed by the required mark, 1 or 0, as in A1app.jar";
    case ClassPathItemCheck::NoName:
        return "'" + item + "' has no name after its type letter and required mark";
    }
    return "";
}

std::string searchEntryProblem(const std::string& item) {
    const SearchEntry entry{item[0], item.substr(1)};
    switch (checkSearchEntry(entry)) {
    case SearchEntryCheck::Ok:
        return "";
    case SearchEntryCheck::UnknownLetter:
        return "'" + item + "': '" + std::string(1, item[0]) +
               "' is not a search type (upper-case A, B or R a runtime directory, E an "
               "environment variable, S the search path, Y the registry)";
    case SearchEntryCheck::NoVariableName:
        return "'" + item + "': E needs the variable's name, as in EJAVA_HOME";
    }
    return "";
}

// The check of a stored value the launcher would use only in part, or
// null for a property without one.
using ValueCheck = std::string (*)(const std::string&);
ValueCheck itemCheckOf(int32_t id) {
    if (id == idOf(Property::ClassPath)) return classPathProblem;
    if (id == idOf(Property::SearchSequence)) return searchEntryProblem;
    return nullptr;
}

class Parser {
  public:
    Parser(std::string sourceName, std::string baseDirectory)
        : source_(std::move(sourceName)), base_(std::move(baseDirectory)) {}

    [[noreturn]] void fail(const toml::source_region* where, const std::string& key,
                           const std::string& what) const {
        throwDescriptionError(source_, where, key, what);
    }

    [[noreturn]] void failAt(int32_t id, const std::string& key, const std::string& what) const {
        const auto found = origin_.find(id);
        fail(found == origin_.end() ? nullptr : &found->second, key, what);
    }

    void warn(const toml::source_region* where, const std::string& key, const std::string& what) {
        warnings_.push_back(describeProblem(source_, where, key, "warning: " + what));
    }

    // A readable key's value that the launcher could not use whole is
    // refused; each list item is named with its own line.
    void checkReadable(int32_t id, const toml::node& node, const std::string& key,
                       const std::string& text) const {
        if (id == idOf(Property::MainClass)) {
            const std::string problem = classNameProblem(text);
            if (!problem.empty()) fail(&node.source(), key, problem);
            return;
        }
        const ValueCheck check = itemCheckOf(id);
        if (check == nullptr) return;
        if (const toml::array* items = node.as_array()) {
            for (const toml::node& item : *items) {
                const std::string itemText = item.as_string()->get();
                const std::string problem =
                    itemText.empty() ? std::string("an item is empty") : check(itemText);
                if (!problem.empty()) fail(&item.source(), key, problem);
            }
            return;
        }
        for (const std::string& item : splitList(text)) {
            const std::string problem = check(item);
            if (!problem.empty()) fail(&node.source(), key, problem);
        }
    }

    // Raw ids are written as they stand, for blocks the readable keys do
    // not describe; what the launcher would not read is pointed out.
    void checkRaw(int32_t id, bool wideTable, const toml::key& key, const std::string& text) {
        const std::string name =
            std::string(wideTable ? "wide-properties." : "properties.") + std::string(key.str());
        const PropertyInfo* info = findProperty(id);
        if (info == nullptr) {
            warn(&key.source(), name,
                 "the launcher knows no property " + std::to_string(id) + "; written as given");
            return;
        }
        if ((info->kind == PropertyKind::WideText) != wideTable) {
            warn(&key.source(), name,
                 "property " + std::to_string(id) + " is " +
                     (wideTable ? "an 8-bit setting, read from [properties]"
                                : "a UTF-16 text, read from [wide-properties]") +
                     "; the launcher does not read it from here");
            return;
        }
        if (id == idOf(Property::MainClass)) {
            const std::string problem = classNameProblem(text);
            if (!problem.empty()) warn(&key.source(), name, problem);
            return;
        }
        if (const ValueCheck check = itemCheckOf(id))
            for (const std::string& item : splitList(text)) {
                const std::string problem = check(item);
                if (!problem.empty())
                    warn(&key.source(), name, problem + "; the launcher skips it");
            }
    }

    // A scalar as property text: strings as they are, integers in decimal,
    // booleans as 1 / 0.
    std::string scalarText(const toml::node& node, const std::string& key) const {
        if (auto text = node.value<std::string>(); text && node.is_string()) return *text;
        if (node.is_integer()) return std::to_string(node.as_integer()->get());
        if (node.is_boolean()) return node.as_boolean()->get() ? "1" : "0";
        fail(&node.source(), key, "expected a text, a whole number or true/false");
    }

    std::string listText(const toml::node& node, const std::string& key) const {
        if (node.is_string()) return node.as_string()->get();
        const toml::array* items = node.as_array();
        if (items == nullptr) fail(&node.source(), key, "expected a list of texts or a text");
        std::string joined;
        for (const toml::node& item : *items) {
            if (!item.is_string()) fail(&item.source(), key, "list items must be texts");
            const std::string text = item.as_string()->get();
            if (text.find(';') != std::string::npos)
                fail(&item.source(), key, "an item must not contain ';'");
            joined += text + ";";
        }
        return joined;
    }

    std::string mappedText(const toml::node& node, const std::string& key,
                           PropertyKind kind) const {
        switch (kind) {
        case PropertyKind::Text:
        case PropertyKind::WideText:
        case PropertyKind::Colour:
        case PropertyKind::RedirectionFile:
            if (!node.is_string()) fail(&node.source(), key, "expected a text");
            return node.as_string()->get();
        case PropertyKind::Integer:
            if (!node.is_integer()) fail(&node.source(), key, "expected a whole number");
            return std::to_string(node.as_integer()->get());
        case PropertyKind::Flag:
            if (!node.is_boolean()) fail(&node.source(), key, "expected true or false");
            return node.as_boolean()->get() ? "1" : "0";
        case PropertyKind::List:
            return listText(node, key);
        case PropertyKind::ProductKind: {
            const std::string kind = node.value_or(std::string());
            if (kind == "launcher") return "e";
            if (kind == "installer") return "i";
            fail(&node.source(), key, "expected \"launcher\" or \"installer\"");
        }
        case PropertyKind::ExecutableType: {
            if (node.is_integer()) return std::to_string(node.as_integer()->get());
            const std::string type = node.value_or(std::string());
            if (type == "gui") return "1";
            if (type == "console") return "2";
            fail(&node.source(), key, "expected \"gui\", \"console\" or a number");
        }
        }
        fail(&node.source(), key, "unsupported value");
    }

    int32_t rawId(const toml::key& key, const std::string& table) const {
        const std::string text(key.str());
        const std::string name = table + "." + text;
        if (text.empty() || text.size() > 10 ||
            !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
            fail(&key.source(), name, "property ids are whole numbers");
        const long long id = std::stoll(text);
        if (id > INT32_MAX) fail(&key.source(), name, "property id out of range");
        return static_cast<int32_t>(id);
    }

    // The readable keys of one table through the catalogue; narrow and
    // wide texts go to their own maps (UTF-8 until converted).
    void mapTable(const toml::table& table, const std::string& name,
                  std::map<int32_t, std::string>& narrow, std::map<int32_t, std::string>& wide) {
        for (auto&& [key, node] : table) {
            const std::string keyText(key.str());
            if (name == "launcher" && isBuilderKey(keyText)) continue;
            if (isResourceKey(name, keyText)) continue;
            const std::string fullKey = name + "." + keyText;
            const PropertyInfo* info = findPropertyByKey(name.c_str(), keyText.c_str());
            if (info == nullptr) fail(&key.source(), fullKey, "unknown key");
            const int32_t id = idOf(info->id);
            const std::string text = mappedText(node, fullKey, info->kind);
            checkReadable(id, node, fullKey, text);
            origin_[id] = node.source();
            if (info->kind == PropertyKind::WideText) {
                wide[id] = text;
                continue;
            }
            narrow[id] = text;
            // A redirection file switches its redirection (the id before) on.
            if (info->kind == PropertyKind::RedirectionFile) narrow[id - 1] = "1";
        }
    }

    // Under today's version rules (modern-runtimes) a bound must be a version
    // number and some version must pass both; the classic prefix bounds take
    // any text.
    void checkVersionRange(const std::map<int32_t, std::string>& narrow) const {
        const auto valueOf = [&narrow](Property property) {
            const auto found = narrow.find(idOf(property));
            return found == narrow.end() ? std::string() : found->second;
        };
        if (parseLeadingInt(valueOf(Property::ModernRuntimes)) == 0) return;
        const std::string minimum = valueOf(Property::MinimumJavaVersion);
        const std::string maximum = valueOf(Property::MaximumJavaVersion);
        const char* const kForm = "' is not a version number (such as 17, 11.0.2 or 1.8.0_301)";
        switch (checkVersionBounds(minimum, maximum)) {
        case VersionBoundsCheck::Ok:
            return;
        case VersionBoundsCheck::MinimumNotAVersion:
            failAt(idOf(Property::MinimumJavaVersion), "launcher.min-java-version",
                   "'" + minimum + kForm);
        case VersionBoundsCheck::MaximumNotAVersion:
            failAt(idOf(Property::MaximumJavaVersion), "launcher.max-java-version",
                   "'" + maximum + kForm);
        case VersionBoundsCheck::MinimumAboveMaximum:
            failAt(idOf(Property::MinimumJavaVersion), "launcher.min-java-version",
                   "the minimum " + minimum + " is above the maximum " + maximum +
                       ": no runtime could pass");
        }
    }

    std::string narrowText(const std::string& utf8, const std::string& codePage,
                           const std::string& key) const {
        std::string out, error;
        if (!toCodePage(utf8, codePage, out, error)) fail(nullptr, key, error);
        return out;
    }

    Description parse(const toml::table& root, const std::string& runtimeJar) {
        Description description;
        std::string codePage = "WINDOWS-1252";
        static const char* const kTopLevel[] = {
            "code-page",       "launcher", "splash",    "messages", "ui-texts", "properties",
            "wide-properties", "files",    "resources", "version",  "manifest"};
        for (auto&& [key, node] : root) {
            if (std::find(std::begin(kTopLevel), std::end(kTopLevel), key.str()) ==
                std::end(kTopLevel))
                fail(&key.source(), std::string(key.str()), "unknown key");
            const bool wantsTable = key.str() != "code-page" && key.str() != "files";
            if (wantsTable && !node.is_table())
                fail(&node.source(), std::string(key.str()), "expected a table");
        }
        if (const toml::node* page = root.get("code-page")) {
            if (!page->is_string()) fail(&page->source(), "code-page", "expected a text");
            codePage = page->as_string()->get();
            std::string probe, error;
            if (!toCodePage("", codePage, probe, error)) fail(&page->source(), "code-page", error);
        }

        std::map<int32_t, std::string> readable; // UTF-8 until converted
        std::map<int32_t, std::string> readableWide;
        for (const char* table : {"launcher", "splash", "messages", "ui-texts"})
            if (const toml::table* keys = root[table].as_table())
                mapTable(*keys, table, readable, readableWide);
        if (const toml::table* launcher = root["launcher"].as_table()) {
            if (const toml::node* include = launcher->get("include-runtime-jar")) {
                if (!include->is_boolean())
                    fail(&include->source(), "launcher.include-runtime-jar",
                         "expected true or false");
                description.includeRuntimeJar = include->as_boolean()->get();
            }
            if (const toml::node* architecture = launcher->get("architecture")) {
                const std::string value = architecture->value_or(std::string());
                if (value != "x64" && value != "x86")
                    fail(&architecture->source(), "launcher.architecture",
                         "expected \"x64\" or \"x86\"");
                description.architecture = value;
            }
        }
        // Raw ids win over readable keys.
        if (const toml::table* properties = root["properties"].as_table())
            for (auto&& [key, node] : *properties) {
                const int32_t id = rawId(key, "properties");
                readable[id] = scalarText(node, "properties." + std::string(key.str()));
                origin_[id] = node.source();
                checkRaw(id, false, key, readable[id]);
            }
        if (const toml::table* wide = root["wide-properties"].as_table())
            for (auto&& [key, node] : *wide) {
                const int32_t id = rawId(key, "wide-properties");
                readableWide[id] = scalarText(node, "wide-properties." + std::string(key.str()));
                checkRaw(id, true, key, readableWide[id]);
            }

        // The windows' captions name the application when the description
        // names it and sets no caption of its own.
        if (const auto name = readable.find(idOf(Property::ApplicationName));
            name != readable.end() && !name->second.empty()) {
            readable.emplace(idOf(Property::ErrorCaption), name->second);
            readableWide.emplace(idOf(Property::UiCaption), name->second);
        }
        chooseNotFoundTexts(readable, readableWide);
        // What the description leaves out, lumen-build writes as the
        // catalogue says: readable texts for every report and window, and
        // new behaviour on by default in new launchers.
        for (const PropertyInfo* info = propertyCatalogueBegin(); info != propertyCatalogueEnd();
             ++info) {
            if (info->builderDefault == nullptr) continue;
            auto& target = info->kind == PropertyKind::WideText ? readableWide : readable;
            target.emplace(idOf(info->id), info->builderDefault);
        }

        checkVersionRange(readable);
        checkDownload(readable);
        checkSharing(readable);
        readResourceKeys(root, source_, base_, readable, description.resources);
        parseFiles(root, description, runtimeJar);
        checkMainClassGiven(root, readable);
        std::string names;
        for (const IncludedFile& file : description.files)
            names += file.name + ";";
        if (!description.files.empty()) {
            readable[idOf(Property::IncludedFileCount)] = std::to_string(description.files.size());
            readable[idOf(Property::IncludedFileNames)] = names;
        }

        for (const auto& [id, text] : readable) {
            description.narrow[id] = narrowText(text, codePage, "property " + std::to_string(id));
            if (description.narrow[id].size() > kTextBufferSize - 1)
                fail(nullptr, "property " + std::to_string(id),
                     "longer than the launcher's " + std::to_string(kTextBufferSize - 1) +
                         "-byte texts");
        }
        for (const auto& [id, text] : readableWide) {
            std::u16string wideText;
            if (!toUtf16(text, wideText))
                fail(nullptr, "wide property " + std::to_string(id), "not valid UTF-8");
            description.wide[id] = wideText;
        }
        description.warnings = warnings_;
        return description;
    }

    // The runtime-not-found texts speak only of the bounds the description
    // sets: the launcher shows "-" for a missing one, which reads well in
    // the catalogue's texts only when both are set (or the maximum alone).
    static void chooseNotFoundTexts(const std::map<int32_t, std::string>& narrow,
                                    std::map<int32_t, std::string>& wide) {
        const auto given = [&narrow](Property property) {
            const auto found = narrow.find(idOf(property));
            return found != narrow.end() && !found->second.empty();
        };
        if (given(Property::MaximumJavaVersion)) return;
        const std::string need =
            given(Property::MinimumJavaVersion)
                ? "This application needs a Java runtime of version %S or later, and none was "
                  "found.\n\n"
                : "This application needs a Java runtime, and none was found.\n\n";
        wide.emplace(idOf(Property::UiNotFoundWithDownload),
                     need + "Download one now, or locate the java.exe of an installed runtime.");
        wide.emplace(idOf(Property::UiNotFound),
                     need + "Locate the java.exe of an installed runtime, or install Java and "
                            "start the application again.");
    }

    // Without a main class the launcher starts the JVM and then has nothing
    // to call; named last, so that a description's other faults come first.
    void checkMainClassGiven(const toml::table& root,
                             const std::map<int32_t, std::string>& readable) const {
        const auto found = readable.find(idOf(Property::MainClass));
        if (found != readable.end() && !found->second.empty()) return;
        if (found != readable.end()) failAt(found->first, "launcher.main-class", "is empty");
        const toml::node* launcher = root.get("launcher");
        fail(launcher != nullptr ? &launcher->source() : nullptr, "launcher.main-class",
             "missing: the application's main class, such as main-class = \"com.example.Main\"");
    }

    // A launcher must not be written with an address it would refuse, nor
    // with a digest it could never match.
    void checkDownload(const std::map<int32_t, std::string>& readable) const {
        const auto text = [&](Property property) {
            const auto found = readable.find(idOf(property));
            return found == readable.end() ? std::string() : found->second;
        };
        const std::string address = text(Property::DownloadUrl);
        const std::string digest = text(Property::DownloadSha256);
        if (!digest.empty() && !parseSha256(digest))
            fail(nullptr, "launcher.download-sha256", "expected 64 hexadecimal digits");
        if (address.empty()) return;
        switch (checkDownloadAddress(address, !digest.empty())) {
        case AddressVerdict::Usable:
            return;
        case AddressVerdict::PlainHttpWithoutDigest:
            fail(nullptr, "launcher.download-url",
                 "an http:// address needs the archive's SHA-256 in launcher.download-sha256 "
                 "(or use https://)");
        case AddressVerdict::UnsupportedScheme:
            fail(nullptr, "launcher.download-url", "expected an https:// or http:// address");
        }
    }

    // A launcher reads every other value as off; a typo would pass unseen.
    void checkSharing(const std::map<int32_t, std::string>& readable) const {
        const auto found = readable.find(idOf(Property::ClassDataSharing));
        if (found == readable.end() || found->second == "auto" || found->second == "off") return;
        fail(nullptr, "launcher.class-data-sharing", "expected \"auto\" or \"off\"");
    }

    void parseFiles(const toml::table& root, Description& description,
                    const std::string& runtimeJar) const {
        if (const toml::node* files = root.get("files")) {
            const toml::array* list = files->as_array();
            if (list == nullptr)
                fail(&files->source(), "files", "expected a list of { path, name } tables");
            for (const toml::node& item : *list) {
                const toml::table* entry = item.as_table();
                if (entry == nullptr)
                    fail(&item.source(), "files", "expected { path = \"...\", name = \"...\" }");
                for (auto&& [key, node] : *entry)
                    if (key.str() != "path" && key.str() != "name")
                        fail(&key.source(), "files." + std::string(key.str()), "unknown key");
                const toml::node* pathNode = entry->get("path");
                if (pathNode == nullptr || !pathNode->is_string())
                    fail(&item.source(), "files.path", "every file needs a path text");
                const std::string path = resolveAgainst(base_, pathNode->as_string()->get());
                std::string name = fileNameOf(path);
                if (const toml::node* nameNode = entry->get("name")) {
                    if (!nameNode->is_string())
                        fail(&nameNode->source(), "files.name", "expected a text");
                    name = nameNode->as_string()->get();
                }
                addFile(description, path, name, &item.source());
            }
        }
        if (description.includeRuntimeJar) {
            if (runtimeJar.empty())
                fail(nullptr, "launcher.include-runtime-jar",
                     "lumen-runtime.jar was not found beside lumen-build (../java/); set "
                     "include-runtime-jar = false when the application ships the launcher's "
                     "classes");
            addFile(description, runtimeJar, "lumen-runtime.jar", nullptr);
        }
    }

    void addFile(Description& description, const std::string& path, const std::string& name,
                 const toml::source_region* where) const {
        if (!isSafeIncludedName(name) || name.find(';') != std::string::npos)
            fail(where, "files.name", "'" + name + "' is not a plain file name");
        for (const IncludedFile& file : description.files)
            if (file.name == name) fail(where, "files.name", "'" + name + "' is included twice");
        std::ifstream probe(nativePath(path), std::ios::binary);
        if (!probe) fail(where, "files.path", "cannot read '" + path + "'");
        description.files.push_back({path, name});
    }

  private:
    std::string source_;
    std::string base_;
    // Where each property's value was given, for messages about it.
    std::map<int32_t, toml::source_region> origin_;
    std::vector<std::string> warnings_;
};

} // namespace

Description parseDescriptionText(const std::string& text, const std::string& sourceName,
                                 const std::string& baseDirectory, const std::string& runtimeJar) {
    Parser parser(sourceName, baseDirectory);
    toml::table root;
    try {
        root = toml::parse(text, sourceName);
    } catch (const toml::parse_error& error) {
        parser.fail(&error.source(), "", std::string(error.description()));
    }
    return parser.parse(root, runtimeJar);
}

Description parseDescription(const std::string& descriptionPath, const std::string& runtimeJar) {
    std::ifstream in(nativePath(descriptionPath), std::ios::binary);
    if (!in) throw DescriptionError(descriptionPath + ": cannot read the description");
    std::ostringstream text;
    text << in.rdbuf();
    return parseDescriptionText(text.str(), descriptionPath, directoryOf(descriptionPath),
                                runtimeJar);
}

std::string describeProblem(const std::string& source, const toml::source_region* where,
                            const std::string& key, const std::string& what) {
    std::ostringstream message;
    message << source;
    if (where != nullptr && where->begin.line > 0) message << ":" << where->begin.line;
    if (!key.empty()) message << ": " << key;
    message << ": " << what;
    return message.str();
}

void throwDescriptionError(const std::string& source, const toml::source_region* where,
                           const std::string& key, const std::string& what) {
    throw DescriptionError(describeProblem(source, where, key, what));
}

bool wantsGuiStub(const Description& description) {
    auto type = description.narrow.find(idOf(Property::ExecutableType));
    const int32_t value = type == description.narrow.end() ? 0 : parseLeadingInt(type->second);
    return value == 1 || value == 5;
}

std::string defaultStubName(const Description& description) {
    return (wantsGuiStub(description) ? "lumen-" : "lumen-console-") + description.architecture +
           ".exe";
}

} // namespace lumen::builder
