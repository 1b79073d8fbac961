#pragma once
// The SERIAL PORT chooser: the ports present, serial port 1, the ports given at start and
// the one in use, or a device path the operator types. Asking the system for its ports takes
// a while, so the first look comes once the chooser has been painted (and then takes the
// start port unless one was chosen); it looks again when it is opened and when a device
// appears in or leaves /dev, but never while it is disabled (an operation runs): such a
// change is looked at once it is enabled again.

#include <QComboBox>

#include "port_list.h"

class QTimer;

class PortChooser : public QComboBox {
    Q_OBJECT

  public:
    explicit PortChooser(QWidget* parent = nullptr);

    // The device in use.
    const QString& device() const { return in_use_; }
    // Shows device as the one in use, chosen; emits nothing.
    void show_in_use(const QString& device);
    // Keeps device listed for the whole run, shown as text when one is given.
    void keep_listed(const QString& device, const QString& text = {});
    // Lists the ports present now. The first time it takes the start port when none was
    // chosen; later, when the port in use has gone and exactly one port is new since the
    // last look, it changes to that one.
    void refresh();

  signals:
    // The operator (or a newly plugged adapter) changed the device in use.
    void chosen(const QString& device);

  protected:
    void showPopup() override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void look_when_idle();
    void choose(const QString& device);
    void take_typed_text();
    void rebuild();

    QList<kvr::PortDescription> present_;
    QList<kvr::KeptPort> kept_;
    QList<kvr::PortEntry> entries_;
    QString in_use_;
    QTimer* settle_ = nullptr;
    bool chosen_ = false;
    bool first_look_due_ = true;
    bool looked_ = false;
    bool refresh_pending_ = false;
};
