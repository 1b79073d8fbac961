// Printing and saving the commissioning sheet from the real window with scripted dialogs,
// read back through poppler's pdftotext.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include "form1.h"
#include "scripted_dialogs.h"

class TestPrintOperation : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    template <class T = QListWidget> T* find(const QString& name) {
        return form->findChild<T*>(name);
    }
    QString path(const char* name) { return folder->filePath(QString::fromUtf8(name)); }
    // The sheet's text with its pages ending in form feeds.
    QString sheet_text(const QString& pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", QDir(folder->path()).filePath(pdf), "-"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    // Saves the sheet from the File menu or from the panel picture's context menu.
    void print_to(const std::optional<QString>& answer, bool from_menu = true) {
        dialogs.file_answers.push_back(answer);
        auto* picture = find<QLabel>(QStringLiteral("Image1"));
        QCOMPARE(picture->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(picture->actions()[1]->text(),
                 QStringLiteral("SAVE COMMISSIONING SHEET AS PDF..."));
        if (!from_menu) return picture->actions()[1]->trigger();
        for (QAction* menu : form->findChild<QMenuBar*>("MENU_BAR")->actions())
            for (QAction* entry : menu->menu()->actions())
                if (entry->text() == QStringLiteral("SAVE COMMISSIONING SHEET AS P&DF..."))
                    return entry->trigger();
        QFAIL("no File menu entry saves the sheet");
    }

  private slots:
    void init() {
        folder = std::make_unique<QTemporaryDir>();
        dialogs = ScriptedDialogs();
        form = std::make_unique<Form1>(dialogs);
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        for (int n = 1; n <= 43; n += 2)
            find(QStringLiteral("List%1").arg(n))->setCurrentRow(0);
    }

    void sheet_shows_the_window_as_it_stands_data() {
        QTest::addColumn<bool>("from_menu");
        QTest::newRow("File menu") << true;
        QTest::newRow("context menu") << false;
    }
    void sheet_shows_the_window_as_it_stands() {
        QFETCH(bool, from_menu);
        find<QLineEdit>(QStringLiteral("Text2"))->setText(QStringLiteral("LOBBY/2"));
        find<QLineEdit>(QStringLiteral("Text3"))->setText(QStringLiteral("Entrée hall"));
        // SW1 A 1, SW3 C without a channel, LED4 C 5, dimmed 40 %; then the lighting view.
        for (const auto& [list, row] : {std::pair{1, 1}, {2, 0}, {5, 3}, {27, 3}, {28, 4}, {46, 6}})
            find(QStringLiteral("List%1").arg(list))->setCurrentRow(row);
        find<QRadioButton>(QStringLiteral("Option2"))->click();

        print_to(path("lobby.pdf"), from_menu);
        QCOMPARE(dialogs.file_requests.size(), 1u);
        const FileDialogState shown = dialogs.file_requests[0].shown;
        QCOMPARE(shown.file_name + shown.title,
                 QStringLiteral("LOBBY_2.pdfSAVE COMMISSIONING SHEET AS PDF"));
        QVERIFY(dialogs.messages.empty());
        const QString sheet = sheet_text("lobby.pdf");
        QCOMPARE(sheet.count(u'\f'), 1);
        for (const char* expected : {"LOBBY/2", "From WINDOW (NOT SAVED)", "SW1 Entrée hall A 1",
                                     "LED4 C 5", "SW2 N/A", "Backlighting N/A", "40 % Dimmed",
                                     "Incomplete selection, module or channel not chosen: SW3."})
            QVERIFY2(sheet.simplified().contains(QString::fromUtf8(expected)), expected);
        // Nothing collected, so the lighting view stays and error_flag is untouched.
        QVERIFY(find<QRadioButton>(QStringLiteral("Option2"))->isChecked());
        QCOMPARE(form->error_flag, 0);
    }

    void cancel_failures_and_the_source() {
        print_to(std::nullopt);
        QCOMPARE(dialogs.file_requests.size(), 1u);
        QCOMPARE(dialogs.file_requests[0].shown.file_name,
                 QStringLiteral("COMMISSIONING SHEET.pdf"));
        QCOMPARE(mkfifo(QFile::encodeName(path("pipe.pdf")), 0600), 0); // never replaced
        for (const QString& bad : {path("no/folder.pdf"), path("pipe.pdf")}) {
            print_to(bad);
            QCOMPARE(dialogs.messages.back().title, QStringLiteral("SHEET NOT SAVED"));
            QVERIFY(dialogs.messages.back().text.contains(bad));
        }
        QCOMPARE(dialogs.messages.size(), 2u);
        QVERIFY(QDir(folder->path()).entryList(QDir::Files).isEmpty());

        // The source is the file saved last, until the operator changes the window.
        find<QLineEdit>(QStringLiteral("Text2"))->setText(QStringLiteral("HALL"));
        dialogs.file_answers.push_back(path("hall.kcf"));
        QTest::mouseClick(find<QPushButton>(QStringLiteral("WRITE_FILE")), Qt::LeftButton);
        print_to(path("saved.pdf"));
        // A channel under "N/A" changes no value; a module does.
        find(QStringLiteral("List2"))->setCurrentRow(3);
        print_to(path("unchanged.pdf"));
        find(QStringLiteral("List1"))->setCurrentRow(2);
        print_to(path("changed.pdf"));
        for (const char* unchanged : {"saved.pdf", "unchanged.pdf"})
            QVERIFY(sheet_text(unchanged).simplified().contains(
                "From hall.kcf (file compatibility: 07-04410-MDL or 07-04411-MDL)"));
        QVERIFY(
            sheet_text("changed.pdf").simplified().contains("From WINDOW, CHANGED SINCE hall.kcf"));
    }

    // Ctrl+P: the print dialog, with the sheet's name as the document's; the sheet printed
    // into a PDF as the dialog's print to file does, and on the real CUPS server when
    // ./test.sh started one. A file that cannot be written is said to be not printed.
    void print_dialog_prints_the_sheet() {
        // A name of this run's own: the printer's folder may hold an earlier run's sheet.
        const QString name =
            QStringLiteral("SHEET %1")
                .arg(QRandomGenerator::global()->bounded(1000000), 6, 10, QChar(u'0'));
        find<QLineEdit>(QStringLiteral("Text2"))->setText(name);
        const QString printer = qEnvironmentVariable("KVR_TEST_PRINTER");
        dialogs.printer_answers = {
            std::nullopt, {{{}, path("printed.pdf")}}, {{{}, path("no/folder.pdf")}}};
        if (!printer.isEmpty()) dialogs.printer_answers.push_back({{printer, {}}});
        for (std::size_t answers = dialogs.printer_answers.size(); answers > 0; --answers)
            QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(dialogs.printed_documents.front(), QStringLiteral("Commissioning sheet ") + name);
        const QString sheet = sheet_text("printed.pdf").simplified();
        QVERIFY2(sheet.startsWith("COMMISSIONING SHEET") &&
                     sheet.contains("From WINDOW (NOT SAVED)") &&
                     !sheet.contains("file compatibility"),
                 qPrintable(sheet));
        QCOMPARE(sheet_text("printed.pdf").count(u'\f'), 1);
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("SHEET NOT PRINTED"));
        QVERIFY(dialogs.messages[0].text.contains(path("no/folder.pdf")));
        if (printer.isEmpty())
            QSKIP("no CUPS server was started for this test: ./test.sh starts one");
        // cups-pdf names what it prints after the job's title, and writes it while it runs.
        const QDir printed(qEnvironmentVariable("KVR_TEST_PRINTED"));
        const auto text = [&] {
            const QString pdf =
                printed.entryList({"Commissioning_sheet_SHEET_" + name.mid(6) + "*.pdf"}).value(0);
            return pdf.isEmpty() ? QString() : sheet_text(printed.filePath(pdf));
        };
        QTRY_VERIFY_WITH_TIMEOUT(text().simplified().contains("From WINDOW (NOT SAVED)"), 60000);
    }
};

QTEST_MAIN(TestPrintOperation)
#include "test_print_operation.moc"
