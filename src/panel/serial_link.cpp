// The serial link to the panel: opening and closing the port, the 100 ms tick that paces
// the line, the attention handshake and the two byte transactions. Every wait is a nested
// event loop, so the window stays responsive and the process sleeps while it waits.

#include <QEventLoop>
#include <QSerialPort>
#include <QTextEdit>
#include <QTimer>
#include <thread>

#include "form1.h"
#include "panel/memory_map.h"
#include "panel/protocol.h"

namespace {

#ifdef Q_OS_WIN
const QString kSerialPort1 = QStringLiteral("COM1");
#else
const QString kSerialPort1 = QStringLiteral("/dev/ttyS0");
#endif

const QString kCommunicationsOk = QStringLiteral("COMMUNICATIONS OK");
const QString kFailedToVerify = QStringLiteral("DATA FAILED TO VERIFY");
const QString kCorrupted = QStringLiteral("COMMUNICATIONS CORRUPTED");
const QString kOutOfRange = QStringLiteral("ERROR - DATA OUT OF RANGE");

QString open_failure_reason(const QSerialPort& port) {
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("NO SUCH DEVICE");
    // Qt reports a port that another program holds as a permission error too.
    case QSerialPort::PermissionError:
        return QStringLiteral("IN USE OR ACCESS DENIED");
    default:
        return port.errorString().toUpper();
    }
}

std::string_view as_view(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

void Form1::create_serial_link() {
    panel_port_ = kSerialPort1;

    MSComm1 = new QSerialPort(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    connect(MSComm1, &QSerialPort::readyRead, this, [this] {
        if (wanted_chars_ > 0 && MSComm1->bytesAvailable() >= wanted_chars_) end_wait();
    });
    // A hung-up line keeps reporting errors until the port is closed: the first one ends
    // the operation.
    connect(MSComm1, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::NoError) return;
        line_failed_ = true;
        end_wait();
    });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
}

void Form1::set_panel_port(const QString& device) {
    panel_port_ = device;
}

bool Form1::open_panel_port() {
    line_failed_ = false;
    MSComm1->setPortName(panel_port_);
    MSComm1->setBaudRate(kvr::baud_rate);
    MSComm1->setDataBits(QSerialPort::Data8);
    MSComm1->setParity(QSerialPort::NoParity);
    MSComm1->setStopBits(QSerialPort::OneStop);
    MSComm1->setFlowControl(QSerialPort::NoFlowControl);
    if (!MSComm1->open(QIODevice::ReadWrite)) {
        show_status(QStringLiteral("CANNOT OPEN SERIAL PORT %1 - %2")
                        .arg(panel_port_, open_failure_reason(*MSComm1)),
                    kStatusRed);
        return false;
    }
    // Whatever a previous session left on the line is not an answer to us.
    MSComm1->clear();
    return true;
}

void Form1::close_panel_port() {
    MSComm1->close();
    // Nothing needs the tick between operations.
    Timer1->stop();
}

void Form1::Timer1_Timer() {
    timer_flag = 1;
    end_wait();
}

void Form1::arm_tick() {
    // The deadline is taken before the timer starts, so a tick that Qt delivers on time is
    // never before it.
    tick_due_ = std::chrono::steady_clock::now() + kvr::tick;
    timer_flag = 0;
    Timer1->start(kvr::tick);
}

bool Form1::line_lost() const {
    return line_failed_ || close_requested();
}

void Form1::end_wait() {
    if (wait_loop_) wait_loop_->quit();
}

void Form1::wait_for_panel(qint64 enough_chars) {
    const auto done = [&] {
        return timer_flag == 1 || line_lost() ||
               (enough_chars > 0 && MSComm1->bytesAvailable() >= enough_chars);
    };
    QEventLoop loop;
    wait_loop_ = &loop;
    wanted_chars_ = enough_chars;
    while (!done())
        loop.exec();
    wait_loop_ = nullptr;
    wanted_chars_ = 0;
    // Pacing must never be short, even if a platform's timer fires a little early.
    if (timer_flag == 1) std::this_thread::sleep_until(tick_due_);
}

void Form1::pause_one_tick() {
    arm_tick();
    wait_for_panel(0);
}

void Form1::send_to_panel(const std::string& bytes) {
    if (line_lost()) return;
    MSComm1->write(bytes.data(), static_cast<qint64>(bytes.size()));
    MSComm1->flush();
}

QByteArray Form1::await_reply() {
    wait_for_panel(kvr::reply_wait_chars);
    return MSComm1->readAll();
}

bool Form1::wake_panel() {
    // Replies to earlier attempts stay waiting and become part of the final reply.
    for (int attempt = 1; attempt <= kvr::attention_attempts; ++attempt) {
        send_to_panel(std::string(1, kvr::attention));
        arm_tick();
        wait_for_panel(kvr::reply_wait_chars);
        if (MSComm1->bytesAvailable() >= static_cast<qint64>(kvr::reply_wait_chars) || line_lost())
            break;
    }
    return as_view(MSComm1->readAll()) == kvr::acknowledgement && timer_flag != 1;
}

void Form1::write_panel_value() {
    send_to_panel(kvr::write_command(static_cast<std::uint8_t>(address_l),
                                     static_cast<std::uint8_t>(data_l)));
    arm_tick();
    error_flag = 0;
    if (as_view(await_reply()) != kvr::acknowledgement) {
        error_flag = 1;
        return;
    }

    // A value too large for 16 bits cannot match.
    const bool value_in_A = fetch_value();
    if (error_flag != 0) return;
    if (value_in_A && A == data_l) {
        show_status(kCommunicationsOk, kStatusYellow);
    } else {
        error_flag = 1;
        set_status_text(kFailedToVerify);
    }
}

void Form1::read_panel_value() {
    Text1->show();
    error_flag = 0;
    // A value too large for 16 bits is out of range too.
    const bool value_in_A = fetch_value();
    if (error_flag != 0) return;
    if (value_in_A && kvr::in_read_range(A)) {
        set_status_text(kCommunicationsOk);
    } else {
        error_flag = 1;
        set_status_text(kOutOfRange);
    }
}

// Sends the read command for address_l and waits for the reply. A reply too short to hold
// a value fails the transaction. True when A now holds the reply's value; false, with A
// unchanged, also when that value does not fit 16 bits.
bool Form1::fetch_value() {
    send_to_panel(kvr::read_command(static_cast<std::uint8_t>(address_l)));
    arm_tick();
    const QByteArray reply = await_reply();
    if (reply.size() < static_cast<qsizetype>(kvr::min_reply_chars)) {
        error_flag = 1;
        set_status_text(kCorrupted);
        return false;
    }
    const std::optional<std::int16_t> value = kvr::reply_value(as_view(reply));
    if (value) A = *value;
    return value.has_value();
}
