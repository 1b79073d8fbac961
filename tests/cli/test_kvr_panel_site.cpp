// kvr-panel import, export and check on real folders, and the handover pack of a site.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "kvr_panel_process.h"

class TestKvrPanelSite : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString path(const QString& name) const { return work.filePath(name); }
    QByteArray contents(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

  private slots:
    void import_export_and_check_a_site() {
        write("site.csv", "panel;room;function;module;channel;designation;percent\r\n"
                          "LOBBY;HALL 1;SW1;A;1;ENTRY;\r\n"
                          "LOBBY;;LED1;A;1;ENTRY;\r\n"
                          "OFFICE;ROOM 2;SW1;A;1;DESK;\r\n");
        KvrPanelRun run = kvr_panel({"import", path("site.csv"), "-o", path("site")});
        QCOMPARE(run.exit_code, 0);
        const QByteArray lobby = contents("site/LOBBY.kcf");
        QVERIFY(lobby.startsWith("\"07-04410-MDL or 07-04411-MDL\",\"LOBBY\",\"ENTRY\",0,"));
        QVERIFY(contents("site/site.json").contains("\"OFFICE.kcf\": \"ROOM 2\""));

        // Files already there stay unless --force says otherwise.
        write("site/LOBBY.kcf", "mine");
        run = kvr_panel({"import", path("site.csv"), "-o", path("site")});
        QCOMPARE(run.exit_code, 3);
        QVERIFY(run.err.contains("LOBBY.kcf is already there"));
        QCOMPARE(contents("site/LOBBY.kcf"), QByteArray("mine"));
        QCOMPARE(kvr_panel({"import", path("site.csv"), "-o", path("site"), "--force"}).exit_code,
                 0);
        QCOMPARE(contents("site/LOBBY.kcf"), lobby);

        // A wrong row: named, and no folder made.
        write("bad.csv", "panel,room,function,module,channel,designation,percent\nX,,SW1,A,1,,\n"
                         "X,,SW2,A,0,,\n");
        run = kvr_panel({"import", path("bad.csv"), "-o", path("bad")});
        QCOMPARE(run.exit_code, 3);
        QVERIFY2(run.err.contains("row 3: SW2 of X: channel \"0\""), qPrintable(run.err));
        QVERIFY(!QDir(path("bad")).exists());

        // Exported and imported elsewhere: the same files.
        QCOMPARE(kvr_panel({"export", path("site"), "-o", path("back.csv")}).exit_code, 0);
        QCOMPARE(kvr_panel({"import", path("back.csv"), "-o", path("again")}).exit_code, 0);
        for (const char* file : {"LOBBY.kcf", "OFFICE.kcf", "site.json"})
            QCOMPARE(contents(QStringLiteral("again/") + file),
                     contents(QStringLiteral("site/") + file));

        // A 1 is ENTRY on one panel and DESK on the other.
        run = kvr_panel({"check", path("site"), "--json"});
        QCOMPARE(run.exit_code, 1);
        const QJsonArray findings =
            QJsonDocument::fromJson(run.bytes).object().value("findings").toArray();
        QCOMPARE(findings.size(), 1);
        QCOMPARE(findings[0]["kind"].toString(), QStringLiteral("designations_differ"));
        QCOMPARE(findings[0]["places"].toArray().size(), 3);
        QFile::remove(path("site/OFFICE.kcf"));
        QCOMPARE(kvr_panel({"check", path("site")}).exit_code, 0);
    }

    void handover_carries_rooms_and_the_channel_schedule() {
        write("pack.csv", "panel,room,function,module,channel,designation,percent\n"
                          "LOBBY,HALL 1,SW1,C,4,ENTRY,\nOFFICE,ROOM 2,LED2,C,4,DESK,\n");
        QCOMPARE(kvr_panel({"import", path("pack.csv"), "-o", path("pack")}).exit_code, 0);
        QCOMPARE(
            kvr_panel({"handover", path("pack"), "-o", path("pack.pdf"), "--no-log"}).exit_code, 0);
        QProcess text;
        text.start("pdftotext", {"-layout", path("pack.pdf"), "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString pack = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY(pack.contains("1 finding across the site: see FINDINGS ACROSS THE SITE"));
        QVERIFY2(pack.contains("FINDINGS ACROSS THE SITE C 4 is called \"ENTRY\" (LOBBY.kcf SW1), "
                               "\"DESK\" (OFFICE.kcf LED2)"),
                 qPrintable(pack));
        QVERIFY(pack.contains("CHANNEL SCHEDULE CHANNEL PANEL ROOM FUNCTION DESIGNATION "
                              "C-4 LOBBY HALL 1 SW1 ENTRY OFFICE ROOM 2 LED2 DESK"));
        QVERIFY(pack.contains("ROOM / LOCATION HALL 1"));

        // The sheet of one file takes its room from site.json too, unless --room says.
        const auto sheet_of = [this](const QStringList& options) {
            kvr_panel(QStringList{"sheet", path("pack/OFFICE.kcf"), "-o", path("office.pdf"),
                                  "--no-log"} +
                      options);
            QProcess text;
            text.start("pdftotext", {"-layout", path("office.pdf"), "-"});
            text.waitForFinished(30000);
            return QString::fromUtf8(text.readAllStandardOutput()).simplified();
        };
        QVERIFY(sheet_of({}).contains("ROOM / LOCATION ROOM 2"));
        QVERIFY(sheet_of({"--room", "ROOM 9"}).contains("ROOM / LOCATION ROOM 9"));
    }
};

QTEST_GUILESS_MAIN(TestKvrPanelSite)
#include "test_kvr_panel_site.moc"
