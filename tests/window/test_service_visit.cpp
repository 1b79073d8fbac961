// A service visit: nothing replaced without asking, a write that keeps the file's texts
// unsaved, undo across a save, comparing with a panel and taking its values, the menu bar
// and where the dialogs start; on a simulated panel with scripted dialogs, the log and the
// settings in a temporary folder.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include "panel_fixture.h"
#include "port_chooser.h"
#include "records/commissioning_log.h"
#include "records/verdict.h"

using namespace kvr;
using records::RecordOutcome;

namespace {

enum { kSave, kDiscard, kCancel };
constexpr const char* kDifferenceColour = "rgb(255, 0, 255)";

} // namespace

class TestServiceVisit : public QObject, PanelFixture {
    Q_OBJECT

    QTemporaryDir folder;
    QString path(const QString& name) const { return folder.filePath(name); }

    // Every function at "N/A" and a panel name: what a default simulated panel holds.
    void complete_window(const char* name) {
        new_window();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
        QTest::keyClicks(form->findChild<QLineEdit*>("Text2"), QString::fromLatin1(name));
    }
    void save_as(const QString& file) {
        dialogs.file_answers.push_back(file);
        click("WRITE_FILE");
    }
    // The whole line, as its tooltip holds it.
    QString source_line() const { return form->findChild<QLabel*>("SOURCE_LINE")->toolTip(); }
    QAction* menu_entry(const QString& text) const {
        for (QAction* menu : form->menu_bar()->actions())
            for (QAction* action : menu->menu()->actions())
                if (action->text().remove(u'&') == text) return action;
        qFatal("no menu entry %s", qPrintable(text));
    }
    std::vector<records::Record> entries() {
        records::CommissioningLog log(path("log.sqlite"));
        return log.entries({}).entries;
    }

  private slots:
    void initTestCase() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path("settings"));
    }

    // Read and open over unsaved work ask; CANCEL sends and changes nothing, DISCARD goes on,
    // SAVE saves to the file first.
    void read_and_open_ask_over_unsaved_work() {
        complete_window("LOBBY");
        connect_panel();
        save_as(path("LOBBY.kcf"));
        list(1)->setCurrentRow(3);
        list(2)->setCurrentRow(3);
        dialogs.answers = {kCancel, kCancel};
        click("READ_CONFIG");
        click("READ_FILE");
        QCOMPARE(dialogs.questions.size(), 2u);
        QVERIFY(received().empty());
        QCOMPARE(dialogs.file_requests.size(), 1u); // only the save's
        QCOMPARE(list(1)->currentRow(), 3);

        dialogs.answers = {kSave}; // Save goes to the file opened or saved, unasked
        dialogs.file_answers.push_back(path("LOBBY.kcf"));
        click("READ_FILE");
        QCOMPARE(dialogs.file_requests.size(), 2u);
        QVERIFY(!dialogs.file_requests.back().save);
        QCOMPARE(list(1)->currentRow(), 3); // saved, then opened again

        list(1)->setCurrentRow(0);
        dialogs.answers = {kDiscard};
        click("READ_CONFIG");
        QCOMPARE(status(), StatusTexts::read_done);
        QVERIFY(!form->work_unsaved());                     // the panel holds what was read
        QVERIFY(form->open_file_asking(path("LOBBY.kcf"))); // nothing unsaved: no question
        QCOMPARE(dialogs.questions.size(), 4u);
        QCOMPARE(list(1)->currentRow(), 3);
        form->undo(); // the open: back to what was read, which no file holds
        QTest::keyClicks(form->findChild<QLineEdit*>("Text2"), "READ");
        menu_entry("SAVE")->trigger(); // asks where, not into LOBBY.kcf
        QCOMPARE(dialogs.file_requests.size(), 3u);
        QVERIFY(dialogs.file_requests.back().save);
    }

    // A write keeps the panel's values, not the texts typed before it: closing still asks.
    // The source line keeps the file's name. Steps before a save can still be undone.
    void write_keeps_texts_unsaved_and_undo_survives_a_save() {
        complete_window("LOBBY");
        connect_panel();
        list(45)->setCurrentRow(2);
        save_as(path("LOBBY.kcf"));
        QVERIFY(form->can_undo());
        form->undo();
        QCOMPARE(list(45)->currentRow(), 0);
        QVERIFY(form->work_unsaved());
        form->redo();
        QVERIFY(!form->work_unsaved());

        QTest::keyClicks(form->findChild<QLineEdit*>("Text3"), "ENTRY");
        click("WRITE_CONFIG");
        QCOMPARE(status(), StatusTexts::programmed);
        QVERIFY2(
            source_line().startsWith("LOBBY.kcf, programmed on " + form->panel_port() + " at "),
            qPrintable(source_line()));
        QVERIFY(source_line().endsWith(", changed"));
        // Shown shortened within its label, keeping both ends.
        const auto* label = form->findChild<QLabel*>("SOURCE_LINE");
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        QVERIFY2(label->text().startsWith("LOBBY.kcf, pro") && label->text().endsWith(", changed"),
                 qPrintable(label->text()));
        dialogs.answers = {kCancel};
        QVERIFY(!form->close());
        QCOMPARE(dialogs.questions.size(), 1u);
        form->undo(); // the typing: what is left is kept in the file and the panel
        QVERIFY(!form->work_unsaved());
        QVERIFY(form->close());
    }

    // A panel that matches, one that differs in a switch and an intensity, and one that does
    // not answer: marks, status, the window left as it was, the log's verify entries; then
    // the panel's values taken as one step and undone.
    void comparison_with_the_panel() {
        complete_window("LOBBY");
        form->set_commissioning_log(path("log.sqlite"));
        connect_panel();
        QSignalSpy logged(form.get(), &Form1::panel_operation_logged);
        QAction* compare = menu_entry("COMPARE WITH SWITCH PANEL");
        compare->trigger();
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL MATCHES"));
        QCOMPARE(status_colour(), kStatusGreen);

        sim::PanelSettings differing;
        differing.initial_values = {{2, 11}, {24, 5}}; // SW3 B 2; dimmed 70 %
        connect_panel(differing);
        form->findChild<QRadioButton*>("Option2")->click();
        compare->trigger();
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL DIFFERS IN 2 PLACES"));
        QCOMPARE(form->differing_locations(), (std::vector<int>{2, 24}));
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked()); // SW3's view
        for (int n : {1, 5, 6, 45, 46})
            QCOMPARE(list(n)->styleSheet().contains(kDifferenceColour),
                     n == 5 || n == 6 || n == 46);
        QCOMPARE(list(5)->toolTip(), QStringLiteral("PANEL: B-2"));
        QCOMPARE(list(46)->toolTip(), QStringLiteral("PANEL: 70 %"));
        QCOMPARE(list(5)->currentRow(), 0);

        const auto logged_entries = entries(); // newest first
        QCOMPARE(logged_entries.size(), 2u);
        QCOMPARE(logged_entries[0].operation, records::RecordOperation::verify);
        QCOMPARE(logged_entries[0].outcome, RecordOutcome::differs);
        QCOMPARE(logged_entries[1].outcome, RecordOutcome::matches);
        QCOMPARE(logged_entries[1].line, records::LineKind::pseudo_terminal);
        // The newest evidence decides: the panel matched, then a panel of that name differed.
        const records::Verdict verdict = form->window_verdict();
        QCOMPARE(verdict.status, records::VerdictStatus::not_proven);
        QCOMPARE(verdict.reason, QStringLiteral("THE LAST COMPARISON FOUND 2 DIFFERENCES"));

        menu_entry("TAKE THE PANEL'S VALUES")->trigger();
        // What the comparison said goes with the change, as the marks do.
        QVERIFY(form->findChild<QTextEdit*>("Text1")->isHidden());
        QCOMPARE(list(5)->currentRow(), 2);
        QCOMPARE(list(6)->currentRow(), 1);
        QCOMPARE(list(46)->currentRow(), 3);
        QVERIFY(list(5)->styleSheet().isEmpty()); // the marks went with the change
        QCOMPARE(list(5)->toolTip(), QStringLiteral("SW3 MODULE ASSIGNMENT"));
        QCOMPARE(form->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("LOBBY"));
        form->undo();
        QCOMPARE(list(5)->currentRow(), 0);
        QCOMPARE(list(46)->currentRow(), 0);

        sim::PanelSettings silent;
        silent.faults.silent = true;
        connect_panel(silent);
        compare->trigger();
        QCOMPARE(status(), kNoResponse);
        QVERIFY(form->differing_locations().empty());
        QVERIFY(!menu_entry("TAKE THE PANEL'S VALUES")->isEnabled());
        QCOMPARE(entries()[0].outcome, RecordOutcome::failed);
        QCOMPARE(logged.size(), 3);
    }

    // Entries are off while an operation runs; a port's red failure goes when another port
    // is chosen.
    void menu_entries_and_ports() {
        complete_window("LOBBY");
        sim::PanelSettings silent;
        silent.faults.silent = true;
        connect_panel(silent);
        dialogs.answers = {kDiscard};
        bool enabled_meanwhile = true;
        QTimer::singleShot(50, form.get(), [&] {
            enabled_meanwhile = menu_entry("WRITE CONFIGURATION TO SWITCH PANEL")->isEnabled() ||
                                menu_entry("UNDO")->isEnabled();
        });
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(!enabled_meanwhile);
        QVERIFY(menu_entry("WRITE CONFIGURATION TO SWITCH PANEL")->isEnabled());
        QCOMPARE(status_colour(), kStatusRed);
        emit form->findChild<PortChooser*>("SERIAL_PORT")->chosen(QStringLiteral("/dev/ttyS1"));
        QVERIFY(form->findChild<QTextEdit*>("Text1")->isHidden());
    }

    // Open, Save, Save As and the sheet start in the folder of the file last opened or
    // saved; the recent files are remembered.
    void dialogs_start_where_the_files_are() {
        complete_window("LOBBY");
        save_as(path("SITE.kcf"));
        QTest::keyClicks(form->findChild<QLineEdit*>("Text2"), "2");
        click("WRITE_FILE"); // cancelled
        dialogs.answers = {kDiscard};
        click("READ_FILE");                                          // cancelled
        menu_entry("SAVE COMMISSIONING SHEET AS PDF...")->trigger(); // cancelled
        QCOMPARE(dialogs.file_requests.size(), 4u);
        QCOMPARE(dialogs.file_requests[1].shown.file_name, path("LOBBY2.kcf"));
        QCOMPARE(dialogs.file_requests[2].shown.file_name, path("SITE.kcf"));
        QCOMPARE(dialogs.file_requests[3].shown.file_name, path("LOBBY2.pdf"));
        QCOMPARE(QSettings().value("files/recent").toStringList().constFirst(), path("SITE.kcf"));
        dialogs.answers = {kDiscard};
        menu_entry("1 SITE.kcf")->trigger(); // its entry is renewed as it opens the file
        QCOMPARE(form->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("LOBBY"));
    }
};

QTEST_MAIN(TestServiceVisit)
#include "test_service_visit.moc"
