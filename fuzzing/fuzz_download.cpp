// Feeds the analysis window's receive_data arbitrary bytes in arbitrary chunks, the way the
// link hands on the logger's reply to the download command, and checks what the operator
// relies on after every outcome: no record beyond the count the block announced, a data
// file of exactly its 13 head lines and one line per record (and "data missed" below them
// after a miss), the latest complete download kept whole in data.txt or data.previous.txt
// whatever came after it, its copy in the archive (and no copy of anything else), and a window
// that can be left with Back.
//
// Input: byte 0 chooses the unit (bit 0: Celsius). Then a sequence of steps: 0xFF drops
// the link, 0xFE has the operator go back and download again, 0xFD lets a check period
// pass; any other byte b feeds the next (b % 128) + 1 bytes of the input as one piece.

#include "analysis/qrealtimedata.h"
#include "invariant.h"
#include "records/datafile.h"
#include "records/downloadarchive.h"
#include "records/loggeddownload.h"
#include "records/sheetlayout.h"
#include "storedrecords.h"
#include "workbook/sheet.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <sanitizer/lsan_interface.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

constexpr uint8_t LinkDroppedStep = 0xFF;
constexpr uint8_t DownloadAgainStep = 0xFE;
constexpr uint8_t CheckPeriodStep = 0xFD;

using fuzz::require;
using fuzz::violated;

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The window and its folder live for the whole run; every input starts a new download.
struct Bench {
    QTemporaryDir folder;
    // The archive of the run's downloads, emptied after every input.
    QString archive;
    QRealTimeData* window = nullptr;
    std::optional<LoggedDownload::Outcome> outcome;
    // ./data.txt as the latest complete download left it (empty before the first one): no
    // later download may lose it.
    QByteArray latestComplete;
};

Bench* bench = nullptr;

QPushButton* button(const char* name)
{
    return bench->window->findChild<QPushButton*>(QLatin1String(name));
}

bool headerTaken(const LoggedDownload& download)
{
    // The head of the sheet (rows 1, 2 and 13) is written with the head of the data file.
    return download.sheet().lastRow() >= sheetlayout::FirstRecordRow - 1;
}

// Debug lines would flood the run; a warning means the window misused Qt, which fails the
// input as it fails a test. The headless platform's note on fixed sizes says nothing.
void onMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtDebugMsg || type == QtInfoMsg ||
        message.endsWith(QLatin1String("This plugin does not support propagateSizeHints()")))
        return;
    std::fprintf(stderr, "Qt: %s\n", qPrintable(message));
    violated("Qt logged a warning");
}

bool isCompleteDownload(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    return buffer.open(QIODevice::ReadOnly) && datafile::isCompleteDownload(buffer);
}

void requireLatestCompleteKept()
{
    const QByteArray& latest = bench->latestComplete;
    require(latest.isEmpty() || fileBytes(QStringLiteral("data.txt")) == latest ||
                fileBytes(QStringLiteral("data.previous.txt")) == latest,
            "the latest complete download was not kept whole");
}

void checkOutcome(LoggedDownload::Outcome outcome)
{
    const LoggedDownload& download = bench->window->lastDownload();
    const int records = download.recordsReceived();
    const bool missed = outcome == LoggedDownload::Outcome::Missed;
    const QByteArray bytes = fileBytes(QStringLiteral("data.txt"));
    QList<QByteArray> lines = bytes.split('\n');
    require(bytes.isEmpty() || bytes.endsWith('\n'), "the data file ends within a line");
    lines.removeLast();

    if (!headerTaken(download)) {
        require(missed, "an outcome other than missed without a header");
        require(records == 0, "records without a header");
        require(lines.isEmpty() || lines == QList<QByteArray>{datafile::DataMissedLine},
                "a data file without a head holds more than \"data missed\"");
    } else {
        const int announced = download.header().recordCount;
        require(records <= announced, "more records than the block announced");
        require(missed || records == announced, "a verdict before every record was in");
        require(lines.size() == datafile::HeadLineCount + records + (missed ? 1 : 0),
                "the data file is not 13 head lines and one line per record");
        require(datafile::parseHeaderLine(QString::fromUtf8(lines.first())).recordCount ==
                    announced,
                "the data file's head announces another count");
        for (int i = datafile::HeadLineCount; i < datafile::HeadLineCount + records; ++i)
            require(lines.at(i) != datafile::DataMissedLine, "\"data missed\" among the records");
        require(!missed || lines.last() == datafile::DataMissedLine,
                "a missed download without \"data missed\" at its end");
        require(download.sheet().lastRow() == datafile::HeadLineCount + records + (missed ? 1 : 0),
                "the sheet is not its head and one row per record");
    }

    QRealTimeData* window = bench->window;
    require(button("pushButtonBack")->isEnabled(), "the window cannot be left");
    if (outcome == LoggedDownload::Outcome::Success) {
        require(window->findChild<QTableWidget*>(QStringLiteral("tableWidget"))->rowCount() ==
                    records,
                "the records table differs from the download");
        // Records without an interval have no times to draw, and the window offers no
        // export of them.
        require(download.header().intervalSeconds == 0 || button("pushButtonDownload")->isEnabled(),
                "a good download cannot be exported");
    }
    // Only a complete download is archived, and always, as its data file is.
    const bool complete = outcome == LoggedDownload::Outcome::Success && isCompleteDownload(bytes);
    const std::optional<archive::Stored>& archived = download.archived();
    require(complete == archived.has_value(), "a download archived that is not complete, or "
                                              "a complete one not archived");
    require(!archived || archived->kind != archive::Stored::Kind::NotArchived,
            "the archive took no copy");
    require(!archived || archived->kind != archive::Stored::Kind::Archived ||
                fileBytes(archived->path) == bytes,
            "the archived copy differs from the data file");
    if (complete)
        bench->latestComplete = bytes;
    requireLatestCompleteKept();
}

void startDownload(bool celsius)
{
    bench->outcome.reset();
    bench->window->showWindow(true, celsius);
    require(bench->window->lastDownload().isRunning(), "the download did not start");
    requireLatestCompleteKept();
}

// The download the window drives. Its one-second check timer runs on the event loop, which
// the fuzzer never enters: the input says when a check period passes, on the window's own
// download.
LoggedDownload& windowDownload()
{
    return const_cast<LoggedDownload&>(bench->window->lastDownload());
}

// Ends a download that is still running the way a logger that stops answering does.
void leave()
{
    LoggedDownload& running = windowDownload();
    while (running.isRunning())
        running.tick();
    // What the event loop would do between two downloads, without its timers.
    QCoreApplication::sendPostedEvents();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // What Qt and fontconfig allocate once, for the platform, the fonts and the window, is
    // theirs: a leak report at exit shows only what the inputs left behind.
    __lsan_disable();
    // The window works in a folder of its own: corpus folders and inputs to replay named
    // relative to where the run started must still be found.
    for (int i = 1; i < *argc; ++i)
        if ((*argv)[i][0] != '-')
            (*argv)[i] = strdup(
                QFile::encodeName(QFileInfo(QFile::decodeName((*argv)[i])).absoluteFilePath()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(onMessage);
    static QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    // Never destroyed, like the window.
    new QApplication(*argc, *argv);
    bench = new Bench;
    if (!bench->folder.isValid() || !QDir::setCurrent(bench->folder.path()))
        violated("no folder to work in");
    bench->archive = bench->folder.filePath(QStringLiteral("archive"));
    qputenv("HYGROLUX_ARCHIVE", QFile::encodeName(bench->archive));
    bench->window = new QRealTimeData;
    bench->window->setAlarmLimits({40, -10, 80, 20});
    // Everything the window does once (fonts, the message box, the first load) is done
    // here, before the first input.
    for (bool celsius : {true, false}) {
        startDownload(celsius);
        QByteArray block = sim::downloadBlock(
            sim::plausibleDay(3, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, 1));
        bench->window->receive_data(reinterpret_cast<unsigned char*>(block.data()), block.size());
        leave();
    }
    // Painting is not what is fuzzed, and would take most of the time.
    bench->window->setUpdatesEnabled(false);
    QObject::connect(&bench->window->lastDownload(), &LoggedDownload::finished,
                     [](LoggedDownload::Outcome outcome) {
                         require(!bench->outcome, "two outcomes of one download");
                         bench->outcome = outcome;
                         checkOutcome(outcome);
                     });
    __lsan_enable();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool celsius = data[0] & 1;
    QRealTimeData* window = bench->window;
    LoggedDownload& download = windowDownload();
    auto* progress = window->findChild<QProgressBar*>(QStringLiteral("progressBar"));
    startDownload(celsius);

    size_t at = 1;
    while (at < size) {
        const uint8_t step = data[at++];
        if (step == LinkDroppedStep) {
            window->linkLost();
            continue;
        }
        if (step == CheckPeriodStep) {
            download.tick();
            continue;
        }
        if (step == DownloadAgainStep) {
            if (!button("pushButtonBack")->isEnabled())
                continue;
            button("pushButtonBack")->click();
            startDownload(celsius);
            continue;
        }
        const size_t length = std::min<size_t>(size_t(step % 128) + 1, size - at);
        QByteArray piece(reinterpret_cast<const char*>(data + at), int(length));
        at += length;
        window->receive_data(reinterpret_cast<unsigned char*>(piece.data()), piece.size());
        require(download.recordsReceived() <= download.header().recordCount,
                "more records than the block announced");
        require(progress->value() >= 0 && progress->value() <= 100, "progress beyond 0..100");
    }
    leave();
    // Thousands of inputs would each leave a file of their own.
    QDir(bench->archive).removeRecursively();
    return 0;
}
