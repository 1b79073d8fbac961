// kvr-panel verify --report and identify on a panel on a pseudo-terminal, and import keeping
// the schedule's order and its own columns.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "kvr_panel_process.h"
#include "simulator/pty_host.h"

namespace {

QString pdf_text(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
}

} // namespace

class TestAsFoundIdentify : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString path(const QString& name) const { return work.filePath(name); }

  private slots:
    void a_site_imported_reported_and_identified() {
        QFile csv(path("site.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("panel,room,function,module,channel,designation,percent,Floor,notes\n"
                  "ZED,Hall,SW1,C,3,DOWN,,G,by the door\n"
                  "ZED,Hall,SW2,A,1,WALL,,G,\n"
                  "ZED,Hall,LED1,B,2,,,G,second\n"
                  "ALPHA,Store,SW1,N/A,,,,1,\n");
        csv.close();
        QCOMPARE(kvr_panel({"import", path("site.csv"), "-o", path("site")}).exit_code, 0);
        const QJsonObject site = QJsonDocument::fromJson([&] {
                                     QFile file(path("site/site.json"));
                                     return file.open(QIODevice::ReadOnly) ? file.readAll()
                                                                           : QByteArray();
                                 }()).object();
        QCOMPARE(site["order"].toArray(), (QJsonArray{"ZED.kcf", "ALPHA.kcf"}));
        QCOMPARE(site["extra_columns"].toArray(), (QJsonArray{"floor", "notes"}));
        QCOMPARE(site["columns"]["ZED.kcf"].toObject(),
                 (QJsonObject{{"floor", "G"}, {"notes", "by the door; second"}}));

        // ZED against a panel that holds nothing assigned: three places, one page.
        kvr::sim::PtyHost blank;
        const QString port = QString::fromStdString(blank.slave_path());
        const QString log = path("log.sqlite");
        KvrPanelRun run = kvr_panel({"verify", path("site/ZED.kcf"), "--port", port, "--report",
                                     path("found.pdf"), "--log", log});
        QCOMPARE(run.exit_code, 1);
        const QString text = pdf_text(path("found.pdf"));
        for (const char* expected :
             {"AS-FOUND REPORT", "ZED", "Port: /dev/pts/", "THE PANEL DIFFERED IN 3 PLACES",
              "SW1 DOWN C-3 N/A", "SW2 WALL A-1 N/A", "LED1", "B-2 N/A",
              "the panel was only compared, nothing was written to it"})
            QVERIFY2(text.contains(QLatin1String(expected)), qPrintable(text));
        QVERIFY(text.contains(QDir::toNativeSeparators(path("site/ZED.kcf"))));
        // The report never replaces an input, and one not written is a failure.
        QCOMPARE(kvr_panel({"verify", path("site/ZED.kcf"), "--port", port, "--report",
                            path("site/ZED.kcf"), "--no-log"})
                     .exit_code,
                 3);
        QCOMPARE(kvr_panel({"verify", path("site/ZED.kcf"), "--port", path("none"), "--report",
                            path("lost.pdf"), "--no-log"})
                     .exit_code,
                 4);
        QVERIFY(!QFile::exists(path("lost.pdf")));

        // ALPHA is what the blank panel holds; ZED is its nearest other.
        run = kvr_panel({"identify", path("site"), "--port", port, "--log", log});
        QCOMPARE(run.exit_code, 0);
        QCOMPARE(run.out, port + QStringLiteral(": holds ALPHA.kcf (room Store)\n"));
        // A panel that holds ZED but for two places holds none of the files.
        kvr::sim::PanelSettings settings;
        settings.initial_values = {{0, 22}}; // SW1 as C-3, the others not
        kvr::sim::PtyHost near(settings);
        run = kvr_panel({"identify", path("site"), "--port",
                         QString::fromStdString(near.slave_path()), "--json", "--log", log});
        QCOMPARE(run.exit_code, 1);
        const QJsonObject found = QJsonDocument::fromJson(run.bytes).object();
        QCOMPARE(found["holds"].toArray(), QJsonArray());
        const QJsonObject nearest = found["files"].toArray().first().toObject();
        QCOMPARE(nearest["file"].toString(), QStringLiteral("ALPHA.kcf"));
        QCOMPARE(nearest["differing"].toInt(), 1);
        const QJsonObject zed = found["files"].toArray().last().toObject();
        QCOMPARE(zed["differing_locations"].toArray(), (QJsonArray{1, 10}));
        // Each identify is one read in the log.
        run = kvr_panel({"history", "--json", "--log", log});
        QCOMPARE(run.out.count(QStringLiteral("\"operation\": \"read\"")), 2);
    }
};

QTEST_MAIN(TestAsFoundIdentify)
#include "test_as_found_identify.moc"
