// kvr-panel as scripts use it: outputs that would destroy an input or could not be
// written, Ctrl-C in the middle of a write, the JSON of each subcommand, standard input and
// output, and the port list.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>
#include <sys/stat.h>

#include "files/configuration_file.h"
#include "kvr_panel_process.h"
#include "panel/protocol.h"
#include "simulator/pty_host.h"

namespace {

using kvr::sim::PtyHost;

using Run = KvrPanelRun;

std::unique_ptr<QProcess> start(const QStringList& arguments, const QByteArray& input = {},
                                const QString& stdout_file = {}) {
    return start_kvr_panel(arguments, input, stdout_file);
}
Run finish(QProcess& process) {
    return finish_kvr_panel(process);
}

QJsonObject json_of(const Run& run) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.bytes, &error);
    [&] { QVERIFY2(error.error == QJsonParseError::NoError, run.bytes.constData()); }();
    return document.object();
}

QString device(const PtyHost& panel) {
    return QString::fromStdString(panel.slave_path());
}

QByteArray lobby() {
    kvr::ConfigurationRecord record;
    record.model = "07-04410-MDL or 07-04411-MDL";
    record.panel_name = "LOBBY";
    for (int f = 0; f < 22; ++f)
        record.functions[f] = {"", std::int16_t(f == 5 ? 23 : 160)};
    record.indicator_intensity = {"NORMAL INDICATOR (%)", 10};
    record.backlighting_intensity = {"NORMAL BACKLIGHTING (%)", 5};
    record.dimmed_intensity = {"DIMMED BACKLIGHTING AND INDICATOR (%)", 2};
    return QByteArray::fromStdString(*kvr::write_configuration(record));
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestKvrPanelScripts : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file;

  private slots:
    void initTestCase() {
        file = dir.filePath("LOBBY.kcf");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(lobby()) > 0);
    }

    // An output that is an input by any name, an -o a save would refuse, an option given
    // twice: refused before anything is sent. A result or a trace that cannot be written:
    // exit 4, and the panel still ends properly.
    void outputs_data() {
        QTest::addColumn<QStringList>("arguments"); // FILE, PORT, LINK, DIR stand in
        QTest::addColumn<QString>("stdout_file");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QString>("error");
        const QString same = "would overwrite the input";
        QTest::newRow("sheet over its file")
            << QStringList{"sheet", "FILE", "-o", "DIR/./LOBBY.kcf"} << "" << 3 << same;
        QTest::newRow("trace over the file")
            << QStringList{"write", "FILE", "--port", "PORT", "--trace", "LINK"} << "" << 3 << same;
        QTest::newRow("trace over the port")
            << QStringList{"read", "--port", "PORT", "--trace", "PORT"} << "" << 3 << same;
        QTest::newRow("sheet over the site file")
            << QStringList{"sheet", "FILE", "-o", "DIR/site.json"} << "" << 3 << "site file";
        QTest::newRow("sheet over another configuration")
            << QStringList{"sheet", "FILE", "-o", "DIR/B.kcf"} << "" << 3 << "configuration file";
        QTest::newRow("-o below a file") << QStringList{"sheet", "FILE", "-o", "FILE/sub/x.pdf"}
                                         << "" << 3 << "LOBBY.kcf is not a folder";
        QTest::newRow("import to standard output")
            << QStringList{"import", "FILE", "-o", "-"} << "" << 3 << "cannot take a folder";
        QTest::newRow("import of nothing")
            << QStringList{"import", "DIR/none.csv", "-o", "DIR/site"} << "" << 3
            << "none.csv: it does not exist";
        QTest::newRow("import of a FIFO")
            << QStringList{"import", "DIR/fifo", "-o", "DIR/site"} << "" << 3 << "is a FIFO";
        QTest::newRow("history of a log that loops")
            << QStringList{"history", "--log", "DIR/loop"} << "" << 3 << "cannot be read";
        QTest::newRow("-o and trace alike")
            << QStringList{"read", "--port", "PORT", "-o", "DIR/x.kcf", "--trace", "DIR/x.kcf"}
            << "" << 3 << "same file";
        QTest::newRow("port by its link")
            << QStringList{"write", "FILE", "--port", "PORT", "--port", "PORTLINK"} << "" << 3
            << "named twice";
        QTest::newRow("-o empty") << QStringList{"read", "--port", "PORT", "-o", ""} << "" << 3
                                  << "-o needs a file name";
        QTest::newRow("-o in no folder")
            << QStringList{"read", "--port", "PORT", "-o", "DIR/none/x.kcf"} << "" << 3
            << "does not exist";
        QTest::newRow("-o name too long")
            << QStringList{"read", "--port", "PORT", "-o", "DIR/" + QString(300, 'x')} << "" << 3
            << "longer than";
        QTest::newRow("two -o") << QStringList{"read",      "--port",   "PORT",     "-o",
                                               "DIR/a.kcf", "--output", "DIR/b.kcf"}
                                << "" << 3 << "given twice";
        QTest::newRow("simulate twice")
            << QStringList{"write", "FILE", "--simulate", "--simulate=2"} << "" << 3
            << "given twice";
        QTest::newRow("stdin twice") << QStringList{"diff", "-", "-"} << "" << 3 << "only once";
        QTest::newRow("trace to a pipe nobody reads")
            << QStringList{"write", "FILE", "--port", "PORT", "--trace", "DIR/fifo"} << "" << 3
            << "nobody reading";
        QTest::newRow("show to a full disk")
            << QStringList{"show", "FILE"} << "/dev/full" << 4 << "could not be written";
        QTest::newRow("diff to a full disk")
            << QStringList{"diff", "FILE", "FILE"} << "/dev/full" << 4 << "could not be written";
        QTest::newRow("trace to a full disk")
            << QStringList{"write", "FILE", "--port", "PORT", "--trace", "/dev/full"} << "" << 4
            << "stopped being written";
    }
    void outputs() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, stdout_file);
        QFETCH(int, exit_code);
        QFETCH(QString, error);
        PtyHost panel;
        const QString link = dir.filePath("link.kcf");
        const QString port_link = dir.filePath("port-link");
        QFile::remove(link);
        QFile::remove(port_link);
        QVERIFY(QFile::link(file, link) && QFile::link(device(panel), port_link));
        QFile::link(dir.filePath("loop"), dir.filePath("loop")); // leads back to itself
        const QString fifo = dir.filePath("fifo");
        if (!QFile::exists(fifo)) QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        arguments.replaceInStrings("PORTLINK", port_link);
        arguments.replaceInStrings("PORT", device(panel));
        arguments.replaceInStrings("FILE", file);
        arguments.replaceInStrings("LINK", link);
        arguments.replaceInStrings("DIR", dir.path());

        const Run run = finish(*start(arguments, {}, stdout_file));
        QCOMPARE(run.exit_code, exit_code);
        QVERIFY2(run.err.contains(error), qPrintable(run.err));
        QCOMPARE(contents(file), lobby());
        if (exit_code == 3) QVERIFY(panel.transcript().empty());
        if (arguments.contains("/dev/full")) QCOMPARE(panel.locations()[5], 23); // programmed
    }

    // Ctrl-C mid-write: each panel stops after a whole transaction and says where; the
    // progress lines (none here: not a terminal) leave standard output to the results.
    void interrupted_write() {
        std::vector<std::unique_ptr<PtyHost>> panels;
        QStringList arguments{"write", file};
        for (int i = 0; i < 3; ++i) {
            panels.push_back(std::make_unique<PtyHost>());
            arguments << "--port" << device(*panels.back());
        }
        auto process = start(arguments);
        QVERIFY(panels[0]->wait_for_transcript(20, std::chrono::seconds(10)));
        ::kill(pid_t(process->processId()), SIGINT);
        const Run run = finish(*process);
        QCOMPARE(run.exit_code, 130);
        const QStringList lines = QString::fromUtf8(run.bytes).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const auto transcript = panels[i]->transcript();
            // The last command was a read-back, answered: no command was cut in half.
            QVERIFY(transcript.back().direction == kvr::sim::Direction::sent);
            const std::string last = std::prev(transcript.end(), 2)->bytes;
            QCOMPARE(last.front(), 'V');
            const int next = static_cast<unsigned char>(last[2]) + 1;
            QCOMPARE(lines[i], device(*panels[i]) + QStringLiteral(": INTERRUPTED AT LOCATION %1 - "
                                                                   "THE PANEL IS PARTLY PROGRAMMED")
                                                        .arg(next));
        }
        QVERIFY(run.err.contains("stopped by SIGINT"));
    }

    // Every subcommand's --json parsed back; the panels run side by side.
    void json_documents() {
        PtyHost held, plain;
        held.set_location(5, 7);
        kvr::sim::PanelSettings wrong;
        wrong.model_code = 71;
        PtyHost refused(wrong);
        auto write = start({"write", file, "--simulate=2", "--json"});
        auto verify =
            start({"verify", file, "--port", device(held), "--port", device(refused), "--json"});
        auto read = start({"read", "--port", device(plain), "--json"});
        const QJsonObject diff = json_of(
            kvr_panel({"diff", file, "-", "--json"}, QByteArray(lobby()).replace("LOBBY", "HALL")));
        QCOMPARE(diff["version"].toInt(), 1);
        QCOMPARE(diff["matches"].toBool(), false);
        const QJsonObject name = diff["differences"].toArray()[0].toObject();
        QCOMPARE(name["function"].toString(), "panel name");
        QCOMPARE(name["second"].toString(), "HALL");

        const QJsonArray written = json_of(finish(*write))["ports"].toArray();
        QCOMPARE(written.size(), 2);
        QCOMPARE(written[1]["device"].toString(), "SIMULATED PANEL 2");
        QCOMPARE(written[1]["outcome"].toString(), "succeeded");
        QCOMPARE(written[1]["values"].toArray().size(), 25);
        QCOMPARE(written[1]["values"][5]["value"].toInt(), 23);

        const Run verified = finish(*verify);
        QCOMPARE(verified.exit_code, 2);
        const QJsonArray ports = json_of(verified)["ports"].toArray();
        QCOMPARE(ports[0]["matches"].toBool(), false);
        const QJsonObject sw6 = ports[0]["differences"][0].toObject();
        QCOMPARE(sw6["function"].toString(), "SW6");
        QCOMPARE(sw6["file"]["module"].toString(), "C");
        QCOMPARE(sw6["panel"]["code"].toInt(), 7);
        QCOMPARE(ports[1]["outcome"].toString(), "mismatch");
        QCOMPARE(ports[1]["model_code"].toInt(), 71);
        QVERIFY(ports[1]["matches"].isNull());

        const QJsonObject port = json_of(finish(*read))["ports"][0].toObject();
        QCOMPARE(port["outcome"].toString(), "succeeded");
        QCOMPARE(port["configuration"]["functions"].toArray().size(), 22);

        const QString pdf = dir.filePath("sheet.pdf");
        const QJsonObject sheet = json_of(kvr_panel({"sheet", file, "-o", pdf, "--json"}));
        QCOMPARE(sheet["sheet"].toString(), pdf);
    }

    // --json-lines: one object a line, each the moment its port finishes, so a silent
    // panel's comes while the other is still being programmed.
    void json_lines() {
        kvr::sim::PanelSettings silent;
        silent.faults.silent = true;
        PtyHost good, quiet(silent);
        auto process = start({"write", file, "--port", device(good), "--port", device(quiet),
                              "--json-lines", "--reply-wait", "150"});
        QVERIFY(process->waitForReadyRead(10000));
        const QByteArray first = process->readLine();
        QCOMPARE(process->state(), QProcess::Running);
        const Run run = finish(*process);
        QCOMPARE(run.exit_code, 2);
        QList<QJsonObject> lines;
        for (const QByteArray& line : (first + run.bytes).split('\n'))
            if (!line.isEmpty()) lines.append(QJsonDocument::fromJson(line).object());
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0]["device"].toString(), device(quiet));
        QCOMPARE(lines[0]["outcome"].toString(), "no_response");
        QCOMPARE(lines[1]["device"].toString(), device(good));
        QCOMPARE(lines[1]["outcome"].toString(), "succeeded");
        QCOMPARE(lines[1]["values"].toArray().size(), 25);
        for (const QJsonObject& line : lines) {
            QCOMPARE(line["version"].toInt(), 1);
            QCOMPARE(line["command"].toString(), "write");
        }
        // Six waits of 150 ms each: the reply wait reaches the handshake too.
        const auto attentions = quiet.transcript();
        QCOMPARE(attentions.size(), std::size_t{6});
        QVERIFY(attentions.back().time - attentions.front().time >= std::chrono::milliseconds(750));
    }

    // A reader that goes away (| head -n 1) is an output failure like a full disk: every
    // panel still ends its write whole and is logged, and the exit code says so.
    void closed_standard_output() {
        const QString log = dir.filePath("closed.sqlite");
        QProcess shell;
        shell.start("bash", {"-c", "\"$0\" \"$@\" | true; exit ${PIPESTATUS[0]}", KVR_PANEL,
                             "write", file, "--simulate=3", "--json-lines", "--log", log});
        QVERIFY(shell.waitForFinished(30000));
        QCOMPARE(shell.exitCode(), 4);
        const QString err = QString::fromUtf8(shell.readAllStandardError());
        QCOMPARE(err.count("could not be written to standard output: Broken pipe"), 1);
        const QJsonArray entries =
            json_of(finish(*start({"history", "--log", log, "--json"})))["entries"].toArray();
        QCOMPARE(entries.size(), 3);
        for (const QJsonValue& entry : entries) {
            QCOMPARE(entry["outcome"].toString(), "programmed and verified");
            QCOMPARE(entry["read_back"].toArray().size(), 25);
        }
    }

    // A fixture: a panel programmed, taken out, another put in and programmed; while none
    // answers, only attention characters, at most one each 500 ms. Ctrl-C while it waits
    // ends it with the summary, each panel logged.
    void fixture_panel_after_panel() {
        kvr::sim::PanelSettings comes_and_goes;
        // A call and its model code, the handshake, the write.
        comes_and_goes.faults.unplug_after = 2 + 2 + 50;
        comes_and_goes.faults.unplugged_for = std::chrono::milliseconds(1500);
        PtyHost panel(comes_and_goes);
        const QString log = dir.filePath("fixture.sqlite");
        auto process = start(
            {"write", file, "--port", device(panel), "--watch", "--json-lines", "--log", log});
        QList<QJsonObject> results;
        while (results.size() < 2 && process->waitForReadyRead(20000))
            while (process->canReadLine())
                results.append(QJsonDocument::fromJson(process->readLine()).object());
        QCOMPARE(results.size(), 2);
        ::kill(pid_t(process->processId()), SIGINT);
        const Run run = finish(*process);
        QCOMPARE(run.exit_code, 0);
        for (const QJsonObject& result : results) {
            QCOMPARE(result["outcome"].toString(), "succeeded");
            QVERIFY(result["logged"].toBool());
        }
        const QJsonObject summary = QJsonDocument::fromJson(run.bytes.trimmed()).object();
        QCOMPARE(summary["summary"][0]["programmed"].toInt(), 2);
        QCOMPARE(summary["summary"][0]["failed"].toInt(), 0);
        QCOMPARE(panel.locations()[5], 23);
        const Run history = kvr_panel({"history", "--log", log, "--json"});
        QCOMPARE(json_of(history)["entries"].toArray().size(), 2);

        // Between the two panels: nothing but "A", never twice within 500 ms.
        std::vector<kvr::sim::Timestamp> calls;
        bool between = false;
        for (const auto& entry : panel.transcript()) {
            if (entry.direction != kvr::sim::Direction::received) continue;
            if (entry.bytes == kvr::read_command(24)) between = true;
            if (between && entry.bytes == kvr::read_command(63)) break; // the next panel
            if (between && entry.bytes == "A") calls.push_back(entry.time);
            QVERIFY(!between || entry.bytes == "A" || entry.bytes == kvr::read_command(24));
        }
        QVERIFY(calls.size() >= 3);
        for (std::size_t i = 1; i + 1 < calls.size(); ++i) // the last is the handshake's own
            QVERIFY(calls[i] - calls[i - 1] >= std::chrono::milliseconds(450));
    }

    // A fixture on a port named by a link, as /dev/serial/by-id names an adapter: a panel
    // exchanged for another without the line going quiet is noticed by what it holds, and
    // the adapter pulled (the pseudo-terminal gone) and plugged in again (another one behind
    // the same name) is opened again. Every panel is programmed, none claimed that was not.
    void fixture_port_pulled_and_plugged_in() {
        const QString link = dir.filePath("usb-KVR_adapter-if00-port0");
        auto panel = std::make_unique<PtyHost>();
        const auto plug_in = [&] { QVERIFY(QFile::link(device(*panel), link)); };
        plug_in();
        const QString log = dir.filePath("replugged.sqlite");
        auto process =
            start({"write", file, "--port", link, "--watch", "--json-lines", "--log", log});
        int programmed = 0;
        const auto next_result = [&] {
            QByteArray line;
            while (!process->canReadLine() && process->waitForReadyRead(20000)) {
            }
            line = process->readLine();
            const QJsonObject result = QJsonDocument::fromJson(line).object();
            QVERIFY2(result["outcome"].toString() == "succeeded", line.constData());
            QVERIFY(result["logged"].toBool());
            QCOMPARE(panel->location(5), 23);
            ++programmed;
        };
        next_result();
        panel->set_location(5, 160); // another panel, put in while the fixture was reading
        next_result();
        for (int cycle = 0; cycle < 3; ++cycle) {
            panel.reset();
            QFile::remove(link);
            QTest::qWait(cycle == 0 ? 300 : 1200); // quicker and slower than a removal is noticed
            panel = std::make_unique<PtyHost>();
            plug_in();
            next_result();
        }
        ::kill(pid_t(process->processId()), SIGINT);
        const Run run = finish(*process);
        QCOMPARE(run.exit_code, 0);
        const QJsonObject summary = QJsonDocument::fromJson(run.bytes.trimmed()).object();
        QCOMPARE(summary["summary"][0]["programmed"].toInt(), programmed);
        QCOMPARE(summary["summary"][0]["failed"].toInt(), 0);
        const Run history = kvr_panel({"history", "--log", log, "--json"});
        QCOMPARE(json_of(history)["entries"].toArray().size(), programmed);
    }

    // "-" is standard input for a file and standard output for -o.
    void standard_streams() {
        PtyHost panel;
        const Run read = kvr_panel({"read", "--port", device(panel), "--name", "BENCH", "-o", "-"});
        QCOMPARE(read.exit_code, 0);
        QVERIFY(read.bytes.startsWith("\"07-04410-MDL or 07-04411-MDL\",\"BENCH\","));
        const Run shown = kvr_panel({"show", "-"}, read.bytes);
        QCOMPARE(shown.exit_code, 0);
        QVERIFY(shown.bytes.startsWith("PANEL NAME  BENCH\n"));
        const Run written = kvr_panel({"write", "-", "--port", device(panel)}, lobby());
        QCOMPARE(written.exit_code, 0);
        QCOMPARE(panel.locations()[5], 23);
        const Run sheet = kvr_panel({"sheet", "-", "-o", "-"}, lobby());
        QCOMPARE(sheet.exit_code, 0);
        QVERIFY(sheet.bytes.startsWith("%PDF-"));
        QVERIFY2(sheet.err.isEmpty(), qPrintable(sheet.err)); // no word from Qt either
    }

    // A pseudo-terminal named is described and may be opened; without one, the list is the
    // ports present, or says there are none.
    void ports() {
        PtyHost panel;
        const QJsonArray listed =
            json_of(kvr_panel({"ports", "--port", device(panel), "--json"}))["ports"].toArray();
        const QJsonObject pty = listed.last().toObject();
        QCOMPARE(pty["device"].toString(), device(panel));
        QVERIFY(pty["present"].toBool() && pty["may_open"].toBool());
        QVERIFY(pty["advice"].isNull() && pty["by_id"].toArray().isEmpty());

        // --probe: a panel and its model code, a silent port called only with "A".
        kvr::sim::PanelSettings silent;
        silent.faults.silent = true;
        PtyHost quiet(silent);
        const Run probe = kvr_panel(
            {"ports", "--probe", "--port", device(panel), "--port", device(quiet), "--json"});
        QCOMPARE(probe.exit_code, 0);
        const QJsonArray probed = json_of(probe)["ports"].toArray();
        QCOMPARE(probed[0]["state"].toString(), "panel");
        QCOMPARE(probed[0]["model_code"].toInt(), 70);
        QCOMPARE(probed[1]["state"].toString(), "no_answer");
        QVERIFY(probed[1]["model_code"].isNull());
        for (const auto& entry : quiet.transcript())
            QCOMPARE(entry.bytes, "A");
        QCOMPARE(panel.transcript().size(), std::size_t{4}); // "A", "D000D", model code, reply

        const QJsonArray present = json_of(kvr_panel({"ports", "--json"}))["ports"].toArray();
        const Run text = kvr_panel({"ports"});
        QCOMPARE(text.exit_code, 0);
        if (present.isEmpty()) QCOMPARE(text.bytes, "no serial port is present\n");
        for (const QJsonValue& port : present) {
            QVERIFY(port["present"].toBool());
            QVERIFY(text.bytes.contains(port["device"].toString().toUtf8()));
        }
    }
};

QTEST_GUILESS_MAIN(TestKvrPanelScripts)
#include "test_kvr_panel_scripts.moc"
