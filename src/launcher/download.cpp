#include "launcher/download.h"

#include <cstdint>
#include <vector>

#include "core/progress_figures.h"
#include "core/text_format.h"
#include "launcher/errors.h"
#include "launcher/log.h"
#include "launcher/properties.h"
#include "os/file.h"
#include "os/internet.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

const char kUserAgent[] = "tessel download agent";
const char kDestination[] = "jre.tar.gz";
constexpr int kLengthQueries = 20;
constexpr unsigned long kQueryPauseMs = 300;
constexpr uint32_t kBlock = 16384;
constexpr unsigned long kRefreshMs = 500;
constexpr uint32_t kHttpOk = 200;

int errorCode() {
    return static_cast<int>(os::lastErrorCode());
}

// Blocks are gathered before they reach the file: under Wine a write call
// costs about as much as a 16 KiB block takes to arrive.
class GatheringWriter {
  public:
    explicit GatheringWriter(os::File& file) : file_(file) { pending_.reserve(kGather); }
    bool write(const char* data, size_t size) {
        pending_.insert(pending_.end(), data, data + size);
        return pending_.size() < kGather || flush();
    }
    bool flush() {
        const bool ok = pending_.empty() || file_.writeAll(pending_.data(), pending_.size());
        pending_.clear();
        return ok;
    }

  private:
    static constexpr size_t kGather = 256 * 1024;
    os::File& file_;
    std::vector<char> pending_;
};

// An error page must never be stored as a runtime.
bool answeredOk(const os::InternetHandle& request) {
    uint32_t status = 0;
    if (!os::queryHttpNumber(request, os::HttpNumber::StatusCode, status)) {
        logError("HttpQueryInfo for the status failed with error code %d", errorCode());
        return false;
    }
    if (status == kHttpOk) return true;
    logError("Server answered with HTTP status %u", static_cast<unsigned>(status));
    return false;
}

void showFigures(ProgressView& progress, uint32_t received, uint32_t length,
                 unsigned long elapsedMs) {
    const DownloadFigures figures = downloadFigures(received, length, elapsedMs);
    progress.setStatusText(formatConfiguredText(wideProperty(20008),
                                                {figures.receivedMegabytes, figures.totalMegabytes,
                                                 figures.percent, figures.kilobytesPerSecond}));
    progress.setPosition(figures.position);
}

} // namespace

bool loadInternetFunctions() {
    std::string system;
    const os::InternetLoad result = os::systemDirectory(system) ? os::loadInternetLibrary(system)
                                                                : os::InternetLoad::LibraryMissing;
    if (result == os::InternetLoad::LibraryMissing) {
        logError("Could not load wininet.dll");
        return false;
    }
    if (result == os::InternetLoad::FunctionMissing) {
        logError("Could not load wininet functions");
        return false;
    }
    return true;
}

bool downloadFile(ProgressView& progress, const std::string& url, const std::string& destination) {
    progress.setStatusText(wideProperty(20009));
    if (const unsigned long refused = os::attemptInternetConnect(); refused != 0)
        logError("InternetAttemptConnect returned %d", static_cast<int>(refused));

    const os::InternetHandle session = os::openInternet(kUserAgent);
    if (!session.valid()) {
        logError("InternetOpen failed with error code %d", errorCode());
        return false;
    }
    os::InternetHandle request = os::openInternetUrl(session, url);
    if (!request.valid()) {
        logError("InternetOpenUrl failed with error code %d", errorCode());
        return false;
    }
    if (!answeredOk(request)) return false;

    uint32_t length = 0;
    for (int attempt = 1; !os::queryHttpNumber(request, os::HttpNumber::ContentLength, length);
         ++attempt) {
        logError("HttpQueryInfo (try %d) failed with error code %d", attempt, errorCode());
        os::sleepMs(kQueryPauseMs);
        request.close();
        request = os::openInternetUrl(session, url);
        if (!request.valid()) {
            logError("InternetOpenUrl 2 failed with error code %d", errorCode());
            return false;
        }
        if (!answeredOk(request)) return false;
        if (attempt == kLengthQueries) {
            logError("Giving up");
            return false;
        }
    }

    os::File file = os::File::createForWriting(destination);
    if (!file.valid()) {
        logError("opening the destination file %s failed with error code %d", destination.c_str(),
                 errorCode());
        return false;
    }

    std::vector<char> block(kBlock);
    GatheringWriter writer(file);
    uint32_t received = 0;
    bool ok = true;
    const unsigned long start = os::tickCount();
    unsigned long lastRefresh = 0;
    bool refreshed = false;
    while (received < length) {
        if (progress.cancelRequested()) {
            logError("Download cancelled");
            ok = false;
            break;
        }
        const uint32_t want = length - received < kBlock ? length - received : kBlock;
        uint32_t got = 0;
        if (!os::readInternetFile(request, block.data(), want, got)) {
            ok = false;
            logError("InternetReadFile failed with error code %d", errorCode());
        } else if (got == 0) {
            // The connection ended before the announced length: asking
            // again would bring nothing either.
            ok = false;
            logError("InternetReadFile brought no data after %u of %u bytes",
                     static_cast<unsigned>(received), static_cast<unsigned>(length));
        }
        received += got;
        const bool last = !ok || received >= length;
        if ((got != 0 && !writer.write(block.data(), got)) || (last && !writer.flush())) {
            const int code = errorCode();
            file.close();
            os::deleteFile(destination);
            logError("writing the destination file %s failed with error code %d",
                     destination.c_str(), code);
            return false;
        }
        const unsigned long now = os::tickCount();
        if (!refreshed || now - lastRefresh > kRefreshMs) {
            showFigures(progress, received, length, now - start);
            lastRefresh = now;
            refreshed = true;
        }
        if (!ok) break;
    }
    file.close();
    if (ok) {
        logInfo("download successful");
        return true;
    }
    os::deleteFile(destination);
    return false;
}

void downloadRuntime(ProgressView& progress, const std::string& url) {
    progress.setMessage(wideProperty(20001));
    progress.setCancelCaption(wideProperty(20012));
    progress.showStatus(true);
    if (!loadInternetFunctions()) fatalMessageWide(20002);
    if (!downloadFile(progress, url, kDestination)) {
        if (progress.cancelRequested()) exitWithCleanup(1);
        fatalMessageWide(20003);
    }
    progress.showStatus(false);
}

} // namespace lumen
