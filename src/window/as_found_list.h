#pragma once
// The as-found list: a small window beside the main window that lists, after a comparison
// with a panel, every place where it differed (function, designation, the file's value, the
// panel's), and then what the panel was left holding. It stays until what the window shows
// changes or the panel is read again; from it the as-found report is saved.

#include <QWidget>
#include <optional>

#include "configuration/configuration.h"
#include "dialogs.h"
#include "sheet/as_found.h"

class QLabel;
class QPushButton;
class QTableWidget;

class AsFoundList : public QWidget {
    Q_OBJECT

  public:
    AsFoundList(Dialogs& dialogs, QWidget* parent);

    // A comparison's report, and the configuration the window showed when it was made.
    void show_comparison(const kvr::AsFoundReport& report, const kvr::Configuration& shown);
    // What the panel was left holding, and what the window shows since.
    void show_as_left(const kvr::AsLeft& as_left, const std::optional<kvr::PanelValues>& left,
                      const kvr::Configuration& shown);
    // Goes once the window shows something else than the report was made for.
    void window_changed(const kvr::Configuration& shown);
    void forget();

    const std::optional<kvr::AsFoundReport>& report() const { return report_; }
    // Asks where and saves the as-found report as a PDF; a failure says why.
    void save_report();

  private:
    void show_rows();

    Dialogs& dialogs_;
    QLabel* heading_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* as_left_ = nullptr;
    QPushButton* save_ = nullptr;
    std::optional<kvr::AsFoundReport> report_;
    kvr::Configuration shown_; // what the window showed for it
    FileDialogState dialog_;
};
