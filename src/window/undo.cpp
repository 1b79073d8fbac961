// Undo and redo. A step holds the whole window before and after it, so undoing a read or an
// open brings back exactly what was shown, and the model with it: a save or a write after
// an undo uses the configuration brought back.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QUndoStack>

#include "form1.h"

using namespace kvr;

namespace {

constexpr int kPanelNameStep = kFunctionCount; // merge ids: a designation's function, or this

} // namespace

class WindowStep : public QUndoCommand {
  public:
    // An operation (an open, a read) also changed where the window's configuration came
    // from; an edit did not, so undoing it keeps the file saved since.
    WindowStep(Form1& form, WindowSnapshot before, WindowSnapshot after, int merge_id,
               bool operation)
        : form_(form), before_(std::move(before)), after_(std::move(after)), id_(merge_id),
          operation_(operation) {}

    void undo() override { form_.restore_window(before_, operation_); }
    // The first redo comes with the push, when the window already shows the step.
    void redo() override {
        if (pushed_) form_.restore_window(after_, operation_);
        pushed_ = true;
    }
    int id() const override { return id_; }
    bool mergeWith(const QUndoCommand* other) override {
        if (other->id() != id_) return false;
        after_ = static_cast<const WindowStep*>(other)->after_;
        return true;
    }

  private:
    Form1& form_;
    WindowSnapshot before_;
    WindowSnapshot after_;
    int id_;
    bool operation_;
    bool pushed_ = false;
};

namespace {

// The controls a function's handlers show or hide, in the order of WindowSnapshot::hidden.
template <class Controls>
std::array<QWidget*, WindowSnapshot::kToggledPerFunction> toggled(const Controls& c) {
    return {c.channel, c.designation, c.intensity_list, c.intensity_label};
}

} // namespace

void Form1::connect_undo() {
    const auto record = [this] {
        if (quiet_ == 0) record_step();
    };
    for (const FunctionControls& controls : functions_) {
        connect(controls.module, &QListWidget::currentRowChanged, this, record);
        connect(controls.channel, &QListWidget::currentRowChanged, this, record);
    }
    for (QListWidget* list : {List45, List46, List49})
        connect(list, &QListWidget::currentRowChanged, this, record);
    for (int f = 0; f < kFunctionCount; ++f)
        if (QLineEdit* box = functions_[f].designation)
            connect(box, &QLineEdit::textEdited, this, [this, f] { record_step(f); });
    connect(Text2, &QLineEdit::textEdited, this, [this] { record_step(kPanelNameStep); });
    // A view is no step of its own, but a step undone shows the view it was made in.
    for (QRadioButton* option : {Option1, Option2})
        connect(option, &QRadioButton::clicked, this, [this] { committed_ = capture_window(); });

    auto* picture = control<QLabel>("Image1");
    menu_.undo = new QAction(QStringLiteral("UNDO"), picture);
    menu_.undo->setShortcut(QKeySequence::Undo);
    menu_.redo = new QAction(QStringLiteral("REDO"), picture);
    menu_.redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    for (QAction* action : {menu_.undo, menu_.redo}) {
        action->setEnabled(false);
        picture->addAction(action);
    }
    connect(menu_.undo, &QAction::triggered, this, &Form1::undo);
    connect(menu_.redo, &QAction::triggered, this, &Form1::redo);
    committed_ = capture_window();
}

WindowSnapshot Form1::capture_window() const {
    WindowSnapshot state;
    for (int f = 0; f < kFunctionCount; ++f) {
        const FunctionControls& controls = functions_[f];
        state.shown.module_rows[f] = controls.module->currentRow();
        state.shown.channel_rows[f] = controls.channel->currentRow();
        if (controls.designation) state.shown.designations[f] = controls.designation->text();
        const auto widgets = toggled(controls);
        for (std::size_t w = 0; w < widgets.size(); ++w)
            state.shown.hidden[f * widgets.size() + w] = widgets[w] && widgets[w]->isHidden();
    }
    state.shown.panel_name = Text2->text();
    for (const Intensity which : {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed})
        state.shown.intensity_rows[static_cast<std::size_t>(which)] =
            intensity_list(which)->currentRow();
    state.shown.lighting_view = Option2->isChecked();
    state.model = *this;
    state.source = source_;
    return state;
}

// The lists are set as the operator would set them, so their handlers run, but the rule
// says nothing: the state brought back kept it when it was shown.
void Form1::restore_window(const WindowSnapshot& state, bool with_source) {
    const Quiet quiet(*this);
    restoring_ = true;
    for (int f = 0; f < kFunctionCount; ++f) {
        const FunctionControls& controls = functions_[f];
        controls.module->setCurrentRow(state.shown.module_rows[f]);
        controls.channel->setCurrentRow(state.shown.channel_rows[f]);
        if (controls.designation) controls.designation->setText(state.shown.designations[f]);
    }
    limit_panel_name(state.shown.panel_name.size());
    Text2->setText(state.shown.panel_name);
    for (const Intensity which : {Intensity::Backlighting, Intensity::Indicator, Intensity::Dimmed})
        intensity_list(which)->setCurrentRow(
            state.shown.intensity_rows[static_cast<std::size_t>(which)]);
    static_cast<ConfigurationModel&>(*this) = state.model;
    (state.shown.lighting_view ? Option2 : Option1)->setChecked(true);
    show_current_view();
    for (int f = 0; f < kFunctionCount; ++f) {
        const auto widgets = toggled(functions_[f]);
        for (std::size_t w = 0; w < widgets.size(); ++w)
            if (widgets[w]) widgets[w]->setHidden(state.shown.hidden[f * widgets.size() + w]);
    }
    if (with_source) source_ = state.source;
    restoring_ = false;
}

void Form1::record_step(int merge_id) {
    WindowSnapshot now = capture_window();
    if (now.shown == committed_.shown) return;
    push_step(new WindowStep(*this, std::move(committed_), now, merge_id, false));
    committed_ = std::move(now);
}

void Form1::record_operation(const WindowSnapshot& before) {
    committed_ = capture_window();
    if (committed_.shown == before.shown && committed_.source.name == before.source.name) {
        steps_changed();
        return;
    }
    push_step(new WindowStep(*this, before, committed_, -1, true));
}

void Form1::push_step(WindowStep* step) {
    if (!undo_stack_) undo_stack_ = new QUndoStack(this);
    undo_stack_->push(step);
    steps_changed();
}

void Form1::undo() {
    if (operation_running_ || !can_undo()) return;
    undo_stack_->undo();
    committed_ = capture_window();
    steps_changed();
}

void Form1::redo() {
    if (operation_running_ || !undo_stack_ || !undo_stack_->canRedo()) return;
    undo_stack_->redo();
    committed_ = capture_window();
    steps_changed();
}

bool Form1::can_undo() const {
    return undo_stack_ && undo_stack_->canUndo();
}

// Also the end of a comparison's marks: they belong to the window as it was compared.
void Form1::steps_changed() {
    clear_difference_marks();
    as_found_event(AsFoundEvent::changed);
    update_actions();
    show_source_line();
}
