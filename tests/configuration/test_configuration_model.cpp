#include <QTest>

#include "configuration/configuration_model.h"

using namespace kvr;

class TestConfigurationModel : public QObject {
    Q_OBJECT

  private slots:
    // Every 16-bit code against the rule, with c_index and A carried in from before.
    void code_split_over_every_code() {
        const int16_t previous_channel = 3;
        for (int code = -32768; code <= 32767; ++code) {
            const auto A = static_cast<int16_t>(code);
            const CodeSplit split = split_code(A, previous_channel);
            int expected_m, expected_c, expected_A;
            if (code > 159) {
                expected_m = 0, expected_c = previous_channel, expected_A = code;
            } else if (code < 10) {
                expected_m = 1, expected_c = code, expected_A = code;
            } else {
                expected_m = code / 10 + 1, expected_c = code % 10, expected_A = code % 10;
            }
            if (split.m_index != expected_m || split.c_index != expected_c || split.A != expected_A)
                QFAIL(qPrintable(QStringLiteral("code %1 gave m %2 c %3 A %4")
                                     .arg(code)
                                     .arg(split.m_index)
                                     .arg(split.c_index)
                                     .arg(split.A)));
        }
    }

    void code_split_through_the_members() {
        ConfigurationModel model;
        model.A = 23;
        model.code_split();
        QCOMPARE(model.m_index, 3);
        QCOMPARE(model.c_index, 3);
        QCOMPARE(model.A, 3);
        // A not-assigned code keeps the channel of the split before it.
        model.A = 160;
        model.code_split();
        QCOMPARE(model.m_index, 0);
        QCOMPARE(model.c_index, 3);
        QCOMPARE(model.A, 160);
    }

    void intensity_positions() {
        const std::pair<int16_t, std::optional<int>> cases[] = {{10, 0},
                                                                {7, 1},
                                                                {6, 2},
                                                                {5, 3},
                                                                {4, 4},
                                                                {3, 5},
                                                                {2, 6},
                                                                {1, 7},
                                                                {0, std::nullopt},
                                                                {8, std::nullopt},
                                                                {9, std::nullopt},
                                                                {11, std::nullopt},
                                                                {-1, std::nullopt},
                                                                {-32768, std::nullopt}};
        for (const auto& [code, position] : cases)
            QCOMPARE(intensity_position(code), position);
    }

    // The documented member names reach the right values, including the ones that share a
    // prefix (s1 / s10, led1 / led10) and backlighting and dimming, whose write value is
    // their live code.
    void members_by_documented_name() {
        ConfigurationModel model;
        model.functions[0].module_part = 11;
        model.functions[9].channel_part = 12;
        model.functions[19].write = 13;
        model.functions[20].live = 14;
        model.functions[21].module_part = 15;
        model.A = 16;
        QCOMPARE(*model.member("s1m"), 11);
        QCOMPARE(*model.member("s10c"), 12);
        QCOMPARE(*model.member("led10w"), 13);
        QCOMPARE(*model.member("bl"), 14);
        QCOMPARE(*model.member("dimchm"), 15);
        QCOMPARE(*model.member("A"), 16);
        QCOMPARE(*model.member("s1"), 0);
        QVERIFY(model.member("blw") == nullptr);
        QVERIFY(model.member("s11") == nullptr);
        QVERIFY(model.member("led1x") == nullptr);
        model.functions[20].write_value(kFunctions[20]) = 42;
        QCOMPARE(model.functions[20].live, 42);
        model.functions[3].write_value(kFunctions[3]) = 43;
        QCOMPARE(model.functions[3].write, 43);
        QCOMPARE(model.functions[3].live, 0);
    }
};

QTEST_APPLESS_MAIN(TestConfigurationModel)
#include "test_configuration_model.moc"
