// The options kvr-config and kvr-panel both take: the same combinations accepted and refused
// by both, with the same exit code and the same reason.
#include <QTemporaryDir>
#include <QTest>

#include "kvr_panel_process.h"

class TestSharedOptions : public QObject {
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
            << QStringList{"--simulate", "--log", "DIR/l.sqlite", "--trace", "DIR/t.txt",
                           "--reply-wait", "100"}
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
};

QTEST_GUILESS_MAIN(TestSharedOptions)
#include "test_shared_options.moc"
