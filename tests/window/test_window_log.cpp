// The window's reads and writes in the commissioning log, and the sheet's site and stamp,
// on a simulated panel with scripted dialogs; the log and the settings in a temporary folder.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "panel_fixture.h"
#include "records/commissioning_log.h"

using namespace kvr;
using records::RecordOutcome;

class TestWindowLog : public QObject, PanelFixture {
    Q_OBJECT

    QTemporaryDir folder;
    QString path(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }

    void complete_window(const char* panel_name) {
        new_window();
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
        form->findChild<QLineEdit*>("Text2")->setText(QString::fromUtf8(panel_name));
    }
    std::vector<records::Record> entries() {
        records::CommissioningLog log(path("log.sqlite"));
        return log.entries({}).entries;
    }
    QString tooltip() const { return form->findChild<QTextEdit*>("Text1")->toolTip(); }
    QString sheet_text(const QString& pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", pdf, "-"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput()).simplified();
    }

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path("settings"));
    }

    void writes_are_logged_with_source_digest_and_failure() {
        complete_window("LOBBY");
        form->set_commissioning_log(path("log.sqlite"));
        connect_panel();
        // Saved first, so the write's source is the file and its bytes.
        dialogs.file_answers.push_back(path("lobby.kcf"));
        click("WRITE_FILE");
        click("WRITE_CONFIG");
        QCOMPARE(status_colour(), kStatusGreen);
        QCOMPARE(tooltip(), QString());

        // Changed since saved: the window's own values; and stopped at location 5.
        list(45)->setCurrentRow(1);
        kvr::sim::PanelSettings failing;
        failing.faults.no_write_ack = {5};
        connect_panel(failing);
        click("WRITE_CONFIG");
        QCOMPARE(status_colour(), kStatusRed);

        const auto logged = entries(); // newest first
        QCOMPARE(logged.size(), 2u);
        const records::Record& failed = logged[0];
        const records::Record& written = logged[1];
        QCOMPARE(written.outcome, RecordOutcome::programmed_and_verified);
        QCOMPARE(written.program, QCoreApplication::applicationName());
        QCOMPARE(written.panel_name, QStringLiteral("LOBBY"));
        QCOMPARE(written.source_path, path("lobby.kcf"));
        QCOMPARE(written.source_sha256, records::file_sha256(path("lobby.kcf")).value());
        QCOMPARE(written.read_back.size(), 25);
        QCOMPARE(failed.outcome, RecordOutcome::failed);
        QCOMPARE(failed.source_text(), QStringLiteral("window"));
        QCOMPARE(failed.failure.location, std::optional<int>(5));
        QCOMPARE(failed.read_back.size(), 5);
        QCOMPARE(failed.device, form->panel_port());
        QCOMPARE(failed.values_digest,
                 records::values_digest(records::programmed_values(form->configuration_shown())));
        QVERIFY(failed.values_digest != written.values_digest);
    }

    void unwritable_log_leaves_the_write_green_with_a_warning() {
        complete_window("HALL");
        form->set_commissioning_log(folder.path()); // a folder is no log
        connect_panel();
        click("WRITE_CONFIG");
        QCOMPARE(status_colour(), kStatusGreen);
        QCOMPARE(status(), StatusTexts::programmed);
        QVERIFY2(tooltip().contains(QStringLiteral("not logged")), qPrintable(tooltip()));
    }

    // A panel answering 30 ms after the wait fails, at the end of the wait; Line timing
    // lengthens the wait, and the next window remembers it.
    void line_timing_for_a_late_panel() {
        new_window();
        kvr::sim::PanelSettings late;
        late.faults.reply_delay = std::chrono::milliseconds(130);
        connect_panel(late);
        click("READ_CONFIG");
        QCOMPARE(status(), kBadData);
        // The late reply comes after the failure, with the port closed; the next read
        // starts once it is on the line, where that read's first command discards it.
        QTRY_COMPARE(traffic(kvr::sim::Direction::sent).size(), received().size());
        dialogs.answers = {1}; // 200 MS
        form->choose_line_timing();
        QCOMPARE(dialogs.questions.back().answers.size(), 6); // five waits and CANCEL
        click("READ_CONFIG");
        QCOMPARE(status_colour(), kStatusGreen);
        QCOMPARE(tooltip(), QString());
        new_window();
        QCOMPARE(form->reply_wait(), std::chrono::milliseconds(200));
        form->choose_line_timing(); // cancelled: unchanged
        QCOMPARE(form->reply_wait(), std::chrono::milliseconds(200));
    }

    void sheet_carries_the_site_and_the_stamp() {
        complete_window("FOYER");
        // A log of its own: the first test's write verified these values already.
        form->set_commissioning_log(path("sheet.sqlite"));
        const auto print = [this](const QString& pdf) {
            dialogs.file_answers.push_back(pdf);
            form->findChild<QLabel*>("Image1")->actions().at(1)->trigger(); // save as PDF
        };
        dialogs.site_answers.push_back(
            SheetSite{"NORTH WING", "ROOM 12", "J-4711", "A. FITTER", "BRIGHT ELECTRIC"});
        print(path("before.pdf"));
        connect_panel();
        click("WRITE_CONFIG");
        print(path("after.pdf"));

        const QString before = sheet_text(path("before.pdf"));
        for (const char* answer :
             {"NORTH WING", "ROOM 12", "J-4711", "A. FITTER", "BRIGHT ELECTRIC"})
            QVERIFY2(before.contains(QString::fromUtf8(answer)), answer);
        QVERIFY(before.contains("NEVER PROGRAMMED"));
        const QString after = sheet_text(path("after.pdf"));
        QVERIFY(after.contains("PROGRAMMED AND VERIFIED") && after.contains("/dev/pts/") &&
                after.contains("(PSEUDO-")); // the line may wrap

        // Another window, as in the next run: who commissions is proposed from the settings.
        complete_window("FOYER");
        print(path("next.pdf"));
        QCOMPARE(dialogs.sites_proposed.size(), 1u);
        QCOMPARE(dialogs.sites_proposed[0].installer, QStringLiteral("A. FITTER"));
        QCOMPARE(dialogs.sites_proposed[0].company, QStringLiteral("BRIGHT ELECTRIC"));
        QCOMPARE(dialogs.sites_proposed[0].site, QString());
    }

    // The built-in simulated panel is logged by that name and never stamps a sheet.
    void simulated_panel_is_logged_as_such_and_proves_nothing() {
        complete_window("ATRIUM");
        form->set_commissioning_log(path("simulated.sqlite"));
        panel = std::make_unique<kvr::sim::PtyHost>();
        form->use_simulated_panel(QString::fromStdString(panel->slave_path()));
        click("WRITE_CONFIG");
        QCOMPARE(status_colour(), kStatusGreen);
        const auto logged = records::CommissioningLog(path("simulated.sqlite")).entries({}).entries;
        QCOMPARE(logged.size(), 1u);
        QCOMPARE(logged[0].device, QStringLiteral("SIMULATED PANEL 1"));
        QCOMPARE(logged[0].simulated, std::optional<bool>(true));
        dialogs.site_answers.push_back(SheetSite{});
        dialogs.file_answers.push_back(path("simulated.pdf"));
        form->findChild<QLabel*>("Image1")->actions().at(1)->trigger(); // save as PDF
        const QString sheet = sheet_text(path("simulated.pdf"));
        QVERIFY(sheet.contains("NOT YET PROGRAMMED AND VERIFIED") &&
                sheet.contains("ONLY EVER WRITTEN TO A SIMULATED PANEL"));
    }
};

QTEST_MAIN(TestWindowLog)
#include "test_window_log.moc"
