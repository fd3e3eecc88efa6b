#include "wireformat.h"

#include <QDateTime>

namespace wire {

namespace {

void sealFrame(Frame& frame)
{
    writeU16(frame.data() + ChecksumOffset, frameChecksum(frame.data()));
}

Frame emptyFrame(Command command)
{
    Frame frame{};
    frame[0] = StartByte;
    frame[1] = static_cast<quint8>(command);
    return frame;
}

void writeClock(quint8* bytes, const QDateTime& now)
{
    const QDate date = now.date();
    const QTime time = now.time();
    bytes[0] = static_cast<quint8>(date.year() % 100);
    bytes[1] = static_cast<quint8>(date.month());
    bytes[2] = static_cast<quint8>(date.day());
    bytes[3] = static_cast<quint8>(time.hour());
    bytes[4] = static_cast<quint8>(time.minute());
    bytes[5] = static_cast<quint8>(time.second());
}

} // namespace

quint16 readU16(const quint8* bytes)
{
    return static_cast<quint16>((bytes[0] << 8) | bytes[1]);
}

void writeU16(quint8* bytes, quint16 value)
{
    bytes[0] = static_cast<quint8>(value >> 8);
    bytes[1] = static_cast<quint8>(value & 0xFF);
}

quint16 frameChecksum(const quint8* frame)
{
    quint16 sum = 0;
    for (int i = PayloadBegin; i < PayloadEnd; ++i)
        sum = static_cast<quint16>(sum + frame[i]);
    return sum;
}

bool hasValidChecksum(const quint8* frame)
{
    return readU16(frame + ChecksumOffset) == frameChecksum(frame);
}

Frame commandFrame(Command command)
{
    Frame frame = emptyFrame(command);
    sealFrame(frame);
    return frame;
}

Frame setClockFrame(const QDateTime& now)
{
    Frame frame = emptyFrame(Command::SetClock);
    writeClock(frame.data() + 2, now);
    sealFrame(frame);
    return frame;
}

Frame recordingParametersFrame(const RecordingParameters& p, const QDateTime& now)
{
    Frame frame = emptyFrame(Command::SetRecording);
    writeU16(frame.data() + 2, encodeTemperature(p.highTempC));
    writeU16(frame.data() + 4, encodeTemperature(p.lowTempC));
    writeU16(frame.data() + 6, encodeHumidity(p.highHumi));
    writeU16(frame.data() + 8, encodeHumidity(p.lowHumi));
    writeU16(frame.data() + 10, static_cast<quint16>(p.recordNumber));
    writeU16(frame.data() + 12, static_cast<quint16>(p.intervalSeconds));
    writeClock(frame.data() + 14, now);
    frame[20] = p.manualMode ? 2 : 1;
    frame[21] = 0x01; // constant the logger expects
    sealFrame(frame);
    return frame;
}

quint16 encodeTemperature(int wholeDegreesC)
{
    return static_cast<quint16>(wholeDegreesC * TenthsPerUnit + TemperatureOffset);
}

quint16 encodeHumidity(int wholePercent)
{
    return static_cast<quint16>(wholePercent * TenthsPerUnit);
}

double temperatureFromCode(int code)
{
    return (code - TemperatureOffset) / double(TenthsPerUnit);
}

double humidityFromCode(int code)
{
    return code / double(TenthsPerUnit);
}

int wholeTemperatureFromCode(int code)
{
    return (code - TemperatureOffset) / TenthsPerUnit; // C++ division truncates toward zero
}

int wholeHumidityFromCode(int code)
{
    return code / TenthsPerUnit;
}

LiveValues decodeLiveReply(const quint8* frame)
{
    LiveValues v;
    v.temperatureCode = readU16(frame + 2);
    v.tempAlarmHigh = wholeTemperatureFromCode(readU16(frame + 4));
    v.tempAlarmLow = wholeTemperatureFromCode(readU16(frame + 6));
    v.humidityCode = readU16(frame + 8);
    v.humiAlarmHigh = wholeHumidityFromCode(readU16(frame + 10));
    v.humiAlarmLow = wholeHumidityFromCode(readU16(frame + 12));
    v.recordCount = readU16(frame + 14);
    v.temperature = temperatureFromCode(v.temperatureCode);
    v.humidity = humidityFromCode(v.humidityCode);
    return v;
}

Frame liveReplyFrame(quint16 temperatureCode, quint16 humidityCode, quint16 tempAlarmHighCode,
                     quint16 tempAlarmLowCode, quint16 humiAlarmHighCode, quint16 humiAlarmLowCode,
                     quint16 recordCount)
{
    Frame frame = emptyFrame(Command::ReadLive);
    writeU16(frame.data() + 2, temperatureCode);
    writeU16(frame.data() + 4, tempAlarmHighCode);
    writeU16(frame.data() + 6, tempAlarmLowCode);
    writeU16(frame.data() + 8, humidityCode);
    writeU16(frame.data() + 10, humiAlarmHighCode);
    writeU16(frame.data() + 12, humiAlarmLowCode);
    writeU16(frame.data() + 14, recordCount);
    sealFrame(frame);
    return frame;
}

namespace block {

RecordCodes unpackRecord(const quint8* record)
{
    RecordCodes codes;
    codes.temperature = static_cast<quint16>((record[2] >> 4) * 256 + record[0]);
    codes.humidity = static_cast<quint16>((record[2] & 0x0F) * 256 + record[1]);
    return codes;
}

std::array<quint8, RecordSize> packRecord(RecordCodes codes)
{
    return {static_cast<quint8>(codes.temperature & 0xFF),
            static_cast<quint8>(codes.humidity & 0xFF),
            static_cast<quint8>(((codes.temperature >> 8) & 0x0F) << 4 |
                                ((codes.humidity >> 8) & 0x0F))};
}

quint32 readChecksum(const quint8* field)
{
    return quint32(field[0]) << 16 | quint32(field[1]) << 8 | field[2];
}

void writeChecksum(quint8* field, quint32 byteSum)
{
    const quint32 value = byteSum & ChecksumMask;
    field[0] = static_cast<quint8>(value >> 16);
    field[1] = static_cast<quint8>(value >> 8);
    field[2] = static_cast<quint8>(value);
}

} // namespace block

} // namespace wire
