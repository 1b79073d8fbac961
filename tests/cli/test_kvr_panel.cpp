// kvr-panel end to end: the built program against simulated panels on pseudo-terminals,
// its exit codes, its output and what reached the panels.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "files/configuration_file.h"
#include "panel/protocol.h"
#include "kvr_panel_process.h"
#include "simulator/pty_host.h"

namespace {

using kvr::sim::PanelSettings;
using kvr::sim::PtyHost;

using Run = KvrPanelRun;

QString device(const PtyHost& panel) {
    return QString::fromStdString(panel.slave_path());
}

std::unique_ptr<PtyHost> panel(const PanelSettings& settings = {}) {
    return std::make_unique<PtyHost>(settings);
}

// Empty designations, as a file saved after a read holds them; codes of every kind:
// 200 is "N/A" and written as 160, and an intensity code of 8 as 10 (100 %).
kvr::ConfigurationRecord sample_record() {
    kvr::ConfigurationRecord record;
    record.model = std::string(kvr::model_tag);
    record.panel_name = "LOBBY";
    const std::int16_t codes[22] = {0,  11,  160, 23, 37, 23, 200, 5,  99, 150, 151,
                                    12, 160, 160, 45, 46, 47, 48,  49, 50, 23,  160};
    for (int f = 0; f < 22; ++f)
        record.functions[f] = {"", codes[f]};
    record.indicator_intensity = {"NORMAL INDICATOR (%)", 10};
    record.backlighting_intensity = {"NORMAL BACKLIGHTING (%)", 5};
    record.dimmed_intensity = {"DIMMED BACKLIGHTING AND INDICATOR (%)", 8};
    return record;
}
// What a panel holds at locations 0..24 once the sample is written.
std::vector<std::uint8_t> sample_values() {
    return {0,   11, 160, 23, 37, 23, 160, 5,  99,  150, 151, 12, 160,
            160, 45, 46,  47, 48, 49, 50,  23, 160, 5,   10,  10};
}

QString save(const QTemporaryDir& dir, const QString& name, const QByteArray& contents) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) return {};
    return path;
}

QByteArray contents(const kvr::ConfigurationRecord& record) {
    return QByteArray::fromStdString(*kvr::write_configuration(record));
}

std::vector<std::uint8_t> configuration(const PtyHost& panel) {
    const auto memory = panel.locations();
    return {memory.begin(), memory.begin() + 25};
}

} // namespace

class TestKvrPanel : public QObject {
    Q_OBJECT
  private slots:
    // write, verify, read -o and diff close the circle; the trace shows every command.
    void writeVerifyReadDiff() {
        QTemporaryDir dir;
        const QString file = save(dir, "LOBBY.kcf", contents(sample_record()));
        const QString trace = dir.filePath("trace.txt");
        auto board = panel();
        const QString port = device(*board);

        const Run write = kvr_panel({"write", file, "--port", port, "--trace", trace});
        QCOMPARE(write.exit_code, 0);
        QCOMPARE(write.out, port + ": SWITCH PANEL HAS BEEN PROGRAMMED\n");
        QCOMPARE(configuration(*board), sample_values());

        // Every command in order: handshake, model code, then each location written and
        // read back.
        std::vector<std::string> expected{"A", kvr::read_command(63)};
        const auto values = sample_values();
        for (std::uint8_t n = 0; n < 25; ++n) {
            expected.push_back(kvr::write_command(n, values[n]));
            expected.push_back(kvr::read_command(n));
        }
        QFile trace_file(trace);
        QVERIFY(trace_file.open(QIODevice::ReadOnly | QIODevice::Text));
        std::vector<std::string> sent;
        for (const QByteArray& line : trace_file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split('|').value(0).simplified().split(' ');
            if (fields.size() < 4 || fields[1] != port.toUtf8() || fields[2] != "tx") continue;
            sent.push_back(QByteArray::fromHex(fields.mid(3).join()).toStdString());
        }
        QCOMPARE(sent, expected);

        const Run verify = kvr_panel({"verify", file, "--port", port});
        QCOMPARE(verify.exit_code, 0);
        QCOMPARE(verify.out, port + ": matches " + file + "\n");

        const QString read_back = dir.filePath("copy/LOBBY.kcf");
        QVERIFY(QDir(dir.path()).mkdir("copy"));
        const Run read = kvr_panel({"read", "--port", port, "-o", read_back});
        QCOMPARE(read.exit_code, 0);
        QVERIFY(read.out.contains(QRegularExpression("SW4 +C +4\n")));
        const Run diff = kvr_panel({"diff", read_back, file});
        QCOMPARE(diff.exit_code, 0);
        QCOMPARE(diff.out, read_back + " matches " + file + "\n");

        board->set_location(5, 7);
        const Run differs = kvr_panel({"verify", file, "--port", port});
        QCOMPARE(differs.exit_code, 1);
        QCOMPARE(differs.out, port + ": SW6: file C-4, panel A-8\n");
    }

    // A file or arguments refused: exit 3, one line on standard error, nothing sent.
    void refused_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("error");
        const QByteArray good = contents(sample_record());
        auto with = [](auto change) {
            kvr::ConfigurationRecord record = sample_record();
            change(record);
            return contents(record);
        };
        QTest::newRow("wrong model tag") << with([](auto& r) { r.model = "07-04410-MDL"; })
                                         << QStringList() << "NOT A CONFIGURATION FILE";
        QTest::newRow("51 fields")
            << good.left(good.lastIndexOf(',')) << QStringList() << "NOT A CONFIGURATION FILE";
        QTest::newRow("code with no list position")
            << with([](auto& r) { r.functions[3].number = -2; }) << QStringList()
            << "NOT A CONFIGURATION FILE";
        QTest::newRow("switch without channel")
            << with([](auto& r) { r.functions[2].number = -1; }) << QStringList()
            << "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA";
        QTest::newRow("LED without channel")
            << with([](auto& r) { r.functions[14].number = -1; }) << QStringList()
            << "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA";
        QTest::newRow("not a file") << QByteArray() << QStringList() << "NOT A REGULAR FILE";
        QTest::newRow("port and simulate") << good << QStringList{"--simulate"} << "exclude";
        QTest::newRow("port twice") << good << QStringList{"--port", "PORT"} << "named twice";
        QTest::newRow("unknown option") << good << QStringList{"--fast"} << "fast";
    }
    void refused() {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, options);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString path = file.isEmpty() ? dir.path() : save(dir, "panel.kcf", file);
        auto board = panel();
        options.replaceInStrings("PORT", device(*board));
        const Run run = kvr_panel(QStringList{"write", path, "--port", device(*board)} + options);
        QCOMPARE(run.exit_code, 3);
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        QCOMPARE(run.err.count('\n'), 1);
        QCOMPARE(run.out, QString());
        QVERIFY(board->transcript().empty());
    }

    // Ports that fail stop only their own panel; the others are programmed, and the
    // failed ones are named.
    void manyPanelsSomeFailing() {
        QTemporaryDir dir;
        const QString file = save(dir, "LOBBY.kcf", contents(sample_record()));
        PanelSettings silent, wrong_model, hangs_up;
        silent.faults.silent = true;
        wrong_model.model_code = 71;
        hangs_up.faults.hang_up_after = 10; // answers up to the read-back of location 3
        std::vector<std::unique_ptr<PtyHost>> boards;
        for (const PanelSettings& settings :
             {PanelSettings(), silent, PanelSettings(), wrong_model, hangs_up})
            boards.push_back(panel(settings));
        QStringList arguments{"write", file};
        for (const auto& board : boards)
            arguments << "--port" << device(*board);

        const Run run = kvr_panel(arguments);
        QCOMPARE(run.exit_code, 2);
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        const QString expected[] = {
            "SWITCH PANEL HAS BEEN PROGRAMMED",
            "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND",
            "SWITCH PANEL HAS BEEN PROGRAMMED",
            "SWITCH PANEL/CONFIGURATION MIS-MATCH (model code 71)",
            "COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA (location 4, SW5 assignment)",
        };
        for (int i = 0; i < 5; ++i)
            QCOMPARE(lines[i], device(*boards[i]) + ": " + expected[i]);
        QCOMPARE(configuration(*boards[0]), sample_values());
        QCOMPARE(configuration(*boards[2]), sample_values());
        QVERIFY(run.err.contains("3 of 5 panels failed: " + device(*boards[1]) + ", " +
                                 device(*boards[3]) + ", " + device(*boards[4])));

        const Run verify = kvr_panel({"verify", file, "--port", device(*boards[1])});
        QCOMPARE(verify.exit_code, 2);
    }

    // show --json gives the documented shape; --help and --version need no display.
    void showJsonAndHelp() {
        QTemporaryDir dir;
        kvr::ConfigurationRecord record = sample_record();
        record.functions[0].text = "ENTRY";
        record.functions[9].number = -1;
        const QString file = save(dir, "LOBBY.kcf", contents(record));
        const Run show = kvr_panel({"show", file, "--json"});
        QCOMPARE(show.exit_code, 0);
        const QJsonObject json = QJsonDocument::fromJson(show.out.toUtf8()).object();
        QCOMPARE(json["version"].toInt(), 1);
        QCOMPARE(json["panel_name"].toString(), "LOBBY");
        const QJsonArray functions = json["functions"].toArray();
        QCOMPARE(functions.size(), 22);
        const auto function = [&functions](int f) { return functions[f].toObject(); };
        QCOMPARE(function(0)["designation"].toString(), "ENTRY");
        QCOMPARE(function(3)["module"].toString(), "C");
        QCOMPARE(function(3)["channel"].toInt(), 4);
        QVERIFY(function(6)["module"].isNull() && function(6)["channel"].isNull());
        QCOMPARE(function(6)["code"].toInt(), 200);
        QCOMPARE(function(9)["module"].toString(), "A");
        QVERIFY(function(9)["channel"].isNull());
        QCOMPARE(function(20)["function"].toString(), "BACKLIGHT");
        QVERIFY(function(20)["designation"].isNull());
        const QJsonObject intensities = json["intensities"].toObject();
        QCOMPARE(intensities["backlighting"].toObject()["percent"].toInt(), 70);
        QCOMPARE(intensities["dimmed"].toObject()["code"].toInt(), 8);
        QCOMPARE(intensities["dimmed"].toObject()["percent"].toInt(), 100);

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        process.setProcessEnvironment(environment);
        for (const char* option : {"--help", "--version"}) {
            process.start(KVR_PANEL, {option});
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 0);
            QVERIFY(process.readAllStandardOutput().contains("kvr-panel"));
        }
    }

    // The sheet of a file and of a panel as read, without a display; a refused file
    // gives exit 3 and no PDF.
    void sheet() {
        QTemporaryDir dir;
        const QString file = save(dir, "LOBBY.kcf", contents(sample_record()));
        PanelSettings settings;
        settings.initial_values = {{0, 37}};
        auto board = panel(settings);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        const auto draw = [&](const QStringList& source, const QString& pdf) {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.start(KVR_PANEL, QStringList{"sheet"} + source + QStringList{"-o", pdf});
            return process.waitForFinished(30000) ? process.exitCode() : -1;
        };
        const auto text_of = [](const QString& pdf) {
            QProcess pdftotext;
            pdftotext.start("pdftotext", {pdf, "-"});
            pdftotext.waitForFinished(10000);
            return QString::fromUtf8(pdftotext.readAllStandardOutput());
        };
        QCOMPARE(draw({file}, dir.filePath("file.pdf")), 0);
        QVERIFY(text_of(dir.filePath("file.pdf")).contains("LOBBY"));
        QCOMPARE(draw({"--port", device(*board), "--name", "BENCH"}, dir.filePath("panel.pdf")), 0);
        const QString panel_sheet = text_of(dir.filePath("panel.pdf"));
        QVERIFY(panel_sheet.contains("BENCH"));
        QVERIFY(panel_sheet.contains("PANEL ON " + device(*board)));
        QVERIFY(panel_sheet.contains("D-8")); // SW1 at 37
        QCOMPARE(draw({save(dir, "bad.kcf", "07-04412")}, dir.filePath("bad.pdf")), 3);
        QVERIFY(!QFile::exists(dir.filePath("bad.pdf")));
    }
};

QTEST_GUILESS_MAIN(TestKvrPanel)
#include "test_kvr_panel.moc"
