#pragma once
// The site window: a folder of panels beside the main window, each with its room, the
// schedule's own columns (floor, notes), its last entry in the commissioning log, whether the
// log proves it, and what the site's check finds in it. The main window does the work; this
// one says what is left to do, and keeps up with the folder and the log.

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

#include "site/site_check.h"

class Form1;
class QAction;
class QFileSystemWatcher;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

class SiteWindow : public QWidget {
    Q_OBJECT

  public:
    // The table's columns, in order; the schedule's own columns follow them, shown after the
    // room.
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
    // Opens the first panel that the log does not prove, in the schedule's order; false when
    // every panel is proven or the main window kept its work.
    bool open_next_panel();
    // Opens the panel of a table row (as sorted) in the main window, asking about unsaved
    // work first.
    bool open_row(int row);
    // Reads the main window's panel once and names the files of the site it holds
    // (identify_operation.cpp). Logged as a read; the main window stays as it is.
    void identify_panel();

  private:
    // The first panel, in the schedule's order, that can be programmed and is not proven.
    std::optional<std::size_t> next_panel() const;
    // The panel (index in panels_) shown in a table row.
    std::optional<std::size_t> panel_of_row(int row) const;
    int row_of_panel(std::size_t panel) const;
    void fill_row(int row, std::size_t panel, const QStringList& cells, const QString& reason);
    void show_row_menu(const QPoint& at);
    // Opens the row's file, then runs operation on it in the main window.
    void run_on_row(int row, void (Form1::*operation)());
    void watch_folder();
    void add_identify_entry();

    QString folder_;
    Form1& form_;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* identified_ = nullptr;
    QPushButton* next_ = nullptr;
    QString company_read_; // up to when the company log was read, when one is named
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* settle_ = nullptr; // one refresh for a burst of changes to the folder
    QAction* identify_action_ = nullptr;
    std::vector<kvr::site::SitePanel> panels_; // in the schedule's order
    std::vector<bool> proven_;
    QStringList extra_columns_;
};

// Opens the site window of a folder beside the main window (File > Open site folder and
// --site FOLDER); it goes with the main window.
SiteWindow* show_site_window(Form1& form, const QString& folder);
