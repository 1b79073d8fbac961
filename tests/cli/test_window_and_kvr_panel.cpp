// The window and kvr-panel fed the same files: both must program the same values, say the
// same about the intensity rule, and an open then save must change only what the rules
// change. Also what a running write leaves to the operator, and verify against a panel
// holding codes the program never writes.
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "configuration/configuration.h"
#include "files/configuration_file.h"
#include "panel/memory_map.h"
#include "kvr_panel_process.h"
#include "panel_fixture.h"

using namespace kvr;

namespace {

using Run = KvrPanelRun;

// A complete configuration in the form the window saves it: every code the lists can show.
Configuration plain() {
    Configuration c;
    c.panel_name = "HALL";
    for (int f = 0; f < kFunctionCount; ++f)
        c.codes[f] = static_cast<int16_t>(f * 7);
    for (int d = 0; d < 2 * kSwitchCount; ++d)
        c.designations[d] = "DESIGNATION " + std::to_string(d);
    return c;
}

QByteArray bytes_of(const Configuration& c) {
    return QByteArray::fromStdString(*write_configuration(record_of(c)));
}

std::vector<std::uint8_t> programmed(const sim::PtyHost& panel) {
    const auto memory = panel.locations();
    return {memory.begin(), memory.begin() + 25};
}

std::vector<std::uint8_t> values_of(const Configuration& c) {
    std::vector<std::uint8_t> values(c.codes.begin(), c.codes.end());
    for (const Intensity which : {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed})
        values.push_back(static_cast<std::uint8_t>(c.intensities[which]));
    return values;
}

} // namespace

class TestWindowAndKvrPanel : public QObject, PanelFixture {
    Q_OBJECT
    QTemporaryDir folder_;

    QString path(const QString& name) const { return folder_.filePath(name); }

  private slots:
    void same_file_same_panel_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("saved"); // what an open then save writes
        QTest::addColumn<bool>("rule_message");
        QTest::addColumn<bool>("window_at_90");

        const Configuration base = plain();
        Configuration broken = base; // indicator 30 %, backlighting 100 %
        broken.intensities[Intensity::Indicator] = 1;
        Configuration broken_saved = broken;
        broken_saved.intensities[Intensity::Backlighting] = 1;
        QTest::newRow("rule broken") << bytes_of(broken) << bytes_of(broken_saved) << true << false;

        Configuration invalid = base; // codes that mean 100 %, judged as such
        invalid.intensities[Intensity::Backlighting] = 0;
        invalid.intensities[Intensity::Indicator] = 8;
        invalid.intensities[Intensity::Dimmed] = 9;
        QTest::newRow("invalid intensity codes")
            << bytes_of(invalid) << bytes_of(base) << false << true;

        Configuration high = base;
        high.codes[0] = 200;
        high.codes[kDimming] = 32767;
        Configuration high_saved = base;
        high_saved.codes[0] = high_saved.codes[kDimming] = kNotAssigned;
        QTest::newRow("codes of 160 and more") << bytes_of(high) << bytes_of(high_saved) << false
                                               << false;

        Configuration texts = base;
        texts.panel_name = "NORTH LOBBY EAST WING";
        texts.designations[3] = "CAF\xC9 \x81\x8D\x8F\x90\x9D \x80";
        QTest::newRow("long name, undefined bytes")
            << bytes_of(texts) << bytes_of(texts) << false << false;

        Configuration tab = base;
        tab.designations[4] = "ENTRY\tDOOR";
        Configuration tab_saved = base;
        tab_saved.designations[4] = "ENTRYDOOR";
        QTest::newRow("control character") << bytes_of(tab) << bytes_of(tab_saved) << false
                                           << false;
    }

    void same_file_same_panel() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, saved);
        QFETCH(bool, rule_message);
        QFETCH(bool, window_at_90);
        const QString input = path("input.kcf");
        QFile::remove(input);
        QFile out(input);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(file) == file.size());
        out.close();
        const Configuration expected =
            as_programmed(configuration_of(std::get<ConfigurationRecord>(
                              read_configuration(file.toStdString()))))
                .configuration;

        new_window();
        form->show();
        if (window_at_90) {
            list(45)->setCurrentRow(1);
            list(49)->setCurrentRow(1);
        }
        connect_panel();
        form->open_configuration_file(input);
        QCOMPARE(dialogs.messages.size(), std::size_t(rule_message));
        // Both write at once, each to its own panel.
        sim::PtyHost other;
        QProcess cli;
        cli.start(QStringLiteral(KVR_PANEL), {QStringLiteral("write"), input, QStringLiteral("--port"),
                                              QString::fromStdString(other.slave_path())});
        click("WRITE_CONFIG");
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        const auto window_values = programmed(*panel);
        if (cli.state() != QProcess::NotRunning) QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardError().contains("NORMAL INDICATOR INTENSITY"), rule_message);
        QCOMPARE(programmed(other), window_values);
        QCOMPARE(window_values, values_of(expected));

        const QString target = path("saved.kcf");
        dialogs.file_answers.push_back(target);
        click("WRITE_FILE");
        QFile written(target);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), saved);

        // Compared as programmed, the file and what both panels hold are the same.
        const Run verify = kvr_panel({QStringLiteral("verify"), input, QStringLiteral("--port"),
                                      QString::fromStdString(other.slave_path())});
        QCOMPARE(verify.exit_code, 0);
    }

    // A box takes no character that would not come back from the file; a long name opened
    // stays whole, and typing never makes it longer.
    void boxes_keep_to_what_a_file_carries() {
        new_window();
        auto* designation = form->findChild<QLineEdit*>("Text3");
        designation->clear();
        designation->insert(QStringLiteral("ENTRY\tDOOR\"\u0100"));
        QCOMPARE(designation->text(), QStringLiteral("ENTRYDOOR"));
        Configuration c = plain();
        c.panel_name = "NORTH LOBBY EAST";
        const QString input = path("long.kcf");
        QFile out(input);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes_of(c)) > 0);
        out.close();
        form->open_configuration_file(input);
        auto* name = form->findChild<QLineEdit*>("Text2");
        QCOMPARE(name->text(), QStringLiteral("NORTH LOBBY EAST"));
        name->setFocus();
        name->end(false);
        QTest::keyClicks(name, "X");
        QCOMPARE(name->text(), QStringLiteral("NORTH LOBBY EAST"));
        QTest::keyClick(name, Qt::Key_Backspace);
        QTest::keyClicks(name, "X");
        QCOMPARE(name->text(), QStringLiteral("NORTH LOBBY EAS"));
        name->selectAll();
        QTest::keyClicks(name, "ABCDEFGHIJKLMN");
        QCOMPARE(name->text(), QStringLiteral("ABCDEFGHIJKL"));
    }

    // Codes 0 and 8 mean 100 % to the window, but the program never writes them: the panel
    // differs from a file at 100 % and says what it holds.
    void verify_reports_codes_as_held() {
        sim::PanelSettings settings;
        settings.initial_values = {{22, 0}, {23, 8}};
        sim::PtyHost held(settings);
        Configuration file = plain();
        for (int f = 0; f < kFunctionCount; ++f)
            file.codes[f] = kNotAssigned;
        const QString input = path("full.kcf");
        QFile out(input);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes_of(file)) > 0);
        out.close();
        const QString device = QString::fromStdString(held.slave_path());

        const Run verify = kvr_panel({QStringLiteral("verify"), input, QStringLiteral("--port"), device});
        QCOMPARE(verify.exit_code, 1);
        QVERIFY2(verify.out.contains(device + QStringLiteral(
                                                  ": backlighting intensity: file 100 %, panel code 0")),
                 qPrintable(verify.out));
        QVERIFY(verify.out.contains(QStringLiteral("indicator intensity: file 100 %, panel code 8")));
        const Run read = kvr_panel({QStringLiteral("read"), QStringLiteral("--port"), device,
                                    QStringLiteral("--json")});
        QCOMPARE(read.exit_code, 0);
        QVERIFY2(read.out.contains(QRegularExpression(
                     QStringLiteral("\"backlighting\": \\{\\s*\"code\": 0,\\s*\"percent\": 100"))),
                 qPrintable(read.out));
    }

    // The window's comparison and verify count the same places of the same panel: a
    // switch's code, an LED's, the dimming's, intensities, the first and the last location.
    void comparison_and_verify_count_the_same_places_data() {
        QTest::addColumn<std::vector<int>>("changed"); // locations the panel holds otherwise
        QTest::newRow("matches") << std::vector<int>{};
        QTest::newRow("a switch, an intensity") << std::vector<int>{2, 24};
        QTest::newRow("LED, dimming, intensities") << std::vector<int>{0, 13, 21, 22, 23};
    }
    void comparison_and_verify_count_the_same_places() {
        QFETCH(std::vector<int>, changed);
        const Configuration file = as_programmed(plain()).configuration;
        const QString input = path("compared.kcf");
        QFile::remove(input);
        QFile out(input);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes_of(plain())) > 0);
        out.close();
        sim::PanelSettings settings;
        for (const Location& location : configuration_locations()) {
            const std::int16_t value = value_at(file, location);
            const bool differs = std::ranges::count(changed, location.number) > 0;
            settings.initial_values[location.number] = std::uint8_t(differs ? value + 1 : value);
        }
        new_window();
        connect_panel(settings);
        form->open_configuration_file(input);
        form->compare_with_panel();
        QCOMPARE(form->differing_locations(), changed);
        const Run verify = kvr_panel({QStringLiteral("verify"), input, QStringLiteral("--port"),
                                      QString::fromStdString(panel->slave_path())});
        QCOMPARE(verify.exit_code, changed.empty() ? 0 : 1);
        QCOMPARE(verify.out.count(QStringLiteral(": file ")), qsizetype(changed.size()));
    }

    // A click during a write changes nothing: the panel gets what the window showed, and
    // the sheet's claim that the window shows the panel stays true.
    void nothing_changes_under_a_write() {
        new_window();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        for (int n = 1; n <= 43; n += 2)
            list(n)->setCurrentRow(1); // module A
        for (int n = 2; n <= 44; n += 2)
            list(n)->setCurrentRow(0); // channel 1
        connect_panel();
        QTimer::singleShot(600, form.get(), [this] {
            QVERIFY(form->operation_running());
            QListWidget* channel = list(2);
            QTest::mouseClick(channel->viewport(), Qt::LeftButton, {},
                              channel->visualItemRect(channel->item(5)).center());
            QTest::keyClicks(form->findChild<QLineEdit*>("Text2"), "X");
        });
        click("WRITE_CONFIG");
        QCOMPARE(status(), QStringLiteral("SWITCH PANEL HAS BEEN PROGRAMMED"));
        QCOMPARE(list(2)->currentRow(), 0);
        QCOMPARE(programmed(*panel)[0], 0);
        QVERIFY(form->findChild<QLineEdit*>("Text2")->text().isEmpty());
        QVERIFY(list(2)->isEnabled());
    }
};

QTEST_MAIN(TestWindowAndKvrPanel)
#include "test_window_and_kvr_panel.moc"
