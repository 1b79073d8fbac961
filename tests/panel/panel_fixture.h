#pragma once
// The real window on a simulated panel: Form1 opens the pseudo-terminal of a PtyHost with
// the real QSerialPort, and the tests read the simulator's transcript and memory.

#include <QListWidget>
#include <QPushButton>
#include <QSerialPort>
#include <QTest>
#include <QTextEdit>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "form1.h"
#include "panel/protocol.h"
#include "scripted_dialogs.h"
#include "simulator/pty_host.h"

class PanelFixture {
  protected:
    ScriptedDialogs dialogs;
    std::unique_ptr<Form1> form;
    std::unique_ptr<kvr::sim::PtyHost> panel;

    void new_window() {
        form.reset();
        panel.reset();
        dialogs = ScriptedDialogs();
        form = std::make_unique<Form1>(dialogs);
    }
    void connect_panel(const kvr::sim::PanelSettings& settings = {}) {
        panel = std::make_unique<kvr::sim::PtyHost>(settings);
        form->set_panel_port(QString::fromStdString(panel->slave_path()));
    }

    QListWidget* list(int n) const {
        return form->findChild<QListWidget*>(QStringLiteral("List%1").arg(n));
    }
    void click(const char* button) {
        QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
    }
    QString status() const { return text_box()->toPlainText(); }
    QColor status_colour() const { return text_box()->palette().color(QPalette::Base); }
    bool port_open() const { return form->findChild<QSerialPort*>("MSComm1")->isOpen(); }
    int16_t& member(const char* name) { return *form->member(name); }

    std::vector<std::string> traffic(kvr::sim::Direction direction) const {
        std::vector<std::string> bytes;
        for (const kvr::sim::TranscriptEntry& entry : panel->transcript())
            if (entry.direction == direction) bytes.push_back(entry.bytes);
        return bytes;
    }
    std::vector<std::string> received() const { return traffic(kvr::sim::Direction::received); }

    // The shortest quiet time between a reply and the command that starts the next
    // transaction (every command but the read-back that follows a write at once). A reply
    // is stamped before it leaves and a command after it arrives, so scheduling delays can
    // only lengthen what is measured.
    std::chrono::nanoseconds shortest_pause() const {
        using kvr::sim::Direction;
        const auto t = panel->transcript();
        auto shortest = std::chrono::nanoseconds::max();
        for (std::size_t i = 2; i < t.size(); ++i) {
            const bool after_reply =
                t[i].direction == Direction::received && t[i - 1].direction == Direction::sent;
            const bool read_back = t[i - 2].bytes[0] == kvr::write_opcode &&
                                   t[i].bytes == kvr::read_command(uint8_t(t[i - 2].bytes[2]));
            if (after_reply && !read_back) shortest = std::min(shortest, t[i].time - t[i - 1].time);
        }
        return shortest;
    }

  private:
    QTextEdit* text_box() const { return form->findChild<QTextEdit*>("Text1"); }
};

inline const QString kBadData = QStringLiteral("COMMUNICATIONS FAILURE-BAD SWITCH PANEL DATA");
inline const QString kNoResponse =
    QStringLiteral("COMMUNICATIONS FAILURE SWITCH PANEL FAILED TO RESPOND");
