#pragma once
// Dialogs for tests: records every message box and answers file dialogs from a script, so
// that no test ever waits on a modal window.

#include <QPrinter>
#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "dialogs.h"

class ScriptedDialogs final : public Dialogs {
  public:
    struct Message {
        QString text;
        QString title;
    };
    struct FileRequest {
        bool save;
        FileDialogState shown; // the dialog's state when it opened
    };

    std::vector<Message> messages;
    std::vector<FileRequest> file_requests;
    // Paths to answer the next file dialogs with; an empty optional cancels.
    std::deque<std::optional<QString>> file_answers;
    // Every question asked, and the answers to give; none left is Escape.
    std::vector<Question> questions;
    std::deque<int> answers;
    // The site each sheet dialog proposed, and the answers to give (an empty optional
    // cancels); none left takes the proposal as it is.
    std::vector<kvr::SheetSite> sites_proposed;
    std::deque<std::optional<kvr::SheetSite>> site_answers;
    // The document each print dialog was opened for, and the answers: a printer of the
    // system, or a PDF file as the dialog's print to file; an empty optional (or none
    // left) cancels.
    struct PrinterAnswer {
        QString printer;
        QString pdf_file;
    };
    std::vector<QString> printed_documents;
    std::deque<std::optional<PrinterAnswer>> printer_answers;
    // The text each text dialog proposed, and the answers to give (an empty optional
    // cancels); none left cancels.
    std::vector<QString> texts_proposed;
    std::deque<std::optional<QString>> text_answers;

    void message_box(QWidget*, const QString& text, const QString& title) override {
        messages.push_back({text, title});
    }
    bool show_open(QWidget*, FileDialogState& dialog) override { return answer(false, dialog); }
    bool show_save(QWidget*, FileDialogState& dialog) override { return answer(true, dialog); }
    bool show_folder(QWidget*, FileDialogState& dialog) override { return answer(false, dialog); }
    int ask(QWidget*, const Question& question) override {
        questions.push_back(question);
        if (answers.empty()) return question.escape_answer;
        const int chosen = answers.front();
        answers.pop_front();
        return chosen;
    }

    bool ask_site(QWidget*, kvr::SheetSite& site) override {
        sites_proposed.push_back(site);
        if (site_answers.empty()) return true;
        const std::optional<kvr::SheetSite> answer = site_answers.front();
        site_answers.pop_front();
        if (answer) site = *answer;
        return answer.has_value();
    }

    bool choose_printer(QWidget*, QPrinter& printer) override {
        printed_documents.push_back(printer.docName());
        if (printer_answers.empty() || !printer_answers.front()) {
            if (!printer_answers.empty()) printer_answers.pop_front();
            return false;
        }
        const PrinterAnswer answer = *printer_answers.front();
        printer_answers.pop_front();
        if (answer.pdf_file.isEmpty()) {
            printer.setPrinterName(answer.printer);
        } else {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(answer.pdf_file);
        }
        return true;
    }

    bool ask_text(QWidget*, const QString&, const QString&, QString& value) override {
        texts_proposed.push_back(value);
        if (text_answers.empty() || !text_answers.front()) {
            if (!text_answers.empty()) text_answers.pop_front();
            return false;
        }
        value = *text_answers.front();
        text_answers.pop_front();
        return true;
    }

  private:
    bool answer(bool save, FileDialogState& dialog) {
        file_requests.push_back({save, dialog});
        if (file_answers.empty()) return false;
        const std::optional<QString> path = file_answers.front();
        file_answers.pop_front();
        if (!path) return false;
        dialog.file_name = *path;
        return true;
    }
};
