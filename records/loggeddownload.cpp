#include "loggeddownload.h"

#include "sheetlayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

LoggedDownload::LoggedDownload(const QString& dataFilePath, QObject* parent)
    : QObject(parent), dataPath(dataFilePath), receiver(*this), writer(dataFilePath)
{}

// A program that ends during a download leaves the records that came, marked as missed.
LoggedDownload::~LoggedDownload()
{
    if (!running)
        return;
    writer.writeDataMissed();
    writer.close();
}

QString LoggedDownload::previousFilePath() const
{
    return keptFiles(dataPath).last();
}

QStringList LoggedDownload::keptFiles(const QString& dataFilePath)
{
    const QFileInfo data(dataFilePath);
    return {dataFilePath, data.path() + QLatin1Char('/') + data.completeBaseName() +
                              QLatin1String(".previous.") + data.suffix()};
}

bool LoggedDownload::keepPreviousFile(bool* kept)
{
    *kept = false;
    const QFileInfo info(dataPath);
    if (!info.exists())
        return true;
    // Only a complete download is worth keeping: anything else is the stub of a failed
    // attempt, which the new attempt replaces, leaving the last complete one where it is.
    // What cannot be read as a plain file is kept, to be safe.
    QFile last(dataPath);
    if (info.isFile() && last.open(QIODevice::ReadOnly) && !datafile::isCompleteDownload(last))
        return true;
    last.close();
    const QString previous = previousFilePath();
    QFile older(previous);
    if (older.exists() && !older.remove()) {
        error = tr("The last data file cannot be kept as %1 (%2). The download was not started.")
                    .arg(previous, older.errorString());
        return false;
    }
    if (!last.rename(previous)) {
        error = tr("The last data file cannot be kept as %1 (%2). The download was not started.")
                    .arg(previous, last.errorString());
        return false;
    }
    *kept = true;
    return true;
}

bool LoggedDownload::start(bool celsius, const AlarmLimits& alarms)
{
    writer.close();
    running = false;
    error.clear();
    bool kept = false;
    if (!keepPreviousFile(&kept))
        return false;
    if (!writer.open()) {
        error = tr("%1 cannot be written (%2). The download was not started.")
                    .arg(dataPath, writer.errorString());
        if (kept)
            QFile::rename(previousFilePath(), dataPath);
        return false;
    }

    receiver.reset();
    decoder.setCelsius(celsius);
    alarmLimits = alarms;
    workbook.clear();
    head = LoggedHeader();
    head.celsius = celsius;
    head.alarms = alarms;
    report.clear();
    stored.reset();
    verdict.reset();
    records = 0;
    row = 1;
    stalls = 0;
    lastOutstanding = 0;
    blockBegun = false;
    periodsWithoutBlock = 0;
    running = true;
    return true;
}

void LoggedDownload::feed(const quint8* data, int size)
{
    if (!running || size <= 0)
        return;
    blockBegun = true;
    const quint32 before = receiver.receivedBytes();
    receiver.feed(data, size);
    if (writer.hasFailed()) {
        writeFailed();
        return;
    }
    // Only a transfer that stops counts toward a miss, never one that is slow.
    if (receiver.receivedBytes() != before || verdict)
        stalls = 0;
    emit progressChanged(receiver.progressPercent());
    if (verdict) {
        const BlockReceiver::Verdict v = *verdict;
        verdict.reset();
        conclude(v);
    }
}

void LoggedDownload::tick()
{
    if (!running)
        return;
    if (!blockBegun) {
        if (++periodsWithoutBlock >= BlockWaitLimit)
            miss();
        return;
    }
    // A piece that holds no header leaves nothing outstanding, so a reply that never
    // becomes a block is declared missed like a transfer that stopped.
    const quint32 outstanding = receiver.outstandingBytes();
    if (outstanding == lastOutstanding)
        ++stalls;
    else
        lastOutstanding = outstanding;
    if (stalls >= StallLimit)
        miss();
}

void LoggedDownload::linkDropped()
{
    if (running)
        miss();
}

QString LoggedDownload::outcomeMessage(Outcome outcome) const
{
    switch (outcome) {
    case Outcome::Success:
        // The block was sound, yet success would be a strange word for nothing at all.
        return records > 0
                   ? QCoreApplication::translate("QRealTimeData", "Download Success!")
                   : QCoreApplication::translate("QRealTimeData", "The logger holds no records.");
    case Outcome::ChecksumError:
        return QCoreApplication::translate("QRealTimeData", "Download Failed:[Checksum error]");
    case Outcome::NoData:
        return QCoreApplication::translate("QRealTimeData", "No data!");
    case Outcome::Missed:
        return QCoreApplication::translate("QRealTimeData", "Download Failed:[data missed]");
    case Outcome::FileError:
        break;
    }
    return error;
}

QString LoggedDownload::archiveMessage() const
{
    return stored ? archive::message(*stored) : QString();
}

SummaryValues LoggedDownload::summaryValues() const
{
    SummaryValues values;
    values.statistics = decoder.statistics();
    values.alarms = alarmLimits;
    values.intervalSeconds = decoder.intervalSeconds();
    values.recordCount = head.recordCount;
    values.celsius = decoder.isCelsius();
    return values;
}

void LoggedDownload::blockHeader(const BlockHeader& block)
{
    decoder.takeHeader(block);
    head.recordCount = block.recordCount;
    head.startDate = block.startDate;
    head.startTime = block.startTime;
    head.clockUnknown = !block.startDate.isValid() || !block.startTime.isValid();
    head.intervalSeconds = block.intervalSeconds;
    writer.writeHead(head);
    sheetlayout::writeHead(workbook, head);
    row = sheetlayout::FirstRecordRow;
    lastOutstanding = receiver.expectedBytes();
}

void LoggedDownload::blockRecord(wire::block::RecordCodes codes)
{
    const LoggedRecord record = decoder.decode(codes);
    ++records;
    writer.writeRecord(records, record);
    sheetlayout::writeRecord(workbook, records, record);
    ++row;
}

void LoggedDownload::blockFinished(BlockReceiver::Verdict result)
{
    verdict = result;
}

void LoggedDownload::conclude(BlockReceiver::Verdict result)
{
    running = false;
    Outcome outcome = Outcome::Success;
    switch (result) {
    case BlockReceiver::Verdict::Success:
        decoder.finish();
        report = summary::lines(summaryValues(), summary::Reader::Operator);
        if (!writer.writeSummary(summary::lines(summaryValues(), summary::Reader::DataFile))) {
            outcome = Outcome::FileError;
            error = writer.hasFailed()
                        ? writeFailureMessage()
                        : tr("The records were downloaded, but %1 could not be completed with "
                             "their report.")
                              .arg(dataPath);
        } else if (records > 0) {
            stored = archive::keep(dataPath, archive::folder(), QDateTime::currentDateTime());
        }
        break;
    case BlockReceiver::Verdict::ChecksumError:
        outcome = Outcome::ChecksumError;
        break;
    case BlockReceiver::Verdict::NoData:
        outcome = Outcome::NoData;
        break;
    }
    if (outcome == Outcome::ChecksumError || outcome == Outcome::NoData) {
        writer.close();
        row = 1;
    }
    emit finished(outcome);
}

QString LoggedDownload::writeFailureMessage() const
{
    return QCoreApplication::translate("QRealTimeData",
                                       "Download Failed:[%1 could not be written: %2]")
        .arg(dataPath, writer.errorString());
}

void LoggedDownload::writeFailed()
{
    running = false;
    writer.close();
    receiver.reset();
    stalls = 0;
    row = 1;
    error = writeFailureMessage();
    emit progressChanged(0);
    emit finished(Outcome::FileError);
}

void LoggedDownload::miss()
{
    running = false;
    writer.writeDataMissed();
    writer.close();
    sheetlayout::writeDataMissed(workbook, row);
    receiver.reset();
    stalls = 0;
    row = 1;
    emit progressChanged(0);
    emit finished(Outcome::Missed);
}
