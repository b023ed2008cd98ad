// The check of a candidate java.exe, its per-user version cache, the
// windowed and development-kit rules, and the records of runtimes that the
// user picked, against fake runtimes and the real (Wine) registry.
#include <gtest/gtest.h>

#include "core/cpu_arch.h"
#include "core/java_runtime.h"
#include "launcher/java_check.h"
#include "launcher/paths.h"
#include "launcher_test_support.h"

namespace lumen::wintest {
namespace {

const char kCache[] = "SOFTWARE\\nordquill\\lumen\\jvms\\";

std::string cacheKeyOf(const Launcher& launcher, const std::string& javaExe) {
    return registryKeyForPath(kCache, launcher.paths.full(javaExe));
}

FakeRuntime runtimeAnswering(const TempDir& home, const std::string& firstLine,
                             FakeRuntimeOptions options = {}) {
    options.writeAnswer = true;
    options.answer = FakeJavaAnswer::printing(firstLine);
    return makeFakeRuntime(home.path(), options);
}

using JavaCheck = LauncherTest;

std::string cachedValue(const Launcher& launcher, const std::string& javaExe, const char* name) {
    std::string value;
    return readRegistryString(HKEY_CURRENT_USER, cacheKeyOf(launcher, javaExe), name, value)
               ? value
               : "(none)";
}

size_t runsOf(const FakeRuntime& runtime) {
    return readLines(runtime.javaLog).size();
}

TEST_F(JavaCheck, VersionIsCachedUntilTheExecutableChanges) {
    TempDir home("jre");
    const FakeRuntime runtime = makeFakeRuntime(home.path());
    ASSERT_TRUE(runtime.complete);
    std::string path = runtime.javaExe;
    std::string version;
    {
        LogWatch log(launcher_);
        EXPECT_TRUE(checkJavaExe(launcher_, path, version, "1.3", "", false));
        EXPECT_EQ(version, "1.4.2_08");
        EXPECT_TRUE(log.has("checkJavaExe (" + runtime.javaExe + ", [out], 1.3, , 0)"));
        EXPECT_TRUE(log.has("file exists"));
        EXPECT_TRUE(log.has("got version from execution 1.4.2_08"));
        EXPECT_TRUE(log.has("checkJavaExe returning 1"));
    }
    EXPECT_TRUE(lstrcmpA(path.c_str(), launcher_.paths.full(runtime.javaExe).c_str()) == 0)
        << "the path comes back normalised: " << path;
    std::string cached;
    ASSERT_TRUE(readRegistryString(HKEY_CURRENT_USER, cacheKeyOf(launcher_, runtime.javaExe),
                                   "Version", cached));
    EXPECT_EQ(cached, "1.4.2_08");

    // A hit runs nothing, also for a range the cached version misses.
    {
        LogWatch log(launcher_);
        path = runtime.javaExe;
        EXPECT_TRUE(checkJavaExe(launcher_, path, version, "", "1.4", false));
        EXPECT_TRUE(log.has("got version from registry 1.4.2_08"));
        path = runtime.javaExe;
        EXPECT_FALSE(checkJavaExe(launcher_, path, version, "1.5", "", false));
        EXPECT_TRUE(log.has("checkJavaExe returning 0"));
    }
    EXPECT_EQ(readLines(runtime.javaLog).size(), 1u);

    // The runtime is updated in place: run again, cache overwritten.
    ASSERT_TRUE(writeFile(parentOf(runtime.javaExe) + "\\java.cfg",
                          FakeJavaAnswer::printing("java version \"1.6.0\"").text()));
    ASSERT_TRUE(shiftLastWriteTime(runtime.javaExe, 3600));
    path = runtime.javaExe;
    EXPECT_TRUE(checkJavaExe(launcher_, path, version, "1.5", "", false));
    EXPECT_EQ(version, "1.6.0");
    EXPECT_EQ(readLines(runtime.javaLog).size(), 2u);
    ASSERT_TRUE(readRegistryString(HKEY_CURRENT_USER, cacheKeyOf(launcher_, runtime.javaExe),
                                   "Version", cached));
    EXPECT_EQ(cached, "1.6.0");
}

TEST_F(JavaCheck, ACacheEntryWithADamagedTimeIsIgnoredAndReplaced) {
    TempDir home("jre");
    const FakeRuntime runtime = makeFakeRuntime(home.path());
    std::string path = runtime.javaExe;
    ASSERT_TRUE(checkJavaExe(launcher_, path, "", "", false));
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, cacheKeyOf(launcher_, runtime.javaExe).c_str(), 0,
                            KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    const BYTE shortTime[4] = {1, 2, 3, 4};
    RegSetValueExA(key, "LastWriteTime", 0, REG_BINARY, shortTime, sizeof shortTime);
    RegCloseKey(key);

    path = runtime.javaExe;
    LogWatch log(launcher_);
    EXPECT_TRUE(checkJavaExe(launcher_, path, "", "", false));
    EXPECT_TRUE(log.has("got version from execution 1.4.2_08"));
    path = runtime.javaExe;
    EXPECT_TRUE(checkJavaExe(launcher_, path, "", "", false));
    EXPECT_TRUE(log.has("got version from registry 1.4.2_08")) << "the entry was rewritten whole";
}

TEST_F(JavaCheck, RuntimesThatDoNotAnswerProperlyAreRefusedAndNotCached) {
    struct Case {
        const char* what;
        FakeJavaAnswer answer;
    };
    FakeJavaAnswer flood;
    flood.flood = 65536;
    FakeJavaAnswer failing;
    failing.exitCode = 1;
    FakeJavaAnswer onStdout;
    onStdout.stream = "stdout";
    const Case cases[] = {
        {"modern OpenJDK wording", FakeJavaAnswer::printing("openjdk version \"17\" 2021-09-14")},
        {"another product word", FakeJavaAnswer::printing("IBM java version \"1.4\"")},
        {"no closing quote", FakeJavaAnswer::printing("java version \"1.4.2")},
        {"64 KB without quotes", flood},
        {"non-zero exit", failing},
        {"version on standard output", onStdout},
    };
    for (const Case& c : cases) {
        TempDir home("jre");
        FakeRuntimeOptions options;
        options.writeAnswer = true;
        options.answer = c.answer;
        const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
        std::string path = runtime.javaExe;
        std::string version = "previous";
        LogWatch log(launcher_);
        EXPECT_FALSE(checkJavaExe(launcher_, path, version, "", "", true)) << c.what;
        EXPECT_TRUE(log.has("couldn't get version")) << c.what;
        EXPECT_EQ(version, "") << c.what;
        EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, cacheKeyOf(launcher_, runtime.javaExe)))
            << c.what;
    }
}

TEST_F(JavaCheck, ARuntimeThatNeverAnswersIsStoppedAfterTenSeconds) {
    TempDir home("jre");
    FakeRuntimeOptions options;
    options.writeAnswer = true;
    options.answer.hang = true;
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    std::string path = runtime.javaExe;
    const DWORD started = GetTickCount();
    LogWatch log(launcher_);
    EXPECT_FALSE(checkJavaExe(launcher_, path, "", "", true));
    EXPECT_LT(GetTickCount() - started, 20000u);
    EXPECT_TRUE(log.has("couldn't get version"));
}

TEST_F(JavaCheck, AMissingFileKeepsTheVersionAndSaysSo) {
    TempDir home("none");
    std::string path = home / "bin\\java.exe";
    std::string version = "kept";
    LogWatch log(launcher_);
    EXPECT_FALSE(checkJavaExe(launcher_, path, version, "", "", true));
    EXPECT_EQ(version, "kept");
    EXPECT_TRUE(log.has("file doesn't exist"));
    EXPECT_TRUE(log.has("checkJavaExe returning 0"));
}

TEST_F(JavaCheck, AWindowedLauncherNeedsJavaw) {
    setProperty(107, "1");
    TempDir withJavaw("jre");
    FakeRuntimeOptions options;
    options.javaw = true;
    const FakeRuntime good = makeFakeRuntime(withJavaw.path(), options);
    std::string path = good.javaExe;
    EXPECT_TRUE(checkJavaExe(launcher_, path, "", "", false));
    EXPECT_EQ(path, launcher_.paths.full(good.javawExe));

    TempDir without("jre");
    const FakeRuntime bad = makeFakeRuntime(without.path());
    path = bad.javaExe;
    EXPECT_FALSE(checkJavaExe(launcher_, path, "", "", false));
    EXPECT_EQ(path, launcher_.paths.full(bad.javawExe)) << "the returned path names javaw.exe";
}

TEST_F(JavaCheck, HomesMapToTheirJavaExe) {
    TempDir jre("jre");
    makeFakeRuntime(jre.path());
    std::string path;
    EXPECT_TRUE(javaExeFromHome(launcher_, jre.path(), path));
    EXPECT_EQ(path, jre / "bin\\java.exe");

    TempDir jdk("jdk");
    FakeRuntimeOptions kit;
    kit.jdk = true;
    makeFakeRuntime(jdk.path(), kit);
    EXPECT_TRUE(javaExeFromHome(launcher_, jdk.path(), path));
    EXPECT_EQ(path, jdk / "jre\\bin\\java.exe") << "a kit runs through its embedded runtime";

    TempDir empty("empty");
    EXPECT_TRUE(javaExeFromHome(launcher_, empty.path(), path));
    EXPECT_EQ(path, empty / "bin\\java.exe");

    setProperty(131, "1");
    EXPECT_FALSE(javaExeFromHome(launcher_, jre.path(), path)) << "no tools.jar";
    EXPECT_EQ(path, jre / "jre\\bin\\java.exe");
    TempDir withTools("jdk");
    kit.toolsJar = true;
    makeFakeRuntime(withTools.path(), kit);
    EXPECT_TRUE(javaExeFromHome(launcher_, withTools.path(), path));
    EXPECT_EQ(path, withTools / "jre\\bin\\java.exe");
}

TEST_F(JavaCheck, TodaysRulesAskTheReleaseFileBeforeStartingTheRuntime) {
    setProperty(30001, "1");
    struct Case {
        const char* what;
        const char* release; // null: no release file
        const char* expected;
        const char* source;
        size_t runs;
    };
    const Case cases[] = {
        {"JAVA_VERSION", "IMPLEMENTOR=\"Eclipse Adoptium\"\nJAVA_VERSION=\"17.0.9\"\n", "17.0.9",
         "release", 0},
        {"pre-release part from the runtime version",
         "JAVA_VERSION=\"22\"\r\nJAVA_RUNTIME_VERSION=\"22-ea+27\"\r\n", "22-ea", "release", 0},
        {"no JAVA_VERSION", "IMPLEMENTOR=\"Azul Systems, Inc.\"\n", "11.0.2", "execution", 1},
        {"JAVA_VERSION not a version", "JAVA_VERSION=\"seventeen\"\n", "11.0.2", "execution", 1},
        {"no release file", nullptr, "11.0.2", "execution", 1},
    };
    for (const Case& c : cases) {
        TempDir home("jdk");
        const FakeRuntime runtime =
            runtimeAnswering(home, "openjdk version \"11.0.2\" 2019-01-15 LTS");
        if (c.release != nullptr) {
            ASSERT_TRUE(writeFile(home / "release", c.release));
        }
        std::string path = runtime.javaExe;
        std::string version;
        LogWatch log(launcher_);
        EXPECT_TRUE(checkJavaExe(launcher_, path, version, "11", "", true)) << c.what;
        EXPECT_EQ(version, c.expected) << c.what;
        EXPECT_TRUE(log.has(std::string("got version from ") +
                            (c.runs == 0 ? "release file " : "execution ") + c.expected))
            << c.what;
        EXPECT_EQ(runsOf(runtime), c.runs) << c.what;
        EXPECT_EQ(cachedValue(launcher_, runtime.javaExe, "Version"), c.expected) << c.what;
        EXPECT_EQ(cachedValue(launcher_, runtime.javaExe, "VersionSource"), c.source) << c.what;
    }

    // Numeric bounds: a release naming a version below the minimum refuses
    // the runtime without starting it.
    TempDir home("jdk");
    const FakeRuntime runtime = makeFakeRuntime(home.path());
    ASSERT_TRUE(writeFile(home / "release", "JAVA_VERSION=\"17.0.15\"\n"));
    std::string path = runtime.javaExe;
    EXPECT_FALSE(checkJavaExe(launcher_, path, "21", "", false));
    path = runtime.javaExe;
    EXPECT_TRUE(checkJavaExe(launcher_, path, "9", "17", false)) << "a cache hit, by number";
    path = runtime.javaExe;
    EXPECT_FALSE(checkJavaExe(launcher_, path, "", "17.0.2", false));
    EXPECT_EQ(runsOf(runtime), 0u);
}

TEST_F(JavaCheck, WithoutTodaysRulesTheReleaseFileIsNotRead) {
    TempDir home("jdk");
    const FakeRuntime runtime = makeFakeRuntime(home.path());
    ASSERT_TRUE(writeFile(home / "release", "JAVA_VERSION=\"17.0.9\"\n"));
    std::string path = runtime.javaExe;
    std::string version;
    EXPECT_TRUE(checkJavaExe(launcher_, path, version, "", "", false));
    EXPECT_EQ(version, "1.4.2_08");
    EXPECT_EQ(runsOf(runtime), 1u);
    EXPECT_EQ(cachedValue(launcher_, runtime.javaExe, "VersionSource"), "execution");
}

TEST_F(JavaCheck, ARuntimeOfTheOtherArchitectureFailsBeforeItIsStarted) {
    for (const char* modern : {"0", "1"}) {
        setProperty(30001, modern);
        TempDir home("jre");
        const FakeRuntime runtime = makeFakeRuntime(home.path());
        ASSERT_TRUE(writeFile(runtime.jvmDll, peHeadersFor(kOtherMachine)));
        std::string path = runtime.javaExe;
        LogWatch log(launcher_);
        EXPECT_FALSE(checkJavaExe(launcher_, path, "", "", true)) << modern;
        EXPECT_TRUE(
            log.has(archMismatchLine(launcher_.paths.full(runtime.jvmDll), kOtherArch, kBuildArch)))
            << log.text();
        EXPECT_EQ(runsOf(runtime), 0u);
        EXPECT_FALSE(registryKeyExists(HKEY_CURRENT_USER, cacheKeyOf(launcher_, runtime.javaExe)));
    }

    // No VM library tells: under today's rules the release file's OS_ARCH does.
    TempDir home("jre");
    FakeRuntimeOptions noVm;
    noVm.vmSubdirectory.clear();
    const FakeRuntime runtime = makeFakeRuntime(home.path(), noVm);
    ASSERT_TRUE(writeFile(home / "release", std::string("JAVA_VERSION=\"17\"\nOS_ARCH=\"") +
                                                (kOtherArch == CpuArch::X86 ? "x86" : "amd64") +
                                                "\"\n"));
    std::string path = runtime.javaExe;
    LogWatch log(launcher_);
    EXPECT_FALSE(checkJavaExe(launcher_, path, "", "", true));
    EXPECT_TRUE(
        log.has(archMismatchLine(launcher_.paths.full(home / "release"), kOtherArch, kBuildArch)))
        << log.text();
    setProperty(30001, "0");
    path = runtime.javaExe;
    EXPECT_TRUE(checkJavaExe(launcher_, path, "", "", true)) << "nothing tells the classic rules";
}

TEST_F(JavaCheck, TodaysKitsAreKnownByJavac) {
    setProperty(131, "1");
    TempDir modernKit("jdk17");
    const FakeRuntime runtime = makeFakeRuntime(modernKit.path());
    ASSERT_TRUE(copyFixture("java.exe", modernKit / "bin\\javac.exe"));
    std::string path;
    EXPECT_FALSE(javaExeFromHome(launcher_, modernKit.path(), path)) << "classic: tools.jar only";
    setProperty(30001, "1");
    EXPECT_TRUE(javaExeFromHome(launcher_, modernKit.path(), path));
    EXPECT_EQ(path, runtime.javaExe) << "no embedded runtime: its own bin";

    TempDir oldKit("jdk8");
    FakeRuntimeOptions kit;
    kit.jdk = true;
    kit.toolsJar = true;
    const FakeRuntime old = makeFakeRuntime(oldKit.path(), kit);
    EXPECT_TRUE(javaExeFromHome(launcher_, oldKit.path(), path));
    EXPECT_EQ(path, old.javaExe) << "an old kit still runs through its jre";
}

TEST_F(JavaCheck, LocatedRuntimesPreferTheGreaterVersionAndTheMachineOnATie) {
    TempDir old("old"), newer("new"), same("same");
    const FakeRuntime runtime14 = makeFakeRuntime(old.path());
    const FakeRuntime runtime16 = runtimeAnswering(newer, "java version \"1.6.0\"");
    const FakeRuntime other14 = makeFakeRuntime(same.path());
    std::string path, version;
    EXPECT_FALSE(findLocatedJvm(launcher_, "", "", path, version));

    rememberLocatedJvm(launcher_.paths.full(runtime14.javaExe));
    EXPECT_TRUE(registryKeyExists(HKEY_LOCAL_MACHINE,
                                  registryKeyForPath("SOFTWARE\\nordquill\\lumen\\locatedjvms\\",
                                                     launcher_.paths.full(runtime14.javaExe))));
    HKEY key;
    const std::string userKey = registryKeyForPath("SOFTWARE\\nordquill\\lumen\\locatedjvms\\",
                                                   launcher_.paths.full(other14.javaExe));
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, userKey.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(findLocatedJvm(launcher_, "", "", path, version));
    EXPECT_EQ(path, launcher_.paths.full(runtime14.javaExe))
        << "equal versions: the machine's wins";

    const std::string newerKey = registryKeyForPath("SOFTWARE\\nordquill\\lumen\\locatedjvms\\",
                                                    launcher_.paths.full(runtime16.javaExe));
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, newerKey.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_TRUE(findLocatedJvm(launcher_, "", "", path, version));
    EXPECT_EQ(version, "1.6.0");
    EXPECT_EQ(path, launcher_.paths.full(runtime16.javaExe));

    EXPECT_FALSE(findLocatedJvm(launcher_, "1.7", "", path, version)) << "out of range everywhere";
}

} // namespace
} // namespace lumen::wintest
