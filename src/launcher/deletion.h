// Deferred deletion of files and directories that cannot be deleted now,
// and the removal of a run's own temporary files.
//
// Contract: two lists under HKEY_CURRENT_USER
// "SOFTWARE\nordquill\lumen\temp\", values "delete_file" and "delete_dir",
// each a sequence of paths each followed by ";". Scheduling appends (a path
// scheduled twice is listed twice); an entry that would take a list past
// its 8,191 bytes is not recorded (logged) and the list stays whole.
// Registry failures are silent. Emptied lists are written back as empty
// texts, the key is never deleted.
//
// processDeferredDeletions() works through both lists once, at most for
// kDeferredDeletionBudgetMs (core/deletion_list.h): it deletes only
// entries strictly below the temporary folder (the others are dropped from
// the lists and logged as refused), never follows a link, removes the
// launcher's own directories ("lmx…_dir") with everything in them and any
// other directory only when empty, and keeps every entry that a running
// launcher holds (os::isInUse on the entry or a directory above it) or that
// could not go yet. It logs each entry and a summary.
//
// A run's own files: the extraction and download directories are marked in
// use from their creation (temp_files.h), the log from its opening.
// scheduleRunFiles(), just before the JVM starts, puts the log and the
// directories on the lists, so that a run that never gets to clean up (a
// crash, a kill, files still open on Windows) leaves them to a later start.
// removeRunFiles() runs after DestroyJavaVM has returned and from the JVM's
// exit hook (System.exit): it deletes the directories and, when the run
// succeeded (exit code 0), the log, and takes what went off the lists.
// With the environment variable LUMEN_KEEP_TEMP set (not empty, not "0") a
// run neither schedules nor deletes its own files (for diagnosis).
#pragma once

#include <string>

#include "launcher/launcher.h"

namespace lumen {

void scheduleFileDeletion(Launcher& launcher, const std::string& path);
void scheduleDirectoryDeletion(Launcher& launcher, const std::string& path);
// Every file below the directory, every directory below it and itself,
// children before their parents.
void scheduleTreeDeletion(Launcher& launcher, const std::string& directory);
// Deletes the file now, or schedules it when it still exists.
void deleteOrScheduleFile(Launcher& launcher, const std::string& path);
void processDeferredDeletions(Launcher& launcher);

void scheduleRunFiles(Launcher& launcher);
void removeRunFiles(Launcher& launcher, bool succeeded);
// The end of a run whose JVM ends the process (System.exit, Runtime.halt):
// called from the JVM's exit hook, it removes the run's files.
void endRunAtJvmExit(Launcher& launcher, int code);

} // namespace lumen
