#include "launcher/download.h"

#include <cstdint>
#include <vector>

#include "core/download_address.h"
#include "core/progress_figures.h"
#include "core/text_format.h"
#include "os/crypto.h"
#include "os/file.h"
#include "os/internet.h"
#include "os/paths.h"
#include "os/system.h"

namespace lumen {
namespace {

// The user agent servers of runtime archives have always been told; some
// of them look for it, so it stays.
const char kUserAgent[] = "tessel download agent";
constexpr int kLengthQueries = 20;
constexpr unsigned long kQueryPauseMs = 300;
constexpr unsigned long kRefreshMs = 500;
constexpr uint32_t kHttpOk = 200;
// How long a connect, a send or a receive may wait for the server: a
// transfer that stalls longer than this fails instead of hanging the
// start-up (the user may still cancel earlier).
constexpr unsigned long kStallTimeoutMs = 30000;

int errorCode() {
    return static_cast<int>(os::lastErrorCode());
}

// Small reads are gathered before they reach the file (under Wine a write
// call costs about as much as a 16 KiB read takes to arrive); a read as
// large as the gathering goes to the file as it is.
class GatheringWriter {
  public:
    explicit GatheringWriter(os::File& file) : file_(file) {}
    bool write(const char* data, size_t size) {
        if (pending_.empty() && size >= kGather) return file_.writeAll(data, size);
        if (pending_.capacity() < kGather) pending_.reserve(kGather);
        pending_.insert(pending_.end(), data, data + size);
        return pending_.size() < kGather || flush();
    }
    bool flush() {
        const bool ok = pending_.empty() || file_.writeAll(pending_.data(), pending_.size());
        pending_.clear();
        return ok;
    }

  private:
    static constexpr size_t kGather = size_t{256} * 1024;
    os::File& file_;
    std::vector<char> pending_;
};

// Without a digest only https vouches for the archive, so an https request
// must not have been redirected to anything else.
bool stayedSecure(Launcher& launcher, const os::InternetLibrary& internet,
                  const os::InternetHandle& request, const std::string& url, bool checked) {
    if (checked || !isHttpsAddress(url)) return true;
    std::string reached;
    if (internet.finalUrl(request, reached) && isHttpsAddress(reached)) return true;
    launcher.log.error("Refusing the download: it was redirected to %s, which is not https",
                       reached.c_str());
    return false;
}

// An error page must never be stored as a runtime.
bool answeredOk(Launcher& launcher, const os::InternetLibrary& internet,
                const os::InternetHandle& request, const std::string& url, bool checked) {
    if (!stayedSecure(launcher, internet, request, url, checked)) return false;
    uint32_t status = 0;
    if (!internet.queryNumber(request, os::HttpNumber::StatusCode, status)) {
        launcher.log.error("HttpQueryInfo for the status failed with error code %d", errorCode());
        return false;
    }
    if (status == kHttpOk) return true;
    launcher.log.error("Server answered with HTTP status %u", static_cast<unsigned>(status));
    return false;
}

void showFigures(Launcher& launcher, ProgressView& progress, uint32_t received, uint32_t length,
                 unsigned long elapsedMs) {
    const DownloadFigures figures = downloadFigures(received, length, elapsedMs);
    progress.setStatusText(
        formatConfiguredText(launcher.properties.wide(Property::UiDownloadProgress),
                             {figures.receivedMegabytes, figures.totalMegabytes, figures.percent,
                              figures.kilobytesPerSecond}));
    progress.setPosition(figures.position);
}

bool matchesDigest(Launcher& launcher, os::Sha256& sha, const Sha256Digest& expected) {
    Sha256Digest actual{};
    if (!sha.finish(actual)) {
        launcher.log.error("SHA-256 of the download failed with error code %d", errorCode());
        return false;
    }
    if (actual == expected) return true;
    launcher.log.error("The download's SHA-256 %s is not the expected %s",
                       sha256Text(actual).c_str(), sha256Text(expected).c_str());
    return false;
}

// Refused before any request goes out: an address that nothing could
// vouch for, or a digest the launcher cannot read.
bool usableAddress(Launcher& launcher, const std::string& url,
                   std::optional<Sha256Digest>& digest) {
    const std::string digestText = launcher.properties.text(Property::DownloadSha256);
    if (!digestText.empty()) {
        digest = parseSha256(digestText);
        if (!digest) {
            launcher.log.error("Refusing the download: its SHA-256 %s is not 64 hexadecimal "
                               "digits",
                               digestText.c_str());
            return false;
        }
    }
    switch (checkDownloadAddress(url, digest.has_value())) {
    case AddressVerdict::Usable:
        return true;
    case AddressVerdict::PlainHttpWithoutDigest:
        launcher.log.error("Refusing the download from %s: an http:// address needs the "
                           "archive's SHA-256",
                           url.c_str());
        return false;
    case AddressVerdict::UnsupportedScheme:
        break;
    }
    launcher.log.error("Refusing the download from %s: only https:// and http:// are used",
                       url.c_str());
    return false;
}

} // namespace

bool loadInternetFunctions(Launcher& launcher, os::InternetLibrary& internet) {
    std::string system;
    const os::InternetLoad result =
        os::systemDirectory(system) ? internet.load(system) : os::InternetLoad::LibraryMissing;
    if (result == os::InternetLoad::LibraryMissing) {
        launcher.log.error("Could not load wininet.dll");
        return false;
    }
    if (result == os::InternetLoad::FunctionMissing) {
        launcher.log.error("Could not load wininet functions");
        return false;
    }
    return true;
}

bool downloadFile(Launcher& launcher, const os::InternetLibrary& internet, ProgressView& progress,
                  const std::string& url, const std::string& destination,
                  const std::optional<Sha256Digest>& digest) {
    const bool checked = digest.has_value();
    progress.setStatusText(launcher.properties.wide(Property::UiConnecting));
    if (const unsigned long refused = internet.attemptConnect(); refused != 0)
        launcher.log.error("InternetAttemptConnect returned %d", static_cast<int>(refused));

    const os::InternetHandle session = internet.open(kUserAgent);
    if (!session.valid()) {
        launcher.log.error("InternetOpen failed with error code %d", errorCode());
        return false;
    }
    os::InternetHandle request = internet.openUrl(session, url, kStallTimeoutMs);
    if (!request.valid()) {
        launcher.log.error("InternetOpenUrl failed with error code %d", errorCode());
        return false;
    }
    if (!answeredOk(launcher, internet, request, url, checked)) return false;

    uint32_t length = 0;
    for (int attempt = 1; !internet.queryNumber(request, os::HttpNumber::ContentLength, length);
         ++attempt) {
        launcher.log.error("HttpQueryInfo (try %d) failed with error code %d", attempt,
                           errorCode());
        os::sleepMs(kQueryPauseMs);
        request.close();
        request = internet.openUrl(session, url, kStallTimeoutMs);
        if (!request.valid()) {
            launcher.log.error("InternetOpenUrl 2 failed with error code %d", errorCode());
            return false;
        }
        if (!answeredOk(launcher, internet, request, url, checked)) return false;
        if (attempt == kLengthQueries) {
            launcher.log.error("Giving up");
            return false;
        }
    }

    // The digest grows with every block written, so the file is never read
    // back: what is checked is what was stored.
    os::Sha256 sha;
    if (checked && !sha.start()) {
        launcher.log.error("Could not start a SHA-256 with error code %d", errorCode());
        return false;
    }
    os::File file = os::File::createForWriting(destination);
    if (!file.valid()) {
        launcher.log.error("opening the destination file %s failed with error code %d",
                           destination.c_str(), errorCode());
        return false;
    }

    // Reads grow with the pace (nextReadSize), so Cancel is still looked at
    // every few tens of milliseconds while a fast transfer makes few calls.
    std::vector<char> block(length < kLargestRead ? length : kLargestRead);
    GatheringWriter writer(file);
    uint32_t received = 0;
    uint32_t readSize = kFirstReadSize;
    bool ok = true;
    const unsigned long start = os::tickCount();
    unsigned long lastRefresh = 0;
    bool refreshed = false;
    while (received < length) {
        if (progress.cancelRequested()) {
            launcher.log.error("Download cancelled");
            ok = false;
            break;
        }
        const uint32_t want = length - received < readSize ? length - received : readSize;
        uint32_t got = 0;
        const unsigned long readStart = os::tickCount();
        if (!internet.read(request, block.data(), want, got)) {
            ok = false;
            launcher.log.error("InternetReadFile failed with error code %d", errorCode());
        } else if (got == 0) {
            // The connection ended before the announced length: asking
            // again would bring nothing either.
            ok = false;
            launcher.log.error("InternetReadFile brought no data after %u of %u bytes",
                               static_cast<unsigned>(received), static_cast<unsigned>(length));
        }
        if (got != 0 && checked && !sha.add(block.data(), got)) {
            ok = false;
            launcher.log.error("SHA-256 of the download failed with error code %d", errorCode());
        }
        // Only a full read tells how long that much takes.
        if (ok && got == readSize) readSize = nextReadSize(readSize, os::tickCount() - readStart);
        received += got;
        const bool last = !ok || received >= length;
        if ((got != 0 && !writer.write(block.data(), got)) || (last && !writer.flush())) {
            const int code = errorCode();
            file.close();
            os::deleteFile(destination);
            launcher.log.error("writing the destination file %s failed with error code %d",
                               destination.c_str(), code);
            return false;
        }
        const unsigned long now = os::tickCount();
        if (downloadRefreshDue(refreshed, lastRefresh, now, kRefreshMs)) {
            showFigures(launcher, progress, received, length, now - start);
            lastRefresh = now;
            refreshed = true;
        }
        if (!ok) break;
    }
    file.close();
    if (ok && checked) ok = matchesDigest(launcher, sha, *digest);
    if (ok) {
        launcher.log.info("download successful");
        return true;
    }
    os::deleteFile(destination);
    return false;
}

Outcome downloadRuntime(Launcher& launcher, ProgressView& progress, const std::string& url,
                        const std::string& destination) {
    progress.setMessage(launcher.properties.wide(Property::UiDownloading));
    progress.setCancelCaption(launcher.properties.wide(Property::UiCancelButton));
    progress.showStatus(true);
    std::optional<Sha256Digest> digest;
    if (!usableAddress(launcher, url, digest))
        return Failure::configuredWide(Property::UiDownloadFailed);
    os::InternetLibrary internet;
    if (!loadInternetFunctions(launcher, internet))
        return Failure::configuredWide(Property::UiInternetUnavailable);
    if (!downloadFile(launcher, internet, progress, url, destination, digest)) {
        if (progress.cancelRequested()) return Failure::exit(1);
        return Failure::configuredWide(Property::UiDownloadFailed);
    }
    progress.showStatus(false);
    return Outcome();
}

} // namespace lumen
