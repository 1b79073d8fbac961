#include "port_chooser.h"

#include <QEvent>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>

using namespace kvr;

namespace {

// udev creates an adapter's node and then its links; one look after it has settled.
constexpr int kSettleMilliseconds = 400;

} // namespace

PortChooser::PortChooser(QWidget* parent)
    : QComboBox(parent), kept_{{serial_port_1(), {}}}, in_use_(serial_port_1()) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // a typed path must not be completed into a listed one
    rebuild();
    connect(this, &QComboBox::activated, this,
            [this](int index) { choose(itemData(index).toString()); });
    connect(lineEdit(), &QLineEdit::editingFinished, this, &PortChooser::take_typed_text);

    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(kSettleMilliseconds);
    connect(settle_, &QTimer::timeout, this, &PortChooser::look_when_idle);
#ifdef Q_OS_LINUX
    // Plugging or pulling an adapter adds or removes its node: watching the folder costs
    // nothing while nothing changes, and no port is opened to find out.
    auto* devices = new QFileSystemWatcher({QStringLiteral("/dev")}, this);
    connect(devices, &QFileSystemWatcher::directoryChanged, settle_, qOverload<>(&QTimer::start));
#endif
}

void PortChooser::show_in_use(const QString& device) {
    in_use_ = device;
    chosen_ = true;
    rebuild();
}

void PortChooser::keep_listed(const QString& device, const QString& text) {
    kept_.push_back({device, text});
    rebuild();
}

void PortChooser::refresh() {
    refresh_pending_ = false;
    const QList<PortDescription> now = present_ports();
    // A node the system does not list counts as present when it was typed or given (a
    // pseudo-terminal); serial port 1's node exists on most machines without a port behind it.
    const bool in_use_present =
        is_listed(now, in_use_) || (in_use_ != serial_port_1() && QFileInfo::exists(in_use_));
    std::optional<QString> change;
    if (looked_)
        change = newly_plugged_port(present_, now, in_use_present);
    else if (!chosen_)
        change = start_port(now);
    looked_ = true;
    present_ = now;
    if (change)
        choose(*change);
    else
        rebuild();
}

void PortChooser::look_when_idle() {
    if (isEnabled())
        refresh();
    else
        refresh_pending_ = true;
}

void PortChooser::paintEvent(QPaintEvent* event) {
    QComboBox::paintEvent(event);
    if (!first_look_due_) return;
    first_look_due_ = false;
    QTimer::singleShot(0, this, [this] {
        if (!looked_) look_when_idle();
    });
}

void PortChooser::showPopup() {
    refresh();
    QComboBox::showPopup();
}

void PortChooser::changeEvent(QEvent* event) {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && isEnabled() && refresh_pending_) refresh();
}

void PortChooser::choose(const QString& device) {
    chosen_ = true;
    if (device.isEmpty() || device == in_use_) {
        rebuild(); // shows the port in use again
        return;
    }
    in_use_ = device;
    rebuild();
    emit chosen(device);
}

void PortChooser::take_typed_text() {
    choose(device_for_text(entries_, lineEdit()->text()));
}

void PortChooser::rebuild() {
    const QSignalBlocker quiet(this);
    // A look while the operator types keeps what is typed.
    const bool typing = lineEdit()->hasFocus() && lineEdit()->isModified();
    const QString typed = lineEdit()->text();
    entries_ = port_entries(present_, kept_, in_use_);
    clear();
    for (const PortEntry& entry : entries_) {
        addItem(entry.text, entry.device);
        setItemData(count() - 1, entry.tooltip, Qt::ToolTipRole);
    }
    setCurrentIndex(findData(in_use_));
    if (typing) {
        lineEdit()->setText(typed);
        lineEdit()->setModified(true);
    }
}
