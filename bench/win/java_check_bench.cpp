// Prints what checkJavaExe costs with a version-cache hit against a miss
// (the stand-in java.exe answering at once), and a miss answered by the
// runtime's release file (modern-runtimes) against one answered by running
// java.exe -version, on the same runtime, measured in one run under Wine.
// Targets: a hit costs under a twentieth of a miss; a release-file miss at
// most a tenth of a -version miss.
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

// One timed checkJavaExe; false when it refuses the runtime.
bool timedCheck(Launcher& launcher, const std::string& javaExe, std::vector<double>& times) {
    std::string path = javaExe;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const bool passed = checkJavaExe(launcher, path, "", "", false);
    QueryPerformanceCounter(&end);
    times.push_back(millisecondsOf(start, end));
    return passed;
}

} // namespace

int main() {
    Launcher classic, modern;
    for (Launcher* launcher : {&classic, &modern}) {
        launcher->paths = LauncherPaths::ofThisProcess();
        disableErrorBoxes(*launcher);
    }
    // The same runtime for both: the classic launcher never reads its
    // release file and runs it; the modern one takes the file.
    modern.store.setNarrow(idOf(Property::ModernRuntimes), "1");
    wintest::TempDir home("bench");
    wintest::FakeRuntimeOptions options;
    options.writeAnswer = true;
    options.answer = wintest::FakeJavaAnswer::printing("java version \"17.0.9\"");
    const wintest::FakeRuntime runtime = wintest::makeFakeRuntime(home.path(), options);
    if (!runtime.complete ||
        !wintest::writeFile(home / "release", "IMPLEMENTOR=\"Eclipse Adoptium\"\n"
                                              "JAVA_RUNTIME_VERSION=\"17.0.9+9\"\n"
                                              "JAVA_VERSION=\"17.0.9\"\nOS_ARCH=\"x86_64\"\n")) {
        std::fprintf(stderr, "could not lay out the stand-in runtime (LUMEN_FIXTURES?)\n");
        return 1;
    }
    const std::string cacheKey = registryKeyForPath("SOFTWARE\\nordquill\\lumen\\jvms\\",
                                                    classic.paths.full(runtime.javaExe));
    const int rounds = 15;
    std::vector<double> misses, hits, releaseMisses;
    for (int i = 0; i < rounds; ++i) {
        wintest::deleteRegistryTree(HKEY_CURRENT_USER, cacheKey);
        bool passed = timedCheck(classic, runtime.javaExe, misses);
        passed = timedCheck(classic, runtime.javaExe, hits) && passed;
        wintest::deleteRegistryTree(HKEY_CURRENT_USER, cacheKey);
        passed = timedCheck(modern, runtime.javaExe, releaseMisses) && passed;
        if (!passed) {
            std::fprintf(stderr, "checkJavaExe refused the stand-in runtime\n");
            return 1;
        }
    }
    wintest::deleteRegistryTree(HKEY_CURRENT_USER, "SOFTWARE\\nordquill\\lumen");
    const double miss = median(misses), hit = median(hits), release = median(releaseMisses);
    std::printf("checkJavaExe, median of %d: cache miss %.3f ms, cache hit %.3f ms, hit/miss %.4f "
                "(target < 0.05)\n",
                rounds, miss, hit, hit / miss);
    std::printf("checkJavaExe cache miss, median of %d: answered by the release file %.3f ms, by "
                "java.exe -version %.3f ms, release/-version %.4f (target <= 0.1)\n",
                rounds, release, miss, release / miss);
    return 0;
}
