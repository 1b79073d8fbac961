// Closing the window, opening a file or reading a panel never loses the installer's work:
// unsaved changes are saved, discarded or kept as the operator answers, and a write is
// stopped only when asked.

#include <QCloseEvent>
#include <QLabel>

#include "form1.h"
#include "panel/panel_conversation.h"

using namespace kvr;

namespace {

Question unsaved_question(const QString& before_doing) {
    return {QStringLiteral("UNSAVED CHANGES"),
            QStringLiteral("THE CONFIGURATION SHOWN HAS CHANGES THAT NO FILE HOLDS.\nSAVE IT "
                           "BEFORE ") +
                before_doing + u'?',
            {QStringLiteral("SAVE"), QStringLiteral("DISCARD"), QStringLiteral("CANCEL")},
            0,
            2};
}
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
    source_line_->setWordWrap(false); // one line high: a long line is shortened instead
    settled_ = configuration_shown();
}

bool Form1::work_unsaved() const {
    return configuration_shown() != settled_;
}

// A file keeps everything the window shows; a panel keeps the values only, so texts typed
// before a write still count as unsaved.
void Form1::settle(bool texts_too) {
    const Configuration shown = configuration_shown();
    if (texts_too) {
        settled_ = shown;
    } else {
        settled_.codes = shown.codes;
        settled_.intensities = shown.intensities;
    }
    show_source_line();
}

void Form1::show_source_line() {
    QString line = source_.line;
    if (work_unsaved())
        line += line.isEmpty() ? QStringLiteral("changed") : QStringLiteral(", changed");
    // Shortened in the middle, so that the file's name and whether it has changed stay in
    // sight; the tooltip holds the whole line.
    source_line_->setText(source_line_->fontMetrics().elidedText(
        line, Qt::ElideMiddle, source_line_->contentsRect().width()));
    source_line_->setToolTip(line);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (operation_running_) {
        // A read stops at once; a write only when the operator says so.
        if (!stop_programming_asked()) return;
        close_requested_ = true;
        conversation_->cancel(); // the operation ends at its next wait, then the window closes
        return;
    }
    close_requested_ = false;
    if (unsaved_work_settled(QStringLiteral("CLOSING"))) event->accept();
}

bool Form1::stop_programming_asked() {
    if (!conversation_->running() || conversation_->operation() != Operation::write) return true;
    if (dialogs_.ask(this, kStopQuestion) != kStop) return false;
    // The operator may have waited on the question until the write ended by itself.
    if (conversation_->running()) programming_stopped_ = true;
    return true;
}

bool Form1::unsaved_work_settled(const QString& before_doing) {
    if (!work_unsaved()) return true;
    switch (dialogs_.ask(this, unsaved_question(before_doing))) {
    case kSave:
        if (operation_running_)
            save_file();
        else
            run_exclusively(&Form1::save_file);
        return !work_unsaved(); // a refused or cancelled save goes no further
    case kDiscard:
        return true;
    default:
        return false;
    }
}
