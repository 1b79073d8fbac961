// The editor's behaviour through the real widgets: start-up, views, selection handlers,
// the intensity rule and the collection of write values.

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "files/configuration_file_io.h"
#include "form1.h"
#include "scripted_dialogs.h"

using Intensity = Form1::Intensity;

// The intensity lists in the order of Intensity (backlighting, indicator, dimmed) and rows.
using IntensityRows = std::array<int, 3>;
Q_DECLARE_METATYPE(IntensityRows)
constexpr std::array kIntensityLists{45, 49, 46};

class TestEditor : public QObject {
    Q_OBJECT

    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    QListWidget* list(int n) {
        return form->findChild<QListWidget*>(QStringLiteral("List%1").arg(n));
    }
    QLineEdit* text(int n) { return form->findChild<QLineEdit*>(QStringLiteral("Text%1").arg(n)); }
    QWidget* widget(const char* name) { return form->findChild<QWidget*>(name); }
    int16_t member(const char* name) { return *form->member(name); }
    bool shown(int list_number) { return !list(list_number)->isHidden(); }
    QString position_caption(int position) {
        const char* labels[] = {"Label2", "Label3",  "Label4",  "Label5",  "Label8",
                                "Label9", "Label10", "Label11", "Label12", "Label13"};
        return form->findChild<QLabel*>(labels[position - 1])->text();
    }
    // Completes every selection with module "N/A".
    void all_not_assigned() {
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(0);
    }

  private slots:
    void init() {
        dialogs = ScriptedDialogs();
        form = std::make_unique<Form1>(dialogs);
    }
    void cleanup() { form.reset(); }

    void state_after_start_up() {
        QCOMPARE(member("blpercent"), 10);
        QCOMPARE(member("indpercent"), 10);
        QCOMPARE(member("dindpercent"), 10);
        for (const char* name :
             {"s1", "s1m", "s1c", "s1w", "led10", "bl", "dimch", "A", "error_flag"})
            QCOMPARE(member(name), 0);
        QVERIFY(dialogs.messages.empty());
        // Switch view: switch rows shown, all channel lists shown (no module chosen yet).
        QVERIFY(widget("Frame1")->isHidden());
        QVERIFY(widget("Frame2")->isHidden());
        QVERIFY(widget("Label14")->isHidden());
        for (int n = 1; n <= 20; ++n)
            QVERIFY(shown(n));
        for (int n = 21; n <= 42; ++n)
            QVERIFY(!shown(n));
        for (int n = 3; n <= 12; ++n)
            QVERIFY(!text(n)->isHidden());
        for (int n = 13; n <= 22; ++n)
            QVERIFY(text(n)->isHidden());
        QCOMPARE(position_caption(1), QStringLiteral("SW1"));
        QCOMPARE(position_caption(10), QStringLiteral("SW10"));
    }

    void views_and_channel_rule() {
        list(5)->setCurrentRow(2);  // SW3 at "B"
        list(25)->setCurrentRow(0); // LED3 at "N/A"
        QTest::mouseClick(form->findChild<QRadioButton*>("Option2"), Qt::LeftButton);
        QVERIFY(!widget("Frame1")->isHidden());
        QVERIFY(!widget("Frame2")->isHidden());
        QVERIFY(!widget("Label14")->isHidden());
        QVERIFY(!form->findChild<QRadioButton*>("Option1")->isChecked());
        for (int n = 1; n <= 20; ++n)
            QVERIFY(!shown(n));
        for (int n = 21; n <= 41; ++n)
            QCOMPARE(shown(n), n != 26);
        for (int n = 3; n <= 12; ++n)
            QVERIFY(text(n)->isHidden());
        for (int n = 13; n <= 22; ++n)
            QVERIFY(!text(n)->isHidden());
        QCOMPARE(position_caption(1), QStringLiteral("LED1"));
        QCOMPARE(position_caption(10), QStringLiteral("LED10"));
        auto* label = form->findChild<QLabel*>("Label13");
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(QStringLiteral("LED10")));

        // Backlighting at "N/A" hides its channel list in the lighting view.
        list(41)->setCurrentRow(0);
        form->Option2_Click();
        QVERIFY(!shown(42));

        QTest::mouseClick(form->findChild<QRadioButton*>("Option1"), Qt::LeftButton);
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked());
        QVERIFY(widget("Frame1")->isHidden());
        for (int n = 1; n <= 20; ++n)
            QVERIFY(shown(n));
        for (int n = 21; n <= 42; ++n)
            QVERIFY(!shown(n));
        QVERIFY(shown(6)); // SW3 at "B" shows its channel list although LED3 hides its own
        list(5)->setCurrentRow(0);
        form->show_switch_view();
        QVERIFY(!shown(6));
        QCOMPARE(position_caption(3), QStringLiteral("SW3"));

        // With config_flag set the switch view hides the switch designation boxes.
        form->config_flag = 1;
        form->show_switch_view();
        form->config_flag = 0;
        for (int n = 3; n <= 12; ++n)
            QVERIFY(text(n)->isHidden());
        form->Option2_Click();
        for (int n = 13; n <= 22; ++n)
            QVERIFY(!text(n)->isHidden());
        form->Option1_Click();
        for (int n = 3; n <= 12; ++n)
            QVERIFY(!text(n)->isHidden());
    }

    void switch_selection_handlers() {
        form->findChild<QLineEdit*>("Text3")->hide();
        list(1)->setCurrentRow(2); // "B"
        QCOMPARE(member("s1m"), 10);
        QCOMPARE(member("s1"), 10);
        QVERIFY(text(3)->isHidden()); // only a channel choice shows the box
        list(2)->setCurrentRow(4);    // "5"
        QCOMPARE(member("s1c"), 4);
        QCOMPARE(member("s1"), 14);
        QVERIFY(shown(2));
        QVERIFY(!text(3)->isHidden());
        list(1)->setCurrentRow(4); // "D"
        QCOMPARE(member("s1"), 34);
        list(1)->setCurrentRow(0); // "N/A"
        QCOMPARE(member("s1"), 160);
        QVERIFY(!shown(2));
        QVERIFY(!text(3)->isHidden());
        QCOMPARE(member("s1m"), 30);
        QCOMPARE(member("s1c"), 4);
        list(1)->setCurrentRow(1); // "A"
        QVERIFY(shown(2));
        QCOMPARE(list(2)->currentRow(), 4);
        QCOMPARE(member("s1"), 4);
        // A channel set while the module shows "N/A" takes the last real module.
        list(1)->setCurrentRow(0);
        list(2)->setCurrentRow(7);
        QCOMPARE(member("s1"), 7);

        // Other functions are left alone; a module before any channel means channel 1.
        list(39)->setCurrentRow(16); // LED10 "P"
        QCOMPARE(member("led10"), 150);
        QCOMPARE(member("s10"), 0);
        list(23)->setCurrentRow(0); // LED2 "N/A" first of all
        QCOMPARE(member("led2"), 160);
        QCOMPARE(member("led2m"), 0);
        QCOMPARE(member("led2c"), 0);
    }

    void backlighting_and_dimming_handlers() {
        form->Option2_Click();
        list(41)->setCurrentRow(0);
        QCOMPARE(member("bl"), 160);
        QVERIFY(!shown(42));
        QVERIFY(list(45)->isHidden());
        QVERIFY(widget("Label15")->isHidden());
        list(41)->setCurrentRow(6); // "F"
        QVERIFY(shown(42) && !list(45)->isHidden() && !widget("Label15")->isHidden());
        list(42)->setCurrentRow(2);
        QCOMPARE(member("bl"), 52);
        QCOMPARE(member("blc"), 2);

        list(43)->setCurrentRow(0);
        QCOMPARE(member("dimch"), 160);
        QVERIFY(!shown(44) && list(46)->isHidden() && widget("Label16")->isHidden());
        list(43)->setCurrentRow(3); // "C"
        QVERIFY(shown(44) && !list(46)->isHidden() && !widget("Label16")->isHidden());
        QCOMPARE(member("dimchm"), 20);
        list(44)->setCurrentRow(5); // no handler: the live code keeps the module value
        QCOMPARE(member("dimchc"), 0);
        QCOMPARE(member("dimch"), 20);
        // The intensity selections survive being hidden.
        QCOMPARE(list(46)->currentRow(), 0);
    }

    void intensity_rule() {
        // Indicator 100 %: backlighting 30 % is allowed.
        list(45)->setCurrentRow(7);
        QCOMPARE(member("blpercent"), 1);
        QVERIFY(dialogs.messages.empty());
        list(45)->setCurrentRow(0);

        // Backlighting 100 %, indicator 50 %: the backlighting follows down.
        list(49)->setCurrentRow(5);
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(dialogs.messages[0].text,
                 QStringLiteral("NORMAL INDICATOR INTENSITY must be set equal to\nor greater "
                                "than NORMAL BACKLIGHTING INTENSITY."));
        QCOMPARE(list(45)->currentRow(), 5);
        QCOMPARE(member("blpercent"), 3);
        QCOMPARE(list(49)->currentRow(), 5);
        QCOMPARE(member("indpercent"), 3);

        // Indicator 50 %, backlighting 80 %: refused, back to 50 %.
        list(45)->setCurrentRow(2);
        QCOMPARE(dialogs.messages.size(), 2u);
        QCOMPARE(list(45)->currentRow(), 5);
        QCOMPARE(member("blpercent"), 3);

        // Equal values and a brighter dimmed level pass without a message.
        list(49)->setCurrentRow(3);
        list(45)->setCurrentRow(3);
        list(46)->setCurrentRow(0);
        QCOMPARE(dialogs.messages.size(), 2u);
        QCOMPARE(member("dindpercent"), 10);

        // A cleared selection comes back as "100".
        list(46)->setCurrentRow(-1);
        QCOMPARE(list(46)->currentRow(), 0);
        QCOMPARE(member("dindpercent"), 10);
        list(45)->setCurrentRow(-1); // "100" breaches the indicator at 70 %
        QCOMPARE(dialogs.messages.size(), 3u);
        QCOMPARE(list(45)->currentRow(), 3);
        QCOMPARE(member("blpercent"), 5);
    }

    // What the operator does to an intensity list by mouse, key or wheel, and what undo
    // gives back: the one entry highlighted is always the current one, and its code is the
    // one the model holds and a file saves, also where the rule moved the list under the
    // click or the key.
    void intensity_lists_show_what_is_held_data() {
        QTest::addColumn<int>("target"); // index in kIntensityLists
        QTest::addColumn<IntensityRows>("start");
        QTest::addColumn<QString>("action"); // "click N", a key, "wheel"
        QTest::addColumn<IntensityRows>("end");
        QTest::addColumn<bool>("message");
        const auto row = [](const char* name, int target, IntensityRows start, const char* action,
                            IntensityRows end, bool message) {
            QTest::newRow(name) << target << start << QString::fromLatin1(action) << end << message;
        };
        row("backlighting 100 over indicator 90", 0, {1, 1, 0}, "click 0", {1, 1, 0}, true);
        row("backlighting 80 over indicator 90", 0, {2, 1, 0}, "click 1", {1, 1, 0}, false);
        row("backlighting 30 under indicator 100", 0, {0, 0, 0}, "click 7", {7, 0, 0}, false);
        row("Home in backlighting", 0, {3, 1, 0}, "Home", {1, 1, 0}, true);
        row("Up in backlighting", 0, {1, 1, 0}, "Up", {1, 1, 0}, true);
        row("typing 1 in backlighting", 0, {4, 2, 0}, "1", {2, 2, 0}, true);
        row("indicator 50 under backlighting 100", 1, {0, 0, 0}, "click 5", {5, 5, 0}, true);
        row("End in indicator", 1, {0, 0, 0}, "End", {7, 7, 0}, true);
        row("Down in indicator", 1, {3, 3, 0}, "Down", {4, 4, 0}, true);
        row("indicator up to 100", 1, {5, 5, 0}, "click 0", {5, 0, 0}, false);
        row("dimmed 100 above the others", 2, {5, 5, 7}, "click 0", {5, 5, 0}, false);
        row("Home in dimmed", 2, {0, 0, 4}, "Home", {0, 0, 0}, false);
        row("wheel over backlighting", 0, {1, 1, 0}, "wheel", {1, 1, 0}, false);
    }
    void intensity_lists_show_what_is_held() {
        QFETCH(int, target);
        QFETCH(IntensityRows, start);
        QFETCH(QString, action);
        QFETCH(IntensityRows, end);
        QFETCH(bool, message);
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->Option2_Click();
        all_not_assigned();
        text(2)->setText(QStringLiteral("LOBBY"));
        // Start rows that keep the rule on the way: backlighting dimmest first.
        list(45)->setCurrentRow(7);
        for (const int i : {1, 0, 2})
            list(kIntensityLists[i])->setCurrentRow(start[i]);
        QVERIFY(dialogs.messages.empty());

        QListWidget* acted_on = list(kIntensityLists[target]);
        acted_on->setFocus(Qt::OtherFocusReason);
        if (action.startsWith(QLatin1String("click "))) {
            QListWidgetItem* item = acted_on->item(action.mid(6).toInt());
            acted_on->scrollToItem(item);
            QTest::mouseClick(acted_on->viewport(), Qt::LeftButton, Qt::NoModifier,
                              acted_on->visualItemRect(item).center());
        } else if (action == QLatin1String("wheel")) {
            const QPointF at = acted_on->viewport()->rect().center();
            QWheelEvent wheel(at, acted_on->viewport()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(acted_on->viewport(), &wheel);
        } else {
            QTest::keyClick(acted_on, QKeySequence::fromString(action)[0].key());
        }
        QCOMPARE(dialogs.messages.size(), std::size_t(message));

        // The highlight and the model agree with the expected rows, and so does the file.
        const auto check_shown = [&](const IntensityRows& rows) {
            for (int i = 0; i < 3; ++i) {
                QListWidget* shown = list(kIntensityLists[i]);
                QCOMPARE(shown->currentRow(), rows[i]);
                QCOMPARE(shown->selectedItems(), QList<QListWidgetItem*>{shown->item(rows[i])});
                QCOMPARE(form->intensity_codes()[Intensity(i)], item_value(shown, rows[i]));
            }
        };
        check_shown(end);
        QTemporaryDir folder;
        dialogs.file_answers.push_back(folder.filePath(QStringLiteral("LOBBY.kcf")));
        QTest::mouseClick(form->findChild<QPushButton*>("WRITE_FILE"), Qt::LeftButton);
        const auto saved =
            kvr::read_configuration_file(folder.filePath(QStringLiteral("LOBBY.kcf")));
        QVERIFY(std::holds_alternative<kvr::ConfigurationRecord>(saved));
        const auto& record = std::get<kvr::ConfigurationRecord>(saved);
        QCOMPARE(record.backlighting_intensity.number, item_value(list(45), end[0]));
        QCOMPARE(record.indicator_intensity.number, item_value(list(49), end[1]));
        QCOMPARE(record.dimmed_intensity.number, item_value(list(46), end[2]));

        // Undo gives back the rows before the action, highlighted, without the rule's message.
        if (end == start) return;
        form->undo();
        check_shown(start);
        QCOMPARE(dialogs.messages.size(), std::size_t(message));
    }

    void select_intensity_routines() {
        list(45)->setCurrentRow(7); // backlighting 30 % keeps the rule out of the way
        form->indpercent = 4;
        form->select_indpercent();
        QCOMPARE(list(49)->currentRow(), 4);
        form->indpercent = 8;
        form->select_indpercent();
        QCOMPARE(member("indpercent"), 10);
        QCOMPARE(list(49)->currentRow(), 0);
        for (int16_t invalid : {int16_t(0), int16_t(9), int16_t(-3), int16_t(11)}) {
            list(46)->setCurrentRow(7);
            form->dindpercent = invalid;
            form->select_dindpercent();
            QCOMPARE(member("dindpercent"), 10);
            QCOMPARE(list(46)->currentRow(), 0);
        }
        QVERIFY(dialogs.messages.empty());

        // Backlighting 80 % read while the indicator shows 50 %: lowered to 50 %.
        list(49)->setCurrentRow(5);
        dialogs.messages.clear();
        form->blpercent = 6;
        form->select_blpercent();
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(list(45)->currentRow(), 5);
        QCOMPARE(member("blpercent"), 3);

        // Backlighting 100 % then indicator 90 %, as a panel read applies them.
        list(49)->setCurrentRow(0);
        list(45)->setCurrentRow(0);
        dialogs.messages.clear();
        form->blpercent = 10;
        form->select_blpercent();
        form->indpercent = 7;
        form->select_indpercent();
        QCOMPARE(dialogs.messages.size(), 1u);
        QCOMPARE(list(45)->currentRow(), 1);
        QCOMPARE(list(49)->currentRow(), 1);
        QCOMPARE(member("blpercent"), 7);
    }

    void collection_complete() {
        all_not_assigned();
        form->Option2_Click();
        form->error_flag = 0;
        form->collect_selections();
        QCOMPARE(member("error_flag"), 0);
        for (const char* name : {"s1w", "s10w", "led1w", "led10w", "bl", "dimch"})
            QCOMPARE(member(name), 160);
        QVERIFY(form->findChild<QRadioButton*>("Option1")->isChecked());
        QVERIFY(widget("Frame1")->isHidden());

        list(1)->setCurrentRow(1), list(2)->setCurrentRow(0);    // SW1 A 1
        list(19)->setCurrentRow(16), list(20)->setCurrentRow(9); // SW10 P 10
        list(27)->setCurrentRow(3), list(28)->setCurrentRow(4);  // LED4 C 5
        list(43)->setCurrentRow(2), list(44)->setCurrentRow(2);  // dimming B 3
        list(3)->setCurrentRow(0);                               // SW2 N/A ...
        list(4)->setCurrentRow(5);                               // ... with a channel
        form->collect_selections();
        QCOMPARE(member("error_flag"), 0);
        QCOMPARE(member("s1w"), 0);
        QCOMPARE(member("s2w"), 160);
        QCOMPARE(member("s10w"), 159);
        QCOMPARE(member("led4w"), 24);
        QCOMPARE(member("dimch"), 12);
        // Taken from the lists, not from the live codes.
        form->functions[0].live = 99;
        form->collect_selections();
        QCOMPARE(member("s1w"), 0);
    }

    void collection_incomplete() {
        // After start-up no module is chosen: the switches are incomplete.
        form->error_flag = 0;
        form->collect_selections();
        QCOMPARE(member("error_flag"), 1);

        // A module without a channel stops the collection there.
        all_not_assigned();
        for (const char* name : {"s3w", "led1w", "bl", "dimch"})
            *form->member(name) = 77;
        list(1)->setCurrentRow(1), list(2)->setCurrentRow(1);
        list(3)->setCurrentRow(0);
        list(5)->setCurrentRow(2);
        form->Option2_Click();
        form->error_flag = 0;
        form->collect_selections();
        QCOMPARE(member("error_flag"), 1);
        QCOMPARE(member("s1w"), 1);
        QCOMPARE(member("s2w"), 160);
        for (const char* name : {"s3w", "led1w", "bl", "dimch"})
            QCOMPARE(member(name), 77);
        QVERIFY(!widget("Frame1")->isHidden()); // the lighting view stays

        // Only the dimming incomplete: code 2, everything before it renewed.
        list(5)->setCurrentRow(0);
        list(43)->setCurrentRow(4);
        form->error_flag = 0;
        form->collect_selections();
        QCOMPARE(member("error_flag"), 2);
        QCOMPARE(member("s3w"), 160);
        QCOMPARE(member("bl"), 160);
        QCOMPARE(member("dimch"), 30); // the handler's live code, not a collected value

        // A channel without a module is incomplete too.
        form = std::make_unique<Form1>(dialogs);
        for (int n = 1; n <= 19; n += 2)
            list(n)->setCurrentRow(0);
        list(30)->setCurrentRow(3); // LED5 channel only
        form->error_flag = 0;
        form->collect_selections();
        QCOMPARE(member("error_flag"), 2);
    }

    void lists_take_only_the_operators_choice() {
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));

        // Focus from the keyboard chooses nothing; the first key that moves does.
        list(1)->setFocus(Qt::TabFocusReason);
        QVERIFY(list(1)->hasFocus());
        QCOMPARE(list(1)->currentRow(), -1);
        QCOMPARE(member("s1"), 0);
        QVERIFY(shown(2));
        QTest::keyClick(list(1), Qt::Key_Down);
        QCOMPARE(list(1)->currentRow(), 0);
        QCOMPARE(member("s1"), 160);
        QVERIFY(!shown(2));

        // A chosen entry can be replaced but not cleared.
        const QPoint entry_b = list(1)->visualItemRect(list(1)->item(2)).center();
        QTest::mouseClick(list(1)->viewport(), Qt::LeftButton, Qt::NoModifier, entry_b);
        QCOMPARE(member("s1"), 10);
        const auto still_chosen = [&] {
            return list(1)->currentRow() == 2 &&
                   list(1)->selectedItems() == QList<QListWidgetItem*>{list(1)->item(2)};
        };
        QTest::mouseClick(list(1)->viewport(), Qt::LeftButton, Qt::ControlModifier, entry_b);
        QVERIFY(still_chosen());
        QTest::keyClick(list(1), Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(still_chosen());

        // Clicking a button that is disabled while it runs moves the focus on to a list
        // that was never chosen: it must still count as not chosen.
        all_not_assigned();
        form = std::make_unique<Form1>(dialogs);
        form->show();
        QApplication::setActiveWindow(form.get());
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        for (int n = 1; n <= 39; n += 2)
            list(n)->setCurrentRow(0);
        form->Option2_Click();
        for (const char* button : {"WRITE_FILE", "WRITE_CONFIG"}) {
            form->findChild<QPushButton*>(button)->setFocus(Qt::TabFocusReason);
            QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
            QCOMPARE(member("error_flag"), 2);
            QCOMPARE(list(41)->currentRow(), -1);
            QCOMPARE(list(43)->currentRow(), -1);
        }
        QVERIFY(dialogs.file_requests.empty());
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
