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

    // A producer that writes in bursts, more than a pipe holds at once: every row arrives.
    void schedule_through_a_pipe_in_bursts() {
        QByteArray csv = "panel,room,function,module,channel,designation,percent\r\n";
        for (int n = 0; n < 300; ++n)
            for (int f = 1; f <= 10; ++f)
                csv += "P" + QByteArray::number(n) + ",,SW" + QByteArray::number(f) + ",A," +
                       QByteArray::number(f) + ",D " + QByteArray::number(2100 + f) + ",\r\n";
        QProcess process;
        process.start(KVR_PANEL, {"import", "-", "-o", path("piped")});
        const qsizetype burst_size = csv.size() / 4 + 1;
        for (int burst = 0; burst < 4; ++burst) {
            process.write(csv.mid(burst * burst_size, burst_size));
            QVERIFY(process.waitForBytesWritten(10000));
            QTest::qWait(150);
        }
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QDir(path("piped")).entryList(QDir::Files).size(), 301); // and site.json
        QVERIFY(contents("piped/P299.kcf").contains("\"D 2110\",9,\"DESIGNATION \""));

        // One over the limit is refused with its size, from a file and a pipe alike.
        QFile large(path("large.csv"));
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(65 << 20));
        KvrPanelRun run = kvr_panel({"import", path("large.csv"), "-o", path("large")});
        QVERIFY(run.err.contains("it is 68,157,440 bytes (65 MiB), more than the 67,108,864 "
                                 "bytes (64 MiB) that may be read"));
        run = kvr_panel({"import", "-", "-o", path("large")}, QByteArray(65 << 20, '\n'));
        QVERIFY(run.err.contains("standard input: it is more than 67,108,864 bytes (64 MiB)"));
        QVERIFY(!QDir(path("large")).exists());

        // A NUL in a name is shown, and the line is whole.
        const char nul[] =
            "panel,room,function,module,channel,designation,percent\nA\0B,,SW1,A,1,,\n";
        run = kvr_panel({"import", "-", "-o", path("nul")}, QByteArray(nul, sizeof nul - 1));
        QCOMPARE(run.exit_code, 3);
        QVERIFY2(run.err.endsWith("row 2: panel \"A\\x00B\": U+0000 is a control character (a "
                                  "line end, a tab or the like); a cell holds one line of text\n"),
                 qPrintable(run.err));
    }

    // A save that cannot be done leaves every file of the folder as it was.
    void import_is_all_or_nothing() {
        write("ten.csv", "panel,room,function,module,channel,designation,percent\n"
                         "A,,SW1,A,1,,\nB,,SW1,A,1,,\nC,,SW1,A,1,,\n");
        QCOMPARE(kvr_panel({"import", path("ten.csv"), "-o", path("ten")}).exit_code, 0);
        write("ten/site.json", "{\"notes\": \"gate code 1234\"}");
        QFile::setPermissions(path("ten/B.kcf"), QFile::ReadOwner | QFile::ReadGroup);
        const QStringList files = QDir(path("ten")).entryList(QDir::Files);
        QList<QByteArray> before;
        for (const QString& file : files)
            before.append(contents("ten/" + file));
        write("ten.csv", "panel,room,function,module,channel,designation,percent\n"
                         "A,HALL,SW1,B,2,,\nB,,SW1,B,2,,\nC,,SW1,B,2,,\n");
        const KvrPanelRun run =
            kvr_panel({"import", path("ten.csv"), "-o", path("ten"), "--force"});
        QCOMPARE(run.exit_code, 4);
        QVERIFY2(run.err.contains("B.kcf: THE FILE IS READ-ONLY; nothing was saved"),
                 qPrintable(run.err));
        QCOMPARE(QDir(path("ten")).entryList(QDir::Files | QDir::Hidden), files);
        for (int i = 0; i < files.size(); ++i)
            QCOMPARE(contents("ten/" + files[i]), before[i]);

        QFile::setPermissions(path("ten/B.kcf"), QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(kvr_panel({"import", path("ten.csv"), "-o", path("ten"), "--force"}).exit_code, 0);
        QVERIFY(contents("ten/site.json").contains("\"notes\": \"gate code 1234\""));
        QVERIFY(contents("ten/site.json").contains("\"A.kcf\": \"HALL\""));
    }

    // What export writes, import makes again byte for byte; what it would not, export refuses.
    void export_is_the_reverse_of_import() {
        write("odd.csv", "\xEF\xBB\xBFpanel;room;function;module;channel;designation;percent\r\n"
                         "LOBBY ;Caf\xC3\xA9;SW1;A;1;=SUM(A1);\r\n"
                         "LOBBY ;;SW2;B;2;+ RAISE;\r\nLOBBY ;;SW3;B;3;- LOWER;\r\n"
                         "LOBBY ;;LED1;C;4;@X;\r\nLOBBY ;;LED2;C;5;\"  a; b, \"\"c\"\"\";\r\n"
                         "LOBBY ;;DIMMING;N/A;;;\r\nLOBBY ;;INDICATOR INTENSITY;;;;50%\r\n"
                         "BARE;;DIMMED INTENSITY;;;;30\r\nCON;=HALL;SW10;P;10;'@;\r\n");
        KvrPanelRun run = kvr_panel({"import", path("odd.csv"), "-o", path("odd")});
        QVERIFY2(run.exit_code == 3 && run.err.contains("U+0022 (\") is a character"),
                 qPrintable(run.err));
        write("odd.csv", QByteArray(contents("odd.csv")).replace("\"\"c\"\"", "c"));
        QCOMPARE(kvr_panel({"import", path("odd.csv"), "-o", path("odd")}).exit_code, 0);
        QCOMPARE(kvr_panel({"export", path("odd"), "-o", path("odd-back.csv")}).exit_code, 0);
        QCOMPARE(kvr_panel({"import", path("odd-back.csv"), "-o", path("odd-again")}).exit_code, 0);
        const QStringList files = QDir(path("odd")).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, QStringList({"BARE.kcf", "LOBBY .kcf", "_CON.kcf", "site.json"}));
        QCOMPARE(QDir(path("odd-again")).entryList(QDir::Files, QDir::Name), files);
        for (const QString& file : files)
            QCOMPARE(contents("odd-again/" + file), contents("odd/" + file));

        // Two names one to Windows, a file import would name otherwise, a code no list has.
        QDir().mkpath(path("refused"));
        const QByteArray lobby = contents("odd/LOBBY .kcf");
        write("refused/DUP.kcf", QByteArray(lobby).replace("\"LOBBY \"", "\"DUP\""));
        write("refused/dup.kcf", QByteArray(lobby).replace("\"LOBBY \"", "\"dup\""));
        write("refused/old.kcf", QByteArray(lobby).replace("\"LOBBY \"", "\"NEW\""));
        write("refused/CODE.kcf", QByteArray(lobby)
                                      .replace("\"LOBBY \"", "\"CODE\"")
                                      .replace("\"DIMMING\",160", "\"DIMMING\",200"));
        run = kvr_panel({"export", path("refused"), "-o", path("refused.csv")});
        QCOMPARE(run.exit_code, 3);
        QVERIFY2(run.err.contains("differ only in case or in blanks at the ends"),
                 qPrintable(run.err));
        QFile::remove(path("refused/dup.kcf"));
        run = kvr_panel({"export", path("refused"), "-o", path("refused.csv")});
        QCOMPARE(run.exit_code, 3);
        QVERIFY(run.err.contains("old.kcf: import would save its panel \"NEW\" as NEW.kcf"));
        QVERIFY(run.err.contains("CODE.kcf: import would make it with DIMMING: here code 200, "
                                 "from the schedule N/A"));
        QVERIFY(!QFile::exists(path("refused.csv")));
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
        QVERIFY2(pack.contains("FINDINGS ACROSS THE SITE C-4 is called \"ENTRY\" (LOBBY.kcf SW1), "
                               "\"DESK\" (OFFICE.kcf LED2)"),
                 qPrintable(pack));
        QVERIFY(pack.contains("CHANNEL SCHEDULE CHANNEL PANEL ROOM FUNCTION DESIGNATION "
                              "C-4 LOBBY HALL 1 SW1 ENTRY OFFICE ROOM 2 LED2 DESK"));
        QVERIFY(pack.contains("ROOM / LOCATION HALL 1"));
        const QJsonObject json =
            QJsonDocument::fromJson(
                kvr_panel({"handover", path("pack"), "-o", path("pack.pdf"), "--no-log", "--json"})
                    .bytes)
                .object();
        QCOMPARE(json["panels"][0]["room"].toString(), QStringLiteral("HALL 1"));
        QCOMPARE(json["findings"][0]["kind"].toString(), QStringLiteral("designations_differ"));
        QCOMPARE(json["findings"][0]["places"][1]["file"].toString(), QStringLiteral("OFFICE.kcf"));

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

    // On the real CUPS server ./test.sh starts: the pack comes out of its PDF printer whole;
    // a missing printer and one that refuses jobs are failures that say why.
    void handover_on_a_printer() {
        const QString printed = qEnvironmentVariable("KVR_TEST_PRINTED");
        if (printed.isEmpty())
            QSKIP("no CUPS server was started for this test: ./test.sh starts one");
        const KvrPanelRun run =
            kvr_panel({"handover", path("pack"), "--print", "--no-log", "--json"});
        QCOMPARE(run.exit_code, 0);
        const QString job = QJsonDocument::fromJson(run.bytes)["printed"]["job"].toString();
        QVERIFY2(job.startsWith(qEnvironmentVariable("KVR_TEST_PRINTER") + u'-'),
                 qPrintable(run.out));
        // cups-pdf names the file after the job's number, and writes it while the job runs.
        const QString suffix = QStringLiteral("*-job_%1.pdf").arg(job.section(u'-', -1));
        const auto pdf = [&] {
            return QDir(printed).filePath(QDir(printed).entryList({suffix}).value(0, "none"));
        };
        const auto pages = [&] {
            QProcess info;
            info.start("pdfinfo", {pdf()});
            info.waitForFinished(30000);
            return info.readAllStandardOutput().simplified();
        };
        // The index, the findings, the channel schedule, two sheets, the page to sign.
        QTRY_VERIFY_WITH_TIMEOUT(pages().contains("Pages: 6"), 60000);
        QProcess text;
        text.start("pdftotext", {pdf(), "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString printed_text = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        for (const char* expected : {"HANDOVER PACK", "CHANNEL SCHEDULE", "HANDOVER AND SIGN-OFF",
                                     "0 OF 2 PANELS PROVEN, 2 NOT PROVEN", "Page 6 of 6"})
            QVERIFY2(printed_text.contains(expected), expected);

        const QString refusing = qEnvironmentVariable("KVR_TEST_REFUSING_PRINTER");
        for (const auto& [printer, reason] :
             {std::pair{QStringLiteral("no-such-printer"),
                        QStringLiteral("there is no printer no-such-printer (the printers are:")},
              {refusing, "printer " + refusing + " did not accept the job: "}}) {
            const KvrPanelRun refused =
                kvr_panel({"sheet", path("pack/OFFICE.kcf"), "--printer", printer, "--no-log"});
            QCOMPARE(refused.exit_code, 4);
            QVERIFY2(refused.err.contains("the sheet was not printed: " + reason),
                     qPrintable(refused.err));
        }
    }
};

QTEST_GUILESS_MAIN(TestKvrPanelSite)
#include "test_kvr_panel_site.moc"
