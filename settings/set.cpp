#include "set.h"
#include "ui_set.h"

#include "device/recordingentry.h"
#include "records/readings.h"
#include "ui/frameless.h"
#include "ui/keyboard.h"
#include "ui/skin.h"
#include "ui/windowtitle.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>

namespace {

// The frameless window wears the program's blue background, with the colour filling in
// wherever the image is missing. Captions are white to stay readable on it, and refusals
// stand out in amber. The radio buttons draw their own indicators: the style's dot takes
// the caption colour and would vanish, white on white.
const char* const windowStyle =
    "#Set { background-color: #1f4f8f; border-image: url(:/images/tw/ic_bg.png); }"
    "#Set QLabel, #Set QRadioButton { color: #ffffff; }"
    "#Set QLabel#labelErrorInfo_3 { color: #ffd54f; }";

QString settingsTitle()
{
    return windowtitle::of(Set::tr("Settings"));
}

void setRange(QSpinBox* box, recordingentry::Range range)
{
    box->setRange(range.minimum, range.maximum);
}

} // namespace

Set::Set(QWidget* parent) : QWidget(parent), ui(new Ui::Set)
{
    ui->setupUi(this);
    setWindowTitle(settingsTitle());
    setRange(ui->spinBoxHighHumiWarn, recordingentry::Humidity);
    setRange(ui->spinBoxLowHumiWarn, recordingentry::Humidity);
    setRange(ui->setTimeHour, recordingentry::IntervalHours);
    setRange(ui->setTimeMin, recordingentry::IntervalMinutes);
    setRange(ui->setTimeSec, recordingentry::IntervalSeconds);
    setRange(ui->spinBoxRecordNumber, recordingentry::RecordNumber);
    setTemperatureUnit(true);
    scanForLogger();

    setWindowFlags(frameless::WindowFlags);
    // A plain QWidget paints style sheet backgrounds only when asked to.
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QLatin1String(windowStyle) + skin::radioIndicatorRules(QStringLiteral("#Set ")));
    skin::showReadableToolTips(this);

    keyboard::tabStopsForBoth(ui->radioButtonAuto, ui->radioButtonManual);
    ui->radioButtonAuto->setChecked(true);
}

Set::~Set()
{
    delete ui;
}

void Set::scanForLogger()
{
    linkRecord.portName = devicelink::findLoggerPort(linkRecord.portName);
}

devicelink::LinkSettings Set::linkSettings()
{
    devicelink::applyLineSettings(linkRecord);
    if (!devicelink::namesLoggerAdapter(linkRecord.portName))
        scanForLogger();
    return linkRecord;
}

void Set::setTemperatureUnit(bool centigrade)
{
    isCentigrade = centigrade;
    for (QSpinBox* box : {ui->spinBoxHighTempWarn, ui->spinBoxLowTempWarn})
        setRange(box, recordingentry::temperatureRange(centigrade));
    const QString symbol = readings::unitSymbol(centigrade);
    ui->labelHighTempUnit_2->setText(symbol);
    ui->labelHighTempUnit->setText(symbol);
}

void Set::showLoggerLimits(const AlarmLimits& limits)
{
    const auto inUnit = [this](int celsius) {
        return isCentigrade ? celsius : recordingentry::wholeFahrenheitFromCelsius(celsius);
    };
    ui->spinBoxHighTempWarn->setValue(inUnit(limits.tempHigh));
    ui->spinBoxLowTempWarn->setValue(inUnit(limits.tempLow));
    ui->spinBoxHighHumiWarn->setValue(limits.humiHigh);
    ui->spinBoxLowHumiWarn->setValue(limits.humiLow);
}

void Set::showRecording(int intervalSeconds, int records)
{
    ui->setTimeHour->setValue(intervalSeconds / 3600);
    ui->setTimeMin->setValue(intervalSeconds / 60 % 60);
    ui->setTimeSec->setValue(intervalSeconds % 60);
    ui->spinBoxRecordNumber->setValue(records);
}

void Set::setApplyEnabled(bool on)
{
    ui->pushButtonApply->setEnabled(on);
}

void Set::retranslate()
{
    ui->retranslateUi(this);
    setWindowTitle(settingsTitle());
}

void Set::on_pushButtonApply_clicked()
{
    recordingentry::Entry entry;
    entry.celsius = isCentigrade;
    entry.highTemp = ui->spinBoxHighTempWarn->value();
    entry.lowTemp = ui->spinBoxLowTempWarn->value();
    entry.highHumi = ui->spinBoxHighHumiWarn->value();
    entry.lowHumi = ui->spinBoxLowHumiWarn->value();
    entry.intervalSeconds =
        ui->setTimeHour->value() * 3600 + ui->setTimeMin->value() * 60 + ui->setTimeSec->value();
    entry.recordNumber = ui->spinBoxRecordNumber->value();
    entry.manualMode = !ui->radioButtonAuto->isChecked();
    const recordingentry::Verdict verdict = recordingentry::check(entry);
    if (!verdict.accepted()) {
        showError(verdict.refusal);
        return;
    }

    // The fields change only when the whole entry is accepted: the main window compares
    // the logger's record count with recordNumber, which must be the number it was sent.
    const wire::RecordingParameters& accepted = verdict.parameters;
    highTemp = accepted.highTempC;
    lowTemp = accepted.lowTempC;
    highHumi = accepted.highHumi;
    lowHumi = accepted.lowHumi;
    recordInterval = accepted.intervalSeconds;
    recordNumber = accepted.recordNumber;
    manualMode = accepted.manualMode ? 1 : 0;

    ui->labelErrorInfo_3->clear();
    emit gApply();
    hide();
}

void Set::on_pushButtonCancel_clicked()
{
    hide();
}

void Set::showEvent(QShowEvent* event)
{
    // Every opening starts at the first box, whatever had the focus when the window closed;
    // a window given back by the desktop (restored from the task bar) keeps its focus.
    if (!event->spontaneous())
        ui->spinBoxHighTempWarn->setFocus();
    QWidget::showEvent(event);
}

// Keys reach the window when the control with the focus has no use for them: a box has taken
// the number typed into it before its Enter arrives here, and a focused button presses
// itself on Enter.
void Set::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ui->pushButtonApply->click();
        break;
    case Qt::Key_Escape:
        ui->pushButtonCancel->click();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Set::mousePressEvent(QMouseEvent* event)
{
    frameless::startDrag(this, event, mousePressed, mousePoint);
}

void Set::mouseReleaseEvent(QMouseEvent*)
{
    frameless::endDrag(mousePressed);
}

void Set::mouseMoveEvent(QMouseEvent* event)
{
    frameless::drag(this, event, mousePressed, mousePoint);
}

void Set::showError(const QString& text)
{
    ui->labelErrorInfo_3->setText(text);
}
