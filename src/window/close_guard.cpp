// Closing the window never loses the installer's work: unsaved changes are saved,
// discarded or kept open as the operator answers, and a write is stopped only when asked.

#include <QCloseEvent>
#include <QDir>
#include <QLabel>

#include "form1.h"
#include "panel/panel_conversation.h"

using namespace kvr;

namespace {

const Question kUnsavedQuestion{
    QStringLiteral("UNSAVED CHANGES"),
    QStringLiteral("THE CONFIGURATION SHOWN HAS CHANGED SINCE IT WAS LAST OPENED, SAVED, READ "
                   "OR PROGRAMMED.\nSAVE IT BEFORE CLOSING?"),
    {QStringLiteral("SAVE"), QStringLiteral("DISCARD"), QStringLiteral("CANCEL")},
    0,
    2};
enum UnsavedAnswer { kSave, kDiscard, kCancel };

const Question kStopQuestion{
    QStringLiteral("PROGRAMMING IN PROGRESS"),
    QStringLiteral("THE SWITCH PANEL IS BEING PROGRAMMED. STOPPING NOW LEAVES IT PARTLY "
                   "PROGRAMMED, AND IT MUST THEN BE WRITTEN AGAIN.\nSTOP PROGRAMMING AND CLOSE?"),
    {QStringLiteral("KEEP PROGRAMMING"), QStringLiteral("STOP PROGRAMMING")},
    0,
    0};
constexpr int kStop = 1;

} // namespace

void Form1::connect_close_guard() {
    source_line_ = control<QLabel>("SOURCE_LINE");
    start_values_ = configuration_shown();
}

bool Form1::work_unsaved() const {
    return configuration_shown() != source_.values.value_or(start_values_);
}

void Form1::show_source_line() {
    QString line = source_.line;
    if (work_unsaved())
        line += line.isEmpty() ? QStringLiteral("changed") : QStringLiteral(", changed");
    source_line_->setText(line);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (operation_running_) {
        // A read stops at once; a write only when the operator says so.
        if (!stop_programming_asked()) return;
        close_requested_ = true;
        end_panel_operation(); // the operation ends at its next wait, then the window closes
        return;
    }
    close_requested_ = false;
    if (!work_unsaved() || unsaved_work_settled()) event->accept();
}

bool Form1::stop_programming_asked() {
    if (!conversation_->running() || conversation_->operation() != Operation::write) return true;
    if (dialogs_.ask(this, kStopQuestion) != kStop) return false;
    // The operator may have waited on the question until the write ended by itself.
    if (conversation_->running()) programming_stopped_ = true;
    return true;
}

bool Form1::open_file_asking(const QString& path) {
    if (operation_running_ || (work_unsaved() && !unsaved_work_settled())) return false;
    open_configuration_file(path);
    return source_.holds_texts && source_.name == QDir::toNativeSeparators(path);
}

bool Form1::unsaved_work_settled() {
    switch (dialogs_.ask(this, kUnsavedQuestion)) {
    case kSave:
        run_exclusively(&Form1::WRITE_FILE_Click);
        return !work_unsaved(); // a refused or cancelled save keeps the window open
    case kDiscard:
        return true;
    default:
        return false;
    }
}
