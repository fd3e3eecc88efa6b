#pragma once

#include "device/wireformat.h"

#include <QByteArray>
#include <QDateTime>
#include <QVector>

namespace sim {

// The records the simulated logger holds and sends in reply to the download command.
// Record i (1-based) is stamped start + i x interval; the start itself belongs to no record.
struct StoredRecords {
    QDateTime start;
    int intervalSeconds = 0; // 0 .. 65535: the block's interval field is 16 bits wide
    QVector<wire::block::RecordCodes> codes;
};

// The block can hold at most this many records: its count field is 16 bits wide.
constexpr int MaxStoredRecords = 0xFFFF;

// What the logger holds before a program ever talked to it: a day of readings every
// 5 minutes, from yesterday 00:00:00.
constexpr int DefaultRecordCount = 288;
constexpr int DefaultIntervalSeconds = 300;
QDateTime defaultStart();

// `count` records of a plausible indoor day: temperature around 23 degC, warmest in the
// afternoon, humidity around 45 %RH moving the other way, with a little seeded noise.
StoredRecords plausibleDay(int count, const QDateTime& start, int intervalSeconds, quint32 seed);

// How the simulated logger spoils a download block on request.
enum class BlockDamage {
    None,
    // The checksum field is one more than the byte sum.
    WrongChecksum,
    // Every byte after 0xAA 0x06 is zero, the record count and the checksum included, as a
    // logger with nothing to give answers: a block of no records that sums to zero.
    AllZero,
};

// The whole reply to the download command: header, records and the 24-bit checksum.
// The start year is clamped to 2000..2255 and the interval to 0..65535, the ranges of
// their fields; records beyond MaxStoredRecords are not sent.
QByteArray downloadBlock(const StoredRecords& records, BlockDamage damage = BlockDamage::None);

} // namespace sim
