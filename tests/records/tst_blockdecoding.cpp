#include "blockbuilder.h"
#include "records/loggeddecoder.h"
#include "testsupport.h"

#include <QRandomGenerator>

#include <cmath>

using wire::block::RecordCodes;
using Verdict = BlockReceiver::Verdict;
Q_DECLARE_METATYPE(BlockReceiver::Verdict)

class TestBlockDecoding : public QObject
{
    Q_OBJECT

private slots:
    void fullBlockOfHighCodesPassesTheChecksum();
    void verdicts_data();
    void verdicts();
    void randomSplitsGiveTheSameRecordsAndVerdict();
    void chunksOutsideABlockAreIgnored();
    void progressFollowsTheCompletedGroups();

    void recordCodes_data();
    void recordCodes();
    void stampsWrapAtMidnight();
    void zeroIntervalStampsEveryRecordWithTheHeaderTime();
    void impossibleClockStampsWithTheUnknownTime();
    void heatIndexRegressionStartsAt26point7();
    void zeroHumidityGivesNoDewPointButStillCounts();
    void tiesKeepTheEarlierRecord();
    void fahrenheitExtremesAreFahrenheit();
    void newHeaderStartsTheStatisticsOver();
};

// The field holds the sum modulo 2^24; 65535 records of 0xFF bytes sum to about 50 million.
void TestBlockDecoding::fullBlockOfHighCodesPassesTheChecksum()
{
    const QVector<RecordCodes> records(65535, RecordCodes{4095, 4095});
    RecordingListener listener;
    BlockReceiver receiver(listener);
    feed(receiver, buildBlock(records));

    QCOMPARE(listener.records.size(), 65535);
    QCOMPARE(listener.verdicts, QVector<Verdict>{Verdict::Success});
    QVERIFY(receiver.finished());
}

void TestBlockDecoding::verdicts_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("records");
    QTest::addColumn<Verdict>("verdict");

    const QVector<RecordCodes> three{{650, 500}, {700, 600}, {0, 0}};
    QTest::newRow("good") << buildBlock(three) << 3 << Verdict::Success;
    QByteArray corrupted = buildBlock(three);
    corrupted[corrupted.size() - 1] = char(corrupted.at(corrupted.size() - 1) ^ 0x01);
    QTest::newRow("corrupted checksum") << corrupted << 3 << Verdict::ChecksumError;
    QByteArray corruptedRecord = buildBlock(three);
    corruptedRecord[13] = char(corruptedRecord.at(13) + 1);
    QTest::newRow("corrupted record") << corruptedRecord << 3 << Verdict::ChecksumError;
    QTest::newRow("no records") << buildBlock({}) << 0 << Verdict::Success;

    QByteArray allZero(wire::block::length(2), '\0');
    allZero[0] = char(0xAA);
    allZero[1] = char(0x06);
    QTest::newRow("all zero") << allZero << 0 << Verdict::NoData;
}

// The whole block in one chunk ends the download in that call; its last three bytes are
// the checksum, never a record.
void TestBlockDecoding::verdicts()
{
    QFETCH(QByteArray, block);
    QFETCH(int, records);
    QFETCH(Verdict, verdict);

    RecordingListener listener;
    BlockReceiver receiver(listener);
    feed(receiver, block);
    QCOMPARE(listener.records.size(), records);
    QCOMPARE(listener.verdicts, QVector<Verdict>{verdict});
    // A failed block leaves the receiver waiting for the next header.
    QCOMPARE(receiver.awaitingHeader(), verdict != Verdict::Success);
}

void TestBlockDecoding::randomSplitsGiveTheSameRecordsAndVerdict()
{
    QRandomGenerator random(20240309);
    for (int round = 0; round < 200; ++round) {
        QVector<RecordCodes> records(int(random.bounded(40)));
        for (RecordCodes& r : records)
            r = {quint16(random.bounded(4096)), quint16(random.bounded(4096))};
        QByteArray block = buildBlock(records);
        const bool spoil = random.bounded(4) == 0;
        if (spoil) {
            // Anything but the count, which would change the block's length.
            const int at = 4 + int(random.bounded(block.size() - 4));
            block[at] = char(block.at(at) ^ 0x10);
        }
        RecordingListener whole;
        BlockReceiver wholeReceiver(whole);
        feed(wholeReceiver, block);

        RecordingListener split;
        BlockReceiver splitReceiver(split);
        // The first chunk holds at least the header; the rest is cut anywhere.
        int at = wire::block::HeaderSize + int(random.bounded(block.size() - 11));
        feed(splitReceiver, block.left(at));
        while (at < block.size()) {
            const int size = 1 + int(random.bounded(7));
            feed(splitReceiver, block.mid(at, size));
            at += size;
        }
        QCOMPARE(split.records, whole.records);
        QCOMPARE(split.verdicts, whole.verdicts);
        QCOMPARE(split.verdicts.size(), 1);
        if (!spoil)
            QCOMPARE(split.records, records);
    }
}

void TestBlockDecoding::chunksOutsideABlockAreIgnored()
{
    const QByteArray block = buildBlock({{650, 500}, {700, 600}});
    RecordingListener listener;
    BlockReceiver receiver(listener);

    feed(receiver, QByteArray::fromHex("aa05000102030405060708090a0b0c0d0e"));
    feed(receiver, block.left(11)); // too short to hold the header
    QVERIFY(receiver.awaitingHeader());
    QVERIFY(listener.headers.isEmpty());

    // Inside a block, bytes that look like a header are data.
    feed(receiver, block.left(12));
    feed(receiver, QByteArray::fromHex("aa0601"));
    QCOMPARE(listener.headers.size(), 1);
    QCOMPARE(listener.records.size(), 1);
    QCOMPARE(listener.records.first().temperature, quint16(0xAA));

    // Bytes after the checksum, and chunks after a good block, change nothing.
    RecordingListener good;
    BlockReceiver goodReceiver(good);
    feed(goodReceiver, block + QByteArray::fromHex("aa0600"));
    feed(goodReceiver, block);
    QCOMPARE(good.records.size(), 2);
    QCOMPARE(good.verdicts, QVector<Verdict>{Verdict::Success});
    goodReceiver.reset();
    feed(goodReceiver, block);
    QCOMPARE(good.verdicts.size(), 2);
}

void TestBlockDecoding::progressFollowsTheCompletedGroups()
{
    const QByteArray block = buildBlock(QVector<RecordCodes>(100, RecordCodes{650, 500}));
    QCOMPARE(block.size(), 315);
    RecordingListener listener;
    BlockReceiver receiver(listener);
    QCOMPARE(receiver.progressPercent(), 0);
    feed(receiver, block.left(43)); // header, 10 records and one byte of the 11th
    QCOMPARE(receiver.receivedBytes(), 42u);
    QCOMPARE(receiver.progressPercent(), 13);
    QCOMPARE(receiver.outstandingBytes(), 273u);
    feed(receiver, block.mid(43, 271));
    QCOMPARE(receiver.progressPercent(), 99);
    feed(receiver, block.right(1));
    QCOMPARE(receiver.progressPercent(), 100);
}

void TestBlockDecoding::recordCodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<float>("temperature");
    QTest::addColumn<float>("humidity");

    QTest::newRow("lowest") << QByteArray::fromHex("000000") << -40.0f << 0.0f;
    QTest::newRow("packed nibbles") << QByteArray::fromHex("900141") << 76.8f << 25.7f;
    QTest::newRow("highest") << QByteArray::fromHex("ffffff") << 369.5f << 409.5f;
}

void TestBlockDecoding::recordCodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(float, temperature);
    QFETCH(float, humidity);

    LoggedDecoder decoder;
    decoder.takeHeader({});
    const LoggedRecord record = decoder.decode(
        wire::block::unpackRecord(reinterpret_cast<const quint8*>(bytes.constData())));
    QCOMPARE(record.temperature, temperature);
    QCOMPARE(record.humidity, humidity);
}

void TestBlockDecoding::stampsWrapAtMidnight()
{
    LoggedDecoder decoder;
    decoder.takeHeader({3, QDate(2024, 12, 31), QTime(22, 30), 3600});
    QStringList stamps;
    for (int i = 0; i < 3; ++i)
        stamps << decoder.decode({650, 500}).timeText;
    QCOMPARE(stamps,
             (QStringList{"12-31-2024 23:30:00", "01-01-2025 00:30:00", "01-01-2025 01:30:00"}));
    decoder.finish();
    QCOMPARE(decoder.statistics().startTime, QStringLiteral("12-31-2024 23:30:00"));
    QCOMPARE(decoder.statistics().endTime, QStringLiteral("01-01-2025 01:30:00"));

    // The longest interval the logger knows still passes midnight only once per record.
    decoder.takeHeader({2, QDate(2024, 2, 28), QTime(23, 59, 59), 65535});
    QCOMPARE(decoder.decode({650, 500}).timeText, QStringLiteral("02-29-2024 18:12:14"));
    QCOMPARE(decoder.decode({650, 500}).timeText, QStringLiteral("03-01-2024 12:24:29"));
}

void TestBlockDecoding::zeroIntervalStampsEveryRecordWithTheHeaderTime()
{
    LoggedDecoder decoder;
    decoder.takeHeader({2, QDate(2016, 12, 2), QTime(15, 26, 5), 0});
    QCOMPARE(decoder.decode({650, 500}).timeText, QStringLiteral("12-02-2016 15:26:05"));
    QCOMPARE(decoder.decode({650, 500}).timeText, QStringLiteral("12-02-2016 15:26:05"));
}

void TestBlockDecoding::impossibleClockStampsWithTheUnknownTime()
{
    LoggedDecoder decoder;
    decoder.takeHeader({2, QDate(2024, 0, 5), QTime(12, 0), 60});
    const LoggedRecord record = decoder.decode({650, 500});
    QCOMPARE(record.timeText, QStringLiteral("00-00-0000 00:00:00"));
    QCOMPARE(record.temperatureText, QStringLiteral("25.0"));
    decoder.finish();
    // Every time the report and the workbook show reads the same, never empty.
    const LoggedStatistics& s = decoder.statistics();
    for (const QString& time : {s.startTime, s.endTime, s.tempMinTime, s.humiMaxTime})
        QCOMPARE(time, QStringLiteral("00-00-0000 00:00:00"));
}

void TestBlockDecoding::heatIndexRegressionStartsAt26point7()
{
    LoggedDecoder decoder;
    decoder.takeHeader({});
    QCOMPARE(decoder.decode({666, 600}).heatIndexText, QStringLiteral("26.6"));
    const LoggedRecord warm = decoder.decode({667, 600});
    QVERIFY(warm.heatIndex != warm.temperature);
    const LoggedRecord hot = decoder.decode({700, 600});
    QCOMPARE(hot.heatIndexText, QStringLiteral("32.8"));
    QCOMPARE(hot.dewTemperatureText, QStringLiteral("21.4"));
}

void TestBlockDecoding::zeroHumidityGivesNoDewPointButStillCounts()
{
    LoggedDecoder decoder;
    decoder.takeHeader({1, QDate(2024, 1, 1), QTime(0, 0), 10});
    const LoggedRecord record = decoder.decode({650, 0});
    QVERIFY(std::isnan(record.dewTemperature));
    QCOMPARE(decoder.statistics().humiMin, 0.0f);
    QCOMPARE(decoder.statistics().humiMinTime, QStringLiteral("01-01-2024 00:00:10"));
}

void TestBlockDecoding::tiesKeepTheEarlierRecord()
{
    LoggedDecoder decoder;
    decoder.takeHeader({4, QDate(2024, 1, 1), QTime(0, 0), 1});
    decoder.decode({600, 300});
    decoder.decode({500, 700}); // both lowest temperature and highest humidity
    decoder.decode({700, 300});
    decoder.decode({500, 700});
    const LoggedStatistics& s = decoder.statistics();
    QCOMPARE(s.tempMin, 10.0f);
    QCOMPARE(s.tempMinTime, QStringLiteral("01-01-2024 00:00:02"));
    QCOMPARE(s.tempMaxTime, QStringLiteral("01-01-2024 00:00:03"));
    QCOMPARE(s.humiMax, 70.0f);
    QCOMPARE(s.humiMaxTime, QStringLiteral("01-01-2024 00:00:02"));
    QCOMPARE(s.humiMinTime, QStringLiteral("01-01-2024 00:00:01"));
}

void TestBlockDecoding::fahrenheitExtremesAreFahrenheit()
{
    LoggedDecoder decoder(false);
    decoder.takeHeader({});
    const LoggedRecord warmest = decoder.decode({650, 500});
    decoder.decode({600, 500});
    QCOMPARE(warmest.temperatureText, QStringLiteral("77.0"));
    QCOMPARE(warmest.humidityText, QStringLiteral("50.0"));
    QCOMPARE(warmest.dewTemperatureText, QStringLiteral("56.9")); // 13.86 degC
    QCOMPARE(decoder.statistics().tempMax, 77.0f);
    QCOMPARE(decoder.statistics().tempMin, 68.0f);
    QCOMPARE(decoder.statistics().humiMax, 50.0f);
}

void TestBlockDecoding::newHeaderStartsTheStatisticsOver()
{
    LoggedDecoder decoder;
    decoder.takeHeader({1, QDate(2024, 1, 1), QTime(0, 0), 1});
    decoder.decode({1000, 900});
    decoder.takeHeader({1, QDate(2024, 1, 2), QTime(0, 0), 1});
    decoder.decode({600, 300});
    const LoggedStatistics& s = decoder.statistics();
    QCOMPARE(s.tempMax, 20.0f);
    QCOMPARE(s.humiMax, 30.0f);
    QCOMPARE(s.startTime, QStringLiteral("01-02-2024 00:00:01"));
}

HYGROLUX_TEST_MAIN_CORE(TestBlockDecoding)
#include "tst_blockdecoding.moc"
