// The rig itself: the stand-in runtime programs behave as the runtime tests
// rely on, fake runtimes are laid out as real ones are, and the launcher's
// deferred deletion works against the real (Wine) registry and file system.
#include <gtest/gtest.h>

#include "launcher/deletion.h"
#include "os/file.h"
#include "win_test_support.h"

namespace lumen::wintest {
namespace {

using CreateJavaVm = long(__stdcall*)(void**, void**, void*);

bool samePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// --- java.exe -------------------------------------------------------------

TEST(FakeJava, WithoutConfigurationAnswersAsAnOldRuntimeAndLogsEveryRun) {
    TempDir home("java");
    FakeRuntimeOptions options;
    options.vmSubdirectory.clear();
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(runtime.complete);

    const std::string command = quoted(runtime.javaExe) + " -version";
    const RunResult first = runCaptured(command);
    ASSERT_TRUE(first.started);
    EXPECT_FALSE(first.timedOut);
    EXPECT_EQ(0u, first.exitCode);
    EXPECT_EQ("java version \"1.4.2_08\"\r\n", first.err);
    EXPECT_EQ("", first.out);

    EXPECT_EQ(2u, runCaptured(quoted(runtime.javaExe) + " -help").exitCode);
    EXPECT_EQ((std::vector<std::string>{command, quoted(runtime.javaExe) + " -help"}),
              readLines(runtime.javaLog));
}

TEST(FakeJava, AnswersWhatItsConfigurationSaysOnTheChosenStream) {
    TempDir home("java");
    FakeRuntimeOptions options;
    options.writeAnswer = true;
    options.answer.lines = {"openjdk version \"17.0.1\" 2021-10-19 LTS", "second line"};
    options.answer.stream = "stdout";
    options.answer.eol = "lf";
    options.answer.exitCode = 3;
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(runtime.complete);

    const RunResult onStdout = runCaptured(quoted(runtime.javaExe) + " -version");
    EXPECT_EQ(3u, onStdout.exitCode);
    EXPECT_EQ("openjdk version \"17.0.1\" 2021-10-19 LTS\nsecond line\n", onStdout.out);
    EXPECT_EQ("", onStdout.err);

    options.answer.stream = "both";
    options.answer.eol = "none";
    options.answer.lines = {"java version \"1.5.0\""};
    ASSERT_TRUE(writeFile(home / "bin\\java.cfg", options.answer.text()));
    const RunResult onBoth = runCaptured(quoted(runtime.javaExe) + " -version");
    EXPECT_EQ("java version \"1.5.0\"", onBoth.out);
    EXPECT_EQ("java version \"1.5.0\"", onBoth.err);
}

TEST(FakeJava, FloodIsOneLongLineWithoutAQuote) {
    TempDir home("java");
    FakeRuntimeOptions options;
    options.writeAnswer = true;
    options.answer.lines.clear();
    options.answer.flood = 65536;
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);

    const RunResult run = runCaptured(quoted(runtime.javaExe) + " -version");
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_EQ(65536u + 2, run.err.size());
    EXPECT_EQ(std::string::npos, run.err.find('"'));
    EXPECT_EQ("\r\n", run.err.substr(65536));
}

TEST(FakeJava, DelayAndHangKeepTheChildRunningUntilItIsTerminated) {
    TempDir home("java");
    FakeRuntimeOptions options;
    options.writeAnswer = true;
    options.answer.hang = true;
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);

    const RunResult hung = runCaptured(quoted(runtime.javaExe) + " -version", 1000);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_EQ(1u, hung.exitCode) << "terminated with the code the parent chose";
    EXPECT_EQ("java version \"1.4.2_08\"\r\n", hung.err) << "prints before it hangs";

    options.answer.hang = false;
    options.answer.delayMs = 30000;
    ASSERT_TRUE(writeFile(home / "bin\\java.cfg", options.answer.text()));
    EXPECT_TRUE(runCaptured(quoted(runtime.javaExe) + " -version", 300).timedOut);

    options.answer.delayMs = 200;
    ASSERT_TRUE(writeFile(home / "bin\\java.cfg", options.answer.text()));
    const RunResult delayed = runCaptured(quoted(runtime.javaExe) + " -version", 20000);
    EXPECT_FALSE(delayed.timedOut);
    EXPECT_EQ(0u, delayed.exitCode);
}

TEST(FakeJava, JavawCopySharesTheConfigurationAndTheLog) {
    TempDir home("java w");
    FakeRuntimeOptions options;
    options.javaw = true;
    options.writeAnswer = true;
    options.answer = FakeJavaAnswer::printing("java version \"1.6.0_45\"");
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(runtime.complete);

    const std::string command = quoted(runtime.javawExe) + " -version";
    EXPECT_EQ("java version \"1.6.0_45\"\r\n", runCaptured(command).err);
    EXPECT_EQ((std::vector<std::string>{command}), readLines(runtime.javaLog));
}

// --- fake runtimes ------------------------------------------------------

TEST(FakeRuntimeLayout, DevelopmentKitHoldsItsRuntimeUnderJre) {
    TempDir home("jdk");
    FakeRuntimeOptions options;
    options.jdk = true;
    options.toolsJar = true;
    options.unpack200 = true;
    options.vmSubdirectory = "server";
    const FakeRuntime kit = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(kit.complete);
    EXPECT_TRUE(samePath(home / "jre\\bin\\java.exe", kit.javaExe));
    EXPECT_TRUE(samePath(home / "jre\\bin\\server\\jvm.dll", kit.jvmDll));
    for (const char* file : {"bin\\java.exe", "jre\\bin\\java.exe", "jre\\bin\\server\\jvm.dll",
                             "lib\\tools.jar", "bin\\unpack200.exe"})
        EXPECT_TRUE(fileExists(home / file)) << file;
    for (const char* file : {"bin\\server", "bin\\javaw.exe", "jre\\bin\\javaw.exe"})
        EXPECT_FALSE(fileExists(home / file)) << file;
}

// --- jvm.dll --------------------------------------------------------------

TEST(FakeJvm, ExportsTheEntryPointAndRecordsWhichCopyWasLoaded) {
    TempDir first("jvm a");
    TempDir second("jvm b");
    FakeRuntimeOptions options;
    options.vmSubdirectory = "server";
    const FakeRuntime a = makeFakeRuntime(first.path(), options);
    options.vmSubdirectory = "hotspot";
    const FakeRuntime b = makeFakeRuntime(second.path(), options);
    ASSERT_TRUE(a.complete && b.complete);

    HMODULE libraryA = LoadLibraryA(a.jvmDll.c_str());
    ASSERT_NE(nullptr, libraryA);
    HMODULE libraryB = LoadLibraryA(b.jvmDll.c_str());
    ASSERT_NE(nullptr, libraryB);
    EXPECT_NE(libraryA, libraryB) << "two runtimes' jvm.dll are two libraries";

    const auto create = procAddress<CreateJavaVm>(libraryA, "JNI_CreateJavaVM");
    ASSERT_NE(nullptr, create);
    void* vm = &vm;
    void* env = &env;
    EXPECT_EQ(-1, create(&vm, &env, nullptr)) << "JNI_ERR";
    EXPECT_EQ(nullptr, vm);
    EXPECT_EQ(nullptr, env);
    EXPECT_NE(nullptr, GetProcAddress(libraryB, "JNI_CreateJavaVM"));

    const std::vector<std::string> loadedA = readLines(a.loadedLog);
    const std::vector<std::string> loadedB = readLines(b.loadedLog);
    ASSERT_EQ(1u, loadedA.size());
    ASSERT_EQ(1u, loadedB.size());
    EXPECT_TRUE(samePath(a.jvmDll, loadedA[0])) << loadedA[0];
    EXPECT_TRUE(samePath(b.jvmDll, loadedB[0])) << loadedB[0];
    FreeLibrary(libraryA);
    FreeLibrary(libraryB);
}

TEST(FakeJvm, NoEntryVariantLacksOnlyTheEntryPoint) {
    TempDir home("jvm");
    FakeRuntimeOptions options;
    options.jvmFixture = "jvm_noentry.dll";
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(runtime.complete);

    HMODULE library = LoadLibraryA(runtime.jvmDll.c_str());
    ASSERT_NE(nullptr, library);
    EXPECT_EQ(nullptr, GetProcAddress(library, "JNI_CreateJavaVM"));
    EXPECT_NE(nullptr, GetProcAddress(library, "JNI_GetDefaultJavaVMInitArgs"));
    EXPECT_EQ(1u, readLines(runtime.loadedLog).size());
    FreeLibrary(library);
}

TEST(FakeJvm, HelperImportLoadsOnlyWithTheRuntimeBinInTheSearch) {
    using SetDllDirectory = BOOL(WINAPI*)(LPCSTR);
    const auto setDllDirectory =
        procAddress<SetDllDirectory>(GetModuleHandleA("kernel32.dll"), "SetDllDirectoryA");
    ASSERT_NE(nullptr, setDllDirectory);
    ASSERT_EQ(nullptr, GetModuleHandleA("jvmhelper.dll"));

    TempDir home("jvm helper");
    FakeRuntimeOptions options;
    options.jvmFixture = "jvm_needs_helper.dll";
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(runtime.complete);

    // The helper lies in bin, the library in its VM directory: neither the
    // ordinary search nor the library's own directory finds it.
    EXPECT_EQ(nullptr, LoadLibraryA(runtime.jvmDll.c_str()));
    EXPECT_EQ(nullptr,
              LoadLibraryExA(runtime.jvmDll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    EXPECT_FALSE(fileExists(runtime.loadedLog));

    ASSERT_TRUE(setDllDirectory(runtime.binDirectory.c_str()));
    HMODULE library = LoadLibraryA(runtime.jvmDll.c_str());
    setDllDirectory(nullptr);
    ASSERT_NE(nullptr, library);
    const auto create = procAddress<CreateJavaVm>(library, "JNI_CreateJavaVM");
    ASSERT_NE(nullptr, create);
    void* vm = nullptr;
    void* env = nullptr;
    EXPECT_EQ(-1, create(&vm, &env, nullptr)) << "the helper answered with its version";
    FreeLibrary(library);
    EXPECT_EQ(nullptr, GetModuleHandleA("jvmhelper.dll")) << "unloaded with the library";

    // With the helper beside it, the library's own directory is enough.
    ASSERT_TRUE(copyFixture("jvmhelper.dll", parentOf(runtime.jvmDll) + "\\jvmhelper.dll"));
    library = LoadLibraryExA(runtime.jvmDll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_NE(nullptr, library);
    if (library) FreeLibrary(library);
}

// --- unpack200.exe --------------------------------------------------------

TEST(FakeUnpack200, RestoresAJarFromQuotedPathsWithBlanksAndLogsItsCommandLine) {
    TempDir home("packed runtime");
    FakeRuntimeOptions options;
    options.javaExe = false;
    options.vmSubdirectory.clear();
    options.unpack200 = true;
    const FakeRuntime runtime = makeFakeRuntime(home.path(), options);
    ASSERT_TRUE(runtime.complete);
    const std::string tool = home / "bin\\unpack200.exe";
    const std::string jar = home / "lib\\rt.jar";
    const std::string packed = jar + ".pack";
    const std::string bytes("packed\0bytes\r\n", 14);
    ASSERT_TRUE(writeFile(packed, bytes));

    const std::string unquoted = quoted(tool) + " -r " + packed + " " + jar;
    EXPECT_EQ(1u, runCaptured(unquoted).exitCode) << "blanks split unquoted paths";
    EXPECT_FALSE(fileExists(jar));

    const std::string keep = quoted(tool) + " " + quoted(packed) + " " + quoted(jar);
    EXPECT_EQ(0u, runCaptured(keep).exitCode);
    EXPECT_EQ(bytes, readFile(jar));
    EXPECT_TRUE(fileExists(packed)) << "kept without -r";

    ASSERT_TRUE(DeleteFileA(jar.c_str()));
    const std::string restore = quoted(tool) + " -r " + quoted(packed) + " " + quoted(jar);
    EXPECT_EQ(0u, runCaptured(restore).exitCode);
    EXPECT_EQ(bytes, readFile(jar));
    EXPECT_FALSE(fileExists(packed));

    EXPECT_EQ((std::vector<std::string>{unquoted, keep, restore}),
              readLines(home / "bin\\unpack200.log"));
}

// --- deferred deletion (launcher modules against the registry) ----------

const char kDeletionKey[] = "SOFTWARE\\nordquill\\lumen\\temp";

class DeferredDeletion : public testing::Test {
  protected:
    std::string list(const char* name) {
        std::string value;
        EXPECT_TRUE(readRegistryString(HKEY_CURRENT_USER, kDeletionKey, name, value)) << name;
        return value;
    }

    RegistryKeyReset reset_{HKEY_CURRENT_USER, kDeletionKey};
    TempDir scratch_{"deletion"};
    Launcher launcher_;
};

TEST_F(DeferredDeletion, FileInUseStaysListedUntilItIsFree) {
    const std::string file = scratch_ / "held.tmp";
    ASSERT_TRUE(writeFile(file, "x"));
    scheduleFileDeletion(launcher_, file);

    const RunResult query =
        runReg("query " + quoted(std::string("HKCU\\") + kDeletionKey) + " /v delete_file");
    EXPECT_EQ(0u, query.exitCode) << query.err;
    EXPECT_NE(std::string::npos, query.out.find(file + ";")) << query.out;

    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    processDeferredDeletions(launcher_);
    CloseHandle(held);
    EXPECT_TRUE(fileExists(file));
    EXPECT_EQ(file + ";", list("delete_file"));

    processDeferredDeletions(launcher_);
    EXPECT_FALSE(fileExists(file));
    EXPECT_EQ("", list("delete_file")) << "an emptied list stays as an empty text";
}

TEST_F(DeferredDeletion, TreeGoesInOnePassButAFullDirectoryStays) {
    const std::string tree = scratch_ / "tree";
    ASSERT_TRUE(writeFile(tree + "\\a.txt", "a"));
    ASSERT_TRUE(writeFile(tree + "\\sub\\b.txt", "b"));
    const std::string full = scratch_ / "full";
    ASSERT_TRUE(writeFile(full + "\\c.txt", "c"));

    scheduleTreeDeletion(launcher_, tree);
    scheduleDirectoryDeletion(launcher_, full);
    processDeferredDeletions(launcher_);

    EXPECT_FALSE(fileExists(tree));
    EXPECT_TRUE(fileExists(full + "\\c.txt"));
    EXPECT_EQ("", list("delete_file"));
    EXPECT_EQ(full + ";", list("delete_dir"));
}

TEST_F(DeferredDeletion, ARunningLaunchersDirectoryStaysAndNothingOutsideTheFolderGoes) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string own = joinPath(temp, "lmx" + std::string(31, '0') +
                                               std::to_string(GetCurrentProcessId() % 10) + "_dir");
    ASSERT_TRUE(writeFile(own + "\\app.jar", "a"));
    ASSERT_TRUE(writeFile(own + "\\jre\\bin\\java.exe", "j"));
    const std::string outside = "c:\\lumen-outside-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(writeFile(outside + "\\keep.txt", "k"));
    scheduleDirectoryDeletion(launcher_, own);
    scheduleDirectoryDeletion(launcher_, outside);
    scheduleFileDeletion(launcher_, outside + "\\keep.txt");

    {
        os::File mark = os::File::markInUse(own);
        ASSERT_TRUE(mark.valid());
        EXPECT_TRUE(os::isInUse(own));
        processDeferredDeletions(launcher_);
        EXPECT_TRUE(fileExists(own + "\\app.jar")) << "a marked directory is a running launcher's";
        EXPECT_EQ(own + ";", list("delete_dir")) << "refused entries leave the list";
    }
    EXPECT_FALSE(os::isInUse(own));
    processDeferredDeletions(launcher_);
    EXPECT_FALSE(fileExists(own)) << "the whole tree of the launcher's own directory";
    EXPECT_EQ("", list("delete_dir"));
    EXPECT_TRUE(fileExists(outside + "\\keep.txt"));
    removeTree(outside);
}

} // namespace
} // namespace lumen::wintest
