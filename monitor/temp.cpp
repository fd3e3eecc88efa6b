#include "temp.h"

#include "analysis/qrealtimedata.h"
#include "device/linkmessages.h"
#include "device/linksupervisor.h"
#include "device/portscan.h"
#include "livealarm.h"
#include "records/readings.h"
#include "settings/set.h"
#include "ui/frameless.h"
#include "ui/keyboard.h"
#include "ui/language.h"
#include "ui/screenfit.h"
#include "ui/skin.h"
#include "ui/windowtitle.h"
#include "ui_temp.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QLocale>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>

#include <cmath>

namespace {

constexpr int PollPeriodMs = 1000;
// Live replies to see before the record count may decide the buttons while the record
// number the logger was given is unknown: the first comparison needs two real counts.
constexpr int RecordCheckReplies = 2;
// A poll without a reply gives the line to the next one after 1.5 s, so two unanswered
// polls span about four seconds: the time the command line also gives a silent logger.
constexpr int MaxUnansweredPolls = 2;
// How long Download waits for the live reply that brings the logger's alarm limits: the
// reply to a poll asked for at once, or else to the next regular one.
constexpr int LiveReplyWaitMs = 3000;

// What a value shows until the logger has answered, and where it cannot be computed.
const char* const NoValue = "--.-";
const char* const ClockTimeFormat = "HH:mm:ss";
const char* const ClockDateFormat = "MM-dd-yyyy";
const char* const RecordingSymbol = ":/images/tw/record_enable.png";
const char* const IdleSymbol = ":/images/tw/record_disable.png";

const char* const WeekdayNames[] = {
    QT_TRANSLATE_NOOP("Temp", "Monday"),    QT_TRANSLATE_NOOP("Temp", "Tuesday"),
    QT_TRANSLATE_NOOP("Temp", "Wednesday"), QT_TRANSLATE_NOOP("Temp", "Thursday"),
    QT_TRANSLATE_NOOP("Temp", "Friday"),    QT_TRANSLATE_NOOP("Temp", "Saturday"),
    QT_TRANSLATE_NOOP("Temp", "Sunday")};

} // namespace

Temp::Temp(QWidget* parent) : QWidget(parent), ui(new Ui::Temp)
{
    ui->setupUi(this);
    setWindowTitle(windowtitle::programName());
    const int formHeight = height();
    screenfit::fitToScreen(this, ui->widgetMain);
    // On a screen lower than the form (as at a high scale) the room above and below the
    // panels gives way first, so that the commands keep their height.
    if (height() < formHeight)
        for (QSpacerItem* room : {ui->verticalSpacer, ui->verticalSpacer_2})
            room->changeSize(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    ui->widgetTitle->raise();
    notice = new NoticeBox(this, ui->widgetTitle);
    notice->keepClear({ui->labelTempValue, ui->labelTempUnit, ui->labelHumiValue, ui->labelHumiUnit,
                       ui->labelDewTempValue, ui->labelDewUnit, ui->labelHIValue, ui->labelHiUnit,
                       ui->labelRecordLogoFlag, ui->labelRecordNumberDis});

    set = new Set;
    serial = new QSerialPort(this);
    sendtimer = new QTimer(this);
    link = new LinkSupervisor(serial, this);
    liveReplyWait = new QTimer(this);
    liveReplyWait->setSingleShot(true);
    liveReplyWait->setInterval(LiveReplyWaitMs);
    liveAlarm = new LiveAlarm({ui->labelTempValue, ui->labelTempUnit},
                              {ui->labelHumiValue, ui->labelHumiUnit}, this);

    setWindowFlags(frameless::WindowFlags);
    ui->labelTitle->installEventFilter(this);
    realdata = new QRealTimeData;

    applyDisconnectedState();

    connect(this, &Temp::gDownloadData, realdata, &QRealTimeData::receive_data);
    connect(realdata, &QRealTimeData::gStartDownload, this, &Temp::send_download_cmd);
    connect(realdata, &QRealTimeData::gBack, this, &Temp::show);
    connect(realdata, &QRealTimeData::gTimerWork, this, &Temp::on_realdata_gTimerWork);
    connect(set, &Set::gApply, this, &Temp::on_pushButtonApply_gApply);
    connect(sendtimer, &QTimer::timeout, this, &Temp::on_sendtimer_timeout);
    connect(liveReplyWait, &QTimer::timeout, this, &Temp::liveReplyOverdue);
    connect(link, &LinkSupervisor::connectUnanswered, this, &Temp::connectUnanswered);
    connect(link, &LinkSupervisor::commandAbandoned, this, &Temp::commandAbandoned);
    connect(link, &LinkSupervisor::pollPaused, sendtimer, &QTimer::stop);
    connect(serial, &QSerialPort::readyRead, this, &Temp::on_serial_readyRead);
    connect(this, &Temp::oneFrameDataReceived, this, &Temp::on_receive_buf_oneFrameDataReceived);
    connect(serial, &QSerialPort::errorOccurred, this, &Temp::handleError);

    const QList<QWidget*> translucent = {ui->radioButtonCentigrade,
                                         ui->radioButtonFahrenheit,
                                         ui->labelHI,
                                         ui->labelHIValue,
                                         ui->labelHiUnit,
                                         ui->labelDewUnit,
                                         ui->labelDewTempLogo,
                                         ui->labelDewTempValue,
                                         ui->labelTempValue,
                                         ui->labelTempUnit,
                                         ui->labelHumiUnit,
                                         ui->labelHumiValue,
                                         ui->labelRecordLogoFlag,
                                         ui->labelRecordNumberDis,
                                         ui->labelRecordTextFlag,
                                         ui->labelCurrentTime,
                                         ui->labelDate,
                                         ui->labelDayOfWeek,
                                         ui->labelSign,
                                         ui->pushButtonCalibration,
                                         ui->labelTempLogo,
                                         ui->labelHumiLogo};
    for (QWidget* widget : translucent)
        widget->setAttribute(Qt::WA_TranslucentBackground);
    keyboard::tabStopsForBoth(ui->radioButtonCentigrade, ui->radioButtonFahrenheit);
    ui->radioButtonCentigrade->setChecked(true);
    isC = true;
    skin::showRadioIndicator(ui->radioButtonCentigrade);
    skin::showRadioIndicator(ui->radioButtonFahrenheit);
    for (QPushButton* button : {ui->pushButtonConnect, ui->pushButtonCalibration, ui->pushButtonSet,
                                ui->pushButtonLanguage, ui->pushButtonStop, ui->pushButtonDownload})
        skin::dimWhenDisabled(button);
    skin::showReadableToolTips(this);

    // The port hands over at most 64 bytes a read, so downloads stream in small pieces.
    serial->setReadBufferSize(64);

    ui->pushButtonDownload->setText(tr("Analyse"));
    ui->pushButtonDownload->setEnabled(true);
    // The keyboard starts where the operator does, not on the title strip's first button.
    ui->pushButtonConnect->setFocus();
}

Temp::~Temp()
{
    // The box gives the keyboard back to this window when it goes: before the window goes.
    delete notice;
    delete stopQuestion;
    closeLink();
    delete realdata;
    delete link;
    delete liveReplyWait;
    delete sendtimer;
    delete serial;
    delete set;
    delete ui;
}

bool Temp::openLink()
{
    return devicelink::openPort(*serial, set->linkSettings());
}

void Temp::closeLink()
{
    set->recordNumber = 0;
    forgetRecordNumber();
    if (!serial->isOpen())
        return;
    serial->close();
    applyDisconnectedState();
}

void Temp::applyConnectedState()
{
    ui->pushButtonConnect->setText(tr("Disconnect"));
    ui->pushButtonSet->setEnabled(true);
    ui->pushButtonCalibration->setEnabled(true);
    ui->pushButtonDownload->setText(tr("Download"));
    ui->pushButtonStop->setEnabled(true);
    set->setApplyEnabled(true);
    // The record status of an earlier connection is not this one's.
    ui->labelRecordLogoFlag->clear();
    ui->labelRecordNumberDis->clear();
    ui->labelRecordLogoFlag->show();
    ui->labelRecordNumberDis->show();
    ui->labelRecordTextFlag->show();
    recordCheckCountdown = RecordCheckReplies;
    unansweredPolls = 0;
    loggerLimits.reset();
}

void Temp::applyDisconnectedState()
{
    showNoReadings();
    ui->labelRecordLogoFlag->hide();
    ui->labelRecordNumberDis->hide();
    ui->labelRecordTextFlag->hide();
    ui->pushButtonConnect->setText(tr("Connect"));
    ui->pushButtonSet->setEnabled(false);
    ui->pushButtonCalibration->setEnabled(false);
    ui->pushButtonStop->setEnabled(false);
    // A settings window left open must not send to a closed port.
    set->setApplyEnabled(false);
    ui->pushButtonDownload->setText(tr("Analyse"));
    // Without a logger the button opens saved files, which a recording in progress at the
    // moment of the disconnect has no bearing on.
    ui->pushButtonDownload->setEnabled(true);
    sendtimer->stop();
    liveReplyWait->stop();
    loggerLimits.reset();
    liveAlarm->reset();
    link->reset();
}

void Temp::on_pushButtonConnect_clicked()
{
    if (serial->isOpen()) {
        // Closing applies the disconnected state: the poll stops, nothing stays pending.
        closeLink();
        return;
    }
    if (openLink()) {
        link->sendConnect();
        return;
    }
    showMessage(linkmessages::openFailed(*serial));
}

void Temp::handleError(QSerialPort::SerialPortError error)
{
    if (!devicelink::endsLink(error))
        return;
    if (!serial->isOpen())
        return;
    realdata->linkLost();
    link->freeLine();
    showMessage(linkmessages::linkLost());
    closeLink();
}

void Temp::on_pushButtonSet_clicked()
{
    set->setTemperatureUnit(isC);
    // The window starts from what the logger holds; entries of a window still open stay.
    if (!set->isVisible()) {
        if (loggerLimits)
            set->showLoggerLimits(*loggerLimits);
        if (acknowledgedParameters)
            set->showRecording(acknowledgedParameters->intervalSeconds,
                               acknowledgedParameters->recordNumber);
    }
    set->show();
}

void Temp::on_pushButtonClose_clicked()
{
    QCoreApplication::exit(0);
}

void Temp::on_pushButtonDownload_clicked()
{
    const bool connectedAndIdle = ui->pushButtonCalibration->isEnabled();
    if (!connectedAndIdle) {
        hide();
        realdata->showWindow(false, isC);
        return;
    }
    if (loggerLimits) {
        startDownload();
        return;
    }
    if (liveReplyWait->isActive())
        return;
    liveReplyWait->start();
    link->sendLivePoll();
}

void Temp::startDownload()
{
    liveReplyWait->stop();
    sendtimer->stop();
    hide();
    realdata->setAlarmLimits(*loggerLimits);
    realdata->showWindow(true, isC);
}

void Temp::liveReplyOverdue()
{
    showMessage(linkmessages::noLiveReadings());
}

void Temp::on_pushButtonMin_clicked()
{
    showMinimized();
}

void Temp::on_pushButtonHelp_clicked()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void Temp::on_radioButtonFahrenheit_clicked(bool checked)
{
    if (checked)
        isC = false;
}

void Temp::on_radioButtonCentigrade_clicked(bool checked)
{
    if (checked)
        isC = true;
}

void Temp::on_pushButtonLanguage_clicked()
{
    language::switchTo(!isChinese, translator);
    isChinese = !isChinese;
}

void Temp::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        realdata->retranslate();
        set->retranslate();
        // The form has only the disconnected caption of Connect, and none for Download.
        const bool connected = ui->pushButtonStop->isEnabled();
        ui->pushButtonDownload->setText(connected ? tr("Download") : tr("Analyse"));
        ui->pushButtonConnect->setText(connected ? tr("Disconnect") : tr("Connect"));
    } else if (event->type() == QEvent::LocaleChange) {
        const QString name = QLocale::system().name();
        const int underscore = name.lastIndexOf(QLatin1Char('_'));
        qDebug().noquote() << QStringLiteral("locale=") +
                                  (underscore < 0 ? QString() : name.left(underscore));
    }
    QWidget::changeEvent(event);
}

bool Temp::eventFilter(QObject* watched, QEvent* event)
{
    // The title takes no presses, so a double click on it would reach the window as a
    // press; it is swallowed instead and does nothing.
    if (watched == ui->labelTitle && event->type() == QEvent::MouseButtonDblClick)
        return true;
    return QWidget::eventFilter(watched, event);
}

void Temp::mousePressEvent(QMouseEvent* event)
{
    frameless::startDrag(this, event, mousePressed, mousePoint);
}

void Temp::mouseReleaseEvent(QMouseEvent*)
{
    frameless::endDrag(mousePressed);
}

void Temp::mouseMoveEvent(QMouseEvent* event)
{
    frameless::drag(this, event, mousePressed, mousePoint);
}

// --- Sending ---------------------------------------------------------------------------

void Temp::on_pushButtonCalibration_clicked()
{
    link->sendSetClock();
}

void Temp::on_pushButtonStop_clicked()
{
    // A stray click would end the monitoring of whatever the logger watches, so it asks
    // first, and No is what Enter answers.
    if (!stopQuestion) {
        stopQuestion = new QMessageBox(QMessageBox::Question, QString(), QString(),
                                       QMessageBox::Yes | QMessageBox::No);
        stopQuestion->setDefaultButton(QMessageBox::No);
        // The live poll goes on while the operator answers.
        stopQuestion->setWindowModality(Qt::ApplicationModal);
        connect(stopQuestion, &QMessageBox::finished, this, [this](int answer) {
            // The link may have gone while the question was open.
            if (answer == QMessageBox::Yes && ui->pushButtonStop->isEnabled())
                link->sendStop();
        });
    }
    stopQuestion->setText(tr("Stop the recording? The logger keeps the records it holds."));
    notice->present(stopQuestion);
}

void Temp::on_pushButtonApply_gApply()
{
    wire::RecordingParameters parameters;
    parameters.highTempC = set->highTemp;
    parameters.lowTempC = set->lowTemp;
    parameters.highHumi = set->highHumi;
    parameters.lowHumi = set->lowHumi;
    parameters.recordNumber = set->recordNumber;
    parameters.intervalSeconds = set->recordInterval;
    parameters.manualMode = set->manualMode != 0;
    link->sendRecordingParameters(parameters);
}

void Temp::send_download_cmd()
{
    link->sendDownload();
}

void Temp::on_sendtimer_timeout()
{
    refreshClock();
    if (!ui->pushButtonStop->isEnabled() || !link->sendLivePoll())
        return;
    // A logger that answers nothing leaves the port open: rather than keep its last readings
    // on show as if they were live, the link is closed and the operator told.
    if (++unansweredPolls > MaxUnansweredPolls) {
        closeLink();
        showMessage(linkmessages::noLiveReadings());
    }
}

void Temp::on_realdata_gTimerWork(bool work)
{
    if (!work) {
        sendtimer->stop();
        return;
    }
    sendtimer->start(PollPeriodMs);
    // The analysis window is done with the download: a request still unanswered is
    // withdrawn, so that it is not sent again behind the window's back.
    link->endDownload();
}

// --- Acknowledgements ------------------------------------------------------------------

void Temp::connectUnanswered()
{
    sendtimer->stop();
    closeLink();
    showMessage(linkmessages::connectFailed());
}

void Temp::commandAbandoned(wire::Command command)
{
    // The logger may or may not hold the new record number now.
    if (command == wire::Command::SetRecording) {
        forgetRecordNumber();
        loggerLimits.reset();
    }
    if (command == wire::Command::Download)
        realdata->requestAbandoned();
    // Set-parameters and download pause the live poll; without it the window would look
    // connected while its readings froze.
    if (ui->pushButtonStop->isEnabled())
        sendtimer->start(PollPeriodMs);
    showMessage(linkmessages::commandUnacknowledged());
}

// --- Receiving -------------------------------------------------------------------------

void Temp::on_serial_readyRead()
{
    rxData = serial->readAll();
    if (rxData.isEmpty())
        return;
    const FrameAssembler::Result result = link->takeInput(rxData);
    if (result.hasDownloadPiece())
        emit gDownloadData(result.downloadPiece, result.downloadPieceSize);
    if (result.downloadEnded)
        sendtimer->start(PollPeriodMs);
    if (result.replyReady)
        emit oneFrameDataReceived();
}

void Temp::on_receive_buf_oneFrameDataReceived()
{
    unansweredPolls = 0;
    const unsigned char* frame = link->takeReply();
    switch (frame[1]) {
    case quint8(wire::Command::ReadLive):
        handleLiveReply(frame);
        break;
    case quint8(wire::Command::SetClock):
        showMessage(linkmessages::clockSet(), NoticeBox::Kind::Confirmation);
        break;
    case quint8(wire::Command::Stop):
        // The logger's count is final now, whatever number it was asked to reach.
        forgetRecordNumber();
        showMessage(linkmessages::recordingStopped(), NoticeBox::Kind::Confirmation);
        break;
    case quint8(wire::Command::Connect):
        applyConnectedState();
        refreshClock();
        sendtimer->start(PollPeriodMs);
        showMessage(linkmessages::connected(), NoticeBox::Kind::Confirmation);
        break;
    case quint8(wire::Command::SetRecording):
        // The logger holds the limits just sent; the next live reply tells them.
        loggerLimits.reset();
        acknowledgedParameters = link->parametersOnWire();
        appliedRecordNumber = acknowledgedParameters->recordNumber;
        sendtimer->start(PollPeriodMs);
        showMessage(linkmessages::parametersSent(), NoticeBox::Kind::Confirmation);
        break;
    default: // busy: the pending command is written again at the next watch
        break;
    }
}

void Temp::forgetRecordNumber()
{
    appliedRecordNumber = 0;
    // With no target, the buttons follow the count once two replies have compared it.
    recordCheckCountdown = RecordCheckReplies;
}

void Temp::showMessage(const QString& text, NoticeBox::Kind kind)
{
    notice->showNotice(kind, text);
}

// --- Display ---------------------------------------------------------------------------

void Temp::refreshClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    ui->labelCurrentTime->setText(now.time().toString(QLatin1String(ClockTimeFormat)));
    ui->labelDate->setText(now.date().toString(QLatin1String(ClockDateFormat)));
    ui->labelDayOfWeek->setText(tr(WeekdayNames[now.date().dayOfWeek() - 1]));
}

void Temp::showNoReadings()
{
    // Values of a link that is gone are not live; the clock starts with the first reply.
    for (QLabel* value :
         {ui->labelTempValue, ui->labelHumiValue, ui->labelDewTempValue, ui->labelHIValue})
        value->setText(QLatin1String(NoValue));
    ui->labelCurrentTime->setText(QStringLiteral("--:--:--"));
    ui->labelDate->setText(QStringLiteral("--"));
    ui->labelDayOfWeek->clear();
}

void Temp::handleLiveReply(const unsigned char* frame)
{
    const wire::LiveValues live = wire::decodeLiveReply(frame);
    loggerLimits =
        AlarmLimits{live.tempAlarmHigh, live.tempAlarmLow, live.humiAlarmHigh, live.humiAlarmLow};
    if (!updateRecordStatus(live.recordCount))
        return;
    showReadings(live.temperatureCode, live.humidityCode);
    liveAlarm->take(live, isC);
    // A Download that waited for this reply goes ahead if the logger is still idle.
    if (liveReplyWait->isActive()) {
        liveReplyWait->stop();
        if (ui->pushButtonCalibration->isEnabled())
            startDownload();
    }
}

void Temp::setRecordControlsEnabled(bool enabled)
{
    ui->pushButtonDownload->setEnabled(enabled);
    set->setApplyEnabled(enabled);
    ui->pushButtonCalibration->setEnabled(enabled);
}

bool Temp::updateRecordStatus(int recordCount)
{
    const bool countUnchanged = previousRecordCount == 0 || previousRecordCount == recordCount;
    previousRecordCount = recordCount;
    ui->pushButtonConnect->setText(tr("Disconnect"));

    // The record number the logger acknowledged; 0 when its target is unknown.
    const int target = appliedRecordNumber;
    QString symbol = QLatin1String(RecordingSymbol);
    // The blinking starts with the recording symbol after any reply with records.
    if (recordCount != 0)
        recBlink = true;
    if (target < recordCount) {
        if (target != 0) {
            closeLink();
            showMessage(tr("Record data Error!"));
            return false;
        }
        if (--recordCheckCountdown <= 0)
            setRecordControlsEnabled(countUnchanged);
    } else {
        setRecordControlsEnabled(target == recordCount);
        if (recordCount == 0) {
            symbol = QLatin1String(recBlink ? RecordingSymbol : IdleSymbol);
            recBlink = !recBlink;
        }
    }
    ui->labelRecordNumberDis->setText(QString::number(recordCount));
    ui->labelRecordTextFlag->setText(tr("REC"));
    ui->labelRecordLogoFlag->setPixmap(QPixmap(symbol));
    return true;
}

void Temp::showReadings(quint16 temperatureCode, quint16 humidityCode)
{
    const double temperature = readings::temperatureC(temperatureCode);
    const double dewPoint = readings::dewPointC(temperatureCode, humidityCode);
    const double heatIndex = readings::heatIndexC(temperatureCode, humidityCode);
    const QString unit = readings::unitSymbol(isC);
    ui->labelTempUnit->setText(unit);
    ui->labelDewUnit->setText(unit);
    ui->labelHiUnit->setText(unit);

    // With no humidity the dew temperature is undefined; show dashes, not "nan".
    ui->labelDewTempValue->setText(std::isfinite(dewPoint)
                                       ? readings::formatValue(readings::inUnit(dewPoint, isC))
                                       : QLatin1String(NoValue));
    ui->labelHIValue->setText(readings::formatValue(readings::inUnit(heatIndex, isC)));
    ui->labelTempValue->setText(readings::formatValue(readings::inUnit(temperature, isC)));
    ui->labelHumiValue->setText(readings::formatValue(readings::humidityPercent(humidityCode)));
}
