#pragma once

#include "device/wireformat.h"
#include "records/summarylines.h"
#include "ui/noticebox.h"

#include <QPoint>
#include <QSerialPort>
#include <QTranslator>
#include <QWidget>

#include <optional>

class LinkSupervisor;
class LiveAlarm;
class QRealTimeData;
class QTimer;
class Set;

namespace Ui {
class Temp;
}

// The main window. It owns the link to the logger (the port, the live poll and the
// supervision of the commands: frame assembly, acknowledgement watch and command lock),
// shows the live readings, the PC clock and the logger's recording status, and sends the
// logger's commands.
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
    void on_pushButtonLanguage_clicked();
    void on_pushButtonHelp_clicked();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Connected explicitly in the constructor: the objects they serve are not children
    // named after them, so they are plain members that automatic connection never sees.
    void on_serial_readyRead();
    void on_realdata_gTimerWork(bool work);
    void on_pushButtonApply_gApply();
    void on_sendtimer_timeout();
    void on_receive_buf_oneFrameDataReceived();

    void startDownload();
    void liveReplyOverdue();
    void applyConnectedState();
    void applyDisconnectedState();
    void connectUnanswered();
    void commandAbandoned(wire::Command command);
    void forgetRecordNumber();
    void showMessage(const QString& text, NoticeBox::Kind kind = NoticeBox::Kind::Problem);
    void refreshClock();
    void showNoReadings();
    void handleLiveReply(const unsigned char* frame);
    bool updateRecordStatus(int recordCount);
    void showReadings(quint16 temperatureCode, quint16 humidityCode);
    void setRecordControlsEnabled(bool enabled);

    QSerialPort* serial = nullptr;
    Ui::Temp* ui = nullptr;
    Set* set = nullptr;
    bool isC = true;
    // The Chinese catalogue is installed; the program starts in English.
    bool isChinese = false;
    QTranslator translator;
    int previousRecordCount = 0;
    int recordCheckCountdown = 0;
    QByteArray rxData;
    QTimer* sendtimer = nullptr;
    // Holds checktimer, commandLock, the five pending flags and the receive buffer.
    LinkSupervisor* link = nullptr;
    NoticeBox* notice = nullptr;
    QMessageBox* stopQuestion = nullptr;
    // Window drag: a left press on the window itself, until the next release.
    bool mousePressed = false;
    QPoint mousePoint;
    // The analysis window, created with the main window and deleted with it.
    QRealTimeData* realdata = nullptr;

    // The record number the logger acknowledged: the record status compares the logger's
    // count only with a number the logger is known to hold (0: unknown, as after a fresh
    // connection or a Stop).
    int appliedRecordNumber = 0;
    // Phase of the blinking REC symbol while the logger holds no record.
    bool recBlink = true;
    // Live polls written since the logger last answered anything.
    int unansweredPolls = 0;
    // The alarm limits of the last live reply on this connection since the logger was last
    // given parameters. A download's header and report carry them, so no download starts
    // without them: Download pressed before they came waits for the next live reply.
    std::optional<AlarmLimits> loggerLimits;
    // The parameters the logger last acknowledged in this run, which the settings window
    // starts from.
    std::optional<wire::RecordingParameters> acknowledgedParameters;
    QTimer* liveReplyWait = nullptr;
    // The readings beyond the logger's limits: their colours and notifications.
    LiveAlarm* liveAlarm = nullptr;
};
