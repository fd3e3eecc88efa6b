// hygrolux-sim: a simulated logger on a pseudo-terminal, for demonstrations and for
// trying the program without the hardware. It prints the port to open, then serves
// until it is interrupted.

#include "device/recordingentry.h"
#include "simulatedlogger.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop through a socket pair, the one thing a signal
// handler may safely touch.
bool quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return false;
    struct sigaction action {
    };
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, nullptr) != 0 || ::sigaction(SIGTERM, &action, nullptr) != 0)
        return false;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    return true;
}

QTextStream& errorStream()
{
    static QTextStream stream(stderr);
    return stream;
}

void logLine(const QString& line)
{
    errorStream() << line << Qt::endl;
}

QString commandName(int code)
{
    switch (code) {
    case 0x01:
        return QStringLiteral("connect");
    case 0x02:
        return QStringLiteral("set clock");
    case 0x03:
        return QStringLiteral("set recording parameters");
    case 0x04:
        return QStringLiteral("stop recording");
    case 0x05:
        return QStringLiteral("read live values");
    case 0x06:
        return QStringLiteral("download records");
    default:
        return QStringLiteral("unknown command");
    }
}

QString hex(int byte)
{
    return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0'));
}

// A command code as "0x03", "3" or "03".
bool parseCode(const QString& text, int* code)
{
    bool ok = false;
    const int value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                          ? text.mid(2).toInt(&ok, 16)
                          : text.toInt(&ok, 10);
    if (!ok || value < 0 || value > 0xFF)
        return false;
    *code = value;
    return true;
}

bool parseCount(const QString& text, int max, int* count)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0 || value > max)
        return false;
    *count = value;
    return true;
}

// An alarm limit in whole degC or %RH, within what the settings window takes, as the code
// the logger holds.
bool parseLimit(const QString& text, recordingentry::Range range, quint16 (*encode)(int),
                quint16* code)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || !range.contains(value))
        return false;
    *code = encode(value);
    return true;
}

struct Options {
    sim::Settings settings;
    sim::Parameters parameters;
    quint32 seed = 1;
    int records = sim::DefaultRecordCount;
    int intervalSeconds = sim::DefaultIntervalSeconds;
    QDateTime start = sim::defaultStart();
};

// Fills `options` from the command line; an empty result means success, otherwise the
// message to print.
QString readOptions(QCommandLineParser& parser, Options* options)
{
    const auto bad = [&parser](const char* name) {
        return QStringLiteral("Invalid value for --%1: %2")
            .arg(QLatin1String(name), parser.value(QLatin1String(name)));
    };
    const int maxBytes = std::numeric_limits<int>::max();
    sim::Settings& s = options->settings;

    if (parser.isSet("records") &&
        !parseCount(parser.value("records"), sim::MaxStoredRecords, &options->records))
        return bad("records");
    if (parser.isSet("interval") &&
        !parseCount(parser.value("interval"), wire::MaxIntervalSeconds, &options->intervalSeconds))
        return bad("interval");
    if (parser.isSet("start")) {
        options->start =
            QDateTime::fromString(parser.value("start"), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!options->start.isValid() || options->start.date().year() < 2000 ||
            options->start.date().year() > 2255)
            return bad("start");
    }
    sim::Parameters& p = options->parameters;
    const struct {
        const char* name;
        recordingentry::Range range;
        quint16 (*encode)(int);
        quint16* code;
    } limits[] = {
        {"temp-high", recordingentry::TemperatureC, wire::encodeTemperature, &p.tempHighCode},
        {"temp-low", recordingentry::TemperatureC, wire::encodeTemperature, &p.tempLowCode},
        {"humi-high", recordingentry::Humidity, wire::encodeHumidity, &p.humiHighCode},
        {"humi-low", recordingentry::Humidity, wire::encodeHumidity, &p.humiLowCode},
    };
    for (const auto& limit : limits)
        if (parser.isSet(limit.name) &&
            !parseLimit(parser.value(limit.name), limit.range, limit.encode, limit.code))
            return bad(limit.name);
    if (parser.isSet("seed")) {
        bool ok = false;
        options->seed = parser.value("seed").toUInt(&ok);
        if (!ok)
            return bad("seed");
    }
    if (parser.isSet("busy")) {
        const QStringList parts = parser.value("busy").split(QLatin1Char(':'));
        if (parts.size() != 2 || !parseCode(parts[0], &s.busyCode) ||
            !parseCount(parts[1], maxBytes, &s.busyCount))
            return bad("busy");
    }
    if (parser.isSet("busy-for") && !parseCount(parser.value("busy-for"), maxBytes, &s.busyForMs))
        return bad("busy-for");
    if (parser.isSet("silent") && !parseCode(parser.value("silent"), &s.silentCode))
        return bad("silent");
    if (parser.isSet("stall-after") &&
        !parseCount(parser.value("stall-after"), maxBytes, &s.stallAfterBytes))
        return bad("stall-after");
    if (parser.isSet("stall-code") && !parseCode(parser.value("stall-code"), &s.stallCode))
        return bad("stall-code");
    if (parser.isSet("noise") && !parseCount(parser.value("noise"), maxBytes, &s.noiseBytes))
        return bad("noise");
    if (parser.isSet("drop-after") &&
        !parseCount(parser.value("drop-after"), maxBytes, &s.dropAfterBytes))
        return bad("drop-after");
    if (parser.isSet("chunk") && !parseCount(parser.value("chunk"), maxBytes, &s.chunkBytes))
        return bad("chunk");
    if (parser.isSet("time-scale")) {
        bool ok = false;
        s.timeScale = parser.value("time-scale").toDouble(&ok);
        if (!ok || !(s.timeScale > 0))
            return bad("time-scale");
    }
    if (parser.isSet("temp-swing")) {
        const QStringList ends = parser.value("temp-swing").split(QLatin1Char(':'));
        bool fromOk = false;
        bool toOk = false;
        const double from = ends.value(0).toDouble(&fromOk);
        const double to = ends.value(1).toDouble(&toOk);
        const auto code = [](double celsius) {
            return int(std::lround(celsius * wire::TenthsPerUnit)) + wire::TemperatureOffset;
        };
        if (ends.size() != 2 || !fromOk || !toOk || code(from) < 0 || code(to) < 0 ||
            code(from) > 0xFFF || code(to) > 0xFFF)
            return bad("temp-swing");
        s.swingFromCode = code(from);
        s.swingToCode = code(to);
    }
    s.badChecksum = parser.isSet("bad-checksum");
    s.zeroBlock = parser.isSet("zero-block");
    s.fast = parser.isSet("fast");
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("hygrolux-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated temperature and humidity logger on a pseudo-terminal.\n"
        "Prints \"port: <path>\" once the port is ready, logs every command it receives "
        "on standard error, and serves until SIGINT or SIGTERM."));
    parser.addHelpOption();
    parser.addOptions({
        {"records", "Number of stored records for the download, 0..65535 (default 288).", "N"},
        {"start", "Start time of the stored records (default: yesterday 00:00:00).",
         "yyyy-MM-dd HH:mm:ss"},
        {"interval", "Seconds between stored records, 0..65535 (default 300).", "S"},
        {"temp-high", "The high temperature alarm the logger holds, whole degC (default 40).", "C"},
        {"temp-low", "The low temperature alarm the logger holds, whole degC (default -10).", "C"},
        {"humi-high", "The high humidity alarm the logger holds, whole %RH (default 80).", "RH"},
        {"humi-low", "The low humidity alarm the logger holds, whole %RH (default 20).", "RH"},
        {"seed", "Seed of the live readings' wandering and the stored records (default 1).", "N"},
        {"busy",
         "Answer command CODE (e.g. 0x03) with the busy reply 0xFF K times before "
         "acknowledging it.",
         "CODE:K"},
        {"busy-for", "Answer every command with the busy reply 0xFF for the first MS milliseconds.",
         "MS"},
        {"silent", "Never answer command CODE.", "CODE"},
        {"stall-after", "Stop sending the download block after K bytes.", "K"},
        {"stall-code",
         "Apply --stall-after to the replies to command CODE instead (e.g. 0x05: live replies "
         "that never complete).",
         "CODE"},
        {"noise", "Send N bytes of line noise (never 0xAA) after every reply.", "N"},
        {"bad-checksum", "Send the download block with a wrong checksum."},
        {"zero-block", "Send a download block of zeros (no records, checksum 0)."},
        {"drop-after", "Close the port after K bytes of the download block.", "K"},
        {"fast", "Send replies as fast as possible instead of at 9600-baud pace."},
        {"chunk", "Send replies in pieces of N bytes, 0 for whole replies (default 16).", "N"},
        {"time-scale", "Run the recording clock X times faster than real time (default 1).", "X"},
        {"temp-swing",
         "Walk the live temperature 0.1 degC a live reply from FROM to TO degC and back, again "
         "and again, e.g. 22:26 across a high alarm limit of 24.",
         "FROM:TO"},
    });
    parser.process(app);

    Options options;
    const QString problem = readOptions(parser, &options);
    if (!problem.isEmpty()) {
        logLine(problem);
        return 2;
    }

    sim::SimulatedLogger logger(options.seed);
    logger.setSettings(options.settings);
    if (options.settings.swingFromCode >= 0)
        logger.setLiveCodes({quint16(options.settings.swingFromCode), logger.liveCodes().humidity});
    logger.setStoredRecords(
        sim::plausibleDay(options.records, options.start, options.intervalSeconds, options.seed));
    sim::Parameters parameters = options.parameters;
    parameters.recordNumber = options.records;
    parameters.intervalSeconds = options.intervalSeconds;
    logger.setParameters(parameters);

    if (!quitOnTerminationSignals(app)) {
        logLine(QStringLiteral("Cannot install the signal handlers."));
        return 1;
    }
    if (!logger.open()) {
        logLine(logger.errorString());
        return 1;
    }

    QObject::connect(&logger, &sim::SimulatedLogger::frameReceived, [](const QByteArray& frame) {
        const int code = quint8(frame.at(1));
        logLine(QStringLiteral("received %1 %2").arg(hex(code), commandName(code)));
    });
    QObject::connect(&logger, &sim::SimulatedLogger::frameRejected, [](const QByteArray& frame) {
        logLine(QStringLiteral("rejected a frame with a wrong checksum: %1")
                    .arg(QString::fromLatin1(frame.toHex(' '))));
    });
    QObject::connect(&logger, &sim::SimulatedLogger::replyStalled, [](int command, int bytesSent) {
        logLine(QStringLiteral("reply to %1 %2 stalled after %3 bytes")
                    .arg(hex(command), commandName(command))
                    .arg(bytesSent));
    });
    QObject::connect(&logger, &sim::SimulatedLogger::recordingChanged, [&logger](bool recording) {
        logLine(recording
                    ? QStringLiteral("recording started")
                    : QStringLiteral("recording stopped at %1 records").arg(logger.recordCount()));
    });
    // Once the link is gone there is nothing left to serve.
    QObject::connect(&logger, &sim::SimulatedLogger::linkDropped, &app, [&app](int bytesSent) {
        logLine(bytesSent >= 0 ? QStringLiteral("link dropped after %1 bytes").arg(bytesSent)
                               : QStringLiteral("the pseudo-terminal failed; link closed"));
        app.quit();
    });

    std::printf("port: %s\n", qPrintable(logger.portName()));
    std::fflush(stdout);
    return app.exec();
}
