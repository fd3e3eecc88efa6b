#include "loggersession.h"

#include "device/linkmessages.h"
#include "device/linksupervisor.h"
#include "device/portscan.h"
#include "records/loggeddownload.h"

LoggerSession::LoggerSession(QObject* parent)
    : QObject(parent), serial(new QSerialPort(this)), supervisor(new LinkSupervisor(serial, this))
{
    // As in the main window: downloads stream through in small pieces.
    serial->setReadBufferSize(64);
    connect(serial, &QSerialPort::readyRead, this, &LoggerSession::readInput);
    connect(serial, &QSerialPort::errorOccurred, this, &LoggerSession::portError);
    connect(supervisor, &LinkSupervisor::connectUnanswered, this, [this] {
        close();
        emit failed(linkmessages::connectFailed());
    });
    connect(supervisor, &LinkSupervisor::commandAbandoned, this,
            [this] { emit failed(linkmessages::commandUnacknowledged()); });
}

LoggerSession::~LoggerSession()
{
    close();
}

bool LoggerSession::open(const QString& portName, QString* why)
{
    if (portName.isEmpty()) {
        *why = linkmessages::deviceNotFound() + QLatin1Char('\n') +
               QStringLiteral("No serial port looks like the logger's adapter; name it with "
                              "--port or %1.")
                   .arg(QLatin1String(devicelink::PortOverrideVariable));
        return false;
    }
    devicelink::LinkSettings settings;
    settings.portName = portName;
    if (!devicelink::openPort(*serial, settings)) {
        *why = linkmessages::openFailed(*serial);
        const QString reason = openProblemText();
        if (!reason.isEmpty())
            *why += QStringLiteral("\nThe port %1 cannot be used: %2.")
                        .arg(devicelink::deviceFile(portName), reason);
        return false;
    }
    supervisor->sendConnect();
    return true;
}

QString LoggerSession::openProblemText() const
{
    switch (devicelink::openProblem(*serial)) {
    case devicelink::OpenProblem::Missing:
        return QStringLiteral("it does not exist");
    case devicelink::OpenProblem::NotSerial:
        return QStringLiteral("it is not a serial port");
    case devicelink::OpenProblem::InUse:
        return QStringLiteral("it is in use by another program");
    case devicelink::OpenProblem::PermissionDenied: // the window's advice says it all
        return QString();
    case devicelink::OpenProblem::Other:
        break;
    }
    return serial->errorString();
}

void LoggerSession::close()
{
    supervisor->reset();
    if (serial->isOpen())
        serial->close();
}

void LoggerSession::portError(QSerialPort::SerialPortError error)
{
    if (!devicelink::endsLink(error) || !serial->isOpen())
        return;
    close();
    emit failed(linkmessages::linkLost());
}

void LoggerSession::readInput()
{
    rxData = serial->readAll();
    if (rxData.isEmpty())
        return;
    const FrameAssembler::Result result = supervisor->takeInput(rxData);
    if (result.hasDownloadPiece() && download)
        download->feed(result.downloadPiece, result.downloadPieceSize);
    if (!result.replyReady)
        return;
    const unsigned char* frame = supervisor->takeReply();
    switch (frame[1]) {
    case quint8(wire::Command::ReadLive):
        emit liveReply(wire::decodeLiveReply(frame));
        break;
    case quint8(wire::Command::Connect):
        emit connected();
        break;
    case quint8(wire::Command::SetClock):
    case quint8(wire::Command::SetRecording):
    case quint8(wire::Command::Stop):
        emit acknowledged(wire::Command(frame[1]));
        break;
    default: // busy: the pending command goes again at the next watch
        break;
    }
}

QString LoggerSession::portName() const
{
    return devicelink::deviceFile(serial->portName());
}
