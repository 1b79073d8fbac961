#pragma once
// A small CSV reader and writer for the lighting schedule: RFC 4180 quoting, a comma or a
// semicolon between fields (spreadsheets in many countries write semicolons), UTF-8 with
// or without a byte order mark, UTF-16 with one, or Windows-1252 (what a spreadsheet
// writes on Windows by default); CRLF or LF. Qt has no CSV class.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

namespace kvr::site {

struct CsvText {
    QString text;
    QString encoding; // "UTF-8", "UTF-16" or "Windows-1252"
};

// The bytes as text: UTF-16 when a UTF-16 byte order mark says so, UTF-8 when the bytes
// are UTF-8 (a byte order mark or not), else Windows-1252. The byte order mark is left out.
CsvText decode_csv(const QByteArray& bytes);

struct CsvRow {
    int line = 0; // the line the row starts on, counted from 1
    QStringList fields;
};

struct CsvTable {
    std::vector<CsvRow> rows; // blank lines are left out
    QString error;            // not empty: the text cannot be read as CSV, and why
    int error_line = 0;       // where the row that cannot be read starts
};

// The rows of the text with fields between separators; with last_line, only the rows that
// start on that line or before (a quote left open there is no error). A field written with
// the apostrophe that keeps a spreadsheet from taking it for a formula comes back without
// it (see write_csv).
CsvTable read_csv(QStringView text, QChar separator, int last_line = 0);

// How write_csv lays rows out.
struct CsvLayout {
    // So that spreadsheets take the bytes as UTF-8; left out where a program reads them from
    // a pipe.
    bool byte_order_mark = true;
    std::vector<bool> numbers; // the columns that hold numbers, written as they are
};

// UTF-8, commas, CRLF; a field is quoted when it holds a separator, a quote, a line end or
// blanks at either end. A field that a spreadsheet would take for a formula (it begins with
// =, +, -, @, a tab or a carriage return) is written after an apostrophe, which the
// spreadsheet hides and read_csv drops; so is one that begins with an apostrophe followed by
// one of those or another apostrophe, so that it too comes back as it was. A column of
// numbers is written as it is.
QByteArray write_csv(const std::vector<QStringList>& rows, const CsvLayout& layout = {});

} // namespace kvr::site
