#pragma once

#include <QStringList>

// Each command gets its own arguments (without the program and command
// names) and returns the process exit code: 0 success, 1 bad input, 2 usage.
int runDump(const QStringList &args);
int runConvert(const QStringList &args);
int runRevise(const QStringList &args);
int runProjector(const QStringList &args);
int runDiscover(const QStringList &args);
int runStream(const QStringList &args);
int runGroup(const QStringList &args);
int runVerify(const QStringList &args);
int runDemo(const QStringList &args);
int runRender(const QStringList &args);
int runLint(const QStringList &args);
int runImport(const QStringList &args);
int runText(const QStringList &args);
int runOptimize(const QStringList &args);
