// kvr-panel and the commissioning log: the entries a gang write leaves, history's formats
// and filters, a log that cannot be written, the sheet's stamp and the handover pack.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "kvr_panel_process.h"
#include "simulator/pty_host.h"

namespace {

using kvr::sim::PanelSettings;
using kvr::sim::PtyHost;

using Run = KvrPanelRun;

QJsonArray array_of(const Run& run, const char* key) {
    return QJsonDocument::fromJson(run.bytes).object()[key].toArray();
}

QString pdf_text(const QString& pdf) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", pdf, "-"});
    pdftotext.waitForFinished(10000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The shipped example, and what a panel holds at locations 0..24 once it is written.
QByteArray lobby_file() {
    QFile file(QStringLiteral(KVR_EXAMPLE));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
const QList<int> kLobbyValues = {20, 21, 22, 23, 24, 25, 26, 27, 28,  29, 20, 21, 22,
                                 23, 24, 25, 26, 27, 28, 29, 31, 160, 5,  10, 2};

QString save(const QString& path, const QByteArray& contents) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size() ? path
                                                                                      : QString();
}

QString hex_sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

class TestKvrPanelLog : public QObject {
    Q_OBJECT
  private slots:
    // A gang of three, one hanging up mid-write: one entry each, committed before the
    // results, with what was programmed, where the failure stopped and what was read back.
    void gangWriteEntriesAndHistory() {
        QTemporaryDir dir;
        const QString file = save(dir.filePath("LOBBY.kcf"), lobby_file());
        const QString log = dir.filePath("log.sqlite");
        PanelSettings hangs_up;
        hangs_up.faults.hang_up_after = 10; // answers up to the read-back of location 3
        std::vector<std::unique_ptr<PtyHost>> panels;
        QStringList arguments{"write", file, "--log", log, "--json"};
        for (const PanelSettings& settings : {PanelSettings(), PanelSettings(), hangs_up}) {
            panels.push_back(std::make_unique<PtyHost>(settings));
            arguments << "--port" << QString::fromStdString(panels.back()->slave_path());
        }
        const Run write = kvr_panel(arguments);
        QCOMPARE(write.exit_code, 2);
        for (const QJsonValue port : array_of(write, "ports"))
            QVERIFY(port.toObject()["logged"].toBool());

        const Run history = kvr_panel({"history", "--log", log, "--json"});
        QCOMPARE(history.exit_code, 0);
        const QJsonArray entries = array_of(history, "entries");
        QCOMPARE(entries.size(), 3);
        QStringList digest_text;
        for (const int value : kLobbyValues)
            digest_text << QString::number(value);
        const QString digest = hex_sha256(digest_text.join(',').toLatin1());
        for (int i = 0; i < 3; ++i) {
            const QString device = QString::fromStdString(panels[std::size_t(i)]->slave_path());
            const auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) {
                return e.toObject()["device"].toString() == device;
            });
            QVERIFY(found != entries.end());
            const QJsonObject entry = found->toObject();
            QVERIFY(entry["program"] == "kvr-panel" && entry["operation"] == "write");
            QCOMPARE(entry["panel_name"].toString(), "LOBBY");
            QCOMPARE(entry["source"].toString(), QFileInfo(file).absoluteFilePath());
            QCOMPARE(entry["source_sha256"].toString(), hex_sha256(lobby_file()));
            QCOMPARE(entry["values_digest"].toString(), digest);
            QList<int> read_back;
            for (const QJsonValue value : entry["read_back"].toArray())
                read_back << value.toInt();
            if (i < 2) {
                QCOMPARE(entry["outcome"].toString(), "programmed and verified");
                QCOMPARE(read_back, kLobbyValues);
                QVERIFY(entry["failure_location"].isNull());
            } else {
                QCOMPARE(entry["outcome"].toString(), "failed");
                QCOMPARE(read_back, kLobbyValues.mid(0, 4));
                QVERIFY(entry["failure_location"] == 4 &&
                        entry["failure_function"] == "SW5 assignment");
                QVERIFY(entry["failure_reason"].toString().contains("BAD SWITCH PANEL DATA"));
            }
        }

        const Run csv = kvr_panel({"history", "--log", log, "--csv"});
        QVERIFY(csv.bytes.startsWith("id,time_utc,program,version,operation,device,adapter,"
                                   "vid_pid,serial_number,panel_name,source,source_sha256,"
                                   "values_digest,outcome,failure_location,failure_function,"
                                   "failure_reason,read_back,duration_ms\r\n"));
        QCOMPARE(csv.bytes.count("\r\n"), 4);
        const Run one = kvr_panel(
            {"history", "--log", log, "--device", QString::fromStdString(panels[2]->slave_path())});
        QVERIFY(one.bytes.count('\n') == 2 && one.bytes.contains("SW5 assignment"));
        const Run later = kvr_panel({"history", "--log", log, "--since", "2999-01-01", "--json"});
        QVERIFY(array_of(later, "entries").isEmpty());
        QCOMPARE(kvr_panel({"history", "--log", log, "--since", "31/05/2024"}).exit_code, 3);
    }

    // A log that cannot be written never fails the operation; an output never replaces it.
    void unwritableLogAndProtectedLog() {
        QTemporaryDir dir;
        const QString file = save(dir.filePath("LOBBY.kcf"), lobby_file());
        const Run write = kvr_panel({"write", file, "--simulate", "--log", dir.path(), "--json"});
        QCOMPARE(write.exit_code, 0);
        QVERIFY(!array_of(write, "ports")[0].toObject()["logged"].toBool());
        QCOMPARE(write.err.count('\n'), 1);
        QVERIFY2(write.err.contains("commissioning log"), qPrintable(write.err));

        const QString log = save(dir.filePath("log.sqlite"), QByteArray());
        const Run sheet = kvr_panel({"sheet", file, "--log", log, "-o", log});
        QCOMPARE(sheet.exit_code, 3);
        QCOMPARE(QFileInfo(log).size(), 0);
    }

    // The pack of a folder with a verified panel and a refused file: --require-verified
    // says the site is not done; the sheet carries the site and the stamp.
    void handoverAndSheetStamp() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("site"));
        const QString file = save(dir.filePath("site/LOBBY.kcf"), lobby_file());
        save(dir.filePath("site/BROKEN.kcf"), "07-04412");
        const QString log = dir.filePath("log.sqlite");
        QCOMPARE(kvr_panel({"write", file, "--simulate", "--log", log}).exit_code, 0);

        const QString pack = dir.filePath("pack.pdf");
        const QStringList handover{"handover", dir.filePath("site"), "-o", pack, "--log", log,
                                   "--site",   "HARBOUR HOUSE"};
        const Run strict = kvr_panel(handover + QStringList{"--require-verified"});
        QCOMPARE(strict.exit_code, 1);
        const QString index = pdf_text(pack);
        QVERIFY2(index.contains("1 programmed and verified, 0 not verified, 1 files refused"),
                 qPrintable(index));
        QVERIFY(index.contains("HARBOUR HOUSE"));
        QVERIFY(strict.bytes.contains("LOBBY.kcf: programmed and verified"));
        QVERIFY(strict.bytes.contains("BROKEN.kcf: refused"));
        QCOMPARE(kvr_panel(handover).exit_code, 0);
        const Run over_input = kvr_panel({"handover", dir.filePath("site"), "-o", file});
        QCOMPARE(over_input.exit_code, 3);
        QVERIFY(over_input.err.contains("would overwrite the input"));

        const QString sheet = dir.filePath("sheet.pdf");
        QCOMPARE(kvr_panel({"sheet", file, "-o", sheet, "--log", log, "--installer", "J. SMITH"})
                     .exit_code,
                 0);
        const QString stamped = pdf_text(sheet);
        QVERIFY(stamped.contains("PROGRAMMED AND VERIFIED") && stamped.contains("J. SMITH"));
        QCOMPARE(kvr_panel({"sheet", file, "-o", sheet, "--no-log"}).exit_code, 0);
        QVERIFY(pdf_text(sheet).contains("NOT YET PROGRAMMED AND VERIFIED"));
    }
};

QTEST_GUILESS_MAIN(TestKvrPanelLog)
#include "test_kvr_panel_log.moc"
