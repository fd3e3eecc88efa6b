#include "linksupervisor.h"

#include <QDateTime>
#include <QDebug>
#include <QSerialPort>
#include <QTimer>

LinkSupervisor::LinkSupervisor(QSerialPort* port, QObject* parent)
    : QObject(parent), serial(port), checktimer(new QTimer(this))
{
    connect(checktimer, &QTimer::timeout, this, &LinkSupervisor::on_checktimer_timeout);
}

LinkSupervisor::~LinkSupervisor()
{
    freeLine();
}

// --- Commands --------------------------------------------------------------------------

void LinkSupervisor::sendConnect()
{
    connectPending = true;
    checktimer->start(ConnectWatchMs);
    if (!takeCommandLock())
        return;
    writeFrame(wire::commandFrame(wire::Command::Connect), true);
    receiver.reset();
}

void LinkSupervisor::sendSetClock()
{
    calibrationTries = 0;
    writeSetClock();
}

void LinkSupervisor::writeSetClock()
{
    checktimer->start(CommandWatchMs);
    calibrationPending = true;
    if (!takeCommandLock())
        return;
    receiver.reset();
    writeFrame(wire::setClockFrame(QDateTime::currentDateTime()), true);
    qDebug() << "send calibration with cmd 0x02";
}

void LinkSupervisor::sendRecordingParameters(const wire::RecordingParameters& parameters)
{
    setTries = 0;
    requestedParameters = parameters;
    writeRecordingParameters();
}

void LinkSupervisor::writeRecordingParameters()
{
    setPending = true;
    checktimer->start(CommandWatchMs);
    if (!takeCommandLock())
        return;
    emit pollPaused();
    receiver.reset();
    writtenParameters = requestedParameters;
    writeFrame(wire::recordingParametersFrame(writtenParameters, QDateTime::currentDateTime()),
               true);
}

void LinkSupervisor::sendStop()
{
    stopTries = 0;
    writeStop();
}

void LinkSupervisor::writeStop()
{
    receiver.reset();
    stopPending = true;
    checktimer->start(CommandWatchMs);
    if (!takeCommandLock())
        return;
    writeFrame(wire::commandFrame(wire::Command::Stop), true);
}

void LinkSupervisor::sendDownload()
{
    downloadTries = 0;
    writeDownload();
}

void LinkSupervisor::writeDownload()
{
    emit pollPaused();
    downloadPending = true;
    checktimer->start(CommandWatchMs);
    if (!takeCommandLock())
        return;
    writeFrame(wire::commandFrame(wire::Command::Download), false);
    receiver.reset();
    qDebug() << "send download with cmd 0x06";
}

bool LinkSupervisor::sendLivePoll()
{
    if (!takeCommandLock())
        return false;
    receiver.reset();
    writeFrame(wire::commandFrame(wire::Command::ReadLive), false);
    // A live reply that arrives late must not be taken for the answer to this poll.
    serial->clear(QSerialPort::Input);
    return true;
}

// --- The line ----------------------------------------------------------------------------

bool LinkSupervisor::takeCommandLock()
{
    if (commandLock.tryLock(0)) {
        lockTakenAt.start();
        return true;
    }
    if (awaitingReply && lockTakenAt.hasExpired(ReplyTimeoutMs)) {
        // The frame on the wire never got its reply: take the line over.
        receiver.reset();
        lockTakenAt.start();
        return true;
    }
    return false;
}

void LinkSupervisor::freeLine()
{
    commandLock.tryLock(0);
    commandLock.unlock();
    awaitingReply = false;
}

void LinkSupervisor::writeFrame(const wire::Frame& frame, bool flush)
{
    serial->write(reinterpret_cast<const char*>(frame.data()), wire::FrameSize);
    if (flush)
        serial->flush();
    awaitingReply = true;
}

void LinkSupervisor::reset()
{
    checktimer->stop();
    receiver.reset();
    calibrationPending = connectPending = setPending = stopPending = downloadPending = false;
    calibrationTries = stopTries = setTries = downloadTries = 0;
    freeLine();
}

void LinkSupervisor::endDownload()
{
    downloadPending = false;
    receiver.endStreaming();
    freeLine();
}

// --- Replies -----------------------------------------------------------------------------

FrameAssembler::Result LinkSupervisor::takeInput(QByteArray& chunk)
{
    const FrameAssembler::Result result = receiver.feed(chunk);
    // Byte 1 alone marks the answer to the download command, so only a download that was
    // asked for may take it as one; anything else keeps the reply time-out running.
    if (result.downloadAnswered && downloadPending) {
        downloadPending = false;
        // The download reply is never settled as a reply; its reader frees the line.
        awaitingReply = false;
    }
    return result;
}

const unsigned char* LinkSupervisor::takeReply()
{
    receiver.reset();
    freeLine();
    const unsigned char* frame = receiver.frame();
    switch (frame[1]) {
    case quint8(wire::Command::Connect):
        connectPending = false;
        break;
    case quint8(wire::Command::SetClock):
        calibrationPending = false;
        break;
    case quint8(wire::Command::SetRecording):
        setPending = false;
        break;
    case quint8(wire::Command::Stop):
        stopPending = false;
        break;
    default: // a live reply acknowledges nothing; a busy one leaves the command to the watch
        break;
    }
    return frame;
}

// --- The watch ---------------------------------------------------------------------------

void LinkSupervisor::on_checktimer_timeout()
{
    checktimer->stop();
    if (calibrationPending) {
        if (!giveUp(wire::Command::SetClock, calibrationTries, calibrationPending))
            writeSetClock();
    } else if (stopPending) {
        if (!giveUp(wire::Command::Stop, stopTries, stopPending))
            writeStop();
    } else if (connectPending) {
        connectPending = false;
        freeLine();
        emit connectUnanswered();
    } else if (setPending) {
        if (!giveUp(wire::Command::SetRecording, setTries, setPending))
            writeRecordingParameters();
    } else if (downloadPending) {
        if (!giveUp(wire::Command::Download, downloadTries, downloadPending))
            writeDownload();
    }
}

bool LinkSupervisor::giveUp(wire::Command command, int& tries, bool& pending)
{
    if (++tries < MaxCommandTries)
        return false;
    tries = 0;
    pending = false;
    freeLine();
    receiver.reset();
    emit commandAbandoned(command);
    return true;
}
