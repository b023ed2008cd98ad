// The runtime provisioning of the stub under Wine, for the benchmark
// script (bench/provisioning_bench.sh), which prints the figures beside
// its baselines:
//   provisioning_bench untar ARCHIVE TARGET   untarArchive() into TARGET
//   provisioning_bench download URL FILE      downloadFile() into FILE
// Each prints "<seconds>" of the operation alone and exits 0 on success;
// the download adds the longest stretch in milliseconds between two looks
// at Cancel ("<seconds> <ms>").
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "launcher/download.h"
#include "launcher/errors.h"
#include "launcher/runtime_archive.h"

using namespace lumen;

namespace {

// Shows nothing; notes how long the transfer went without asking about
// Cancel.
class NoView : public ProgressView {
  public:
    void setPosition(int) override {}
    void setStatusText(const std::u16string&) override {}
    void showStatus(bool) override {}
    void setMessage(const std::u16string&) override {}
    void setCancelCaption(const std::u16string&) override {}
    bool cancelRequested() override {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (asked_) longestGapMs = std::max(longestGapMs, secondsBetween(last_, now) * 1000.0);
        asked_ = true;
        last_ = now;
        return false;
    }
    double longestGapMs = 0;

  private:
    static double secondsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(to.QuadPart - from.QuadPart) /
               static_cast<double>(frequency.QuadPart);
    }
    bool asked_ = false;
    LARGE_INTEGER last_{};
};

double secondsSince(LARGE_INTEGER start) {
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: provisioning_bench untar|download SOURCE TARGET\n");
        return 2;
    }
    Launcher launcher;
    launcher.paths = LauncherPaths::ofThisProcess();
    disableErrorBoxes(launcher);
    const std::string mode = argv[1];
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    bool ok = false;
    double longestGapMs = -1;
    if (mode == "untar") {
        const Result<bool> untarred = untarArchive(launcher, argv[2], argv[3], nullptr, 0);
        ok = untarred && untarred.value();
    } else if (mode == "download") {
        NoView view;
        os::InternetLibrary internet;
        ok = loadInternetFunctions(launcher, internet);
        QueryPerformanceCounter(&start);
        ok = ok && downloadFile(launcher, internet, view, argv[2], argv[3]);
        longestGapMs = view.longestGapMs;
    }
    if (longestGapMs >= 0)
        std::printf("%.3f %.1f\n", secondsSince(start), longestGapMs);
    else
        std::printf("%.3f\n", secondsSince(start));
    return ok ? 0 : 1;
}
