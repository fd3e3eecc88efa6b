#pragma once

#include "frameassembler.h"
#include "wireformat.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>

class QSerialPort;
class QTimer;

// Keeps the conversation with the logger in order. The logger answers one frame at a
// time, so at most one frame is on the wire unanswered (the command lock). Every command
// but the live poll is watched until it is acknowledged: looked at again every 300 ms and
// written again whenever the line is free, given up after a bounded number of looks. The
// connect command gets one second and no second try. A frame whose reply never comes
// does not hold the line: after 1.5 s the next frame takes it over.
// The owner keeps the port: it opens and closes it, hands every read to takeInput() and
// acts on the result and on the signals. Used by the main window and the command line.
class LinkSupervisor : public QObject
{
    Q_OBJECT

public:
    static constexpr int ConnectWatchMs = 1000;
    static constexpr int CommandWatchMs = 300;
    // A 32-byte reply takes about 35 ms at 9600 baud; a frame still unanswered after this
    // long is taken as lost.
    static constexpr int ReplyTimeoutMs = 1500;
    // Looks at an unacknowledged command before it is given up: about six seconds.
    static constexpr int MaxCommandTries = 20;

    explicit LinkSupervisor(QSerialPort* port, QObject* parent = nullptr);
    ~LinkSupervisor() override;

    // The commands. Each is watched from now on and written now if the line is free,
    // otherwise at a later look. A frame carries the clock of the moment it is written.
    void sendConnect();
    void sendSetClock();
    void sendRecordingParameters(const wire::RecordingParameters& parameters);
    void sendStop();
    // A new download request: its looks are counted from zero.
    void sendDownload();
    // The live poll is not watched: it is written only when the line is free (true then).
    bool sendLivePoll();

    // Takes one read of the port. A complete 32-byte reply is only announced: takeReply()
    // settles it. Download pieces point into `chunk`, which must stay untouched while
    // they are used.
    FrameAssembler::Result takeInput(QByteArray& chunk);
    // Settles the reply takeInput() announced: the line is free again and the command it
    // acknowledges no longer pending. Returns its 32 bytes.
    const unsigned char* takeReply();
    // The download reply is no longer wanted: a request still unanswered is withdrawn, the
    // rest of the reply is dropped as it arrives, and the line is free.
    void endDownload();
    // The link closed: nothing pending, nothing half received, no watch running.
    void reset();
    // Lets the next frame go out, whatever the line was waiting for.
    void freeLine();

    // The recording parameters of the last set-parameters frame written.
    const wire::RecordingParameters& parametersOnWire() const { return writtenParameters; }

signals:
    // The logger did not answer the connect command within a second.
    void connectUnanswered();
    // A command was looked at MaxCommandTries times without an acknowledgement and dropped.
    void commandAbandoned(wire::Command command);
    // The logger is asked to apply recording parameters or to send its records: the owner
    // pauses its live poll meanwhile.
    void pollPaused();

private:
    void on_checktimer_timeout();
    void writeSetClock();
    void writeRecordingParameters();
    void writeStop();
    void writeDownload();
    bool takeCommandLock();
    void writeFrame(const wire::Frame& frame, bool flush);
    bool giveUp(wire::Command command, int& tries, bool& pending);

    QSerialPort* serial;
    QTimer* checktimer;
    QMutex commandLock;
    // Holds receive_buf, rxCount, downloadStreaming and downloadExpected.
    FrameAssembler receiver;
    bool calibrationPending = false;
    bool connectPending = false;
    bool setPending = false;
    bool stopPending = false;
    bool downloadPending = false;
    // Looks that found each command still unacknowledged.
    int calibrationTries = 0;
    int stopTries = 0;
    int setTries = 0;
    int downloadTries = 0;
    // A frame on the wire awaits its reply, written when lockTakenAt started: the line may
    // be taken over once the reply is overdue.
    bool awaitingReply = false;
    QElapsedTimer lockTakenAt;
    wire::RecordingParameters requestedParameters;
    wire::RecordingParameters writtenParameters;
};
