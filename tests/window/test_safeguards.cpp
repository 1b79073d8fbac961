// What keeps the installer's work: undo and redo (checked by what a save writes after
// them), the questions on closing, a write stopped or kept, the marks of an incomplete
// selection, and the window on a screen too small for it.

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include "panel_fixture.h"

namespace {

const QString kStopped = QStringLiteral(
    "PROGRAMMING STOPPED - THE SWITCH PANEL IS PARTLY PROGRAMMED AND MUST BE WRITTEN AGAIN");
enum { kSave, kDiscard, kCancel };
enum { kKeepProgramming, kStopProgramming };

} // namespace

class TestSafeguards : public QObject, PanelFixture {
    Q_OBJECT

    QTemporaryDir folder;

    QString path(const QString& name) const { return folder.filePath(name); }
    QByteArray saved(const QString& name) {
        dialogs.file_answers.push_back(path(name));
        click("WRITE_FILE");
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    template <class T = QWidget> T* find(const char* name) const {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    // Every function at "N/A" and a panel name: a configuration that saves.
    void complete_configuration(const char* name) {
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
        QTest::keyClicks(find<QLineEdit>("Text2"), QString::fromLatin1(name));
    }
    void show_window() {
        new_window();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(form.get(), key, modifiers);
    }

  private slots:
    void init() { show_window(); }

    // Each kind of step is undone and redone whole: a selection, one that the intensity
    // rule follows, typing in a box; undo says no rule message again.
    void undo_and_redo_each_kind_of_step() {
        complete_configuration("LOBBY");
        const QByteArray before = saved("before.kcf");
        QVERIFY(!before.isEmpty());
        QVERIFY(form->can_undo()); // the steps before a save stay
        const QList<QAction*> actions = find<QLabel>("Image1")->actions();
        auto* undo_action = *std::ranges::find(actions, QStringLiteral("UNDO"), &QAction::text);

        list(1)->setCurrentRow(3);                           // SW1 module C
        list(2)->setCurrentRow(3);                           // channel 4
        list(49)->setCurrentRow(3);                          // indicator 70 %: backlighting lowered
        QTest::keyClicks(find<QLineEdit>("Text3"), "ENTRY"); // one step for the whole word
        QTest::keyClicks(find<QLineEdit>("Text2"), "2");
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
        QVERIFY(undo_action->isEnabled());
        QCOMPARE(find<QListWidget>("List45")->currentRow(), 3);

        for (int step = 0; step < 5; ++step)
            step % 2 ? form->undo() : key(Qt::Key_Z);
        QCOMPARE(saved("undone.kcf"), before);
        QCOMPARE(find<QListWidget>("List45")->currentRow(), 0);
        QCOMPARE(dialogs.messages.size(), std::size_t(1));
    }

    void redo_brings_back_what_was_undone() {
        complete_configuration("LOBBY");
        list(1)->setCurrentRow(3);
        list(2)->setCurrentRow(3);
        QTest::keyClicks(find<QLineEdit>("Text3"), "ENTRY");
        list(49)->setCurrentRow(3);
        const QByteArray expected = saved("expected.kcf");
        // The same steps again after the save, undone and redone by keys.
        list(49)->setCurrentRow(0);
        list(1)->setCurrentRow(0);
        key(Qt::Key_Z);
        key(Qt::Key_Z); // back at the save
        key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        key(Qt::Key_Y);
        key(Qt::Key_Z);
        key(Qt::Key_Z);
        const QByteArray again = saved("again.kcf");
        QCOMPARE(again, expected);
        QVERIFY(again.contains(R"("LOBBY","DESIGNATION ENTRY",23,)"));
        QVERIFY(again.contains(R"x("NORMAL INDICATOR (%)",5,"NORMAL BACKLIGHTING (%)",5)x"));
    }

    // Undoing an open or a read brings back the lists, texts, view and model the window
    // had, so a save after it writes what was shown before.
    void undo_of_an_open_and_a_read() {
        connect_panel();
        complete_configuration("OTHER");
        QVERIFY(!saved("other.kcf").isEmpty());
        list(1)->setCurrentRow(3);
        list(2)->setCurrentRow(3);
        QTest::keyClicks(find<QLineEdit>("Text3"), "ENTRY");
        find<QRadioButton>("Option2")->click();
        dialogs.answers = {kDiscard};
        dialogs.file_answers.push_back(path("other.kcf"));
        click("READ_FILE");
        QCOMPARE(find<QLineEdit>("Text3")->text(), QStringLiteral("DESIGNATION "));
        form->undo();
        QVERIFY(find<QRadioButton>("Option2")->isChecked());
        QVERIFY(find<QListWidget>("List1")->isHidden());
        const QByteArray before_open = saved("before_open.kcf");
        QVERIFY(before_open.contains(R"("DESIGNATION ENTRY",23,)"));

        list(3)->setCurrentRow(2); // an edit after the save, then a read of the panel
        dialogs.answers = {kDiscard};
        click("READ_CONFIG");
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL DATA READ SUCCESSFUL"));
        QVERIFY(find<QLineEdit>("Text2")->text().isEmpty());
        form->undo();
        QCOMPARE(find<QLineEdit>("Text2")->text(), QStringLiteral("OTHER"));
        QVERIFY(find<QLineEdit>("Text3")->isVisible());
        form->undo();
        QCOMPARE(saved("before_read.kcf"), before_open);
    }

    void closing_asks_only_about_changes() {
        QVERIFY(form->close()); // a fresh window has nothing to lose
        QVERIFY(dialogs.questions.empty());

        show_window();
        list(1)->setCurrentRow(0);
        QCOMPARE(find<QLabel>("SOURCE_LINE")->text(), QStringLiteral("changed"));
        dialogs.answers = {kCancel};
        QVERIFY(!form->close());
        QCOMPARE(dialogs.questions.size(), std::size_t(1));
        dialogs.answers = {kSave}; // refused: the selection is incomplete
        QVERIFY(!form->close());
        QCOMPARE(status_colour(), QColor(255, 0, 0));
        QVERIFY(dialogs.file_requests.empty());

        complete_configuration("LOBBY");
        dialogs.answers = {kSave};
        dialogs.file_answers.push_back(std::nullopt); // the save dialog cancelled
        QVERIFY(!form->close());
        dialogs.answers = {kSave};
        dialogs.file_answers.push_back(path("LOBBY.kcf"));
        QVERIFY(form->close());
        QVERIFY(QFile::exists(path("LOBBY.kcf")));

        show_window();
        dialogs.file_answers.push_back(path("LOBBY.kcf"));
        click("READ_FILE");
        QCOMPARE(find<QLabel>("SOURCE_LINE")->text(), QStringLiteral("LOBBY.kcf"));
        QTest::keyClicks(find<QLineEdit>("Text4"), "X");
        QCOMPARE(find<QLabel>("SOURCE_LINE")->text(), QStringLiteral("LOBBY.kcf, changed"));
        dialogs.answers = {kDiscard};
        QVERIFY(form->close());
    }

    // A close during a write asks; Escape keeps programming, stopping ends red and the
    // window then closes.
    void closing_during_a_write() {
        connect_panel();
        complete_configuration("LOBBY");
        const auto close_soon = [this] {
            QTimer::singleShot(300, form.get(), [this] { form->close(); });
        };
        close_soon(); // no answer: Escape
        click("WRITE_CONFIG");
        QCOMPARE(dialogs.questions.size(), std::size_t(1));
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        QVERIFY(form->isVisible());
        QVERIFY(find<QLabel>("SOURCE_LINE")->text().startsWith(QStringLiteral("programmed on ")));

        // The panel name typed is in no file yet: the close asks about it too.
        dialogs.answers = {kStopProgramming, kDiscard};
        close_soon();
        click("WRITE_CONFIG");
        QCOMPARE(status(), kStopped);
        QCOMPARE(status_colour(), QColor(255, 0, 0));
        QTRY_VERIFY(!form->isVisible());
        QCOMPARE(dialogs.questions.size(), std::size_t(3));
    }

    // Every incomplete function is marked in either view until it is complete; the first
    // in the view shown takes the focus; text and view stay as they were.
    void incomplete_selections_are_marked() {
        complete_configuration("LOBBY");
        list(5)->setCurrentRow(-1); // SW3: no module
        list(29)->setCurrentRow(2); // LED5: module B, no channel
        list(30)->setCurrentRow(-1);
        click("WRITE_FILE");
        QCOMPARE(status(), QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE "
                                          "WRITING DATA"));
        const auto marked = [this](int n) { return !list(n)->styleSheet().isEmpty(); };
        for (int n : {5, 6, 29, 30})
            QVERIFY(marked(n));
        QVERIFY(!marked(1) && !marked(31));
        QCOMPARE(QApplication::focusWidget(), list(5));

        list(5)->setCurrentRow(0);
        QVERIFY(!marked(5) && !marked(6) && marked(29));
        find<QRadioButton>("Option2")->click();
        click("WRITE_FILE");
        QVERIFY(find<QRadioButton>("Option2")->isChecked());
        QCOMPARE(QApplication::focusWidget(), list(30));
        list(30)->setCurrentRow(1);
        QVERIFY(!marked(29) && !marked(30));
    }

    void window_within_a_small_screen() {
        form->fit_to_screen(QSize(1920, 1080));
        QVERIFY(!find<QScrollArea>("SCROLL_AREA"));
        QCOMPARE(form->size().width(), 761);

        new_window();
        form->fit_to_screen(QSize(1024, 500));
        form->show();
        auto* scroll = find<QScrollArea>("SCROLL_AREA");
        QVERIFY(scroll);
        QVERIFY(form->height() <= 500 && form->width() <= 1024);
        auto* dimmed = find<QListWidget>("List46"); // in Frame2, at the bottom
        QVERIFY(dimmed);
        QCOMPARE(find<QWidget>("List1")->geometry(), QRect(112, 176, 57, 43));
        QVERIFY(find<QWidget>("Text1")->isHidden());
        QVERIFY(!find<QWidget>("Text3")->isHidden());
        find<QRadioButton>("Option2")->click();
        scroll->ensureWidgetVisible(dimmed);
        QVERIFY(scroll->verticalScrollBar()->value() > 0);
    }
};

QTEST_MAIN(TestSafeguards)
#include "test_safeguards.moc"
