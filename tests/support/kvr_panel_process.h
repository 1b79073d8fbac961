#pragma once
// kvr-panel run as a program from a test: its exit code and both output streams. The
// environment's KVR_PORT and KVR_LOG are left out, so that neither a default port nor the
// user's own commissioning log plays a part unless a test sets them.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

struct KvrPanelRun {
    int exit_code = -1;
    QByteArray bytes; // standard output as written
    QString out;      // the same, as text
    QString err;
};

// Started, not waited for, so that several run side by side.
inline std::unique_ptr<QProcess> start_kvr_panel(const QStringList& arguments,
                                                 const QByteArray& input = {},
                                                 const QString& stdout_file = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("KVR_PORT"));
    environment.remove(QStringLiteral("KVR_LOG"));
    process->setProcessEnvironment(environment);
    if (!stdout_file.isEmpty()) process->setStandardOutputFile(stdout_file);
    process->start(QStringLiteral(KVR_PANEL), arguments);
    process->write(input);
    process->closeWriteChannel();
    return process;
}

inline KvrPanelRun finish_kvr_panel(QProcess& process) {
    if (!process.waitForFinished(30000)) process.kill();
    const QByteArray bytes = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, bytes,
            QString::fromUtf8(bytes), QString::fromUtf8(process.readAllStandardError())};
}

inline KvrPanelRun kvr_panel(const QStringList& arguments, const QByteArray& input = {}) {
    return finish_kvr_panel(*start_kvr_panel(arguments, input));
}
