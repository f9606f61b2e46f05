#pragma once
// The program run as its own process, offscreen, over the test's folder (its
// settings and its working directory), for the command-line batch jobs.
#include "support/TestUtil.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace testutil {

// Starts VELMORA_BINARY with `args` in `p`.
inline void StartProgram(QProcess& p, const TempDir& tmp, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELMORA_CONFIG_DIR", QString::fromStdString(tmp.path().string()));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(tmp.path().string()));
    p.start(VELMORA_BINARY, args);
}

// Runs VELMORA_BINARY with `args`; its exit code, or -1 when it did not end within
// a minute. `errors`, when given, receives what it wrote on its error output.
inline int RunProgram(const TempDir& tmp, const QStringList& args, QString* errors = nullptr)
{
    QProcess p;
    StartProgram(p, tmp, args);
    if (!p.waitForFinished(60000))
        return -1;
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return p.exitCode();
}

} // namespace testutil
