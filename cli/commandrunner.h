#pragma once

#include "interrupts.h"
#include "invocation.h"
#include "loggersession.h"
#include "progressreport.h"
#include "records/loggeddownload.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

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
    LoggedDownload download;
    QTimer checkTimer;
    ProgressReport progress;
    bool downloadAsked = false;
    bool wasInterrupted = false;
};
