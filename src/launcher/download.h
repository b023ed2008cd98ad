// Downloading a runtime archive over HTTP with the system's wininet.dll.
//
// Contract: downloadRuntime() fetches url into destination, showing the
// transfer in the progress view. The address must be usable with the
// configured digest (property 30002; core/download_address.h), else it
// fails with 20003 and a log line before any request is made. It fails
// with wide message 20002 when wininet.dll or one of its functions cannot
// be had, with 20003 when the transfer fails, and with exit code 1 and no
// message when the view asked to cancel.
//
// With a digest, downloadFile() hashes the bytes as it writes them and a
// file whose SHA-256 differs fails (and is deleted); without one, an https
// request that a redirect took to anything but https fails before its body
// is read. Every connect, send and receive times out after 30 seconds, so a
// server that stalls fails the transfer.
//
// downloadFile() is the transfer on its own: true when the server answered
// 200 with a content length and exactly that many bytes were received and
// written. A server that sends no length is asked 20 times, the URL reopened
// after each failed query and a 300 ms pause; any status but 200 fails at
// once; a read that ends early (fails, or brings no bytes before the length
// is reached) fails. Whenever it fails after creating the destination, the
// destination is deleted; before that, an existing file of that name is
// left alone. Status texts come from message 20009 and the configured
// progress format 20008 (never used as a printf format), refreshed at most
// every 500 ms. Reads start at 16 KiB and follow the transfer's pace up to
// 1 MiB (nextReadSize in core/progress_figures.h), so that while data flows
// the view is asked about a cancel every few tens of milliseconds.
//
// loadInternetFunctions() loads wininet.dll from the system directory only.
#pragma once

#include <optional>
#include <string>

#include "core/download_address.h"
#include "launcher/failure.h"
#include "launcher/launcher.h"
#include "launcher/progress_view.h"
#include "os/internet.h"

namespace lumen {

bool loadInternetFunctions(Launcher& launcher, os::InternetLibrary& internet);
bool downloadFile(Launcher& launcher, const os::InternetLibrary& internet, ProgressView& progress,
                  const std::string& url, const std::string& destination,
                  const std::optional<Sha256Digest>& digest = std::nullopt);
[[nodiscard]] Outcome downloadRuntime(Launcher& launcher, ProgressView& progress,
                                      const std::string& url, const std::string& destination);

} // namespace lumen
