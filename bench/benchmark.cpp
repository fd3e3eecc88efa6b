// The program's own cost against the serial line's limit, as one table: every case runs in a
// process of its own (this program, started again with --case), and the table compares the
// median of its runs with the case's target.
//
//   hygrolux-bench [--smoke] [case...]
//     --smoke   every case once at the smallest size, no verdicts: only a case that fails
//               (a download that does not succeed, an export not saved) fails the run
//     case...   only these cases (names as in the first column), e.g. download open-text
//   hygrolux-bench --case NAME --records N --runs R
//     one case, printing "result <median> <runs> <peak kB>" or "failure <why>"
//
// Runs headless; exits non-zero when a case misses its target or fails.
#include "app/startup.h"
#include "cases.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <vector>

namespace {

// The logger's line: 9600 baud, 10 bits a byte (8N1).
constexpr double LineBytesPerSecond = 960;
// The program may add this share of the time the block takes on the wire.
constexpr double WireShareTarget = 0.002;
// A response within this time is felt as instant. A download ends with one redraw of the
// whole window, which alone takes longer than the share of a short block's wire time.
constexpr double InstantSeconds = 0.1;
// The opening and export targets hold for this many records; larger files get
// proportionally more time, smaller ones the same.
constexpr int TargetRecords = 20000;
constexpr int Sizes[] = {1000, 20000, 65535};
constexpr int LargestSize = 65535;
constexpr int TimedRuns = 5;
// Fast cases are repeated more, so that their median is not a single scheduler hiccup.
constexpr int ShortRuns = 101;
constexpr int ChildTimeoutMs = 10 * 60 * 1000;
// A data file of 100 MB that no logger wrote is shown or refused within this time (and
// within 500 MB of memory, which the case checks itself).
constexpr double LargeFileSeconds = 5;
constexpr int LargeFileRuns = 3;
// A live reply comes once a second; its readings are on screen well within one frame of a
// 60 Hz display.
constexpr double LiveReplySeconds = 5e-3;
// The peak resident memory of the process of any case, the largest download's included.
constexpr long MaxKilobytes = 150 * 1024;
// Of the process that opens a data file of 100 MB no logger wrote.
constexpr long LargeFileMaxKilobytes = 500 * 1024;

enum class Unit { Seconds, Kilobytes };

enum class Target {
    WireShare,        // WireShareTarget of the block's wire time
    WireShareShown,   // the same, but never below InstantSeconds
    ForTargetRecords, // `value` at TargetRecords, scaled to larger sizes
    Fixed,            // `value`
};

struct CaseInfo {
    const char* name;
    const char* title;
    bool bySize; // run at every size of Sizes; otherwise once, at `records`
    int records; // when not by size
    int runs;
    Unit unit;
    Target target;
    double value = 0;
    long maxKilobytes = MaxKilobytes;
};

const CaseInfo Cases[] = {
    {"download", "download: receive_data to tables and charts", true, 0, TimedRuns, Unit::Seconds,
     Target::WireShareShown},
    {"assembler", "frame assembler on the download stream", true, 0, ShortRuns, Unit::Seconds,
     Target::WireShare},
    {"open-text", "open a data file", true, 0, TimedRuns, Unit::Seconds, Target::ForTargetRecords,
     0.3},
    {"open-workbook", "open a workbook", true, 0, TimedRuns, Unit::Seconds,
     Target::ForTargetRecords, 1.0},
    {"open-large-records", "open 100 MB: a million records, refused", false, 0, LargeFileRuns,
     Unit::Seconds, Target::Fixed, LargeFileSeconds,
     LargeFileMaxKilobytes},
    {"open-large-capped", "open 100 MB: 200000 long records, empty lines", false, 0, LargeFileRuns,
     Unit::Seconds, Target::Fixed, LargeFileSeconds,
     LargeFileMaxKilobytes},
    {"open-large-empty-lines", "open 100 MB: empty lines only", false, 0, LargeFileRuns,
     Unit::Seconds, Target::Fixed, LargeFileSeconds,
     LargeFileMaxKilobytes},
    {"open-large-garbage", "open 100 MB: short lines, no record", false, 0, LargeFileRuns,
     Unit::Seconds, Target::Fixed, LargeFileSeconds,
     LargeFileMaxKilobytes},
    {"open-large-line", "open 100 MB: one line", false, 0, LargeFileRuns, Unit::Seconds,
     Target::Fixed, LargeFileSeconds,
     LargeFileMaxKilobytes},
    {"export-text", "export as text", true, 0, TimedRuns, Unit::Seconds, Target::ForTargetRecords,
     0.3},
    {"export-workbook", "export as workbook", true, 0, TimedRuns, Unit::Seconds,
     Target::ForTargetRecords, 1.0},
    {"export-pdf", "export as PDF", true, 0, TimedRuns, Unit::Seconds, Target::ForTargetRecords,
     3.0},
    {"export-csv", "export as CSV", true, 0, TimedRuns, Unit::Seconds, Target::ForTargetRecords,
     0.3},
    {"export-picture", "export the charts as a picture", true, 0, TimedRuns, Unit::Seconds,
     Target::ForTargetRecords, 0.5},
    {"export-report", "export the report with charts (PDF)", false, TargetRecords, TimedRuns,
     Unit::Seconds, Target::Fixed, 3.0},
    {"figures", "figures: excursions, means, MKT", false, LargestSize, ShortRuns, Unit::Seconds,
     Target::Fixed, 0.02},
    {"live-reply", "live reply: readings painted", false, 0, ShortRuns, Unit::Seconds,
     Target::Fixed, LiveReplySeconds},
    {"memory", "peak memory after download and reload", false, LargestSize, 1, Unit::Kilobytes,
     Target::Fixed, 150 * 1024},
};

double wireSeconds(int records)
{
    return (15.0 + 3.0 * records) / LineBytesPerSecond;
}

double targetOf(const CaseInfo& info, int records)
{
    switch (info.target) {
    case Target::WireShare:
        return WireShareTarget * wireSeconds(records);
    case Target::WireShareShown:
        return qMax(WireShareTarget * wireSeconds(records), InstantSeconds);
    case Target::ForTargetRecords:
        return info.value * qMax(1.0, double(records) / TargetRecords);
    case Target::Fixed:
        break;
    }
    return info.value;
}

QString amount(double value, Unit unit)
{
    if (unit == Unit::Kilobytes)
        return QStringLiteral("%1 MB").arg(value / 1024, 0, 'f', 1);
    if (value < 1e-3)
        return QStringLiteral("%1 us").arg(value * 1e6, 0, 'f', value < 1e-5 ? 2 : 1);
    if (value < 1)
        return QStringLiteral("%1 ms").arg(value * 1e3, 0, 'f', 1);
    return QStringLiteral("%1 s").arg(value, 0, 'f', 2);
}

struct Row {
    QString title;
    QString records;
    QString median;
    QString target;
    QString verdict;
    QString wireShare;
    QString memory;
    QString memoryLimit;
};

void printRow(const Row& row)
{
    std::printf("%-46s %7s %11s %11s %-9s %10s %10s %10s\n", qPrintable(row.title),
                qPrintable(row.records), qPrintable(row.median), qPrintable(row.target),
                qPrintable(row.verdict), qPrintable(row.wireShare), qPrintable(row.memory),
                qPrintable(row.memoryLimit));
    std::fflush(stdout);
}

QString firstLineOf(const QString& path, const QByteArray& key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine())
        if (line.startsWith(key))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
    return QString();
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromUtf8(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

struct ChildResult {
    bool ok = false;
    double median = 0;
    int runs = 0;
    long peakKilobytes = -1;
    QString failure;
};

ChildResult runChild(const QString& name, int records, int runs)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--case"), name, QStringLiteral("--records"),
                 QString::number(records), QStringLiteral("--runs"), QString::number(runs)});
    ChildResult result;
    if (!child.waitForFinished(ChildTimeoutMs)) {
        child.kill();
        child.waitForFinished();
        result.failure = QStringLiteral("did not finish");
        return result;
    }
    const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split('\n');
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char(' '));
        if (fields.value(0) == QLatin1String("result") && fields.size() == 4) {
            result.ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
            result.median = fields.at(1).toDouble();
            result.runs = fields.at(2).toInt();
            result.peakKilobytes = fields.at(3).toLong();
        } else if (fields.value(0) == QLatin1String("failure")) {
            result.failure = line.mid(8);
        }
    }
    if (!result.ok && result.failure.isEmpty())
        result.failure = QStringLiteral("ended without a result:\n") +
                         QString::fromUtf8(child.readAllStandardError()).right(2000);
    return result;
}

int runOneCase(const QStringList& arguments)
{
    const QString name = arguments.value(arguments.indexOf(QStringLiteral("--case")) + 1);
    const int records = arguments.value(arguments.indexOf(QStringLiteral("--records")) + 1).toInt();
    const int runs = arguments.value(arguments.indexOf(QStringLiteral("--runs")) + 1).toInt();
    const bench::Measurement measured = bench::runCase(name, records, qMax(runs, 1));
    if (!measured.ok) {
        std::printf("failure %s\n", qPrintable(measured.failure));
        return 1;
    }
    std::printf("result %.9g %d %ld\n", measured.median, measured.runs,
                bench::peakResidentKilobytes());
    return 0;
}

void printHelp()
{
    std::printf("Usage: hygrolux-bench [--smoke] [case...]\n"
                "Times the program's own paths against their targets, each case in a process of\n"
                "its own, and prints one table; exits non-zero when a case misses or fails.\n\n"
                "Options:\n"
                "  --smoke    every case once at the smallest size, no verdicts\n"
                "  --help     this text\n\n"
                "Cases (all when none is named):\n");
    for (const CaseInfo& info : Cases)
        std::printf("  %-24s %s\n", info.name, info.title);
}

int runTable(const QStringList& arguments)
{
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        printHelp();
        return 0;
    }
    const bool smoke = arguments.contains(QStringLiteral("--smoke"));
    QStringList only = arguments.mid(1);
    only.removeAll(QStringLiteral("--smoke"));
    for (const QString& name : only) {
        if (!bench::caseNames().contains(name)) {
            std::fprintf(stderr, "No case named %s; the cases are: %s\n", qPrintable(name),
                         qPrintable(bench::caseNames().join(QLatin1Char(' '))));
            return 2;
        }
    }

    std::printf("Machine: %d cores (nproc), %s; load average at the start: %s\n",
                QThread::idealThreadCount(),
                qPrintable(firstLineOf(QStringLiteral("/proc/cpuinfo"), "model name")),
                qPrintable(loadAverage()));
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::printf("Windows shown on a %d x %d screen (Qt platform %s)\n", screen.width(),
                screen.height(), qPrintable(QGuiApplication::platformName()));
    std::printf("%s\n\n", smoke ? "Smoke run: every case once at the smallest size, no verdicts."
                                : "Medians of the runs; each case in a process of its own.");
    printRow({QStringLiteral("case"), QStringLiteral("records"), QStringLiteral("median"),
              QStringLiteral("target"), QStringLiteral("verdict"), QStringLiteral("of wire"),
              QStringLiteral("peak mem"), QStringLiteral("mem limit")});

    bool missed = false;
    bool failed = false;
    for (const CaseInfo& info : Cases) {
        if (!only.isEmpty() && !only.contains(QLatin1String(info.name)))
            continue;
        std::vector<int> sizes;
        if (info.bySize && !smoke)
            sizes.assign(std::begin(Sizes), std::end(Sizes));
        else if (info.bySize || (smoke && info.records > 0))
            sizes = {Sizes[0]};
        else
            sizes = {info.records};
        for (const int records : sizes) {
            const int runs = smoke ? 1 : info.runs;
            const ChildResult measured = runChild(QLatin1String(info.name), records, runs);
            Row row;
            row.title = QLatin1String(info.title);
            row.records = records > 0 ? QString::number(records) : QStringLiteral("-");
            row.memory = measured.peakKilobytes > 0
                             ? amount(double(measured.peakKilobytes), Unit::Kilobytes)
                             : QStringLiteral("-");
            const double target = targetOf(info, records);
            row.target = QStringLiteral("< ") + amount(target, info.unit);
            row.memoryLimit = QStringLiteral("< ") + amount(double(info.maxKilobytes), Unit::Kilobytes);
            if (!measured.ok) {
                failed = true;
                row.verdict = QStringLiteral("FAILED");
                printRow(row);
                std::printf("    %s\n", qPrintable(measured.failure));
                continue;
            }
            row.median = amount(measured.median, info.unit);
            if (info.target == Target::WireShare || info.target == Target::WireShareShown)
                row.wireShare = QStringLiteral("%1 %").arg(
                    measured.median / wireSeconds(records) * 100, 0, 'f', 4);
            // Every case is judged by its time and by the peak memory of its process.
            const bool inTime = measured.median < target;
            const bool inMemory = measured.peakKilobytes <= info.maxKilobytes;
            if (smoke)
                row.verdict = QStringLiteral("-");
            else if (inTime && inMemory)
                row.verdict = QStringLiteral("ok");
            else
                row.verdict = inTime ? QStringLiteral("MISS mem") : QStringLiteral("MISS");
            missed = missed || (!smoke && !(inTime && inMemory));
            printRow(row);
        }
    }
    std::printf("\nLoad average at the end: %s\n", qPrintable(loadAverage()));
    if (failed)
        return 1;
    return missed && !smoke ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    // Headless: the windows are drawn, but offscreen, with a runtime folder of their own.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QTemporaryDir runtimeDir(QDir::tempPath() + QStringLiteral("/hygrolux-bench-XXXXXX"));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit());
    app::prepareEnvironment();
    QApplication application(argc, argv);
    app::configureApplication(application);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.contains(QStringLiteral("--case")))
        return runOneCase(arguments);
    return runTable(arguments);
}
