#pragma once
// The lighting schedule: one row per function of a panel, as a lighting engineer designs a
// site in a spreadsheet, turned into the configurations the window would save, and back.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <vector>

#include "configuration/configuration.h"

namespace kvr::site {

// The columns, in the order export writes them; import takes them in any order.
inline const QStringList kScheduleColumns = {
    QStringLiteral("panel"),   QStringLiteral("room"),    QStringLiteral("function"),
    QStringLiteral("module"),  QStringLiteral("channel"), QStringLiteral("designation"),
    QStringLiteral("percent"),
};

struct SchedulePanel {
    QString file_name; // the name a save proposes for the panel name
    QString room;
    Configuration configuration;
    // The panel's text in each of the schedule's other columns, by column name; the
    // different texts of its rows joined with "; ".
    std::map<QString, QString> columns = {};
};

// What is wrong with a row (or, at row 0, with the schedule as a whole), or what the
// configuration's rules changed in it.
struct ScheduleRemark {
    int row = 0;
    QString text;
};

struct ScheduleImport {
    std::vector<SchedulePanel> panels;    // in the order of their first rows
    std::vector<ScheduleRemark> problems; // not empty: no panel may be saved
    std::vector<ScheduleRemark> notes;    // the intensity rule lowered a backlighting
    // The columns beyond kScheduleColumns ("floor", "notes"), in lower case, in order.
    QStringList extra_columns;
};

// Each panel as the window would save it: a function not listed is N/A with its
// designation untouched, an intensity not listed is 100 %, and the backlighting is kept
// no brighter than the indicator.
ScheduleImport import_schedule(const QByteArray& csv);

// The schedule that imports as these configurations, in the order given: a row for every
// function that is assigned or named, and the three intensities. The configurations must
// be complete (no incomplete_selection()).
QByteArray export_schedule(const std::vector<SchedulePanel>& panels);

} // namespace kvr::site
