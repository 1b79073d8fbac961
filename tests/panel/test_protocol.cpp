// The command bytes, the thresholds and the reply value conversion.
#include "panel/protocol.h"

#include <QTest>

#include <string>

using namespace std::string_literals;

namespace {

constexpr int none = 1 << 20; // stands for std::nullopt (no value) in the data tables

int value_of(const std::string& reply) {
    const auto v = kvr::reply_value(kvr::leading_number(reply));
    return v ? *v : none;
}

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
  private slots:
    void commandBytes() {
        QCOMPARE(kvr::write_command(5, 160), "S\0\x05\0\xa0"
                                             "D"s);
        QCOMPARE(kvr::write_command(0, 0), "S\0\0\0\0D"s);
        QCOMPARE(kvr::write_command(24, 255), "S\0\x18\0\xff"
                                              "D"s);
        QCOMPARE(kvr::read_command(63), "V\0?00V"s);
        QCOMPARE(kvr::read_command(0), "V\0\0"
                                       "00V"s);
        QCOMPARE(kvr::write_command(1, 2).size(), kvr::command_size);
        QCOMPARE(kvr::read_command(1).size(), kvr::command_size);
        QCOMPARE(kvr::attention, 'A');
        QCOMPARE(std::string(kvr::acknowledgement), "D000D"s);
        QCOMPARE(kvr::reply_wait_chars, std::size_t{5});
        QCOMPARE(kvr::min_reply_chars, std::size_t{4});
        QCOMPARE(kvr::attention_attempts, 6);
        QCOMPARE(kvr::tick.count(), 100);
        QCOMPARE(kvr::baud_rate, 9600);
    }

    void replyValue_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("expected");
        auto row = [](const char* name, const std::string& reply, int expected) {
            QTest::newRow(name) << QByteArray(reply.data(), static_cast<qsizetype>(reply.size()))
                                << expected;
        };
        // The panel's own form: ten times the value, four digits and a CR.
        row("0120 CR", "0120\r", 12);
        row("1600 CR", "1600\r", 160);
        row("0000 CR", "0000\r", 0);
        // Halves go to the even neighbour; everything else to the nearest.
        row("125", "125", 12);
        row("135", "135", 14);
        row("1205", "1205", 120);
        row("1215", "1215", 122);
        row("1255", "1255", 126);
        row("1245", "1245", 124);
        row("1600", "1600", 160);
        row("1610", "1610", 161);
        row("1204", "1204", 120);
        row("1206", "1206", 121);
        row("5", "5", 0);
        row("15", "15", 2);
        row("25", "25", 2);
        row("-5", "-5", 0);
        row("-15", "-15", -2);
        row("-25", "-25", -2);
        row("-35", "-35", -4);
        row("-16", "-16", -2);
        // Digits after the point decide only a tie, exactly however many there are.
        row("1205.000..01", "1205." + std::string(40, '0') + "1", 121);
        row("1205.000..00", "1205." + std::string(40, '0'), 120);
        row("1250.5", "1250.5", 125);
        row("1254.99", "1254.99", 125);
        row("-1205.1", "-1205.1", -121);
        row(".5", ".5", 0);
        row("5.", "5.", 0);
        row("15.", "15.", 2);
        row("-.5", "-.5", 0);
        // No number at all is no value, not 0.
        row("empty", "", none);
        row("letters", "abc", none);
        row("plus", "+", none);
        row("minus", "-", none);
        row("point", ".", none);
        row("minus point", "-.", none);
        row("two signs", "+-5", none);
        row("sign after digits", "15-5", 2);
        row("CR first", "\r0120", none);
        row("vertical tab first", "\v120", none);
        row("form feed first", "\f120", none);
        row("high byte first",
            "\xff"
            "120",
            none);
        row("exponent", "15E3", 2);
        row("radix", "&H10", none);
        // Blanks, tabs and line feeds are ignored, within the number too.
        row("leading blanks", " \t\n12", 1);
        row("leading blanks 125", " \t\n125", 12);
        row("blanks inside", "1 2\t0\n5", 120);
        row("blank after sign", "- 15", -2);
        row("blank before point", "12 .5", 1);
        // The number ends at the first character that cannot continue it.
        row("second point", "1.2.3", 0);
        row("second point rounds", "125.1.9", 13);
        row("trailing letters", "0120V", 12);
        row("digit after CR", "0120\r5", 12);
        row("letter inside", "12a34", 1);
        row("NUL inside",
            "15\0"
            "99"s,
            2);
        row("plus sign", "+1205", 120);
        row("negative zero", "-0", 0);
        // 16-bit bounds: exactly what fits, and the first value past each end.
        row("327674", "327674", 32767);
        row("327674.999", "327674.999", 32767);
        row("327675", "327675", none);
        row("327684", "327684", none);
        row("-327680", "-327680", -32768);
        row("-327684.9", "-327684.9", -32768);
        row("-327685", "-327685", -32768);
        row("-327685.000001", "-327685.000001", none);
        row("-327686", "-327686", none);
        row("-327695", "-327695", none);
        row("1200000", "1200000", none);
        row("999999", "999999", none);
        row("-999999", "-999999", none);
        // Length alone never overflows anything.
        row("many leading zeros", std::string(10000, '0') + "1205", 120);
        row("zeros then limit", std::string(10000, '0') + "327675", none);
        row("long fraction", "1215." + std::string(10000, '0') + "1", 122);
        row("huge", "1" + std::string(100000, '0'), none);
        row("huge negative", "-" + std::string(5000, '9'), none);
        row("huge fraction only", "." + std::string(100000, '9'), 0);
    }

    void replyValue() {
        QFETCH(QByteArray, reply);
        QFETCH(int, expected);
        QCOMPARE(value_of(reply.toStdString()), expected);
    }

    void leadingNumber() {
        auto n = kvr::leading_number("  -12.50x");
        QVERIFY(n.negative);
        QCOMPARE(n.integer_digits, "12"s);
        QCOMPARE(n.fraction_digits, "50"s);

        n = kvr::leading_number("1.2.3");
        QCOMPARE(n.integer_digits, "1"s);
        QCOMPARE(n.fraction_digits, "2"s);

        n = kvr::leading_number("-.");
        QVERIFY(!n.has_digits());
        QVERIFY(!n.negative);

        n = kvr::leading_number("007");
        QCOMPARE(n.integer_digits, "007"s);
        QVERIFY(n.fraction_digits.empty());
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "test_protocol.moc"
