#pragma once

#include <QStringList>

// Each command gets its own arguments (without the program and command
// names) and returns the process exit code: 0 success, 1 bad input, 2 usage.
int runDump(const QStringList &args);
int runConvert(const QStringList &args);
int runRender(const QStringList &args);
