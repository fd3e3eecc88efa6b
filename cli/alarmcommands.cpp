#include "alarmcommands.h"

#include <QProcess>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <unistd.h>

// A process that leads a group of its own, so that a command that hangs is killed with
// everything it started, and a Ctrl-C meant for the watch does not reach it.
class AlarmProcess : public QProcess
{
public:
    using QProcess::QProcess;

protected:
    void setupChildProcess() override { ::setpgid(0, 0); }
};

namespace {

QString alarmName(const liveexcursions::Change& change)
{
    if (!change.started)
        return QStringLiteral("cleared");
    return change.limit == liveexcursions::Limit::High ? QStringLiteral("high")
                                                       : QStringLiteral("low");
}

QString isoTime(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

} // namespace

AlarmCommands::AlarmCommands(const QString& command_, QTextStream& err_, QObject* parent)
    : QObject(parent), command(command_), err(err_), deadline(new QTimer(this))
{
    deadline->setSingleShot(true);
    deadline->setInterval(KillAfterMs);
    connect(deadline, &QTimer::timeout, this, [this] {
        err << QStringLiteral("The alarm command ran longer than %1 s and was killed.")
                   .arg(KillAfterMs / 1000)
            << '\n';
        err.flush();
        killed = true;
        killRunning();
    });
}

AlarmCommands::~AlarmCommands()
{
    stop();
}

void AlarmCommands::run(const liveexcursions::Change& change, bool celsius, const QString& port,
                        const QDateTime& time)
{
    const QString quantity = change.quantity == liveexcursions::Quantity::Temperature
                                 ? QStringLiteral("temperature")
                                 : QStringLiteral("humidity");
    if (int(waiting.size()) >= MaxWaiting) {
        err << QStringLiteral("The alarm command was not run for %1 %2: %3 alarms wait for the "
                              "one still running.")
                   .arg(quantity, alarmName(change))
                   .arg(MaxWaiting)
            << '\n';
        err.flush();
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HYGROLUX_ALARM"), alarmName(change));
    environment.insert(QStringLiteral("HYGROLUX_QUANTITY"), quantity);
    environment.insert(QStringLiteral("HYGROLUX_VALUE"),
                       liveexcursions::readingNumber(change, celsius));
    environment.insert(QStringLiteral("HYGROLUX_LIMIT"),
                       liveexcursions::limitNumber(change.quantity, change.limitWhole, celsius));
    // The shell's environment is bytes: plain letters, whatever the locale.
    environment.insert(QStringLiteral("HYGROLUX_UNIT"),
                       change.quantity == liveexcursions::Quantity::Humidity ? QStringLiteral("%RH")
                       : celsius                                             ? QStringLiteral("C")
                                                                             : QStringLiteral("F"));
    environment.insert(QStringLiteral("HYGROLUX_TIME"), isoTime(time));
    environment.insert(QStringLiteral("HYGROLUX_PORT"), port);
    waiting.push_back(environment);
    if (!running)
        startNext();
}

void AlarmCommands::startNext()
{
    if (waiting.empty()) {
        emit idle();
        return;
    }
    running = new AlarmProcess(this);
    running->setProcessEnvironment(waiting.front());
    waiting.pop_front();
    running->setProcessChannelMode(QProcess::MergedChannels);
    // Nothing to read from: a command that asks for input gets the end of it at once.
    running->setStandardInputFile(QProcess::nullDevice());
    connect(running, &QProcess::readyReadStandardOutput, this, &AlarmCommands::forwardOutput);
    connect(running, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this](int exitCode, QProcess::ExitStatus status) {
                ended(exitCode, status == QProcess::CrashExit);
            });
    connect(running, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        err << QStringLiteral("The alarm command could not be started: %1.")
                   .arg(running->errorString())
            << '\n';
        err.flush();
        deadline->stop();
        running->deleteLater();
        running = nullptr;
        startNext();
    });
    killed = false;
    deadline->start();
    running->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
}

void AlarmCommands::forwardOutput()
{
    err << QString::fromLocal8Bit(running->readAllStandardOutput());
    err.flush();
}

void AlarmCommands::ended(int exitCode, bool crashed)
{
    deadline->stop();
    forwardOutput();
    if (crashed && !killed)
        err << QStringLiteral("The alarm command was ended by a signal.") << '\n';
    else if (!crashed && exitCode != 0)
        err << QStringLiteral("The alarm command failed with exit code %1.").arg(exitCode) << '\n';
    err.flush();
    running->deleteLater();
    running = nullptr;
    startNext();
}

void AlarmCommands::killRunning()
{
    if (!running || running->processId() <= 0)
        return;
    ::kill(-pid_t(running->processId()), SIGKILL);
    // Also when the command has not yet made its group.
    running->kill();
}

void AlarmCommands::stop()
{
    waiting.clear();
    if (!running)
        return;
    deadline->stop();
    killRunning();
    running->disconnect(this);
    running->waitForFinished();
    delete running;
    running = nullptr;
}
