#pragma once

#include "blockreceiver.h"
#include "datafile.h"
#include "downloadarchive.h"
#include "loggeddecoder.h"
#include "summarylines.h"
#include "workbook/sheet.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

// One download of the logger's records, from the request to the verdict, without any
// window. It keeps the last complete download (moving it to data.previous.txt when the data
// file holds it), writes the new data file and a fresh sheet as the bytes arrive, rewrites
// the summary at the end, keeps a copy of every complete download in the archive, and
// declares a transfer that stops moving missed. Whoever runs it
// feeds it the pieces the link hands on, tells it when a check period has passed and when
// the link dropped, and hears the progress and the outcome through its signals.
class LoggedDownload : public QObject, private BlockReceiver::Listener
{
    Q_OBJECT

public:
    enum class Outcome {
        Success,
        ChecksumError,
        NoData, // an all-zero block: the logger holds no records
        Missed, // the transfer stopped moving, or the link dropped
        // The data file did not take the records (a full disk, a quota): the download ends at
        // once. Or the block was good, but the data file could not be completed.
        FileError,
    };
    Q_ENUM(Outcome)

    // Check periods in a row without a byte of progress that make a transfer missed, once
    // the first piece of the block has come.
    static constexpr int StallLimit = 2;
    // Before that the link supervision decides: it gives up on a logger that never takes the
    // request (silent, or busy) after about six seconds, and whoever runs the download then
    // calls linkDropped(). Should nobody give up, the download is missed after this many
    // check periods without any piece.
    static constexpr int BlockWaitLimit = 10;

    explicit LoggedDownload(const QString& dataFilePath = QStringLiteral("./data.txt"),
                            QObject* parent = nullptr);
    ~LoggedDownload() override;

    // Keeps a data file that holds a complete download as data.previous.txt (replacing an
    // older one) and opens an empty one; any other data file is replaced, and
    // data.previous.txt kept as it is. False, with errorString(), when this is impossible;
    // nothing is changed then, and nothing should be asked of the logger.
    bool start(bool celsius, const AlarmLimits& alarms);
    // One piece of the logger's reply, as the link hands it on. Ignored unless running.
    void feed(const quint8* data, int size);
    // One check period has passed.
    void tick();
    // The link brings no block any more (it dropped, or the request was given up): a
    // running download ends at once as missed.
    void linkDropped();

    bool isRunning() const { return running; }
    QString errorString() const { return error; }
    // What the operator is told of an outcome, by the analysis window and the command line.
    QString outcomeMessage(Outcome outcome) const;
    QString dataFilePath() const { return dataPath; }
    QString previousFilePath() const;
    // The files a download into `dataFilePath` keeps, which no report may take the place
    // of: the data file and the one kept from the download before.
    static QStringList keptFiles(const QString& dataFilePath);

    quint32 expectedBytes() const { return receiver.expectedBytes(); }
    quint32 receivedBytes() const { return receiver.receivedBytes(); }
    int stallTicks() const { return stalls; }
    // The sheet row the next record goes to; 1 while no header is taken.
    int xlsxRow() const { return row; }
    int progressPercent() const { return receiver.progressPercent(); }

    // The workbook rows of the last download: its head, its records and, after a miss,
    // "data missed" below them. Empty again when the next download starts.
    const Sheet& sheet() const { return workbook; }
    const LoggedHeader& header() const { return head; }
    int recordsReceived() const { return records; }
    // What the report says; the lines are those written into the data file at success.
    SummaryValues summaryValues() const;
    QStringList summaryLines() const { return report; }
    // What became of the archive copy of a successful download; empty before success and
    // for a download of no records, which is nothing to keep. A copy that could not be
    // written leaves the download a success.
    const std::optional<archive::Stored>& archived() const { return stored; }
    // The one line the operator is told of it; empty when there is nothing to tell.
    QString archiveMessage() const;

signals:
    void progressChanged(int percent);
    void finished(LoggedDownload::Outcome outcome);

private:
    void blockHeader(const BlockHeader& block) override;
    void blockRecord(wire::block::RecordCodes codes) override;
    void blockFinished(BlockReceiver::Verdict verdict) override;

    bool keepPreviousFile(bool* kept);
    void conclude(BlockReceiver::Verdict verdict);
    void miss();
    void writeFailed();
    QString writeFailureMessage() const;

    QString dataPath;
    BlockReceiver receiver;
    LoggedDecoder decoder;
    DataFileWriter writer;
    Sheet workbook;
    LoggedHeader head;
    AlarmLimits alarmLimits;
    QStringList report;
    std::optional<archive::Stored> stored;
    QString error;
    bool running = false;
    int records = 0;
    int row = 1;
    int stalls = 0;
    quint32 lastOutstanding = 0;
    bool blockBegun = false; // a piece of the reply has come
    int periodsWithoutBlock = 0;
    // Set by the receiver within feed(), acted on once feed() is back.
    std::optional<BlockReceiver::Verdict> verdict;
};
