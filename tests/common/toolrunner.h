#pragma once

// Runs the built ildatool and captures what it prints.

#include <QProcess>
#include <QStringList>

struct ToolResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline ToolResult runProgram(const QString &program, const QStringList &args,
                             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
                             int timeoutMs = 60000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ToolResult r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = p.error() == QProcess::FailedToStart ? "failed to start" : "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

inline ToolResult runIldatool(const QStringList &args, int timeoutMs = 60000)
{
    return runProgram(QStringLiteral(ILDATOOL_PATH), args, QProcessEnvironment::systemEnvironment(), timeoutMs);
}
