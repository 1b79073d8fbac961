// The commissioning log's side of the window's reads and writes: one entry each, committed
// when the conversation ends. A log that cannot take it never holds up the operation; the
// status box's tooltip says why it was not recorded.

#include <QLineEdit>
#include <QTextEdit>

#include "form1.h"

#include "company_log_link.h"
#include "panel/panel_conversation.h"

using namespace kvr;

void Form1::begin_logged_operation(records::RecordOperation operation,
                                   const QString& values_digest) {
    job_ = {{operation, Text2->text(), {}, {}, values_digest}, {}, std::nullopt};
    records::LoggedOperation& logged = job_.logged;
    if (operation == records::RecordOperation::read) {
        logged.source_path = records::kReadSource;
    } else if (source_.holds_texts && !source_.name.isEmpty() && !changed_since_source()) {
        // The values are the file's as it was opened or saved; otherwise they are the
        // window's own.
        logged.source_path = source_.name;
        logged.source_sha256 = source_.sha256;
    }
    operation_clock_.start();
}

void Form1::note_panel_line(records::ConversationEnd& end) const {
    const bool simulated = !simulated_device_.isEmpty() && panel_port() == simulated_device_;
    records::note_line(end, simulated ? records::simulated_panel_name(1) : panel_port(),
                       panel_port(), simulated);
}

void Form1::commit_logged_operation(const ConversationResult& result) {
    Text1->setToolTip({});
    if (!log_path_) return;
    records::ConversationEnd end;
    note_panel_line(end);
    end.take(result);
    end.duration = std::chrono::milliseconds(operation_clock_.elapsed());
    const records::ConversationEnd* const ended[] = {&end};
    const records::LogResult logged = job_.commit(log_path_, std::nullopt, ended);
    Text1->setToolTip(logged.warning);
    // Pushed after, in the background: the operation has ended when the log has its entry.
    if (logged.logged) company_log_->push();
}
