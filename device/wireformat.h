#pragma once

#include <QtGlobal>

#include <array>

class QDateTime;

// The byte layout of everything that passes between the program and the logger.
// Commands are 32-byte frames; the logger answers each with a 32-byte frame, except the
// download command, which it answers with one block of 15 + 3 x N bytes.
namespace wire {

constexpr int FrameSize = 32;
constexpr quint8 StartByte = 0xAA;
// Payload bytes 2..29 are summed into the big-endian checksum at 30..31.
constexpr int PayloadBegin = 2;
constexpr int PayloadEnd = 30;
constexpr int ChecksumOffset = 30;

enum class Command : quint8 {
    Connect = 0x01,
    SetClock = 0x02,
    SetRecording = 0x03,
    Stop = 0x04,
    ReadLive = 0x05,
    Download = 0x06,
};
// A 32-byte reply that acknowledges nothing: the logger is busy.
constexpr quint8 BusyReply = 0xFF;

using Frame = std::array<quint8, FrameSize>;

// Temperatures travel as unsigned codes of 0.1 degC offset by 40 degC (0 = -40.0 degC);
// humidity as 0.1 %RH.
constexpr int TemperatureOffset = 400;
constexpr int TenthsPerUnit = 10;

// The record interval field of the recording parameters is 16 bits wide.
constexpr int MaxIntervalSeconds = 0xFFFF;

struct RecordingParameters {
    int highTempC = 0; // whole degrees Celsius
    int lowTempC = 0;
    int highHumi = 0; // whole %RH
    int lowHumi = 0;
    int recordNumber = 0;
    int intervalSeconds = 0; // 1..MaxIntervalSeconds
    bool manualMode = false;
};

// Builds a frame with an all-zero payload (connect, stop, live poll, download).
Frame commandFrame(Command command);
// The clock fields carry the given local time, year as year mod 100.
Frame setClockFrame(const QDateTime& now);
Frame recordingParametersFrame(const RecordingParameters& parameters, const QDateTime& now);

// Sum of bytes 2..29 as an unsigned 16-bit number.
quint16 frameChecksum(const quint8* frame);
bool hasValidChecksum(const quint8* frame);

quint16 encodeTemperature(int wholeDegreesC);
quint16 encodeHumidity(int wholePercent);
double temperatureFromCode(int code);
double humidityFromCode(int code);
// Whole units as the alarm fields carry them: integer division truncating toward zero.
int wholeTemperatureFromCode(int code);
int wholeHumidityFromCode(int code);

quint16 readU16(const quint8* bytes);
void writeU16(quint8* bytes, quint16 value);

// Reply to the live poll (command 0x05).
struct LiveValues {
    quint16 temperatureCode = 0;
    quint16 humidityCode = 0;
    double temperature = 0; // degC
    double humidity = 0;    // %RH
    int tempAlarmHigh = 0;  // whole degC
    int tempAlarmLow = 0;
    int humiAlarmHigh = 0; // whole %RH
    int humiAlarmLow = 0;
    int recordCount = 0;
};
// `frame` holds at least FrameSize bytes; byte 1 is not checked here.
LiveValues decodeLiveReply(const quint8* frame);
// Builds the logger's live reply; the simulated logger uses it.
Frame liveReplyFrame(quint16 temperatureCode, quint16 humidityCode, quint16 tempAlarmHighCode,
                     quint16 tempAlarmLowCode, quint16 humiAlarmHighCode, quint16 humiAlarmLowCode,
                     quint16 recordCount);

// The download block: a 12-byte header (0xAA 0x06, count N, start date-time, interval),
// N records of 3 bytes, and a 24-bit checksum over bytes 2 .. 11 + 3 N.
namespace block {
constexpr int HeaderSize = 12;
constexpr int RecordSize = 3;
constexpr int ChecksumSize = 3;
constexpr int CountOffset = 2;
constexpr int StartYearOffset = 4; // year - 2000, then month, day, hour, minute, second
constexpr int IntervalOffset = 10;
constexpr quint32 ChecksumMask = 0xFFFFFF;

constexpr int length(int recordCount)
{
    return HeaderSize + RecordSize * recordCount + ChecksumSize;
}

// Two 12-bit codes per record: b0 = t bits 7..0, b1 = h bits 7..0,
// b2 = t bits 11..8 in the high nibble and h bits 11..8 in the low nibble.
struct RecordCodes {
    quint16 temperature = 0;
    quint16 humidity = 0;
};
RecordCodes unpackRecord(const quint8* record);
std::array<quint8, RecordSize> packRecord(RecordCodes codes);

// The checksum field holds the byte sum modulo 2^24, big-endian.
quint32 readChecksum(const quint8* field);
void writeChecksum(quint8* field, quint32 byteSum);
} // namespace block

} // namespace wire
