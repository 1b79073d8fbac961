// Opening and saving through the real window, with real files in a temporary folder and
// scripted file dialogs.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/configuration_file_io.h"
#include "form1.h"
#include "scripted_dialogs.h"

namespace {

const QByteArray kExampleFile =
    "\"07-04410-MDL or 07-04411-MDL\",\"LOBBY\",\"ENTRY\",0,\"HALL\",11,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",159,\"DESIGNATION \",159,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"DESIGNATION \",160,\"DESIGNATION \",160,"
    "\"BACKLIGHT\",23,\"DIMMING\",160,\"NORMAL INDICATOR (%)\",10,"
    "\"NORMAL BACKLIGHTING (%)\",5,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",2\r\n";

const QString kRefusedText =
    QStringLiteral("AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
                   "WAS NOT CREATED FOR THE 07-04412-(MDL)\n"
                   "-------------THE FILE READ OPERATION IS BEING ABANDONED!--------------");

// Everything an open may change, to compare before and after a refused file.
struct WindowState {
    QList<int> rows;
    QStringList texts;
    QList<int> codes;
    bool operator==(const WindowState&) const = default;
};

} // namespace

class TestFileOperations : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    QListWidget* list(int n) {
        return form->findChild<QListWidget*>(QStringLiteral("List%1").arg(n));
    }
    QLineEdit* text(int n) { return form->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }
    QTextEdit* status() { return form->findChild<QTextEdit*>("Text1"); }
    QString path(const char* name) { return folder->filePath(QString::fromLatin1(name)); }

    void click(const char* button) {
        QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    void save_as(const QString& file) {
        dialogs.file_answers.push_back(file);
        click("WRITE_FILE");
    }
    // Over unsaved work, what the window showed is discarded.
    void open(const QString& file) {
        dialogs.answers = {1};
        dialogs.file_answers.push_back(file);
        click("READ_FILE");
    }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void select(int module_list, int module_row, int channel_row) {
        list(module_list)->setCurrentRow(module_row);
        list(module_list + 1)->setCurrentRow(channel_row);
    }
    // The configuration of the file format's example: LOBBY.
    void configure_example() {
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
        text(2)->setText(QStringLiteral("LOBBY"));
        text(3)->setText(QStringLiteral("ENTRY"));
        text(4)->setText(QStringLiteral("HALL"));
        select(1, 1, 0);            // SW1 A 1
        select(3, 2, 1);            // SW2 B 2
        select(21, 16, 9);          // LED1 P 10
        select(23, 16, 9);          // LED2 P 10
        select(41, 3, 3);           // backlighting C 4
        list(45)->setCurrentRow(3); // backlighting 70 %
        list(46)->setCurrentRow(6); // dimmed 40 %
    }
    WindowState state() {
        WindowState s;
        for (auto* l : form->findChildren<QListWidget*>())
            s.rows << l->currentRow();
        for (auto* t : form->findChildren<QLineEdit*>())
            s.texts << t->text();
        for (int f = 0; f < kvr::kFunctionCount; ++f)
            s.codes << form->functions[f].live << form->functions[f].write;
        s.codes << form->blpercent << form->indpercent << form->dindpercent;
        return s;
    }

  private slots:
    void init() {
        folder = std::make_unique<QTemporaryDir>();
        dialogs = ScriptedDialogs();
        form = std::make_unique<Form1>(dialogs);
    }
    void cleanup() { form.reset(); }

    void save_writes_the_file_byte_for_byte_and_open_restores_it() {
        configure_example();
        form->Option2_Click();
        save_as(path("lobby.kcf"));
        QCOMPARE(dialogs.file_requests.size(), 1u);
        const FileDialogState shown = dialogs.file_requests[0].shown;
        QVERIFY(dialogs.file_requests[0].save);
        QCOMPARE(shown.file_name, QStringLiteral("LOBBY.kcf"));
        QCOMPARE(shown.title, QStringLiteral("WRITE CONFIGURATION FILE"));
        QCOMPARE(shown.filter, QStringLiteral("CORVANTA CONFIGURATION FILES (*.kcf)|*.kcf"));
        QCOMPARE(contents(path("lobby.kcf")), kExampleFile);
        QVERIFY(dialogs.messages.empty());
        QVERIFY(status()->isHidden());
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked());

        // The open dialog starts with the path just saved, in this window.
        open(path("lobby.kcf"));
        QCOMPARE(dialogs.file_requests[1].shown.file_name, path("lobby.kcf"));
        QCOMPARE(dialogs.file_requests[1].shown.title, QStringLiteral("READ CONFIGURATION FILE"));

        // A fresh window restores every value.
        form = std::make_unique<Form1>(dialogs);
        form->Option2_Click();
        open(path("lobby.kcf"));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(text(2)->text(), QStringLiteral("LOBBY"));
        QCOMPARE(text(3)->text(), QStringLiteral("ENTRY"));
        QCOMPARE(text(4)->text(), QStringLiteral("HALL"));
        QCOMPARE(text(5)->text(), QStringLiteral("DESIGNATION "));
        QCOMPARE(list(1)->currentRow(), 1);
        QCOMPARE(list(2)->currentRow(), 0);
        QCOMPARE(list(3)->currentRow(), 2);
        QCOMPARE(list(4)->currentRow(), 1);
        QCOMPARE(list(21)->currentRow(), 16);
        QCOMPARE(list(22)->currentRow(), 9);
        QCOMPARE(list(41)->currentRow(), 3);
        QCOMPARE(list(42)->currentRow(), 3);
        QCOMPARE(list(43)->currentRow(), 0);
        QCOMPARE(list(49)->currentRow(), 0);
        QCOMPARE(list(45)->currentRow(), 3);
        QCOMPARE(list(46)->currentRow(), 6);
        QCOMPARE(form->blpercent, 5);
        QCOMPARE(form->dindpercent, 2);
        QCOMPARE(form->functions[1].live, 11);
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked());
        QVERIFY(list(6)->isHidden()); // SW3 at "N/A": its channel list is hidden
        QVERIFY(!text(3)->isHidden());

        // Saved again, the same bytes.
        save_as(path("again.kcf"));
        QCOMPARE(contents(path("again.kcf")), kExampleFile);
    }

    void awkward_texts_and_every_code_round_trip() {
        configure_example();
        for (int f = 0; f < 20; ++f) {
            const int module = 2 * f + 1;
            select(module, 1 + (f * 3) % 16, f % 10);
        }
        text(5)->setText(QStringLiteral("STAIRS, NORTH"));
        text(6)->setText(QString());
        text(7)->setText(QStringLiteral("Café € ÿ"));
        text(22)->setText(QStringLiteral("  BLANKS  "));
        text(2)->setText(QStringLiteral("Ü-NAME"));
        list(49)->setCurrentRow(1);
        list(45)->setCurrentRow(2);
        QCOMPARE(list(45)->currentRow(), 2);
        save_as(path("awkward.kcf"));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(contents(path("awkward.kcf")).count(','), 51 + 1); // one inside a text
        QVERIFY(contents(path("awkward.kcf")).contains("\"Caf\xe9 \x80 \xff\""));
        const WindowState saved = state();

        form = std::make_unique<Form1>(dialogs);
        open(path("awkward.kcf"));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(state().texts, saved.texts);
        QCOMPARE(list(41)->currentRow(), 3);
        QCOMPARE(list(42)->currentRow(), 3);
        QCOMPARE(list(49)->currentRow(), 1);
        QCOMPARE(list(45)->currentRow(), 2);
        QCOMPARE(form->indpercent, 7);
        QCOMPARE(form->blpercent, 6);
        for (int f = 0; f < 20; ++f) {
            QCOMPARE(list(2 * f + 1)->currentRow(), 1 + (f * 3) % 16);
            QCOMPARE(list(2 * f + 2)->currentRow(), f % 10);
        }
    }

    void refused_files_change_nothing() {
        configure_example();
        save_as(path("good.kcf"));
        const QByteArray good = contents(path("good.kcf"));
        QByteArray fifty_one = good;
        fifty_one.truncate(fifty_one.lastIndexOf(','));
        const std::pair<const char*, QByteArray> refused[] = {
            {"tag.kcf", QByteArray(good).replace("07-04410-MDL or", "07-04410-mdl or")},
            {"blank.kcf", QByteArray(good).replace("07-04411-MDL\"", "07-04411-MDL \"")},
            {"short.kcf", fifty_one + "\r\n"},
            {"large.kcf", QByteArray(good).replace("\"HALL\",11", "\"HALL\",70000")},
            {"negative.kcf", QByteArray(good).replace("\"HALL\",11", "\"HALL\",-5")},
        };
        // A different configuration on the window, with intensity codes of its own.
        select(1, 5, 5);
        text(2)->setText(QStringLiteral("OTHER"));
        list(49)->setCurrentRow(2);
        list(45)->setCurrentRow(4);
        const WindowState before = state();
        for (const auto& [name, bytes] : refused) {
            write(path(name), bytes);
            dialogs.messages.clear();
            open(path(name));
            QCOMPARE(dialogs.messages.size(), 1u);
            // The fixed text, then the file and why, as kvr-panel show says it.
            const auto reason =
                std::get<kvr::NotAConfigurationFile>(kvr::read_configuration_file(path(name)));
            QCOMPARE(dialogs.messages[0].text,
                     kRefusedText + "\n\n" + path(name) + '\n' + reason.reason);
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("FILE/MODEL MIS-MATCH"));
            QVERIFY2(state() == before, name);
        }
        // A path that cannot be read as a file says so, with the path, and never waits: a
        // pipe without a writer or a terminal would hold a plain open or read for good.
        QCOMPARE(mkfifo(QFile::encodeName(path("pipe.kcf")), 0600), 0);
        alarm(60); // a hang fails the test rather than stalling the run
        for (const QString& unreadable :
             {path("missing.kcf"), folder->path(), path("pipe.kcf"), QStringLiteral("/dev/ptmx")}) {
            dialogs.messages.clear();
            open(unreadable);
            QCOMPARE(dialogs.messages.size(), 1u);
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("FILE NOT OPENED"));
            QVERIFY(dialogs.messages[0].text.contains(QDir::toNativeSeparators(unreadable)));
            QVERIFY(state() == before);
        }
        alarm(0);

        // Cancelling either dialog changes nothing on the window and writes no file; the
        // save has collected the write values before its dialog opened.
        dialogs.messages.clear();
        dialogs.file_answers.push_back(std::nullopt);
        click("READ_FILE");
        QVERIFY(state() == before);
        dialogs.file_answers.push_back(std::nullopt);
        click("WRITE_FILE");
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(state().rows, before.rows);
        QCOMPARE(state().texts, before.texts);
        QCOMPARE(QDir(folder->path()).entryList(QDir::Files).size(), 6);
    }

    // A file given on the command line is checked and applied as one chosen in the dialog.
    void file_given_at_start() {
        write(path("lobby.kcf"), kExampleFile);
        write(path("refused.kcf"), QByteArray(kExampleFile).replace("MDL or", "mdl or"));
        const WindowState before = state();
        form->open_configuration_file(path("refused.kcf"));
        QCOMPARE(dialogs.messages.size(), 1u);
        QVERIFY(dialogs.messages[0].text.startsWith(kRefusedText));
        QVERIFY(state() == before);

        form->open_configuration_file(path("lobby.kcf"));
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(text(2)->text(), QStringLiteral("LOBBY"));
        QCOMPARE(list(1)->currentRow(), 1); // SW1 on module A
        QVERIFY(dialogs.file_requests.empty());
    }

    void codes_that_are_not_plain_assignments() {
        configure_example();
        save_as(path("base.kcf"));
        QByteArray bytes = contents(path("base.kcf"));
        bytes.replace("\"ENTRY\",0,\"HALL\",11,", "\"ENTRY\",23,\"HALL\",160,");
        bytes.replace("\"DESIGNATION \",160,\"DESIGNATION \",160,",
                      "\"DESIGNATION \",200,\"DESIGNATION \",-1,"); // SW3, SW4
        bytes.replace("\"NORMAL INDICATOR (%)\",10", "\"NORMAL INDICATOR (%)\",8");
        write(path("codes.kcf"), bytes);
        form = std::make_unique<Form1>(dialogs);
        open(path("codes.kcf"));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(list(1)->currentRow(), 3);
        QCOMPARE(list(2)->currentRow(), 3);
        QCOMPARE(list(3)->currentRow(), 0);
        QCOMPARE(list(4)->currentRow(), 3); // the channel left by SW1's split
        QVERIFY(list(4)->isHidden());
        QCOMPARE(list(5)->currentRow(), 0); // 200 is "N/A" like 160
        QCOMPARE(list(7)->currentRow(), 1); // -1: module A, no channel
        QCOMPARE(list(8)->currentRow(), -1);
        QCOMPARE(list(49)->currentRow(), 0);
        QCOMPARE(form->indpercent, 10);
    }

    void incomplete_selections_and_missing_name() {
        save_as(path("never.kcf"));
        QVERIFY(!status()->isHidden());
        QCOMPARE(
            status()->toPlainText(),
            QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA"));
        QCOMPARE(status()->palette().color(QPalette::Base), QColor(255, 0, 0));

        for (int n = 1; n <= 19; n += 2)
            list(n)->setCurrentRow(0);
        click("WRITE_FILE");
        QCOMPARE(status()->toPlainText(),
                 QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING "
                                "BEFORE WRITING DATA"));

        for (int n = 21; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
        form->Option2_Click();
        click("WRITE_FILE");
        QVERIFY(status()->isHidden());
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(dialogs.messages[0].text,
                 QStringLiteral("Name must be entered in PANEL NAME field"));
        QCOMPARE(dialogs.messages[0].title, QString());
        QVERIFY(dialogs.file_requests.empty());
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked());
        QVERIFY(!QFile::exists(path("never.kcf")));
    }

    void failed_saves_are_reported_and_keep_the_old_file() {
        configure_example();
        save_as(path("kept.kcf"));
        QCOMPARE(contents(path("kept.kcf")), kExampleFile);

        // The path is a folder, lies in a folder that does not exist, is a pipe, is a file
        // that nobody may write, root included, or holds a NUL that would cut it short.
        QCOMPARE(mkfifo(QFile::encodeName(path("pipe.kcf")), 0600), 0);
        write(path("read-only.kcf"), "KEEP");
        QFile::setPermissions(path("read-only.kcf"), QFile::ReadOwner | QFile::ReadGroup);
        for (const QString& bad : {folder->path(), path("no/such/folder.kcf"), path("pipe.kcf"),
                                   path("read-only.kcf"), path("LO") + QChar() + "BBY.kcf"}) {
            dialogs.messages.clear();
            save_as(bad);
            QCOMPARE(dialogs.messages.size(), 1u);
            QCOMPARE(dialogs.messages[0].title, QStringLiteral("FILE NOT SAVED"));
            QVERIFY(dialogs.messages[0].text.contains(QDir::toNativeSeparators(bad)));
        }
        QVERIFY(!QFileInfo(path("pipe.kcf")).isFile());
        QCOMPARE(contents(path("read-only.kcf")), QByteArray("KEEP"));

        // The disk fills up while writing: the old file stays whole.
        text(3)->setText(QStringLiteral("CHANGED"));
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit original{};
        getrlimit(RLIMIT_FSIZE, &original);
        rlimit tiny = original;
        tiny.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &tiny);
        dialogs.messages.clear();
        save_as(path("kept.kcf"));
        setrlimit(RLIMIT_FSIZE, &original);
        QCOMPARE(dialogs.messages.size(), 1u);
        QVERIFY(dialogs.messages[0].text.startsWith(
            QStringLiteral("THE CONFIGURATION FILE WAS NOT SAVED:\n")));
        QCOMPARE(contents(path("kept.kcf")), kExampleFile);

        QCOMPARE(QDir(folder->path()).entryList(QDir::Files).size(), 2);
    }

    void names_from_a_file_are_shown_and_proposed_safely_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("plain") << QByteArray("LOBBY") << "LOBBY"
                               << "LOBBY.kcf";
        QTest::newRow("control characters") << QByteArray("LO\0B\tBY", 7) << "LOBBY"
                                            << "LOBBY.kcf";
        QTest::newRow("folder above") << QByteArray("../UP") << "../UP"
                                      << ".._UP.kcf";
        QTest::newRow("Windows characters") << QByteArray("A*B?C:D<E>|\\") << "A*B?C:D<E>|\\"
                                            << "A_B_C_D_E___.kcf";
        QTest::newRow("device") << QByteArray("CON") << "CON"
                                << "_CON.kcf";
        QTest::newRow("device, any case and blanks") << QByteArray("lpt1 ") << "lpt1 "
                                                     << "_lpt1 .kcf";
        QTest::newRow("device, superscript") << QByteArray("COM\xB9") << "COM¹"
                                             << "_COM¹.kcf";
        QTest::newRow("device, console input") << QByteArray("conin$") << "conin$"
                                               << "_conin$.kcf";
        QTest::newRow("not a device") << QByteArray("CONSOLE") << "CONSOLE"
                                      << "CONSOLE.kcf";
    }

    // What the window shows of a name is what a save writes, under a name that stays in the
    // chosen folder and is legal everywhere.
    void names_from_a_file_are_shown_and_proposed_safely() {
        QFETCH(QByteArray, name);
        QFETCH(QString, shown);
        QFETCH(QString, proposed);
        const auto named = [](const QByteArray& text) {
            return QByteArray(kExampleFile).replace("\"LOBBY\"", '"' + text + '"');
        };
        write(path("named.kcf"), named(name));
        open(path("named.kcf"));
        QVERIFY(dialogs.messages.empty());
        QCOMPARE(text(2)->text(), shown);
        save_as(path("saved.kcf"));
        QCOMPARE(dialogs.file_requests.back().shown.file_name, folder->filePath(proposed));
        QCOMPARE(contents(path("saved.kcf")), named(shown.toLatin1()));
    }

    void boxes_refuse_characters_the_file_cannot_carry() {
        QLineEdit* box = text(3);
        box->clear();
        QTest::keyClicks(box, QStringLiteral("A\"B"));
        QCOMPARE(box->text(), QStringLiteral("AB"));
        box->insert(QStringLiteral("-Ω-é€"));
        QCOMPARE(box->text(), QStringLiteral("AB--é€"));
        text(2)->clear();
        QTest::keyClicks(text(2), QStringLiteral("\"TOO LONG A PANEL NAME"));
        QCOMPARE(text(2)->text(), QStringLiteral("TOO LONG A P"));
        // Also what code puts there, such as an unquoted text from another program's file.
        box->setText(QStringLiteral("SAY \"HI\""));
        QCOMPARE(box->text(), QStringLiteral("SAY HI"));
    }
};

QTEST_MAIN(TestFileOperations)
#include "test_file_operations.moc"
