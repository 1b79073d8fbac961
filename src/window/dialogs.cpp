#include "dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <vector>

namespace {

// "CORVANTA CONFIGURATION FILES (*.kcf)|*.kcf" becomes the Qt filter
// "CORVANTA CONFIGURATION FILES (*.kcf)"; a description without the pattern in brackets
// gets it appended.
QString qt_filter(const QString& filter) {
    const qsizetype bar = filter.indexOf(u'|');
    if (bar < 0) return filter;
    const QString description = filter.left(bar);
    const QString pattern = filter.mid(bar + 1);
    if (description.contains(u'(' + pattern + u')')) return description;
    return description + QStringLiteral(" (") + pattern + u')';
}

// The site fields in the order the dialog asks them.
struct SiteField {
    const char* label;
    QString kvr::SheetSite::*field;
};
constexpr SiteField kSiteFields[] = {
    {"SITE", &kvr::SheetSite::site},       {"ROOM OR LOCATION", &kvr::SheetSite::room},
    {"JOB NUMBER", &kvr::SheetSite::job},  {"INSTALLER", &kvr::SheetSite::installer},
    {"COMPANY", &kvr::SheetSite::company},
};

bool run_file_dialog(QWidget* parent, FileDialogState& dialog, QFileDialog::AcceptMode mode,
                     QFileDialog::FileMode file_mode) {
    QFileDialog file_dialog(parent, dialog.title, QString(), qt_filter(dialog.filter));
    file_dialog.setAcceptMode(mode);
    file_dialog.setFileMode(file_mode);
    if (!dialog.file_name.isEmpty()) file_dialog.selectFile(dialog.file_name);
    if (file_dialog.exec() != QDialog::Accepted || file_dialog.selectedFiles().isEmpty())
        return false;
    dialog.file_name = file_dialog.selectedFiles().constFirst();
    return true;
}

} // namespace

void QtDialogs::message_box(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title.isEmpty() ? QString(kApplicationTitle) : title, text,
                    QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::show_open(QWidget* parent, FileDialogState& dialog) {
    return run_file_dialog(parent, dialog, QFileDialog::AcceptOpen, QFileDialog::ExistingFile);
}

bool QtDialogs::show_folder(QWidget* parent, FileDialogState& dialog) {
    return run_file_dialog(parent, dialog, QFileDialog::AcceptOpen, QFileDialog::Directory);
}

bool QtDialogs::show_save(QWidget* parent, FileDialogState& dialog) {
    return run_file_dialog(parent, dialog, QFileDialog::AcceptSave, QFileDialog::AnyFile);
}

int QtDialogs::ask(QWidget* parent, const Question& question) {
    QMessageBox box(QMessageBox::Question, question.title, question.text, QMessageBox::NoButton,
                    parent);
    std::vector<QPushButton*> buttons;
    for (const QString& answer : question.answers)
        buttons.push_back(box.addButton(answer, QMessageBox::ActionRole));
    box.setDefaultButton(buttons.at(question.default_answer));
    box.setEscapeButton(buttons.at(question.escape_answer));
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? question.escape_answer
                                   : static_cast<int>(chosen - buttons.begin());
}

bool QtDialogs::ask_site(QWidget* parent, kvr::SheetSite& site) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("COMMISSIONING SHEET"));
    auto* form = new QFormLayout(&dialog);
    std::vector<QLineEdit*> boxes;
    for (const SiteField& row : kSiteFields) {
        boxes.push_back(new QLineEdit(site.*row.field, &dialog));
        form->addRow(QString::fromLatin1(row.label), boxes.back());
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        site.*kSiteFields[i].field = boxes[i]->text().trimmed();
    return true;
}

bool QtDialogs::choose_printer(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogs::ask_text(QWidget* parent, const QString& title, const QString& text,
                         QString& value) {
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(parent, title, text, QLineEdit::Normal, value, &accepted);
    if (accepted) value = answer;
    return accepted;
}
