#pragma once

#include "records/figures.h"
#include "records/loggeddownload.h"
#include "records/savedfile.h"
#include "records/summarylines.h"
#include "reports/exports.h"
#include "ui/noticebox.h"

#include <QPoint>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include <functional>
#include <optional>

class Thermo;

namespace Ui {
class QRealTimeData;
}

// The analysis window. In download mode it asks the main window for the logger's
// records, follows the transfer and shows the result; offline it opens an earlier data
// file or workbook. Either way the records table, the summary table and the two trend
// charts are filled from a saved file. The download and the reading of files are done
// by LoggedDownload and savedfile; the window wires them to its widgets.
class QRealTimeData : public QWidget
{
    Q_OBJECT

public:
    // Asks for a file to open or a name to save under: (parent, caption, start file, filter)
    // -> the chosen name, empty when cancelled. Tests replace it, so that no test waits on
    // a dialog.
    using FileChooser =
        std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
    // The same for a name to save under, which also tells the filter chosen in
    // `selectedFilter` (as QFileDialog::getSaveFileName does): two filters take ".pdf".
    using SaveNameChooser = std::function<QString(QWidget*, const QString&, const QString&,
                                                  const QString&, QString* selectedFilter)>;

    explicit QRealTimeData(QWidget* parent = nullptr);
    ~QRealTimeData() override;

    // Shows the window full screen; with `downloadMode` (a logger connected and idle)
    // a download starts at once. `isC`: the unit of a download, true for Celsius.
    void showWindow(bool downloadMode, bool isC);
    void retranslate();
    // The alarm limits the logger last reported (whole degC and %RH).
    void setAlarmLimits(const AlarmLimits& limits);
    // The link to the logger is gone: a download in progress ends at once.
    void linkLost();
    // The link supervision gave up the download request (the logger never took it): a
    // download waiting for its block ends at once.
    void requestAbandoned();
    void setFileChooser(FileChooser chooser);
    void setSaveNameChooser(SaveNameChooser chooser);

    // What the exports work from.
    QString dataFileName() const { return fileName; }
    const LoggedDownload& lastDownload() const { return download; }
    const SavedData& loadedData() const { return loaded; }
    Thermo* temperatureChart() const { return tempChart; }
    Thermo* humidityChart() const { return humiChart; }
    bool isCelsius() const { return isC; }

signals:
    void gBack();
    void gTimerWork(bool work);
    void gStartDownload();

public slots:
    void showReport();
    // One piece of the logger's reply to the download command; `buf` is valid only
    // during the call.
    void receive_data(unsigned char* buf, int size);

private slots:
    void on_pushButtonBack_clicked();
    // Export: the last download saved in the form its name asks for.
    void on_pushButtonDownload_clicked();
    void on_pushButtonOpen_clicked();
    void on_pushButtonMin_clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Connected explicitly: the timer is a plain member, not a child of the form.
    void on_timeout_check_timer_timeout();

    static QStringList recordTitles();
    void downloadFinished(LoggedDownload::Outcome outcome);
    exports::Outcome exportReport(const QString& target, bool withCharts) const;
    void importFile();
    savedfile::Status loadDataFile();
    void fillRecordRow(const SavedRecord& record, int row, const figures::Bounds& temperature,
                       const figures::Bounds& humidity);
    // The eight report lines, then the rows of the figures shown, if any.
    void showSummary(const QStringList& reportLines);
    void showFigureRows();
    void clearSummary();
    void drawCharts();
    void clearRecords();
    // `secondLine`: a line of its own below the text, in the same box.
    void showProgress(int percent);
    NoticeBox::Kind successKind() const;
    void showMessage(const QString& text, NoticeBox::Kind kind = NoticeBox::Kind::Problem,
                     const QString& secondLine = QString());

    NoticeBox* notice = nullptr;
    Thermo* tempChart = nullptr;
    Thermo* humiChart = nullptr;
    bool isC = true;
    AlarmLimits alarms;
    Ui::QRealTimeData* ui = nullptr;
    bool downloadMode = false;
    int progressToShow = 0;
    bool progressQueued = false;
    QTimer timeout_check_timer;
    bool fileIsWorkbook = false;
    QString fileName;
    SavedData loaded;
    // The figures of the file on show, kept for their rows in the summary table, which a
    // language switch writes anew.
    std::optional<figures::Figures> shownFigures;
    QVector<double> tempSeries;
    QVector<double> humiSeries;
    LoggedDownload download;
    FileChooser chooseFile;
    SaveNameChooser chooseSaveName;
    // Window drag: a left press on the window itself, until the next release.
    bool mousePressed = false;
    QPoint mousePoint;
};
