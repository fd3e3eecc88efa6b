#include "qrealtimedata.h"

#include "records/downloadarchive.h"
#include "records/readings.h"
#include "reports/auditreport.h"
#include "reports/report.h"
#include "thermo.h"
#include "ui/frameless.h"
#include "ui/screenfit.h"
#include "ui/skin.h"
#include "ui/windowtitle.h"
#include "ui_qrealtimedata.h"

#include <QBuffer>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int CheckPeriodMs = 1000;

// Value axes before anything is shown.
constexpr double TempStartLow = -40;
constexpr double TempStartHigh = 130;
// Value axes of the charts, wide enough for everything the logger can measure.
constexpr double TempAxisLowC = -45;
constexpr double TempAxisHighC = 140;
constexpr double TempAxisLowF = -49;
constexpr double TempAxisHighF = 284;
constexpr double HumiAxisLow = -5;
constexpr double HumiAxisHigh = 110;

// The alarm lines of the charts, and the cells of the records table beyond them.
const QColor HighColor = Qt::red;
const QColor LowColor = Qt::blue;
// A marked cell wears its limit's colour this strong on white, so its text stays readable.
constexpr double MarkStrength = 0.25;

QColor markColor(figures::Beyond mark)
{
    const QColor limit = mark == figures::Beyond::High ? HighColor : LowColor;
    const auto blend = [](int channel) { return qRound(255 + (channel - 255) * MarkStrength); };
    return QColor(blend(limit.red()), blend(limit.green()), blend(limit.blue()));
}

QString analysisTitle()
{
    return windowtitle::of(QRealTimeData::tr("Analysis"));
}

enum RecordColumn { TimeColumn, TemperatureColumn, HumidityColumn, HeatIndexColumn, DewColumn };
constexpr int RecordColumns = 5;

QString runFileDialog(QFileDialog::AcceptMode mode, QWidget* parent, const QString& caption,
                      const QString& start, const QString& filter,
                      QString* selectedFilter = nullptr)
{
    QFileDialog dialog(parent, caption, QFileInfo(start).absolutePath(), filter);
    dialog.setAcceptMode(mode);
    if (mode == QFileDialog::AcceptOpen) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        // Every complete download is kept in the archive: one click away, beside the usual
        // places. The desktop's own dialog would not list it.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        const QString archived = archive::folder();
        if (QDir().mkpath(archived))
            dialog.setSidebarUrls(dialog.sidebarUrls() << QUrl::fromLocalFile(archived));
    }
    dialog.selectFile(QFileInfo(start).fileName());
    // The window's skin would reach the dialog through its parent and leave its labels
    // and lists unreadable; the dialog keeps Qt's own look.
    dialog.setStyleSheet(QStringLiteral("* { border-image: none; }"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    if (selectedFilter)
        *selectedFilter = dialog.selectedNameFilter();
    return dialog.selectedFiles().value(0);
}

QString chooseWithDialog(QWidget* parent, const QString& caption, const QString& start,
                         const QString& filter)
{
    return runFileDialog(QFileDialog::AcceptOpen, parent, caption, start, filter);
}

QString chooseSaveNameWithDialog(QWidget* parent, const QString& caption, const QString& start,
                                 const QString& filter, QString* selectedFilter)
{
    return runFileDialog(QFileDialog::AcceptSave, parent, caption, start, filter, selectedFilter);
}

// Both trend charts as one picture, temperature above humidity, each at the size it is
// shown; drawn by the charts themselves, so nothing that covers the window gets in.
QByteArray chartsPicture(QCustomPlot* temperature, QCustomPlot* humidity)
{
    const QPixmap upper = temperature->toPixmap();
    const QPixmap lower = humidity->toPixmap();
    QImage picture(qMax(upper.width(), lower.width()), upper.height() + lower.height(),
                   QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, upper);
        painter.drawPixmap(0, upper.height(), lower);
    }
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return QByteArray();
    return png;
}

// One cell of the records table, centred. Its text is made from the record only when the
// view asks for it, and only the rows on screen are ever drawn: a load of 65535 records
// formats nothing ahead and keeps one small object a cell instead of a text and a list of
// roles. A text or alignment given later (an edit in the table) is kept as for any item.
// A value beyond an alarm limit wears the colour of that limit's line.
class RecordCell : public QTableWidgetItem
{
public:
    static constexpr int Type = QTableWidgetItem::UserType + 1;

    RecordCell(const SavedRecord& record, int cellColumn, bool inFahrenheit,
               figures::Beyond beyondLimit)
        : QTableWidgetItem(Type), time(cellColumn == TimeColumn ? record.time : QString()),
          value(valueOf(record, cellColumn)), column(cellColumn), fahrenheit(inFahrenheit),
          mark(beyondLimit)
    {}

    QVariant data(int role) const override
    {
        if ((role == Qt::DisplayRole || role == Qt::EditRole) && ownText)
            return text();
        if (role == Qt::TextAlignmentRole && ownAlignment)
            return int(Qt::AlignCenter);
        if (role == Qt::BackgroundRole && mark != figures::Beyond::None)
            return markColor(mark);
        return QTableWidgetItem::data(role);
    }

    void setData(int role, const QVariant& content) override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole)
            ownText = false;
        else if (role == Qt::TextAlignmentRole)
            ownAlignment = false;
        QTableWidgetItem::setData(role, content);
    }

    QTableWidgetItem* clone() const override { return new RecordCell(*this); }

private:
    static float valueOf(const SavedRecord& record, int column)
    {
        switch (column) {
        case TemperatureColumn:
            return record.temperature;
        case HumidityColumn:
            return record.humidity;
        case HeatIndexColumn:
            return record.heatIndex;
        case DewColumn:
            return record.dewTemperature;
        default:
            return 0;
        }
    }

    QString text() const
    {
        // As the record line has it: the time stamp and the space before the value separator.
        if (column == TimeColumn)
            return time + QLatin1Char(' ');
        return datafile::valueText(value, fahrenheit, column != HumidityColumn);
    }

    QString time; // the time column only; shared with the loaded record, not copied
    float value;
    int column;
    bool fahrenheit;
    bool ownText = true;
    bool ownAlignment = true;
    figures::Beyond mark;
};

} // namespace

QRealTimeData::QRealTimeData(QWidget* parent)
    : QWidget(parent), ui(new Ui::QRealTimeData), chooseFile(chooseWithDialog),
      chooseSaveName(chooseSaveNameWithDialog)
{
    ui->setupUi(this);
    setWindowTitle(analysisTitle());

    auto* tempLayout = new QVBoxLayout;
    auto* humiLayout = new QVBoxLayout;
    tempChart = new Thermo(this);
    humiChart = new Thermo(this);
    tempLayout->addWidget(tempChart);
    humiLayout->addWidget(humiChart);
    tempChart->setValueRange(TempStartLow, TempStartHigh);
    humiChart->setValueRange(HumiAxisLow, HumiAxisHigh);
    ui->groupBoxTemp->setLayout(tempLayout);
    ui->groupBoxHumi->setLayout(humiLayout);

    connect(&timeout_check_timer, &QTimer::timeout, this,
            &QRealTimeData::on_timeout_check_timer_timeout);
    connect(&download, &LoggedDownload::progressChanged, this, &QRealTimeData::showProgress);
    connect(&download, &LoggedDownload::finished, this, &QRealTimeData::downloadFinished);

    setWindowFlags(Qt::FramelessWindowHint);
    notice = new NoticeBox(this, ui->widgetTitle);
    notice->keepClear({ui->progressBar, tempChart, humiChart});
    ui->progressBar->setValue(0);
    for (QPushButton* button : {ui->pushButtonOpen, ui->pushButtonDownload, ui->pushButtonBack})
        skin::dimWhenDisabled(button);

    skin::showTableHeaders(ui->tableWidget);
    skin::showTableHeaders(ui->tableWidget_2);
    skin::showReadableToolTips(this);
    ui->tableWidget->setColumnCount(RecordColumns);
    ui->tableWidget->setHorizontalHeaderLabels(recordTitles());
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(TimeColumn,
                                                              QHeaderView::ResizeToContents);
    // Every time stamp has the same shape, so the rows on screen tell the column's width as
    // well as all of them; measuring a thousand rows took most of the time of a small load.
    ui->tableWidget->horizontalHeader()->setResizeContentsPrecision(0);
    ui->tableWidget_2->setColumnCount(1);
    ui->tableWidget_2->setHorizontalHeaderLabels({tr("Report")});
    ui->tableWidget_2->horizontalHeader()->setStretchLastSection(true);
    ui->tableWidget_2->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Rows as tall as their lines, wrapped at the column's width: on a small screen the
    // whole report is in view, and a long line goes on in a second line of its row.
    ui->tableWidget_2->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The figures below the report lines may need scrolling; a scroll bar that came and went
    // would narrow the column after its rows were measured and cut their second lines.
    ui->tableWidget_2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QRealTimeData::~QRealTimeData()
{
    delete notice;
    delete ui;
}

QStringList QRealTimeData::recordTitles()
{
    return {tr("Time"), tr("Temperature"), tr("Humidity"), tr("Heat Index"), tr("Dew Temperature")};
}

void QRealTimeData::setAlarmLimits(const AlarmLimits& limits)
{
    alarms = limits;
}

void QRealTimeData::setFileChooser(FileChooser chooser)
{
    chooseFile = std::move(chooser);
}

void QRealTimeData::setSaveNameChooser(SaveNameChooser chooser)
{
    chooseSaveName = std::move(chooser);
}

void QRealTimeData::retranslate()
{
    ui->retranslateUi(this);
    setWindowTitle(analysisTitle());
    const QStringList titles = recordTitles();
    for (int column = 0; column < titles.size(); ++column)
        ui->tableWidget->horizontalHeaderItem(column)->setData(Qt::DisplayRole, titles.at(column));
    showFigureRows();
}

void QRealTimeData::showWindow(bool downloadModeOn, bool celsius)
{
    downloadMode = downloadModeOn;
    isC = celsius;
    qDebug() << isC;
    screenfit::showOverAvailableArea(this);
    if (!downloadMode) {
        ui->pushButtonDownload->hide();
        ui->pushButtonOpen->show();
        ui->pushButtonOpen->setFocus();
        return;
    }
    ui->pushButtonOpen->hide();
    ui->pushButtonDownload->show();
    // Export and Back wait for the download's end; the keyboard waits in its report.
    ui->tableWidget_2->setFocus();
    fileIsWorkbook = false;
    showProgress(0);
    // A failed download must not leave an earlier download's records or report on show.
    clearRecords();
    clearSummary();
    if (!download.start(isC, alarms)) {
        ui->pushButtonDownload->setEnabled(false);
        ui->pushButtonBack->setEnabled(true);
        showMessage(download.errorString());
        return;
    }
    fileName = download.dataFilePath();
    ui->pushButtonDownload->setEnabled(false);
    ui->pushButtonBack->setEnabled(false);
    timeout_check_timer.start(CheckPeriodMs);
    emit gStartDownload();
}

void QRealTimeData::receive_data(unsigned char* buf, int size)
{
    download.feed(buf, size);
}

void QRealTimeData::linkLost()
{
    download.linkDropped();
}

void QRealTimeData::requestAbandoned()
{
    download.linkDropped();
}

void QRealTimeData::on_timeout_check_timer_timeout()
{
    download.tick();
}

void QRealTimeData::downloadFinished(LoggedDownload::Outcome outcome)
{
    timeout_check_timer.stop();
    switch (outcome) {
    case LoggedDownload::Outcome::Success:
        // A download of no records leaves no file to load, yet its figures say so.
        if (download.recordsReceived() > 0)
            importFile();
        else
            ui->pushButtonBack->setEnabled(true);
        if (!shownFigures)
            shownFigures = figures::of(loaded);
        // Below it, where the archive copy went, or why there is none.
        showMessage(download.outcomeMessage(outcome), successKind(), download.archiveMessage());
        showReport();
        return;
    case LoggedDownload::Outcome::ChecksumError:
    case LoggedDownload::Outcome::NoData:
        showMessage(download.outcomeMessage(outcome));
        break;
    case LoggedDownload::Outcome::FileError:
    case LoggedDownload::Outcome::Missed:
        // The rest of the block, if any is still on its way, is of no use: the link is
        // freed and the live poll resumes.
        emit gTimerWork(true);
        showMessage(download.outcomeMessage(outcome));
        break;
    }
    showProgress(0);
    ui->pushButtonBack->setEnabled(true);
}

NoticeBox::Kind QRealTimeData::successKind() const
{
    // A logger without records, or a download the archive could not keep, is news to read;
    // a routine success goes by itself.
    const bool notArchived =
        download.archived() && download.archived()->kind == archive::Stored::Kind::NotArchived;
    return download.recordsReceived() == 0 || notArchived ? NoticeBox::Kind::Problem
                                                          : NoticeBox::Kind::Confirmation;
}

void QRealTimeData::showReport()
{
    showSummary(download.summaryLines());
}

void QRealTimeData::showSummary(const QStringList& reportLines)
{
    ui->tableWidget_2->setRowCount(summary::LineCount);
    for (int row = 0; row < summary::LineCount; ++row)
        ui->tableWidget_2->setItem(row, 0, new QTableWidgetItem(reportLines.value(row)));
    showFigureRows();
}

void QRealTimeData::showFigureRows()
{
    if (!shownFigures)
        return;
    const QStringList rows = figures::lines(*shownFigures);
    ui->tableWidget_2->setRowCount(summary::LineCount + rows.size());
    for (int i = 0; i < rows.size(); ++i)
        ui->tableWidget_2->setItem(summary::LineCount + i, 0, new QTableWidgetItem(rows.at(i)));
}

void QRealTimeData::clearSummary()
{
    ui->tableWidget_2->setRowCount(0);
    shownFigures.reset();
}

void QRealTimeData::on_pushButtonBack_clicked()
{
    showProgress(0);
    clearRecords();
    ui->pushButtonOpen->setEnabled(true);
    ui->pushButtonDownload->setEnabled(true);
    emit gBack();
    emit gTimerWork(true);
    hide();
}

void QRealTimeData::on_pushButtonDownload_clicked()
{
    // Not the data file's name: run from the home folder, that would be the data file itself.
    const QString withCharts = tr("Report with charts (*.pdf)");
    QString filter;
    const QString target = chooseSaveName(
        this, tr("Save File"), QDir::home().filePath(QStringLiteral("report.txt")),
        tr("File (*.txt);;Excel (*.xlsx *.xls);;PDF (*.pdf);;CSV (*.csv);;Picture (*.png)") +
            QStringLiteral(";;") + withCharts,
        &filter);
    if (target.isEmpty())
        return;
    // The name chooses the form; of the two PDFs, the filter.
    const exports::Outcome outcome = exportReport(target, filter == withCharts);
    if (outcome.saved)
        showMessage(tr("File has saved"), NoticeBox::Kind::Confirmation);
    else
        showMessage(tr("File was not saved: %1").arg(outcome.reason));
}

exports::Outcome QRealTimeData::exportReport(const QString& target, bool withCharts) const
{
    if (withCharts && exports::formOf(target) == exports::Form::Pdf)
        return auditreport::save({&loaded, fileName, QDateTime::currentDateTime()},
                                 {target, download.dataFilePath()});
    exports::ReportSources sources;
    sources.dataFilePath = download.dataFilePath();
    sources.sheet = &download.sheet();
    sources.summaryLines = download.summaryLines();
    sources.records = &loaded;
    sources.drawCharts = [this] { return chartsPicture(tempChart->plot(), humiChart->plot()); };
    return exports::saveReport(sources, target);
}

void QRealTimeData::on_pushButtonOpen_clicked()
{
    ui->pushButtonOpen->setEnabled(false);
    ui->pushButtonBack->setEnabled(false);
    // The report of an earlier file must not stand beside another file's records.
    clearSummary();
    fileName =
        chooseFile(this, tr("Save File"), QDir::current().filePath(QStringLiteral("data.txt")),
                   tr("File (*.txt);;Excel (*.xlsx *.xls)"));
    fileIsWorkbook = savedfile::kindOf(fileName) == savedfile::Kind::Workbook;
    importFile();
}

void QRealTimeData::on_pushButtonMin_clicked()
{
    showMinimized();
}

void QRealTimeData::mousePressEvent(QMouseEvent* event)
{
    frameless::startDrag(this, event, mousePressed, mousePoint);
}

void QRealTimeData::mouseReleaseEvent(QMouseEvent*)
{
    frameless::endDrag(mousePressed);
}

void QRealTimeData::mouseMoveEvent(QMouseEvent* event)
{
    frameless::drag(this, event, mousePressed, mousePoint);
}

void QRealTimeData::importFile()
{
    // A file that does not load must not leave an earlier file's records on show.
    clearRecords();
    const savedfile::Status status = loadDataFile();
    if (status == savedfile::Status::Loaded) {
        ui->pushButtonDownload->setEnabled(true);
        ui->pushButtonOpen->setEnabled(true);
        if (!downloadMode)
            showMessage(tr("Data has Import!"), NoticeBox::Kind::Confirmation);
    } else {
        ui->pushButtonOpen->setEnabled(true);
        showMessage(status == savedfile::Status::TooManyRecords
                        ? tr("%1 was not opened: it holds more than %2 records.")
                              .arg(QDir::toNativeSeparators(fileName))
                              .arg(savedfile::MaxRecords)
                        : tr("Open the wrong file!"));
    }
    ui->pushButtonBack->setEnabled(true);
}

savedfile::Status QRealTimeData::loadDataFile()
{
    savedfile::Result result = savedfile::load(fileName, fileIsWorkbook ? savedfile::Kind::Workbook
                                                                        : savedfile::Kind::Text);
    if (result.status == savedfile::Status::Unreadable ||
        result.status == savedfile::Status::TooManyRecords)
        return result.status;
    loaded = std::move(result.data);
    // A file brings its own unit and alarm limits.
    isC = loaded.header.celsius;
    alarms = loaded.header.alarms;

    // Without an interval the time beyond a limit is unknown: such records get no figures.
    if (result.status == savedfile::Status::Loaded || loaded.records.isEmpty())
        shownFigures = figures::of(loaded);
    showSummary(loaded.reportLines);

    const int count = loaded.records.size();
    ui->tableWidget->setRowCount(count);
    tempSeries.resize(count);
    humiSeries.resize(count);
    const figures::Bounds temperatureBounds = figures::temperatureBounds(alarms, isC);
    const figures::Bounds humidityBounds = figures::humidityBounds(alarms);
    // The view hears of the rows once they are all in, not item by item: up to 327675
    // items would each have it measure and repaint.
    {
        const QSignalBlocker quiet(ui->tableWidget->model());
        for (int i = 0; i < count; ++i) {
            const SavedRecord& record = loaded.records.at(i);
            fillRecordRow(record, i, temperatureBounds, humidityBounds);
            tempSeries[i] = double(record.temperature);
            humiSeries[i] = double(record.humidity);
        }
    }
    // Setting the mode again has the time column measured anew.
    ui->tableWidget->horizontalHeader()->setSectionResizeMode(TimeColumn,
                                                              QHeaderView::ResizeToContents);
    ui->tableWidget->viewport()->update();
    if (result.status == savedfile::Status::Loaded)
        drawCharts();
    return result.status;
}

void QRealTimeData::fillRecordRow(const SavedRecord& record, int row,
                                  const figures::Bounds& temperature,
                                  const figures::Bounds& humidity)
{
    for (int column = 0; column < RecordColumns; ++column) {
        figures::Beyond mark = figures::Beyond::None;
        if (column == TemperatureColumn)
            mark = figures::beyond(record.temperature, temperature);
        else if (column == HumidityColumn)
            mark = figures::beyond(record.humidity, humidity);
        ui->tableWidget->setItem(row, column, new RecordCell(record, column, !isC, mark));
    }
}

void QRealTimeData::drawCharts()
{
    const int interval = loaded.header.intervalSeconds;
    // Each point at its record's own time stamp: the first record is taken one interval
    // after the start the header gives.
    const QDateTime first = loaded.header.start().addSecs(interval);
    // The first view shows the whole series; a single record gets one interval of room.
    const double span = double(qMax(tempSeries.size() - 1, 1)) * interval;

    tempChart->clear();
    humiChart->clear();
    tempChart->setTimeRange(first, span);
    tempChart->addSeries(tr("Temperature"), first, tempSeries, interval, Qt::green);
    if (isC)
        tempChart->setValueAxis(TempAxisLowC, TempAxisHighC, tr("unit: ℃"));
    else
        tempChart->setValueAxis(TempAxisLowF, TempAxisHighF, tr("unit: ℉"));
    // At the limits in the chart's unit, exactly as the report states them.
    tempChart->addLevelLine(tr("High"), double(readings::inUnit(alarms.tempHigh, isC)), HighColor);
    tempChart->addLevelLine(tr("Low"), double(readings::inUnit(alarms.tempLow, isC)), LowColor);

    humiChart->setValueAxis(HumiAxisLow, HumiAxisHigh, tr("unit %"));
    humiChart->setTimeRange(first, span);
    humiChart->addSeries(tr("Humidity"), first, humiSeries, interval, Qt::green);
    humiChart->addLevelLine(tr("High"), alarms.humiHigh, HighColor);
    humiChart->addLevelLine(tr("Low"), alarms.humiLow, LowColor);
}

void QRealTimeData::clearRecords()
{
    tempChart->clear();
    humiChart->clear();
    ui->tableWidget->setRowCount(0);
    ui->tableWidget->clearContents();
    loaded = SavedData();
    tempSeries.clear();
    humiSeries.clear();
}

void QRealTimeData::showProgress(int percent)
{
    // The bar repaints itself at once with every new percent: pieces that come together are
    // shown once, when the window next gets to its events, not a hundred times in a row.
    progressToShow = percent;
    if (progressQueued)
        return;
    progressQueued = true;
    QTimer::singleShot(0, this, [this] {
        progressQueued = false;
        ui->progressBar->setValue(progressToShow);
    });
}

void QRealTimeData::showMessage(const QString& text, NoticeBox::Kind kind,
                                const QString& secondLine)
{
    notice->showNotice(kind, text, secondLine);
}
