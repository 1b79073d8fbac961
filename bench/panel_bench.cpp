// Programs and reads a simulated panel over a pseudo-terminal several times with the real
// window and prints, for each operation, the median wall time as a ratio to the pacing
// floor (27 pauses of one tick) and the CPU time of the whole process (simulator
// included) as a share of the wall time.
//
// usage: panel_bench [RUNS]

#include <QApplication>
#include <QListWidget>
#include <QTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "form1.h"
#include "panel/protocol.h"
#include "simulator/pty_host.h"

namespace {

using Seconds = std::chrono::duration<double>;

constexpr int kPausesPerOperation = 27;

class NoDialogs final : public Dialogs {
  public:
    void message_box(QWidget*, const QString& text, const QString&) override {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    }
    bool show_open(QWidget*, FileDialogState&) override { return false; }
    bool show_save(QWidget*, FileDialogState&) override { return false; }
    bool show_folder(QWidget*, FileDialogState&) override { return false; }
    int ask(QWidget*, const Question& question) override { return question.escape_answer; }
    bool ask_site(QWidget*, kvr::SheetSite&) override { return false; }
    bool choose_printer(QWidget*, QPrinter&) override { return false; }
    bool ask_text(QWidget*, const QString&, const QString&, QString&) override { return false; }
};

Seconds cpu_time() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return Seconds(double(now.tv_sec) + double(now.tv_nsec) / 1e9);
}

struct Sample {
    double wall;
    double cpu;
};

// Runs the operation; false when it did not end in the green success box.
bool measure(Form1& form, void (Form1::*operation)(), Sample& sample) {
    const auto wall_start = std::chrono::steady_clock::now();
    const Seconds cpu_start = cpu_time();
    form.run_exclusively(operation);
    sample.cpu = (cpu_time() - cpu_start).count();
    sample.wall = Seconds(std::chrono::steady_clock::now() - wall_start).count();
    const auto* status = form.findChild<QTextEdit*>("Text1");
    if (status->palette().color(QPalette::Base) == kStatusGreen) return true;
    std::fprintf(stderr, "operation failed: %s\n", qPrintable(status->toPlainText()));
    return false;
}

void report(const char* name, std::vector<Sample> samples) {
    const double floor = Seconds(kvr::tick).count() * kPausesPerOperation;
    std::sort(samples.begin(), samples.end(),
              [](const Sample& a, const Sample& b) { return a.wall < b.wall; });
    const Sample& median = samples[samples.size() / 2];
    double wall = 0, cpu = 0;
    for (const Sample& s : samples) {
        wall += s.wall;
        cpu += s.cpu;
    }
    std::printf("%-5s median %.3f s = %.3f x floor (%.3f s), CPU %.2f %% of wall (%zu runs)\n",
                name, median.wall, median.wall / floor, floor, 100 * cpu / wall, samples.size());
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    kvr::sim::PtyHost panel;
    NoDialogs dialogs;
    Form1 form(dialogs);
    form.set_panel_port(QString::fromStdString(panel.slave_path()));
    // Every function at "N/A": a complete configuration.
    for (int n = 1; n <= 43; n += 2)
        form.findChild<QListWidget*>(QStringLiteral("List%1").arg(n))->setCurrentRow(0);

    std::vector<Sample> writes(runs), reads(runs);
    for (int i = 0; i < runs; ++i) {
        if (!measure(form, &Form1::WRITE_CONFIG_Click, writes[i])) return 1;
        if (!measure(form, &Form1::READ_CONFIG_Click, reads[i])) return 1;
    }
    report("write", writes);
    report("read", reads);
    return 0;
}
