#pragma once

#include <QString>

#include <functional>

// Where a file the user relies on (settings, log, query file) could not be saved. Each file is
// reported once per process: always on standard error, and to the reporter a program installs
// (the runner shows it through its dialogs service).
namespace ksv::WriteFailures {

using Reporter = std::function<void(const QString& path, const QString& reason)>;

void report(const QString& path, const QString& reason);
// The reason of a failed write whose code is an errno value (AtomicFile's statuses).
QString reasonOf(int error);
// Replaces the extra reporter; an empty one leaves standard error only.
void setReporter(Reporter reporter);
// The text shown for a failure: the file and the reason.
QString message(const QString& path, const QString& reason);
// Tests only: forgets which files were already reported.
void resetForTesting();

} // namespace ksv::WriteFailures
