// What the operator is told when a port cannot be opened, each case made real: a missing
// node, a node the user may not open, a port another program holds, a file that is no port.

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "panel/serial_ports.h"
#include "simulator/pty_host.h"

namespace {

enum class Setup { missing, denied, held, not_a_port };

constexpr uid_t kNobody = 65534;

// Runs port_probe with the arguments; as an unprivileged user when asked and we are root.
QString probe(const QStringList& arguments, bool unprivileged) {
    QProcess process;
    if (unprivileged && ::geteuid() == 0)
        process.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
                ::_exit(3);
        });
    process.start(QStringLiteral(PORT_PROBE), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

} // namespace

class TestSerialPorts : public QObject {
    Q_OBJECT

  private slots:
    void open_failure_says_what_to_do_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("reason"); // %1: the holder's PID
        QTest::newRow("missing") << Setup::missing << QStringLiteral("NO SUCH DEVICE - ");
        QTest::newRow("denied") << Setup::denied
                                << QStringLiteral(
                                       "PERMISSION DENIED - ADD THE USER TO GROUP dialout "
                                       "(OR INSTALL THE PACKAGE'S UDEV RULE) AND LOG IN "
                                       "AGAIN");
        QTest::newRow("held by another program")
            << Setup::held
            << QStringLiteral("IN USE BY port_probe (PID %1) - CLOSE IT AND TRY AGAIN");
        QTest::newRow("not a port")
            << Setup::not_a_port << QStringLiteral("INAPPROPRIATE IOCTL FOR DEVICE");
    }

    void open_failure_says_what_to_do() {
        QFETCH(Setup, setup);
        QFETCH(QString, reason);
        QTemporaryDir folder;
        kvr::sim::PtyHost panel;
        QString device = QString::fromStdString(panel.slave_path());
        QProcess holder;
        QString text;
        switch (setup) {
        case Setup::missing:
            device = folder.filePath(QStringLiteral("ttyKVR9"));
            break;
        case Setup::denied:
            QCOMPARE(::chmod(QFile::encodeName(device), 0), 0);
            text = probe({QStringLiteral("open"), device}, true);
            if (text.isEmpty()) QSKIP("the probe cannot run as an unprivileged user here");
            break;
        case Setup::held:
            holder.start(QStringLiteral(PORT_PROBE), {QStringLiteral("hold"), device});
            QVERIFY(holder.waitForReadyRead(10000));
            QCOMPARE(holder.readLine().trimmed(), QByteArray("held"));
            reason = reason.arg(holder.processId());
            break;
        case Setup::not_a_port:
            device = folder.filePath(QStringLiteral("plain-file"));
            QFile(device).open(QIODevice::WriteOnly);
            break;
        }
        if (text.isEmpty()) {
            QSerialPort port(device);
            QVERIFY(!port.open(QIODevice::ReadWrite));
            const kvr::OpenFailure failure = kvr::open_failure(port, device);
            text = failure.text;
            QCOMPARE(failure.in_use, setup == Setup::held);
        }
        holder.closeWriteChannel();
        holder.waitForFinished(10000);

        const QString prefix = QStringLiteral("CANNOT OPEN SERIAL PORT %1 - ").arg(device);
        QVERIFY2(text.startsWith(prefix + reason), qPrintable(text));
        QVERIFY2(text.size() <= kvr::kLongestStatusText, qPrintable(text));
        // The ports present, or that there are none.
        const QList<kvr::PortDescription> present = kvr::present_ports();
        if (setup == Setup::missing)
            QVERIFY2(text.contains(present.isEmpty() ? QStringLiteral("NO SERIAL PORT IS PRESENT")
                                                     : present.front().device),
                     qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "test_serial_ports.moc"
