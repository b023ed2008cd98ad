// The runtime download against a local HTTP server (tests/win/
// http_fixture_server.py), with Wine's wininet as the client. The server's
// base URL comes in LUMEN_TEST_HTTP; tests/win/test_download.py starts the
// server and runs this group. Without it the group is skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

#include "core/text_format.h"
#include "launcher/download.h"
#include "launcher_test_support.h"
#include "os/crypto.h"
#include "os/internet.h"
#include "os/library.h"
#include "os/window.h"

namespace lumen::wintest {
namespace {

std::string serverBase() {
    const char* base = std::getenv("LUMEN_TEST_HTTP");
    return base != nullptr ? base : "";
}

class RecordingView : public ProgressView {
  public:
    void setPosition(int position) override {
        std::lock_guard<std::mutex> lock(mutex);
        positions.push_back(position);
    }
    void setStatusText(const std::u16string& text) override { statuses.push_back(text); }
    void showStatus(bool shown) override { statusShown.push_back(shown); }
    void setMessage(const std::u16string& text) override { message = text; }
    void setCancelCaption(const std::u16string& text) override { cancelCaption = text; }
    bool cancelRequested() override { return ++cancelPolls > cancelAfterPolls; }

    std::mutex mutex;
    std::vector<int> positions;
    std::vector<std::u16string> statuses;
    std::vector<bool> statusShown;
    std::u16string message, cancelCaption;
    int cancelPolls = 0;
    int cancelAfterPolls = 1 << 30;
};

std::string pattern(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i % (251 * 64)) % 251);
    return bytes;
}

Sha256Digest sha256Of(const std::string& data) {
    os::Sha256 sha;
    Sha256Digest digest{};
    EXPECT_TRUE(sha.start() && sha.add(data.data(), data.size()) && sha.finish(digest));
    return digest;
}

class Download : public LauncherTest {
  protected:
    void SetUp() override {
        LauncherTest::SetUp();
        if (serverBase().empty()) GTEST_SKIP() << "LUMEN_TEST_HTTP is not set";
        launcher_.store.setWide(20008, u"%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s");
        launcher_.store.setWide(20009, u"Initializing connection ...");
        ASSERT_TRUE(loadInternetFunctions(launcher_, internet_));
        char current[MAX_PATH];
        GetCurrentDirectoryA(sizeof current, current);
        saved_ = current;
        SetCurrentDirectoryA(dir_.path().c_str());
    }
    void TearDown() override {
        if (!saved_.empty()) SetCurrentDirectoryA(saved_.c_str());
    }

    static std::string url(const std::string& path) { return serverBase() + path; }
    // A path of its own per test, so the server's counts are the test's.
    std::string tagged(const std::string& path) const {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return path + "/" + info->name();
    }
    // How many requests the server saw for path (fetched through the
    // download itself, which the other tests check).
    int requestsFor(const std::string& path) {
        RecordingView quiet;
        const std::string file = dir_ / "count.txt";
        if (!downloadFile(launcher_, internet_, quiet, url("/count" + path), file)) return -1;
        return std::atoi(readFile(file).c_str());
    }

    TempDir dir_{"download"};
    std::string saved_;
    os::InternetLibrary internet_;
};

TEST_F(Download, WholeBodyIsStoredAndProgressFollowsTheLength) {
    const size_t length = 300000;
    RecordingView view;
    LogWatch log(launcher_);
    ASSERT_TRUE(
        downloadFile(launcher_, internet_, view, url(tagged("/bytes/300000")), "jre.tar.gz"));
    EXPECT_EQ(readFile(dir_ / "jre.tar.gz"), pattern(length));
    EXPECT_TRUE(log.has("download successful"));
    ASSERT_GE(view.statuses.size(), 2u);
    EXPECT_EQ(view.statuses.front(), u"Initializing connection ...");
    // The first refresh comes right after the first block of 16 KiB.
    const std::u16string& first = view.statuses[1];
    EXPECT_EQ(first.rfind(u"0.02 MB of 0.29 MB (5.5%) at ", 0), 0u)
        << std::string(first.begin(), first.end());
    ASSERT_FALSE(view.positions.empty());
    EXPECT_EQ(view.positions.front(), 16384 * 100 / 300000);
    for (int position : view.positions)
        EXPECT_LE(position, 100);
    EXPECT_EQ(requestsFor(tagged("/bytes/300000")), 1);
}

TEST_F(Download, ProgressFormatIsNeverAPrintfFormat) {
    launcher_.store.setWide(20008, u"%s%n%x %.1f%% %d");
    RecordingView view;
    ASSERT_TRUE(
        downloadFile(launcher_, internet_, view, url(tagged("/bytes/20000")), "jre.tar.gz"));
    ASSERT_GE(view.statuses.size(), 2u);
    EXPECT_EQ(view.statuses[1], u"%s%n%x 0.0% %d");
}

TEST_F(Download, EmptyBodyWithLengthZeroIsAnEmptyFile) {
    RecordingView view;
    LogWatch log(launcher_);
    ASSERT_TRUE(downloadFile(launcher_, internet_, view, url(tagged("/bytes/0")), "jre.tar.gz"));
    EXPECT_TRUE(fileExists(dir_ / "jre.tar.gz"));
    EXPECT_EQ(readFile(dir_ / "jre.tar.gz"), "");
    EXPECT_TRUE(log.has("download successful"));
}

TEST_F(Download, ErrorStatusFailsAtOnceAndStoresNothing) {
    RecordingView view;
    LogWatch log(launcher_);
    EXPECT_FALSE(downloadFile(launcher_, internet_, view, url(tagged("/missing")), "jre.tar.gz"));
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
    EXPECT_TRUE(log.has("ERROR: Server answered with HTTP status 404"));
    EXPECT_FALSE(log.has("download successful"));
    EXPECT_EQ(requestsFor(tagged("/missing")), 1) << "no retries for an error page";
}

TEST_F(Download, MissingLengthIsAskedTwentyTimesWithTheUrlReopened) {
    RecordingView view;
    LogWatch log(launcher_);
    EXPECT_FALSE(downloadFile(launcher_, internet_, view, url(tagged("/nolength")), "jre.tar.gz"));
    for (int attempt = 1; attempt <= 20; ++attempt)
        EXPECT_EQ(log.count("HttpQueryInfo (try " + std::to_string(attempt) + ") failed"), 1u)
            << attempt;
    EXPECT_EQ(log.count("HttpQueryInfo (try 21)"), 0u);
    EXPECT_TRUE(log.has("ERROR: Giving up"));
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
    // The first open and one reopening after each failed query.
    EXPECT_EQ(requestsFor(tagged("/nolength")), 21);
}

TEST_F(Download, UrlThatCannotBeReopenedEndsTheTries) {
    // A server of its own that answers once and then stops listening.
    RecordingView quiet;
    ASSERT_TRUE(downloadFile(launcher_, internet_, quiet, url(tagged("/oneshot")), "port.txt"));
    const std::string port = readFile(dir_ / "port.txt");
    RecordingView view;
    LogWatch log(launcher_);
    EXPECT_FALSE(
        downloadFile(launcher_, internet_, view, "http://127.0.0.1:" + port + "/x", "jre.tar.gz"));
    EXPECT_EQ(log.count("HttpQueryInfo (try 1) failed"), 1u) << log.text();
    EXPECT_EQ(log.count("ERROR: InternetOpenUrl 2 failed with error code "), 1u) << log.text();
    EXPECT_EQ(log.count("HttpQueryInfo (try 2)"), 0u);
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
}

TEST_F(Download, ReopenedUrlWithoutAnAnswerFailsOnItsStatus) {
    RecordingView view;
    LogWatch log(launcher_);
    EXPECT_FALSE(downloadFile(launcher_, internet_, view, url(tagged("/drop")), "jre.tar.gz"));
    EXPECT_EQ(log.count("HttpQueryInfo (try 1) failed"), 1u) << log.text();
    EXPECT_EQ(log.count("HttpQueryInfo (try 2)"), 0u) << log.text();
    EXPECT_FALSE(log.has("download successful"));
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
}

TEST_F(Download, BodyEndingBeforeTheLengthFailsAndDeletesThePart) {
    RecordingView view;
    LogWatch log(launcher_);
    EXPECT_FALSE(
        downloadFile(launcher_, internet_, view, url(tagged("/short/100000")), "jre.tar.gz"));
    EXPECT_TRUE(log.has("ERROR: InternetReadFile brought no data after 50000 of 100000 bytes"))
        << log.text();
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
}

TEST_F(Download, UnreachableServerFailsWithTheOpenError) {
    RecordingView view;
    LogWatch log(launcher_);
    // Port 9 (discard) on the loopback: nothing listens there.
    EXPECT_FALSE(downloadFile(launcher_, internet_, view, "http://127.0.0.1:9/x", "jre.tar.gz"));
    EXPECT_EQ(log.count("ERROR: InternetOpenUrl failed with error code "), 1u) << log.text();
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
}

TEST_F(Download, DestinationThatCannotBeCreatedIsReported) {
    RecordingView view;
    LogWatch log(launcher_);
    EXPECT_FALSE(downloadFile(launcher_, internet_, view, url(tagged("/bytes/10")),
                              dir_ / "no\\such\\dir\\jre.tar.gz"));
    EXPECT_EQ(log.count("opening the destination file "), 1u) << log.text();
}

TEST_F(Download, CancelStopsTheTransferAndDeletesThePart) {
    RecordingView view;
    view.cancelAfterPolls = 2;
    LogWatch log(launcher_);
    EXPECT_FALSE(
        downloadFile(launcher_, internet_, view, url(tagged("/bytes/1000000")), "jre.tar.gz"));
    EXPECT_TRUE(log.has("ERROR: Download cancelled"));
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
}

// Measures the longest stretch between two looks at Cancel.
class TimingView : public RecordingView {
  public:
    bool cancelRequested() override {
        const DWORD now = GetTickCount();
        if (polls++ != 0 && now - last > longestGapMs) longestGapMs = now - last;
        last = now;
        return false;
    }
    DWORD last = 0;
    DWORD longestGapMs = 0;
    int polls = 0;
};

TEST_F(Download, SlowTransferStillLooksAtCancelBetweenShortReads) {
    // 400 KB at 200 KB/s: reads sized for a fast line would wait for the
    // whole body at once; paced ones come back every few tens of ms. The
    // bound is loose (Wine on a busy machine); what it catches is a read
    // that waits for most of the body.
    TimingView view;
    ASSERT_TRUE(downloadFile(launcher_, internet_, view, url(tagged("/paced/400000/200000")),
                             "jre.tar.gz"));
    EXPECT_EQ(readFile(dir_ / "jre.tar.gz"), pattern(400000));
    EXPECT_GT(view.polls, 10);
    EXPECT_LT(view.longestGapMs, 600u) << view.polls << " looks at Cancel";
    std::printf("paced download: %d looks at Cancel, at most %lu ms apart\n", view.polls,
                static_cast<unsigned long>(view.longestGapMs));
}

TEST_F(Download, FastTransferGrowsItsReadsAndStoresEveryByte) {
    // Long enough for the reads to reach their largest size, and not a
    // multiple of it, so the last read is a short one.
    const size_t length = 5 * 1048576 + 12345;
    TimingView view;
    ASSERT_TRUE(downloadFile(launcher_, internet_, view,
                             url(tagged("/bytes/" + std::to_string(length))), "jre.tar.gz"));
    // The server starts its pattern again with every MiB it sends.
    std::string expected;
    while (expected.size() < length)
        expected += pattern(std::min<size_t>(size_t{1} << 20, length - expected.size()));
    EXPECT_TRUE(readFile(dir_ / "jre.tar.gz") == expected);
    // Growing from 16 KiB to 1 MiB takes seven reads, then five more.
    EXPECT_LT(view.polls, 60) << "reads did not grow";
    std::printf("fast download: %d looks at Cancel, at most %lu ms apart\n", view.polls,
                static_cast<unsigned long>(view.longestGapMs));
}

TEST_F(Download, FailedDownloadEndsWithMessage20003AndNoArchive) {
    setProperty(1000, "Setup");
    launcher_.store.setWide(20003, u"Error downloading the runtime.");
    launcher_.store.setWide(20001, u"Downloading");
    setProperty(30002, std::string(64, '0'));
    const std::string missing = url(tagged("/missing"));
    RecordingView view;
    const Outcome downloaded = downloadRuntime(launcher_, view, missing, dir_ / "jre.tar.gz");
    ASSERT_FALSE(downloaded);
    EXPECT_EQ(downloaded.failure().exitCode, 1u);
    EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
    StderrCapture captured;
    reportFailure(launcher_, downloaded.failure());
    EXPECT_EQ(captured.text(), reportOf(launcher_, "Error downloading the runtime."));
}

TEST_F(Download, RuntimeDownloadSetsTheTextsAndLeavesTheArchive) {
    launcher_.store.setWide(20001, u"Downloading the runtime");
    launcher_.store.setWide(20012, u"Stop");
    setProperty(30002, sha256Text(sha256Of(pattern(40000))));
    RecordingView view;
    ASSERT_TRUE(downloadRuntime(launcher_, view, url(tagged("/bytes/40000")), dir_ / "jre.tar.gz"));
    EXPECT_EQ(view.message, u"Downloading the runtime");
    EXPECT_EQ(view.cancelCaption, u"Stop");
    EXPECT_EQ(view.statusShown, (std::vector<bool>{true, false}));
    EXPECT_EQ(readFile(dir_ / "jre.tar.gz"), pattern(40000));
}

// --- the archive's digest and the address's scheme -------------------------

TEST_F(Download, ArchiveMatchingItsDigestIsStoredAndOneFlippedByteIsRefused) {
    RecordingView view;
    LogWatch log(launcher_);
    const std::string body = pattern(300000);
    ASSERT_TRUE(downloadFile(launcher_, internet_, view, url(tagged("/bytes/300000")), "jre.tar.gz",
                             sha256Of(body)));
    EXPECT_EQ(readFile(dir_ / "jre.tar.gz"), body);

    std::string flipped = body;
    flipped[123456] = static_cast<char>(flipped[123456] ^ 1);
    const Sha256Digest other = sha256Of(flipped);
    EXPECT_FALSE(downloadFile(launcher_, internet_, view, url(tagged("/bytes/300000")),
                              "again.tar.gz", other));
    EXPECT_FALSE(fileExists(dir_ / "again.tar.gz"));
    EXPECT_TRUE(log.has("ERROR: The download's SHA-256 " + sha256Text(sha256Of(body)) +
                        " is not the expected " + sha256Text(other)))
        << log.text();
    EXPECT_EQ(log.count("download successful"), 1u);
}

TEST_F(Download, UnusableAddressIsRefusedBeforeAnyRequest) {
    setProperty(1000, "Setup");
    launcher_.store.setWide(20003, u"Error downloading the runtime.");
    struct Case {
        std::string address, digest, line;
    } cases[] = {
        {url(tagged("/bytes/10")), "",
         "Refusing the download from " + url(tagged("/bytes/10")) +
             ": an http:// address needs the archive's SHA-256"},
        {url(tagged("/bytes/11")), "12ab",
         "Refusing the download: its SHA-256 12ab is not 64 hexadecimal digits"},
        {"ftp" + url(tagged("/bytes/12")).substr(4), std::string(64, '0'),
         "Refusing the download from ftp" + url(tagged("/bytes/12")).substr(4) +
             ": only https:// and http:// are used"},
    };
    for (const Case& c : cases) {
        setProperty(30002, c.digest);
        RecordingView view;
        LogWatch log(launcher_);
        const Outcome downloaded = downloadRuntime(launcher_, view, c.address, dir_ / "jre.tar.gz");
        ASSERT_FALSE(downloaded) << c.address;
        EXPECT_EQ(downloaded.failure().message, Property::UiDownloadFailed);
        EXPECT_TRUE(log.has("ERROR: " + c.line)) << log.text();
        EXPECT_FALSE(fileExists(dir_ / "jre.tar.gz"));
    }
    setProperty(30002, "");
    for (const char* path : {"/bytes/10", "/bytes/11"})
        EXPECT_EQ(requestsFor(tagged(path)), 0) << path;
}

TEST(InternetLibraryRequest, FinalUrlIsWhereRedirectsEnded) {
    // What keeps an https download from being taken elsewhere without a
    // digest: the address the request really reached.
    if (serverBase().empty()) GTEST_SKIP() << "LUMEN_TEST_HTTP is not set";
    Launcher launcher;
    os::InternetLibrary internet;
    ASSERT_TRUE(loadInternetFunctions(launcher, internet));
    const os::InternetHandle session = internet.open("test");
    const os::InternetHandle request =
        internet.openUrl(session, serverBase() + "/redirect/bytes/10/final-url", 30000);
    ASSERT_TRUE(request.valid());
    std::string reached;
    ASSERT_TRUE(internet.finalUrl(request, reached));
    EXPECT_EQ(reached, serverBase() + "/bytes/10/final-url");
}

// --- where wininet.dll comes from ------------------------------------------

TEST(InternetLibrary, MissingLibraryIsReportedAndLeavesNoTable) {
    TempDir empty("nowininet");
    os::InternetLibrary internet;
    EXPECT_EQ(internet.load(empty.path()), os::InternetLoad::LibraryMissing);
    EXPECT_FALSE(internet.loaded());
}

// Runs a copy of this executable with a decoy wininet.dll beside it (the
// stand-in VM library: it has none of the six functions). Windows searches
// the program's directory first for a library loaded by name; Wine is told
// to do the same for this copy (its per-program overrides prefer a native
// wininet.dll). Returns the child's exit code.
DWORD runBesideDecoy(const std::string& mode, std::string& output,
                     const char* library = "wininet") {
    const char* program = "lumen_decoy_check.exe";
    const std::string overrides =
        std::string("Software\\Wine\\AppDefaults\\") + program + "\\DllOverrides";
    RegistryKeyReset cleanup(HKEY_CURRENT_USER,
                             std::string("Software\\Wine\\AppDefaults\\") + program);
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, overrides.c_str(), &key) != ERROR_SUCCESS) return 1002;
    const char order[] = "native,builtin";
    RegSetValueExA(key, library, 0, REG_SZ, reinterpret_cast<const BYTE*>(order), sizeof order);
    RegCloseKey(key);

    TempDir dir("decoy");
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string copy = dir / program;
    if (!copyFile(self, copy) || !copyFixture("jvm.dll", dir / (std::string(library) + ".dll")))
        return 1000;
    SetEnvironmentVariableA("LUMEN_DECOY_MODE", mode.c_str());
    const RunResult run =
        runCaptured(quoted(copy) + " --gtest_filter=" +
                        (std::string(library) == "wininet" ? "Internet" : "Window") +
                        "LibraryChild.* --gtest_brief=1",
                    60000, dir.path().c_str());
    SetEnvironmentVariableA("LUMEN_DECOY_MODE", nullptr);
    output = run.out + run.err;
    return run.started ? run.exitCode : 1001;
}

TEST(InternetLibrary, DecoyBesideTheLauncherIsNeverLoaded) {
    // Control: a plain load by name would take the decoy, so the check
    // below can fail.
    std::string output;
    EXPECT_EQ(runBesideDecoy("bare", output), 0u) << output;
    EXPECT_EQ(runBesideDecoy("launcher", output), 0u) << output;
}

// Only in the child started above.
TEST(InternetLibraryChild, LoadsAsAskedBesideTheDecoy) {
    const char* mode = std::getenv("LUMEN_DECOY_MODE");
    if (mode == nullptr) GTEST_SKIP() << "runs only beside a decoy";
    if (std::string(mode) == "bare") {
        HMODULE library = LoadLibraryA("wininet.dll");
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(GetProcAddress(library, "InternetOpenA"), nullptr) << "the decoy was not taken";
    } else {
        Launcher launcher;
        os::InternetLibrary internet;
        EXPECT_TRUE(loadInternetFunctions(launcher, internet));
        char system[MAX_PATH], loaded[MAX_PATH];
        GetSystemDirectoryA(system, sizeof system);
        GetModuleFileNameA(GetModuleHandleA("wininet.dll"), loaded, sizeof loaded);
        EXPECT_EQ(lstrcmpiA(loaded, (std::string(system) + "\\wininet.dll").c_str()), 0) << loaded;
    }
}

// The libraries only windows need are loaded when a dialog first needs
// them, by name: they must still come from the system, not from beside the
// launcher.
TEST(WindowLibraries, ComeFromTheSystemDirectoryBesideADecoy) {
    std::string output;
    EXPECT_EQ(runBesideDecoy("window-bare", output, "comdlg32"), 0u) << output;
    EXPECT_EQ(runBesideDecoy("window", output, "comdlg32"), 0u) << output;
}

// Only in the child started above.
TEST(WindowLibraryChild, LoadsAsAskedBesideTheDecoy) {
    const char* mode = std::getenv("LUMEN_DECOY_MODE");
    if (mode == nullptr || std::string(mode).rfind("window", 0) != 0)
        GTEST_SKIP() << "runs only beside a decoy";
    if (std::string(mode) == "window-bare") {
        HMODULE library = LoadLibraryA("comdlg32.dll");
        ASSERT_NE(library, nullptr);
        EXPECT_EQ(GetProcAddress(library, "GetOpenFileNameA"), nullptr)
            << "the decoy was not taken";
        return;
    }
    // The common controls, loaded and registered on demand (checked before
    // the dialogs' library, which imports them).
    EXPECT_EQ(GetModuleHandleA("comctl32.dll"), nullptr) << "imported at start after all";
    EXPECT_TRUE(os::loadCommonControls());
    EXPECT_NE(GetModuleHandleA("comctl32.dll"), nullptr);
    WNDCLASSA progressClass{};
    EXPECT_TRUE(GetClassInfoA(nullptr, "msctls_progress32", &progressClass));
    void* library = os::loadSystemLibraryNamed("comdlg32.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(os::libraryFunction(library, "GetOpenFileNameA"), nullptr);
    char system[MAX_PATH], loaded[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    GetModuleFileNameA(static_cast<HMODULE>(library), loaded, sizeof loaded);
    EXPECT_EQ(lstrcmpiA(loaded, (std::string(system) + "\\comdlg32.dll").c_str()), 0) << loaded;
}

} // namespace
} // namespace lumen::wintest
