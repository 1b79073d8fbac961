// What kvr-config and kvr-panel share on the command line: the options both take, accepted
// and refused alike with the same exit code and reason, and standard output's failure, in
// every format either prints.
#include <QTemporaryDir>
#include <QTest>

#include "kvr_panel_process.h"

namespace {

// The program run with standard output to a full disk; its exit code and standard error.
std::pair<int, QString> to_full_disk(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KVR_LOG"), QString());
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) return {-1, QStringLiteral("did not finish")};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace

class TestCommandLines : public QObject {
    Q_OBJECT

  private slots:
    void same_in_both_programs_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("refusal"); // empty: accepted
        const QString excluded = QStringLiteral("exclude each other");
        const QString wait = QStringLiteral("--reply-wait takes milliseconds from 100 to 2000");
        QTest::newRow("log and no log") << QStringList{"--log", "DIR/l.sqlite", "--no-log"}
                                        << "--log and --no-log exclude each other";
        QTest::newRow("port and simulate")
            << QStringList{"--simulate", "--port", "/dev/null"} << excluded;
        QTest::newRow("wait too short") << QStringList{"--simulate", "--reply-wait", "99"} << wait;
        QTest::newRow("wait too long") << QStringList{"--simulate", "--reply-wait", "2001"} << wait;
        QTest::newRow("wait no number") << QStringList{"--simulate", "--reply-wait", "1s"} << wait;
        QTest::newRow("trace twice")
            << QStringList{"--simulate", "--trace", "DIR/a", "--trace", "DIR/b"}
            << "--trace is given twice";
        QTest::newRow("log twice") << QStringList{"--simulate", "--log", "DIR/a", "--log", "DIR/b"}
                                   << "--log is given twice";
        QTest::newRow("two ports") << QStringList{"--port", "/dev/null", "--port", "/dev/zero"}
                                   << "talks to one panel at a time";
        QTest::newRow("longest wait, no log")
            << QStringList{"--simulate", "--reply-wait", "2000", "--no-log"} << QString();
        QTest::newRow("log and trace")
            << QStringList{"--simulate", "--log",        "DIR/l.sqlite", "--trace",
                           "DIR/t.txt",  "--reply-wait", "100"}
            << QString();
    }
    // kvr-panel reads the simulated panel when it accepts; kvr-config, given two files to
    // open, goes on to refuse those, which it checks only once the options are accepted.
    void same_in_both_programs() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        arguments.replaceInStrings(QStringLiteral("DIR"), dir.path());

        const KvrPanelRun panel = kvr_panel(QStringList{"read"} + arguments);
        QProcess config;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        config.setProcessEnvironment(environment);
        config.start(QStringLiteral(KVR_CONFIG), arguments + QStringList{"A.kcf", "B.kcf"});
        QVERIFY(config.waitForFinished(30000));
        const QString config_err = QString::fromLocal8Bit(config.readAllStandardError());

        QCOMPARE(config.exitCode(), 3);
        if (refusal.isEmpty()) {
            QVERIFY2(panel.exit_code == 0, qPrintable(panel.err));
            QCOMPARE(config_err, QStringLiteral("kvr-config: one configuration file at a time\n"));
            return;
        }
        QVERIFY2(panel.exit_code == 3, qPrintable(panel.err));
        QVERIFY2(panel.err.startsWith("kvr-panel: ") && panel.err.contains(refusal),
                 qPrintable(panel.err));
        QVERIFY2(config_err.startsWith("kvr-config: ") && config_err.contains(refusal),
                 qPrintable(config_err));
    }

    // Each format kvr-panel prints, a file written to standard output, and either program's
    // usage: exit 4, said once, however much more was to be printed.
    void standard_output_fails_in_every_format_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        const QString panel = QStringLiteral(KVR_PANEL);
        const QString file = QStringLiteral(KVR_EXAMPLE);
        QTest::newRow("text") << panel << QStringList{"show", file};
        QTest::newRow("JSON") << panel << QStringList{"diff", file, file, "--json"};
        QTest::newRow("JSON lines")
            << panel << QStringList{"write", file, "--simulate=2", "--json-lines"};
        QTest::newRow("CSV") << panel << QStringList{"history", "--log", "LOG", "--csv"};
        QTest::newRow("file") << panel
                              << QStringList{"read", "--simulate", "--name", "P", "-o", "-"};
        QTest::newRow("kvr-panel usage") << panel << QStringList{"write", "--help"};
        QTest::newRow("kvr-config usage") << QStringLiteral(KVR_CONFIG) << QStringList{"--help"};
    }
    void standard_output_fails_in_every_format() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        // History's rows come from a log that holds a write.
        QTemporaryDir dir;
        const QString log = dir.filePath("log.sqlite");
        if (arguments.contains(QStringLiteral("LOG"))) {
            QCOMPARE(kvr_panel({"write", KVR_EXAMPLE, "--simulate", "--log", log}).exit_code, 0);
            arguments.replaceInStrings(QStringLiteral("LOG"), log);
        }
        const auto [exit_code, err] = to_full_disk(program, arguments);
        QVERIFY2(exit_code == 4, qPrintable(err));
        QVERIFY2(err.count(QStringLiteral("could not be written")) == 1, qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestCommandLines)
#include "test_command_lines.moc"
