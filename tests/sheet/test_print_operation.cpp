// Saving the commissioning sheet from the real window with scripted dialogs, read back
// through poppler's pdftotext.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
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
    QString sheet_text(const char* pdf) {
        QProcess process;
        process.start("pdftotext", {"-layout", path(pdf), "-"});
        process.waitForFinished(30000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    void print_to(const std::optional<QString>& answer, bool by_shortcut = true) {
        dialogs.file_answers.push_back(answer);
        auto* picture = find<QLabel>(QStringLiteral("Image1"));
        QCOMPARE(picture->contextMenuPolicy(), Qt::ActionsContextMenu);
        QCOMPARE(picture->actions()[0]->text(), QStringLiteral("PRINT COMMISSIONING SHEET..."));
        if (by_shortcut)
            QTest::keyClick(form.get(), Qt::Key_P, Qt::ControlModifier);
        else
            picture->actions()[0]->trigger();
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
        QTest::addColumn<bool>("by_shortcut");
        QTest::newRow("Ctrl+P") << true;
        QTest::newRow("context menu") << false;
    }
    void sheet_shows_the_window_as_it_stands() {
        QFETCH(bool, by_shortcut);
        find<QLineEdit>(QStringLiteral("Text2"))->setText(QStringLiteral("LOBBY/2"));
        find<QLineEdit>(QStringLiteral("Text3"))->setText(QStringLiteral("Entrée hall"));
        // SW1 A 1, SW3 C without a channel, LED4 C 5, dimmed 40 %; then the lighting view.
        for (const auto& [list, row] : {std::pair{1, 1}, {2, 0}, {5, 3}, {27, 3}, {28, 4}, {46, 6}})
            find(QStringLiteral("List%1").arg(list))->setCurrentRow(row);
        find<QRadioButton>(QStringLiteral("Option2"))->click();

        print_to(path("lobby.pdf"), by_shortcut);
        QCOMPARE(dialogs.file_requests.size(), 1u);
        const FileDialogState shown = dialogs.file_requests[0].shown;
        QCOMPARE(shown.file_name + shown.title,
                 QStringLiteral("LOBBY_2.pdfPRINT COMMISSIONING SHEET"));
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
            QVERIFY(sheet_text(unchanged).simplified().contains("From hall.kcf"));
        QVERIFY(
            sheet_text("changed.pdf").simplified().contains("From WINDOW, CHANGED SINCE hall.kcf"));
    }
};

QTEST_MAIN(TestPrintOperation)
#include "test_print_operation.moc"
