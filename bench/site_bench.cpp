// A site of 100 panels through kvr-panel, as an installer would run it: the lighting
// schedule imported, the folder checked, and the handover pack (with its channel schedule)
// written, each run timed as a whole process. Then a large schedule (5,000 panels, about
// 3 MB) imported from a file and through a pipe, as a script feeds it.
// Usage: site_bench [FOLDER]   (a temporary folder when none is given)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <utility>

namespace {

constexpr int kPanels = 100;
constexpr int kLargePanels = 5000;

// Every switch and LED assigned and named, a channel shared by neighbouring panels; every
// tenth panel calls its channels by other names, for the check to find.
QByteArray schedule(int panels) {
    QByteArray csv = "panel,room,function,module,channel,designation,percent\r\n";
    for (int n = 0; n < panels; ++n) {
        const QByteArray panel =
            "FLOOR" + QByteArray::number(n / 10) + "-" + QByteArray::number(n % 10);
        const QByteArray room = "Room " + QByteArray::number(n);
        for (int f = 0; f < 20; ++f) {
            const int code = (n * 3 + f) % 160;
            csv += panel + ',' + room + ',' + (f < 10 ? "SW" : "LED") +
                   QByteArray::number(f % 10 + 1) + ',' + char('A' + code / 10) + ',' +
                   QByteArray::number(code % 10 + 1) + (n % 10 ? ",Light " : ",Lamp ") +
                   QByteArray::number(code) + ",\r\n";
        }
        csv += panel + ",," + "BACKLIGHTING,C,4,,\r\n" + panel + ",,DIMMING,N/A,,,\r\n";
        csv += panel + ",,INDICATOR INTENSITY,,,,90\r\n" + panel +
               ",,BACKLIGHTING INTENSITY,,,,70\r\n" + panel + ",,DIMMED INTENSITY,,,,40\r\n";
    }
    return csv;
}

// The run's wall time; input, when given, is fed to standard input as it is taken.
double timed_run(const QStringList& arguments, int* exit_code, const QByteArray& input = {}) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(KVR_PANEL), arguments);
    if (!input.isEmpty()) {
        process.write(input);
        process.closeWriteChannel();
    }
    process.waitForFinished(-1);
    *exit_code = process.exitCode();
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const QString csv = base + QStringLiteral("/schedule.csv");
    const QString site = base + QStringLiteral("/site");
    const QString large = base + QStringLiteral("/large.csv");
    const QByteArray large_schedule = schedule(kLargePanels);
    for (const auto& [path, bytes] : {std::pair{csv, schedule(kPanels)}, {large, large_schedule}}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0) return 1;
    }

    struct Step {
        const char* name;
        int panels;
        QStringList arguments;
        int expected;
        QByteArray input;
    };
    const Step steps[] = {
        {"import", kPanels, {"import", csv, "-o", site, "--force"}, 0, {}},
        {"check", kPanels, {"check", site}, 1, {}},
        {"handover", kPanels, {"handover", site, "-o", base + "/pack.pdf", "--no-log"}, 0, {}},
        {"import from a file", kLargePanels, {"import", large, "-o", base + "/large-file"}, 0, {}},
        {"import through a pipe",
         kLargePanels,
         {"import", "-", "-o", base + "/large-pipe"},
         0,
         large_schedule},
    };
    for (const Step& step : steps) {
        int exit_code = 0;
        const double ms = timed_run(step.arguments, &exit_code, step.input);
        std::printf("%d panels: %-22s %6.0f ms (exit %d)\n", step.panels, step.name, ms, exit_code);
        if (exit_code != step.expected) return 1;
    }
    return 0;
}
