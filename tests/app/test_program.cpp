// kvr-config's start: what it answers before any window (without a display too), and a run
// in this process that traces the line of the simulated panel.

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "program.h"
#include "records/commissioning_log.h"

class TestProgram : public QObject {
    Q_OBJECT

  private slots:
    void answers_at_start_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QString>("output"); // in stdout on success, else stderr's one line
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "--trace <FILE>";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "kvr-config 1.0";
        QTest::newRow("trace file cannot be created")
            << QStringList{"-platform", "offscreen", "--trace", "/nonexistent/trace.txt"} << 3
            << "kvr-config: cannot create the trace file /nonexistent/trace.txt: ";
        QTest::newRow("unknown option, no display")
            << QStringList{"--fast"} << 3 << "kvr-config: Unknown option 'fast'.";
    }
    void answers_at_start() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exit_code);
        QFETCH(QString, output);
        int argc = 1;
        char* argv[] = {qstrdup("test_program"), nullptr};
        QCoreApplication app(argc, argv);
        QTemporaryDir runtime; // so that Qt has nothing to say on stderr
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(variable));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KVR_CONFIG), arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(program.exitCode() == exit_code, qPrintable(err));
        if (exit_code == 0)
            QVERIFY(QString::fromLocal8Bit(program.readAllStandardOutput()).contains(output));
        else
            QVERIFY2(err.startsWith(output) && (err.count(u'\n') == 1) != err.contains("Usage:"),
                     qPrintable(err));
        delete[] argv[0];
    }

    // The trace would empty the file to open: refused, by another name too.
    void trace_over_the_file() {
        int argc = 1;
        char name[] = "test_program";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("T5.kcf"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write("kept") == 4);
        out.close();
        QProcess program;
        program.setWorkingDirectory(folder.path());
        program.start(QStringLiteral(KVR_CONFIG),
                      {"-platform", "offscreen", "--trace", "./T5.kcf", file});
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), 3);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), QByteArray("kept"));
    }

    // Runs last: it starts the real program in this process, with its QApplication.
    void trace_of_a_read() {
        QTemporaryDir folder;
        QByteArray trace = folder.filePath(QStringLiteral("trace.txt")).toLocal8Bit();
        QByteArray log = folder.filePath(QStringLiteral("log.sqlite")).toLocal8Bit();
        char* argv[] = {qstrdup("kvr-config"),
                        qstrdup("--simulate"),
                        qstrdup("--trace"),
                        trace.data(),
                        qstrdup("--log"),
                        log.data(),
                        nullptr};
        int argc = 6;
        const int exit_code = run_kvr_config(argc, argv, [](QWidget* window) {
            QTimer::singleShot(0, window, [window] {
                QTest::mouseClick(window->findChild<QPushButton*>("READ_CONFIG"), Qt::LeftButton);
                window->close();
            });
        });
        for (int i : {0, 1, 2, 4})
            delete[] argv[i];
        QCOMPARE(exit_code, 0);
        kvr::records::CommissioningLog commissioning(QString::fromLocal8Bit(log));
        const auto entries = commissioning.entries({}).entries;
        QCOMPARE(entries.size(), 1u);
        QCOMPARE(entries[0].outcome, kvr::records::RecordOutcome::read);

        QFile traced(QString::fromLocal8Bit(trace));
        QVERIFY(traced.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines = QString::fromUtf8(traced.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.takeFirst().startsWith(u'#'));
        QVERIFY(lines.size() >= 2 * (1 + 1 + 25)); // handshake, model code, 25 locations
        const QRegularExpression line(QStringLiteral(
            R"(^ *\d+\.\d{3} /dev/pts/\d+ (tx|rx) [0-9A-F]{2}( [0-9A-F]{2})* \| .+$)"));
        for (const QString& entry : lines)
            QVERIFY2(line.match(entry).hasMatch(), qPrintable(entry));
        QVERIFY(lines[0].endsWith(QStringLiteral(" tx 41 | A")));
        QVERIFY(lines[1].endsWith(QStringLiteral(" rx 44 30 30 30 44 | D000D")));
    }
};

int main(int argc, char* argv[]) {
    TestProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_program.moc"
