// The site window beside the real window on a simulated panel: what the table says before
// and after a write, and opening the next panel to do.

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include "files/configuration_file_io.h"
#include "records/commissioning_log.h"
#include "panel_fixture.h"
#include "sheet/as_found.h"
#include "site_window.h"

using namespace kvr;

class TestSiteWindow : public QObject, PanelFixture {
    Q_OBJECT

    QTemporaryDir folder;

    static void save(const QString& path, const char* name, int16_t code) {
        Configuration configuration;
        configuration.panel_name = name;
        configuration.codes.fill(kNotAssigned);
        configuration.codes[0] = code;
        QVERIFY(!save_configuration_file(path, record_of(configuration)));
    }
    QString cell(SiteWindow& site, int row, SiteWindow::Column column) const {
        return site.findChild<QTableWidget*>("SITE_TABLE")->item(row, column)->text();
    }

  private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.filePath("ini"));
    }

    void table_follows_the_writes_of_the_main_window() {
        save(folder.filePath("a.kcf"), "HALL", 3);
        save(folder.filePath("b.kcf"), "STAIRS", 3); // the same values, another name
        QVERIFY(!site::write_site_file(folder.path(), {"", "", "", "", {{"b.kcf", "WEST"}}}));
        new_window();
        form->set_commissioning_log(folder.filePath("log.sqlite"));
        SiteWindow site(folder.path(), *form);
        QCOMPARE(site.windowTitle(), QStringLiteral("SITE - ") + QDir(folder.path()).dirName());
        QCOMPARE(site.findChild<QTableWidget*>("SITE_TABLE")->rowCount(), 2);
        QCOMPARE(cell(site, 1, SiteWindow::room_column), QStringLiteral("WEST"));
        QCOMPARE(cell(site, 0, SiteWindow::proven_column), QStringLiteral("NOT PROVEN"));
        // Switches left unnamed are no finding.
        QCOMPARE(cell(site, 0, SiteWindow::findings_column), QString());

        QVERIFY(site.open_next_panel());
        QCOMPARE(form->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("HALL"));
        connect_panel();
        click("WRITE_CONFIG");
        QCOMPARE(status(), StatusTexts::programmed);
        QCOMPARE(cell(site, 0, SiteWindow::outcome_column),
                 QStringLiteral("programmed and verified"));
        QCOMPARE(cell(site, 0, SiteWindow::proven_column), QStringLiteral("PROVEN"));
        QCOMPARE(cell(site, 1, SiteWindow::proven_column), QStringLiteral("NOT PROVEN"));

        // The next is the other panel; changed work is kept when the operator cancels.
        list(1)->setCurrentRow(5);
        dialogs.answers = {2};
        QVERIFY(!site.open_next_panel());
        QCOMPARE(form->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("HALL"));
        dialogs.answers = {1};
        QVERIFY(site.open_next_panel());
        QCOMPARE(form->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("STAIRS"));

        // A write that fails is the panel's last outcome at once; stopped after its first
        // value, it leaves the panel holding what nobody knows.
        kvr::sim::PanelSettings failing;
        failing.faults.no_write_ack = {3};
        connect_panel(failing);
        click("WRITE_CONFIG");
        QCOMPARE(cell(site, 1, SiteWindow::outcome_column), QStringLiteral("failed"));
        QCOMPARE(cell(site, 1, SiteWindow::proven_column), QStringLiteral("UNKNOWN"));
        QCOMPARE(site.findChild<QTableWidget*>("SITE_TABLE")
                     ->item(1, SiteWindow::proven_column)
                     ->toolTip(),
                 QStringLiteral("THE LAST WRITE STOPPED AT LOCATION 3: PARTLY PROGRAMMED"));

        // The sheet dialog proposes what site.json says of the file shown, and writes back.
        dialogs.file_answers.push_back(folder.filePath("stairs.pdf"));
        dialogs.site_answers.push_back(SheetSite{"NORTH", "EAST", "J-1", "A. FITTER", "CO"});
        form->findChild<QLabel*>("Image1")->actions().at(1)->trigger(); // save as PDF
        QCOMPARE(dialogs.sites_proposed.back().room, QStringLiteral("WEST"));
        const site::SiteFile written = site::read_site_file(folder.path());
        QCOMPARE(written.site, QStringLiteral("NORTH"));
        QCOMPARE(written.rooms, (std::map<QString, QString>{{"b.kcf", "EAST"}}));
    }

    // The schedule's order and columns; a save, a comparison and its as-found list, taking the
    // panel's values and writing them; then which file the panel holds.
    void site_keeps_up_and_the_panel_is_found_as_it_was() {
        QTemporaryDir site_folder;
        save(site_folder.filePath("a.kcf"), "ALPHA", 5);
        save(site_folder.filePath("z.kcf"), "ZED", 3);
        site::SiteFile file;
        file.order = {"z.kcf", "a.kcf"};
        file.extra_columns = {"floor"};
        file.columns["z.kcf"]["floor"] = "2";
        QVERIFY(!site::write_site_file(site_folder.path(), file));
        new_window();
        form->set_commissioning_log(folder.filePath("log2.sqlite"));
        SiteWindow site(site_folder.path(), *form);
        auto* table = site.findChild<QTableWidget*>("SITE_TABLE");
        const int floor = SiteWindow::column_count;
        QCOMPARE(cell(site, 0, SiteWindow::file_column), QStringLiteral("z.kcf"));
        QCOMPARE(table->horizontalHeaderItem(floor)->text(), QStringLiteral("FLOOR"));
        QCOMPARE(table->horizontalHeader()->visualIndex(floor), SiteWindow::room_column + 1);
        QCOMPARE(table->item(0, floor)->text(), QStringLiteral("2"));
        table->sortItems(SiteWindow::file_column);
        QCOMPARE(cell(site, 0, SiteWindow::file_column), QStringLiteral("a.kcf"));
        table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        QCOMPARE(cell(site, 0, SiteWindow::file_column), QStringLiteral("z.kcf"));

        // A save shows in the table without being asked.
        QVERIFY(site.open_row(0));
        form->findChild<QLineEdit*>("Text2")->setText("ZED 2");
        form->save_file();
        QTRY_COMPARE(cell(site, 0, SiteWindow::panel_column), QStringLiteral("ZED 2"));

        connect_panel();
        form->compare_with_panel();
        auto* as_found = form->findChild<QWidget*>("AS_FOUND_LIST");
        QVERIFY(as_found && !as_found->isHidden());
        auto* rows = as_found->findChild<QTableWidget*>("AS_FOUND_TABLE");
        QCOMPARE(rows->rowCount(), 1);
        QCOMPARE(rows->item(0, 0)->text(), QStringLiteral("SW1"));
        QCOMPARE(rows->item(0, 3)->text(), QStringLiteral("N/A"));
        QCOMPARE(rows->item(0, 4)->text(), QString());
        QCOMPARE(cell(site, 0, SiteWindow::outcome_column), QStringLiteral("differs"));
        form->take_panel_values();
        QVERIFY(!as_found->isHidden());
        QCOMPARE(rows->item(0, 4)->text(), QStringLiteral("N/A"));
        click("WRITE_CONFIG");
        QCOMPARE(status(), StatusTexts::programmed);
        QVERIFY(as_found->findChild<QLabel*>("AS_LEFT")->text().startsWith("Written and read back"));
        dialogs.file_answers.push_back(folder.filePath("as found.pdf"));
        QTest::mouseClick(as_found->findChild<QPushButton*>("AS_FOUND_REPORT"), Qt::LeftButton);
        QVERIFY(QFileInfo(folder.filePath("as found.pdf")).size() > 0);

        // The panel holds neither file now; both are one place from it.
        site.identify_panel();
        QCOMPARE(site.findChild<QLabel*>("IDENTIFIED")->text(),
                 QString::fromStdString(panel->slave_path()) +
                     QStringLiteral(": holds none of the 2 files of %1; nearest: z.kcf differs in "
                                    "1 place; a.kcf differs in 1 place")
                         .arg(QDir::toNativeSeparators(site_folder.path())));
        records::CommissioningLog log(folder.filePath("log2.sqlite"));
        QCOMPARE(log.entries({}).entries.front().operation, records::RecordOperation::read);
        // The next change of what the window shows ends the list.
        list(1)->setCurrentRow(3);
        QVERIFY(as_found->isHidden());
    }
};

QTEST_MAIN(TestSiteWindow)
#include "test_site_window.moc"
