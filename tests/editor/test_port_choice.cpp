// The SERIAL PORT chooser: its rules on lists of port descriptions, and the real chooser in
// the window with typed paths and an operation on the port chosen.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

#include "form1.h"
#include "panel/panel_conversation.h"
#include "port_list.h"
#include "scripted_dialogs.h"
#include "simulator/pty_host.h"

using kvr::PortDescription;
using Ports = QList<PortDescription>;

namespace {

PortDescription usb(const char* device) {
    return {device, "FT232R USB UART", "FTDI", "A50285BI", 0x0403, 0x6001};
}
PortDescription built_in(const char* device) {
    return {device, {}, {}, {}};
}
QString pty(const kvr::sim::PtyHost& host) {
    return QString::fromStdString(host.slave_path());
}

} // namespace

class TestPortChoice : public QObject {
    Q_OBJECT

    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    QComboBox* chooser() const { return form->findChild<QComboBox*>("SERIAL_PORT"); }
    void type(const QString& text) {
        chooser()->lineEdit()->clear();
        QTest::keyClicks(chooser()->lineEdit(), text);
        QTest::keyClick(chooser()->lineEdit(), Qt::Key_Return);
    }
    QStringList entry_texts() const {
        QStringList texts;
        for (int i = 0; i < chooser()->count(); ++i)
            texts << chooser()->itemText(i);
        return texts;
    }

  private slots:
    void init() { form = std::make_unique<Form1>(dialogs); }
    void cleanup() { form.reset(); }

    void start_port_data() {
        QTest::addColumn<Ports>("present");
        QTest::addColumn<QString>("start");
        const QString port_1 = kvr::serial_port_1();
        QTest::newRow("port 1 present")
            << Ports{built_in("/dev/ttyS0"), usb("/dev/ttyUSB0")} << port_1;
        QTest::newRow("one USB adapter")
            << Ports{built_in("/dev/ttyS1"), usb("/dev/ttyUSB0")} << QStringLiteral("/dev/ttyUSB0");
        QTest::newRow("two USB adapters")
            << Ports{usb("/dev/ttyUSB0"), usb("/dev/ttyACM0")} << port_1;
        QTest::newRow("another built-in port") << Ports{built_in("/dev/ttyS1")} << port_1;
        QTest::newRow("nothing") << Ports{} << port_1;
    }
    void start_port() {
        QFETCH(Ports, present);
        QFETCH(QString, start);
        QCOMPARE(kvr::start_port(present), start);
    }

    void newly_plugged_port_data() {
        QTest::addColumn<Ports>("before");
        QTest::addColumn<Ports>("after");
        QTest::addColumn<bool>("in_use_present");
        QTest::addColumn<QString>("chosen"); // empty: stays
        const Ports one{usb("/dev/ttyUSB0")};
        QTest::newRow("in use still there") << Ports{} << one << true << QString();
        QTest::newRow("in use gone, one new")
            << one << Ports{usb("/dev/ttyUSB1")} << false << QStringLiteral("/dev/ttyUSB1");
        QTest::newRow("in use gone, two new")
            << Ports{} << Ports{usb("/dev/ttyUSB0"), usb("/dev/ttyACM0")} << false << QString();
        QTest::newRow("in use gone, none new") << one << one << false << QString();
    }
    void newly_plugged_port() {
        QFETCH(Ports, before);
        QFETCH(Ports, after);
        QFETCH(bool, in_use_present);
        QFETCH(QString, chosen);
        QCOMPARE(kvr::newly_plugged_port(before, after, in_use_present).value_or(QString()),
                 chosen);
    }

    // One entry per device: the simulated panel by its name, each present port with its
    // description, serial port 1 and the unplugged port in use still listed.
    void entries() {
        const auto entries = kvr::port_entries(
            {built_in("/dev/ttyS0"), usb("/dev/ttyUSB0")},
            {{kvr::serial_port_1(), {}}, {"/dev/pts/7", "SIMULATED PANEL"}}, "/dev/ttyUSB1");
        QStringList texts, devices;
        for (const kvr::PortEntry& entry : entries)
            texts << entry.text, devices << entry.device;
        QCOMPARE(texts, QStringList({"SIMULATED PANEL", "/dev/ttyS0 - SERIAL PORT 1",
                                     "/dev/ttyUSB0 - FT232R USB UART", "/dev/ttyUSB1"}));
        QCOMPARE(devices,
                 QStringList({"/dev/pts/7", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
        QCOMPARE(
            entries[2].tooltip,
            QStringLiteral("MANUFACTURER: FTDI\nUSB VID:PID 0403:6001\nSERIAL NUMBER: A50285BI"));
        QCOMPARE(kvr::device_for_text(entries, "/dev/ttyUSB0 - FT232R USB UART"), "/dev/ttyUSB0");
    }

    // OTHER stands for a pseudo-terminal, BEFORE for the one in use before, PORT-1 for serial
    // port 1's entry: its text when typed, its device when used.
    void typed_paths_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("used");
        QTest::newRow("pseudo-terminal") << "OTHER"
                                         << "OTHER";
        QTest::newRow("blanks around") << "  OTHER "
                                       << "OTHER";
        QTest::newRow("blank") << "   "
                               << "BEFORE";
        QTest::newRow("an entry's text") << "PORT-1"
                                         << "PORT-1";
    }
    void typed_paths() {
        QFETCH(QString, typed);
        QFETCH(QString, used);
        kvr::sim::PtyHost before, other;
        form->set_panel_port(pty(before));
        const int port_1 = chooser()->findData(kvr::serial_port_1());
        QVERIFY(port_1 >= 0);
        const auto fill = [&](QString text, bool device) {
            return text.replace("OTHER", pty(other))
                .replace("BEFORE", pty(before))
                .replace("PORT-1", device ? kvr::serial_port_1() : chooser()->itemText(port_1));
        };
        type(fill(typed, false));
        QCOMPARE(form->panel_port(), fill(used, true));
        QCOMPARE(chooser()->currentData().toString(), fill(used, true));
    }

    // A read goes to the port chosen, with the chooser disabled meanwhile; the port given at
    // start stays listed.
    void operation_uses_chosen_port() {
        kvr::sim::PtyHost given, chosen;
        form->use_given_port(pty(given), QStringLiteral("SIMULATED PANEL"));
        QCOMPARE(chooser()->currentText(), QStringLiteral("SIMULATED PANEL"));
        type(pty(chosen));
        QList<bool> enabled_while_reading;
        connect(form->findChild<kvr::PanelConversation*>(), &kvr::PanelConversation::status, this,
                [&] { enabled_while_reading << chooser()->isEnabled(); });
        QTest::mouseClick(form->findChild<QPushButton*>("READ_CONFIG"), Qt::LeftButton);

        QCOMPARE(form->findChild<QTextEdit*>("Text1")->toPlainText(),
                 QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        QVERIFY(given.transcript().empty());
        QVERIFY(!chosen.transcript().empty());
        QVERIFY(!enabled_while_reading.isEmpty() && !enabled_while_reading.contains(true));
        QVERIFY(chooser()->isEnabled());
        QVERIFY(entry_texts().contains(QStringLiteral("SIMULATED PANEL")));
        QVERIFY(entry_texts().contains(pty(chosen)));
    }
};

QTEST_MAIN(TestPortChoice)
#include "test_port_choice.moc"
