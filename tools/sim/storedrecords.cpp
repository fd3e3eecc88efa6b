#include "storedrecords.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr double Pi = 3.14159265358979323846;

quint16 toCode(double tenths, int maxCode)
{
    return static_cast<quint16>(std::clamp(static_cast<int>(std::lround(tenths)), 0, maxCode));
}

} // namespace

QDateTime defaultStart()
{
    return QDateTime(QDate::currentDate().addDays(-1), QTime(0, 0));
}

StoredRecords plausibleDay(int count, const QDateTime& start, int intervalSeconds, quint32 seed)
{
    QRandomGenerator random(seed);
    StoredRecords records;
    records.start = start;
    records.intervalSeconds = std::clamp(intervalSeconds, 0, int(wire::MaxIntervalSeconds));
    count = std::clamp(count, 0, MaxStoredRecords);
    records.codes.reserve(count);
    const int startSecondOfDay = start.time().msecsSinceStartOfDay() / 1000;
    for (int i = 1; i <= count; ++i) {
        const qint64 secondOfDay = (startSecondOfDay + qint64(i) * records.intervalSeconds) % 86400;
        // Warmest (and driest) at 15:00, coolest at 03:00.
        const double phase = std::sin(2 * Pi * (secondOfDay / 3600.0 - 9) / 24);
        const double celsius = 23 + 4 * phase + (random.generateDouble() - 0.5) * 0.4;
        const double humidity = 45 - 10 * phase + (random.generateDouble() - 0.5) * 1.0;
        wire::block::RecordCodes codes;
        codes.temperature = toCode(celsius * wire::TenthsPerUnit + wire::TemperatureOffset, 0xFFF);
        codes.humidity = toCode(humidity * wire::TenthsPerUnit, 1000);
        records.codes.append(codes);
    }
    return records;
}

QByteArray downloadBlock(const StoredRecords& records, BlockDamage damage)
{
    using namespace wire::block;
    const int count =
        damage == BlockDamage::AllZero ? 0 : std::min(records.codes.size(), MaxStoredRecords);
    QByteArray block(length(count), '\0');
    auto* bytes = reinterpret_cast<quint8*>(block.data());
    bytes[0] = wire::StartByte;
    bytes[1] = static_cast<quint8>(wire::Command::Download);
    if (damage == BlockDamage::AllZero)
        return block;
    wire::writeU16(bytes + CountOffset, static_cast<quint16>(count));

    const QDate date = records.start.date();
    const QTime time = records.start.time();
    quint8* clock = bytes + StartYearOffset;
    clock[0] = static_cast<quint8>(std::clamp(date.year() - 2000, 0, 255));
    clock[1] = static_cast<quint8>(date.month());
    clock[2] = static_cast<quint8>(date.day());
    clock[3] = static_cast<quint8>(time.hour());
    clock[4] = static_cast<quint8>(time.minute());
    clock[5] = static_cast<quint8>(time.second());
    wire::writeU16(bytes + IntervalOffset,
                   static_cast<quint16>(std::clamp(records.intervalSeconds, 0, 0xFFFF)));

    quint8* record = bytes + HeaderSize;
    for (int i = 0; i < count; ++i, record += RecordSize) {
        const auto packed = packRecord(records.codes.at(i));
        std::copy(packed.begin(), packed.end(), record);
    }

    quint32 sum = 0;
    for (const quint8* b = bytes + CountOffset; b < record; ++b)
        sum += *b;
    if (damage == BlockDamage::WrongChecksum)
        sum += 1;
    writeChecksum(record, sum);
    return block;
}

} // namespace sim
