#pragma once
// The site window: a folder of panels beside the main window, each with its room, its last
// entry in the commissioning log, whether the log proves it, and what the site's check
// finds in it. The main window does the work; this one says what is left to do.

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "site/site_check.h"

class Form1;
class QLabel;
class QPushButton;
class QTableWidget;

class SiteWindow : public QWidget {
    Q_OBJECT

  public:
    // The table's columns, in order.
    enum Column {
        panel_column,
        file_column,
        room_column,
        outcome_column,
        time_column,
        proven_column,
        findings_column,
        column_count
    };

    SiteWindow(const QString& folder, Form1& form, QWidget* parent = nullptr);

    // Reads the folder, its check and the log again.
    void refresh();
    // Opens the first panel that the log does not prove, in the table's order; false when
    // every panel is proven or the main window kept its work.
    bool open_next_panel();
    // Opens the panel of a row in the main window, asking about unsaved work first.
    bool open_row(int row);

  private:
    // The first row that can be programmed and is not proven.
    std::optional<int> next_row() const;

    QString folder_;
    Form1& form_;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* next_ = nullptr;
    QString company_read_; // up to when the company log was read, when one is named
    std::vector<kvr::site::SitePanel> panels_;
    std::vector<bool> proven_;
};

// Opens the site window of a folder beside the main window (File > Open site folder and
// --site FOLDER); it goes with the main window.
SiteWindow* show_site_window(Form1& form, const QString& folder);
