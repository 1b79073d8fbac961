// The SERIAL PORT chooser decides which device the panel operations open.

#include "form1.h"
#include "panel/panel_conversation.h"
#include "port_chooser.h"

void Form1::connect_port_chooser() {
    conversation_->set_device(SERIAL_PORT->device());
    connect(SERIAL_PORT, &PortChooser::chosen, conversation_, &kvr::PanelConversation::set_device);
}

void Form1::use_given_port(const QString& device, const QString& text) {
    SERIAL_PORT->keep_listed(device, text);
    set_panel_port(device);
}

void Form1::use_simulated_panel(const QString& device) {
    simulated_device_ = device;
    use_given_port(device, QStringLiteral("SIMULATED PANEL"));
}
