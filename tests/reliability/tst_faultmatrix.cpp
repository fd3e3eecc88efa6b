#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "records/datafile.h"
#include "records/loggeddecoder.h"
#include "records/sheetlayout.h"
#include "records/summarylines.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"
#include "workbook/sheet.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace hygrolux::test;

namespace {

// What the operator does in the row, after connecting unless the row says otherwise.
enum class Action {
    Connect,       // press Connect (the fault is there from the start)
    Poll,          // nothing: the live poll meets the fault
    Calibrate,     // press Calibration
    Stop,          // press Stop
    Apply,         // send recording parameters from the settings window
    Download,      // press Download
    DownloadTwice, // press Download, and once it is missed, Back and Download without the fault
    Open,          // without a logger: Analyse, then Open the row's file
    Export,        // a good download, then Export under the row's name
};

// What ./data.txt holds at the end. Every row starts from an earlier good download in it.
enum class DataFile {
    Kept,       // the earlier download, untouched; no data.previous.txt
    Complete,   // the new download with its report; the earlier one is data.previous.txt
    Missed,     // the records before the fault, then "data missed"; the earlier one kept
    Unverified, // every record, the report still placeholders; the earlier one kept as above
    Empty,      // the head of a block of no records, the report placeholders; as above
    Refused,    // what the disk took before it refused more, cut short; as above
    NoBlock,    // only "data missed": no block came; as above
};

using Fault = std::function<void(sim::Settings&)>;

struct Row {
    Action action;
    Fault fault;
    QString argument; // the file to open or the name to export under
    QString message;  // how the message the window shows begins
    QString state;    // the state the windows end in (stateText)
    DataFile dataFile;
    QStringList cli; // hygrolux-cli's arguments; none where the row has no command line
    int cliExit = 0;
    QString cliMessage; // how one line it prints begins
    DataFile cliDataFile = DataFile::Kept;
    // While the row runs, the disk takes no more than this many bytes of a file (-1: no limit).
    qint64 diskRoom = -1;
    // The logger has the fault before the operator connects (Connect and Open rows always).
    bool faultFromStart = false;
    QString alsoSaid; // how another message both halves show begins (empty: none)
    // The main window's state while the analysis window is on show (empty: not looked at);
    // "connected" also has its live readings go on.
    QString mainWindow;

    Row withCli(const QStringList& arguments, int exitCode, const QString& said,
                DataFile leaves) const
    {
        Row row = *this;
        row.cli = arguments;
        row.cliExit = exitCode;
        row.cliMessage = said;
        row.cliDataFile = leaves;
        return row;
    }
    // The row with one more of the fields above set.
    template <typename Field, typename Value> Row with(Field Row::*field, const Value& value) const
    {
        Row row = *this;
        row.*field = value;
        return row;
    }
};

// A row whose operation the command line does not have.
Row expect(Action action, const Fault& fault, const QString& argument, const QString& message,
           const QString& state, DataFile dataFile)
{
    const bool faultFirst = action == Action::Connect || action == Action::Open;
    return {action, fault, argument,       message, state,      dataFile, {},
            0,      {},    DataFile::Kept, -1,      faultFirst, {},       {}};
}

constexpr int StoredRecords = 100;
// Where a stalled or dropped download stops.
constexpr int RecordsBeforeFault = 30;
constexpr int LargeFileRecords = 100000;
const QString Unacknowledged = QStringLiteral(
    "The logger did not acknowledge the command. Check the connection and try again.");

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList lines(const QByteArray& text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A data file and a workbook of `count` records, as a download and its export write them.
bool writeSavedFiles(const QString& text, const QString& workbook, int count)
{
    LoggedHeader header;
    header.recordCount = count;
    header.startDate = QDate(2024, 3, 9);
    header.startTime = QTime(22, 30);
    header.intervalSeconds = 60;
    header.alarms = {40, -10, 80, 20};
    LoggedDecoder decoder;
    decoder.takeHeader({count, header.startDate, header.startTime, header.intervalSeconds});
    DataFileWriter writer(text);
    Sheet sheet;
    if (!writer.open())
        return false;
    writer.writeHead(header);
    sheetlayout::writeHead(sheet, header);
    for (int number = 1; number <= count; ++number) {
        const LoggedRecord record =
            decoder.decode({quint16(600 + number % 200), quint16(450 + number % 300)});
        writer.writeRecord(number, record);
        sheetlayout::writeRecord(sheet, number, record);
    }
    decoder.finish();
    SummaryValues values;
    values.statistics = decoder.statistics();
    values.alarms = header.alarms;
    values.intervalSeconds = header.intervalSeconds;
    values.recordCount = count;
    const QStringList summary = summary::lines(values, summary::Reader::DataFile);
    sheetlayout::writeSummary(sheet, summary);
    return writer.writeSummary(summary) && sheet.saveAs(workbook);
}

// A folder nobody may write to. Permissions do not bind root, who runs CI: there the folder
// is made immutable as well.
bool lockFolder(const QString& path, bool locked)
{
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (locked && !QFile::setPermissions(path, readable))
        return false;
    if (::geteuid() == 0) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        bool set = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!set)
            return false;
    }
    return locked || QFile::setPermissions(path, readable | QFileDevice::WriteOwner);
}

} // namespace

Q_DECLARE_METATYPE(Row)

// The faults the program must live through, one row each: bad bytes on the line, a logger
// that stops answering, a link that drops, damaged files and exports that cannot be
// written. Each row runs against the simulated logger on a pseudo-terminal through the
// windows, and where it applies through hygrolux-cli, and checks what the operator is told,
// the state the program ends in, and what became of ./data.txt, ./data.previous.txt and the
// exports.
class FaultMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void faults_data();
    void faults();

private:
    void startLogger(const Fault& fault);
    // A folder holding the earlier download as ./data.txt and a locked folder.
    QString prepareFolder(const QString& name);
    void runWindow(const Row& row);
    void runCli(const Row& row);
    void connectToLogger();
    void pressDownload();
    void applySettings();
    void awaitMessage(const QString& message, int timeoutMs = 15000);
    void checkDataFile(const QString& folder, DataFile expected);
    void checkPollResumes();
    QString stateText() const;
    QString mainWindowState() const;
    QRealTimeData* analysis() const { return topLevel<QRealTimeData>(); }
    QPushButton* mainButton(const char* name) const
    {
        return window->findChild<QPushButton*>(name);
    }

    QTemporaryDir fixtures;
    QByteArray earlier; // ./data.txt of the download before each row
    QScopedPointer<QTemporaryDir> dir;
    QStringList lockedFolders;
    QString startFolder = QDir::currentPath();
    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
};

void FaultMatrixTest::initTestCase()
{
    QVERIFY(fixtures.isValid());
    const QString good = fixtures.filePath("good.txt");
    QVERIFY(writeSavedFiles(good, fixtures.filePath("good.xlsx"), 10));
    earlier = fileBytes(good);
    QVERIFY(writeSavedFiles(fixtures.filePath("large.txt"), fixtures.filePath("large.xlsx"),
                            LargeFileRecords));
    // Cut inside the humidity of the sixth record line, and the workbook inside its archive.
    const int sixthHumidity = earlier.indexOf(',', earlier.indexOf(" 0006")) + 12;
    QVERIFY(writeFile(fixtures.filePath("truncated.txt"), earlier.left(sixthHumidity + 2)));
    const QByteArray workbook = fileBytes(fixtures.filePath("good.xlsx"));
    QVERIFY(writeFile(fixtures.filePath("truncated.xlsx"), workbook.left(workbook.size() / 2)));
    QByteArray noise(4096, '\0');
    QRandomGenerator random(11);
    random.fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    for (const char* name : {"binary.txt", "binary.xlsx"})
        QVERIFY(writeFile(fixtures.filePath(name), noise));
    for (const char* name : {"empty.txt", "empty.xlsx"})
        QVERIFY(writeFile(fixtures.filePath(name), QByteArray()));
}

void FaultMatrixTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
    dismissMessages();
    QDir::setCurrent(startFolder);
    for (const QString& folder : qAsConst(lockedFolders))
        QVERIFY(lockFolder(folder, false));
    lockedFolders.clear();
    dir.reset();
}

void FaultMatrixTest::startLogger(const Fault& fault)
{
    delete logger;
    logger = new sim::SimulatedLogger(13);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    logger->setStoredRecords(
        sim::plausibleDay(StoredRecords, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, 2));
    sim::Settings settings = logger->settings();
    settings.drift = false;
    if (fault)
        fault(settings);
    logger->setSettings(settings);
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
}

QString FaultMatrixTest::prepareFolder(const QString& name)
{
    const QString folder = dir->filePath(name);
    const QString locked = folder + QStringLiteral("/locked");
    if (!QDir().mkpath(locked) || !writeFile(folder + QStringLiteral("/data.txt"), earlier) ||
        !writeFile(locked + QStringLiteral("/report.xlsx"), "an earlier report") ||
        !lockFolder(locked, true))
        return QString();
    lockedFolders << locked;
    return folder;
}

void FaultMatrixTest::awaitMessage(const QString& message, int timeoutMs)
{
    const auto shown = [&] {
        for (const QString& text : shownMessages())
            if (text.startsWith(message))
                return true;
        return false;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(shown(), qPrintable(shownMessages().join(" | ")), timeoutMs);
}

// "connected" or "disconnected" for the main window; for the analysis window the buttons
// the operator can press and the rows of its records table.
QString FaultMatrixTest::stateText() const
{
    QRealTimeData* shown = analysis();
    if (!shown || !shown->isVisible())
        return mainWindowState();
    QStringList usable;
    const std::pair<const char*, const char*> buttons[] = {
        {"pushButtonBack", "back"}, {"pushButtonOpen", "open"}, {"pushButtonDownload", "export"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = shown->findChild<QPushButton*>(name);
        if (button->isVisible() && button->isEnabled())
            usable << caption;
    }
    return QStringLiteral("analysis: %1; %2 records")
        .arg(usable.join(", "))
        .arg(shown->findChild<QTableWidget*>("tableWidget")->rowCount());
}

QString FaultMatrixTest::mainWindowState() const
{
    return mainButton("pushButtonStop")->isEnabled() ? QStringLiteral("connected")
                                                     : QStringLiteral("disconnected");
}

void FaultMatrixTest::connectToLogger()
{
    QTest::mouseClick(mainButton("pushButtonConnect"), Qt::LeftButton);
    awaitMessage(QStringLiteral("Connected to the device:OK"), 3000);
    // The first live reply brings the alarm limits and the record count.
    auto* count = window->findChild<QLabel*>("labelRecordNumberDis");
    QTRY_COMPARE_WITH_TIMEOUT(count->text(), QString::number(StoredRecords), 3000);
    dismissMessages();
}

void FaultMatrixTest::pressDownload()
{
    QTRY_VERIFY_WITH_TIMEOUT(mainButton("pushButtonCalibration")->isEnabled(), 3000);
    QTest::mouseClick(mainButton("pushButtonDownload"), Qt::LeftButton);
    QVERIFY(analysis()->isVisible());
}

void FaultMatrixTest::applySettings()
{
    QTest::mouseClick(mainButton("pushButtonSet"), Qt::LeftButton);
    QWidget* dialog = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QLatin1String("Set") && widget->isVisible())
            dialog = widget;
    QVERIFY(dialog);
    dialog->findChild<QSpinBox*>("spinBoxHighTempWarn")->setValue(30);
    dialog->findChild<QSpinBox*>("spinBoxLowTempWarn")->setValue(0);
    dialog->findChild<QSpinBox*>("spinBoxHighHumiWarn")->setValue(70);
    dialog->findChild<QSpinBox*>("spinBoxLowHumiWarn")->setValue(10);
    dialog->findChild<QSpinBox*>("setTimeSec")->setValue(10);
    dialog->findChild<QSpinBox*>("spinBoxRecordNumber")->setValue(200);
    QTest::mouseClick(dialog->findChild<QPushButton*>("pushButtonApply"), Qt::LeftButton);
}

// The link lives: new readings of the logger reach the window (a busy logger, once its
// busy time is over).
void FaultMatrixTest::checkPollResumes()
{
    logger->setLiveCodes({655, 505});
    auto* temperature = window->findChild<QLabel*>("labelTempValue");
    QTRY_COMPARE_WITH_TIMEOUT(temperature->text(), QStringLiteral("25.5"), 8000);
    QCOMPARE(mainWindowState(), QStringLiteral("connected"));
}

void FaultMatrixTest::checkDataFile(const QString& folder, DataFile expected)
{
    const QStringList data = lines(fileBytes(folder + QStringLiteral("/data.txt")));
    const QString previousPath = folder + QStringLiteral("/data.previous.txt");
    if (expected == DataFile::Kept) {
        QCOMPARE(fileBytes(folder + QStringLiteral("/data.txt")), earlier);
        QVERIFY(!QFile::exists(previousPath));
        return;
    }
    // The download before the row was complete: whatever the row did, it is kept whole.
    QCOMPARE(fileBytes(previousPath), earlier);
    const int head = datafile::HeadLineCount;
    switch (expected) {
    case DataFile::Complete:
        QCOMPARE(data.size(), head + StoredRecords);
        QVERIFY(data.mid(2, summary::LineCount) != summary::placeholderLines());
        break;
    case DataFile::Unverified:
    case DataFile::Empty:
        QCOMPARE(data.size(), head + (expected == DataFile::Empty ? 0 : StoredRecords));
        QCOMPARE(data.mid(2, summary::LineCount), summary::placeholderLines());
        break;
    case DataFile::Missed:
        QCOMPARE(data.size(), head + RecordsBeforeFault + 1);
        QCOMPARE(data.last(), QString::fromLatin1(datafile::DataMissedLine));
        break;
    case DataFile::Refused:
        QVERIFY(data.size() < head + StoredRecords);
        break;
    case DataFile::NoBlock:
        QCOMPARE(data, QStringList{datafile::DataMissedLine});
        break;
    case DataFile::Kept:
        break;
    }
}

void FaultMatrixTest::faults_data()
{
    QTest::addColumn<Row>("row");
    const auto add = [](const char* name, const Row& row) { QTest::newRow(name) << row; };
    const int bytesBeforeFault = wire::block::HeaderSize + RecordsBeforeFault * 3;
    const auto dropIn = [](int code, int afterBytes) -> Fault {
        return [=](sim::Settings& s) {
            s.dropCode = code;
            s.dropAfterBytes = afterBytes;
        };
    };
    const Fault none;
    const Fault noise = [](sim::Settings& s) { s.noiseBytes = 40; };
    const Fault singleBytes = [](sim::Settings& s) { s.chunkBytes = 1; };
    const Fault clockReplyCut = [](sim::Settings& s) {
        s.stallCode = 0x02;
        s.stallAfterBytes = 10;
    };
    const Fault busy = [](sim::Settings& s) { s.busyForMs = 10000; };
    const Fault silentPoll = [](sim::Settings& s) { s.silentCode = 0x05; };
    const Fault stall = [=](sim::Settings& s) { s.stallAfterBytes = bytesBeforeFault; };
    const Fault badChecksum = [](sim::Settings& s) { s.badChecksum = true; };
    const Fault silentDownload = [](sim::Settings& s) { s.silentCode = 0x06; };
    const Fault zeroBlock = [](sim::Settings& s) { s.zeroBlock = true; };

    const QString complete = QStringLiteral("analysis: back, export; 100 records");
    const QString failed = QStringLiteral("analysis: back; 0 records");
    const QString offline = QStringLiteral("analysis: back, open; %1 records");
    const QString success = QStringLiteral("Download Success!");
    const QString missed = QStringLiteral("Download Failed:[data missed]");
    const QString checksum = QStringLiteral("Download Failed:[Checksum error]");
    const QString noData = QStringLiteral("No data!");
    const QString silent = QStringLiteral("The logger sends no live readings.");
    const QString lost = QStringLiteral("Critical Error");
    const QStringList download{"download"};
    const QStringList configure{
        "configure",  "--interval", "10",          "--records", "200",        "--temp-high", "30",
        "--temp-low", "0",          "--humi-high", "70",        "--humi-low", "10"};
    using D = DataFile;

    add("garbage bytes between replies",
        expect(Action::Download, noise, {}, success, complete, D::Complete)
            .with(&Row::faultFromStart, true)
            .withCli(download, 0, success, D::Complete));
    add("replies in single bytes",
        expect(Action::Download, singleBytes, {}, success, complete, D::Complete)
            .withCli(download, 0, success, D::Complete));
    add("replies that never complete",
        expect(Action::Calibrate, clockReplyCut, {}, Unacknowledged, "connected", D::Kept)
            .withCli({"set-clock"}, 1, Unacknowledged, D::Kept));
    add("busy replies to everything for 10 s",
        expect(Action::Stop, busy, {}, Unacknowledged, "connected", D::Kept)
            .withCli({"stop"}, 1, "Connected to Device failed!", D::Kept));
    add("silent logger during a poll",
        expect(Action::Poll, silentPoll, {}, silent, "disconnected", D::Kept)
            .withCli({"status"}, 1, silent, D::Kept));
    for (int times : {10, 15}) {
        const Fault busyDownload = [=](sim::Settings& s) {
            s.busyCode = 0x06;
            s.busyCount = times;
        };
        add(qPrintable(QStringLiteral("busy answers to the download request, %1 times").arg(times)),
            expect(Action::Download, busyDownload, {}, success, complete, D::Complete)
                .withCli(download, 0, success, D::Complete));
    }
    add("silent to the download request",
        expect(Action::Download, silentDownload, {}, missed, failed, D::NoBlock)
            .with(&Row::alsoSaid, Unacknowledged)
            .with(&Row::mainWindow, QStringLiteral("connected"))
            .withCli(download, 3, missed, D::NoBlock));
    add("stall mid-download, then a good download",
        expect(Action::DownloadTwice, stall, {}, success, complete, D::Complete)
            .withCli(download, 0, success, D::Complete));
    add("corrupted checksum",
        expect(Action::Download, badChecksum, {}, checksum, failed, D::Unverified)
            .withCli(download, 3, checksum, D::Unverified));
    add("all-zero block", expect(Action::Download, zeroBlock, {}, noData, failed, D::Empty)
                              .withCli(download, 3, noData, D::Empty));
    const QString refused = QStringLiteral("Download Failed:[./data.txt could not be written: %1]")
                                .arg(qt_error_string(EFBIG));
    add("disk full after 4 KB", expect(Action::Download, none, {}, refused, failed, D::Refused)
                                    .withCli(download, 3, refused, D::Refused)
                                    .with(&Row::diskRoom, 4096));
    add("link dropped in the handshake",
        expect(Action::Connect, dropIn(0x01, 10), {}, lost, "disconnected", D::Kept)
            .withCli({"status"}, 1, lost, D::Kept));
    add("link dropped in a poll",
        expect(Action::Poll, dropIn(0x05, 10), {}, lost, "disconnected", D::Kept)
            .withCli({"status"}, 1, lost, D::Kept));
    add("link dropped in a Set",
        expect(Action::Apply, dropIn(0x03, 10), {}, lost, "disconnected", D::Kept)
            .withCli(configure, 1, lost, D::Kept));
    add("link dropped in a download",
        expect(Action::Download, dropIn(0x06, bytesBeforeFault), {}, missed, failed, D::Missed)
            .with(&Row::alsoSaid, lost)
            .with(&Row::mainWindow, QStringLiteral("disconnected"))
            .withCli(download, 3, lost, D::Missed));

    const std::pair<const char*, int> opens[] = {
        {"truncated.txt", 5},  {"binary.txt", 0},
        {"empty.txt", 0},      {"large.txt", LargeFileRecords},
        {"truncated.xlsx", 0}, {"binary.xlsx", 0},
        {"empty.xlsx", 0},     {"large.xlsx", LargeFileRecords}};
    for (const auto& [name, records] : opens) {
        const QString message = records > 0 ? "Data has Import!" : "Open the wrong file!";
        add(qPrintable(QStringLiteral("open %1").arg(name)),
            expect(Action::Open, none, name, message, offline.arg(records), D::Kept));
    }

    const std::pair<const char*, const char*> exports[] = {
        {"missing/report.csv", "cannot be written"},
        {"locked/report.xlsx", "cannot be written"},
        {"./data.txt", "is the download's own data file"}};
    for (const auto& [target, why] : exports) {
        const QString message = QStringLiteral("File was not saved: %1 %2").arg(target, why);
        // The command line refuses the name before it asks the logger for anything.
        const bool dataFile = QLatin1String(target) == QLatin1String("./data.txt");
        add(qPrintable(QStringLiteral("export to %1").arg(target)),
            expect(Action::Export, none, target, message, complete, D::Complete)
                .withCli({"download", "--out", target}, dataFile ? 2 : 4,
                         dataFile ? QStringLiteral("--out must not name") : message,
                         dataFile ? D::Kept : D::Complete));
    }
}

void FaultMatrixTest::faults()
{
    QFETCH(Row, row);
    dir.reset(new QTemporaryDir);
    runWindow(row);
    if (QTest::currentTestFailed() || row.cli.isEmpty())
        return;
    runCli(row);
}

void FaultMatrixTest::runWindow(const Row& row)
{
    const QString folder = prepareFolder(QStringLiteral("window"));
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir::setCurrent(folder));
    startLogger(row.faultFromStart ? row.fault : Fault());
    window = new Temp;
    window->show();
    if (row.action != Action::Connect && row.action != Action::Open) {
        connectToLogger();
        if (!row.faultFromStart && row.fault) {
            sim::Settings settings = logger->settings();
            row.fault(settings);
            logger->setSettings(settings);
        }
    }

    std::optional<FileSizeLimit> disk;
    switch (row.action) {
    case Action::Connect:
        QTest::mouseClick(mainButton("pushButtonConnect"), Qt::LeftButton);
        break;
    case Action::Poll:
        break;
    case Action::Calibrate:
        QTest::mouseClick(mainButton("pushButtonCalibration"), Qt::LeftButton);
        break;
    case Action::Stop:
        QTest::mouseClick(mainButton("pushButtonStop"), Qt::LeftButton);
        hygrolux::test::answerQuestion(QMessageBox::Yes);
        break;
    case Action::Apply:
        applySettings();
        break;
    case Action::DownloadTwice: {
        pressDownload();
        awaitMessage(QStringLiteral("Download Failed:[data missed]"));
        QTest::mouseClick(analysis()->findChild<QPushButton*>("pushButtonBack"), Qt::LeftButton);
        logger->setSettings(sim::Settings{});
        pressDownload();
        break;
    }
    case Action::Download:
        pressDownload();
        // From the click on: the head is written once the logger's reply comes. The test's
        // own log takes nothing meanwhile either, so it is lifted as soon as the verdict
        // is out.
        if (row.diskRoom >= 0)
            disk.emplace(row.diskRoom);
        break;
    case Action::Open:
        QTest::mouseClick(mainButton("pushButtonDownload"), Qt::LeftButton);
        analysis()->setFileChooser([&](QWidget*, const QString&, const QString&, const QString&) {
            return fixtures.filePath(row.argument);
        });
        QTest::mouseClick(analysis()->findChild<QPushButton*>("pushButtonOpen"), Qt::LeftButton);
        break;
    case Action::Export: {
        pressDownload();
        awaitMessage(QStringLiteral("Download Success!"));
        dismissMessages();
        const QByteArray before = fileBytes(row.argument);
        analysis()->setSaveNameChooser([&](QWidget*, const QString&, const QString&, const QString&,
                                           QString*) { return row.argument; });
        QTest::mouseClick(analysis()->findChild<QPushButton*>("pushButtonDownload"),
                          Qt::LeftButton);
        // Whatever was at the name before is as it was.
        QCOMPARE(fileBytes(row.argument), before);
        break;
    }
    }
    awaitMessage(row.message);
    disk.reset();
    if (!row.alsoSaid.isEmpty())
        awaitMessage(row.alsoSaid);
    QTRY_COMPARE_WITH_TIMEOUT(stateText(), row.state, 5000);
    if (!row.mainWindow.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(mainWindowState(), row.mainWindow, 5000);
    if (row.state == QLatin1String("connected") || row.mainWindow == QLatin1String("connected"))
        checkPollResumes();
    checkDataFile(folder, row.dataFile);
}

void FaultMatrixTest::runCli(const Row& row)
{
    const QString folder = prepareFolder(QStringLiteral("cli"));
    QVERIFY(!folder.isEmpty());
    const auto cli = [&](const QStringList& arguments, QByteArray* output) {
        QProcess process;
        process.setWorkingDirectory(folder);
        process.setProcessChannelMode(QProcess::MergedChannels);
        std::optional<FileSizeLimit> disk;
        if (row.diskRoom >= 0)
            disk.emplace(row.diskRoom);
        process.start(QStringLiteral(CLI_PROGRAM), arguments);
        // The program keeps the limit it started with.
        disk.reset();
        const bool ended =
            process.waitForStarted() &&
            QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
        if (!ended)
            process.kill();
        process.waitForFinished();
        *output = process.readAll();
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    };
    startLogger(row.fault);
    const QString target = folder + QLatin1Char('/') + row.argument;
    const QByteArray targetBefore = fileBytes(target);
    QByteArray output;
    if (row.action == Action::DownloadTwice) {
        QCOMPARE(cli(row.cli, &output), 3);
        QVERIFY2(output.contains("Download Failed:[data missed]"), output.constData());
        logger->setSettings(sim::Settings{});
    }
    QCOMPARE(cli(row.cli, &output), row.cliExit);
    for (const QString& message : {row.cliMessage, row.alsoSaid}) {
        bool said = message.isEmpty();
        for (const QString& line : lines(output))
            said |= line.startsWith(message);
        QVERIFY2(said, output.constData());
    }
    checkDataFile(folder, row.cliDataFile);
    if (row.action == Action::Export && row.cliDataFile == DataFile::Complete)
        QCOMPARE(fileBytes(target), targetBefore);
}

HYGROLUX_TEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
