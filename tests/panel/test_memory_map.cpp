// The location table the read and write operations walk.
#include "panel/memory_map.h"

#include <QTest>

class TestMemoryMap : public QObject {
    Q_OBJECT
  private slots:
    void tableInAddressOrder() {
        QCOMPARE(kvr::memory_map.size(), std::size_t{26});
        const auto config = kvr::configuration_locations();
        QCOMPARE(config.size(), std::size_t{25});
        for (int n = 0; n < 25; ++n) {
            QCOMPARE(int(config[n].number), n);
            QCOMPARE(&config[n], &kvr::memory_map[n]);
        }
        QCOMPARE(int(kvr::memory_map.back().number), 63);
        QCOMPARE(kvr::memory_map.back().kind, kvr::LocationKind::model_code);
    }

    void whatEachLocationHolds() {
        for (int n = 0; n < kvr::kFunctionCount; ++n) {
            const kvr::Location* l = kvr::find_location(n);
            QVERIFY(l);
            QCOMPARE(l->kind, kvr::LocationKind::assignment);
            QCOMPARE(l->function, n);
        }
        QCOMPARE(kvr::find_location(0)->holds, std::string_view("SW1 assignment"));
        QCOMPARE(kvr::find_location(9)->holds, std::string_view("SW10 assignment"));
        QCOMPARE(kvr::find_location(kvr::kSwitchCount)->holds, std::string_view("LED1 assignment"));
        QCOMPARE(kvr::find_location(kvr::kBacklighting)->holds,
                 std::string_view("backlighting assignment"));
        QCOMPARE(kvr::find_location(kvr::kDimming)->holds, std::string_view("dimming assignment"));

        const std::pair<int, kvr::Intensity> intensities[] = {{22, kvr::Intensity::Backlighting},
                                                              {23, kvr::Intensity::Indicator},
                                                              {24, kvr::Intensity::Dimmed}};
        for (const auto& [n, which] : intensities) {
            const kvr::Location* l = kvr::find_location(n);
            QCOMPARE(l->kind, kvr::LocationKind::intensity);
            QCOMPARE(l->intensity, which);
            QCOMPARE(l->function, -1);
        }
        QCOMPARE(kvr::find_location(kvr::model_code_location), &kvr::memory_map.back());
        for (int n : {-1, 25, 40, 62, 64, 255})
            QVERIFY(!kvr::find_location(n));
    }

    void modelCodesAndReadRange() {
        QVERIFY(kvr::is_accepted_model(70));
        QVERIFY(kvr::is_accepted_model(79));
        for (int code : {0, 69, 71, 78, 80, 160, -70})
            QVERIFY(!kvr::is_accepted_model(static_cast<std::int16_t>(code)));
        QVERIFY(kvr::in_read_range(0));
        QVERIFY(kvr::in_read_range(160));
        QVERIFY(!kvr::in_read_range(161));
        QVERIFY(!kvr::in_read_range(-1));
        QVERIFY(!kvr::in_read_range(170));
    }
};

QTEST_APPLESS_MAIN(TestMemoryMap)
#include "test_memory_map.moc"
