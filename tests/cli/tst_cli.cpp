#include "analysis/qrealtimedata.h"
#include "blockbuilder.h"
#include "coldstore.h"
#include "hostiletargets.h"
#include "monitor/temp.h"
#include "records/loggeddownload.h"
#include "records/readings.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "windowsupport.h"
#include "workbook/sheet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

using wire::block::RecordCodes;

namespace {

// What one run of hygrolux-cli left behind.
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 elapsedMs = 0;
    QList<qint64> lineTimesMs; // when each line of the standard output arrived
};

QStringList lines(const QByteArray& text)
{
    return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString pdfText(const QString& path)
{
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    return pdftotext.waitForFinished() ? QString::fromUtf8(pdftotext.readAllStandardOutput())
                                       : QString();
}

QStringList cells(const Sheet& sheet)
{
    QStringList all;
    for (int row = 1; row <= sheet.lastRow(); ++row)
        for (int column = 1; column <= 6; ++column)
            all << sheet.read(row, column);
    for (const CellRange& range : sheet.mergedRanges())
        all << QStringLiteral("merged %1,%2:%3,%4")
                   .arg(range.firstRow)
                   .arg(range.firstColumn)
                   .arg(range.lastRow)
                   .arg(range.lastColumn);
    return all;
}

} // namespace

Q_DECLARE_METATYPE(RecordCodes)

// hygrolux-cli started as a program, as a script would start it, against the simulated
// logger on a pseudo-terminal that this process plays; the files it writes are compared
// with those of the windows.
class CliTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void statusJsonShowsTheLoggersValues_data();
    void statusJsonShowsTheLoggersValues();
    void watchPrintsALineASecond();
    void checkAnswersAsAMonitoringPlugin_data();
    void checkAnswersAsAMonitoringPlugin();
    void watchWritesTheMetricsFileWhole();
    void metricsFileThatCannotBeWrittenIsSaidOnce();
    void alarmCommandRunsAtEachStartAndEnd();
    void alarmCommandThatHangsNeverStopsTheWatch();
    void downloadWritesWhatTheWindowWrites_data();
    void downloadWritesWhatTheWindowWrites();
    void configureChecksLikeTheSettingsWindow_data();
    void configureChecksLikeTheSettingsWindow();
    void failuresEndInTheirExitCode_data();
    void failuresEndInTheirExitCode();
    void interruptionEndsCleanly_data();
    void interruptionEndsCleanly();
    void portThisUserMayNotOpenGetsTheAdvice();
    void outputThatCannotBeWrittenEndsTheCommand_data();
    void outputThatCannotBeWrittenEndsTheCommand();
    void helpNamesTheProgramAndEveryExitCode();
    void archiveKeepsEachDownloadOnce();
    void excursionShowsInTheFiguresAndTheReports();
    void filesACommandMayNotUseAreRefused_data();
    void filesACommandMayNotUseAreRefused();

private:
    // Runs the program in the test's folder and returns once it ended (or `timeoutMs`
    // passed); `onLine` hears every line it prints, on either stream, as it arrives. The
    // simulated logger answers meanwhile.
    using LineHandler = std::function<void(QProcess&, const QString&)>;
    Run cli(const QStringList& arguments, int timeoutMs = 15000, const LineHandler& onLine = {});
    void storeRecords(int count);
    // A download through the main window's Download button into `folder`, and its report
    // exported through the Export button under the name `report`.
    void downloadThroughTheWindow(const QString& folder, const QString& report);
    void setSettings(const std::function<void(sim::Settings&)>& change);
    QString path(const QString& name) const { return dir->filePath(name); }

    QScopedPointer<QTemporaryDir> dir;
    sim::SimulatedLogger* logger = nullptr;
    QList<QByteArray> received;
    // Runs the program through another one (to run it as another user).
    QStringList wrapper;
};

void CliTest::init()
{
    dir.reset(new QTemporaryDir);
    logger = new sim::SimulatedLogger(5);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    setSettings([](sim::Settings& s) {
        s.fast = true;
        s.drift = false;
    });
    received.clear();
    wrapper.clear();
    connect(logger, &sim::SimulatedLogger::frameReceived, this,
            [this](const QByteArray& frame) { received << frame; });
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
}

void CliTest::cleanup()
{
    delete logger;
    logger = nullptr;
    qunsetenv("HYGROLUX_ARCHIVE");
}

void CliTest::setSettings(const std::function<void(sim::Settings&)>& change)
{
    sim::Settings settings = logger->settings();
    change(settings);
    logger->setSettings(settings);
}

void CliTest::storeRecords(int count)
{
    logger->setStoredRecords(
        sim::plausibleDay(count, QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, 2));
}

Run CliTest::cli(const QStringList& arguments, int timeoutMs, const LineHandler& onLine)
{
    Run run;
    QProcess process;
    process.setWorkingDirectory(dir->path());
    QElapsedTimer clock;
    connect(&process, &QProcess::readyReadStandardOutput, this, [&] {
        process.setReadChannel(QProcess::StandardOutput);
        while (process.canReadLine()) {
            const QByteArray line = process.readLine();
            run.out += line;
            run.lineTimesMs << clock.elapsed();
            if (onLine)
                onLine(process, QString::fromUtf8(line));
        }
    });
    connect(&process, &QProcess::readyReadStandardError, this, [&] {
        process.setReadChannel(QProcess::StandardError);
        while (process.canReadLine()) {
            const QByteArray line = process.readLine();
            run.err += line;
            if (onLine)
                onLine(process, QString::fromUtf8(line));
        }
    });
    const QStringList command = wrapper + QStringList{QStringLiteral(CLI_PROGRAM)} + arguments;
    clock.start();
    process.start(command.first(), command.mid(1));
    if (!process.waitForStarted())
        return run;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.elapsedMs = clock.elapsed();
    run.out += process.readAllStandardOutput();
    run.err += process.readAllStandardError();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

void CliTest::statusJsonShowsTheLoggersValues_data()
{
    QTest::addColumn<bool>("celsius");
    QTest::addColumn<RecordCodes>("codes");
    QTest::newRow("Celsius") << true << RecordCodes{635, 412};
    QTest::newRow("Fahrenheit") << false << RecordCodes{270, 987};
    QTest::newRow("dry air has no dew temperature") << true << RecordCodes{700, 0};
}

void CliTest::statusJsonShowsTheLoggersValues()
{
    QFETCH(bool, celsius);
    QFETCH(RecordCodes, codes);
    logger->setLiveCodes(codes);
    storeRecords(17);
    QStringList arguments{"status", "--json"};
    if (!celsius)
        arguments << "--fahrenheit";
    const Run run = cli(arguments);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(lines(run.out).size(), 1);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);

    const auto inUnit = [celsius](double value) {
        return readings::formatValue(readings::inUnit(value, celsius)).toDouble();
    };
    const double dew = readings::dewPointC(codes.temperature, codes.humidity);
    const sim::Parameters p = logger->parameters();
    QCOMPARE(json["port"].toString(), logger->portName());
    QCOMPARE(json["unit"].toString(), celsius ? "C" : "F");
    QCOMPARE(json["temperature"].toDouble(), inUnit(readings::temperatureC(codes.temperature)));
    QCOMPARE(json["humidity"].toDouble(), codes.humidity / 10.0);
    QCOMPARE(json["heatIndex"].toDouble(),
             inUnit(readings::heatIndexC(codes.temperature, codes.humidity)));
    if (codes.humidity == 0)
        QVERIFY(json["dewTemperature"].isNull());
    else
        QCOMPARE(json["dewTemperature"].toDouble(), inUnit(dew));
    QCOMPARE(json["recordCount"].toInt(), 17);
    QCOMPARE(json["tempAlarmHigh"].toDouble(),
             inUnit(wire::wholeTemperatureFromCode(p.tempHighCode)));
    QCOMPARE(json["tempAlarmLow"].toDouble(),
             inUnit(wire::wholeTemperatureFromCode(p.tempLowCode)));
    QCOMPARE(json["humiAlarmHigh"].toInt(), wire::wholeHumidityFromCode(p.humiHighCode));
    QCOMPARE(json["humiAlarmLow"].toInt(), wire::wholeHumidityFromCode(p.humiLowCode));
    QVERIFY(QDateTime::fromString(json["time"].toString(), Qt::ISODate).isValid());
}

void CliTest::watchPrintsALineASecond()
{
    logger->setLiveCodes({635, 412});
    storeRecords(3);
    const Run run = cli({"watch", "--count", "3"});
    QCOMPARE(run.exitCode, 0);
    const QStringList csv = lines(run.out);
    QCOMPARE(csv.size(), 3);
    for (const QString& line : csv) {
        const QStringList fields = line.split(QLatin1Char(','));
        QCOMPARE(fields.size(), 6);
        QVERIFY(QDateTime::fromString(fields[0], Qt::ISODate).isValid());
        QCOMPARE(fields.mid(1, 2), (QStringList{"23.5", "41.2"}));
        QCOMPARE(fields[5], QStringLiteral("3"));
    }
    // Each line leaves as soon as it is known, a poll period after the one before: on a
    // loaded machine one line may come late, the pace over all of them holds.
    QCOMPARE(run.lineTimesMs.size(), 3);
    const qint64 meanGap = (run.lineTimesMs.last() - run.lineTimesMs.first()) / 2;
    QVERIFY2(meanGap >= 700 && meanGap <= 1600, qPrintable(QString("%1 ms apart").arg(meanGap)));
}

void CliTest::checkAnswersAsAMonitoringPlugin_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<RecordCodes>("codes");
    QTest::addColumn<int>("silentCode");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("line");

    // The logger's limits: 40 / -10 degC, 80 / 20 %RH.
    QTest::newRow("on both high limits")
        << QStringList{"check"} << RecordCodes{800, 800} << -1 << 0
        << "HYGROLUX OK - temperature 40.0 C, humidity 80.0 %RH | temperature=40.0;;-10:40 "
           "humidity=80.0;;20:80 dew_point=35.9 heat_index=82.5";
    QTest::newRow("beyond both, in Fahrenheit")
        << QStringList{"check", "--fahrenheit"} << RecordCodes{812, 0} << -1 << 2
        << "HYGROLUX CRITICAL - temperature 106.2 F is above the high limit 104 F, humidity 0.0 "
           "%RH is below the low limit 20 %RH | temperature=106.2;;14:104 humidity=0.0;;20:80 "
           "dew_point=U heat_index=98.1";
    QTest::newRow("no logger")
        << QStringList{"check", "--port", "/dev/no-such-port"} << RecordCodes{650, 500} << -1 << 3
        << "HYGROLUX UNKNOWN - Not found a valid device! The port /dev/no-such-port cannot be "
           "used: it does not exist.";
    QTest::newRow("a logger without live readings")
        << QStringList{"check"} << RecordCodes{650, 500} << 0x05 << 3
        << "HYGROLUX UNKNOWN - The logger sends no live readings.";
    QTest::newRow("a wrong command line")
        << QStringList{"check", "--every", "5"} << RecordCodes{650, 500} << -1 << 3
        << "HYGROLUX UNKNOWN - --every is not an option of check.";
}

// One line on the standard output, nothing on the standard error (which some monitoring
// systems show with it), and the state as the exit code.
void CliTest::checkAnswersAsAMonitoringPlugin()
{
    QFETCH(QStringList, arguments);
    QFETCH(RecordCodes, codes);
    QFETCH(int, silentCode);
    QFETCH(QString, line);
    logger->setLiveCodes(codes);
    setSettings([&](sim::Settings& s) { s.silentCode = silentCode; });
    const Run run = cli(arguments);
    QCOMPARE(lines(run.out), QStringList{line});
    QTEST(run.exitCode, "exitCode");
    QCOMPARE(run.err, QByteArray());
}

// The file a collector reads is always whole: written beside and renamed over the last one,
// the port's label escaped, and "down" once the logger stops answering.
void CliTest::watchWritesTheMetricsFileWhole()
{
    logger->setLiveCodes({650, 0}); // dry air: no dew temperature
    storeRecords(7);
    const QString port = path("a \"quoted\" \\ port");
    QVERIFY(QFile::link(logger->portName(), port));
    QVERIFY(QDir(dir->path()).mkdir("textfile"));
    const QString metrics = path("textfile/hygrolux.prom");
    QList<ino_t> files;
    QByteArray up;
    int csvLines = 0;
    const Run run = cli({"watch", "--port", port, "--prometheus", metrics, "--fahrenheit"}, 20000,
                        [&](QProcess&, const QString& line) {
                            struct stat status = {};
                            if (!line.startsWith("20") ||
                                ::stat(QFile::encodeName(metrics).constData(), &status) != 0)
                                return;
                            files << status.st_ino;
                            up = hygrolux::test::fileContents(metrics);
                            // After three replies the logger falls silent.
                            if (++csvLines == 3)
                                setSettings([](sim::Settings& s) { s.silentCode = 0x05; });
                        });
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(files.size() >= 2 && files.first() != files.last(), "rewritten in place");
    QCOMPARE(
        QDir(path("textfile")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{"hygrolux.prom"});

    // Every sample names the port, the last reply's time in seconds since the epoch ("now").
    const QString label =
        "port=\"" + QString(port).replace("\\", "\\\\").replace("\"", "\\\"") + "\"";
    const auto samples = [&label](const QByteArray& text) {
        QStringList found = lines(text).filter(QRegularExpression("^[^#]"));
        found.replaceInStrings(label, "port=P");
        const double time = found.last().section(' ', -1).toDouble();
        if (qAbs(time - QDateTime::currentSecsSinceEpoch()) < 60)
            found.last() = found.last().section(' ', 0, 0) + " now";
        return found;
    };
    const QString stamp = "hygrolux_last_reply_timestamp_seconds{port=P} now";
    // Temperatures in degC whatever the watch prints.
    QCOMPARE(samples(up),
             (QStringList{"hygrolux_up{port=P} 1", "hygrolux_temperature_celsius{port=P} 25.0",
                          "hygrolux_humidity_percent{port=P} 0.0",
                          "hygrolux_heat_index_celsius{port=P} 25.0",
                          "hygrolux_alarm_limit{port=P,quantity=\"temperature\",limit=\"high\"} 40",
                          "hygrolux_alarm_limit{port=P,quantity=\"temperature\",limit=\"low\"} -10",
                          "hygrolux_alarm_limit{port=P,quantity=\"humidity\",limit=\"high\"} 80",
                          "hygrolux_alarm_limit{port=P,quantity=\"humidity\",limit=\"low\"} 20",
                          "hygrolux_records{port=P} 7", stamp}));
    // Each of the seven metrics with its help and type.
    QCOMPARE(lines(up).filter(QRegularExpression("^# (HELP|TYPE) ")).size(), 2 * 7);
    // Prometheus' own judge, where it is installed.
    if (const QString promtool = QStandardPaths::findExecutable("promtool"); !promtool.isEmpty()) {
        QProcess check;
        check.start(promtool, {"check", "metrics"});
        check.write(up);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished());
        QVERIFY2(check.exitCode() == 0, check.readAll().constData());
    }
    // A logger fallen silent is down; its readings are not shown as if they were live.
    QCOMPARE(samples(hygrolux::test::fileContents(metrics)),
             (QStringList{"hygrolux_up{port=P} 0", stamp}));
}

void CliTest::metricsFileThatCannotBeWrittenIsSaidOnce()
{
    const QString metrics = path("gone/hygrolux.prom");
    const Run run = cli({"watch", "--count", "3", "--prometheus", metrics});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(lines(run.out).size(), 3);
    QCOMPARE(lines(run.err).size(), 1);
    QVERIFY2(run.err.startsWith("The metrics file " + metrics.toUtf8() + " cannot be written ("),
             run.err.constData());
}

void CliTest::alarmCommandRunsAtEachStartAndEnd()
{
    // Above the high limit, straight below the low one, back within; the command fails each
    // time, which the watch reports and goes on.
    const QVector<RecordCodes> steps = {{812, 500}, {299, 500}, {650, 500}};
    logger->setLiveCodes({650, 500});
    int csvLines = 0;
    const Run run = cli({"watch", "--count", "4", "--fahrenheit", "--on-alarm",
                         "env | grep ^HYGROLUX_ | sort >>alarms.txt; echo >>alarms.txt; echo "
                         "said on stderr >&2; exit 3"},
                        15000, [&](QProcess&, const QString& line) {
                            if (line.startsWith("20") && csvLines < steps.size())
                                logger->setLiveCodes(steps[csvLines++]);
                        });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(lines(run.out).size(), 4);
    QCOMPARE(run.err.count("said on stderr\nThe alarm command failed with exit code 3.\n"), 4);

    QString alarms = QString::fromUtf8(hygrolux::test::fileContents(path("alarms.txt")));
    const QRegularExpression time("HYGROLUX_TIME=(.*)");
    for (auto stamps = time.globalMatch(alarms); stamps.hasNext();)
        QVERIFY(QDateTime::fromString(stamps.next().captured(1), Qt::ISODate).isValid());
    alarms.replace(time, "HYGROLUX_TIME=T");
    const auto alarm = [this](const char* state, int limit, const char* value) {
        return QStringLiteral("HYGROLUX_ALARM=%1\nHYGROLUX_LIMIT=%2\nHYGROLUX_PORT=%3\n"
                              "HYGROLUX_QUANTITY=temperature\nHYGROLUX_TIME=T\nHYGROLUX_UNIT=F\n"
                              "HYGROLUX_VALUE=%4")
            .arg(state)
            .arg(limit)
            .arg(logger->portName(), value);
    };
    // 40 / -10 degC are 104 / 14 degF.
    QCOMPARE(alarms.split("\n\n", Qt::SkipEmptyParts),
             (QStringList{alarm("high", 104, "106.2"), alarm("cleared", 104, "13.8"),
                          alarm("low", 14, "13.8"), alarm("cleared", 14, "77.0")}));
}

// The watch polls on while the command hangs; Ctrl-C ends both at once.
void CliTest::alarmCommandThatHangsNeverStopsTheWatch()
{
    logger->setLiveCodes({812, 500});
    int csvLines = 0;
    const Run run = cli({"watch", "--on-alarm", "echo $$ >pid; exec sleep 60"}, 15000,
                        [&](QProcess& process, const QString& line) {
                            if (line.startsWith("20") && ++csvLines == 3)
                                ::kill(pid_t(process.processId()), SIGINT);
                        });
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(lines(run.out).size(), 3);
    const pid_t command = hygrolux::test::fileContents(path("pid")).trimmed().toInt();
    QVERIFY(command > 0);
    QTRY_VERIFY_WITH_TIMEOUT(::kill(command, 0) != 0, 5000);
}

void CliTest::downloadWritesWhatTheWindowWrites_data()
{
    QTest::addColumn<QString>("report");
    QTest::newRow("text") << "report.txt";
    QTest::newRow("CSV") << "report.csv";
    QTest::newRow("workbook") << "report.xlsx";
    QTest::newRow("PDF") << "report.pdf";
}

void CliTest::downloadWritesWhatTheWindowWrites()
{
    QFETCH(QString, report);
    const int count = 500;
    storeRecords(count);
    QTemporaryDir windowDir;
    downloadThroughTheWindow(windowDir.path(), report);
    if (QTest::currentTestFailed())
        return;
    const QByteArray windowFile = fileBytes(windowDir.filePath("data.txt"));
    QCOMPARE(windowFile.count('\n'), 13 + count);

    const Run run = cli({"download", "--out", report});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(fileBytes(path("data.txt")), windowFile);
    const QStringList out = lines(run.out);
    QCOMPARE(out.value(0), QStringLiteral("Download Success!"));
    QCOMPARE(out.mid(1, 8), lines(windowFile).mid(2, 8));
    QVERIFY(out.contains(QStringLiteral("File has saved")));
    // Not on a terminal: plain progress lines.
    QVERIFY2(run.err.contains("Downloading: 100% (500 of 500 records)\n"), run.err.constData());

    const QString mine = path(report);
    const QString windows = windowDir.filePath(report);
    if (report.endsWith(".xlsx")) {
        QCOMPARE(cells(Sheet::load(mine)), cells(Sheet::load(windows)));
        return;
    }
    QByteArray expected = fileBytes(windows);
    QByteArray actual = fileBytes(mine);
    if (report.endsWith(".pdf")) {
        // The one difference: the moment each was made.
        const QRegularExpression created(QStringLiteral("/CreationDate \\(D:\\d+Z\\)"));
        expected = QString::fromLatin1(expected).remove(created).toLatin1();
        actual = QString::fromLatin1(actual).remove(created).toLatin1();
    }
    if (report.endsWith(".csv"))
        QCOMPARE(actual.count('\n'), 1 + count);
    QVERIFY(!actual.isEmpty());
    QVERIFY(actual == expected);
}

void CliTest::downloadThroughTheWindow(const QString& folder, const QString& report)
{
    const QString startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder));
    Temp window;
    window.show();
    QTest::mouseClick(window.findChild<QPushButton*>("pushButtonConnect"), Qt::LeftButton);
    auto* temperature = window.findChild<QLabel*>("labelTempValue");
    QTRY_VERIFY_WITH_TIMEOUT(temperature->text() != QLatin1String("--.-"), 3000);
    QTest::mouseClick(window.findChild<QPushButton*>("pushButtonDownload"), Qt::LeftButton);
    auto* analysis = hygrolux::test::topLevel<QRealTimeData>();
    QVERIFY(analysis);
    auto* exportButton = analysis->findChild<QPushButton*>("pushButtonDownload");
    QTRY_VERIFY_WITH_TIMEOUT(exportButton->isEnabled(), 10000);
    analysis->setSaveNameChooser([&](QWidget*, const QString&, const QString&, const QString&,
                                     QString*) { return QDir(folder).filePath(report); });
    QTest::mouseClick(exportButton, Qt::LeftButton);
    hygrolux::test::dismissMessages();
    QDir::setCurrent(startFolder);
}

void CliTest::configureChecksLikeTheSettingsWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QList<int>>("parameters"); // high, low degC; high, low %RH; records, s

    const QStringList good = {"configure",   "--interval", "90",         "--records", "250",
                              "--temp-high", "30",         "--temp-low", "-5",        "--humi-high",
                              "85",          "--humi-low", "15"};
    auto with = [&good](const QString& option, const QString& value) {
        QStringList arguments = good;
        arguments[arguments.indexOf(option) + 1] = value;
        return arguments;
    };
    QTest::newRow("accepted") << good << 0 << "Set data command sent"
                              << QList<int>{30, -5, 85, 15, 250, 90};
    QTest::newRow("Fahrenheit limits truncate to whole Celsius")
        << with("--temp-high", "100") + QStringList{"--temp-low", "0", "--fahrenheit"} << 0
        << "Set data command sent" << QList<int>{37, -17, 85, 15, 250, 90};
    QTest::newRow("interval 0") << with("--interval", "0") << 2
                                << "record interval is illegal, should be greater than 0!"
                                << QList<int>();
    QTest::newRow("interval beyond 16 bits")
        << with("--interval", "65536") << 2
        << "Error:Record interval is too long, should be at most 18 h 12 min 15 s (65535 sec)"
        << QList<int>();
    QTest::newRow("equal temperatures")
        << with("--temp-low", "30") << 2
        << "Error:High temperature value should be greater than the low temperature value"
        << QList<int>();
    QTest::newRow("record number out of range")
        << with("--records", "20001") << 2
        << "Invalid value for --records: \"20001\" (a whole number from 1 to 20000)."
        << QList<int>();
    QTest::newRow("missing limits")
        << QStringList(good.mid(0, 5)) << 2
        << "configure needs --temp-high, --temp-low, --humi-high, --humi-low." << QList<int>();
}

void CliTest::configureChecksLikeTheSettingsWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(QList<int>, parameters);

    const Run run = cli(arguments);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(lines(exitCode == 0 ? run.out : run.err).value(0), message);
    if (exitCode != 0) {
        // Refused before the port was opened.
        QVERIFY(received.isEmpty());
        return;
    }
    const sim::Parameters p = logger->parameters();
    QCOMPARE(
        (QList<int>{wire::wholeTemperatureFromCode(p.tempHighCode),
                    wire::wholeTemperatureFromCode(p.tempLowCode),
                    wire::wholeHumidityFromCode(p.humiHighCode),
                    wire::wholeHumidityFromCode(p.humiLowCode), p.recordNumber, p.intervalSeconds}),
        parameters);
}

void CliTest::failuresEndInTheirExitCode_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1: the port, as an absolute path
    QTest::addColumn<QString>("port");          // empty: the logger's; or "held by another program"
    QTest::addColumn<int>("silentCode");
    QTest::addColumn<int>("stallAfter");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // whole lines of the standard error; %1 as above
    QTest::addColumn<int>("withinMs");

    QTest::newRow("silent logger")
        << QStringList{"status"} << "" << 0x01 << -1 << 1 << "Connected to Device failed!" << 3000;
    QTest::newRow("stalled download")
        << QStringList{"download"} << "" << -1 << wire::block::HeaderSize + 30 * 3 << 3
        << "Download Failed:[data missed]" << 6000;
    QTest::newRow("unknown command")
        << QStringList{"fetch"} << "" << -1 << -1 << 2 << "Unknown command: \"fetch\"." << 2000;
    // Nothing reaches the logger, not even through its own port held by another program.
    const QString notSerial = "it is not a serial port";
    const std::pair<const char*, QString> ports[] = {
        {"/dev/hygrolux-no-such-port", "it does not exist"},
        {"regular", notSerial},
        {".", notSerial},
        {"/dev/null", notSerial},
        {"held by another program", "it is in use by another program"}};
    for (const auto& [port, reason] : ports)
        QTest::addRow("port %s", port)
            << QStringList{"status", "--port", "%1"} << port << -1 << -1 << 1
            << "Not found a valid device!\nThe port %1 cannot be used: " + reason + "." << 2000;
}

void CliTest::failuresEndInTheirExitCode()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, port);
    QFETCH(int, silentCode);
    QFETCH(int, stallAfter);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(int, withinMs);

    storeRecords(100);
    setSettings([&](sim::Settings& s) {
        s.silentCode = silentCode;
        s.stallAfterBytes = stallAfter;
    });
    QVERIFY(QFile(path("regular")).open(QIODevice::WriteOnly));
    QSerialPort holder(logger->portName());
    if (port == "held by another program") {
        QVERIFY(holder.open(QIODevice::ReadWrite));
        port = logger->portName();
    }
    port = QFileInfo(QDir(dir->path()), port).absoluteFilePath();
    const Run run = cli(arguments.replaceInStrings("%1", port));
    QCOMPARE(run.exitCode, exitCode);
    const QString err = "\n" + lines(run.err).join('\n') + "\n";
    QVERIFY2(err.contains("\n" + message.replace("%1", port) + "\n"), run.err.constData());
    // withinMs is the program's own time to give up; a loaded machine, or the sanitizers,
    // add to it, but a command that hangs does not end at all.
    constexpr int LoadedMachineMs = 5000;
    QVERIFY2(run.elapsedMs <= withinMs + LoadedMachineMs,
             qPrintable(QString("%1 ms").arg(run.elapsedMs)));
    if (exitCode == 3)
        QCOMPARE(lines(fileBytes(path("data.txt"))).last(), QStringLiteral("data missed"));
    if (arguments.contains("--port"))
        QVERIFY(received.isEmpty());
}

void CliTest::interruptionEndsCleanly_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("interruptAt"); // a line the program prints
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("signal");
    QTest::newRow("watch ends after its lines") << QStringList{"watch"} << "" << 0 << SIGINT;
    QTest::newRow("download keeps what arrived, marked")
        << QStringList{"download"} << "Downloading: 10%" << 3 << SIGINT;
    QTest::newRow("terminal hung up during a download")
        << QStringList{"download"} << "Downloading: 10%" << 3 << SIGHUP;
}

void CliTest::interruptionEndsCleanly()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, interruptAt);
    QFETCH(int, exitCode);
    QFETCH(int, signal);
    storeRecords(2000);
    // At the line's pace the download is still under way when it is interrupted.
    setSettings([](sim::Settings& s) { s.fast = false; });
    int csvLines = 0;
    const Run run = cli(arguments, 15000, [&](QProcess& process, const QString& line) {
        const bool now = interruptAt.isEmpty() ? ++csvLines == 2 : line.startsWith(interruptAt);
        if (now)
            ::kill(pid_t(process.processId()), signal);
    });
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0) {
        QVERIFY(lines(run.out).size() >= 2);
        return;
    }
    QVERIFY2(run.err.contains("Interrupted.\nDownload Failed:[data missed]\n"),
             run.err.constData());
    const QStringList data = lines(fileBytes(path("data.txt")));
    QCOMPARE(data.last(), QStringLiteral("data missed"));
    QVERIFY(data.size() < 13 + 2000);
}

void CliTest::portThisUserMayNotOpenGetsTheAdvice()
{
    // Permissions do not bind root: as root the program runs as "nobody", who may not open
    // the pseudo-terminal; otherwise the pseudo-terminal is closed to its owner.
    if (::geteuid() == 0) {
        const QString runuser = QStandardPaths::findExecutable(QStringLiteral("runuser"));
        if (runuser.isEmpty())
            QSKIP("runuser is needed to run the program as another user");
        wrapper = QStringList{runuser, "-u", "nobody", "--"};
        if (QProcess::execute(runuser, wrapper.mid(1) + QStringList{"test", "-x", CLI_PROGRAM}) !=
            0)
            QSKIP("the build folder is closed to other users");
    } else {
        QVERIFY(QFile::setPermissions(logger->portName(), QFileDevice::Permissions()));
    }
    const Run run = cli({"status"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(lines(run.err).value(0),
             QStringLiteral("The logger's port %1 cannot be opened: permission denied. Add your "
                            "user to the \"dialout\" group (\"uucp\" on some systems), then "
                            "log out and in again.")
                 .arg(logger->portName()));
}

void CliTest::outputThatCannotBeWrittenEndsTheCommand_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output"); // the shell's redirection of the standard output
    const QString full = "\"$0\" \"$@\" >/dev/full";
    QTest::newRow("watch into a pipe closed after a line")
        << QStringList{"watch"} << "\"$0\" \"$@\" | head -1 >/dev/null; exit ${PIPESTATUS[0]}";
    QTest::newRow("status --json") << QStringList{"status", "--json"} << full;
    QTest::newRow("set-clock") << QStringList{"set-clock"} << full;
    QTest::newRow("download") << QStringList{"download"} << full;
    QTest::newRow("ports") << QStringList{"ports"} << full;
    QTest::newRow("help") << QStringList{"--help"} << full;
}

// The command ends, releasing the port, and says so; what it had done stays done.
void CliTest::outputThatCannotBeWrittenEndsTheCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    storeRecords(20);
    wrapper = QStringList{"bash", "-c", output};
    const Run run = cli(arguments);
    QCOMPARE(run.exitCode, 5);
    QVERIFY2(lines(run.err).last().startsWith("The standard output cannot be written ("),
             run.err.constData());
    if (arguments.first() == "download")
        QCOMPARE(lines(fileBytes(path("data.txt"))).size(), 13 + 20);
}

void CliTest::helpNamesTheProgramAndEveryExitCode()
{
    const Run help = cli({"--help"});
    QCOMPARE(lines(help.out).value(0),
             QStringLiteral("Usage: hygrolux-cli [options] command [file]"));
    for (const char* code : {"0", "1", "2", "3", "4", "5", "130"})
        QVERIFY2(help.out.contains(QByteArray("\n  ") + code + "  "), code);
    QVERIFY(!help.out.contains("--help-all"));
    QCOMPARE(cli({"--help-all"}).exitCode, 2);
}

void CliTest::archiveKeepsEachDownloadOnce()
{
    const QString folder = path("archive");
    qputenv("HYGROLUX_ARCHIVE", folder.toLocal8Bit());
    QCOMPARE(lines(cli({"archive", "--path"}).out), QStringList{folder});
    const Run none = cli({"archive", "--json"});
    QCOMPARE(none.exitCode, 0);
    QCOMPARE(lines(none.out), QStringList{"[]"});

    // Three downloads, the second of the same records as the first: two archived files.
    storeRecords(100);
    const Run first = cli({"download"});
    QCOMPARE(first.exitCode, 0);
    const QString archived = lines(first.out).last();
    QVERIFY2(archived.startsWith("Archived: " + folder + "/2024-03-09_22-30-00_start__"),
             first.out.constData());
    const QString firstCopy = archived.mid(int(strlen("Archived: ")));
    QCOMPARE(lines(cli({"download"}).out).last(),
             "Already archived with the same records: " + firstCopy);
    storeRecords(150);
    QVERIFY(lines(cli({"download"}).out).last().startsWith("Archived: "));

    const Run listed = cli({"archive", "--json"});
    QCOMPARE(listed.exitCode, 0);
    const QJsonArray downloads = QJsonDocument::fromJson(listed.out).array();
    const QStringList text = lines(cli({"archive"}).out);
    QCOMPARE(downloads.size(), 2);
    QCOMPARE(text.size(), 2);
    QCOMPARE(downloads[1]["path"].toString(), firstCopy);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject download = downloads[i].toObject();
        const int records = i == 0 ? 150 : 100; // newest first
        QCOMPARE(download.keys(), (QStringList{"downloaded", "excursions", "first_excursion",
                                               "path", "records", "start", "unit"}));
        QCOMPARE(download["records"].toInt(), records);
        QCOMPARE(download["start"].toString(), QStringLiteral("2024-03-09T22:30:00"));
        QCOMPARE(download["unit"].toString(), QStringLiteral("C"));
        QVERIFY(QDateTime::fromString(download["downloaded"].toString(), Qt::ISODate).isValid());
        QCOMPARE(download["first_excursion"].isNull(), download["excursions"].toInt() == 0);
        const QRegularExpression line(
            QString(
                "^start 2024-03-09 22:30:00, downloaded \\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d, "
                "%1 records, (within limits|first excursion: .+)$")
                .arg(records));
        QVERIFY2(line.match(text[i]).hasMatch(), qPrintable(text[i]));
    }

    // An archive that takes no file never fails the download.
    const QString taken = path("taken");
    QVERIFY(QFile(taken).open(QIODevice::WriteOnly));
    qputenv("HYGROLUX_ARCHIVE", taken.toLocal8Bit());
    const Run refused = cli({"download"});
    QCOMPARE(refused.exitCode, 0);
    QCOMPARE(lines(refused.out).value(0), QStringLiteral("Download Success!"));
    QVERIFY2(lines(refused.err).contains("Not archived: " + taken + " is not a folder"),
             refused.err.constData());
}

// A download with a stored excursion, as a user meets it on the command line: in the report
// written after the download, in the figures and in the report of the file.
void CliTest::excursionShowsInTheFiguresAndTheReports()
{
    logger->setStoredRecords(
        {QDateTime(QDate(2024, 3, 9), QTime(22, 30)), 60, hygrolux::test::coldStore()});
    logger->setParameters({wire::encodeTemperature(8), wire::encodeTemperature(2)}); // 80 / 20 %RH
    const QString verdict =
        "3 excursions: 3 min above 8.0 ℃, 1 min below 2.0 ℃, 1 min above 80 %RH";

    const Run download = cli({"download", "--report", "audit.pdf"});
    QCOMPARE(download.exitCode, 0);
    QVERIFY2(lines(download.out).contains("Report: " + path("audit.pdf")), download.out.data());
    QVERIFY(pdfText(path("audit.pdf")).contains(verdict));

    const Run json = cli({"summary", "--json"});
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(lines(json.out).size(), 1);
    // Every figure as a script reads it. The mean kinetic temperature lies above the mean: the
    // warm records weigh more.
    const QByteArray figures = QJsonDocument::fromJson(R"({
        "records": 20, "interval_s": 60, "unit": "C",
        "first": "2024-03-09T22:31:00", "last": "2024-03-09T22:50:00",
        "temperature": {"min": 1, "max": 9.5, "mean": 5.38, "mkt": 5.57, "high_limit": 8,
            "low_limit": 2, "above_s": 180, "below_s": 60, "excursions": 2,
            "longest_excursion_s": 180},
        "humidity": {"min": 50, "max": 85, "mean": 51.75, "high_limit": 80, "low_limit": 20,
            "above_s": 60, "below_s": 0, "excursions": 1, "longest_excursion_s": 60},
        "events": [
            {"quantity": "temperature", "limit": "high", "first": "2024-03-09T22:34:00",
             "duration_s": 180, "extreme": 9.5},
            {"quantity": "temperature", "limit": "low", "first": "2024-03-09T22:40:00",
             "duration_s": 60, "extreme": 1},
            {"quantity": "humidity", "limit": "high", "first": "2024-03-09T22:43:00",
             "duration_s": 60, "extreme": 85}]})")
                                   .toJson(QJsonDocument::Compact);
    QCOMPARE(QJsonDocument::fromJson(json.out).toJson(QJsonDocument::Compact), figures);

    const Run text = cli({"summary", "data.txt"});
    QCOMPARE(text.exitCode, 0);
    QVERIFY2(lines(text.out).contains("Result: " + verdict), text.out.data());

    const Run report = cli({"report", "data.txt", "--out", "again.pdf"});
    QCOMPARE(report.exitCode, 0);
    QVERIFY(pdfText(path("again.pdf")).contains(verdict));
}

void CliTest::filesACommandMayNotUseAreRefused_data()
{
    QTest::addColumn<QStringList>("arguments"); // %1: the test's folder
    QTest::addColumn<QString>("file");          // made in the test's folder before the run
    QTest::addColumn<QByteArray>("content");    // "folder", "data file" or the bytes
    QTest::addColumn<QStringList>("links");     // "link>what it points to", made in order
    QTest::addColumn<QString>("message");       // the first line on the standard error
    const QString notOurs =
        "is no data file or workbook of this program: it has no records header.";
    const QString kept = "--out must not name %1/%2, which the download keeps.";
    QTest::newRow("missing") << QStringList{"summary", "gone.txt"} << "" << QByteArray()
                             << QStringList() << "gone.txt does not exist.";
    QTest::newRow("a folder") << QStringList{"report", "logs", "--out", "r.pdf"} << "logs"
                              << QByteArray("folder") << QStringList() << "logs is no plain file.";
    QTest::newRow("binary") << QStringList{"summary", "noise.txt"} << "noise.txt"
                            << QByteArray("\x00\xff\xfe\x01garbage\x00", 12) << QStringList()
                            << "noise.txt " + notOurs;
    QTest::newRow("text without a records header")
        << QStringList{"report", "notes.txt", "--out", "r.pdf"} << "notes.txt"
        << QByteArray("Fridge checked at 9:00, all fine.\n") << QStringList()
        << "notes.txt " + notOurs;
    QTest::newRow("a workbook that is none")
        << QStringList{"summary", "--json", "fake.xlsx"} << "fake.xlsx"
        << QByteArray("PK not a zip") << QStringList() << "fake.xlsx " + notOurs;
    QTest::newRow("the report in place of its file")
        << QStringList{"report", "log.pdf", "--out", "log.pdf"} << "log.pdf"
        << QByteArray("data file") << QStringList()
        << "--out must not name %1/log.pdf, the file the report is made from.";
    QTest::newRow("the report in place of data.txt, through a link")
        << QStringList{"report", "log.txt", "--out", "x.pdf"} << "" << QByteArray()
        << QStringList{"x.pdf>data.txt"} << kept.arg("%1", "data.txt");
    QTest::newRow("report without --out")
        << QStringList{"report"} << "" << QByteArray() << QStringList()
        << "report needs --out and the name of the PDF.";
    // A download's --out, whether the file it reaches exists yet or not.
    for (const hygrolux::test::HostileTarget& target : hygrolux::test::hostileTargets()) {
        const QString name = target.name.startsWith('/') ? "%1" + target.name : target.name;
        QTest::addRow("download --out %s", target.row)
            << QStringList{"download", "--out", name} << "" << QByteArray() << target.links
            << kept.arg("%1", target.kept);
    }
}

// Exit 2 with the reason; nothing written, nothing asked of a logger.
void CliTest::filesACommandMayNotUseAreRefused()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, links);
    QFETCH(QString, message);
    // A data file the program wrote, as log.txt and as data.txt.
    {
        LoggedDownload written(path("log.txt"));
        QVERIFY(written.start(true, {8, 2, 80, 20}));
        const QByteArray block = buildBlock(hygrolux::test::coldStore());
        written.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
        QVERIFY(QFile::copy(path("log.txt"), path("data.txt")));
    }
    QVERIFY(QDir(dir->path()).mkdir("sub"));
    for (const QString& link : links)
        QVERIFY(QFile::link(link.section('>', 1), path(link.section('>', 0, 0))));
    if (content == "folder")
        QVERIFY(QDir(dir->path()).mkdir(file));
    else if (content == "data file")
        QVERIFY(QFile::copy(path("log.txt"), path(file)));
    else if (!file.isEmpty()) {
        QFile made(path(file));
        QVERIFY(made.open(QIODevice::WriteOnly) && made.write(content) == content.size());
    }
    const QByteArray data = fileBytes(path("data.txt"));
    const QStringList before = QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden);

    const Run run = cli(arguments.replaceInStrings("%1", dir->path()));
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(lines(run.err).value(0), message.replace("%1", dir->path()));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(QDir(dir->path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    QCOMPARE(fileBytes(path("data.txt")), data);
    QVERIFY(received.isEmpty());
}

HYGROLUX_TEST_MAIN(CliTest)
#include "tst_cli.moc"
