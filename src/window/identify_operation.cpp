// Which of the site's files the panel on the main window's port holds: read once, as the
// main window's read reads it and logged so, then compared in memory with every file of the
// folder. The main window's values stay as they are.

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QTableWidget>

#include "company_log_link.h"
#include "failure_advice.h"
#include "form1.h"
#include "panel/panel_conversation.h"
#include "records/conversation_record.h"
#include "records/panel_job.h"
#include "records/record.h"
#include "site/identify.h"
#include "site_window.h"

using namespace kvr;

namespace {

struct PanelRead {
    records::ConversationEnd end;
    QString log_warning;
};

// One read of the panel on the main window's port, with its line timing, logged as its
// reads are.
PanelRead read_panel_once(const Form1& form) {
    const records::PanelJob job{
        {records::RecordOperation::read, {}, records::kReadSource, {}, {}}, {}, std::nullopt};
    PanelRead read;
    const QString& port = form.panel_port();
    form.note_panel_line(read.end);
    PanelConversation conversation(port);
    conversation.set_reply_wait(form.reply_wait());
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&conversation, &PanelConversation::finished, &loop, &QEventLoop::quit);
    job.start(conversation);
    if (conversation.running()) loop.exec();
    read.end.take(conversation.result());
    read.end.duration = std::chrono::milliseconds(clock.elapsed());
    const records::ConversationEnd* const ends[] = {&read.end};
    const records::LogResult logged = job.commit(form.commissioning_log(), std::nullopt, ends);
    read.log_warning = logged.warning;
    // Pushed after, in the background, as the window's other entries are.
    if (logged.logged) form.company_log().push();
    return read;
}

} // namespace

void SiteWindow::identify_panel() {
    form_.run_exclusively([this] {
        const site::Site site = site::read_site(folder_);
        identified_->show();
        identified_->setText(QStringLiteral("READING THE SWITCH PANEL ON %1...")
                                 .arg(QDir::toNativeSeparators(form_.panel_port())));
        const PanelRead read = read_panel_once(form_);
        const records::ConversationEnd& end = read.end;
        identified_->setToolTip(read.log_warning);
        refresh(); // the read is in the log now
        if (!end.succeeded()) {
            const QString advice = failure_advice(end, form_.reply_wait());
            identified_->setText(
                end.device + QStringLiteral(": ") + end.final_text +
                (end.why().isEmpty() ? QString() : QStringLiteral(" - ") + end.why()) +
                (advice.isEmpty() ? QString() : u'\n' + advice));
            return;
        }
        const site::Identification found = site::identify_panel(site, end.values);
        identified_->setText(
            site::identification_text(found, end.device, QDir::toNativeSeparators(folder_)));
        const std::vector<const site::SiteCandidate*> held = found.held();
        for (std::size_t i = 0; i < panels_.size(); ++i)
            if (!held.empty() && panels_[i].file_name == held.front()->file_name)
                table_->selectRow(row_of_panel(i));
    });
}
