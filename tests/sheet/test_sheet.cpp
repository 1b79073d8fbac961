// The sheet is checked as a reader of the PDF sees it: poppler's pdfinfo and pdftotext.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "sheet/sheet.h"

using namespace kvr;

namespace {

const QString kLongDesignation =
    QStringLiteral("Corridor lights from the north stairwell to the lift lobby, all three");

// Each function's designation as file bytes and its code; nullopt stands for a selection the
// window left incomplete.
struct FunctionCase {
    const char* designation;
    std::optional<std::int16_t> code;
    const char* table_row; // module and channel as the table shows them
};
const FunctionCase kCases[kFunctionCount] = {
    {"Entr\xE9"
     "e",
     0, "A 1"},
    {"Prix \x80 5", 9, "A 10"},
    {"", 10, "B 1"},
    {"Stairs", 23, "C 4"},
    {"Porch", std::nullopt, "not chosen"},
    {"Garden", 159, "P 10"},
    {"Spare", 160, "N/A \u2013"},
    {"Cellar", 32767, "N/A \u2013"},
    {"Garage", 150, "P 1"},
    {"Attic", 99, "J 10"},
    {"Fault", -1, "code -1"},
    {"Door open", 42, "E 3"},
    {"Alarm", 160, "N/A \u2013"},
    {"Heating", 1, "A 2"},
    {"Pump", 2, "A 3"},
    {"Fan", 3, "A 4"},
    {"Boiler", 4, "A 5"},
    {"Gate", 5, "A 6"},
    {"Blinds", 6, "A 7"},
    {"Night", 7, "A 8"},
    {"", 23, "C 4"},
    {"", 160, "N/A \u2013"},
};

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestSheet : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    QString pdf_;
    SheetContent content_;
    QString layout_text_; // rows as they stand on the page
    QString stream_text_; // texts in drawing order, so a wrapped one comes back whole

  private slots:
    void initTestCase() {
        ConfigurationRecord record;
        record.model = model_tag;
        record.panel_name = "Caf\xE9 \x80 12";
        for (int f = 0; f < kFunctionCount; ++f)
            record.functions[f] = {kCases[f].designation, kCases[f].code.value_or(0)};
        record.functions[2].text = kLongDesignation.toStdString();
        record.backlighting_intensity.number = 5;
        record.indicator_intensity.number = 10;
        record.dimmed_intensity.number = 0;
        content_ = sheet_content(configuration_of(record), QStringLiteral("/site/Caf\u00e9.kcf"),
                                 QDateTime(QDate(2024, 5, 17), QTime(14, 5)));
        content_.functions[4].code.reset();

        pdf_ = folder_.filePath(QStringLiteral("sheet.pdf"));
        QString error;
        QVERIFY2(write_sheet(content_, pdf_, &error), qPrintable(error));
        const QString info = run(QStringLiteral("pdfinfo"), {pdf_});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
                 qPrintable(info));
        layout_text_ = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf_, "-"});
        stream_text_ = run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf_, "-"});
        QVERIFY2(!layout_text_.isEmpty(), "pdftotext (poppler-utils) is needed");
        // A sample sheet to look at: KVR_SHEET_SAMPLE=sample.pdf test_sheet
        if (const QString sample = qEnvironmentVariable("KVR_SHEET_SAMPLE"); !sample.isEmpty()) {
            QFile::remove(sample);
            QVERIFY(QFile::copy(pdf_, sample));
        }
    }

    void heading_names_panel_and_source() {
        for (const char* text : {"Café € 12", "07-04412", "07-04410-MDL or 07-04411-MDL",
                                 "From Café.kcf", "Drawn 2024-05-17 14:05"})
            QVERIFY2(layout_text_.contains(QString::fromUtf8(text)), text);
    }

    void table_row_of_each_function_data() {
        QTest::addColumn<int>("function");
        for (int f = 0; f < kFunctionCount; ++f)
            QTest::newRow(kFunctions[f].label) << f;
    }
    void table_row_of_each_function() {
        QFETCH(int, function);
        const QString& designation = content_.functions[function].designation;
        const QString row = QString::fromLatin1(kFunctions[function].label) + u' ' +
                            (designation.isEmpty() ? QString() : designation + u' ') +
                            QString::fromUtf8(kCases[function].table_row);
        const QStringList lines = layout_text_.split(u'\n');
        QVERIFY2(std::ranges::any_of(
                     lines, [&row](const QString& line) { return line.simplified() == row; }),
                 qPrintable(row));
    }

    // Beside the face the designations stand in narrow places, wrapped or shrunk but whole.
    void designations_stand_whole_beside_the_face_too() {
        QString stream = stream_text_;
        stream.remove(QRegularExpression(QStringLiteral("\\s")));
        for (const QString& designation :
             {kLongDesignation, QStringLiteral("Entrée"), QStringLiteral("Prix € 5")})
            QVERIFY2(stream.count(QString(designation).remove(u' ')) == 2, qPrintable(designation));
    }

    void intensities_and_incomplete_selections_are_named() {
        const QString text = layout_text_.simplified();
        for (const char* expected :
             {"100 % Normal indicator", "70 % Normal backlighting", "code 0 Dimmed backlighting",
              "Incomplete selection, module or channel not chosen: SW5.",
              "Codes that name no module and channel: LED1 (code -1).",
              "Codes that name no intensity: Dimmed backlighting and indicator (code 0)."})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }

    void failed_write_leaves_no_file() {
        const QString path = folder_.filePath(QStringLiteral("missing/sheet.pdf"));
        QString error;
        QVERIFY(!write_sheet(SheetContent{}, path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestSheet)
#include "test_sheet.moc"
