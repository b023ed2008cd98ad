#include "core/property_catalogue.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace lumen {
namespace {

using K = PropertyKind;
using P = Property;

// Kept in ascending id order (findProperty relies on it, a test checks it).
const PropertyInfo kCatalogue[] = {
    {P::ApplicationName, K::Text, "launcher", "application-name", nullptr, nullptr,
     "application name; title of the splash window"},
    {P::RedirectStandardError, K::Flag, nullptr, nullptr, nullptr, nullptr,
     "redirect the application's standard error stream (set by stderr-file)"},
    {P::StandardErrorFile, K::RedirectionFile, "launcher", "stderr-file", nullptr, nullptr,
     "file for the application's standard error stream, relative to the launcher"},
    {P::RedirectStandardOutput, K::Flag, nullptr, nullptr, nullptr, nullptr,
     "redirect the application's standard output stream (set by stdout-file)"},
    {P::StandardOutputFile, K::RedirectionFile, "launcher", "stdout-file", nullptr, nullptr,
     "file for the application's standard output stream, relative to the launcher"},
    {P::ApplicationFlag, K::Flag, "launcher", "application-flag", "launcher-flag", nullptr,
     "a flag of the application's own, handed to the entry class (WinLauncher.getApplicationFlag)"},
    {P::ExecutableType, K::ExecutableType, "launcher", "type", nullptr, nullptr,
     "1: windowed (javaw.exe, errors in message boxes); 5: message boxes; else console"},
    {P::ClassPath, K::List, "launcher", "class-path", nullptr, nullptr,
     "class-path entries: type letter (A, D, S, E), required mark (1/0), name"},
    {P::MainClass, K::Text, "launcher", "main-class", nullptr, nullptr,
     "the application's main class, dotted"},
    {P::VmParameters, K::Text, "launcher", "vm-options", nullptr, nullptr,
     "VM parameters, split like a command line"},
    {P::FixedArguments, K::Text, "launcher", "arguments", nullptr, nullptr,
     "fixed arguments for the application"},
    {P::JOptionsToVm, K::Flag, "launcher", "j-options-to-vm", nullptr, nullptr,
     "command-line arguments beginning with -J are VM options"},
    {P::MinimumJavaVersion, K::Text, "launcher", "min-java-version", nullptr, nullptr,
     "minimum Java version (compared as numbers with modern-runtimes, else a prefix bound "
     "compared as text)"},
    {P::MaximumJavaVersion, K::Text, "launcher", "max-java-version", nullptr, nullptr,
     "maximum Java version (compared as numbers with modern-runtimes, else a prefix bound "
     "compared as text)"},
    {P::SearchSequence, K::List, "launcher", "search-sequence", nullptr, "EJAVA_HOME;S;Y;",
     "runtime search: A/B/R directory, E variable, S search path, Y registry"},
    {P::AllowPreRelease, K::Flag, "launcher", "allow-prerelease", nullptr, nullptr,
     "accept pre-release runtimes"},
    {P::RequireJdk, K::Flag, "launcher", "require-jdk", nullptr, nullptr,
     "require a development kit"},
    {P::SplashWidth, K::Integer, "splash", "width", nullptr, nullptr,
     "splash bitmap and window width in pixels"},
    {P::SplashHeight, K::Integer, "splash", "height", nullptr, nullptr,
     "splash bitmap and window height in pixels"},
    {P::SplashHideOnAppWindow, K::Flag, "splash", "hide-on-app-window", nullptr, nullptr,
     "take the splash down when the application shows a window"},
    {P::WorkingDirectory, K::Text, "launcher", "working-directory", nullptr, nullptr,
     "working directory, relative to the launcher; empty: left unchanged"},
    {P::SplashTopmost, K::Flag, "splash", "topmost", nullptr, nullptr,
     "the splash window stays on top"},
    {P::DownloadUrl, K::Text, "launcher", "download-url", nullptr, nullptr,
     "address of a runtime archive to download; empty: no download offered"},
    {P::RuntimeArchiveSize, K::Integer, "launcher", "runtime-archive-size", nullptr, nullptr,
     "uncompressed size of the shipped runtime archive in bytes, for progress"},
    {P::PreferredVm, K::Text, "launcher", "preferred-vm", nullptr, nullptr,
     "VM subdirectory tried first (\"server\", \"client\")"},
    {P::PackedRuntime, K::Flag, "launcher", "packed-runtime", nullptr, nullptr,
     "the shipped runtime's jars are pack200-compressed"},

    {P::ErrorCaption, K::Text, "launcher", "error-caption", nullptr, "Java application",
     "caption of the 8-bit error message boxes; default: application-name when given"},
    {P::MessageNoRuntime, K::Text, "messages", "no-runtime", nullptr,
     "This application needs a Java runtime, and no suitable one was found.\n"
     "Install Java, or set JAVA_HOME to the directory of a suitable runtime.",
     "no usable Java runtime was found"},
    {P::MessageRuntimeOnPathDamaged, K::Text, "messages", "runtime-on-path-damaged", nullptr,
     "The Java runtime found on the PATH is damaged or incomplete.\n"
     "Reinstall it, or take it off the PATH.",
     "the runtime found on the search path is damaged"},
    {P::MessageRuntimeVariableUnusable, K::Text, "messages", "runtime-variable-unusable", nullptr,
     "The environment variable %ENV_VAR_NAME% names a Java runtime that "
     "cannot be used.\nCorrect the variable or remove it.",
     "the runtime named by an environment variable (%ENV_VAR_NAME%) fails"},
    {P::MessageRuntimeLocationDamaged, K::Text, "messages", "runtime-location-damaged", nullptr,
     "The Java runtime in %DEFINED_PATH% is damaged or incomplete.\n"
     "Reinstall the application.",
     "the runtime at a configured location (%DEFINED_PATH%) is damaged"},
    {P::MessageJvmStartFailed, K::Text, "messages", "jvm-start-failed", nullptr,
     "The Java virtual machine could not be started.",
     "the JVM could not be created or its entry class could not be called"},
    {P::MessageClassPathMissing, K::Text, "messages", "class-path-missing", nullptr,
     "A file the application needs is missing: %FILE_NAME%\n"
     "Reinstall the application.",
     "a required class-path entry (%FILE_NAME%) is missing or empty"},
    {P::MessageWrongParameters, K::Text, "messages", "wrong-parameters", nullptr,
     "The application's arguments or Java options have a quotation mark "
     "without its partner.",
     "an unmatched quote in arguments or VM parameters"},
    {P::MessageVariableMissing, K::Text, "messages", "variable-missing", nullptr,
     "The environment variable %ENV_VAR_NAME% must be set for this "
     "application to start.",
     "a required environment variable (%ENV_VAR_NAME%) is not defined"},
    {P::MessageInternalError, K::Text, "messages", "internal-error", nullptr,
     "The application could not be prepared for its start (internal error "
     "%ERROR_CODE%).",
     "internal error with its code (%ERROR_CODE%)"},
    {P::MessageMainClassMissing, K::Text, "messages", "main-class-missing", nullptr,
     "The launcher's Java classes could not be loaded. The application may "
     "be damaged; reinstall it.",
     "the entry class could not be loaded"},
    {P::MessageMainMethodMissing, K::Text, "messages", "main-method-missing", nullptr,
     "The launcher's Java entry class has no main method. The application "
     "may be damaged; reinstall it.",
     "the entry class has no main method"},

    {P::ProductKind, K::ProductKind, "launcher", "product-kind", nullptr, nullptr,
     "\"e\" plain launcher, \"i\" installer (first character)"},
    {P::IncludedFileCount, K::Integer, nullptr, nullptr, nullptr, nullptr,
     "number of included files (from files)"},
    {P::IncludedFileNames, K::List, nullptr, nullptr, nullptr, nullptr,
     "names of the included files, in record order (from files)"},

    {P::ApplicationDirectory, K::Text, "launcher", "application-directory", nullptr, nullptr,
     "application directory, relative to the launcher"},
    {P::PathPrefix, K::List, "launcher", "path-prefix", nullptr, nullptr,
     "directories put in front of PATH"},
    {P::SingleInstance, K::Flag, "launcher", "single-instance", nullptr, nullptr,
     "single-instance option"},

    {P::SplashStatusX, K::Integer, "splash", "status-x", nullptr, nullptr,
     "x of the splash status line"},
    {P::SplashStatusY, K::Integer, "splash", "status-y", nullptr, nullptr,
     "y of the splash status line"},
    {P::SplashStatusText, K::Text, "splash", "status-text", nullptr, nullptr,
     "initial splash status text"},
    {P::SplashStatusFont, K::Text, "splash", "status-font", nullptr, nullptr, "status font face"},
    {P::SplashStatusFontSize, K::Integer, "splash", "status-font-size", nullptr, nullptr,
     "status font size in points"},
    {P::SplashStatusColour, K::Colour, "splash", "status-color", nullptr, nullptr,
     "status text colour \"r,g,b\""},
    {P::SplashStatusFontWeight, K::Integer, "splash", "status-font-weight", nullptr, nullptr,
     "status font weight"},
    {P::SplashVersionX, K::Integer, "splash", "version-x", nullptr, nullptr,
     "x of the splash version line"},
    {P::SplashVersionY, K::Integer, "splash", "version-y", nullptr, nullptr,
     "y of the splash version line"},
    {P::SplashVersionText, K::Text, "splash", "version-text", nullptr, nullptr, "version text"},
    {P::SplashVersionFont, K::Text, "splash", "version-font", nullptr, nullptr,
     "version font face"},
    {P::SplashVersionFontSize, K::Integer, "splash", "version-font-size", nullptr, nullptr,
     "version font size in points"},
    {P::SplashVersionColour, K::Colour, "splash", "version-color", nullptr, nullptr,
     "version text colour \"r,g,b\""},
    {P::SplashVersionFontWeight, K::Integer, "splash", "version-font-weight", nullptr, nullptr,
     "version font weight"},

    {P::UiDownloading, K::WideText, "ui-texts", "downloading", nullptr,
     "Downloading a Java runtime...", "progress-dialog text while a runtime is downloaded"},
    {P::UiInternetUnavailable, K::WideText, "ui-texts", "internet-unavailable", nullptr,
     "Windows' internet functions (wininet.dll) cannot be used, so no Java "
     "runtime can be downloaded.",
     "the internet library cannot be loaded"},
    {P::UiDownloadFailed, K::WideText, "ui-texts", "download-failed", nullptr,
     "The Java runtime could not be downloaded.\nCheck the internet "
     "connection and start the application again.",
     "the download failed"},
    {P::UiLocateTitle, K::WideText, "ui-texts", "locate-title", nullptr, "Locate java.exe",
     "title of the file dialog that picks java.exe"},
    {P::UiNotFoundWithDownload, K::WideText, "ui-texts", "not-found-with-download", nullptr,
     "This application needs a Java runtime (lowest version: %S, "
     "highest version: %S), and none was found.\n\nDownload one now, or locate the java.exe "
     "of an installed runtime.",
     "runtime-not-found text with a download offered (two %S: the versions); without "
     "max-java-version the default names only the minimum, or no version"},
    {P::UiNotFound, K::WideText, "ui-texts", "not-found", nullptr,
     "This application needs a Java runtime (lowest version: %S, highest "
     "version: %S), and none was found.\n\nLocate the java.exe of an installed runtime, or "
     "install Java and start the application again.",
     "runtime-not-found text without a download (two %S: the versions); without max-java-version "
     "the default names only the minimum, or no version"},
    {P::UiPreparing, K::WideText, "ui-texts", "preparing", nullptr,
     "Preparing the application's start...",
     "progress-dialog text while the launcher prepares the start"},
    {P::UiDownloadProgress, K::WideText, "ui-texts", "download-progress", nullptr,
     "%.2f MB of %.2f MB (%.1f%%) at %.1f KB/s",
     "download progress format with four numbers (%.2f MB of %.2f MB ...)"},
    {P::UiConnecting, K::WideText, "ui-texts", "connecting", nullptr, "Connecting...",
     "download status while the connection is opened"},
    {P::UiDownloadButton, K::WideText, "ui-texts", "download-button", nullptr, "Download",
     "caption of the Download button"},
    {P::UiLocateButton, K::WideText, "ui-texts", "locate-button", nullptr, "Locate...",
     "caption of the Locate button"},
    {P::UiCancelButton, K::WideText, "ui-texts", "cancel-button", nullptr, "Cancel",
     "caption of the Cancel buttons"},
    {P::UiCaption, K::WideText, "ui-texts", "caption", nullptr, "Java application",
     "caption of the launcher's windows and UTF-16 message boxes; default: "
     "application-name when given"},
    {P::UiNoWindow, K::WideText, "ui-texts", "no-window", nullptr,
     "The application did not open a window in time and was stopped.",
     "the application showed no window in time"},
    {P::UiUnfinishedStart, K::WideText, "ui-texts", "unfinished-start", nullptr,
     "The last start of this application did not finish.\n\nDo you want to "
     "choose the Java runtime yourself?",
     "question after an unfinished earlier start"},
    {P::UiFilesDamaged, K::WideText, "ui-texts", "files-damaged", nullptr,
     "The application's files could not be unpacked: the launcher file is "
     "damaged, or the disk is full or not writable.",
     "the included files could not be unpacked"},

    {P::ModernRuntimes, K::Flag, "launcher", "modern-runtimes", nullptr, "1",
     "today's runtimes: openjdk version lines, the release file, the Java 9+ and vendor "
     "registry keys, javac.exe as the kit marker, versions compared as numbers"},
    {P::DownloadSha256, K::Text, "launcher", "download-sha256", nullptr, nullptr,
     "SHA-256 of the archive at download-url (64 hex digits); required for an http:// "
     "address, checked for any"},
    {P::SplashAtStartup, K::Flag, nullptr, nullptr, nullptr, nullptr,
     "show the splash screen instead of the progress dialog from the start-up's beginning (set "
     "by [splash] image; on Linux the runtime's own splash screen)"},
    {P::AppUserModelId, K::Text, "launcher", "app-user-model-id", nullptr, nullptr,
     "application user model id the launcher gives its process (taskbar grouping)"},
    {P::UiSplashUnpacking, K::WideText, "ui-texts", "splash-unpacking", nullptr,
     "Unpacking the application...", "splash status line while the included files are unpacked"},
    {P::UiSplashSearching, K::WideText, "ui-texts", "splash-searching", nullptr,
     "Looking for Java...", "splash status line while a Java runtime is looked for"},
    {P::UiSplashStarting, K::WideText, "ui-texts", "splash-starting", nullptr,
     "Starting the application...", "splash status line while the JVM starts"},
    {P::ClassDataSharing, K::Text, "launcher", "class-data-sharing", nullptr, nullptr,
     "\"auto\": on runtimes 13 and later, the first start has the JVM write an archive of the "
     "classes it loaded into the user's cache and later starts map it; \"off\" or absent: no "
     "archive"},
    {P::RunInExtractionDirectory, K::Flag, "launcher", "run-in-extraction-directory", nullptr, "0",
     "the JVM runs in the extraction directory (older launchers); else in working-directory or "
     "the directory the launcher was started in"},
    {P::MessageApplicationFailed, K::Text, "messages", "application-failed", nullptr,
     "The application ended with an error.",
     "an exception ended the application's main (absent: jvm-start-failed is shown)"},
};

bool same(const char* a, const char* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

} // namespace

bool isWideProperty(Property property) {
    const PropertyInfo* info = findProperty(idOf(property));
    return info != nullptr && info->kind == PropertyKind::WideText;
}

const PropertyInfo* propertyCatalogueBegin() {
    return std::begin(kCatalogue);
}

const PropertyInfo* propertyCatalogueEnd() {
    return std::end(kCatalogue);
}

const PropertyInfo* findProperty(int32_t id) {
    const PropertyInfo* first = std::begin(kCatalogue);
    const PropertyInfo* last = std::end(kCatalogue);
    while (first < last) {
        const PropertyInfo* middle = first + (last - first) / 2;
        if (idOf(middle->id) < id)
            first = middle + 1;
        else
            last = middle;
    }
    return first != std::end(kCatalogue) && idOf(first->id) == id ? first : nullptr;
}

const PropertyInfo* findPropertyByKey(const char* table, const char* key) {
    const PropertyInfo* found =
        std::find_if(std::begin(kCatalogue), std::end(kCatalogue), [&](const PropertyInfo& info) {
            return same(info.table, table) && (same(info.key, key) || same(info.formerKey, key));
        });
    return found != std::end(kCatalogue) ? found : nullptr;
}

} // namespace lumen
