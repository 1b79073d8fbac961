// kvr-config's start: what it answers before any window (also without a display), and a
// run that opens the file given and traces the line of the simulated panel.

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "program.h"

namespace {

const QByteArray kLobbyFile =
    "\"07-04410-MDL or 07-04411-MDL\",\"LOBBY\",\"ENTRY\",0,\"HALL\",11,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",159,\"DESIGNATION \",159,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"BACKLIGHT\",23,\"DIMMING\",160,\"NORMAL INDICATOR (%)\",10,"
    "\"NORMAL BACKLIGHTING (%)\",5,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",2\r\n";

} // namespace

class TestProgram : public QObject {
    Q_OBJECT

  private slots:
    void answers_at_start_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display"); // false: none of any kind
        QTest::addColumn<int>("exit_code");
        QTest::addColumn<QString>("output"); // in stdout on success, else stderr's one line
        QTest::newRow("--help") << QStringList{"--help"} << false << 0
                                << QStringLiteral("--trace <FILE>");
        QTest::newRow("-h") << QStringList{"--simulate", "-h"} << false << 0
                            << QStringLiteral("[FILE]");
        QTest::newRow("--version")
            << QStringList{"--version"} << false << 0 << QStringLiteral("kvr-config 1.0");
        QTest::newRow("trace file cannot be created")
            << QStringList{"--trace", "/nonexistent/trace.txt"} << true << 2
            << QStringLiteral("kvr-config: cannot create the trace file /nonexistent/trace.txt: ");
        QTest::newRow("two files")
            << QStringList{"a.kcf", "b.kcf"} << true << 2
            << QStringLiteral("kvr-config: one configuration file at a time");
    }
    void answers_at_start() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, exit_code);
        QFETCH(QString, output);
        int argc = 1;
        char name[] = "test_program";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        QTemporaryDir runtime; // so that Qt has nothing to warn about on stderr
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(variable));
        if (display)
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(KVR_CONFIG), arguments);
        QVERIFY(program.waitForFinished(30000));
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == exit_code, qPrintable(err));
        if (exit_code == 0) {
            QVERIFY2(out.contains(output), qPrintable(out));
        } else {
            QVERIFY2(err.startsWith(output), qPrintable(err));
            QCOMPARE(err.count(u'\n'), 1);
        }
    }

    // Runs last: it starts the real program in this process, with its QApplication.
    void file_opened_and_line_traced() {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("lobby.kcf"));
        const QString trace = folder.filePath(QStringLiteral("trace.txt"));
        QFile kcf(file);
        QVERIFY(kcf.open(QIODevice::WriteOnly) && kcf.write(kLobbyFile) == kLobbyFile.size());
        kcf.close();
        QList<QByteArray> arguments = {"kvr-config", "--simulate", "--trace", trace.toLocal8Bit(),
                                       file.toLocal8Bit()};
        std::vector<char*> argv;
        for (QByteArray& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        int argc = int(arguments.size());

        QString name_before_read, status;
        const int exit_code = run_kvr_config(argc, argv.data(), [&](QWidget* window) {
            QTimer::singleShot(0, window, [&, window] {
                name_before_read = window->findChild<QLineEdit*>("Text2")->text();
                QTest::mouseClick(window->findChild<QPushButton*>("READ_CONFIG"), Qt::LeftButton);
                status = window->findChild<QTextEdit*>("Text1")->toPlainText();
                window->close();
            });
        });
        QCOMPARE(exit_code, 0);
        QCOMPARE(name_before_read, QStringLiteral("LOBBY"));
        QCOMPARE(status, QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));

        QFile traced(trace);
        QVERIFY(traced.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines = QString::fromUtf8(traced.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.takeFirst().startsWith(u'#'));
        const QRegularExpression line(QStringLiteral(
            R"(^ *\d+\.\d{3} /dev/pts/\d+ (tx|rx) [0-9A-F]{2}( [0-9A-F]{2})* \| .+$)"));
        for (const QString& entry : lines)
            QVERIFY2(line.match(entry).hasMatch(), qPrintable(entry));
        QVERIFY(lines.size() >= 2 * 27); // the handshake, the model code, 25 locations
        QVERIFY(lines.first().endsWith(QStringLiteral(" tx 41 | A")));
        QVERIFY(lines[1].endsWith(QStringLiteral(" rx 44 30 30 30 44 | D000D")));
    }
};

int main(int argc, char* argv[]) {
    TestProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_program.moc"
