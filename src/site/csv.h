#pragma once
// A small CSV reader and writer for the lighting schedule: RFC 4180 quoting, a comma or a
// semicolon between fields (spreadsheets in many countries write semicolons), UTF-8 with
// or without a byte order mark, CRLF or LF. Qt has no CSV class.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace kvr::site {

struct CsvRow {
    int line = 0; // the line the row starts on, counted from 1 (the header's)
    QStringList fields;
};

struct CsvTable {
    std::vector<CsvRow> rows; // the header first; blank lines are left out
    QString error;            // not empty: the text cannot be read as CSV, and why
    int error_line = 0;       // where the row that cannot be read starts
};

// The separator is the one the header line uses: a semicolon when it has more of them
// than commas outside quotes, else a comma.
CsvTable read_csv(const QByteArray& bytes);

// UTF-8 with a byte order mark (so that spreadsheets take it as UTF-8), commas, CRLF; a
// field is quoted when it holds a separator, a quote, a line end or blanks at either end.
QByteArray write_csv(const std::vector<QStringList>& rows);

} // namespace kvr::site
