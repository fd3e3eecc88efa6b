#include "invocation.h"

#include "device/recordingentry.h"
#include "records/readings.h"
#include "reports/exports.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <utility>
#include <vector>

namespace cli {

namespace {

struct CommandName {
    const char* name;
    Command command;
};
const CommandName Commands[] = {
    {"ports", Command::Ports},        {"status", Command::Status},
    {"check", Command::Check},        {"watch", Command::Watch},
    {"set-clock", Command::SetClock}, {"configure", Command::Configure},
    {"stop", Command::Stop},          {"download", Command::Download},
    {"summary", Command::Summary},    {"report", Command::Report},
    {"archive", Command::Archive},
};

// The commands that talk to the logger; summary and report read a file, archive lists a folder.
const std::vector<Command> LoggerCommands = {Command::Ports, Command::Status,   Command::Check,
                                             Command::Watch, Command::SetClock, Command::Configure,
                                             Command::Stop,  Command::Download};

// The options that belong to some commands only; the others are for every command.
const std::vector<std::pair<QString, std::vector<Command>>>& commandOptions()
{
    static const std::vector<std::pair<QString, std::vector<Command>>> options = {
        {"port", LoggerCommands},
        {"fahrenheit", LoggerCommands},
        {"json", {Command::Status, Command::Summary, Command::Archive}},
        {"path", {Command::Archive}},
        {"every", {Command::Watch}},
        {"count", {Command::Watch}},
        {"prometheus", {Command::Watch}},
        {"on-alarm", {Command::Watch}},
        {"interval", {Command::Configure}},
        {"records", {Command::Configure}},
        {"temp-high", {Command::Configure}},
        {"temp-low", {Command::Configure}},
        {"humi-high", {Command::Configure}},
        {"humi-low", {Command::Configure}},
        {"manual", {Command::Configure}},
        {"out", {Command::Download, Command::Report}},
        {"report", {Command::Download}},
    };
    return options;
}

// The commands that take a file after their name.
bool takesFile(Command command)
{
    return command == Command::Summary || command == Command::Report;
}

const char* const Description =
    "Reads, configures and downloads a temperature and humidity logger without a display,\n"
    "for scripts, scheduled collection and terminals.\n"
    "\n"
    "Commands:\n"
    "  ports       List the serial ports; * marks the one the logger is looked for on.\n"
    "  status      Print the live readings, the record count and the alarm limits\n"
    "              (--json: one JSON object).\n"
    "  check       Read the live readings once and answer as a monitoring plugin\n"
    "              (Nagios, Icinga, Naemon, Zabbix): one line, \"HYGROLUX OK\" within\n"
    "              the alarm limits, \"HYGROLUX CRITICAL\" with the reading beyond\n"
    "              which limit, \"HYGROLUX UNKNOWN\" with the reason when the logger\n"
    "              cannot be read, and the readings and limits as performance data.\n"
    "  watch       Print the live readings as CSV lines until --count lines or Ctrl-C:\n"
    "              time, temperature, humidity, dew temperature, heat index, records.\n"
    "              --prometheus also writes them after every reply to FILE, for\n"
    "              node_exporter's textfile collector (hygrolux_up 0 when the logger\n"
    "              did not answer). --on-alarm runs COMMAND with /bin/sh when an\n"
    "              excursion beyond an alarm limit starts or ends, with HYGROLUX_ALARM\n"
    "              (high, low, cleared), HYGROLUX_QUANTITY, HYGROLUX_VALUE,\n"
    "              HYGROLUX_LIMIT, HYGROLUX_UNIT, HYGROLUX_TIME and HYGROLUX_PORT in its\n"
    "              environment; a command still running after 30 s is killed.\n"
    "  set-clock   Set the logger's clock to this computer's.\n"
    "  configure   Send the recording parameters: --interval, --records, --temp-high,\n"
    "              --temp-low, --humi-high, --humi-low, and --manual for manual start.\n"
    "  stop        Stop the recording.\n"
    "  download    Download the records to ./data.txt; the last complete one is kept\n"
    "              as ./data.previous.txt, and every complete one in the archive.\n"
    "              --out also saves the report, in the form\n"
    "              its file name asks for: the first of .txt, .xls (also .xlsx), .pdf\n"
    "              and .csv found anywhere in the file's own name (not its folder's),\n"
    "              in small letters. --report also saves the report with charts\n"
    "              as this PDF.\n"
    "  summary     Print the figures of FILE, a data file or workbook this program\n"
    "              wrote (default ./data.txt): minimum, maximum, mean, the mean\n"
    "              kinetic temperature, time beyond the alarm limits and the\n"
    "              excursions, in the file's unit (--json: one JSON object).\n"
    "  report      Save the report with charts of FILE (default ./data.txt) as the\n"
    "              PDF named by --out: the logger's settings, the figures, both\n"
    "              charts, the marked records, the file's SHA-256 and a line for\n"
    "              the signature.\n"
    "  archive     List the archived downloads, newest first: start, download time,\n"
    "              records, first excursion or \"within limits\" (--json: an array of\n"
    "              objects). --path prints the archive's folder.\n"
    "\n"
    "The port is --port, else the environment's HYGROLUX_PORT, else the adapter found\n"
    "among the serial ports. summary, report and archive need no logger. The archive is\n"
    "the folder HYGROLUX_ARCHIVE, else $XDG_DATA_HOME/hygrolux/downloads, else\n"
    "~/.local/share/hygrolux/downloads.";

const char* const ExitCodes =
    "\nExit codes:\n"
    "  0    done\n"
    "  1    the logger could not be reached, or the link dropped\n"
    "  2    usage error, a parameter was refused, or FILE is no\n"
    "       data file or workbook of this program\n"
    "  3    the download failed (checksum error, no data, data missed);\n"
    "       ./data.txt keeps what arrived\n"
    "  4    the report of --out or --report was not saved (after a\n"
    "       download: the download succeeded)\n"
    "  5    the results could not be written to the standard output\n"
    "       (a closed pipe, a full disk); what was done stays done\n"
    "  130  interrupted by Ctrl-C before the command was done\n"
    "\n"
    "check answers with the exit codes of monitoring plugins instead:\n"
    "0 OK, every reading within the logger's alarm limits (a reading\n"
    "on a limit is within); 2 CRITICAL, a reading beyond one; 3 UNKNOWN,\n"
    "the logger could not be read or the command line was wrong.\n";

QString invalid(const QString& option, const QString& value, const QString& expected)
{
    return QStringLiteral("Invalid value for --%1: \"%2\" (%3).").arg(option, value, expected);
}

// Reads a whole number within `range`; false with `error` set otherwise.
bool readNumber(const QCommandLineParser& parser, const QString& option,
                recordingentry::Range range, const QString& unit, int* value, QString* error)
{
    const QString text = parser.value(option);
    bool ok = false;
    const int number = text.toInt(&ok);
    if (ok && range.contains(number)) {
        *value = number;
        return true;
    }
    QString expected =
        QStringLiteral("a whole number from %1 to %2").arg(range.minimum).arg(range.maximum);
    if (!unit.isEmpty())
        expected += QLatin1Char(' ') + unit;
    *error = invalid(option, text, expected);
    return false;
}

// The logger takes all the recording parameters at once, as the settings window sends them.
QString missingConfiguration(const QCommandLineParser& parser)
{
    const QStringList required = {"interval", "records",   "temp-high",
                                  "temp-low", "humi-high", "humi-low"};
    QStringList missing;
    for (const QString& option : required)
        if (!parser.isSet(option))
            missing << QStringLiteral("--") + option;
    if (missing.isEmpty())
        return QString();
    return QStringLiteral("configure needs %1.").arg(missing.join(QStringLiteral(", ")));
}

bool readConfiguration(const QCommandLineParser& parser, Invocation& invocation, QString* error)
{
    recordingentry::Entry entry;
    entry.celsius = invocation.celsius;
    entry.manualMode = parser.isSet("manual");
    // Any whole number of seconds reaches the settings window's checks of the interval.
    bool ok = false;
    entry.intervalSeconds = parser.value("interval").toInt(&ok);
    if (!ok) {
        *error = invalid("interval", parser.value("interval"), "a whole number of seconds");
        return false;
    }
    const recordingentry::Range temperature = recordingentry::temperatureRange(entry.celsius);
    const QString degrees = readings::unitSymbol(entry.celsius);
    const QString percent = QStringLiteral("%RH");
    if (!readNumber(parser, "records", recordingentry::RecordNumber, QString(), &entry.recordNumber,
                    error) ||
        !readNumber(parser, "temp-high", temperature, degrees, &entry.highTemp, error) ||
        !readNumber(parser, "temp-low", temperature, degrees, &entry.lowTemp, error) ||
        !readNumber(parser, "humi-high", recordingentry::Humidity, percent, &entry.highHumi,
                    error) ||
        !readNumber(parser, "humi-low", recordingentry::Humidity, percent, &entry.lowHumi, error))
        return false;

    const recordingentry::Verdict verdict = recordingentry::check(entry);
    *error = verdict.refusal;
    invocation.parameters = verdict.parameters;
    return verdict.accepted();
}

bool readReportName(const QCommandLineParser& parser, Invocation& invocation, QString* error)
{
    if (parser.isSet("report")) {
        invocation.reportWithCharts = parser.value("report");
        if (exports::formOf(invocation.reportWithCharts) != exports::Form::Pdf) {
            *error = invalid("report", invocation.reportWithCharts,
                             "a file name with .pdf, in small letters");
            return false;
        }
    }
    if (!parser.isSet("out"))
        return true;
    invocation.out = parser.value("out");
    const exports::Form form = exports::formOf(invocation.out);
    if (invocation.command == Command::Report) {
        if (form == exports::Form::Pdf)
            return true;
        *error = invalid("out", invocation.out, "a file name with .pdf, in small letters");
        return false;
    }
    switch (form) {
    case exports::Form::Text:
    case exports::Form::Workbook:
    case exports::Form::Pdf:
    case exports::Form::Csv:
        return true;
    case exports::Form::Picture: // the charts are drawn by the analysis window only
    case exports::Form::None:
        break;
    }
    *error = invalid("out", invocation.out,
                     "a file name with .txt, .xlsx, .xls, .csv or .pdf, in small letters");
    return false;
}

bool readWatch(const QCommandLineParser& parser, Invocation& invocation, QString* error)
{
    for (const auto& [option, value] :
         {std::pair{QStringLiteral("prometheus"), &invocation.prometheusFile},
          std::pair{QStringLiteral("on-alarm"), &invocation.alarmCommand}}) {
        if (!parser.isSet(option))
            continue;
        *value = parser.value(option);
        if (value->trimmed().isEmpty()) {
            *error = QStringLiteral("--%1 needs %2.")
                         .arg(option, option == QLatin1String("prometheus")
                                          ? QStringLiteral("the name of the metrics file")
                                          : QStringLiteral("a command"));
            return false;
        }
    }
    // A day between readings at most; at least one, as the windows poll.
    constexpr recordingentry::Range Every{1, 86400};
    constexpr recordingentry::Range Count{1, 1000000000};
    if (parser.isSet("every") &&
        !readNumber(parser, "every", Every, "seconds", &invocation.everySeconds, error))
        return false;
    return !parser.isSet("count") ||
           readNumber(parser, "count", Count, QString(), &invocation.count, error);
}

} // namespace

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QLatin1String(Description));
    // Not addHelpOption(): its --help-all lists Qt's own options, which this program does
    // not take.
    parser.addOption({{"h", "help"}, "Displays help on commandline options."});
    parser.addVersionOption();
    parser.addPositionalArgument(
        "command",
        "ports, status, check, watch, set-clock, configure, stop, download, summary, report "
        "or archive.");
    parser.addPositionalArgument("file",
                                 "summary, report: a data file or workbook (default "
                                 "./data.txt).",
                                 "[file]");
    parser.addOptions({
        {"port", "The logger's serial port, e.g. /dev/ttyUSB0.", "path"},
        {"fahrenheit", "Temperatures in degrees Fahrenheit (read and written); summary and "
                       "report keep the file's unit."},
        {"json", "status, summary: print one JSON object; archive: a JSON array."},
        {"path", "archive: print the archive's folder."},
        {"every", "watch: seconds between readings (default 1).", "seconds"},
        {"count", "watch: stop after this many lines.", "n"},
        {"prometheus",
         "watch: after every reply, write the readings to this file for Prometheus "
         "(temperatures in degrees Celsius).",
         "file"},
        {"on-alarm", "watch: run this shell command when an excursion starts or ends.", "command"},
        {"interval", "configure: seconds between records, 1 to 65535.", "seconds"},
        {"records", "configure: number of records to take, 1 to 20000.", "n"},
        {"temp-high", "configure: high temperature alarm, whole degrees.", "t"},
        {"temp-low", "configure: low temperature alarm, whole degrees.", "t"},
        {"humi-high", "configure: high humidity alarm, whole %RH.", "h"},
        {"humi-low", "configure: low humidity alarm, whole %RH.", "h"},
        {"manual", "configure: manual record mode (default: auto)."},
        {"out",
         "download: also save the report as this file (.txt, .xlsx, .csv, .pdf); report: the "
         "PDF.",
         "file"},
        {"report", "download: also save the report with charts as this PDF.", "file"},
    });
}

bool needsGui(const Invocation& invocation)
{
    return invocation.command == Command::Report || !invocation.reportWithCharts.isEmpty() ||
           (invocation.command == Command::Download &&
            exports::formOf(invocation.out) == exports::Form::Pdf);
}

QString helpText(const QCommandLineParser& parser)
{
    // The usage line names the program as it was started (a build path, a link); scripts and
    // people call it by its name.
    QString text = parser.helpText();
    const QString started = QCoreApplication::arguments().value(0);
    const int at = started.isEmpty() ? -1 : text.indexOf(started);
    if (at >= 0)
        text.replace(at, started.size(), QCoreApplication::applicationName());
    return text + QLatin1String(ExitCodes);
}

ParseResult parse(QCommandLineParser& parser, const QStringList& arguments)
{
    ParseResult result;
    Invocation& invocation = result.invocation;
    const auto named = [&invocation](const QString& name) {
        for (const CommandName& command : Commands)
            if (name == QLatin1String(command.name)) {
                invocation.command = command.command;
                return true;
            }
        return false;
    };
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        // check answers even a wrong command line as a monitoring plugin.
        named(parser.positionalArguments().value(0));
        return result;
    }
    if (parser.isSet("help")) {
        result.action = ParseResult::Action::Help;
        return result;
    }
    if (parser.isSet("version")) {
        result.action = ParseResult::Action::Version;
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        result.error = QStringLiteral("No command given.");
        return result;
    }
    const QString name = positional.first();
    if (!named(name)) {
        result.error = QStringLiteral("Unknown command: \"%1\".").arg(name);
        return result;
    }
    const int words = takesFile(invocation.command) ? 2 : 1;
    if (positional.size() > words) {
        result.error = QStringLiteral("Unexpected argument: \"%1\".").arg(positional.at(words));
        return result;
    }
    invocation.file = positional.value(1, QStringLiteral("./data.txt"));
    for (const auto& [option, commands] : commandOptions())
        if (parser.isSet(option) &&
            std::find(commands.begin(), commands.end(), invocation.command) == commands.end()) {
            result.error = QStringLiteral("--%1 is not an option of %2.").arg(option, name);
            return result;
        }
    if (invocation.command == Command::Report && !parser.isSet("out")) {
        result.error = QStringLiteral("report needs --out and the name of the PDF.");
        return result;
    }

    invocation.celsius = !parser.isSet("fahrenheit");
    invocation.json = parser.isSet("json");
    invocation.archivePath = parser.isSet("path");
    if (parser.isSet("port")) {
        invocation.port = parser.value("port");
        if (invocation.port.isEmpty()) {
            result.error = QStringLiteral("--port needs the path of a serial port.");
            return result;
        }
    }
    if (invocation.command == Command::Configure) {
        const QString missing = missingConfiguration(parser);
        if (!missing.isEmpty()) {
            result.error = missing;
            return result;
        }
    }
    result.pointToHelp = false;
    bool ok = true;
    if (invocation.command == Command::Configure)
        ok = readConfiguration(parser, invocation, &result.error);
    else if (invocation.command == Command::Watch)
        ok = readWatch(parser, invocation, &result.error);
    else
        ok = readReportName(parser, invocation, &result.error);
    if (ok)
        result.action = ParseResult::Action::Run;
    return result;
}

} // namespace cli
