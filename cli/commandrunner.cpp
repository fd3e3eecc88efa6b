#include "commandrunner.h"

#include "alarmcommands.h"
#include "archivelisting.h"
#include "device/linkmessages.h"
#include "device/linksupervisor.h"
#include "device/portscan.h"
#include "exitcodes.h"
#include "filecommands.h"
#include "liveformat.h"
#include "monitoringplugin.h"
#include "outputcheck.h"
#include "portlist.h"
#include "prometheustextfile.h"
#include "reports/report.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

using cli::Command;
namespace exitcode = cli::exitcode;

namespace {

// Live polls once a second, as the main window does; watch polls at its own pace.
constexpr int PollPeriodMs = 1000;
// Time for a live reply beyond the poll period before the logger counts as silent: one
// lost reply is taken over after LinkSupervisor::ReplyTimeoutMs and polled again.
constexpr int LiveReplyGraceMs = 3000;
// The download is checked for progress once a second, as in the analysis window.
constexpr int CheckPeriodMs = 1000;

QString absolute(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

CommandRunner::CommandRunner(const cli::Invocation& invocation_, QTextStream& out_,
                             QTextStream& err_, bool errIsTerminal)
    : invocation(invocation_), out(out_), err(err_), progress(err_, errIsTerminal)
{
    connect(&session, &LoggerSession::connected, this, &CommandRunner::loggerConnected);
    connect(&session, &LoggerSession::liveReply, this, &CommandRunner::liveReply);
    connect(&session, &LoggerSession::acknowledged, this, &CommandRunner::acknowledged);
    connect(&session, &LoggerSession::failed, this, &CommandRunner::linkFailed);
    connect(&interrupts, &Interrupts::received, this, &CommandRunner::interrupted);
    connect(&pollTimer, &QTimer::timeout, this, &CommandRunner::poll);
    answerTimer.setSingleShot(true);
    connect(&answerTimer, &QTimer::timeout, this,
            [this] { fail(exitcode::Unreachable, linkmessages::noLiveReadings()); });
    connect(&checkTimer, &QTimer::timeout, &download, &LoggedDownload::tick);
    connect(&download, &LoggedDownload::progressChanged, this, &CommandRunner::downloadProgress);
    connect(&download, &LoggedDownload::finished, this, &CommandRunner::downloadFinished);
    if (!invocation.alarmCommand.isEmpty())
        alarms = new AlarmCommands(invocation.alarmCommand, err, this);
}

int CommandRunner::run()
{
    switch (invocation.command) {
    case Command::Ports:
        return listPorts();
    case Command::Archive:
        return listArchive();
    case Command::Summary:
        return cli::summary(invocation, out, err);
    case Command::Report:
        return cli::report(invocation, out, err);
    default:
        break;
    }
    const QString refusal = reportRefusal();
    if (!refusal.isEmpty()) {
        err << refusal << '\n';
        return exitcode::Usage;
    }

    interrupts.install();
    const QString port =
        invocation.port.isEmpty() ? devicelink::findLoggerPort(QString()) : invocation.port;
    portLabel = port.isEmpty() ? QString() : devicelink::deviceFile(port);
    QString why;
    if (!session.open(port, &why)) {
        fail(exitcode::Unreachable, why);
        return exitCode;
    }
    return loop.exec();
}

int CommandRunner::listPorts()
{
    const QString overrideName = devicelink::portOverride();
    const QString origin = !invocation.port.isEmpty() ? QStringLiteral("named by --port")
                                                      : QStringLiteral("named by HYGROLUX_PORT");
    const QList<devicelink::PortDescription> ports = devicelink::systemPorts();
    const QString chosen = !invocation.port.isEmpty()
                               ? invocation.port
                               : devicelink::selectLoggerPort(ports, QString(), overrideName);
    out << portList(ports, chosen, origin);
    out.flush();
    if (chosen.isEmpty()) {
        err << linkmessages::deviceNotFound() << '\n';
        return exitcode::Unreachable;
    }
    return exitcode::Done;
}

int CommandRunner::listArchive()
{
    const QString folder = archive::folder();
    if (invocation.archivePath) {
        out << QDir::toNativeSeparators(folder) << '\n';
        return exitcode::Done;
    }
    // A folder that does not exist yet holds no download: an empty list.
    QJsonArray listed;
    for (const archive::Entry& entry : archive::list(folder)) {
        const archivelisting::Listed kept = archivelisting::read(entry);
        if (invocation.json)
            listed.append(archivelisting::json(kept));
        else
            out << archivelisting::line(kept) << '\n';
    }
    if (invocation.json)
        out << QString::fromUtf8(QJsonDocument(listed).toJson(QJsonDocument::Compact)) << '\n';
    return exitcode::Done;
}

void CommandRunner::loggerConnected()
{
    switch (invocation.command) {
    case Command::Status:
    case Command::Check:
    case Command::Watch:
    case Command::Download:
        // A download first reads the alarm limits, which the data file's header carries.
        startPolling();
        break;
    case Command::SetClock:
        session.link().sendSetClock();
        break;
    case Command::Configure:
        session.link().sendRecordingParameters(invocation.parameters);
        break;
    case Command::Stop:
        session.link().sendStop();
        break;
    case Command::Ports:
    case Command::Archive:
    case Command::Summary:
    case Command::Report:
        break;
    }
}

void CommandRunner::startPolling()
{
    const int periodMs =
        invocation.command == Command::Watch ? invocation.everySeconds * 1000 : PollPeriodMs;
    pollTimer.start(periodMs);
    answerTimer.start(periodMs + LiveReplyGraceMs);
    poll();
}

void CommandRunner::poll()
{
    session.link().sendLivePoll();
}

void CommandRunner::liveReply(const wire::LiveValues& live)
{
    const QDateTime now = QDateTime::currentDateTime();
    switch (invocation.command) {
    case Command::Status:
        if (invocation.json)
            out << liveformat::statusJson(live, invocation.celsius, session.portName(), now)
                << '\n';
        else
            out << liveformat::statusText(live, invocation.celsius, session.portName());
        finish(exitcode::Done);
        break;
    case Command::Check: {
        const monitoringplugin::Answer answer = monitoringplugin::of(live, invocation.celsius);
        out << answer.line << '\n';
        finish(answer.exitCode);
        break;
    }
    case Command::Watch:
        watched(live, now);
        break;
    case Command::Download:
        if (!downloadAsked)
            startDownload(live);
        break;
    default:
        break;
    }
}

void CommandRunner::watched(const wire::LiveValues& live, const QDateTime& now)
{
    out << liveformat::csvLine(live, invocation.celsius, now) << '\n';
    // Nobody reads any more: the command ends, and frees the port.
    const QString failure = cli::outputFailure(out);
    if (!failure.isEmpty()) {
        fail(exitcode::OutputFailed, failure);
        return;
    }
    answerTimer.start();
    lastReply = now;
    if (!invocation.prometheusFile.isEmpty())
        writeMetrics(live);
    if (alarms)
        for (const liveexcursions::Change& change : excursions.take(live))
            alarms->run(change, invocation.celsius, portLabel, now);
    if (invocation.count > 0 && ++linesPrinted >= invocation.count)
        finish(exitcode::Done);
}

void CommandRunner::writeMetrics(const std::optional<wire::LiveValues>& live)
{
    const QString why = prometheustextfile::write(
        invocation.prometheusFile, prometheustextfile::text({portLabel, live, lastReply}));
    // Said once, and again only after the file could be written in between: a full disk
    // must not fill the journal with a line a second.
    if (!why.isEmpty() && !metricsFailing)
        err << QStringLiteral("The metrics file %1 cannot be written (%2); the watch goes on and "
                              "tries again at every reply.")
                   .arg(invocation.prometheusFile, why)
            << '\n';
    err.flush();
    metricsFailing = !why.isEmpty();
}

void CommandRunner::acknowledged(wire::Command command)
{
    switch (command) {
    case wire::Command::SetClock:
        out << linkmessages::clockSet() << '\n';
        break;
    case wire::Command::SetRecording:
        out << linkmessages::parametersSent() << '\n';
        break;
    case wire::Command::Stop:
        out << linkmessages::recordingStopped() << '\n';
        break;
    default:
        return;
    }
    finish(exitcode::Done);
}

void CommandRunner::startDownload(const wire::LiveValues& live)
{
    downloadAsked = true;
    pollTimer.stop();
    answerTimer.stop();
    if (!download.start(invocation.celsius, {live.tempAlarmHigh, live.tempAlarmLow,
                                             live.humiAlarmHigh, live.humiAlarmLow})) {
        fail(exitcode::DownloadFailed, download.errorString());
        return;
    }
    session.setDownload(&download);
    checkTimer.start(CheckPeriodMs);
    progress.update(0, 0, 0);
    session.link().sendDownload();
}

void CommandRunner::downloadProgress(int percent)
{
    // A download that ended keeps the bar where it stopped.
    if (download.isRunning())
        progress.update(percent, download.recordsReceived(), download.header().recordCount);
}

void CommandRunner::downloadFinished(LoggedDownload::Outcome outcome)
{
    checkTimer.stop();
    session.setDownload(nullptr);
    // A request still unanswered is withdrawn, the rest of the reply dropped.
    session.link().endDownload();
    progress.finish();
    if (wasInterrupted)
        err << QStringLiteral("Interrupted.") << '\n';

    const QString dataFile = absolute(download.dataFilePath());
    if (outcome != LoggedDownload::Outcome::Success) {
        err << download.outcomeMessage(outcome) << '\n'
            << QStringLiteral("Data file: %1").arg(dataFile) << '\n';
        finish(exitcode::DownloadFailed);
        return;
    }
    out << download.outcomeMessage(outcome) << '\n';
    for (const QString& line : download.summaryLines())
        out << line << '\n';
    out << QStringLiteral("Data file: %1").arg(dataFile) << '\n';
    // A copy that could not be archived leaves the download a success, and says why.
    if (const std::optional<archive::Stored>& archived = download.archived())
        (archived->kind == archive::Stored::Kind::NotArchived ? err : out)
            << download.archiveMessage() << '\n';
    finish(saveReports());
}

QString CommandRunner::reportRefusal() const
{
    for (const auto& [option, name] :
         {std::pair{QStringLiteral("out"), invocation.out},
          std::pair{QStringLiteral("report"), invocation.reportWithCharts}}) {
        const QString refusal =
            name.isEmpty() ? QString() : cli::reportRefusal(option, name, QString());
        if (!refusal.isEmpty())
            return refusal;
    }
    return QString();
}

int CommandRunner::saveReports()
{
    int code = exitcode::Done;
    if (!invocation.out.isEmpty()) {
        exports::ReportSources sources;
        sources.dataFilePath = download.dataFilePath();
        sources.sheet = &download.sheet();
        sources.summaryLines = download.summaryLines();
        const exports::Outcome outcome = exports::saveReport(sources, invocation.out);
        if (outcome.saved) {
            out << QCoreApplication::translate("QRealTimeData", "File has saved") << '\n'
                << QStringLiteral("Report: %1").arg(absolute(invocation.out)) << '\n';
        } else {
            err << QCoreApplication::translate("QRealTimeData", "File was not saved: %1")
                       .arg(outcome.reason)
                << '\n';
            code = exitcode::ReportNotSaved;
        }
    }
    if (!invocation.reportWithCharts.isEmpty()) {
        SavedData data;
        QString reason;
        const int saved = cli::loadOwnFile(download.dataFilePath(), &data, &reason)
                              ? cli::saveReportWithCharts(data, download.dataFilePath(),
                                                          invocation.reportWithCharts, out, err)
                              : exitcode::ReportNotSaved;
        if (!reason.isEmpty())
            err << QCoreApplication::translate("QRealTimeData", "File was not saved: %1")
                       .arg(reason)
                << '\n';
        if (saved != exitcode::Done)
            code = exitcode::ReportNotSaved;
    }
    return code;
}

void CommandRunner::linkFailed(const QString& message)
{
    if (done)
        return;
    if (download.isRunning()) {
        err << message << '\n';
        // Ends as missed: the data file keeps what arrived, marked "data missed".
        download.linkDropped();
        return;
    }
    fail(exitcode::Unreachable, message);
}

void CommandRunner::interrupted()
{
    if (invocation.command == Command::Watch) {
        // Whatever an alarm command was doing, the watch is to end now.
        if (alarms)
            alarms->stop();
        finish(exitcode::Done);
        return;
    }
    if (download.isRunning()) {
        wasInterrupted = true;
        download.linkDropped();
        return;
    }
    fail(exitcode::Interrupted, QStringLiteral("Interrupted."));
}

void CommandRunner::fail(int code, const QString& message)
{
    if (done)
        return;
    if (invocation.command == Command::Check) {
        out << monitoringplugin::unknown(message).line << '\n';
        finish(cli::pluginexit::Unknown);
        return;
    }
    err << message << '\n';
    // The collector is told the logger no longer answers, rather than shown the last readings.
    if (code == exitcode::Unreachable && !invocation.prometheusFile.isEmpty())
        writeMetrics(std::nullopt);
    finish(code);
}

void CommandRunner::finish(int code)
{
    if (done)
        return;
    done = true;
    pollTimer.stop();
    answerTimer.stop();
    checkTimer.stop();
    out.flush();
    err.flush();
    exitCode = code;
    // The alarm commands still running or waiting are seen to their end, each within its
    // time limit.
    if (alarms && !alarms->isIdle()) {
        connect(alarms, &AlarmCommands::idle, this, [this] { loop.exit(exitCode); });
        return;
    }
    loop.exit(code);
}
