// The window as built, checked against the layout written out here (in twips, converted
// here), so that a wrong table entry or a wrong conversion is caught.

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTextEdit>

#include "controls.h"
#include "form1.h"
#include "scripted_dialogs.h"

namespace {

struct Place {
    const char* name;
    int left, top, width, height; // twips
};

QRect rect_in_pixels(const Place& place) {
    return QRect(place.left / 15, place.top / 15, place.width / 15, place.height / 15);
}

// Every text the status box is known to show, and port-open failures with the longer
// reasons that are to come.
const char* const kStatusTexts[] = {
    "STARTING COMMUNICATIONS TO READ SWITCH PANEL CONFIGURATION",
    "STARTING COMMUNICATIONS TO WRITE SWITCH PANEL CONFIGURATION",
    "COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND",
    "COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA",
    "SWITCH PANEL DATA READ SUCCESSFUL",
    "SWITCH PANEL HAS BEEN PROGRAMMED",
    "DATA MUST BE ENTERED (CLICKED) FOR ALL SWITCHES BEFORE WRITING DATA",
    "DATA MUST BE ENTERED (CLICKED) FOR ALL LED'S AND BACKLIGHTING BEFORE WRITING DATA",
    "DATA MUST BE ENTERED (CLICKED) FOR ALL LED's AND BACKLIGHTING BEFORE WRITING DATA",
    "COMMUNICATIONS OK",
    "DATA FAILED TO VERIFY",
    "COMMUNICATIONS CORRUPTED",
    "ERROR - DATA OUT OF RANGE",
    "SWITCH PANEL/CONFIGURATION MIS-MATCH",
    "CANNOT OPEN SERIAL PORT /dev/ttyUSB0 - NO SUCH DEVICE",
    "CANNOT OPEN SERIAL PORT /dev/ttyUSB0 - PERMISSION DENIED: ADD THE USER TO THE DIALOUT "
    "GROUP (OR INSTALL THE UDEV RULE) AND LOG IN AGAIN",
    "CANNOT OPEN SERIAL PORT /dev/ttyUSB0 - NO SUCH DEVICE: CONNECT THE ADAPTER OR CHOOSE ONE "
    "OF THE PORTS PRESENT IN SERIAL PORT: /dev/ttyS0, /dev/ttyS1, /dev/ttyUSB1, /dev/ttyACM0",
    "CANNOT OPEN SERIAL PORT /dev/ttyUSB0 - PERMISSION DENIED - ADD THE USER TO GROUP dialout (OR "
    "INSTALL THE PACKAGE'S UDEV RULE) AND LOG IN AGAIN",
    "CANNOT OPEN SERIAL PORT /dev/ttyUSB0 - IN USE BY ModemManager (PID 4194304) - CLOSE IT AND "
    "TRY AGAIN",
};

const QColor kDarkGreen(0, 128, 0);
const QColor kDarkRed(192, 0, 0);

} // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT

    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;

    template <class T> T* get(const QString& name) {
        T* widget = form->findChild<T*>(name);
        if (!widget) qFatal("no control %s", qPrintable(name));
        return widget;
    }

  private slots:
    void init() { form = std::make_unique<Form1>(dialogs); }
    void cleanup() { form.reset(); }

    void window() {
        QCOMPARE(form->objectName(), QStringLiteral("Form1"));
        QCOMPARE(form->windowTitle(),
                 QStringLiteral("KVR QVT 10 BUTTON DIMMABLE SWITCH PANEL CONFIGURATION PROGRAM"));
        // The client area as laid out, below the menu bar; the window that much taller.
        const int menu_height = form->menu_bar()->sizeHint().height();
        QCOMPARE(form->size(), QSize(761, 593 + menu_height));
        QCOMPARE(get<QWidget>("CLIENT_AREA")->size(), QSize(761, 593));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QVERIFY(!form->windowIcon().isNull());
        QVERIFY(form->windowIcon().availableSizes().contains(QSize(40, 40)));
        auto* picture = get<QLabel>("Image1");
        QCOMPARE(picture->pixmap().size(), QSize(286, 493));
        QVERIFY(form->font().bold());
    }

    void fixed_places_and_sizes() {
        const Place places[] = {
            {"Image1", 1080, 1320, 4290, 7395},
            {"Text1", 1680, 1680, 3135, 615},
            {"Option1", 4680, 240, 2415, 495},
            {"Option2", 4680, 720, 2415, 495},
            {"READ_FILE", 6000, 1440, 2415, 855},
            {"WRITE_FILE", 6000, 2520, 2415, 855},
            {"READ_CONFIG", 8760, 1440, 2415, 855},
            {"WRITE_CONFIG", 8760, 2520, 2415, 855},
            {"Frame1", 6000, 3720, 3495, 1695},
            {"Label14", 6000, 3840, 1215, 375},
            {"Frame2", 6000, 5760, 5175, 2775},
            {"Label6", 2400, 7800, 1695, 255},
            {"Text2", 2400, 8040, 1695, 285},
            {"Shape1", 4200, 7680, 735, 255},
            {"Label7", 840, 8640, 3375, 375},
            {"SERIAL_PORT_LABEL", 7200, 360, 3975, 255},
            {"SERIAL_PORT", 7200, 630, 3975, 375},
            // Inside Frame1.
            {"Label19", 480, 480, 1215, 255},
            {"List41", 1680, 240, 855, 645},
            {"List42", 2520, 240, 615, 645},
            {"Label1", 720, 1200, 975, 255},
            {"List43", 1680, 960, 855, 645},
            {"List44", 2520, 960, 615, 645},
            // Inside Frame2.
            {"Label17", 600, 480, 2415, 255},
            {"List49", 3120, 240, 735, 645},
            {"Label15", 240, 1200, 2895, 255},
            {"List45", 3120, 1080, 735, 645},
            {"Label16", 600, 1920, 2535, 615},
            {"List46", 3120, 1920, 735, 645},
        };
        for (const Place& place : places)
            QCOMPARE(get<QWidget>(place.name)->geometry(), rect_in_pixels(place));
        for (const char* name : {"Label19", "List41", "List42", "Label1", "List43", "List44"})
            QCOMPARE(get<QWidget>(name)->parentWidget()->objectName(), QStringLiteral("Frame1"));
        for (const char* name : {"Label17", "List49", "Label15", "List45", "Label16", "List46"})
            QCOMPARE(get<QWidget>(name)->parentWidget()->objectName(), QStringLiteral("Frame2"));

        // Line1 runs down from 4560,7920 to 4560,8760 and Line2 from there left to 4200.
        const QRect line1 = get<QWidget>("Line1")->geometry();
        QCOMPARE(line1.topLeft(), QPoint(304, 528));
        QCOMPARE(line1.height(), 56);
        const QRect line2 = get<QWidget>("Line2")->geometry();
        QCOMPARE(line2.topLeft(), QPoint(280, 584));
        QCOMPARE(line2.width(), 24);
    }

    // The ten positions, from the rule: row (k + 1) / 2, odd on the left, 1080 per row.
    void position_grid() {
        const char* labels[] = {"Label2", "Label3",  "Label4",  "Label5",  "Label8",
                                "Label9", "Label10", "Label11", "Label12", "Label13"};
        for (int k = 1; k <= 10; ++k) {
            const bool odd = k % 2 == 1;
            const int drop = 1080 * ((k + 1) / 2 - 1);
            const QString sw = QString::number(k);
            const QStringList boxes = {QStringLiteral("Text%1").arg(k + 2),
                                       QStringLiteral("Text%1").arg(k + 12)};
            const QStringList modules = {QStringLiteral("List%1").arg(2 * k - 1),
                                         QStringLiteral("List%1").arg(2 * k + 19)};
            const QStringList channels = {QStringLiteral("List%1").arg(2 * k),
                                          QStringLiteral("List%1").arg(2 * k + 20)};
            for (int set = 0; set < 2; ++set) {
                QCOMPARE(get<QWidget>(boxes[set])->geometry(),
                         rect_in_pixels({"", odd ? 1680 : 3360, 2400 + drop, 1455, 285}));
                QCOMPARE(get<QWidget>(modules[set])->geometry(),
                         rect_in_pixels({"", odd ? 1680 : 3360, 2640 + drop, 855, 645}));
                QCOMPARE(get<QWidget>(channels[set])->geometry(),
                         rect_in_pixels({"", odd ? 2520 : 4200, 2640 + drop, 615, 645}));
            }
            auto* label = get<QLabel>(labels[k - 1]);
            QCOMPARE(label->pos(), QPoint((odd ? 1200 : 4920) / 15, (2760 + drop) / 15));
            QCOMPARE(label->text(), QStringLiteral("SW") + sw);
            QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
        }
    }

    void captions_and_tooltips() {
        // The shortcuts are the menu's; the button that always asks where to save is not the
        // menu's Save, which does not.
        const std::tuple<const char*, const char*, const char*> texts[] = {
            {"READ_FILE", "OPEN CONFIGURATION FILE", "LEFT CLICK TO OPEN CONFIG FILE"},
            {"WRITE_FILE", "SAVE CONFIGURATION FILE", "LEFT CLICK TO SAVE CONFIG FILE"},
            {"READ_CONFIG", "READ CONFIGURATION FROM SWITCH PANEL",
             "LEFT CLICK TO READ CONFIG IN SWITCH PANEL"},
            {"WRITE_CONFIG", "WRITE CONFIGURATION TO SWITCH PANEL",
             "LEFT CLICK TO SAVE CONFIG IN SWITCH PANEL"},
        };
        for (const auto& [name, caption, tooltip] : texts) {
            QCOMPARE(get<QPushButton>(name)->text(), QString::fromLatin1(caption));
            QCOMPARE(get<QPushButton>(name)->toolTip(), QString::fromLatin1(tooltip));
        }
        QStringList file_menu;
        for (QAction* entry : form->menu_bar()->actions().front()->menu()->actions())
            file_menu << entry->text().remove(u'&') + u' ' + entry->shortcut().toString();
        QVERIFY2(file_menu.contains(QStringLiteral("SAVE Ctrl+S")),
                 qPrintable(file_menu.join(u'|')));
        QVERIFY(!file_menu.join(u'|').contains(QStringLiteral("SAVE CONFIGURATION FILE")));
        QCOMPARE(get<QRadioButton>("Option1")->text(),
                 QStringLiteral("SWITCH CHANNEL ASSIGNMENTS"));
        QCOMPARE(get<QRadioButton>("Option1")->toolTip(),
                 QStringLiteral("LEFT CLICK TO VIEW SWITCH CHANNEL ASSIGNMENTS"));
        QCOMPARE(get<QRadioButton>("Option2")->text(),
                 QStringLiteral("LIGHTING CHANNEL ASSIGNMENTS"));
        QCOMPARE(get<QRadioButton>("Option2")->toolTip(),
                 QStringLiteral("LEFT CLICK TO VIEW LIGHTING CHANNEL ASSIGNMENTS"));
        QCOMPARE(get<QGroupBox>("Frame1")->title(), QStringLiteral("LIGHTING CONTROL CHANNELS:"));
        QCOMPARE(get<QGroupBox>("Frame2")->title(), QStringLiteral("LIGHTING INTENSITIES:"));
        const std::pair<const char*, const char*> labels[] = {
            {"Label19", "BACKLIGHT"},
            {"Label1", "DIMMING"},
            {"Label17", "NORMAL INDICATOR (%)"},
            {"Label15", "NORMAL BACKLIGHTING (%)"},
            {"Label16", "DIMMED BACKLIGHTING AND INDICATOR (%)"},
            {"Label6", "PANEL NAME"},
            {"Label7", "PROGRAMMING HEADER LOCATION"},
            {"Label14", ""},
        };
        for (const auto& [name, caption] : labels)
            QCOMPARE(get<QLabel>(name)->text(), QString::fromLatin1(caption));
        QCOMPARE(get<QLineEdit>("Text2")->toolTip(),
                 QStringLiteral("ENTER IDENTITY FOR FILE NAME"));
        QCOMPARE(get<QLineEdit>("Text2")->text(), QString());
        QCOMPARE(get<QLineEdit>("Text2")->maxLength(), 12);

        for (int n = 1; n <= 10; ++n) {
            const auto sw = QStringLiteral("SW%1").arg(n);
            const auto led = QStringLiteral("LED%1").arg(n);
            auto* sw_box = get<QLineEdit>(QStringLiteral("Text%1").arg(n + 2));
            auto* led_box = get<QLineEdit>(QStringLiteral("Text%1").arg(n + 12));
            QCOMPARE(sw_box->text(), QStringLiteral("DESIGNATION "));
            QCOMPARE(led_box->text(), QStringLiteral("DESIGNATION "));
            QCOMPARE(sw_box->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
            QCOMPARE(sw_box->toolTip(),
                     QStringLiteral("ENTER ") + sw + QStringLiteral(" FUNCTION"));
            QCOMPARE(led_box->toolTip(),
                     QStringLiteral("ENTER ") + led + QStringLiteral(" FUNCTION"));
            QCOMPARE(get<QListWidget>(QStringLiteral("List%1").arg(2 * n - 1))->toolTip(),
                     sw + QStringLiteral(" MODULE ASSIGNMENT"));
            QCOMPARE(get<QListWidget>(QStringLiteral("List%1").arg(2 * n))->toolTip(),
                     sw + QStringLiteral(" CHANNEL ASSIGNMENT"));
            QCOMPARE(get<QListWidget>(QStringLiteral("List%1").arg(2 * n + 19))->toolTip(),
                     led + QStringLiteral(" MODULE ASSIGNMENT"));
            QCOMPARE(get<QListWidget>(QStringLiteral("List%1").arg(2 * n + 20))->toolTip(),
                     led + QStringLiteral(" CHANNEL ASSIGNMENT"));
        }
        const std::pair<const char*, const char*> list_tips[] = {
            {"List41", "BACKLIGHTING MODULE ASSIGNMENT"},
            {"List42", "BACKLIGHTING CHANNEL ASSIGNMENT"},
            {"List43", "DIMMING MODULE ASSIGNMENT"},
            {"List44", "DIMMING CHANNEL ASSIGNMENT"},
            {"List49", "LED INDICATOR NORMAL INTENSITY (%)"},
            {"List45", "BACKLIGHTING NORMAL INTENSITY (%)"},
            {"List46", "DIMMED INDICATOR INTENSITY (%)"},
        };
        for (const auto& [name, tip] : list_tips)
            QCOMPARE(get<QListWidget>(name)->toolTip(), QString::fromLatin1(tip));
    }

    void list_entries_and_item_values() {
        const QStringList module_texts = {"N/A", "A", "B", "C", "D", "E", "F", "G", "H",
                                          "I",   "J", "K", "L", "M", "N", "O", "P"};
        const QList<int> module_values = {160, 0,  10,  20,  30,  40,  50,  60, 70,
                                          80,  90, 100, 110, 120, 130, 140, 150};
        const QStringList intensity_texts = {"100", "90", "80", "70", "60", "50", "40", "30"};
        const QList<int> intensity_values = {10, 7, 6, 5, 4, 3, 2, 1};

        const auto check = [](QListWidget* list, const QStringList& texts,
                              const QList<int>& values) {
            QCOMPARE(list->count(), texts.size());
            QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
            for (int row = 0; row < texts.size(); ++row) {
                QCOMPARE(list->item(row)->text(), texts[row]);
                QCOMPARE(list->item(row)->data(Qt::UserRole).toInt(), values[row]);
            }
        };
        for (int n = 1; n <= 44; ++n) {
            auto* list = get<QListWidget>(QStringLiteral("List%1").arg(n));
            if (n % 2 == 1) {
                check(list, module_texts, module_values);
            } else {
                QStringList texts;
                QList<int> values;
                for (int c = 0; c < 10; ++c)
                    texts << QString::number(c + 1), values << c;
                check(list, texts, values);
            }
            QCOMPARE(list->currentRow(), -1);
        }
        for (const char* name : {"List45", "List46", "List49"}) {
            check(get<QListWidget>(name), intensity_texts, intensity_values);
            QCOMPARE(get<QListWidget>(name)->currentRow(), 0);
        }
        QCOMPARE(form->findChildren<QListWidget*>().size(), 47);
        QVERIFY(!form->findChild<QListWidget*>("List47"));
        QVERIFY(!form->findChild<QListWidget*>("List48"));
    }

    void colours_and_fonts() {
        QStringList green = {"Option1"}, red = {"Option2", "List49"};
        for (int n = 3; n <= 12; ++n)
            green << QStringLiteral("Text%1").arg(n);
        for (int n = 13; n <= 22; ++n)
            red << QStringLiteral("Text%1").arg(n);
        for (int n = 1; n <= 20; ++n)
            green << QStringLiteral("List%1").arg(n);
        for (int n = 21; n <= 46; ++n)
            red << QStringLiteral("List%1").arg(n);
        const auto ink = [](QWidget* widget) {
            const bool text_role =
                qobject_cast<QListWidget*>(widget) || qobject_cast<QLineEdit*>(widget);
            return widget->palette().color(text_role ? QPalette::Text : QPalette::WindowText);
        };
        for (const QString& name : green)
            QCOMPARE(ink(get<QWidget>(name)), kDarkGreen);
        for (const QString& name : red)
            QCOMPARE(ink(get<QWidget>(name)), kDarkRed);
        QCOMPARE(ink(get<QWidget>("Text2")), form->palette().color(QPalette::Text));

        const auto font_is = [](QWidget* widget, qreal points, bool bold) {
            return qAbs(widget->font().pointSizeF() - points) < 0.01 &&
                   widget->font().bold() == bold;
        };
        for (const char* name : {"READ_FILE", "WRITE_FILE", "READ_CONFIG", "WRITE_CONFIG", "Frame1",
                                 "Frame2", "Label1", "Label15", "Label16", "Label17", "Label19"})
            QVERIFY2(font_is(get<QWidget>(name), 9.75, true), name);
        QVERIFY(font_is(get<QWidget>("Text1"), 8.25, false));
        QVERIFY(font_is(get<QWidget>("Text2"), 8.25, false));
        QVERIFY(font_is(get<QWidget>("List1"), 8.25, false));
        QVERIFY(font_is(get<QWidget>("List46"), 8.25, false));
        for (const char* name : {"Text3", "Text22", "Option1", "Label2", "Label6", "Label7"})
            QVERIFY2(font_is(get<QWidget>(name), 8.25, true), name);
    }

    void kinds_and_visibility_at_start() {
        // The port chooser's own edit box is not one of the window's text boxes.
        QCOMPARE(form->findChildren<QComboBox*>().size(), 1);
        QCOMPARE(form->findChildren<QLineEdit*>().size() + form->findChildren<QTextEdit*>().size(),
                 22 + 1);
        QCOMPARE(form->findChildren<QPushButton*>().size(), 4);
        QCOMPARE(form->findChildren<QRadioButton*>().size(), 2);
        QCOMPARE(form->findChildren<QGroupBox*>().size(), 2);
        int labels = 0;
        for (int n = 1; n <= 19; ++n)
            labels += form->findChild<QLabel*>(QStringLiteral("Label%1").arg(n)) != nullptr;
        QCOMPARE(labels, 18);
        QVERIFY(!form->findChild<QLabel*>("Label18"));

        auto* status = get<QTextEdit>("Text1");
        QVERIFY(status->isHidden());
        QVERIFY(status->isReadOnly());
        QCOMPARE(status->toPlainText(), QString());
        QVERIFY(get<QRadioButton>("Option1")->isChecked());
        QVERIFY(!get<QRadioButton>("Option2")->isChecked());
    }

    void status_text_shows_whole_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("fits");
        for (const char* text : kStatusTexts)
            QTest::newRow(text) << QString::fromLatin1(text) << true;
        // Longer than any text is meant to be: it scrolls rather than being cut.
        QTest::newRow("too long") << QStringLiteral("NO SUCH DEVICE ").repeated(20) << false;
    }

    // Each text whole and without a scroll bar, also after a text that needed a smaller size.
    void status_text_shows_whole() {
        QFETCH(QString, text);
        QFETCH(bool, fits);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        auto* status = get<StatusBox>("Text1");
        form->show_status(QString(200, u'W'), kStatusRed);
        form->show_status(text, kStatusRed);
        QCOMPARE(status->verticalScrollBar()->isVisible(), !fits);
        QCOMPARE(status->verticalScrollBar()->maximum() == 0, fits);
        QVERIFY(status->shown_point_size() >= kSmallestStatusPoints);
        if (text.size() < 40) QCOMPARE(status->shown_point_size(), status->font().pointSizeF());
    }

    // The chooser, its caption and the source line under it stand in both views, clear of
    // every other control.
    void port_chooser_clear_of_the_rest() {
        QCOMPARE(get<QLabel>("SERIAL_PORT_LABEL")->text(), QStringLiteral("SERIAL PORT"));
        for (const char* option : {"Option2", "Option1"}) {
            get<QRadioButton>(option)->click();
            for (const char* name : {"SERIAL_PORT", "SERIAL_PORT_LABEL", "SOURCE_LINE"}) {
                QWidget* part = get<QWidget>(name);
                QVERIFY(!part->isHidden());
                for (QWidget* other :
                     part->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                    QVERIFY2(other == part || other->isHidden() ||
                                 !other->geometry().intersects(part->geometry()),
                             qPrintable(other->objectName()));
            }
        }
    }

    // The outline runs along each frame's edge, drawn where no control covers it.
    void frame_outlines_on_their_edges() {
        form->show();
        get<QRadioButton>("Option2")->click();
        for (const char* name : {"Frame1", "Frame2"}) {
            auto* frame = get<QGroupBox>(name);
            const QImage image = frame->grab().toImage();
            const QColor background = frame->palette().color(QPalette::Window);
            const QRect inside = frame->rect().adjusted(1, 1, -1, -1);
            for (QWidget* child : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                QVERIFY2(inside.contains(child->geometry()), qPrintable(child->objectName()));
                const int x = child->geometry().center().x();
                QVERIFY2(image.pixelColor(x, 0) != background, qPrintable(child->objectName()));
            }
        }
    }
};

QTEST_MAIN(TestWindowLayout)
#include "test_window_layout.moc"
