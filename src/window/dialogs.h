#pragma once
// Everything modal goes through this seam: the program shows real message boxes and file
// dialogs, tests script them.

#include <QString>
#include <QStringList>

#include "sheet/sheet.h"

class QPrinter;
class QWidget;

// What the file dialog holds between uses: the file name proposed before and chosen after,
// the filter in the "description|pattern" form, and the title.
struct FileDialogState {
    QString file_name;
    QString filter;
    QString title;
};

// A modal question with its answers as buttons, in order; the default answer is the one
// Enter gives, the escape answer the one Escape and the title bar's close button give.
struct Question {
    QString title;
    QString text;
    QStringList answers;
    int default_answer = 0;
    int escape_answer = 0;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // A modal message with an OK button only and no icon. An empty title shows the
    // application's title.
    virtual void message_box(QWidget* parent, const QString& text, const QString& title) = 0;

    // Modal open and save dialogs. They return false when the operator cancels; on
    // confirmation dialog.file_name holds the chosen path.
    virtual bool show_open(QWidget* parent, FileDialogState& dialog) = 0;
    virtual bool show_save(QWidget* parent, FileDialogState& dialog) = 0;
    // A modal dialog that chooses an existing folder, into dialog.file_name.
    virtual bool show_folder(QWidget* parent, FileDialogState& dialog) = 0;

    // Asks a question; returns the index of the answer chosen.
    virtual int ask(QWidget* parent, const Question& question) = 0;

    // Asks where and by whom a panel is commissioned, proposing site's fields; false when
    // the operator cancels, else site holds the answers.
    virtual bool ask_site(QWidget* parent, kvr::SheetSite& site) = 0;

    // The platform's print dialog: the system's printers, saving as PDF among them, and
    // their options; false when the operator cancels, else printer is set up as chosen.
    virtual bool choose_printer(QWidget* parent, QPrinter& printer) = 0;
    // Asks for one line of text, proposing value; false when the operator cancels, else
    // value holds the answer.
    virtual bool ask_text(QWidget* parent, const QString& title, const QString& text,
                          QString& value) = 0;
};

inline constexpr const char* kApplicationTitle = "KVR Config";

// The real dialogs of the platform.
class QtDialogs final : public Dialogs {
  public:
    void message_box(QWidget* parent, const QString& text, const QString& title) override;
    bool show_open(QWidget* parent, FileDialogState& dialog) override;
    bool show_save(QWidget* parent, FileDialogState& dialog) override;
    bool show_folder(QWidget* parent, FileDialogState& dialog) override;
    int ask(QWidget* parent, const Question& question) override;
    bool ask_site(QWidget* parent, kvr::SheetSite& site) override;
    bool choose_printer(QWidget* parent, QPrinter& printer) override;
    bool ask_text(QWidget* parent, const QString& title, const QString& text,
                  QString& value) override;
};
