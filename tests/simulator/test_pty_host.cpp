// The simulator on a real pseudo-terminal, reached by the real QSerialPort.
#include "panel/protocol.h"
#include "simulator/pty_host.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <memory>
#include <string>

using namespace std::chrono_literals;
using namespace std::string_literals;
using kvr::sim::Direction;
using kvr::sim::PanelSettings;
using kvr::sim::PtyHost;

namespace {

QByteArray bytes(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

std::unique_ptr<QSerialPort> open_port(const std::string& path) {
    auto port = std::make_unique<QSerialPort>(QString::fromStdString(path));
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) qWarning() << "open failed:" << port->errorString();
    return port;
}

// Sends a command and collects the reply until `expected` characters have come or a
// generous hang guard runs out.
QByteArray transact(QSerialPort& port, const std::string& command, qsizetype expected) {
    port.write(bytes(command));
    port.waitForBytesWritten(1000);
    QByteArray reply;
    QElapsedTimer guard;
    guard.start();
    while (reply.size() < expected && guard.elapsed() < 3000) {
        port.waitForReadyRead(100);
        reply += port.readAll();
    }
    return reply;
}

double cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

class TestPtyHost : public QObject {
    Q_OBJECT
  private slots:
    void serialPortExchange() {
        PtyHost host;
        QVERIFY(host.slave_path().starts_with("/dev/pts/"));
        auto port = open_port(host.slave_path());
        QVERIFY(port->isOpen());

        QCOMPARE(transact(*port, "A", 5), QByteArray("D000D"));
        QCOMPARE(transact(*port, kvr::write_command(5, 37), 5), QByteArray("D000D"));
        QCOMPARE(transact(*port, kvr::read_command(5), 5), QByteArray("0370\r"));
        QCOMPARE(int(host.location(5)), 37);
        host.set_location(7, 42);
        QCOMPARE(transact(*port, kvr::read_command(7), 5), QByteArray("0420\r"));

        const auto t = host.transcript();
        QCOMPARE(t.size(), std::size_t{8});
        QCOMPARE(t[0].bytes, "A"s);
        QCOMPARE(t[2].bytes, "S\0\x05\0%D"s);
        QCOMPARE(t[2].direction, Direction::received);
        QCOMPARE(t[5].bytes, "0370\r"s);
        QCOMPARE(t[5].direction, Direction::sent);
        for (std::size_t i = 1; i < t.size(); ++i)
            QVERIFY(t[i - 1].time <= t[i].time);
        QVERIFY(t[0].time >= host.started());
    }

    void portClosedAndOpenedAgain() {
        PtyHost host;
        for (int i = 0; i < 3; ++i) {
            auto port = open_port(host.slave_path());
            QVERIFY(port->isOpen());
            QCOMPARE(transact(*port, "A", 5), QByteArray("D000D"));
        }
        QCOMPARE(host.transcript().size(), std::size_t{6});
    }

    void lateRepliesKeepTheirDelay() {
        PanelSettings s;
        s.faults.reply_delay = 150ms;
        PtyHost host(s);
        auto port = open_port(host.slave_path());
        QCOMPARE(transact(*port, "A", 5), QByteArray("D000D"));
        const auto t = host.transcript();
        QCOMPARE(t.size(), std::size_t{2});
        QVERIFY(t[1].time - t[0].time >= 150ms);
    }

    void hangUpDropsTheLine() {
        PanelSettings s;
        s.faults.hang_up_after = 2;
        PtyHost host(s);
        auto port = open_port(host.slave_path());
        QCOMPARE(transact(*port, "A", 5), QByteArray("D000D"));
        QSignalSpy errors(port.get(), &QSerialPort::errorOccurred);
        QCOMPARE(transact(*port, kvr::read_command(0), 5), QByteArray("1600\r"));
        QTRY_VERIFY_WITH_TIMEOUT(host.hung_up(), 3000);
        // The other side sees the line drop. Qt 6.4 reports a hung-up pty as a ReadError and
        // repeats it until the port is closed (a ResourceError elsewhere), so the client
        // must end its operation on the first one.
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), 3000);
        const auto error = errors.first().first().value<QSerialPort::SerialPortError>();
        QVERIFY2(error == QSerialPort::ReadError || error == QSerialPort::ResourceError,
                 qPrintable(port->errorString()));
        port->close();
        struct stat st {};
        QCOMPARE(::stat(host.slave_path().c_str(), &st), -1);
    }

    void silentPanelSendsNothing() {
        PanelSettings s;
        s.faults.silent = true;
        PtyHost host(s);
        auto port = open_port(host.slave_path());
        port->write("AAAAAA");
        QVERIFY(port->waitForBytesWritten(1000));
        QVERIFY(host.wait_for_transcript(6, 3s));
        QVERIFY(!port->waitForReadyRead(200));
        QCOMPARE(port->bytesAvailable(), 0);
    }

    void waitsWithoutSpinning() {
        PanelSettings s;
        s.faults.reply_delay = 400ms;
        PtyHost host(s);
        auto port = open_port(host.slave_path());
        const double before = cpu_seconds();
        port->write("A");
        port->waitForBytesWritten(1000);
        QVERIFY(host.wait_for_transcript(2, 3s));
        // A generous guard: a spinning thread would burn the whole 400 ms.
        QVERIFY2(cpu_seconds() - before < 0.2, "the host burns CPU while it waits");
    }

    void stopsCleanly() {
        for (int i = 0; i < 5; ++i) {
            auto host = std::make_unique<PtyHost>();
            auto port = open_port(host->slave_path());
            port->write("A");
            port->waitForBytesWritten(1000);
            host->stop();
            host->stop();
            host.reset(); // the client still holds the slave open
        }
        PtyHost untouched; // never opened by anybody
    }

    void observerSeesEveryEntryInOrder() {
        std::vector<std::string> seen;
        std::mutex m;
        {
            PtyHost host({}, [&](const kvr::sim::TranscriptEntry& e) {
                std::lock_guard lock(m);
                seen.push_back(e.bytes);
            });
            auto port = open_port(host.slave_path());
            QCOMPARE(transact(*port, "A", 5), QByteArray("D000D"));
            QCOMPARE(transact(*port, "zz" + kvr::read_command(63), 5), QByteArray("0700\r"));
        }
        std::lock_guard lock(m);
        QCOMPARE(seen, (std::vector<std::string>{"A", "D000D", "zz", "V\0?00V"s, "0700\r"}));
    }
};

QTEST_GUILESS_MAIN(TestPtyHost)
#include "test_pty_host.moc"
