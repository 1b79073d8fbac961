// A site of 100 panels through kvr-panel, as an installer would run it: the lighting
// schedule imported, the folder checked, and the handover pack (with its channel schedule)
// written, each run timed as a whole process.
// Usage: site_bench [FOLDER]   (a temporary folder when none is given)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kPanels = 100;

// Every switch and LED assigned and named, a channel shared by neighbouring panels; every
// tenth panel calls its channels by other names, for the check to find.
QByteArray schedule() {
    QByteArray csv = "panel,room,function,module,channel,designation,percent\r\n";
    for (int n = 0; n < kPanels; ++n) {
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

double timed_run(const QStringList& arguments, int* exit_code) {
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral(KVR_PANEL), arguments);
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
    QFile file(csv);
    if (!file.open(QIODevice::WriteOnly) || file.write(schedule()) < 0) return 1;
    file.close();

    struct Step {
        const char* name;
        QStringList arguments;
        int expected;
    };
    const Step steps[] = {
        {"import", {"import", csv, "-o", site, "--force"}, 0},
        {"check", {"check", site}, 1},
        {"handover", {"handover", site, "-o", base + "/pack.pdf", "--no-log"}, 0},
    };
    for (const Step& step : steps) {
        int exit_code = 0;
        const double ms = timed_run(step.arguments, &exit_code);
        std::printf("%d panels: %-8s %6.0f ms (exit %d)\n", kPanels, step.name, ms, exit_code);
        if (exit_code != step.expected) return 1;
    }
    return 0;
}
