// The catalogue of every property a launcher block can carry: its id, its
// readable key in a launcher description, its kind, the value lumen-build
// writes when a description leaves it out, and what it controls.
//
// Contract: the one place where property ids are numbers. The launcher
// reads properties by their `Property` name through this table's ids, and
// lumen-build maps readable keys, checks values and writes defaults from
// it, so the two cannot drift apart. Ids are stored formats: a block written
// by an older lumen-build must read the same, so an id never changes its
// meaning; new behaviour gets a new id outside the ranges in use, and its
// absence from a block means the behaviour of a block written before it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lumen {

enum class Property : int32_t {
    ApplicationName = 101,
    RedirectStandardError = 102,
    StandardErrorFile = 103,
    RedirectStandardOutput = 104,
    StandardOutputFile = 105,
    ApplicationFlag = 106,
    ExecutableType = 107,
    ClassPath = 121,
    MainClass = 122,
    VmParameters = 123,
    FixedArguments = 124,
    JOptionsToVm = 125,
    MinimumJavaVersion = 126,
    MaximumJavaVersion = 127,
    SearchSequence = 128,
    AllowPreRelease = 130,
    RequireJdk = 131,
    SplashWidth = 141,
    SplashHeight = 142,
    SplashHideOnAppWindow = 145,
    WorkingDirectory = 146,
    SplashTopmost = 147,
    DownloadUrl = 150,
    RuntimeArchiveSize = 151,
    PreferredVm = 152,
    PackedRuntime = 153,

    ErrorCaption = 1000,
    MessageNoRuntime = 1001,
    MessageRuntimeOnPathDamaged = 1002,
    MessageRuntimeVariableUnusable = 1003,
    MessageRuntimeLocationDamaged = 1004,
    MessageJvmStartFailed = 1005,
    MessageClassPathMissing = 1006,
    MessageWrongParameters = 1007,
    MessageVariableMissing = 1008,
    MessageInternalError = 1009,
    MessageMainClassMissing = 1010,
    MessageMainMethodMissing = 1011,

    ProductKind = 2001,
    IncludedFileCount = 2002,
    IncludedFileNames = 2003,

    ApplicationDirectory = 10003,
    PathPrefix = 10004,
    SingleInstance = 10005,

    SplashStatusX = 10109,
    SplashStatusY = 10110,
    SplashStatusText = 10111,
    SplashStatusFont = 10112,
    SplashStatusFontSize = 10113,
    SplashStatusColour = 10114,
    SplashStatusFontWeight = 10115,
    SplashVersionX = 10116,
    SplashVersionY = 10117,
    SplashVersionText = 10118,
    SplashVersionFont = 10119,
    SplashVersionFontSize = 10120,
    SplashVersionColour = 10121,
    SplashVersionFontWeight = 10122,

    // UTF-16 texts of the launcher's own windows.
    UiDownloading = 20001,
    UiInternetUnavailable = 20002,
    UiDownloadFailed = 20003,
    UiLocateTitle = 20004,
    UiNotFoundWithDownload = 20005,
    UiNotFound = 20006,
    UiPreparing = 20007,
    UiDownloadProgress = 20008,
    UiConnecting = 20009,
    UiDownloadButton = 20010,
    UiLocateButton = 20011,
    UiCancelButton = 20012,
    UiCaption = 20013,
    UiNoWindow = 20014,
    UiUnfinishedStart = 20015,
    UiFilesDamaged = 20016,

    // Behaviour added later, outside the ranges above; absent in a block
    // written before, which then behaves as it always did.
    ModernRuntimes = 30001,
    DownloadSha256 = 30002,
    SplashAtStartup = 30003,
    AppUserModelId = 30004,
    // The splash screen's status line while the start-up unpacks the
    // included files, looks for a runtime and starts the JVM.
    UiSplashUnpacking = 30005,
    UiSplashSearching = 30006,
    UiSplashStarting = 30007,
    // Class-data sharing ("auto"): the JVM's application archive, written
    // by one start and mapped by the next.
    ClassDataSharing = 30008,
    // The JVM runs in the extraction directory instead of the user's; absent
    // (older blocks): it does.
    RunInExtractionDirectory = 30009,
    // An exception ended the application's main; without it, 1005 stands in.
    MessageApplicationFailed = 30010,
};

// How a property's text is formed and how a description gives it.
enum class PropertyKind {
    Text,           // 8-bit text as it stands
    WideText,       // UTF-16 text (the wide table)
    Integer,        // decimal integer
    Flag,           // "1" / "0", true / false in a description
    List,           // items each followed by ";", a list or a text in a description
    Colour,         // "r,g,b"
    ProductKind,    // "e" / "i", "launcher" / "installer" in a description
    ExecutableType, // integer, "gui" (1) / "console" (2) in a description
    // A file name that also switches its redirection on: the property before
    // it (the flag) is written as "1" alongside.
    RedirectionFile,
};

struct PropertyInfo {
    Property id;
    PropertyKind kind;
    // The description's table and key; null key: not given by a readable
    // key (derived by lumen-build, or only as a raw id).
    const char* table;
    const char* key;
    // An earlier name of the key that descriptions may still use, or null.
    const char* formerKey;
    // What lumen-build writes when the description says nothing; null:
    // nothing is written (the launcher reads absent as empty or 0).
    const char* builderDefault;
    const char* meaning;
};

constexpr int32_t idOf(Property property) {
    return static_cast<int32_t>(property);
}

bool isWideProperty(Property property);

// The whole catalogue, in ascending id order.
const PropertyInfo* propertyCatalogueBegin();
const PropertyInfo* propertyCatalogueEnd();

// The entry of a property, or null for an id the catalogue does not know.
const PropertyInfo* findProperty(int32_t id);
// The entry for a readable key of a description table, or null.
const PropertyInfo* findPropertyByKey(const char* table, const char* key);

} // namespace lumen
