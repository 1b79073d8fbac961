// The stamp and the handover pack as a reader of the PDF sees them, from real files and a
// real log in a temporary folder.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "configuration/texts.h"
#include "files/configuration_file_io.h"
#include "records/sheet_records.h"

using namespace kvr;
using namespace kvr::records;

namespace {

const QDateTime kProgrammed(QDate(2024, 5, 17), QTime(12, 5), Qt::UTC);

// The text as laid out, or (raw) in the order it was drawn: a table's cells row by row.
QString pdf_text(const QString& pdf, int page = 0, bool raw = false) {
    QStringList arguments{raw ? QStringLiteral("-raw") : QStringLiteral("-layout")};
    if (page > 0) arguments << "-f" << QString::number(page) << "-l" << QString::number(page);
    QProcess process;
    process.start(QStringLiteral("pdftotext"), arguments << pdf << "-");
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

Configuration panel(const char* name, std::int16_t first_code) {
    Configuration configuration;
    configuration.panel_name = name;
    configuration.codes.fill(160);
    configuration.codes[0] = first_code;
    configuration.designations.fill(kDesignationStartText);
    configuration.designations[1] = "Stairs";
    return configuration;
}

void record_write(CommissioningLog& log, const Configuration& configuration,
                  RecordOutcome outcome) {
    Record entry;
    entry.time = kProgrammed;
    entry.device = QStringLiteral("/dev/ttyUSB3");
    entry.panel_name = QString::fromStdString(configuration.panel_name);
    entry.values_digest = values_digest(programmed_values(configuration));
    entry.outcome = outcome;
    QVERIFY(log.record(entry).logged);
}

} // namespace

class TestHandover : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    Configuration verified_ = panel("LOBBY", 23);
    Configuration failed_ = panel("ATRIUM", 42);

  private slots:
    void initTestCase() {
        CommissioningLog log(folder_.filePath(QStringLiteral("log.sqlite")));
        record_write(log, verified_, RecordOutcome::programmed_and_verified);
        record_write(log, failed_, RecordOutcome::failed);
    }

    void stamp_with_and_without_a_verified_record() {
        CommissioningLog log(folder_.filePath(QStringLiteral("log.sqlite")));
        const QString pdf = folder_.filePath(QStringLiteral("sheet.pdf"));
        for (const bool verified : {true, false}) {
            const Configuration& configuration = verified ? verified_ : failed_;
            SheetContent content = sheet_content(configuration, folder_.filePath("A.kcf"), {});
            content.site = {"Riverside", "Plant room 2", "J-2291", "Ann Fitter", "Volt & Co"};
            content.verdict = sheet_verdict(verdict_in_folder(log, configuration, {}, {}));
            QString error;
            QVERIFY2(write_sheet(content, pdf, &error), qPrintable(error));
            const QString text = pdf_text(pdf);
            QCOMPARE(text.contains(QStringLiteral("NOT YET PROGRAMMED AND VERIFIED")), !verified);
            QCOMPARE(text.contains(QStringLiteral("2024-05-17 12:05 UTC on /dev/ttyUSB3")),
                     verified);
            for (const char* expected : {"Riverside", "Plant room 2", "J-2291", "Ann Fitter",
                                         "Volt & Co", "From A.kcf", "SW2 Stairs"})
                QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
            // A designation at its start text is blank: the row goes on to the module.
            QVERIFY(
                text.contains(verified ? QStringLiteral("SW1 C 4") : QStringLiteral("SW1 E 3")));
        }
    }

    void pack_of_a_folder_with_a_refused_file() {
        const QDir site(folder_.filePath(QStringLiteral("site")));
        QVERIFY(site.mkpath(QStringLiteral(".")));
        QVERIFY(!save_configuration_file(site.filePath("b-lobby.kcf"), record_of(verified_)));
        QVERIFY(!save_configuration_file(site.filePath("a-atrium.kcf"), record_of(failed_)));
        for (const char* name : {"broken.kcf", "notes.txt"}) {
            QFile file(site.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a configuration\n") > 0);
        }
        CommissioningLog log(folder_.filePath(QStringLiteral("log.sqlite")));
        std::vector<HandoverPanel> panels = handover_panels(site.path(), log);
        QCOMPARE(panels.size(), 3u);
        // As the site file gives them; and the lobby's labels edited since it was proven.
        panels[1].room = QStringLiteral("Hall 1");
        panels[1].floor = QStringLiteral("Ground");
        QVERIFY(panels[1].verdict.stamp);
        panels[1].verdict.stamp->labels_changed_since = true;
        const QString pdf = folder_.filePath(QStringLiteral("pack.pdf"));
        QString error;
        QVERIFY2(write_handover_pack(panels, {"Riverside", {}, "J-2291", {}, {}},
                                     QDateTime(QDate(2024, 6, 1), QTime(9, 0)), pdf, &error),
                 qPrintable(error));

        const QString index = pdf_text(pdf, 1, true);
        const QString refusal =
            std::ranges::find(panels, QStringLiteral("broken.kcf"), &HandoverPanel::file_name)
                ->refusal;
        QVERIFY(!refusal.isEmpty());
        const QStringList rows = {
            QStringLiteral("ATRIUM a-atrium.kcf failed, 2024-05-17 12:05 UTC no NEVER PROGRAMMED"),
            QStringLiteral("LOBBY Hall 1 Ground b-lobby.kcf programmed and verified, 2024-05-17 "
                           "12:05 UTC yes - LABELS CHANGED SINCE /dev/ttyUSB3"),
            QStringLiteral("refused broken.kcf ") + refusal.simplified(),
        };
        qsizetype at = 0;
        for (const QString& row : rows) {
            const qsizetype found = index.indexOf(row, at);
            QVERIFY2(found >= at, qPrintable(row + QStringLiteral("\nin: ") + index));
            at = found + row.size();
        }
        QVERIFY(index.contains(QStringLiteral(
            "3 panels: 1 programmed and verified, 1 not verified, 1 files refused")));
        QVERIFY(!index.contains(QStringLiteral("notes.txt")));
        QVERIFY(index.contains(QStringLiteral("Page 1 of 5")));
        QVERIFY(pdf_text(pdf, 2).startsWith(QStringLiteral("CHANNEL SCHEDULE")));
        QVERIFY(pdf_text(pdf, 3).contains(QStringLiteral("ATRIUM")));
        const QString lobby = pdf_text(pdf, 4, true);
        QVERIFY(lobby.contains(QStringLiteral("LOBBY")) &&
                lobby.contains(QStringLiteral("Page 4 of 5")));
        QVERIFY2(lobby.contains(QStringLiteral("PROGRAMMED AND VERIFIED - LABELS CHANGED SINCE")),
                 qPrintable(lobby));
        QVERIFY(lobby.contains(QStringLiteral("ROOM / LOCATION Hall 1")));
        QVERIFY2(pdf_text(pdf, 5).startsWith(QStringLiteral(
                     "HANDOVER AND SIGN-OFF SITE JOB NUMBER Riverside J-2291 COMPANY INSTALLER "
                     "PACK DRAWN 2024-06-01 1 OF 3 PANELS PROVEN, 2 NOT PROVEN Proven: the "
                     "commissioning log shows the panel holding its file's values. Not proven (1 "
                     "whose file was refused): the index says why, panel by panel.")),
                 qPrintable(pdf_text(pdf, 5)));
        QVERIFY(pdf_text(pdf, 5).contains(QStringLiteral("INSTALLER CUSTOMER NAME NAME")));
        QVERIFY(pdf_text(pdf, 6).isEmpty());
    }
};

QTEST_MAIN(TestHandover)
#include "test_handover.moc"
