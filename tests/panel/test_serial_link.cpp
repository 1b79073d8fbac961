// The window's serial link on a simulated panel: single transactions and what they report,
// ports that cannot be opened, and the window staying in charge while an operation runs.

#include <QTimer>
#include <thread>

#include "panel_fixture.h"

using kvr::read_command;
using kvr::sim::PanelSettings;

namespace {

const QString kOk = QStringLiteral("COMMUNICATIONS OK");
const QString kOutOfRange = QStringLiteral("ERROR - DATA OUT OF RANGE");
const QString kCorrupted = QStringLiteral("COMMUNICATIONS CORRUPTED");
const QString kFailedToVerify = QStringLiteral("DATA FAILED TO VERIFY");
const QColor kUntouched(1, 2, 3);

} // namespace

class TestSerialLink : public QObject, PanelFixture {
    Q_OBJECT

  private slots:
    void init() { new_window(); }

    void transactions_report_in_the_status_box_data() {
        QTest::addColumn<bool>("write");       // a write of 120, or a read
        QTest::addColumn<QByteArray>("reply"); // to the read or read-back; empty: the panel's own
        QTest::addColumn<int>("error_flag");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("A");
        QTest::newRow("read of four characters") << false << QByteArray("0120") << 0 << kOk << 12;
        QTest::newRow("read of no number") << false << QByteArray("ABCD\r") << 0 << kOk << 0;
        QTest::newRow("read of 161") << false << QByteArray("1610\r") << 1 << kOutOfRange << 161;
        QTest::newRow("read of -5") << false << QByteArray("-050\r") << 1 << kOutOfRange << -5;
        QTest::newRow("read beyond 16 bits")
            << false << QByteArray("9999999\r") << 1 << kOutOfRange << 99;
        QTest::newRow("read of three characters")
            << false << QByteArray("012") << 1 << kCorrupted << 99;
        QTest::newRow("write verified") << true << QByteArray() << 0 << kOk << 120;
        QTest::newRow("write read back as 121")
            << true << QByteArray("1210\r") << 1 << kFailedToVerify << 121;
        QTest::newRow("write read back beyond 16 bits")
            << true << QByteArray("9999999\r") << 1 << kFailedToVerify << 99;
        QTest::newRow("write read back short")
            << true << QByteArray("120") << 1 << kCorrupted << 99;
    }
    void transactions_report_in_the_status_box() {
        QFETCH(bool, write);
        QFETCH(QByteArray, reply);
        QFETCH(int, error_flag);
        QFETCH(QString, text);
        QFETCH(int, A);
        PanelSettings settings;
        if (!reply.isEmpty()) settings.faults.raw_read[5] = reply.toStdString();
        connect_panel(settings);
        // A at 99 and the status box on an unused colour show what is left unchanged.
        member("A") = 99;
        member("address_l") = 5;
        member("data_l") = 120;
        form->show_status(QString(), kUntouched);
        QVERIFY(form->open_panel_port());
        write ? form->write_panel_value() : form->read_panel_value();
        form->close_panel_port();

        std::vector<std::string> commands{read_command(5)};
        if (write) commands.insert(commands.begin(), kvr::write_command(5, 120));
        QCOMPARE(received(), commands);
        QCOMPARE(member("error_flag"), error_flag);
        QCOMPARE(member("A"), A);
        QCOMPARE(status(), text);
        QCOMPARE(status_colour(), write && error_flag == 0 ? kStatusYellow : kUntouched);
    }

    void port_that_cannot_be_opened_is_named() {
        const QString missing = QStringLiteral("/dev/kvr-no-such-port");
        for (const char* button : {"READ_CONFIG", "WRITE_CONFIG"}) {
            form->set_panel_port(missing);
            click(button);
            QCOMPARE(status(),
                     QStringLiteral("CANNOT OPEN SERIAL PORT %1 - NO SUCH DEVICE").arg(missing));
            QCOMPARE(status_colour(), kStatusRed);
            QVERIFY(!port_open());
        }

        connect_panel();
        QSerialPort other_program(QString::fromStdString(panel->slave_path()));
        QVERIFY(other_program.open(QIODevice::ReadWrite));
        click("READ_CONFIG");
        QCOMPARE(status(), QStringLiteral("CANNOT OPEN SERIAL PORT %1 - IN USE OR ACCESS DENIED")
                               .arg(QString::fromStdString(panel->slave_path())));
        QCOMPARE(status_colour(), kStatusRed);
        QVERIFY(!port_open());
        QVERIFY(panel->transcript().empty());

        // Once the other program lets go, the same window reaches the panel.
        other_program.close();
        QVERIFY(form->open_panel_port());
        QVERIFY(form->wake_panel());
        form->close_panel_port();
    }

    void pauses_never_end_early() {
        // Timed from before the call to after its return, so nothing but the pause itself
        // can make a measurement short.
        connect_panel();
        QVERIFY(form->open_panel_port());
        for (int i = 0; i < 5; ++i) {
            const auto start = std::chrono::steady_clock::now();
            form->pause_one_tick();
            QVERIFY(std::chrono::steady_clock::now() - start >= kvr::tick);
        }
        form->close_panel_port();
    }

    void buttons_take_no_click_while_an_operation_runs() {
        PanelSettings settings;
        settings.faults.silent = true;
        connect_panel(settings);
        bool checked = false;
        QTimer::singleShot(250, form.get(), [&] {
            for (const char* name : {"READ_CONFIG", "WRITE_CONFIG", "READ_FILE", "WRITE_FILE"})
                QVERIFY(!form->findChild<QPushButton*>(name)->isEnabled());
            QVERIFY(port_open());
            click("WRITE_CONFIG");
            form->run_exclusively(&Form1::READ_CONFIG_Click);
            checked = true;
        });
        click("READ_CONFIG");
        QVERIFY(checked);
        QCOMPARE(received(), std::vector<std::string>(6, "A")); // one handshake only
        QCOMPARE(status(), kNoResponse);
        QVERIFY(form->findChild<QPushButton*>("READ_CONFIG")->isEnabled());
    }

    void closing_the_window_ends_the_operation() {
        connect_panel();
        form->show();
        std::size_t commands_at_close = 0;
        QTimer::singleShot(450, form.get(), [&] {
            // The read is blocked in a wait: whatever it sent reaches the panel meanwhile.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            commands_at_close = received().size();
            QVERIFY(!form->close()); // refused while the read runs
        });
        click("READ_CONFIG");
        QVERIFY(commands_at_close >= 3);
        QCOMPARE(received().size(), commands_at_close); // nothing sent after the request
        QVERIFY(!port_open());
        QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
    }
};

QTEST_MAIN(TestSerialLink)
#include "test_serial_link.moc"
