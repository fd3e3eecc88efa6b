#pragma once

#include "interrupts.h"
#include "invocation.h"
#include "loggersession.h"
#include "progressreport.h"
#include "records/liveexcursions.h"
#include "records/loggeddownload.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <optional>

class AlarmCommands;
class QTextStream;

// Runs one command of hygrolux-cli against the logger, from opening the port to the exit
// code. Results go to `out`, messages and progress to `err`.
class CommandRunner : public QObject
{
    Q_OBJECT

public:
    CommandRunner(const cli::Invocation& invocation, QTextStream& out, QTextStream& err,
                  bool errIsTerminal);

    int run();

private:
    int listPorts();
    int listArchive();
    void loggerConnected();
    void startPolling();
    void poll();
    void liveReply(const wire::LiveValues& live);
    void watched(const wire::LiveValues& live, const QDateTime& now);
    // The metrics file of watch --prometheus; `live` none: the logger did not answer.
    void writeMetrics(const std::optional<wire::LiveValues>& live);
    void acknowledged(wire::Command command);
    void startDownload(const wire::LiveValues& live);
    void downloadProgress(int percent);
    void downloadFinished(LoggedDownload::Outcome outcome);
    // Why --out or --report may not be written, before anything is asked of the logger;
    // empty if they may.
    QString reportRefusal() const;
    // The reports of a successful download as --out and --report ask; the exit code.
    int saveReports();
    void linkFailed(const QString& message);
    void interrupted();
    void fail(int code, const QString& message);
    void finish(int code);

    const cli::Invocation invocation;
    QTextStream& out;
    QTextStream& err;
    QEventLoop loop;
    bool done = false;
    LoggerSession session;
    Interrupts interrupts;
    // The live poll, and the time a live reply may take before the logger counts as gone.
    QTimer pollTimer;
    QTimer answerTimer;
    int linesPrinted = 0;
    // watch: the port as the metrics and alarm commands name it, the last reply, and the
    // excursions that --on-alarm hears of.
    QString portLabel;
    QDateTime lastReply;
    bool metricsFailing = false;
    liveexcursions::Tracker excursions;
    AlarmCommands* alarms = nullptr;
    int exitCode = 0;
    LoggedDownload download;
    QTimer checkTimer;
    ProgressReport progress;
    bool downloadAsked = false;
    bool wasInterrupted = false;
};
