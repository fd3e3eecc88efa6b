#include "cases.h"

#include "analysis/qrealtimedata.h"
#include "analysis/thermo.h"
#include "device/frameassembler.h"
#include "monitor/temp.h"
#include "records/datafile.h"
#include "records/figures.h"
#include "records/loggeddownload.h"
#include "records/savedfile.h"
#include "reports/exports.h"
#include "simulatedlogger.h"
#include "storedrecords.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTableWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <vector>

namespace bench {

namespace {

// The serial port hands the download on in pieces of at most this size.
constexpr int ChunkSize = 64;
constexpr qint64 SettleTimeoutMs = 30000;
const AlarmLimits Alarms{40, -10, 80, 20};

// A download block as the logger sends it: seeded records over the whole range of codes.
QByteArray makeBlock(int count)
{
    sim::StoredRecords records{QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, {}};
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i)
        records.codes.append({quint16(random.bounded(100, 1400)), quint16(random.bounded(1001))});
    return sim::downloadBlock(records);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double seconds(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

// Lets the event loop finish what a step left queued (untimed steps only).
void drain()
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(50))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QString shownMessage()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box->text();
    return {};
}

void hideMessages()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget))
            box->hide();
}

// Each case works in a folder of its own: the window writes ./data.txt, and the archive copy
// of a download goes there too, never into the archive of the machine.
struct Workplace {
    QTemporaryDir dir;
    Workplace()
    {
        QDir::setCurrent(dir.path());
        qputenv("HYGROLUX_ARCHIVE", QFile::encodeName(dir.filePath(QStringLiteral("archive"))));
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

// The analysis window as the operator meets it: shown full screen, with the file choosers
// answering at once.
class AnalysisWindow
{
public:
    AnalysisWindow()
    {
        window.setAlarmLimits(Alarms);
        for (Thermo* chart : {window.temperatureChart(), window.humidityChart()})
            QObject::connect(chart->plot(), &QCustomPlot::afterReplot, [this] { ++replots; });
    }

    QPushButton* button(const char* name) const { return window.findChild<QPushButton*>(name); }
    int recordRows() const
    {
        return window.findChild<QTableWidget*>(QStringLiteral("tableWidget"))->rowCount();
    }

    void startDownload()
    {
        hideMessages();
        window.showWindow(true, true);
        drain();
        replots = 0;
    }

    void feed(QByteArray& block)
    {
        auto* bytes = reinterpret_cast<unsigned char*>(block.data());
        for (int at = 0; at < block.size(); at += ChunkSize)
            window.receive_data(bytes + at, qMin(ChunkSize, block.size() - at));
    }

    // Until both charts have drawn what they were given (their replot waits for the event
    // loop) and the window has painted it.
    bool settle()
    {
        QElapsedTimer timer;
        timer.start();
        while (replots < 2 && !timer.hasExpired(SettleTimeoutMs))
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        return replots >= 2;
    }

    void leave()
    {
        button("pushButtonBack")->click();
        drain();
        replots = 0;
    }

    QRealTimeData window;
    int replots = 0;
};

// Records fed to receive_data in 64-byte pieces, to the table, the charts and the message.
Measurement downloadCase(int records, int runs, bool reportMemory)
{
    Workplace place;
    QByteArray block = makeBlock(records);
    AnalysisWindow analysis;
    std::vector<double> times;
    Measurement result;
    for (int run = 0; run < runs; ++run) {
        // Every run writes its archive copy, as every new download does.
        QDir(place.path("archive")).removeRecursively();
        analysis.startDownload();
        QElapsedTimer timer;
        timer.start();
        analysis.feed(block);
        const bool drawn = analysis.settle();
        times.push_back(seconds(timer));
        if (!drawn || analysis.window.loadedData().records.size() != records ||
            analysis.recordRows() != records ||
            shownMessage() != QLatin1String("Download Success!")) {
            result.failure = QStringLiteral("download ended with \"%1\", %2 rows")
                                 .arg(shownMessage())
                                 .arg(analysis.recordRows());
            return result;
        }
        if (!reportMemory)
            analysis.leave();
    }
    result.ok = true;
    result.runs = runs;
    result.median = reportMemory ? double(peakResidentKilobytes()) : median(times);
    return result;
}

// The chunks as the port hands them on, fed to the assembler that splits them.
Measurement assemblerCase(int records, int runs)
{
    const QByteArray block = makeBlock(records);
    std::vector<QByteArray> chunks;
    for (int at = 0; at < block.size(); at += ChunkSize)
        chunks.push_back(block.mid(at, ChunkSize));
    std::vector<double> times;
    Measurement result;
    for (int run = 0; run < runs; ++run) {
        FrameAssembler assembler;
        qint64 passedOn = 0;
        bool ended = false;
        QElapsedTimer timer;
        timer.start();
        for (QByteArray& chunk : chunks) {
            const FrameAssembler::Result piece = assembler.feed(chunk);
            passedOn += piece.downloadPieceSize;
            ended = ended || piece.downloadEnded;
        }
        times.push_back(seconds(timer));
        if (passedOn != block.size() || !ended) {
            result.failure =
                QStringLiteral("%1 of %2 bytes passed on").arg(passedOn).arg(block.size());
            return result;
        }
    }
    result.ok = true;
    result.runs = runs;
    result.median = median(times);
    return result;
}

// A data file and its workbook, as a download writes them.
bool writeSavedFiles(int records, const QString& textPath, const QString& workbookPath)
{
    LoggedDownload download(textPath);
    if (!download.start(true, Alarms))
        return false;
    const QByteArray block = makeBlock(records);
    download.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    return QFileInfo(textPath).size() > 0 &&
           exports::saveWorkbook(download.sheet(), download.summaryLines(),
                                 {workbookPath, download.dataFilePath()})
               .saved;
}

// The Open button on `path`, offline, `runs` times into an empty window: until both charts are
// drawn when the file shows `rows` records, or until the message when it is refused (rows < 0).
Measurement timeOpens(const QString& path, int runs, int rows, const QString& message)
{
    Measurement result;
    AnalysisWindow analysis;
    analysis.window.setFileChooser(
        [&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        hideMessages();
        analysis.window.showWindow(false, true);
        drain();
        analysis.replots = 0;
        QElapsedTimer timer;
        timer.start();
        analysis.button("pushButtonOpen")->click();
        const bool shown = rows < 0 || analysis.settle();
        times.push_back(seconds(timer));
        if (!shown || analysis.recordRows() != qMax(rows, 0) || shownMessage() != message) {
            result.failure = QStringLiteral("open ended with \"%1\", %2 rows")
                                 .arg(shownMessage())
                                 .arg(analysis.recordRows());
            return result;
        }
        analysis.leave();
    }
    result.ok = true;
    result.runs = runs;
    result.median = median(times);
    return result;
}

// The Open button on a saved file, to both tables and both charts drawn.
Measurement openCase(int records, int runs, bool workbook)
{
    Workplace place;
    Measurement result;
    const QString text = place.path("saved.txt");
    const QString sheet = place.path("saved.xlsx");
    if (!writeSavedFiles(records, text, sheet)) {
        result.failure = QStringLiteral("the saved files could not be written");
        return result;
    }
    return timeOpens(workbook ? sheet : text, runs, records, QStringLiteral("Data has Import!"));
}

// A data file of about 100 MB that no download wrote: a head announcing 4294967295 records,
// then `records` record lines of 256 bytes (the longest a record line may be), then
// `filler` over and over up to the size.
bool writeLargeFile(const QString& path, int records, const QByteArray& filler)
{
    const QByteArray longStamp = "03-09-2024 22:31:00" + QByteArray(200, 'x');
    constexpr qint64 Size = 100 * 1000 * 1000;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray head = "Record data number:4294967295 : time:03-09-2024 22-30-00 : ht:40 : "
                      "lt:-10 : hh:80 : ht:20:inval:60:isC:1\n";
    head += QByteArray("report\n").repeated(9) + "dashes\npadding\n  NO time\n";
    QByteArray text = head;
    for (int number = 1; number <= records; ++number) {
        text += datafile::recordNumberText(number).toUtf8() + longStamp +
                " :    20.0, 45.0, 20.0, 7.7\n";
        if (text.size() > (1 << 20) && file.write(text) != text.size())
            return false;
        if (text.size() > (1 << 20))
            text.clear();
    }
    if (!filler.isEmpty()) {
        const QByteArray block = filler.repeated(qMax(1, (1 << 20) / filler.size()));
        while (file.size() + text.size() < Size) {
            text += block;
            if (file.write(text) != text.size())
                return false;
            text.clear();
        }
    }
    return file.write(text) == text.size() && file.flush();
}

// The Open button on a data file of about 100 MB: it shows what the file holds or says why not
// (the table judges its time and its process's memory).
Measurement openLargeCase(int runs, int records, const QByteArray& filler, int rows,
                          const QString& message)
{
    Workplace place;
    Measurement result;
    const QString path = place.path("large.txt");
    if (!writeLargeFile(path, records, filler)) {
        result.failure = QStringLiteral("the file could not be written");
        return result;
    }
    return timeOpens(path, runs, rows, QString(message).replace(QLatin1String("<file>"), path));
}

// The Export button after a download, under a name that chooses the form and with the filter
// chosen in the dialog.
Measurement exportCase(int records, int runs, const char* targetName,
                       const QString& filter = QString())
{
    Workplace place;
    Measurement result;
    QByteArray block = makeBlock(records);
    AnalysisWindow analysis;
    analysis.startDownload();
    analysis.feed(block);
    if (!analysis.settle() || analysis.recordRows() != records) {
        result.failure = QStringLiteral("the download before the export failed");
        return result;
    }
    drain();
    const QString target = place.path(targetName);
    analysis.window.setSaveNameChooser(
        [&](QWidget*, const QString&, const QString&, const QString&, QString* chosen) {
            *chosen = filter;
            return target;
        });
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        hideMessages();
        QElapsedTimer timer;
        timer.start();
        analysis.button("pushButtonDownload")->click();
        times.push_back(seconds(timer));
        if (shownMessage() != QLatin1String("File has saved") || QFileInfo(target).size() == 0) {
            result.failure = QStringLiteral("export ended with \"%1\"").arg(shownMessage());
            return result;
        }
        drain();
    }
    result.ok = true;
    result.runs = runs;
    result.median = median(times);
    return result;
}

// The figures of a download read back: extremes, means, time beyond the limits, the
// excursions and the mean kinetic temperature.
Measurement figuresCase(int records, int runs)
{
    Workplace place;
    Measurement result;
    const QString text = place.path("saved.txt");
    const QString sheet = place.path("saved.xlsx");
    if (!writeSavedFiles(records, text, sheet)) {
        result.failure = QStringLiteral("the saved files could not be written");
        return result;
    }
    const savedfile::Result loaded = savedfile::load(text, savedfile::Kind::Text);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const figures::Figures f = figures::of(loaded.data);
        times.push_back(seconds(timer));
        // The seeded records cover the whole range of codes: many excursions.
        if (f.records != records || f.events.isEmpty()) {
            result.failure =
                QStringLiteral("%1 records, %2 excursions").arg(f.records).arg(f.events.size());
            return result;
        }
    }
    result.ok = true;
    result.runs = runs;
    result.median = median(times);
    return result;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// The main window connected to the simulated logger: one live reply, from the port's
// readyRead to the readings, the alarm limits and the record status shown. The reply is
// let in while the port's signals are held, so that the time starts with its handling.
// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// From the port's readyRead to the new readings painted on the main window.
Measurement liveReplyCase(int runs)
{
    Measurement result;
    sim::SimulatedLogger logger;
    if (!logger.open()) {
        result.failure = logger.errorString();
        return result;
    }
    sim::Settings settings = logger.settings();
    settings.fast = true;
    settings.chunkBytes = 0;
    settings.drift = false;
    logger.setSettings(settings);
    qputenv("HYGROLUX_PORT", logger.portName().toLocal8Bit());

    Temp window;
    window.show();
    drain();
    window.findChild<QPushButton*>(QStringLiteral("pushButtonConnect"))->click();
    if (!waitFor([] { return shownMessage() == QLatin1String("Connected to the device:OK"); },
                 5000)) {
        result.failure = QStringLiteral("no connection to the simulated logger");
        return result;
    }
    auto* port = window.findChild<QSerialPort*>();
    auto* temperature = window.findChild<QLabel*>(QStringLiteral("labelTempValue"));
    PaintCounter painted(temperature);
    const sim::Parameters held = logger.parameters();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        // A new temperature every time, so that every label really changes.
        const wire::block::RecordCodes codes{quint16(600 + run % 100), 455};
        // The logger's own answers to the poll carry the same values.
        logger.setLiveCodes(codes);
        const wire::Frame reply = wire::liveReplyFrame(
            codes.temperature, codes.humidity, held.tempHighCode, held.tempLowCode,
            held.humiHighCode, held.humiLowCode, quint16(logger.recordCount()));
        {
            const QSignalBlocker quiet(port);
            logger.sendNoise(QByteArray(reinterpret_cast<const char*>(reply.data()), reply.size()));
            if (!waitFor([port] { return port->bytesAvailable() >= wire::FrameSize; }, 2000)) {
                result.failure = QStringLiteral("the live reply did not arrive");
                return result;
            }
        }
        drain();
        const int paintsBefore = painted.paints;
        QElapsedTimer timer;
        timer.start();
        emit port->readyRead();
        while (painted.paints == paintsBefore && !timer.hasExpired(2000))
            QCoreApplication::processEvents();
        times.push_back(seconds(timer));
        const QString expected = QString::number((codes.temperature - 400) / 10.0, 'f', 1);
        if (temperature->text() != expected) {
            result.failure =
                QStringLiteral("shows %1 instead of %2").arg(temperature->text(), expected);
            return result;
        }
    }
    result.ok = true;
    result.runs = runs;
    result.median = median(times);
    return result;
}

struct Case {
    const char* name;
    std::function<Measurement(int records, int runs)> run;
};

const std::vector<Case>& cases()
{
    static const std::vector<Case> all{
        {"download", [](int n, int runs) { return downloadCase(n, runs, false); }},
        {"assembler", assemblerCase},
        {"open-text", [](int n, int runs) { return openCase(n, runs, false); }},
        {"open-workbook", [](int n, int runs) { return openCase(n, runs, true); }},
        {"open-large-records",
         [](int, int runs) {
             return openLargeCase(runs, 0,
                                  datafile::recordNumberText(1).toUtf8() +
                                      "03-09-2024 22:31:00 :    20.0, 45.0, 20.0, 7.7\n",
                                  -1,
                                  QStringLiteral("<file> was not opened: it holds more than "
                                                 "200000 records."));
         }},
        {"open-large-capped",
         [](int, int runs) {
             return openLargeCase(runs, savedfile::MaxRecords, "\n", savedfile::MaxRecords,
                                  QStringLiteral("Data has Import!"));
         }},
        {"open-large-empty-lines",
         [](int, int runs) {
             return openLargeCase(runs, 0, "\n", 0, QStringLiteral("Data has Import!"));
         }},
        {"open-large-garbage",
         [](int, int runs) {
             return openLargeCase(runs, 0, "x\n", 0, QStringLiteral("Data has Import!"));
         }},
        {"open-large-line",
         [](int, int runs) {
             return openLargeCase(runs, 0, "7", 0, QStringLiteral("Data has Import!"));
         }},
        {"export-text", [](int n, int runs) { return exportCase(n, runs, "report.txt"); }},
        {"export-workbook", [](int n, int runs) { return exportCase(n, runs, "report.xlsx"); }},
        {"export-pdf", [](int n, int runs) { return exportCase(n, runs, "report.pdf"); }},
        {"export-csv", [](int n, int runs) { return exportCase(n, runs, "report.csv"); }},
        {"export-picture", [](int n, int runs) { return exportCase(n, runs, "charts.png"); }},
        {"export-report",
         [](int n, int runs) {
             return exportCase(n, runs, "audit.pdf", QStringLiteral("Report with charts (*.pdf)"));
         }},
        {"figures", figuresCase},
        {"live-reply", [](int, int runs) { return liveReplyCase(runs); }},
        {"memory", [](int n, int) { return downloadCase(n, 1, true); }},
    };
    return all;
}

} // namespace

QStringList caseNames()
{
    QStringList names;
    for (const Case& c : cases())
        names << QLatin1String(c.name);
    return names;
}

Measurement runCase(const QString& name, int records, int runs)
{
    for (const Case& c : cases())
        if (name == QLatin1String(c.name))
            return c.run(records, runs);
    Measurement unknown;
    unknown.failure = QStringLiteral("no case named %1").arg(name);
    return unknown;
}

long peakResidentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace bench
