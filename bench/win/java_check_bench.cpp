// Prints what checkJavaExe costs with a version-cache hit against a miss
// (the stand-in java.exe answering at once), measured in one run under
// Wine. Target: a hit costs under a twentieth of a miss.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/java_runtime.h"
#include "launcher/errors.h"
#include "launcher/java_check.h"
#include "launcher/paths.h"
#include "win_test_support.h"

using namespace lumen;

namespace {

double millisecondsOf(LARGE_INTEGER start, LARGE_INTEGER end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    Launcher launcher;
    launcher.paths = LauncherPaths::ofThisProcess();
    disableErrorBoxes(launcher);
    wintest::TempDir home("bench");
    const wintest::FakeRuntime runtime = wintest::makeFakeRuntime(home.path());
    if (!runtime.complete) {
        std::fprintf(stderr, "could not lay out the stand-in runtime (LUMEN_FIXTURES?)\n");
        return 1;
    }
    const std::string cacheKey = registryKeyForPath("SOFTWARE\\nordquill\\lumen\\jvms\\",
                                                    launcher.paths.full(runtime.javaExe));
    const int rounds = 15;
    std::vector<double> misses, hits;
    for (int i = 0; i < rounds; ++i) {
        wintest::deleteRegistryTree(HKEY_CURRENT_USER, cacheKey);
        std::string path = runtime.javaExe;
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        const bool missPassed = checkJavaExe(launcher, path, "", "", false);
        QueryPerformanceCounter(&end);
        misses.push_back(millisecondsOf(start, end));
        path = runtime.javaExe;
        QueryPerformanceCounter(&start);
        const bool hitPassed = checkJavaExe(launcher, path, "", "", false);
        QueryPerformanceCounter(&end);
        hits.push_back(millisecondsOf(start, end));
        if (!missPassed || !hitPassed) {
            std::fprintf(stderr, "checkJavaExe refused the stand-in runtime\n");
            return 1;
        }
    }
    wintest::deleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen");
    const double miss = median(misses), hit = median(hits);
    std::printf("checkJavaExe, median of %d: cache miss %.3f ms, cache hit %.3f ms, hit/miss %.4f "
                "(target < 0.05)\n",
                rounds, miss, hit, hit / miss);
    return 0;
}
