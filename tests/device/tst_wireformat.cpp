#include "device/wireformat.h"
#include "testsupport.h"

#include <QDateTime>

#include <vector>

using Bytes = std::vector<quint8>;
Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(wire::Command)

namespace {

Bytes bytesOf(const wire::Frame& frame)
{
    return Bytes(frame.begin(), frame.end());
}

QDateTime at(int year, int month, int day, int hour, int minute, int second)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

} // namespace

class TestWireFormat : public QObject
{
    Q_OBJECT

private slots:
    void commandWithoutPayloadIsStartCodeAndZeros_data();
    void commandWithoutPayloadIsStartCodeAndZeros();
    void setClockCarriesTheClockAndItsChecksum_data();
    void setClockCarriesTheClockAndItsChecksum();
    void recordingParametersFillEveryOffset_data();
    void recordingParametersFillEveryOffset();
    void checksumSumsOnlyThePayload();
    void temperatureEncodings_data();
    void temperatureEncodings();
    void liveReplyFieldsAtTheirOffsets();
    void liveTemperatureDecodes_data();
    void liveTemperatureDecodes();
    void alarmFieldsTruncateTowardZero_data();
    void alarmFieldsTruncateTowardZero();
    void liveReplyFrameRoundTrips();
    void recordBytesAtKnownCodes_data();
    void recordBytesAtKnownCodes();
    void recordPackingRoundTripsEveryCodePair();
    void blockChecksumFieldKeepsLow24BitsBigEndian_data();
    void blockChecksumFieldKeepsLow24BitsBigEndian();
};

void TestWireFormat::commandWithoutPayloadIsStartCodeAndZeros_data()
{
    QTest::addColumn<wire::Command>("command");
    QTest::addColumn<quint8>("code");
    QTest::newRow("connect") << wire::Command::Connect << quint8(0x01);
    QTest::newRow("stop") << wire::Command::Stop << quint8(0x04);
    QTest::newRow("live poll") << wire::Command::ReadLive << quint8(0x05);
    QTest::newRow("download") << wire::Command::Download << quint8(0x06);
}

void TestWireFormat::commandWithoutPayloadIsStartCodeAndZeros()
{
    QFETCH(wire::Command, command);
    QFETCH(quint8, code);
    Bytes expected(32, 0x00);
    expected[0] = 0xAA;
    expected[1] = code;
    QCOMPARE(bytesOf(wire::commandFrame(command)), expected);
}

void TestWireFormat::setClockCarriesTheClockAndItsChecksum_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<Bytes>("clock");
    QTest::addColumn<Bytes>("checksum");
    QTest::newRow("afternoon") << at(2024, 3, 5, 14, 7, 9)
                               << Bytes{0x18, 0x03, 0x05, 0x0E, 0x07, 0x09} << Bytes{0x00, 0x3E};
    QTest::newRow("last second of a century")
        << at(2099, 12, 31, 23, 59, 59) << Bytes{0x63, 0x0C, 0x1F, 0x17, 0x3B, 0x3B}
        << Bytes{0x01, 0x1B};
    QTest::newRow("year 2100 sends 00")
        << at(2100, 1, 1, 0, 0, 0) << Bytes{0x00, 0x01, 0x01, 0x00, 0x00, 0x00}
        << Bytes{0x00, 0x02};
}

void TestWireFormat::setClockCarriesTheClockAndItsChecksum()
{
    QFETCH(QDateTime, now);
    QFETCH(Bytes, clock);
    QFETCH(Bytes, checksum);
    Bytes expected(32, 0x00);
    expected[0] = 0xAA;
    expected[1] = 0x02;
    std::copy(clock.begin(), clock.end(), expected.begin() + 2);
    std::copy(checksum.begin(), checksum.end(), expected.begin() + 30);
    QCOMPARE(bytesOf(wire::setClockFrame(now)), expected);
}

void TestWireFormat::recordingParametersFillEveryOffset_data()
{
    QTest::addColumn<int>("highTemp");
    QTest::addColumn<int>("lowTemp");
    QTest::addColumn<int>("highHumi");
    QTest::addColumn<int>("lowHumi");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<Bytes>("payload"); // bytes 2..31

    const Bytes reserved(8, 0x00);
    Bytes typical{0x02, 0xBC, 0x01, 0x2C, 0x03, 0x20, 0x00, 0xC8, 0x03, 0xE8,
                  0x02, 0x58, 0x18, 0x03, 0x05, 0x0E, 0x07, 0x09, 0x01, 0x01};
    typical.insert(typical.end(), reserved.begin(), reserved.end());
    typical.insert(typical.end(), {0x03, 0x5B});
    QTest::newRow("auto mode") << 30 << -10 << 80 << 20 << 1000 << 600 << false
                               << at(2024, 3, 5, 14, 7, 9) << typical;

    Bytes extremes{0x05, 0x78, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0xFF, 0xFF,
                   0xFF, 0xFF, 0x63, 0x0C, 0x1F, 0x17, 0x3B, 0x3B, 0x02, 0x01};
    extremes.insert(extremes.end(), reserved.begin(), reserved.end());
    extremes.insert(extremes.end(), {0x06, 0x82});
    QTest::newRow("manual mode, limits at the ends")
        << 100 << -40 << 100 << 0 << 65535 << 65535 << true << at(2099, 12, 31, 23, 59, 59)
        << extremes;
}

void TestWireFormat::recordingParametersFillEveryOffset()
{
    QFETCH(int, highTemp);
    QFETCH(int, lowTemp);
    QFETCH(int, highHumi);
    QFETCH(int, lowHumi);
    QFETCH(int, records);
    QFETCH(int, interval);
    QFETCH(bool, manual);
    QFETCH(QDateTime, now);
    QFETCH(Bytes, payload);

    wire::RecordingParameters parameters;
    parameters.highTempC = highTemp;
    parameters.lowTempC = lowTemp;
    parameters.highHumi = highHumi;
    parameters.lowHumi = lowHumi;
    parameters.recordNumber = records;
    parameters.intervalSeconds = interval;
    parameters.manualMode = manual;

    Bytes expected{0xAA, 0x03};
    expected.insert(expected.end(), payload.begin(), payload.end());
    QCOMPARE(bytesOf(wire::recordingParametersFrame(parameters, now)), expected);
}

// The start byte, the code and the checksum field itself must stay out of the sum.
void TestWireFormat::checksumSumsOnlyThePayload()
{
    wire::Frame frame{};
    frame.fill(0xFF);
    QCOMPARE(wire::frameChecksum(frame.data()), quint16(28 * 0xFF));
    frame[0] = frame[1] = frame[30] = frame[31] = 0x00;
    QCOMPARE(wire::frameChecksum(frame.data()), quint16(28 * 0xFF));
    QVERIFY(!wire::hasValidChecksum(frame.data()));
    wire::writeU16(frame.data() + 30, 28 * 0xFF);
    QCOMPARE(frame[30], quint8(0x1B));
    QCOMPARE(frame[31], quint8(0xE4));
    QVERIFY(wire::hasValidChecksum(frame.data()));
}

void TestWireFormat::temperatureEncodings_data()
{
    QTest::addColumn<int>("celsius");
    QTest::addColumn<quint16>("code");
    QTest::newRow("-40 is code 0") << -40 << quint16(0x0000);
    QTest::newRow("0") << 0 << quint16(400);
    QTest::newRow("-1") << -1 << quint16(390);
    QTest::newRow("100") << 100 << quint16(0x0578);
}

void TestWireFormat::temperatureEncodings()
{
    QFETCH(int, celsius);
    QFETCH(quint16, code);
    QCOMPARE(wire::encodeTemperature(celsius), code);
    QCOMPARE(wire::wholeTemperatureFromCode(code), celsius);
}

// Hand-made bytes, so that a builder and a decoder sharing a swapped offset cannot agree.
void TestWireFormat::liveReplyFieldsAtTheirOffsets()
{
    const quint8 frame[32] = {0xAA, 0x05, 0x01, 0x86, 0x04, 0x4C, 0x01, 0x2C, 0x02, 0x1C, 0x03,
                              0x84, 0x00, 0xC8, 0x12, 0x34, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                              0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const wire::LiveValues live = wire::decodeLiveReply(frame);
    QCOMPARE(live.temperatureCode, quint16(390));
    QCOMPARE(live.temperature, -1.0);
    QCOMPARE(live.tempAlarmHigh, 70);
    QCOMPARE(live.tempAlarmLow, -10);
    QCOMPARE(live.humidityCode, quint16(540));
    QCOMPARE(live.humidity, 54.0);
    QCOMPARE(live.humiAlarmHigh, 90);
    QCOMPARE(live.humiAlarmLow, 20);
    QCOMPARE(live.recordCount, 0x1234);
}

void TestWireFormat::liveTemperatureDecodes_data()
{
    QTest::addColumn<quint8>("high");
    QTest::addColumn<quint8>("low");
    QTest::addColumn<double>("celsius");
    QTest::newRow("390 is -1.0") << quint8(0x01) << quint8(0x86) << -1.0;
    QTest::newRow("0 is -40.0") << quint8(0x00) << quint8(0x00) << -40.0;
    QTest::newRow("395 is -0.5") << quint8(0x01) << quint8(0x8B) << -0.5;
    QTest::newRow("1400 is 100.0") << quint8(0x05) << quint8(0x78) << 100.0;
}

void TestWireFormat::liveTemperatureDecodes()
{
    QFETCH(quint8, high);
    QFETCH(quint8, low);
    QFETCH(double, celsius);
    quint8 frame[32] = {0xAA, 0x05, high, low};
    QCOMPARE(wire::decodeLiveReply(frame).temperature, celsius);
}

void TestWireFormat::alarmFieldsTruncateTowardZero_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("celsius");
    QTest::newRow("395 is 0, not -1") << 395 << 0;
    QTest::newRow("391 is 0") << 391 << 0;
    QTest::newRow("389 is -1") << 389 << -1;
    QTest::newRow("409 is 0") << 409 << 0;
    QTest::newRow("0 is -40") << 0 << -40;
}

void TestWireFormat::alarmFieldsTruncateTowardZero()
{
    QFETCH(int, code);
    QFETCH(int, celsius);
    quint8 frame[32] = {0xAA, 0x05};
    wire::writeU16(frame + 4, quint16(code));
    wire::writeU16(frame + 6, quint16(code));
    const wire::LiveValues live = wire::decodeLiveReply(frame);
    QCOMPARE(live.tempAlarmHigh, celsius);
    QCOMPARE(live.tempAlarmLow, celsius);
}

// The simulated logger answers with liveReplyFrame; the program must read back what it sent.
void TestWireFormat::liveReplyFrameRoundTrips()
{
    const wire::Frame frame = wire::liveReplyFrame(655, 457, 900, 150, 850, 205, 4321);
    QCOMPARE(frame[0], quint8(0xAA));
    QCOMPARE(frame[1], quint8(0x05));
    QVERIFY(wire::hasValidChecksum(frame.data()));
    const wire::LiveValues live = wire::decodeLiveReply(frame.data());
    QCOMPARE(live.temperatureCode, quint16(655));
    QCOMPARE(live.humidityCode, quint16(457));
    QCOMPARE(live.tempAlarmHigh, 50);
    QCOMPARE(live.tempAlarmLow, -25);
    QCOMPARE(live.humiAlarmHigh, 85);
    QCOMPARE(live.humiAlarmLow, 20);
    QCOMPARE(live.recordCount, 4321);
}

void TestWireFormat::recordBytesAtKnownCodes_data()
{
    QTest::addColumn<Bytes>("bytes");
    QTest::addColumn<quint16>("temperature");
    QTest::addColumn<quint16>("humidity");
    QTest::newRow("00 00 00") << Bytes{0x00, 0x00, 0x00} << quint16(0) << quint16(0);
    QTest::newRow("90 01 41") << Bytes{0x90, 0x01, 0x41} << quint16(1168) << quint16(257);
    QTest::newRow("nibbles not swapped") << Bytes{0x00, 0x00, 0xF0} << quint16(0xF00) << quint16(0);
    QTest::newRow("all ones") << Bytes{0xFF, 0xFF, 0xFF} << quint16(4095) << quint16(4095);
}

void TestWireFormat::recordBytesAtKnownCodes()
{
    QFETCH(Bytes, bytes);
    QFETCH(quint16, temperature);
    QFETCH(quint16, humidity);
    const wire::block::RecordCodes codes = wire::block::unpackRecord(bytes.data());
    QCOMPARE(codes.temperature, temperature);
    QCOMPARE(codes.humidity, humidity);
    const auto packed = wire::block::packRecord({temperature, humidity});
    QCOMPARE(Bytes(packed.begin(), packed.end()), bytes);
}

void TestWireFormat::recordPackingRoundTripsEveryCodePair()
{
    int mismatches = 0;
    for (int t = 0; t < 4096; ++t) {
        for (int h = 0; h < 4096; ++h) {
            const auto packed = wire::block::packRecord({quint16(t), quint16(h)});
            const wire::block::RecordCodes back = wire::block::unpackRecord(packed.data());
            if (back.temperature != t || back.humidity != h)
                ++mismatches;
        }
    }
    QCOMPARE(mismatches, 0);
}

void TestWireFormat::blockChecksumFieldKeepsLow24BitsBigEndian_data()
{
    QTest::addColumn<quint32>("byteSum");
    QTest::addColumn<Bytes>("field");
    QTest::newRow("zero") << quint32(0) << Bytes{0x00, 0x00, 0x00};
    QTest::newRow("three bytes") << quint32(0x012345) << Bytes{0x01, 0x23, 0x45};
    QTest::newRow("wider than 24 bits") << quint32(0x89ABCDEF) << Bytes{0xAB, 0xCD, 0xEF};
}

void TestWireFormat::blockChecksumFieldKeepsLow24BitsBigEndian()
{
    QFETCH(quint32, byteSum);
    QFETCH(Bytes, field);
    quint8 written[3] = {0x55, 0x55, 0x55};
    wire::block::writeChecksum(written, byteSum);
    QCOMPARE(Bytes(written, written + 3), field);
    QCOMPARE(wire::block::readChecksum(field.data()), byteSum & 0xFFFFFF);
}

HYGROLUX_TEST_MAIN_CORE(TestWireFormat)
#include "tst_wireformat.moc"
