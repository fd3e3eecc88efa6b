#pragma once

#include "device/wireformat.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

class LinkSupervisor;
class LoggedDownload;

// One conversation with the logger, held the way the main window holds it: the port with
// the logger's line settings, the link supervision (command lock, watches, re-sends) and
// the replies, without a window. Whoever runs a command sends through link() and hears
// the replies and failures through the signals.
class LoggerSession : public QObject
{
    Q_OBJECT

public:
    explicit LoggerSession(QObject* parent = nullptr);
    ~LoggerSession() override;

    // Opens the port and sends the connect command; connected() or failed() follows.
    // False, with the operator's message in `why`, when the port does not open: the
    // window's text, then the port and the reason.
    bool open(const QString& portName, QString* why);
    // The device file of the open port, e.g. /dev/ttyUSB0.
    QString portName() const;
    LinkSupervisor& link() { return *supervisor; }
    // The pieces of the download reply go to `download` (nullptr: nowhere).
    void setDownload(LoggedDownload* target) { download = target; }

signals:
    void connected();
    void liveReply(const wire::LiveValues& values);
    // The logger acknowledged set clock, recording parameters or stop.
    void acknowledged(wire::Command command);
    // The link is of no more use (no answer to connect, a command never acknowledged, the
    // port failed); `message` says why. The port is closed for the first and last.
    void failed(const QString& message);

private:
    void readInput();
    void portError(QSerialPort::SerialPortError error);
    void close();
    // Why the port did not open, for the line after the window's text; empty when that
    // text says it all.
    QString openProblemText() const;

    QSerialPort* serial;
    LinkSupervisor* supervisor;
    LoggedDownload* download = nullptr;
    QByteArray rxData;
};
