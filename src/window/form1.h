#pragma once
// The program's one window. It owns every control and, through ConfigurationModel, every
// value behind them. Its routines are spread over files by subsystem: building and
// start-up (form1.cpp), assignment selection (selection.cpp), intensities
// (intensities.cpp), views (views.cpp), collection (collection.cpp), undo (undo.cpp),
// closing and unsaved work (close_guard.cpp), keyboard (keyboard.cpp), the menu bar
// (menu_bar.cpp), comparing with a panel (compare_operation.cpp), fitting the screen
// (screen_fit.cpp), the company log (company_log_link.cpp).

#include <QColor>
#include <QElapsedTimer>
#include <QWidget>
#include <array>
#include <bitset>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "configuration/configuration.h"
#include "configuration/configuration_model.h"
#include "configuration/functions.h"
#include "control_marks.h"
#include "dialogs.h"
#include "files/configuration_file.h"
#include "function_controls.h"
#include "layout.h"
#include "menu_actions.h"
#include "records/panel_job.h"
#include "records/verdict.h"
#include "sheet/sheet.h"
#include "window_snapshot.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTextEdit;
class QUndoStack;
class CompanyLogLink;
class AsFoundList;
class PortChooser;
class WindowStep;

namespace kvr {
class LineTrace;
} // namespace kvr

class Form1 : public QWidget, public kvr::ConfigurationModel {
    Q_OBJECT

  public:
    explicit Form1(Dialogs& dialogs, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: intensity codes at 100 % and the switch view.
    void Form_Load();

    // Views.
    void show_switch_view();
    void Option1_Click();
    void Option2_Click();
    // The view the option buttons stand at, shown again after lists were set from code.
    void show_current_view();

    // Selection handlers of a function's module and channel lists (List1_Click ..
    // List43_Click), addressed by the function's index in kFunctions.
    void module_list_click(int function);
    void channel_list_click(int function);

    // Intensity lists: their handlers (List45_Click, List49_Click, List46_Click) and the
    // routines that select the entry for the code held in the model.
    using Intensity = kvr::Intensity;
    void intensity_list_click(Intensity which);
    void select_blpercent();
    void select_indpercent();
    void select_dindpercent();
    // Shows intensity codes loaded from a file or a panel: invalid codes become 100 %, then
    // the rule is kept (with its message when it lowers the backlighting).
    void select_intensities(const kvr::IntensityCodes& loaded);
    kvr::IntensityCodes intensity_codes() const;

    // Forms every write value from the lists; error_flag 1 or 2 on an incomplete selection.
    void collect_selections();
    // Frames in red the lists of every function whose selection is incomplete, until it is
    // complete, and gives the focus to the first one in the current view.
    void mark_incomplete_selections();
    // The assignment code a function's lists give now, or nothing when its selection is
    // incomplete.
    std::optional<int16_t> listed_code(int function) const;
    // The configuration the window shows: the lists' codes (kNoChannel where a selection is
    // incomplete), the intensities, and the texts of the boxes as a file carries them.
    kvr::Configuration configuration_shown() const;
    // What the log proves of the values shown, among the other files of their file's folder:
    // the verdict the sheet's stamp shows.
    kvr::records::Verdict window_verdict() const;

    // Shows the status box with a text on a background colour, or changes its text only.
    void show_status(const QString& text, const QColor& background);
    void set_status_text(const QString& text);

    // Runs one operation at a time: while it runs the four operation buttons and the port
    // chooser are disabled and a second click does nothing.
    void run_exclusively(void (Form1::*operation)());
    void run_exclusively(const std::function<void()>& operation);
    bool operation_running() const { return operation_running_; }

    // ---- Panel communication (panel_operations.cpp) ----
    // The device the panel operations use: serial port 1 ("COM1" on Windows,
    // "/dev/ttyS0" elsewhere) unless set.
    void set_panel_port(const QString& device);
    const QString& panel_port() const;
    // Every byte on the line is recorded there, if set. Not owned.
    void set_line_trace(kvr::LineTrace* trace);
    // A port named at start (--port, or the simulated panel's line shown as text): listed
    // in the SERIAL PORT chooser for the whole run, and used.
    void use_given_port(const QString& device, const QString& text = {});
    // The line of the panel simulated inside the program: used as a given port, and logged
    // as "SIMULATED PANEL 1", never as proof.
    void use_simulated_panel(const QString& device);
    // Names the window's port in an entry, the built-in simulated panel as the log calls it.
    void note_panel_line(kvr::records::ConversationEnd& end) const;

    // How long each reply from the panel is waited for (kvr::is_reply_wait): the protocol's
    // 100 ms unless chosen with choose_line_timing (remembered) or set for this run only
    // (--reply-wait). The pauses between transactions stay one tick.
    void set_reply_wait(std::chrono::milliseconds wait);
    std::chrono::milliseconds reply_wait() const;
    // The Panel menu's "Line timing": asks the reply wait through the dialogs and remembers
    // it for the next runs. Nothing changes when the operator cancels.
    void choose_line_timing();

    // The commissioning log every read and write is recorded in; nullopt (the default)
    // records nothing.
    void set_commissioning_log(const std::optional<QString>& path) { log_path_ = path; }
    const std::optional<QString>& commissioning_log() const { return log_path_; }

    // ---- Company log (company_log_link.cpp) ----
    CompanyLogLink& company_log() const { return *company_log_; }
    // Panel > Company log...
    void choose_company_log();

    // The two panel operations, run by the READ_CONFIG and WRITE_CONFIG buttons. A read
    // over unsaved work asks first.
    void READ_CONFIG_Click();
    void WRITE_CONFIG_Click();

    // ---- Comparing with a panel (compare_operation.cpp) ----
    // Reads the panel as a read does and marks every place where it holds something else
    // than the window would program; what the window shows stays. Logged as a verify.
    void compare_with_panel();
    // What the last comparison read, applied to the lists as one step; nothing without one.
    void take_panel_values();
    bool panel_values_to_take() const { return panel_values_.has_value(); }
    // The places the last comparison found different, by location number; cleared by the
    // next change.
    const std::vector<int>& differing_locations() const { return differing_; }

    // ---- Configuration files (file_operations.cpp) ----
    // Open asks first over unsaved work; WRITE_FILE_Click always asks where (Save As).
    void READ_FILE_Click();
    void WRITE_FILE_Click();
    // Saves to the file last opened or saved, asking where only when there is none (or a
    // read has replaced what the window showed from it).
    void save_file();
    // Opens the file at path as READ_FILE_Click does with the file chosen in its dialog;
    // false when it was refused or could not be read.
    bool open_configuration_file(const QString& path);
    // Opens the file at path after the unsaved-work question, as OPEN CONFIGURATION FILE
    // does; false when nothing was opened (cancelled, an operation runs, or refused).
    bool open_file_asking(const QString& path);
    // Opens the site window of a folder the operator chooses, beside this window.
    void open_site_folder();
    // Every function without a module chosen set to "N/A", as one step.
    void set_unassigned_to_not_assigned();

    // ---- Commissioning sheet (print_operation.cpp) ----
    // Prints the sheet of what the window shows now on the printer the operator chooses in
    // the platform's print dialog; run by Ctrl+P and the panel picture's context menu.
    void print_commissioning_sheet();
    // Saves that sheet as a PDF the operator chooses; from the File menu and the picture's
    // context menu.
    void save_commissioning_sheet();

    // ---- Undo (undo.cpp) ----
    // Every change the operator makes is one step; a read, an open and taking a panel's
    // values are one step too. A save or a write keeps them: only the saved point moves.
    void undo();
    void redo();
    bool can_undo() const;

    // ---- Closing (close_guard.cpp) ----
    // True when what the window shows differs from what is kept: the file last opened or
    // saved, names and designations included (the start when there is none). A panel read
    // in full, or programmed, keeps its values, but a file alone keeps the texts.
    bool work_unsaved() const;

    // ---- Menu bar (menu_bar.cpp) ----
    QMenuBar* menu_bar() const { return menu_.bar; }
    // Help: every entry's keys; the version, the log's place and the licence.
    void show_shortcuts();
    void show_about();

    // ---- Screen (screen_fit.cpp) ----
    // The window's client area, as laid out.
    static QSize client_size();
    // Keeps the window within a screen's available area: scroll bars over the fixed layout
    // when the area is smaller than the client area, nothing changed otherwise.
    void fit_to_screen(const QSize& available);

  signals:
    // A read's, a write's or a comparison's end has been committed to the log (or the log
    // is off or refused it); the status box shows the outcome.
    void panel_operation_logged();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void build_controls();
    QWidget* create_control(const kvr::ControlLayout& layout, QWidget* parent);
    void connect_handlers();
    template <class T> T* control(const char* name) const;
    void show_channel_by_rule(const FunctionControls& controls);
    void select_intensity(Intensity which);
    QListWidget* intensity_list(Intensity which) const;
    int16_t& intensity_code(Intensity which);

    Dialogs& dialogs_;
    std::array<FunctionControls, kvr::kFunctionCount> functions_{};
    std::array<QLabel*, kvr::kPositionCount> position_labels_{};

    // Controls the routines use by name.
    QTextEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label14 = nullptr;
    QListWidget* List45 = nullptr;
    QListWidget* List46 = nullptr;
    QListWidget* List49 = nullptr;
    QPushButton* READ_FILE = nullptr;
    QPushButton* WRITE_FILE = nullptr;
    QPushButton* READ_CONFIG = nullptr;
    QPushButton* WRITE_CONFIG = nullptr;
    PortChooser* SERIAL_PORT = nullptr;

    // ---- Panel communication (panel_operations.cpp) ----
    void set_up_panel_communication();
    void connect_port_chooser();
    void wait_for_conversation();
    void apply_panel_value(int location, int16_t value);
    void apply_assignment(int function, int16_t value);
    void select_intensities_read();
    void start_write();
    // Every operation's end, from the conversation's result: logged, then shown.
    void panel_operation_ended();
    kvr::PanelConversation* conversation_ = nullptr;
    std::bitset<3> intensities_read_; // by Intensity, during a read
    bool port_failure_shown_ = false; // the status box shows a port's red failure

    // ---- Comparing (compare_operation.cpp) ----
    bool comparing() const { return job_.compared.has_value(); }
    // Keeps what a comparison read and shows whether the panel matches.
    void show_comparison(const kvr::ConversationResult& result);
    void mark_differences();
    void clear_difference_marks();
    // The marks and the values read go once the panel may hold something else.
    void forget_comparison();
    std::optional<kvr::PanelValues> panel_values_;
    std::vector<int> differing_;
    ControlMarks difference_marks_;
    // The status box shows what the last comparison found: like the marks, it goes with
    // the next change of what the window holds.
    bool comparison_status_shown_ = false;

    // ---- As found (as_found_list.cpp) ----
    // What the as-found list hears of: a comparison's end, its values taken, a write's end,
    // a read, any change of what the window shows.
    enum class AsFoundEvent { compared, taken, written, read, changed };
    void as_found_event(AsFoundEvent event);
    AsFoundList* as_found_ = nullptr; // built at the first comparison

    // ---- Commissioning log (panel_log.cpp) ----
    // Before an operation starts: what its entry will say besides the conversation's end.
    void begin_logged_operation(kvr::records::RecordOperation operation,
                                const QString& values_digest = {});
    void commit_logged_operation(const kvr::ConversationResult& result);
    std::optional<QString> log_path_;
    QString simulated_device_; // the built-in simulated panel's line, when there is one
    kvr::records::PanelJob job_;
    QElapsedTimer operation_clock_;

    CompanyLogLink* company_log_ = nullptr;

    // ---- Configuration files (file_operations.cpp) ----
    void connect_file_operations();
    std::optional<kvr::ConfigurationRecord> read_chosen_file();
    void apply_record(const kvr::ConfigurationRecord& record);
    bool texts_carried() const;
    void limit_panel_name(qsizetype shown_length);
    void save_to(bool ask_where);
    void save_configuration(const kvr::Configuration& configuration);
    // Where a dialog starts: name in the folder of the file last opened or saved.
    QString in_last_folder(const QString& name) const;
    void remember_file(const QString& path);
    // The file dialog's state carries over from one file operation to the next.
    FileDialogState CommonDialog1;
    QString last_file_;

    // ---- Commissioning sheet (print_operation.cpp) ----
    void connect_sheet_printing();
    // What the window shows after a read or a write came from, as the operation ended.
    void follow_panel_source(const kvr::ConversationResult& result);
    kvr::SheetContent sheet_from_window();
    // Where what the window shows came from. For the sheet the window differs from it as
    // soon as it shows other values, or other texts when the source holds texts (a panel
    // holds none).
    void set_shown_source(const QString& source, bool holds_texts = true);
    bool changed_since_source() const;
    void show_programmed_line();
    QString shown_source() const;
    ShownSource source_;
    // The sheet's own dialog state, so that the file dialogs' proposals stay their own.
    FileDialogState sheet_dialog_;
    // The site answered last; installer and company are also kept in the settings.
    kvr::SheetSite sheet_site_;
    bool ask_sheet_site();

    // ---- Undo ----
    friend class WindowStep;
    // Selections set by code (a read, an open, an undo, a rule) are no steps of their own.
    struct Quiet {
        explicit Quiet(Form1& form) : form(form) { ++form.quiet_; }
        ~Quiet() { --form.quiet_; }
        Form1& form;
    };
    void connect_undo();
    WindowSnapshot capture_window() const;
    void restore_window(const WindowSnapshot& state, bool with_source);
    // The operator's change since the last step, as one step; typing in the same box
    // (merge_id) adds to the step before.
    void record_step(int merge_id = -1);
    // A read or an open, from the state before it.
    void record_operation(const WindowSnapshot& before);
    void push_step(WindowStep* step);
    void steps_changed();
    QUndoStack* undo_stack_ = nullptr; // built at the first step
    WindowSnapshot committed_;         // the window as after the last step
    int quiet_ = 0;
    bool restoring_ = false;

    // ---- Closing and unsaved work ----
    void connect_close_guard();
    bool stop_programming_asked();
    // Asks SAVE / DISCARD / CANCEL when work is unsaved, before doing what; true when the
    // operation may go on.
    bool unsaved_work_settled(const QString& before_doing);
    void settle(bool texts_too);
    void show_source_line();
    QLabel* source_line_ = nullptr;
    kvr::Configuration settled_; // what counts as kept, see work_unsaved
    bool programming_stopped_ = false;

    // ---- Menu bar ----
    void build_menu_bar();
    void update_actions();
    void show_recent_files();
    MenuActions menu_;

    // ---- Keyboard and marks ----
    void connect_keyboard();
    void connect_marks();
    void mark_function(int function, bool marked);
    void show_focus(QWidget* focused);
    std::array<bool, kvr::kFunctionCount> marked_{};
    QWidget* focus_mark_ = nullptr; // built at the first focus change
    void run_focus_after_operation();
    QWidget* focus_after_operation_ = nullptr;

    QWidget* client_ = nullptr;          // the laid-out client area, below the menu bar
    QScrollArea* scroll_area_ = nullptr; // only on a screen too small for the window

    bool operation_running_ = false;
    bool close_requested_ = false;
};

template <class T> T* Form1::control(const char* name) const {
    T* found = findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "Form1::control", name);
    return found;
}

// Item value (Qt::UserRole) of a list entry.
int16_t item_value(const QListWidget* list, int row);

// Status box backgrounds.
inline const QColor kStatusYellow{255, 255, 0};
inline const QColor kStatusRed{255, 0, 0};
inline const QColor kStatusGreen{0, 255, 0};
