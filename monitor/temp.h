#pragma once

#include "frameassembler.h"
#include "wireformat.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QMutex>
#include <QSerialPort>
#include <QWidget>

class QRealTimeData;
class QTimer;
class Set;

namespace Ui {
class Temp;
}

// The main window. It owns the link to the logger (the port, the frame assembler, the two
// link timers and the command lock), shows the live readings, the PC clock and the
// logger's recording status, and sends the logger's commands.
class Temp : public QWidget
{
    Q_OBJECT

public:
    explicit Temp(QWidget* parent = nullptr);
    ~Temp() override;

    // Configures `serial` with the fixed line settings and opens the logger's port.
    bool openLink();
    // Closes the port, if open, and shows the disconnected state.
    void closeLink();

signals:
    // A complete 32-byte reply is at the start of the receive buffer.
    void oneFrameDataReceived();
    // The next piece of the download reply; `buf` is valid only during the call.
    void gDownloadData(unsigned char* buf, int size);

private slots:
    void on_pushButtonSet_clicked();
    void on_pushButtonConnect_clicked();
    void handleError(QSerialPort::SerialPortError error);
    void on_pushButtonClose_clicked();
    void on_pushButtonCalibration_clicked();
    void on_pushButtonStop_clicked();
    void on_pushButtonDownload_clicked();
    void send_download_cmd();
    void on_pushButtonMin_clicked();
    void on_radioButtonFahrenheit_clicked(bool checked);
    void on_radioButtonCentigrade_clicked(bool checked);
    void on_pushButtonHelp_clicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    // Connected explicitly in the constructor: the objects they serve are not children
    // named after them, so they are plain members that automatic connection never sees.
    void on_serial_readyRead();
    void on_realdata_gTimerWork(bool work);
    void on_pushButtonApply_gApply();
    void on_sendtimer_timeout();
    void on_checktimer_timeout();
    void on_receive_buf_oneFrameDataReceived();

    void applyConnectedState();
    void applyDisconnectedState();
    void sendConnect();
    void sendSetClock();
    void sendRecordingParameters();
    void sendStop();
    void sendLivePoll();
    void writeFrame(const wire::Frame& frame);
    bool takeCommandLock();
    void freeCommandLock();
    bool giveUpUnacknowledged(int& tries, bool& pending);
    void showMessage(const QString& text);
    void refreshClock();
    void handleLiveReply(const unsigned char* frame);
    bool updateRecordStatus(int recordCount);
    void showReadings(quint16 temperatureCode, quint16 humidityCode);
    void setRecordControlsEnabled(bool enabled);

    QSerialPort* serial = nullptr;
    Ui::Temp* ui = nullptr;
    Set* set = nullptr;
    bool isC = true;
    int previousRecordCount = 0;
    int recordCheckCountdown = 0;
    QByteArray rxData;
    QMutex commandLock;
    QTimer* sendtimer = nullptr;
    QTimer* checktimer = nullptr;
    QMessageBox messageBox;
    // The analysis window, created with the main window and deleted with it.
    QRealTimeData* realdata = nullptr;

    bool calibrationPending = false;
    bool connectPending = false;
    bool setPending = false;
    bool stopPending = false;
    bool downloadPending = false;
    // Holds receive_buf, rxCount, downloadStreaming and downloadExpected.
    FrameAssembler receiver;

    // When the frame now on the wire was written: a frame that never gets its reply must
    // not hold the command lock for ever.
    QElapsedTimer lockTakenAt;
    // Acknowledgement watches that found their command still unacknowledged.
    bool awaitingReply = false;
    // Acknowledgement watches that found their command still unacknowledged.
    int calibrationTries = 0;
    int stopTries = 0;
    int setTries = 0;
    int downloadTries = 0;
    // Phase of the blinking REC symbol while the logger holds no record.
    bool recBlink = true;
};
