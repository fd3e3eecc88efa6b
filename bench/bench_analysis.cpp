// Times the analysis window as the operator meets it: opening a 20000-record data file
// (both tables and both charts filled and drawn), and a 65535-record download fed to
// receive_data in 64-byte pieces as the serial link hands them on, through the data file,
// the sheet, the summary rewrite and the reload into the tables and charts; then the export
// of a 20000-record download in each form through the Export button.
// Runs headless: QT_QPA_PLATFORM=offscreen bench/bench_analysis
#include "loggeddownload.h"
#include "qrealtimedata.h"
#include "thermo.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <limits>
#include <vector>

namespace {

constexpr int ChunkSize = 64;

std::vector<quint8> makeBlock(int count)
{
    using namespace wire::block;
    std::vector<quint8> block(size_t(length(count)));
    block[0] = wire::StartByte;
    block[1] = quint8(wire::Command::Download);
    wire::writeU16(&block[CountOffset], quint16(count));
    const quint8 clock[] = {24, 3, 9, 22, 30, 0};
    std::copy(std::begin(clock), std::end(clock), block.begin() + StartYearOffset);
    wire::writeU16(&block[IntervalOffset], 60);
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i) {
        const RecordCodes codes{quint16(random.bounded(100, 1400)), quint16(random.bounded(1001))};
        const auto packed = packRecord(codes);
        std::copy(packed.begin(), packed.end(), block.begin() + HeaderSize + RecordSize * i);
    }
    quint32 sum = 0;
    for (size_t i = CountOffset; i < block.size() - ChecksumSize; ++i)
        sum += block[i];
    writeChecksum(&block[block.size() - ChecksumSize], sum);
    return block;
}

void feed(QRealTimeData& window, std::vector<quint8>& block)
{
    for (size_t at = 0; at < block.size(); at += ChunkSize)
        window.receive_data(&block[at], int(qMin<size_t>(ChunkSize, block.size() - at)));
}

// Until the charts have drawn what they were given: their replot waits for the event loop.
void settle()
{
    QCoreApplication::processEvents();
}

// The machine is shared: the processor time tells what the work costs when others wait.
struct Clocks {
    QElapsedTimer wall;
    std::clock_t cpuStart = std::clock();
    Clocks() { wall.start(); }
    qint64 wallMs() const { return wall.elapsed(); }
    qint64 cpuMs() const { return qint64(std::clock() - cpuStart) * 1000 / CLOCKS_PER_SEC; }
};

struct Best {
    qint64 wallMs = std::numeric_limits<qint64>::max();
    qint64 cpuMs = std::numeric_limits<qint64>::max();
    void take(const Clocks& clocks)
    {
        wallMs = qMin(wallMs, clocks.wallMs());
        cpuMs = qMin(cpuMs, clocks.cpuMs());
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    // A 20000-record data file, as a download writes it.
    {
        LoggedDownload writer(dir.filePath(QStringLiteral("saved.txt")));
        std::vector<quint8> block = makeBlock(20000);
        if (!writer.start(true, {40, -10, 80, 20}))
            return 1;
        writer.feed(block.data(), int(block.size()));
    }

    QRealTimeData window;
    window.setAlarmLimits({40, -10, 80, 20});
    const QString saved = dir.filePath(QStringLiteral("saved.txt"));
    window.setFileChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return saved; });
    auto* open = window.findChild<QPushButton*>(QStringLiteral("pushButtonOpen"));

    Best open20000;
    int rows = 0;
    for (int run = 0; run < 5; ++run) {
        window.showWindow(false, true);
        const Clocks clocks;
        open->click();
        settle();
        open20000.take(clocks);
        rows = window.loadedData().records.size();
    }
    std::printf("open a %d-record data file (tables and charts), best of 5: %lld ms, "
                "processor %lld ms\n",
                rows, open20000.wallMs, open20000.cpuMs);

    std::vector<quint8> block = makeBlock(65535);
    Best download;
    for (int run = 0; run < 3; ++run) {
        window.showWindow(true, true);
        const Clocks clocks;
        feed(window, block);
        settle();
        download.take(clocks);
        rows = window.loadedData().records.size();
        // Leaving empties the table, as the operator does between two downloads.
        window.findChild<QPushButton*>(QStringLiteral("pushButtonBack"))->click();
    }
    std::printf("a %d-record download through receive_data, file, sheet, reload, tables and "
                "charts, best of 3: %lld ms, processor %lld ms\n",
                rows, download.wallMs, download.cpuMs);

    // Dragging or zooming redraws a chart: the time of one redraw of the 65535-point
    // temperature chart, whole and zoomed in to a tenth.
    window.showWindow(true, true);
    feed(window, block);
    settle();
    QCustomPlot* plot = window.temperatureChart()->plot();
    const QCPRange whole = plot->xAxis->range();
    for (const double share : {1.0, 0.1}) {
        plot->xAxis->setRange(whole.lower, whole.lower + whole.size() * share);
        Best redraw;
        for (int run = 0; run < 10; ++run) {
            const Clocks clocks;
            plot->replot();
            redraw.take(clocks);
        }
        std::printf("redraw of the temperature chart, %d%% of its time range shown: %lld ms\n",
                    int(share * 100), redraw.wallMs);
    }

    // Every form of the report of a 20000-record download, as the operator saves it.
    std::vector<quint8> block20000 = makeBlock(20000);
    window.showWindow(true, true);
    feed(window, block20000);
    settle();
    auto* exportButton = window.findChild<QPushButton*>(QStringLiteral("pushButtonDownload"));
    for (const char* name :
         {"report.xlsx", "report.pdf", "report.csv", "charts.png", "report.txt"}) {
        const QString target = dir.filePath(QLatin1String(name));
        window.setSaveNameChooser(
            [&](QWidget*, const QString&, const QString&, const QString&) { return target; });
        Best save;
        for (int run = 0; run < 3; ++run) {
            const Clocks clocks;
            exportButton->click();
            save.take(clocks);
        }
        QString message;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget))
                message = box->text();
        std::printf("export of a %d-record download as %s (%lld bytes), best of 3: %lld ms, "
                    "processor %lld ms: %s\n",
                    int(window.loadedData().records.size()), name, QFileInfo(target).size(),
                    save.wallMs, save.cpuMs, qPrintable(message));
    }
    return 0;
}
