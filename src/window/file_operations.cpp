// Opening and saving configuration files. A file is read completely and checked before
// anything on the window changes, and a save replaces the old file only once the new one
// is written in full.

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>

#include "configuration/texts.h"
#include "configuration/windows1252.h"
#include "file_text_validator.h"
#include "files/configuration_file_io.h"
#include "form1.h"
#include "panel/panel_conversation.h"
#include "site_window.h"

using namespace kvr;

namespace {

const QString kFileFilter = QStringLiteral("CORVANTA CONFIGURATION FILES (*.kcf)|*.kcf");

const QString kRefusedFileText =
    QStringLiteral("AN ERROR HAS OCCURRED READING THE FILE BECAUSE THE FILE\n"
                   "WAS NOT CREATED FOR THE 07-04412-(MDL)\n"
                   "-------------THE FILE READ OPERATION IS BEING ABANDONED!--------------");
const QString kRefusedFileTitle = QStringLiteral("FILE/MODEL MIS-MATCH");
const QString kBeforeOpening = QStringLiteral("OPENING ANOTHER FILE");

// The file's texts before the intensity codes, and the members they are read into.
struct IntensityText {
    TextAndNumber ConfigurationRecord::*field;
    std::string ConfigurationModel::*text;
};
const IntensityText kIntensityTexts[] = {
    {&ConfigurationRecord::indicator_intensity, &ConfigurationModel::indpct},
    {&ConfigurationRecord::backlighting_intensity, &ConfigurationModel::blpct},
    {&ConfigurationRecord::dimmed_intensity, &ConfigurationModel::dindpct},
};

std::string file_text_of(const QString& text) {
    return to_windows1252(text.toStdU16String()).value_or(std::string());
}

} // namespace

void Form1::connect_file_operations() {
    connect(READ_FILE, &QPushButton::clicked, this,
            [this] { run_exclusively(&Form1::READ_FILE_Click); });
    connect(WRITE_FILE, &QPushButton::clicked, this,
            [this] { run_exclusively(&Form1::WRITE_FILE_Click); });
    auto* validator = new FileTextValidator(this);
    Text2->setValidator(validator);
    for (const FunctionControls& controls : functions_)
        if (controls.designation) controls.designation->setValidator(validator);
    limit_panel_name(0);
    connect(Text2, &QLineEdit::textEdited, this,
            [this](const QString& text) { limit_panel_name(text.size()); });
}

// A name opened from a file is kept whole; what the operator types stays within the typed
// length, and a longer name can only be shortened.
void Form1::limit_panel_name(qsizetype shown_length) {
    Text2->setMaxLength(static_cast<int>(std::max<qsizetype>(kPanelNameTypedLength, shown_length)));
}

bool Form1::texts_carried() const {
    const auto carried = [](const QString& text) {
        return std::ranges::all_of(text, [](QChar c) { return carried_in_file_text(c.unicode()); });
    };
    for (const FunctionControls& controls : functions_)
        if (controls.designation && !carried(controls.designation->text())) return false;
    return carried(Text2->text());
}

Configuration Form1::configuration_shown() const {
    Configuration shown;
    shown.panel_name = file_text_of(Text2->text());
    for (int f = 0; f < kFunctionCount; ++f) {
        shown.codes[f] = listed_code(f).value_or(kNoChannel);
        if (const QLineEdit* box = functions_[f].designation)
            shown.designations[f] = file_text_of(box->text());
    }
    for (const Intensity which :
         {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed}) {
        const QListWidget* list = intensity_list(which);
        shown.intensities[which] = list->currentRow() < 0 ? intensity_codes()[which]
                                                          : item_value(list, list->currentRow());
    }
    return shown;
}

void Form1::READ_FILE_Click() {
    if (!unsaved_work_settled(kBeforeOpening)) return;
    Text1->hide();
    CommonDialog1.filter = kFileFilter;
    CommonDialog1.title = QStringLiteral("READ CONFIGURATION FILE");
    if (!last_file_.isEmpty()) CommonDialog1.file_name = last_file_;
    if (!dialogs_.show_open(this, CommonDialog1)) return;
    open_configuration_file(CommonDialog1.file_name);
}

bool Form1::open_file_asking(const QString& path) {
    bool opened = false;
    run_exclusively([this, &path, &opened] {
        if (!unsaved_work_settled(kBeforeOpening)) return;
        Text1->hide();
        opened = open_configuration_file(path);
    });
    return opened;
}

bool Form1::open_configuration_file(const QString& path) {
    CommonDialog1.file_name = path; // the open dialog proposes it next time
    const std::optional<ConfigurationRecord> record = read_chosen_file();
    if (!record) return false;
    const WindowSnapshot before = capture_window();
    {
        const Quiet quiet(*this);
        apply_record(*record);
        set_shown_source(QDir::toNativeSeparators(path));
    }
    settle(true);
    remember_file(path);
    source_.file = path;
    record_operation(before);
    return true;
}

std::optional<ConfigurationRecord> Form1::read_chosen_file() {
    FileReadResult result = read_configuration_file(CommonDialog1.file_name);
    if (auto* record = std::get_if<ConfigurationRecord>(&result)) return std::move(*record);
    const QString file = QDir::toNativeSeparators(CommonDialog1.file_name);
    if (const auto* not_opened = std::get_if<FileNotOpened>(&result))
        dialogs_.message_box(this,
                             QStringLiteral("THE FILE COULD NOT BE OPENED:\n") + file + u'\n' +
                                 not_opened->reason,
                             QStringLiteral("FILE NOT OPENED"));
    else
        // The fixed text first, then which file and why, as kvr-panel show says it.
        dialogs_.message_box(this,
                             kRefusedFileText + QStringLiteral("\n\n") + file + u'\n' +
                                 std::get<NotAConfigurationFile>(result).reason,
                             kRefusedFileTitle);
    return std::nullopt;
}

void Form1::apply_record(const ConfigurationRecord& record) {
    rmodel = record.model;
    panel = from_file_text(record.panel_name).toStdString();
    for (int f = 0; f < kFunctionCount; ++f) {
        file_text(f) = from_file_text(record.functions[f].text).toStdString();
        functions[f].live = record.functions[f].number;
    }
    for (const IntensityText& intensity : kIntensityTexts)
        this->*intensity.text = from_file_text((record.*intensity.field).text).toStdString();

    const QString name = QString::fromStdString(panel);
    limit_panel_name(name.size());
    Text2->setText(name);
    for (int f = 0; f < kFunctionCount; ++f) {
        const FunctionControls& controls = functions_[f];
        if (controls.designation)
            controls.designation->setText(QString::fromStdString(functions[f].desig));
        A = functions[f].live;
        code_split();
        controls.module->setCurrentRow(m_index);
        // A code of 160 or more keeps the channel of the split before it, which a panel
        // read of a negative value may have left outside the list.
        if (c_index >= -1 && c_index < controls.channel->count())
            controls.channel->setCurrentRow(c_index);
    }
    select_intensities(configuration_of(record).intensities);
    show_switch_view();
}

void Form1::WRITE_FILE_Click() {
    save_to(true);
}

void Form1::save_file() {
    save_to(source_.file.isEmpty());
}

void Form1::save_to(bool ask_where) {
    Text1->hide();
    error_flag = 0;
    wmodel = std::string(model_tag);
    collect_selections();
    if (error_flag != 0) {
        show_status(error_flag == 1 ? StatusTexts::switches_incomplete
                                    : QStringLiteral("DATA MUST BE ENTERED (CLICKED) FOR ALL "
                                                     "LED's AND BACKLIGHTING BEFORE WRITING DATA"),
                    kStatusRed);
        mark_incomplete_selections();
        return;
    }
    if (Text2->text().isEmpty()) {
        dialogs_.message_box(this, QStringLiteral("Name must be entered in PANEL NAME field"),
                             QString());
        return;
    }
    if (ask_where) {
        CommonDialog1.file_name = in_last_folder(proposed_file_name(Text2->text()));
        CommonDialog1.filter = kFileFilter;
        CommonDialog1.title = QStringLiteral("WRITE CONFIGURATION FILE");
        if (!dialogs_.show_save(this, CommonDialog1)) return;
    } else {
        CommonDialog1.file_name = source_.file;
    }
    save_configuration(configuration_shown());
}

QString Form1::in_last_folder(const QString& name) const {
    return last_file_.isEmpty() ? name : QFileInfo(last_file_).dir().filePath(name);
}

void Form1::save_configuration(const Configuration& configuration) {
    ConfigurationRecord record = record_of(configuration);
    record.model = wmodel;
    // The boxes' validator keeps uncarriable characters out; this guards the file all the same.
    const std::optional<QString> failure =
        texts_carried() ? save_configuration_file(CommonDialog1.file_name, record)
                        : kTextNotCarried;
    if (!failure) {
        set_shown_source(QDir::toNativeSeparators(CommonDialog1.file_name));
        // The file holds the window now; the steps before stay, to be undone if need be.
        settle(true);
        remember_file(CommonDialog1.file_name);
        source_.file = CommonDialog1.file_name;
        return;
    }
    dialogs_.message_box(this,
                         QStringLiteral("THE CONFIGURATION FILE WAS NOT SAVED:\n") +
                             QDir::toNativeSeparators(CommonDialog1.file_name) + u'\n' + *failure,
                         QStringLiteral("FILE NOT SAVED"));
}

void Form1::open_site_folder() {
    FileDialogState dialog{last_file_.isEmpty() ? QString() : QFileInfo(last_file_).absolutePath(),
                           {},
                           QStringLiteral("OPEN SITE FOLDER")};
    if (dialogs_.show_folder(this, dialog)) show_site_window(*this, dialog.file_name);
}
