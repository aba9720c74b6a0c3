#pragma once

#include <QStringList>

// Each command family takes the arguments after its name ("zip", "container") and returns the
// process exit code: 0 success, 1 the operation failed, 2 bad usage. Messages go to stderr.
int runZipCommand(const QStringList& args);
int runContainerCommand(const QStringList& args);
QString zipCommandHelp();
QString containerCommandHelp();
