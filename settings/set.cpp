#include "set.h"
#include "ui_set.h"

#include "frameless.h"
#include "readings.h"
#include "skin.h"
#include "wireformat.h"

#include <QMouseEvent>

namespace {

// The frameless window wears the program's blue background, with the colour filling in
// wherever the image is missing. Captions are white to stay readable on it, and refusals
// stand out in amber. The radio buttons draw their own indicators: the style's dot takes
// the caption colour and would vanish, white on white.
const char* const windowStyle =
    "#Set { background-color: #1f4f8f; border-image: url(:/images/tw/ic_bg.png); }"
    "#Set QLabel, #Set QRadioButton { color: #ffffff; }"
    "#Set QLabel#labelErrorInfo_3 { color: #ffd54f; }";

} // namespace

Set::Set(QWidget* parent) : QWidget(parent), ui(new Ui::Set)
{
    ui->setupUi(this);
    scanForLogger();

    setWindowFlags(frameless::WindowFlags);
    // A plain QWidget paints style sheet backgrounds only when asked to.
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(QLatin1String(windowStyle) + skin::radioIndicatorRules(QStringLiteral("#Set ")));

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
    // -40 degC is -40 degF; 130 degC is 266 degF.
    const int maximum = centigrade ? 130 : 266;
    for (QSpinBox* box : {ui->spinBoxHighTempWarn, ui->spinBoxLowTempWarn}) {
        box->setMinimum(-40);
        box->setMaximum(maximum);
    }
    const QString symbol = readings::unitSymbol(centigrade);
    ui->labelHighTempUnit_2->setText(symbol);
    ui->labelHighTempUnit->setText(symbol);
}

void Set::setApplyEnabled(bool on)
{
    ui->pushButtonApply->setEnabled(on);
}

void Set::retranslate()
{
    ui->retranslateUi(this);
}

void Set::on_pushButtonApply_clicked()
{
    // The fields change only when the whole entry is accepted: the main window compares
    // the logger's record count with recordNumber, which must be the number it was sent.
    int high = ui->spinBoxHighTempWarn->value();
    int low = ui->spinBoxLowTempWarn->value();
    if (!isCentigrade) {
        high = readings::wholeCelsiusFromFahrenheit(high);
        low = readings::wholeCelsiusFromFahrenheit(low);
    }
    const int highHumidity = ui->spinBoxHighHumiWarn->value();
    const int lowHumidity = ui->spinBoxLowHumiWarn->value();
    const int interval =
        ui->setTimeHour->value() * 3600 + ui->setTimeMin->value() * 60 + ui->setTimeSec->value();

    if (interval == 0) {
        showError(tr("record interval is illegal, should be greater than 0!"));
        return;
    }
    // The interval travels to the logger in a 16-bit field.
    static_assert(wire::MaxIntervalSeconds == 18 * 3600 + 12 * 60 + 15,
                  "the message below names the longest interval");
    if (interval > wire::MaxIntervalSeconds) {
        showError(tr("Error:Record interval is too long, should be at most 18 h 12 min 15 s "
                     "(65535 sec)"));
        return;
    }
    if (high <= low) {
        showError(
            tr("Error:High temperature value should be greater than the low temperature value"));
        return;
    }
    if (highHumidity <= lowHumidity) {
        showError(tr("Error:High humidity value should be greater than the low humidity value"));
        return;
    }

    highTemp = high;
    lowTemp = low;
    highHumi = highHumidity;
    lowHumi = lowHumidity;
    recordInterval = interval;
    recordNumber = ui->spinBoxRecordNumber->value();
    manualMode = ui->radioButtonAuto->isChecked() ? 0 : 1;

    ui->labelErrorInfo_3->clear();
    emit gApply();
    hide();
}

void Set::on_pushButtonCancel_clicked()
{
    hide();
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
