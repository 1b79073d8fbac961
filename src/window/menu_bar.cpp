// The menu bar: everything the window can do, each entry with its keys. It stands above the
// laid-out client area, which keeps its size and places; only the window grows.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QUndoStack>
#include <QVBoxLayout>

#include "form1.h"

using namespace kvr;

namespace {

enum class Menu { file, edit, panel, help };

struct MenuEntry {
    Menu menu;
    const char* text;
    QKeyCombination keys; // none: Qt::Key_unknown
    void (Form1::*run)();
    bool exclusive; // runs as an operation: nothing else meanwhile
};

constexpr QKeyCombination kNoKeys{Qt::Key_unknown};

// Undo and redo are the window's own actions (undo.cpp), added to the Edit menu as they are.
const MenuEntry kMenuEntries[] = {
    {Menu::file, "&OPEN CONFIGURATION FILE...", Qt::CTRL | Qt::Key_O, &Form1::READ_FILE_Click,
     true},
    {Menu::file, "OPEN SITE &FOLDER...", kNoKeys, &Form1::open_site_folder, false},
    // Into the file last opened or saved without asking, unlike the button that always asks.
    {Menu::file, "&SAVE", Qt::CTRL | Qt::Key_S, &Form1::save_file, true},
    {Menu::file, "SAVE &AS...", Qt::CTRL | Qt::SHIFT | Qt::Key_S, &Form1::WRITE_FILE_Click, true},
    {Menu::file, "&PRINT COMMISSIONING SHEET...", Qt::CTRL | Qt::Key_P,
     &Form1::print_commissioning_sheet, true},
    {Menu::file, "SAVE COMMISSIONING SHEET AS P&DF...", kNoKeys, &Form1::save_commissioning_sheet,
     true},
    {Menu::edit, "SET UNASSIGNED FUNCTIONS TO &N/A", kNoKeys,
     &Form1::set_unassigned_to_not_assigned, false},
    {Menu::panel, "&READ CONFIGURATION FROM SWITCH PANEL", Qt::CTRL | Qt::Key_R,
     &Form1::READ_CONFIG_Click, true},
    {Menu::panel, "&WRITE CONFIGURATION TO SWITCH PANEL", kNoKeys, &Form1::WRITE_CONFIG_Click,
     true},
    {Menu::panel, "&COMPARE WITH SWITCH PANEL", Qt::CTRL | Qt::SHIFT | Qt::Key_R,
     &Form1::compare_with_panel, true},
    {Menu::panel, "&TAKE THE PANEL'S VALUES", kNoKeys, &Form1::take_panel_values, false},
    {Menu::panel, "&LINE TIMING...", kNoKeys, &Form1::choose_line_timing, false},
    {Menu::panel, "C&OMPANY LOG...", kNoKeys, &Form1::choose_company_log, false},
    {Menu::help, "&KEYBOARD SHORTCUTS", kNoKeys, &Form1::show_shortcuts, false},
    {Menu::help, "&ABOUT", kNoKeys, &Form1::show_about, false},
};

constexpr const char* kMenuTitles[] = {"&FILE", "&EDIT", "&PANEL", "&HELP"};

constexpr int kRecentFiles = 8;
const QString kRecentKey = QStringLiteral("files/recent");

} // namespace

void Form1::build_menu_bar() {
    menu_.bar = new QMenuBar(this);
    menu_.bar->setObjectName(QStringLiteral("MENU_BAR"));
    std::array<QMenu*, std::size(kMenuTitles)> menus{};
    for (std::size_t m = 0; m < menus.size(); ++m)
        menus[m] = menu_.bar->addMenu(QString::fromLatin1(kMenuTitles[m]));
    menu_.file = menus[std::size_t(Menu::file)];
    QMenu* edit = menus[std::size_t(Menu::edit)];
    edit->addAction(menu_.undo);
    edit->addAction(menu_.redo);
    edit->addSeparator();

    for (const MenuEntry& entry : kMenuEntries) {
        QAction* action =
            menus[std::size_t(entry.menu)]->addAction(QString::fromLatin1(entry.text));
        const QKeySequence keys = entry.keys == kNoKeys ? QKeySequence() : QKeySequence(entry.keys);
        action->setShortcut(keys);
        const auto run = entry.run;
        if (entry.exclusive)
            connect(action, &QAction::triggered, this, [this, run] { run_exclusively(run); });
        else
            connect(action, &QAction::triggered, this, [this, run] { (this->*run)(); });
        if (entry.menu != Menu::help) menu_.operations.append(action);
        if (entry.run == &Form1::take_panel_values) menu_.take = action;
    }
    menu_.file->addSeparator();
    menu_.recent_end = menu_.file->addSeparator();
    QAction* quit = menu_.file->addAction(QStringLiteral("&QUIT"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, &QWidget::close);
    connect(menu_.file, &QMenu::aboutToShow, this, &Form1::show_recent_files);
    show_recent_files();
    update_actions();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menu_.bar);
    layout->addWidget(client_);
    setFixedSize(client_size() + QSize(0, menu_.bar->sizeHint().height()));
}

void Form1::update_actions() {
    if (!menu_.take) return; // before the menu bar is built
    for (const QList<QAction*>* actions : {&menu_.operations, &menu_.recent})
        for (QAction* action : *actions)
            action->setEnabled(!operation_running_);
    menu_.undo->setEnabled(!operation_running_ && can_undo());
    menu_.redo->setEnabled(!operation_running_ && undo_stack_ && undo_stack_->canRedo());
    menu_.take->setEnabled(!operation_running_ && panel_values_to_take());
}

void Form1::remember_file(const QString& path) {
    last_file_ = path;
    QSettings settings;
    QStringList recent = settings.value(kRecentKey).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    settings.setValue(kRecentKey, recent.mid(0, kRecentFiles));
    show_recent_files();
}

// From the settings each time, so that files another window opened are listed too.
void Form1::show_recent_files() {
    // Later: the entry that opened a file is still being triggered when the list changes.
    for (QAction* action : std::as_const(menu_.recent)) {
        menu_.file->removeAction(action);
        action->deleteLater();
    }
    menu_.recent.clear();
    const QStringList recent = QSettings().value(kRecentKey).toStringList().mid(0, kRecentFiles);
    for (int i = 0; i < recent.size(); ++i) {
        const QString path = recent[i];
        auto* action = new QAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), menu_.file);
        action->setToolTip(QDir::toNativeSeparators(path));
        connect(action, &QAction::triggered, this, [this, path] { open_file_asking(path); });
        menu_.file->insertAction(menu_.recent_end, action);
        menu_.recent.append(action);
    }
    update_actions();
}

void Form1::show_shortcuts() {
    QString text;
    for (QAction* menu : menu_.bar->actions())
        for (QAction* action : menu->menu()->actions())
            if (!action->shortcut().isEmpty())
                text += action->text().remove(u'&').remove(QStringLiteral("...")) +
                        QStringLiteral(": ") +
                        action->shortcut().toString(QKeySequence::NativeText) + u'\n';
    text += QStringLiteral("TAB: NEXT PLACE TO ENTER\nALT + UNDERLINED LETTER: MENU");
    dialogs_.message_box(this, text, QStringLiteral("KEYBOARD SHORTCUTS"));
}

void Form1::show_about() {
    const QString log =
        log_path_ ? QDir::toNativeSeparators(*log_path_) : QStringLiteral("not kept in this run");
    dialogs_.message_box(
        this,
        QStringLiteral("%1 %2\nConfigures the KVR 10-button dimmable switch panel (07-04412).\n\n"
                       "Commissioning log: %3\n\n"
                       "Copyright 2026 The kvr-config developers. All rights reserved: no licence "
                       "to copy, modify or redistribute this program has been granted.")
            .arg(QString::fromLatin1(kApplicationTitle), QCoreApplication::applicationVersion(),
                 log),
        QStringLiteral("ABOUT"));
}
