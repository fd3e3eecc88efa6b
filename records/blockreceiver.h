#pragma once

#include "device/wireformat.h"

#include <QDate>
#include <QTime>
#include <QtGlobal>

// What the first 12 bytes of a download block say.
struct BlockHeader {
    int recordCount = 0;
    // Invalid when the logger's clock bytes do not form a date or a time of day.
    QDate startDate;
    QTime startTime;
    int intervalSeconds = 0;
};

// Reassembles the logger's reply to the download command from the chunks the serial link
// hands on. The block is never kept whole: each 3-byte group is reported as soon as it is
// complete, and only the running byte sum is remembered for the checksum.
class BlockReceiver
{
public:
    enum class Verdict {
        Success,
        ChecksumError,
        NoData, // an all-zero block: the logger holds no records
    };

    // Called from within feed(); keep these cheap, they run once per record.
    class Listener
    {
    public:
        virtual void blockHeader(const BlockHeader& header) = 0;
        virtual void blockRecord(wire::block::RecordCodes codes) = 0;
        virtual void blockFinished(Verdict verdict) = 0;
        virtual ~Listener() = default;
    };

    explicit BlockReceiver(Listener& receiverListener) : listener(receiverListener) {}

    // One chunk as the link hands it on. While the header is awaited, a chunk that does
    // not begin with 0xAA 0x06 and hold the whole 12-byte header is ignored. Bytes after
    // the checksum are ignored, and after a good block every chunk is ignored until reset().
    void feed(const quint8* data, int size);

    // Back to awaiting a header: a new download, or a transfer given up as missed.
    void reset();

    bool awaitingHeader() const { return state == State::AwaitingHeader; }
    bool finished() const { return state == State::Finished; }
    quint32 expectedBytes() const { return expected; }
    quint32 receivedBytes() const { return received; }
    quint32 outstandingBytes() const { return expected - received; }
    // receivedBytes x 100 / expectedBytes, truncated; 0 before the first header.
    int progressPercent() const;

private:
    enum class State { AwaitingHeader, Receiving, Finished };

    void takeHeader(const quint8* data);
    void complete();

    Listener& listener;
    State state = State::AwaitingHeader;
    quint32 expected = 0;
    quint32 received = 0;
    quint8 pendingTriple[wire::block::RecordSize] = {};
    int pendingCount = 0;
    quint32 byteSum = 0;
};
