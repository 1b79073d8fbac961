#include "files/configuration_file.h"
#include "configuration/windows1252.h"

#include <QTest>

using kvr::ConfigurationRecord;
using kvr::ReadFailure;

namespace {

// File contents written with ' for " so that they read like the file.
std::string kcf(std::string text) {
    std::ranges::replace(text, '\'', '"');
    return text;
}

const std::string example_file =
    kcf("'07-04410-MDL or 07-04411-MDL','LOBBY','ENTRY',0,'HALL',11,'DESIGNATION ',160,"
        "'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',160,"
        "'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',159,"
        "'DESIGNATION ',159,'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',160,"
        "'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',160,'DESIGNATION ',160,"
        "'DESIGNATION ',160,'BACKLIGHT',23,'DIMMING',160,'NORMAL INDICATOR (%)',10,"
        "'NORMAL BACKLIGHTING (%)',5,'DIMMED BACKLIGHTING AND INDICATOR (%)',2") +
    "\r\n";

ConfigurationRecord example_record() {
    ConfigurationRecord record;
    record.model = kvr::model_tag;
    record.panel_name = "LOBBY";
    record.functions.fill({"DESIGNATION ", 160});
    record.functions[0] = {"ENTRY", 0};
    record.functions[1] = {"HALL", 11};
    record.functions[10].number = 159;
    record.functions[11].number = 159;
    record.functions[20] = {"BACKLIGHT", 23};
    record.functions[21] = {"DIMMING", 160};
    record.indicator_intensity = {"NORMAL INDICATOR (%)", 10};
    record.backlighting_intensity = {"NORMAL BACKLIGHTING (%)", 5};
    record.dimmed_intensity = {"DIMMED BACKLIGHTING AND INDICATOR (%)", 2};
    return record;
}

// Field k holds the text "Fk" or the number k, negative in every other number field, so
// that a field read into the wrong place shows. No line end.
int numbered_value(int field) {
    return field % 4 == 0 ? -field : field;
}

std::string numbered_fields(int count) {
    std::string contents;
    for (int field = 1; field <= count; ++field) {
        const bool is_text = field <= 2 || field % 2 == 1;
        contents += (field > 1 ? "," : "") + (is_text ? kcf("'F" + std::to_string(field) + "'")
                                                      : std::to_string(numbered_value(field)));
    }
    return contents;
}

ConfigurationRecord read_ok(const std::string& contents) {
    const auto result = kvr::read_configuration(contents);
    const auto* record = std::get_if<ConfigurationRecord>(&result);
    if (!record) {
        const auto& failure = std::get<ReadFailure>(result);
        QTest::qFail(qPrintable(QStringLiteral("read failed at field %1").arg(failure.field)),
                     __FILE__, __LINE__);
        return {};
    }
    return *record;
}

std::optional<ReadFailure> read_failure(const std::string& contents) {
    const auto result = kvr::read_configuration(contents);
    if (const auto* failure = std::get_if<ReadFailure>(&result)) return *failure;
    return std::nullopt;
}

std::string replace_all(std::string text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

class ConfigurationFileTest : public QObject {
    Q_OBJECT

  private slots:
    void exampleFileIsWrittenAndReadByteForByte() {
        QCOMPARE(kvr::write_configuration(example_record()).value(), example_file);
        QCOMPARE(read_ok(example_file), example_record());
    }

    void everyFieldLandsInItsOwnPlace() {
        const ConfigurationRecord record = read_ok(numbered_fields(52) + "\r\n");
        QCOMPARE(record.model, "F1");
        QCOMPARE(record.panel_name, "F2");
        for (int i = 0; i < 22; ++i) {
            QCOMPARE(record.functions[i].text, "F" + std::to_string(3 + 2 * i));
            QCOMPARE(record.functions[i].number, numbered_value(4 + 2 * i));
        }
        QCOMPARE(record.indicator_intensity, (kvr::TextAndNumber{"F47", -48}));
        QCOMPARE(record.backlighting_intensity, (kvr::TextAndNumber{"F49", 50}));
        QCOMPARE(record.dimmed_intensity, (kvr::TextAndNumber{"F51", -52}));
        QCOMPARE(kvr::write_configuration(record).value(), numbered_fields(52) + "\r\n");
    }

    void textsReadBackWhole() {
        ConfigurationRecord record = example_record();
        record.panel_name = "";
        record.functions[0].text = "DOOR, LEFT";
        record.functions[1].text = "";
        record.functions[2].text = "  padded  ";
        record.functions[3].text = kvr::to_windows1252(u"CAFÉ ÆØÅ €").value();
        record.functions[4].text = "two\r\nlines";
        const std::string contents = kvr::write_configuration(record).value();
        QVERIFY(contents.find(kcf("'DOOR, LEFT',0,'',11,'  padded  ',160")) != std::string::npos);
        const ConfigurationRecord back = read_ok(contents);
        QCOMPARE(back, record);
        QCOMPARE(kvr::from_windows1252(back.functions[3].text), u"CAFÉ ÆØÅ €");
    }

    void textHoldingDoubleQuoteIsNotWritten() {
        // An unquoted field may hold a quote; writing it would lose part of the text.
        const ConfigurationRecord record =
            read_ok(replace_all(example_file, kcf("'HALL'"), kcf("HA'LL")));
        QCOMPARE(record.functions[1].text, kcf("HA'LL"));
        QVERIFY(!kvr::write_configuration(record));
    }

    void separatorsAndBlanks_data() {
        QTest::addColumn<std::string>("contents");
        QTest::newRow("CR between fields") << replace_all(example_file, ",", "\r");
        QTest::newRow("LF between fields") << replace_all(example_file, ",", "\n");
        QTest::newRow("CRLF between fields") << replace_all(example_file, ",", "\r\n");
        QTest::newRow("line break after commas") << replace_all(example_file, ",", ",\r\n");
        QTest::newRow("blank lines") << "\r\n\n" + replace_all(example_file, ",", "\r\n\r\n");
        QTest::newRow("blanks before fields") << " \t" + replace_all(example_file, ",", ",  \t ");
        QTest::newRow("blanks after numbers") << replace_all(example_file, "0,", "0 \t,");
        QTest::newRow("unquoted texts") << replace_all(example_file, kcf("'ENTRY'"), "ENTRY");
        QTest::newRow("no final line end") << example_file.substr(0, example_file.size() - 2);
        QTest::newRow("53 fields and more lines")
            << example_file.substr(0, example_file.size() - 2) + kcf(",'EXTRA',7\r\ngarbage,'\r\n");
        QTest::newRow("blanks after closing quote")
            << replace_all(example_file, kcf("'ENTRY',"), kcf("'ENTRY'  ,"));
        QTest::newRow("characters after closing quote")
            << replace_all(example_file, kcf("'HALL',"), kcf("'HALL'x y,"));
        QTest::newRow("rest of last number ignored")
            << replace_all(example_file, ",2\r\n", kcf(",2x'"));
    }

    void separatorsAndBlanks() {
        QFETCH(std::string, contents);
        QCOMPARE(read_ok(contents), example_record());
    }

    void emptyFieldsBetweenCommas() {
        const ConfigurationRecord record =
            read_ok(replace_all(example_file, kcf("'ENTRY',0,"), ", ,"));
        QCOMPARE(record.functions[0], (kvr::TextAndNumber{"", 0}));
        QCOMPARE(record.functions[1], example_record().functions[1]);
    }

    void shortFilesFail_data() {
        QTest::addColumn<std::string>("contents");
        QTest::addColumn<int>("field");
        QTest::newRow("empty") << std::string() << 1;
        QTest::newRow("blank lines only") << std::string(" \r\n\r\n") << 1;
        QTest::newRow("51 fields") << numbered_fields(51) + "\r\n" << 52;
        QTest::newRow("51 fields, blank lines") << numbered_fields(51) + "\r\n  \r\n" << 52;
        QTest::newRow("51 fields, comma") << numbered_fields(51) + "," << 52;
        QTest::newRow("ends inside quotes")
            << std::string(kcf("'07-04410-MDL or 07-04411-MDL','LOB")) << 2;
        QTest::newRow("quote never closed")
            << replace_all(numbered_fields(52), kcf("'F51'"), kcf("'F51")) << 51;
    }

    void shortFilesFail() {
        QFETCH(std::string, contents);
        QFETCH(int, field);
        QCOMPARE(read_failure(contents),
                 (ReadFailure{ReadFailure::Reason::ended_early, std::size_t(field)}));
    }

    void numbers_data() {
        QTest::addColumn<std::string>("field");
        QTest::addColumn<int>("value");
        QTest::newRow("lowest") << std::string("-32768") << -32768;
        QTest::newRow("highest") << std::string("32767") << 32767;
        QTest::newRow("zero") << std::string("0") << 0;
        QTest::newRow("minus zero") << std::string("-0") << 0;
        QTest::newRow("leading zeros") << std::string("000160") << 160;
        QTest::newRow("plus sign") << std::string("+5") << 5;
        QTest::newRow("empty") << std::string("") << 0;
        QTest::newRow("letters") << std::string("abc") << 0;
        QTest::newRow("sign only") << std::string("-") << 0;
        QTest::newRow("two signs") << std::string("+-5") << 0;
        QTest::newRow("quoted") << kcf("'12'") << 12;
        QTest::newRow("quoted, comma inside") << kcf("'1,2'") << 1;
        QTest::newRow("quoted, no number") << kcf("''") << 0;
        QTest::newRow("digits then letters") << std::string("12abc") << 12;
        QTest::newRow("fraction") << std::string("1.9") << 1;
        QTest::newRow("blank inside") << std::string("4 2") << 4;
    }

    void numbers() {
        QFETCH(std::string, field);
        QFETCH(int, value);
        const auto record = read_ok(replace_all(example_file, ",11,", "," + field + ","));
        QCOMPARE(record.functions[1].number, value);
        QCOMPARE(record.functions[2], example_record().functions[2]);
    }

    void numbersOutOfRangeFail_data() {
        QTest::addColumn<std::string>("field");
        QTest::newRow("one above") << std::string("32768");
        QTest::newRow("one below") << std::string("-32769");
        QTest::newRow("code 70000") << std::string("70000");
        QTest::newRow("many digits") << std::string("000099999999999999999999");
        QTest::newRow("quoted") << kcf("'-32769'");
    }

    void numbersOutOfRangeFail() {
        QFETCH(std::string, field);
        QCOMPARE(read_failure(replace_all(example_file, ",11,", "," + field + ",")),
                 (ReadFailure{ReadFailure::Reason::number_out_of_range, 6}));
    }

    void modelTagComparisonIsExact() {
        QVERIFY(read_ok(kcf("'07-04410-MDL or 07-04411-MDL ',") + numbered_fields(52)).model !=
                kvr::model_tag);
        QVERIFY(read_ok(kcf("'07-04410-mdl or 07-04411-MDL',") + numbered_fields(52)).model !=
                kvr::model_tag);
    }
};

QTEST_APPLESS_MAIN(ConfigurationFileTest)
#include "test_configuration_file.moc"
