// The SERIAL PORT chooser: the start port from lists of port descriptions, and the real
// chooser in the window with typed paths and a read on the port chosen.

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

using Ports = QList<kvr::PortDescription>;

namespace {

kvr::PortDescription built_in(const char* device) {
    return {device, {}, {}, {}};
}
kvr::PortDescription usb(const char* device) {
    return {device, {}, {}, {}, 0x0403, 0x6001};
}
QString pty(const kvr::sim::PtyHost& host) {
    return QString::fromStdString(host.slave_path());
}

} // namespace

class TestPortChoice : public QObject {
    Q_OBJECT

    ScriptedDialogs dialogs;
    Form1 form{dialogs};

    QComboBox* chooser() { return form.findChild<QComboBox*>("SERIAL_PORT"); }
    void type(const QString& text) {
        chooser()->lineEdit()->clear();
        QTest::keyClicks(chooser()->lineEdit(), text);
        QTest::keyClick(chooser()->lineEdit(), Qt::Key_Return);
    }

  private slots:
    void start_port_data() {
        QTest::addColumn<Ports>("present");
        QTest::addColumn<QString>("start");
        const Ports ttyS1{built_in("/dev/ttyS1")};
        QTest::newRow("port 1") << Ports{built_in("/dev/ttyS0"), usb("/dev/ttyUSB0")}
                                << "/dev/ttyS0";
        QTest::newRow("one adapter") << ttyS1 + Ports{usb("/dev/ttyUSB0")} << "/dev/ttyUSB0";
        QTest::newRow("two adapters")
            << Ports{usb("/dev/ttyUSB0"), usb("/dev/ttyACM0")} << "/dev/ttyS0";
        QTest::newRow("none") << ttyS1 << "/dev/ttyS0";
    }
    void start_port() {
        QFETCH(Ports, present);
        QFETCH(QString, start);
        QCOMPARE(kvr::start_port(present), start);
    }

    // OTHER stands for a pseudo-terminal, BEFORE for the one in use before, PORT-1 for
    // serial port 1's entry: its text when typed, its device when used.
    void typed_paths_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("used");
        QTest::newRow("pseudo-terminal") << "  OTHER "
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
        form.set_panel_port(pty(before));
        const int port_1 = chooser()->findData(kvr::serial_port_1());
        const auto fill = [&](QString text, bool device) {
            return text.replace("OTHER", pty(other))
                .replace("BEFORE", pty(before))
                .replace("PORT-1", device ? kvr::serial_port_1() : chooser()->itemText(port_1));
        };
        type(fill(typed, false));
        QCOMPARE(form.panel_port(), fill(used, true));
        QCOMPARE(chooser()->currentData().toString(), fill(used, true));
    }

    // The read goes to the port chosen, with the chooser disabled meanwhile; the port given
    // at start stays listed.
    void operation_uses_chosen_port() {
        kvr::sim::PtyHost given, chosen;
        form.use_given_port(pty(given), QStringLiteral("SIMULATED PANEL"));
        type(pty(chosen));
        QList<bool> enabled;
        connect(form.findChild<kvr::PanelConversation*>(), &kvr::PanelConversation::status, this,
                [&] { enabled << chooser()->isEnabled(); });
        QTest::mouseClick(form.findChild<QPushButton*>("READ_CONFIG"), Qt::LeftButton);
        QVERIFY(given.transcript().empty());
        QCOMPARE(form.findChild<QTextEdit*>("Text1")->toPlainText(),
                 QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        QVERIFY(!enabled.isEmpty() && !enabled.contains(true) && chooser()->isEnabled());
        QVERIFY(chooser()->findText(QStringLiteral("SIMULATED PANEL")) >= 0);
    }
};

QTEST_MAIN(TestPortChoice)
#include "test_port_choice.moc"
