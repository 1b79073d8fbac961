// The kvr-panel-sim executable: options, device path, link, transcript file, clean exit.
#include "panel/protocol.h"
#include "panel/serial_ports.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytes(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

QByteArray transact(QSerialPort& port, const std::string& command, qsizetype expected) {
    port.write(bytes(command));
    QByteArray reply;
    for (int i = 0; i < 30 && reply.size() < expected; ++i) {
        port.waitForReadyRead(100);
        reply += port.readAll();
    }
    return reply;
}

} // namespace

class TestPanelSim : public QObject {
    Q_OBJECT
  private slots:
    void servesUntilTerminated() {
        QTemporaryDir dir;
        const QString link = dir.filePath("panel");
        const QString transcript = dir.filePath("transcript.txt");
        QProcess sim;
        sim.start(KVR_PANEL_SIM,
                  {"--link", link, "--transcript=" + transcript, "--model", "79", "--set", "5=37",
                   "--raw-read", "6=-00\\x31\\r", "--ack-extra", "2", "--pad-reply", "2@7",
                   "--split-reply=40@7", "--split-tail", "3"});
        QVERIFY(sim.waitForReadyRead(5000));
        const QString path = QString::fromUtf8(sim.readLine()).trimmed();
        QVERIFY(path.startsWith("/dev/pts/"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), path);

        QSerialPort port(link);
        port.setBaudRate(9600);
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        QCOMPARE(transact(port, "A", 5), QByteArray("D000D"));
        QCOMPARE(transact(port, kvr::read_command(63), 5), QByteArray("0790\r"));
        QCOMPARE(transact(port, kvr::read_command(5), 5), QByteArray("0370\r"));
        QCOMPARE(transact(port, kvr::read_command(6), 5), QByteArray("-001\r"));
        QCOMPARE(transact(port, kvr::write_command(2, 1), 6), QByteArray("D000D\r"));
        QCOMPARE(transact(port, kvr::read_command(7), 7), QByteArray("1600\rXX"));
        port.close();

        sim.terminate(); // SIGTERM
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());

        QFile file(transcript);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 14); // thirteen entries and the final newline
        QVERIFY(lines[0].endsWith(" rx A"));
        QVERIFY(lines[1].endsWith(" tx D000D"));
        QVERIFY(lines[2].endsWith(" rx V<00>?00V"));
        QVERIFY(lines[3].endsWith(" tx 0790<0d>"));
        QVERIFY(lines[9].endsWith(" tx D000D<0d>"));
        QVERIFY(lines[11].endsWith(" tx 1600"));
        QVERIFY(lines[12].endsWith(" tx <0d>XX"));
        const auto seconds = [&](int i) { return lines[i].split(' ').first().toDouble(); };
        QVERIFY(seconds(12) - seconds(11) >= 0.040);
    }

    // The simulator makes itself known without a byte more on the line: a write to it
    // through its link is logged as simulated and proves nothing; once it ends, its line
    // is no longer taken for it.
    void knownToThePrograms() {
        QTemporaryDir dir;
        const QString link = dir.filePath("panel");
        QProcess sim;
        sim.start(KVR_PANEL_SIM, {"--link", link});
        QVERIFY(sim.waitForReadyRead(5000));
        const QString path = QString::fromUtf8(sim.readLine()).trimmed();
        QVERIFY(kvr::served_by_simulator(link) && kvr::is_pseudo_terminal(link));
        const QString file = dir.filePath("LOBBY.kcf");
        QVERIFY(QFile::copy(KVR_EXAMPLE, file));
        const QString log = dir.filePath("log.sqlite");
        QProcess panel;
        panel.start(KVR_PANEL, {"write", file, "--port", link, "--log", log});
        QVERIFY(panel.waitForFinished(20000));
        QCOMPARE(panel.exitCode(), 0);
        panel.start(KVR_PANEL, {"status", file, "--log", log});
        QVERIFY(panel.waitForFinished(20000));
        QCOMPARE(panel.exitCode(), 1);
        QVERIFY(panel.readAllStandardOutput().contains(
            "NOT PROVEN - ONLY EVER WRITTEN TO A SIMULATED PANEL"));
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
        QVERIFY(!kvr::served_by_simulator(path));
    }

    void badOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << "unknown option";
        QTest::newRow("missing value") << QStringList{"--model"} << "--model needs a value";
        QTest::newRow("model too big") << QStringList{"--model", "256"} << "from 0 to 255";
        QTest::newRow("location too big") << QStringList{"--set", "64=1"} << "from 0 to 63";
        QTest::newRow("set without =") << QStringList{"--set", "5"} << "LOC=VALUE";
        QTest::newRow("not a number") << QStringList{"--delay", "1x"} << "whole number";
        QTest::newRow("bad escape") << QStringList{"--noise", "\\q"} << "unknown escape";
        QTest::newRow("bad hex") << QStringList{"--raw-read", "1=\\x4"} << "hexadecimal";
        QTest::newRow("zero K") << QStringList{"--hang-up-after", "0"} << "from 1 to";
        QTest::newRow("split location") << QStringList{"--split-reply", "8@64"} << "from 0 to 63";
    }

    void badOptions() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QProcess sim;
        sim.start(KVR_PANEL_SIM, args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        const QString err = QString::fromUtf8(sim.readAllStandardError());
        QVERIFY2(err.contains(message), qPrintable(err));
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }

    void helpListsEveryOption() {
        QProcess sim;
        sim.start(KVR_PANEL_SIM, {"--help"});
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        const QString help = QString::fromUtf8(sim.readAllStandardOutput());
        for (const char* option :
             {"--link",         "--transcript", "--model",         "--assignments",
              "--intensities",  "--set",        "--silent",        "--answer-attention",
              "--no-write-ack", "--ack-extra",  "--short-read",    "--read-differs",
              "--raw-read",     "--delay",      "--hang-up-after", "--noise",
              "--split-reply",  "--split-tail", "--pad-reply",     "--chatter"})
            QVERIFY2(help.contains(option), option);
    }
};

QTEST_GUILESS_MAIN(TestPanelSim)
#include "test_panel_sim.moc"
