// The start-up sequence's error routes in this process, over the POSIX OS
// layer: each failure comes back as a value with its report and exit code
// instead of ending the process. The runtime is laid out at test time: a
// java script answering -version and a stand-in libjvm.so
// (tests/fixtures/fake_jvm_posix.cpp) that fails creation or finds no
// class.
#include "launcher/startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "launcher/errors.h"
#include "launcher/jvm_launch.h"

namespace lumen {
namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
  public:
    void set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old != nullptr, old != nullptr ? old : ""});
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had)
                ::setenv(it->name, it->value.c_str(), 1);
            else
                ::unsetenv(it->name);
        }
    }

  private:
    struct Saved {
        const char* name;
        bool had;
        std::string value;
    };
    std::vector<Saved> saved_;
};

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class StartupErrors : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::path(::testing::TempDir()) /
                ("lumen_startup_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "tmp");
        environment_.set("TMPDIR", (root_ / "tmp").string());
        environment_.set("XDG_CONFIG_HOME", (root_ / "config").string());
        environment_.set("LUMEN_JAVA_HOME", "");
        // The launcher's own file; a test that includes files writes it.
        const fs::path self = root_ / "app";
        writeText(self, "");
        launcher_.paths = LauncherPaths(self.string(), root_.string() + "/");
        launcher_.state.systemArguments = std::vector<std::string>{self.string()};
        disableErrorBoxes(launcher_);
        set(Property::SearchSequence, "");
        set(Property::ApplicationDirectory, root_.string());
    }
    void TearDown() override { fs::remove_all(root_); }

    void set(Property property, const std::string& value) {
        launcher_.store.setNarrow(idOf(property), value);
    }
    std::string log() const {
        std::string path;
        if (!launcher_.log.path(path)) return "";
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A runtime whose java answers 17.0.9 and whose VM library is the
    // stand-in; the search finds it through an A entry.
    void layOutRuntime() {
        const fs::path home = root_ / "runtime";
        const fs::path java = home / "bin" / "java";
        writeText(java, "#!/bin/sh\necho 'openjdk version \"17.0.9\" 2023-10-17' >&2\n");
        ::chmod(java.c_str(), 0755);
        fs::create_directories(home / "lib" / "server");
        // Kept when a test lays it out again: the loaded library stays mapped.
        fs::copy_file(LUMEN_FAKE_JVM, home / "lib" / "server" / "libjvm.so",
                      fs::copy_options::skip_existing);
        set(Property::SearchSequence, "A" + home.string() + ";");
    }
    Failure runExpectingFailure(bool reportMissingRuntime = false) {
        const Outcome outcome = runStartup(launcher_, nullptr, reportMissingRuntime);
        EXPECT_FALSE(outcome.ok()) << log();
        return outcome.ok() ? Failure() : outcome.failure();
    }

    fs::path root_;
    ScopedEnvironment environment_;
    Launcher launcher_;
};

TEST_F(StartupErrors, UnreadableIncludedFileIsTheDamagedFilesReport) {
    // One record that announces 100 bytes and holds 10.
    std::string record("\x64\0\0\0", 4);
    record += std::string(10, 'x');
    writeText(launcher_.paths.moduleFileName(), record);
    launcher_.block = {0, record.size()};
    set(Property::IncludedFileCount, "1");
    set(Property::IncludedFileNames, "app.jar;");

    const Failure failure = runExpectingFailure();
    EXPECT_EQ(failure.report, Failure::Report::FilesDamaged);
    EXPECT_EQ(failure.exitCode, 1u);
    ASSERT_EQ(launcher_.unpacked.files().size(), 1u);
    EXPECT_EQ(fs::path(launcher_.unpacked.files()[0]).filename(), "app.jar");
    ASSERT_EQ(launcher_.unpacked.directories().size(), 1u) << "the directory goes too";
    // A name nobody could have guessed, for this user alone.
    const fs::path directory = launcher_.unpacked.directories()[0];
    EXPECT_TRUE(std::regex_match(directory.filename().string(), std::regex("lmx[0-9a-f]{32}_dir")))
        << directory;
    struct stat info {};
    ASSERT_EQ(::lstat(directory.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_NE(log().find("ERROR: Failed to extract "), std::string::npos) << log();
}

TEST_F(StartupErrors, NoRuntimeEndsWith83QuietlyOrWithItsMessage) {
    set(Property::MessageNoRuntime, "No Java");
    testing::internal::CaptureStdout();
    const Failure quiet = runExpectingFailure(false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "no jre found\n");
    EXPECT_EQ(quiet.report, Failure::Report::None);
    EXPECT_EQ(quiet.exitCode, 83u);
    EXPECT_NE(log().find("ERROR: No JRE found"), std::string::npos) << log();

    const Failure reported = runExpectingFailure(true);
    EXPECT_EQ(reported.report, Failure::Report::Message);
    EXPECT_EQ(reported.message, Property::MessageNoRuntime);
    EXPECT_EQ(reported.exitCode, 83u);
}

TEST_F(StartupErrors, VmCreationFailingIsMessage1005) {
    layOutRuntime();
    environment_.set("LUMEN_FAKE_JVM_MODE", "fail");
    const Failure failure = runExpectingFailure();
    EXPECT_EQ(failure.report, Failure::Report::Message);
    EXPECT_EQ(failure.message, Property::MessageJvmStartFailed);
    EXPECT_EQ(failure.exitCode, 1u);
    const std::string text = log();
    EXPECT_NE(text.find("Loading of JVM-DLL successful"), std::string::npos) << text;
    EXPECT_NE(text.find("ERROR: could not initialize JVM"), std::string::npos) << text;
    EXPECT_NE(text.find("ERROR: Could not start JVM"), std::string::npos) << text;
}

// Where the JVM runs: blocks without the choice and those that ask for it
// in the extraction directory, newer ones where the launcher found itself
// (working-directory already applied, or the directory it was started in).
TEST_F(StartupErrors, TheJvmRunsInTheDirectoryTheBlockChooses) {
    const fs::path saved = fs::current_path();
    const fs::path start = root_ / "user dir";
    const struct {
        const char* setting; // null: absent from the block
        bool inExtractionDirectory;
    } cases[] = {{nullptr, true}, {"1", true}, {"0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting != nullptr ? c.setting : "absent");
        launcher_.store.clear();
        layOutRuntime();
        set(Property::ApplicationDirectory, root_.string());
        if (c.setting != nullptr) set(Property::RunInExtractionDirectory, c.setting);
        const std::string record = std::string("\x03\0\0\0", 4) + "abc";
        writeText(launcher_.paths.moduleFileName(), record);
        launcher_.block = {0, record.size()};
        set(Property::IncludedFileCount, "1");
        set(Property::IncludedFileNames, "data.txt;");
        environment_.set("LUMEN_FAKE_JVM_MODE", "fail");
        fs::create_directories(start);
        fs::current_path(start);

        const Failure failure = runExpectingFailure();
        const fs::path current = fs::current_path();
        fs::current_path(saved);
        EXPECT_EQ(failure.message, Property::MessageJvmStartFailed);
        ASSERT_FALSE(launcher_.extractionDirectory.empty());
        // The JVM would have found its files where the block put them either way.
        EXPECT_TRUE(fs::exists(fs::path(launcher_.extractionDirectory) / "data.txt"));
        EXPECT_EQ(current,
                  c.inExtractionDirectory ? fs::path(launcher_.extractionDirectory) : start);
        const bool logged =
            log().find("Application working dir: " + start.string()) != std::string::npos;
        EXPECT_EQ(logged, !c.inExtractionDirectory) << log();
    }
}

// An exception out of main is the application's failure; a block from
// before that message reports it with 1005, as it always did.
TEST_F(StartupErrors, AnExceptionFromMainIsTheApplicationsFailure) {
    const struct {
        bool messageInBlock;
        Property expected;
    } cases[] = {{true, Property::MessageApplicationFailed},
                 {false, Property::MessageJvmStartFailed}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.messageInBlock);
        launcher_.store.clear();
        layOutRuntime();
        set(Property::ApplicationDirectory, root_.string());
        set(Property::MainClass, "org.example.Main");
        if (c.messageInBlock) set(Property::MessageApplicationFailed, "It failed.");
        environment_.set("LUMEN_FAKE_JVM_MODE", "throw");
        const Failure failure = runExpectingFailure();
        EXPECT_EQ(failure.report, Failure::Report::Message);
        EXPECT_EQ(failure.message, c.expected);
        EXPECT_EQ(failure.exitCode, 1u);
    }
    const std::string text = log();
    EXPECT_NE(text.find("ERROR: main ended with java.lang.IllegalStateException"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Could not start JVM"), std::string::npos) << text;
}

TEST_F(StartupErrors, MissingEntryClassIsMessage1010) {
    layOutRuntime();
    environment_.set("LUMEN_FAKE_JVM_MODE", "no-classes");
    const Failure failure = runExpectingFailure();
    EXPECT_EQ(failure.report, Failure::Report::Message);
    EXPECT_EQ(failure.message, Property::MessageMainClassMissing);
    EXPECT_TRUE(jvmCreated(launcher_));
    EXPECT_NE(log().find("ERROR: could not find main class"), std::string::npos) << log();
}

} // namespace
} // namespace lumen
