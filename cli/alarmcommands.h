#pragma once

#include "records/liveexcursions.h"

#include <QDateTime>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <deque>

class QTextStream;
class QTimer;
class AlarmProcess;

// The command of watch --on-alarm, run through /bin/sh -c when an excursion starts or ends,
// with what happened in its environment: HYGROLUX_ALARM (high, low or cleared),
// HYGROLUX_QUANTITY (temperature or humidity), HYGROLUX_VALUE and HYGROLUX_LIMIT (in the unit
// shown), HYGROLUX_UNIT, HYGROLUX_TIME (ISO 8601 with the offset from UTC) and HYGROLUX_PORT.
// The commands run one at a time in the order of the changes, each in a process group of
// its own, with their output on the standard error. A command that fails is said there; one
// that runs longer than KillAfterMs is killed with everything it started. Neither holds up
// the watch, which goes on polling meanwhile.
class AlarmCommands : public QObject
{
    Q_OBJECT

public:
    static constexpr int KillAfterMs = 30000;
    // Changes beyond this many waiting behind a command still running are dropped, and said:
    // a reading that crosses a limit at every poll must not pile up commands without end.
    static constexpr int MaxWaiting = 100;

    AlarmCommands(const QString& command, QTextStream& err, QObject* parent = nullptr);
    ~AlarmCommands() override;

    void run(const liveexcursions::Change& change, bool celsius, const QString& port,
             const QDateTime& time);
    bool isIdle() const { return !running && waiting.empty(); }
    // Kills the command that runs, with what it started, and drops those waiting.
    void stop();

signals:
    // The last command ended and none waits.
    void idle();

private:
    void startNext();
    void ended(int exitCode, bool crashed);
    void forwardOutput();
    void killRunning();

    const QString command;
    QTextStream& err;
    std::deque<QProcessEnvironment> waiting;
    AlarmProcess* running = nullptr;
    QTimer* deadline;
    bool killed = false;
};
