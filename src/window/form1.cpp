#include "form1.h"

#include "company_log_link.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTextEdit>

#include "controls.h"
#include "port_chooser.h"

using namespace kvr;

namespace {

int pixels(int twips) {
    return twips / kTwipsPerPixel;
}

// The first installed family of a list of preferences. Asking Qt for a family that is not
// installed, even whether it is installed, sends it through fontconfig's slow search for a
// substitute; the plain list of installed families costs nothing more.
QString installed_family(const QStringList& preferences) {
    static const QStringList installed = QFontDatabase::families();
    for (const QString& family : preferences)
        if (installed.contains(family)) return family;
    return QFont().family();
}

QFont typeface(Typeface face) {
    // The fonts the layout was drawn for, then metric-compatible and common stand-ins.
    static const QString sans_serif = installed_family(
        {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"});
    static const QString arial = installed_family({"Arial", "Liberation Sans", "DejaVu Sans"});
    const bool arial_face = face == Typeface::Heading || face == Typeface::Status;
    QFont font(arial_face ? arial : sans_serif);
    font.setPointSizeF(face == Typeface::Heading ? 9.75 : 8.25);
    // Set the weight even when regular, so that it is not inherited from the window's bold.
    font.setBold(face == Typeface::Window || face == Typeface::Heading);
    return font;
}

QColor ink_colour(Ink ink) {
    return ink == Ink::Switch ? QColor(0, 128, 0) : QColor(192, 0, 0);
}

QListWidget* make_list(ListContents contents, QWidget* parent) {
    auto* list = new ChoiceList(parent);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true); // one entry measured instead of each
    for (const ListEntry& entry : list_entries(contents)) {
        auto* item = new QListWidgetItem(QString::fromLatin1(entry.text), list);
        item->setData(Qt::UserRole, entry.value);
    }
    return list;
}

QLineEdit* make_text_box(const ControlLayout& layout, QWidget* parent) {
    auto* box = new QLineEdit(QString::fromStdString(layout.caption), parent);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

QTextEdit* make_status_box(QWidget* parent) {
    auto* box = new StatusBox(parent);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Midlight));
    box->setPalette(palette);
    return box;
}

QLabel* make_label(const ControlLayout& layout, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(layout.caption), parent);
    label->setWordWrap(layout.width != 0);
    return label;
}

QWidget* make_picture(QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setPixmap(QPixmap(QStringLiteral(":/panel.bmp")));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

QWidget* make_shape(QWidget* parent) {
    auto* outline = new QFrame(parent);
    outline->setFrameShape(QFrame::Box);
    outline->setLineWidth(1);
    return outline;
}

} // namespace

int16_t item_value(const QListWidget* list, int row) {
    return static_cast<int16_t>(list->item(row)->data(Qt::UserRole).toInt());
}

Form1::Form1(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    setFont(typeface(Typeface::Window));
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("CLIENT_AREA"));
    client_->setFixedSize(client_size());
    build_controls();
    connect_handlers();
    set_up_panel_communication();
    company_log_ = new CompanyLogLink(log_path_, *Text1, this);
    connect_port_chooser();
    connect_file_operations();
    connect_sheet_printing();
    Form_Load();
    connect_close_guard();
    connect_undo();
    connect_keyboard();
    connect_marks();
    build_menu_bar();
    fit_to_screen(screen()->availableGeometry().size());
}

Form1::~Form1() {
    // Closing a shown window moves the focus, and ~QWidget closes it once Form1 is gone:
    // nothing of Form1 may answer that.
    disconnect(qApp, nullptr, this, nullptr);
}

QWidget* Form1::create_control(const ControlLayout& layout, QWidget* parent) {
    switch (layout.kind) {
    case ControlKind::List:
        return make_list(layout.list, parent);
    case ControlKind::TextBox:
        return make_text_box(layout, parent);
    case ControlKind::StatusBox:
        return make_status_box(parent);
    case ControlKind::Label:
        return make_label(layout, parent);
    case ControlKind::Button:
        return new WrappingButton(QString::fromStdString(layout.caption), parent);
    case ControlKind::Option:
        return new WrappingRadioButton(QString::fromStdString(layout.caption), parent);
    case ControlKind::Frame:
        return new OutlinedFrame(QString::fromStdString(layout.caption), parent);
    case ControlKind::Image:
        return make_picture(parent);
    case ControlKind::Shape:
        return make_shape(parent);
    case ControlKind::Line:
        return new LineControl(layout.height == 0, parent);
    case ControlKind::ComboBox:
        return new PortChooser(parent);
    }
    return nullptr;
}

void Form1::build_controls() {
    for (const ControlLayout& layout : layout_table()) {
        QWidget* parent = layout.parent.empty() ? client_ : control<QWidget>(layout.parent.c_str());
        QWidget* widget = create_control(layout, parent);
        widget->setObjectName(QString::fromStdString(layout.name));
        widget->setToolTip(QString::fromStdString(layout.tooltip));
        if (layout.font != Typeface::Window) widget->setFont(typeface(layout.font));
        if (layout.ink != Ink::Standard) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Text, ink_colour(layout.ink));
            palette.setColor(QPalette::WindowText, ink_colour(layout.ink));
            widget->setPalette(palette);
        }
        if (layout.kind == ControlKind::Line) {
            widget->setGeometry(pixels(layout.left), pixels(layout.top),
                                std::max(pixels(layout.width), kLinePixels),
                                std::max(pixels(layout.height), kLinePixels));
        } else if (layout.width == 0) {
            widget->move(pixels(layout.left), pixels(layout.top));
            widget->adjustSize();
        } else {
            widget->setGeometry(pixels(layout.left), pixels(layout.top), pixels(layout.width),
                                pixels(layout.height));
        }
    }

    for (int f = 0; f < kFunctionCount; ++f) {
        const FunctionRow& row = kFunctions[f];
        FunctionControls& controls = functions_[f];
        controls.module = control<QListWidget>(row.module_list);
        controls.channel = control<QListWidget>(row.channel_list);
        if (row.designation) controls.designation = control<QLineEdit>(row.designation);
        if (row.intensity_list) controls.intensity_list = control<QWidget>(row.intensity_list);
        if (row.intensity_label) controls.intensity_label = control<QWidget>(row.intensity_label);
    }
    for (int p = 0; p < kPositionCount; ++p)
        position_labels_[p] = control<QLabel>(kPositionLabels[p]);

    Text1 = control<QTextEdit>("Text1");
    Text2 = control<QLineEdit>("Text2");
    Option1 = control<QRadioButton>("Option1");
    Option2 = control<QRadioButton>("Option2");
    Option1->setChecked(true);
    Frame1 = control<QGroupBox>("Frame1");
    Frame2 = control<QGroupBox>("Frame2");
    Label14 = control<QLabel>("Label14");
    List45 = control<QListWidget>("List45");
    List46 = control<QListWidget>("List46");
    List49 = control<QListWidget>("List49");
    READ_FILE = control<QPushButton>("READ_FILE");
    WRITE_FILE = control<QPushButton>("WRITE_FILE");
    READ_CONFIG = control<QPushButton>("READ_CONFIG");
    WRITE_CONFIG = control<QPushButton>("WRITE_CONFIG");
    SERIAL_PORT = control<PortChooser>("SERIAL_PORT");
    control<QLabel>("Label6")->setAlignment(Qt::AlignCenter);
    Text1->hide();
}

void Form1::connect_handlers() {
    for (int f = 0; f < kFunctionCount; ++f) {
        connect(functions_[f].module, &QListWidget::currentRowChanged, this,
                [this, f] { module_list_click(f); });
        if (kFunctions[f].channel_handler)
            connect(functions_[f].channel, &QListWidget::currentRowChanged, this,
                    [this, f] { channel_list_click(f); });
    }
    const std::pair<QListWidget*, Intensity> intensity_lists[] = {{List45, Intensity::Backlighting},
                                                                  {List49, Intensity::Indicator},
                                                                  {List46, Intensity::Dimmed}};
    for (const auto& [list, which] : intensity_lists)
        connect(list, &QListWidget::currentRowChanged, this,
                [this, which] { intensity_list_click(which); });
    connect(Option1, &QRadioButton::clicked, this, &Form1::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &Form1::Option2_Click);
}

void Form1::Form_Load() {
    indpercent = kFullIntensity;
    blpercent = kFullIntensity;
    dindpercent = kFullIntensity;
    List45->setCurrentRow(0);
    List46->setCurrentRow(0);
    List49->setCurrentRow(0);
    show_switch_view();
}

void Form1::run_exclusively(void (Form1::*operation)()) {
    run_exclusively([this, operation] { (this->*operation)(); });
}

void Form1::run_exclusively(const std::function<void()>& operation) {
    if (operation_running_) return;
    operation_running_ = true;
    // Nothing that feeds or shows the configuration takes input while an operation runs, so
    // what is programmed or read is what the window shows at its end. The view buttons stay.
    const auto enable = [this](bool on) {
        for (QWidget* control : std::initializer_list<QWidget*>{READ_FILE, WRITE_FILE, READ_CONFIG,
                                                                WRITE_CONFIG, SERIAL_PORT, Text2})
            control->setEnabled(on);
        for (QListWidget* list : findChildren<QListWidget*>())
            list->setEnabled(on);
        for (const FunctionControls& controls : functions_)
            if (controls.designation) controls.designation->setEnabled(on);
        update_actions();
    };
    enable(false);
    operation();
    operation_running_ = false;
    enable(true);
    run_focus_after_operation();
    committed_ = capture_window(); // the view the operation left is where the next step starts
    show_source_line();
    if (close_requested_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void Form1::show_status(const QString& text, const QColor& background) {
    port_failure_shown_ = false;
    comparison_status_shown_ = false;
    QPalette palette = Text1->palette();
    palette.setColor(QPalette::Base, background);
    Text1->setPalette(palette);
    set_status_text(text);
    Text1->show();
}

void Form1::set_status_text(const QString& text) {
    Text1->setPlainText(text);
}
