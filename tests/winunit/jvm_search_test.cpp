// Where the launcher looks for a runtime, in which order, and how it loads
// the VM library: the JavaSoft registry keys, the configured search
// sequence with its fallbacks, pack200 restore, and LoadDLL's messages.
#include <gtest/gtest.h>

#include "launcher/installed_jvms.h"
#include "launcher/java_check.h"
#include "launcher/jvm_loader.h"
#include "launcher/jvm_search.h"
#include "launcher/pack200.h"
#include "launcher/paths.h"
#include "launcher_test_support.h"

namespace lumen::wintest {
namespace {

const char kRuntimes[] = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
const char kKits[] = "SOFTWARE\\JavaSoft\\Java Development Kit";

void setRegistryString(const std::string& key, const char* name, const std::string& value) {
    HKEY handle;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, key.c_str(), &handle), ERROR_SUCCESS);
    RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
}

FakeRuntime runtimeOf(const std::string& home, const std::string& version,
                      FakeRuntimeOptions options = {}) {
    options.writeAnswer = true;
    options.answer = FakeJavaAnswer::printing("java version \"" + version + "\"");
    return makeFakeRuntime(home, options);
}

// Each sets or clears one environment variable for the test's duration.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const std::string* value) : name_(name) {
        char buffer[32768];
        const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
        had_ = length > 0 && length < sizeof buffer;
        if (had_) old_.assign(buffer, length);
        SetEnvironmentVariableA(name, value != nullptr ? value->c_str() : nullptr);
    }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, had_ ? old_.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

using InstalledRuntimes = LauncherTest;

TEST_F(InstalledRuntimes, VersionKeysAreTriedGreatestFirstUntilOnePasses) {
    TempDir root("reg");
    const char* keys[] = {"1.3", "1.3.1_02", "1.4", "1.4.2", "1.4.2_08"};
    for (const char* key : keys)
        setRegistryString(std::string(kRuntimes) + "\\" + key, "JavaHome",
                          root / (std::string("home_") + key));
    runtimeOf(root / "home_1.3.1_02", "1.3.1_02");
    std::string path, version;
    LogWatch log(launcher_);
    ASSERT_TRUE(findRegistryJvm(launcher_, "", "", path, version));
    EXPECT_EQ(version, "1.3.1_02");
    const std::string text = log.text();
    size_t last = 0;
    for (const char* key : {"1.4.2_08", "1.4.2", "1.4", "1.3.1_02"}) {
        const size_t at = text.find(std::string("home_") + key + "\\bin\\java.exe, [out]");
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_GT(at, last) << key << " out of order";
        last = at;
    }
    EXPECT_EQ(text.find("home_1.3\\bin"), std::string::npos) << "the scan stops at the first pass";
}

TEST_F(InstalledRuntimes, CurrentVersionChoosesTheKeyAndFallsBackToTheScan) {
    TempDir root("reg");
    runtimeOf(root / "jre14", "1.4.2_08");
    runtimeOf(root / "jdk14", "1.4.1", [] {
        FakeRuntimeOptions kit;
        kit.jdk = true;
        kit.toolsJar = true;
        return kit;
    }());
    setRegistryString(kRuntimes, "CurrentVersion", "1.4");
    setRegistryString(kKits, "CurrentVersion", "1.4");
    setRegistryString(std::string(kRuntimes) + "\\1.4", "JavaHome", root / "jre14");
    setRegistryString(std::string(kKits) + "\\1.4", "JavaHome", root / "jdk14");
    std::string path, version;
    ASSERT_TRUE(findCurrentVersionJvm(launcher_, "", "", path, version));
    EXPECT_EQ(version, "1.4.2_08") << "equal texts: the runtime key";

    // A runtime current version out of range is emptied; the kit's is read.
    setRegistryString(kRuntimes, "CurrentVersion", "1.3");
    ASSERT_TRUE(findCurrentVersionJvm(launcher_, "1.4", "", path, version));
    EXPECT_EQ(version, "1.4.1");

    // Out of range everywhere: the current versions fail, the scan goes on.
    setRegistryString(kKits, "CurrentVersion", "1.2");
    setRegistryString(std::string(kRuntimes) + "\\1.5", "JavaHome", root / "jre14");
    EXPECT_FALSE(findCurrentVersionJvm(launcher_, "1.4", "", path, version));
    EXPECT_TRUE(findRegistryJvm(launcher_, "1.4", "", path, version));

    // With a kit required, runtime keys are neither read nor scanned.
    setProperty(131, "1");
    LogWatch log(launcher_);
    ASSERT_TRUE(findRegistryJvm(launcher_, "", "", path, version));
    EXPECT_EQ(version, "1.4.1");
    EXPECT_EQ(log.text().find("jre14"), std::string::npos);
}

TEST_F(InstalledRuntimes, LocatedRuntimeWinsTiesAgainstTheRegistry) {
    TempDir root("reg");
    const FakeRuntime registered = runtimeOf(root / "registered", "1.4.2_08");
    const FakeRuntime located = runtimeOf(root / "located", "1.4.2_08");
    setRegistryString(std::string(kRuntimes) + "\\1.4.2_08", "JavaHome", registered.home);
    rememberLocatedJvm(launcher_.paths.full(located.javaExe));
    std::string path;
    ASSERT_TRUE(findInstalledJvm(launcher_, "", "", path));
    EXPECT_EQ(path, launcher_.paths.full(located.javaExe));

    const FakeRuntime newer = runtimeOf(root / "newer", "1.5.0");
    setRegistryString(std::string(kRuntimes) + "\\1.5.0", "JavaHome", newer.home);
    ASSERT_TRUE(findInstalledJvm(launcher_, "", "", path));
    EXPECT_EQ(path, launcher_.paths.full(newer.javaExe));
}

class Search : public LauncherTest {
  protected:
    void SetUp() override {
        LauncherTest::SetUp();
        setProperty(10003, app_.path());
        setProperty(2001, "e");
    }
    void writeLocation(const char* file, const std::string& home) {
        ASSERT_TRUE(writeFile(app_ / (std::string(".tessel\\") + file), home + "\r\n"));
    }
    TempDir app_{"app"};
    TempDir runtimes_{"rt"};
    ScopedVariable noHome_{"LUMEN_JAVA_HOME", nullptr};
};

TEST_F(Search, PreferredLocationComesFirst) {
    const FakeRuntime preferred = runtimeOf(runtimes_ / "pref", "1.4.2");
    runtimeOf(runtimes_ / "seq", "1.4.2");
    writeLocation("pref_jre.cfg", preferred.home);
    setProperty(128, "A" + runtimes_ / "seq" + ";");
    std::string path, name;
    LogWatch log(launcher_);
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::AtLocation);
    EXPECT_EQ(name, preferred.home);
    EXPECT_TRUE(log.has("Has preferred location " + preferred.home));
    EXPECT_TRUE(log.has("Using preferred location"));
    EXPECT_EQ(log.count("Testing location"), 0u);
}

TEST_F(Search, OutOfRangePreferredLocationGivesWayToTheSequence) {
    const FakeRuntime preferred = runtimeOf(runtimes_ / "pref", "1.2");
    const FakeRuntime sequenced = runtimeOf(runtimes_ / "seq", "1.4.2");
    writeLocation("pref_jre.cfg", preferred.home);
    setProperty(126, "1.3");
    setProperty(128, ";;R" + sequenced.home + ";");
    std::string path, name;
    LogWatch log(launcher_);
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::AtLocation);
    EXPECT_EQ(name, sequenced.home);
    EXPECT_TRUE(log.has("Testing location " + sequenced.home + " (type R)"));
}

TEST_F(Search, ProductHomeVariableFollowsTheWholeSequenceThenTheInstallerLocation) {
    const FakeRuntime viaVariable = runtimeOf(runtimes_ / "home", "1.4.2");
    const std::string home = viaVariable.home;
    ScopedVariable variable("LUMEN_JAVA_HOME", &home);
    setProperty(128, "EMISSING_LUMEN_VAR;q;");
    std::string path, name;
    {
        LogWatch log(launcher_);
        EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::FromEnvironment);
        EXPECT_EQ(name, "LUMEN_JAVA_HOME");
        EXPECT_LT(log.find("Testing location  (type q)"), log.find("Search sequence finished"));
    }
    setProperty(2001, "i"); // the installer kind reads TESSEL_JAVA_HOME instead
    const FakeRuntime installer = runtimeOf(runtimes_ / "inst", "1.4.2");
    writeLocation("inst_jre.cfg", installer.home);
    LogWatch log(launcher_);
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::AtLocation);
    EXPECT_EQ(name, installer.home);
    EXPECT_TRUE(log.has("Using installer location"));
}

TEST_F(Search, SearchPathEntryReportsItsOwnText) {
    const FakeRuntime onPath = runtimeOf(runtimes_ / "path", "1.4.2");
    const std::string pathValue = onPath.binDirectory;
    ScopedVariable variable("PATH", &pathValue);
    setProperty(128, "S;");
    std::string path, name = "stale";
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::OnSearchPath);
    EXPECT_EQ(name, "");
    EXPECT_EQ(path, launcher_.paths.full(onPath.javaExe));
}

TEST_F(Search, BundledEntriesAreTakenWithoutVersionCheckLast) {
    const FakeRuntime bundled = runtimeOf(runtimes_ / "bundled", "1.2");
    const FakeRuntime other = runtimeOf(runtimes_ / "other", "1.2");
    setProperty(126, "1.3");
    setProperty(128, "A" + other.home + ";B" + bundled.home + ";");
    std::string path, name;
    LogWatch log(launcher_);
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::AtLocation);
    EXPECT_EQ(name, bundled.home);
    EXPECT_TRUE(log.has("Testing bundle location " + bundled.home));
    EXPECT_TRUE(log.has(path + " exists"));
    EXPECT_EQ(log.count("Testing bundle location"), 1u) << "A entries never get this chance";

    setProperty(128, "A" + other.home + ";");
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::NotFound);
}

TEST_F(Search, EmptySequenceConsultsOnlyTheFixedPlaces) {
    setProperty(128, "");
    std::string path, name;
    LogWatch log(launcher_);
    EXPECT_EQ(valueOf(searchJvm(launcher_, path, name)), JvmSource::NotFound);
    EXPECT_TRUE(log.has("Searching for a JVM"));
    EXPECT_TRUE(log.has("Search sequence finished"));
    EXPECT_EQ(log.count("checkJavaExe ("), 0u);
}

using Pack200 = LauncherTest;

TEST_F(Pack200, PackedJarsAreRestoredInOrderOnceAndOnlyWhenNeeded) {
    TempDir home("packed jre");
    FakeRuntimeOptions options;
    options.unpack200 = true;
    makeFakeRuntime(home.path(), options);
    for (const char* jar :
         {"lib\\rt.jar", "lib\\charsets.jar", "lib\\ext\\localedata.jar", "lib\\jsse.jar"})
        ASSERT_TRUE(writeFile(home / (std::string(jar) + ".pack"), jar));
    LogWatch log(launcher_);
    ASSERT_TRUE(unpackRuntime(launcher_, home.path()).ok());
    const std::vector<std::string> runs = readLines(home / "bin\\unpack200.log");
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_NE(runs[0].find("rt.jar.pack"), std::string::npos);
    EXPECT_NE(runs[1].find("charsets.jar.pack"), std::string::npos);
    EXPECT_NE(runs[2].find("localedata.jar.pack"), std::string::npos);
    EXPECT_NE(runs[3].find("jsse.jar.pack"), std::string::npos);
    EXPECT_TRUE(fileExists(home / "lib\\jsse.jar"));
    EXPECT_FALSE(fileExists(home / "lib\\rt.jar.pack"));
    EXPECT_EQ(log.count("pack path doesn't exists"), 2u) << "plugin.jar and deploy.jar";
    EXPECT_TRUE(log.has("Unpacking JRE done"));

    // Restored runtimes, and runtimes without rt.jar.pack, are left alone.
    ASSERT_TRUE(writeFile(home / "lib\\rt.jar.pack", "again"));
    ASSERT_TRUE(unpackRuntime(launcher_, home.path()).ok());
    TempDir unpacked("jre");
    makeFakeRuntime(unpacked.path(), options);
    ASSERT_TRUE(writeFile(unpacked / "lib\\charsets.jar.pack", "x"));
    ASSERT_TRUE(unpackRuntime(launcher_, unpacked.path()).ok());
    EXPECT_EQ(readLines(home / "bin\\unpack200.log").size(), 4u);
    EXPECT_TRUE(readLines(unpacked / "bin\\unpack200.log").empty());
}

class Loading : public LauncherTest {
  protected:
    void SetUp() override {
        LauncherTest::SetUp();
        setProperty(10003, app_.path());
        setProperty(128, "");
        setProperty(1001, "No runtime found");
        setProperty(1002, "The runtime on the search path is damaged");
        setProperty(1003, "Variable %ENV_VAR_NAME% does not point to a runtime");
        setProperty(1004, "The runtime at %DEFINED_PATH% is damaged");
        setProperty(1005, "The VM could not be started");
        launcher_.jvm.createJavaVm = nullptr;
    }
    TempDir app_{"app"};
    TempDir runtimes_{"rt"};
};

TEST_F(Loading, VmSubdirectoriesAreTriedInOrderWithThePreferredOneFirst) {
    FakeRuntimeOptions options;
    options.vmSubdirectory = "server";
    const FakeRuntime runtime = makeFakeRuntime(runtimes_ / "jre", options);
    const std::string location = runtime.home;
    {
        LogWatch log(launcher_);
        ASSERT_TRUE(valueOf(loadJvm(launcher_, JvmRequest::home(location), ShowErrors::No)));
        EXPECT_NE(launcher_.jvm.createJavaVm, nullptr);
        const std::string bin = launcher_.paths.full(runtime.binDirectory);
        const size_t hotspot = log.find("Trying " + bin + "\\hotspot\\jvm.dll (exists 0)");
        const size_t client = log.find("Trying " + bin + "\\client\\jvm.dll (exists 0)");
        const size_t server = log.find("Trying " + bin + "\\server\\jvm.dll (exists 1)");
        EXPECT_LT(hotspot, client);
        EXPECT_LT(client, server);
        EXPECT_NE(server, std::string::npos);
        EXPECT_TRUE(log.has("Loading of JVM-DLL successful"));
    }
    setProperty(152, "server");
    LogWatch log(launcher_);
    ASSERT_TRUE(valueOf(loadJvm(launcher_, JvmRequest::home(location), ShowErrors::No)));
    EXPECT_EQ(log.count("\\jvm.dll (exists"), 1u) << "the preferred one loads at once";
}

TEST_F(Loading, ALibraryOfTheOtherArchitectureIsSkippedForTheNext) {
    const FakeRuntime runtime = makeFakeRuntime(runtimes_ / "jre");
    const std::string foreign = runtime.binDirectory + "\\hotspot\\jvm.dll";
    ASSERT_TRUE(makeDirectories(parentOf(foreign)));
    ASSERT_TRUE(writeFile(foreign, peHeadersFor(kOtherMachine)));
    LogWatch log(launcher_);
    ASSERT_TRUE(valueOf(loadJvm(launcher_, JvmRequest::home(runtime.home), ShowErrors::No)));
    EXPECT_TRUE(log.has("Loading of JVM-DLL successful"));
    const size_t skipped =
        log.find(archMismatchLine(launcher_.paths.full(foreign), kOtherArch, kBuildArch));
    EXPECT_NE(skipped, std::string::npos) << log.text();
    EXPECT_LT(skipped, log.find("Trying " + launcher_.paths.full(runtime.jvmDll) + " (exists 1)"));
}

TEST_F(Loading, AKitLoadsFromItsEmbeddedRuntimeAndDependenciesFromBin) {
    FakeRuntimeOptions kit;
    kit.jdk = true;
    kit.jvmFixture = "jvm_needs_helper.dll";
    const FakeRuntime runtime = makeFakeRuntime(runtimes_ / "jdk", kit);
    std::string exe = runtime.home + "\\bin\\java.exe";
    LogWatch log(launcher_);
    ASSERT_TRUE(valueOf(loadJvm(launcher_, JvmRequest::javaExe(exe), ShowErrors::No)));
    EXPECT_TRUE(log.has("Loading of JVM-DLL successful"));
    EXPECT_NE(log.text().find(std::string("\\bin\\..\\jre\\bin\\") + kVmSubdirectory +
                              "\\jvm.dll (exists 1)"),
              std::string::npos);
}

TEST_F(Loading, EachFailureShowsExactlyOneMessageChosenByTheSource) {
    FakeRuntimeOptions broken;
    broken.jvmFixture = "jvm_noentry.dll";
    const FakeRuntime runtime = makeFakeRuntime(runtimes_ / "broken", broken);

    std::string location = runtime.home;
    StderrCapture byLocation;
    EXPECT_FALSE(valueOf(loadJvm(launcher_, JvmRequest::home(location), ShowErrors::Yes)));
    EXPECT_EQ(byLocation.text(),
              reportOf(launcher_, "The runtime at " + runtime.home + " is damaged"));

    const std::string home = runtime.home;
    ScopedVariable variable("LUMEN_BROKEN_HOME", &home);
    setProperty(128, "ELUMEN_BROKEN_HOME;");
    StderrCapture byVariable;
    EXPECT_FALSE(valueOf(loadJvm(launcher_, JvmRequest::search(), ShowErrors::Yes)));
    EXPECT_EQ(byVariable.text(),
              reportOf(launcher_, "Variable LUMEN_BROKEN_HOME does not point to a runtime"));

    const std::string bin = runtime.binDirectory;
    ScopedVariable path("PATH", &bin);
    setProperty(128, "S;");
    StderrCapture byPath;
    EXPECT_FALSE(valueOf(loadJvm(launcher_, JvmRequest::search(), ShowErrors::Yes)));
    EXPECT_EQ(byPath.text(), reportOf(launcher_, "The runtime on the search path is damaged"));

    setRegistryString(std::string(kRuntimes) + "\\1.4", "JavaHome", runtime.home);
    setProperty(128, "Y;");
    StderrCapture byRegistry;
    EXPECT_FALSE(valueOf(loadJvm(launcher_, JvmRequest::search(), ShowErrors::Yes)));
    EXPECT_EQ(byRegistry.text(), reportOf(launcher_, "The VM could not be started"));

    setProperty(128, "");
    LogWatch log(launcher_);
    StderrCapture nothing;
    EXPECT_FALSE(valueOf(loadJvm(launcher_, JvmRequest::search(), ShowErrors::Yes)));
    EXPECT_EQ(nothing.text(), reportOf(launcher_, "No runtime found"));
    EXPECT_TRUE(log.has("ERROR: No JVM found"));

    std::string missing = runtimes_ / "missing\\bin\\java.exe";
    StderrCapture picked;
    EXPECT_FALSE(valueOf(loadJvm(launcher_, JvmRequest::javaExe(missing), ShowErrors::Yes)));
    EXPECT_EQ(picked.text(), reportOf(launcher_, "No runtime found"));
    EXPECT_EQ(launcher_.jvm.createJavaVm, nullptr);
}

} // namespace
} // namespace lumen::wintest
