#pragma once

#include "device/portscan.h"
#include "records/summarylines.h"

#include <QPoint>
#include <QWidget>

namespace Ui {
class Set;
}

// The window in which the operator enters the logger's recording parameters. An accepted
// Apply stores them in the public fields, emits gApply() and hides the window; the main
// window then sends them to the logger. The window never talks to the logger itself.
// It also keeps the serial link settings, found by scanning the machine's ports.
class Set : public QWidget
{
    Q_OBJECT

public:
    explicit Set(QWidget* parent = nullptr);
    ~Set() override;

    // Written by an accepted Apply; temperatures in whole degrees Celsius, humidity in
    // whole %RH, the interval in seconds. The main window resets recordNumber to 0 when
    // the link closes.
    int highTemp = 0;
    int lowTemp = 0;
    int highHumi = 0;
    int lowHumi = 0;
    int recordInterval = 0;
    int recordNumber = 0;
    int manualMode = 0; // 1 for "Manual", 0 for "Auto"

    // Stores the name of the logger's port found among the machine's ports; a scan that
    // finds nothing keeps the name found before.
    void scanForLogger();
    // The fixed line settings with the port to open, rescanning unless the stored name
    // already names the logger's adapter.
    devicelink::LinkSettings linkSettings();

    // The unit in which the temperature alarms are edited; called before every show().
    void setTemperatureUnit(bool centigrade);
    // The window starts from what the logger holds: its alarm limits (whole degC and %RH),
    // shown in the unit set, and the interval and record number it last acknowledged.
    // Called after setTemperatureUnit(); nothing is sent until Apply.
    void showLoggerLimits(const AlarmLimits& limits);
    void showRecording(int intervalSeconds, int records);
    void setApplyEnabled(bool on);
    void retranslate();

signals:
    void gApply();

private slots:
    void on_pushButtonApply_clicked();
    void on_pushButtonCancel_clicked();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void showError(const QString& text);

    Ui::Set* ui;
    bool isCentigrade = true;
    devicelink::LinkSettings linkRecord;
    // Window drag: a left press on the window itself, until the next release.
    bool mousePressed = false;
    QPoint mousePoint;
};
