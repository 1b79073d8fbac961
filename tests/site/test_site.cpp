// The lighting schedule read and written, and the checks across a folder of panels.

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

#include "files/configuration_file_io.h"
#include "sheet/handover.h"
#include "site/schedule.h"
#include "site/site_check.h"
#include "site/site_file.h"

using namespace kvr;
using namespace kvr::site;

namespace {

const QByteArray kHeader = "panel,room,function,module,channel,designation,percent\n";

Configuration unassigned(const char* name) {
    Configuration configuration;
    configuration.panel_name = name;
    configuration.codes.fill(kNotAssigned);
    configuration.designations.fill("DESIGNATION ");
    return configuration;
}

} // namespace

class TestSite : public QObject {
    Q_OBJECT

  private slots:
    void refused_rows_are_named_and_nothing_is_made() {
        struct Case {
            QByteArray rows;
            int row;
            const char* says;
        };
        const Case cases[] = {
            {"L,,SW11,A,1,,\n", 2, "function \"SW11\" is none of"},
            {"L,,SW1,Q,1,,\n", 2, "module \"Q\""},
            {"L,,SW1,A,11,,\n", 2, "channel \"11\""},
            {"L,,LED3,B,,,\n", 2, "module B has no channel"},
            {"L,,SW1,N/A,4,,\n", 2, "N/A takes no channel"},
            {"L,,SW1,A,1,,\nL,,sw1,B,2,,\n", 3, "SW1 of L is given twice (first on row 2)"},
            {"L,,DIMMED INTENSITY,,,,35\n", 2, "percent \"35\""},
            {"L,,DIMMING,A,1,HALL,\n", 2, "takes no designation"},
            {"L,,SW1,A,1,\"SAY \"\"HI\"\"\",\n", 2, "double quote"},
            {"L,,SW1,A,1,CAFÉ ☕,\n", 2, "U+2615 (☕) is a character a configuration file"},
            {"THIRTEEN CHAR,,SW1,A,1,,\n", 2, "longer than 12"},
            {",,SW1,A,1,,\n", 2, "panel name is empty"},
            {"L,HALL,SW1,A,1,,\nL,STAIRS,SW2,A,2,,\n", 3, "room \"STAIRS\" differs"},
            {"A/B,,SW1,A,1,,\na_b,,SW1,A,1,,\n", 3, "would both be saved as a_b.kcf"},
            {"L,,SW1,\"A,1,,\n", 2, "never closed"},
            {"L,\x1b[2JHALL,SW1,A,1,,\n", 2, "room \"\x1b[2JHALL\": U+001b is a control"},
            {"L,\"HALL\nEAST\",SW1,A,1,,\n", 2, "U+000a is a control"},
            {"L,,SW1,A,1,,\nl,,SW2,A,2,,\n", 3, "\"l\" and panel \"L\" (row 2) differ only"},
            {"L,,SW1,A,1,,\nL ,,SW2,A,2,,\n", 3, "\"L \" and panel \"L\" (row 2) differ only"},
            {"L,,INDICATOR INTENSITY,,,,0.55\n", 2, "percent \"0.55\" is not one of 100, 90"},
            {"L,,SW1,A,1.5,,\n", 2, "channel \"1.5\" is not one of 1..10"},
        };
        for (const Case& c : cases) {
            const ScheduleImport result = import_schedule(kHeader + c.rows);
            QVERIFY2(result.panels.empty(), c.says);
            QCOMPARE(result.problems.size(), 1u);
            QCOMPARE(result.problems[0].row, c.row);
            QVERIFY2(result.problems[0].text.contains(QString::fromUtf8(c.says)),
                     qPrintable(result.problems[0].text));
        }
        const ScheduleImport untitled = import_schedule(QByteArray(11, '\n') + kHeader);
        QVERIFY(untitled.problems[0].text.startsWith("no header in the first 10 rows"));
        const ScheduleImport missing = import_schedule("panel;function;module;channel\n");
        QCOMPARE(missing.problems.size(), 3u); // room, designation, percent
        QCOMPARE(missing.problems[0].row, 1);
    }

    void schedules_as_spreadsheets_write_them() {
        // One panel: SW1 "CAFÉ" on A 1, the indicator at 50 %, the backlighting lowered to it.
        const QString rows = QStringLiteral("panel;room;function;module;channel;designation;"
                                            "percent\r\nCAFE;Café;SW1;A;%1;CAFÉ;\r\n"
                                            "CAFE;;INDICATOR INTENSITY;;;;%2\r\n");
        const auto utf16 = [](const QString& text, bool little) {
            QByteArray bytes = little ? "\xFF\xFE" : "\xFE\xFF";
            for (const QChar c : text) {
                const char high = char(c.unicode() >> 8), low = char(c.unicode() & 0xFF);
                bytes.append(little ? low : high).append(little ? high : low);
            }
            return bytes;
        };
        struct Case {
            QByteArray schedule;
            const char* read_as; // the note on what was read
            int header_row;
        };
        const Case cases[] = {
            {rows.arg("1", "50").toUtf8(), "", 1},
            {"\xEF\xBB\xBF" + rows.arg("01", "50%").toUtf8(), "", 1},
            {utf16(rows.arg("1", "50 %"), true), "0 read as UTF-16, as its byte order mark says",
             1},
            {utf16(rows.arg("1", "50.00%"), false), "0 read as UTF-16, as its byte order mark says",
             1},
            {rows.arg("1", "0.5").toLatin1(), "0 read as Windows-1252: the bytes are not UTF-8", 1},
            {"Riverside, lighting;;;\r\n;;;\r\n\r\n" + rows.arg("001", "50,00 %").toUtf8(), "", 4},
        };
        const std::string d = "\"DESIGNATION \",160,";
        std::string expected = "\"07-04410-MDL or 07-04411-MDL\",\"CAFE\",\"CAF\xC9\",0,";
        for (int f = 1; f < 20; ++f)
            expected += d;
        expected +=
            "\"BACKLIGHT\",160,\"DIMMING\",160,\"NORMAL INDICATOR (%)\",3,"
            "\"NORMAL BACKLIGHTING (%)\",3,\"DIMMED BACKLIGHTING AND INDICATOR (%)\",10\r\n";
        for (const Case& c : cases) {
            const ScheduleImport result = import_schedule(c.schedule);
            QVERIFY2(result.problems.empty(),
                     qPrintable(result.problems.empty() ? QString() : result.problems[0].text));
            QCOMPARE(result.panels.size(), 1u);
            QCOMPARE(write_configuration(record_of(result.panels[0].configuration)).value(),
                     expected);
            QCOMPARE(result.panels[0].room, QStringLiteral("Café"));
            QStringList notes;
            for (const ScheduleRemark& note : result.notes)
                notes << QString::number(note.row) + u' ' + note.text;
            QCOMPARE(notes.filter("0 read as").join(""), QString::fromLatin1(c.read_as));
            QCOMPARE(notes.filter("4 the header is on this row").size(), c.header_row > 1 ? 1 : 0);
        }

        // Designations a spreadsheet would take for formulas come back as they went.
        std::vector<SchedulePanel> panels{{"F.kcf", "=ROOM", unassigned("F")}};
        const char* formulas[] = {"=SUM(A1)", "+ RAISE", "- LOWER", "@X", "'=Q", "''", "'A"};
        for (int f = 0; f < int(std::size(formulas)); ++f) {
            panels[0].configuration.codes[f] = int16_t(f);
            panels[0].configuration.designations[f] = formulas[f];
        }
        const QByteArray exported = export_schedule(panels);
        QVERIFY(exported.contains(",'=ROOM,SW1,A,1,'=SUM(A1),") && exported.contains(",''=Q,") &&
                exported.contains(",''',") && exported.contains(",'A,"));
        const ScheduleImport back = import_schedule(exported);
        QCOMPARE(back.panels.size(), 1u);
        QCOMPARE(back.panels[0].configuration, panels[0].configuration);
        QCOMPARE(back.panels[0].room, QStringLiteral("=ROOM"));
    }

    void site_file_keeps_what_it_does_not_know() {
        QTemporaryDir folder;
        const auto written = [&](const QByteArray& json) {
            QFile file(folder.filePath("site.json"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
        };
        written("{\"site\": \"Riverside\", \"notes\": \"gate code 1234\", "
                "\"rooms\": {\"A.kcf\": \"HALL\"}, \"contacts\": [1, 2]}");
        QString error;
        SiteFile site = read_site_file(folder.path(), &error);
        QVERIFY(error.isEmpty());
        site.rooms["B.kcf"] = "STAIRS";
        QVERIFY(!write_site_file(folder.path(), site));
        const SiteFile again = read_site_file(folder.path(), &error);
        QCOMPARE(again, site);
        QCOMPARE(again.others.value("notes").toString(), QStringLiteral("gate code 1234"));
        QCOMPARE(again.others.value("contacts").toArray().size(), 2);

        const std::pair<QByteArray, const char*> refused[] = {
            {"{\"site\": 5}", "\"site\" is a number, not a text"},
            {"{\"rooms\": {\"A.kcf\": true}}",
             "the room of \"A.kcf\" is true or false, not a text"},
            {"{\"rooms\": [\"A.kcf\"]}", "\"rooms\" is a list, not an object"},
            {"{\"job\": \"J-1\\u001b[2J\"}", "\"job\" holds the control character U+001b"},
        };
        for (const auto& [json, says] : refused) {
            written(json);
            error.clear();
            QCOMPARE(read_site_file(folder.path(), &error), SiteFile{});
            QVERIFY2(error.contains(QString::fromUtf8(says)), qPrintable(error));
        }
        site.rooms["HUGE.kcf"] = QString(5 * 1024 * 1024, u'x');
        QVERIFY(write_site_file(folder.path(), site).value().contains("more than the"));
    }

    void schedule_gives_the_files_the_window_saves() {
        // Semicolons, a byte order mark, CRLF, a quoted separator, columns in another order,
        // rows of two panels interleaved, and the backlighting above the indicator.
        const QByteArray schedule = "\xEF\xBB\xBF"
                                    "function;panel;module;channel;designation;percent;room\r\n"
                                    "SW1;LOBBY;A;1;ENTRY;;\r\n"
                                    "SW1;OFFICE;b;3;DESK;;ROOM 2\r\n"
                                    "SW2;LOBBY;B;2;\"HALL; EAST\";;Entrance, hall\r\n"
                                    "LED1;LOBBY;P;10;\"\";;\r\n"
                                    "Backlighting;LOBBY;C;4;;;\r\n"
                                    ";;;;;;\r\n"
                                    "BACKLIGHTING INTENSITY;LOBBY;;;;70;\r\n"
                                    "DIMMED INTENSITY;LOBBY;;;;40 %;\r\n"
                                    "INDICATOR INTENSITY;OFFICE;;;;50;\r\n";
        const ScheduleImport result = import_schedule(schedule);
        QVERIFY(result.problems.empty());
        QCOMPARE(result.panels.size(), 2u);
        const SchedulePanel& lobby = result.panels[0];
        QCOMPARE(lobby.file_name, QStringLiteral("LOBBY.kcf"));
        QCOMPARE(lobby.room, QStringLiteral("Entrance, hall"));
        const std::string d = "\"DESIGNATION \",160,";
        QCOMPARE(write_configuration(record_of(lobby.configuration)).value(),
                 "\"07-04410-MDL or 07-04411-MDL\",\"LOBBY\",\"ENTRY\",0,\"HALL; EAST\",11," + d +
                     d + d + d + d + d + d + d + "\"\",159," + d + d + d + d + d + d + d + d + d +
                     "\"BACKLIGHT\",23,\"DIMMING\",160,\"NORMAL INDICATOR (%)\",10,"
                     "\"NORMAL BACKLIGHTING (%)\",5,\"DIMMED BACKLIGHTING AND INDICATOR "
                     "(%)\",2\r\n");
        // The indicator at 50 % lowers the backlighting with it, and says so.
        const Configuration& office = result.panels[1].configuration;
        QCOMPARE(office.codes[0], int16_t(12));
        QCOMPARE(office.intensities[Intensity::Backlighting], int16_t(3));
        QCOMPARE(result.notes.size(), 1u);
        QCOMPARE(result.notes[0].row, 10);

        // Exported and imported again: the same panels, and the same schedule.
        const QByteArray exported = export_schedule(result.panels);
        const ScheduleImport again = import_schedule(exported);
        QVERIFY(again.problems.empty());
        QCOMPARE(again.panels.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            QCOMPARE(again.panels[i].configuration, result.panels[i].configuration);
            QCOMPARE(again.panels[i].room, result.panels[i].room);
        }
        QCOMPARE(export_schedule(again.panels), exported);
    }

    void check_finds_what_is_wrong_across_the_folder() {
        QTemporaryDir folder;
        const auto save = [&](const char* file, const Configuration& configuration) {
            QVERIFY(!save_configuration_file(folder.filePath(file), record_of(configuration)));
        };
        Configuration lobby = unassigned("LOBBY");
        lobby.codes[0] = 23; // C 4
        lobby.designations[0] = "HALL";
        lobby.codes[10] = 23; // its LED on the same channel, named the same but for case
        lobby.designations[10] = "hall ";
        lobby.codes[1] = 5;
        lobby.designations[1] = "STAIRS";
        lobby.codes[11] = 5; // one panel's switch and LED named apart
        lobby.designations[11] = "LANDING";
        save("lobby.kcf", lobby);
        Configuration copy = unassigned("LOBBY");
        copy.codes[3] = 23;
        copy.designations[3] = "HALLWAY";
        copy.codes[kDimming] = kNoChannel;
        save("lobby-old.kcf", copy);
        save("office.kcf", unassigned("OFFICE"));
        save("lobby-2.kcf", unassigned("lobby ")); // one name to a reader and to Windows
        QFile refused(folder.filePath("broken.kcf"));
        QVERIFY(refused.open(QIODevice::WriteOnly));
        refused.write("\"NOT A PANEL\"\r\n");
        refused.close();

        const Site site = read_site(folder.path());
        QCOMPARE(site.panels.size(), 5u);
        const std::vector<Finding> findings = check_site(site.panels);
        QCOMPARE(findings.size(), 5u);
        QCOMPARE(findings[0].kind, FindingKind::refused_file);
        QCOMPARE(findings[0].places[0].file, QStringLiteral("broken.kcf"));
        QCOMPARE(findings[1].kind, FindingKind::duplicate_name);
        QCOMPARE(findings[1].places.size(), 3u);
        QCOMPARE(findings[1].text, QStringLiteral("the panel names \"lobby \" (lobby-2.kcf), "
                                                  "\"LOBBY\" (lobby-old.kcf, lobby.kcf) differ "
                                                  "only in case or in blanks at the ends"));
        QCOMPARE(findings[2].kind, FindingKind::designations_differ); // A 6: STAIRS, LANDING
        QCOMPARE(findings[2].places.size(), 2u);
        QCOMPARE(findings[2].places[1].function, QStringLiteral("LED2"));
        QCOMPARE(findings[3].kind, FindingKind::designations_differ); // C 4: HALL, hall, HALLWAY
        QCOMPARE(findings[3].places.size(), 3u);
        QCOMPARE(findings[3].places[0].file, QStringLiteral("lobby-old.kcf"));
        QCOMPARE(findings[3].text, QStringLiteral("C-4 is called \"HALLWAY\" (lobby-old.kcf SW4), "
                                                  "\"HALL\" (lobby.kcf SW1, lobby.kcf LED1)"));
        QCOMPARE(findings[4].kind, FindingKind::incomplete_selection);
        QCOMPARE(findings[4].places[0].function, QStringLiteral("DIMMING"));

        // The channel schedule of the same panels: by channel, each use in panel order.
        std::vector<HandoverPanel> panels;
        for (const SitePanel& panel : site.panels) {
            HandoverPanel& listed = panels.emplace_back();
            listed.file_name = panel.file_name;
            listed.configuration = panel.configuration;
            listed.room = QStringLiteral("ROOM ") + panel.file_name;
        }
        const std::vector<ChannelUse> uses = channel_schedule(panels);
        QCOMPARE(uses.size(), 5u);
        QCOMPARE(uses[0].code, int16_t(5));
        QCOMPARE(uses[0].designation, QStringLiteral("STAIRS"));
        QCOMPARE(uses[2].code, int16_t(23));
        QCOMPARE(uses[2].panel, QStringLiteral("LOBBY"));
        QCOMPARE(uses[2].room, QStringLiteral("ROOM lobby-old.kcf"));
        QCOMPARE(uses[2].function, 3);
        QCOMPARE(uses[4].function, 10);
    }
};

QTEST_GUILESS_MAIN(TestSite)
#include "test_site.moc"
