#pragma once

#include "device/wireformat.h"
#include "records/blockreceiver.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>

namespace wire::block {
inline bool operator==(RecordCodes a, RecordCodes b)
{
    return a.temperature == b.temperature && a.humidity == b.humidity;
}
} // namespace wire::block

// Builds download blocks as the logger sends them, with a correct checksum unless a
// test spoils it afterwards.
inline QByteArray buildBlock(const QVector<wire::block::RecordCodes>& records,
                             const QDateTime& start = QDateTime(QDate(2024, 3, 9), QTime(22, 30)),
                             int intervalSeconds = 60, int declaredCount = -1)
{
    using namespace wire::block;
    const int count = declaredCount < 0 ? records.size() : declaredCount;
    QByteArray block(length(records.size()), '\0');
    auto* bytes = reinterpret_cast<quint8*>(block.data());
    bytes[0] = wire::StartByte;
    bytes[1] = quint8(wire::Command::Download);
    wire::writeU16(bytes + CountOffset, quint16(count));
    bytes[StartYearOffset + 0] = quint8(start.date().year() - 2000);
    bytes[StartYearOffset + 1] = quint8(start.date().month());
    bytes[StartYearOffset + 2] = quint8(start.date().day());
    bytes[StartYearOffset + 3] = quint8(start.time().hour());
    bytes[StartYearOffset + 4] = quint8(start.time().minute());
    bytes[StartYearOffset + 5] = quint8(start.time().second());
    wire::writeU16(bytes + IntervalOffset, quint16(intervalSeconds));
    for (int i = 0; i < records.size(); ++i) {
        const auto packed = packRecord(records.at(i));
        std::copy(packed.begin(), packed.end(), bytes + HeaderSize + RecordSize * i);
    }
    quint32 sum = 0;
    for (int i = CountOffset; i < block.size() - ChecksumSize; ++i)
        sum += bytes[i];
    writeChecksum(bytes + block.size() - ChecksumSize, sum);
    return block;
}

inline void feed(BlockReceiver& receiver, const QByteArray& chunk)
{
    receiver.feed(reinterpret_cast<const quint8*>(chunk.constData()), chunk.size());
}

// Keeps everything the receiver reports.
struct RecordingListener : BlockReceiver::Listener {
    void blockHeader(const BlockHeader& h) override { headers.append(h); }
    void blockRecord(wire::block::RecordCodes codes) override { records.append(codes); }
    void blockFinished(BlockReceiver::Verdict v) override { verdicts.append(v); }

    QVector<BlockHeader> headers;
    QVector<wire::block::RecordCodes> records;
    QVector<BlockReceiver::Verdict> verdicts;
};
