#pragma once

#include "device/wireformat.h"

#include <QString>

class QCommandLineParser;
class QStringList;

// What hygrolux-cli was asked to do, read from its command line.
namespace cli {

enum class Command {
    Ports,
    Status,
    Check,
    Watch,
    SetClock,
    Configure,
    Stop,
    Download,
    Summary,
    Report,
    Archive
};

struct Invocation {
    Command command = Command::Status;
    QString port; // --port; empty: HYGROLUX_PORT, then the search the windows make
    bool celsius = true;
    bool json = false;                    // status, summary, archive
    bool archivePath = false;             // archive: the folder, not its downloads
    int everySeconds = 1;                 // watch
    int count = 0;                        // watch; 0: until interrupted
    QString prometheusFile;               // watch: the metrics file; empty: none
    QString alarmCommand;                 // watch: run at each excursion's start and end
    wire::RecordingParameters parameters; // configure, checked as the settings window does
    // download: the report's file, its form by its name; empty: no report. report: the PDF.
    QString out;
    QString reportWithCharts; // download --report: the PDF; empty: none
    QString file;             // summary, report: the data file or workbook
};

struct ParseResult {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::UsageError;
    Invocation invocation;
    QString error; // for UsageError
    // A refused value explains itself; a command line that does not read points to --help.
    bool pointToHelp = true;
};

// Declares the options and the description (with the commands and exit codes) on `parser`.
void describe(QCommandLineParser& parser);
// Reads `arguments` (the program name first). Values are checked here: ranges, the
// settings window's checks of a configuration, the ending of --out. Nothing is opened, and
// no application object is needed.
ParseResult parse(QCommandLineParser& parser, const QStringList& arguments);
// The command writes a PDF, which needs a QGuiApplication.
bool needsGui(const Invocation& invocation);
// The help text: the parser's, with the commands and exit codes.
QString helpText(const QCommandLineParser& parser);

} // namespace cli
