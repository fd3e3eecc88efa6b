#include "simulatedlogger.h"
#include "testsupport.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSerialPort>
#include <QSignalSpy>

#include <csignal>
#include <memory>

using sim::SimulatedLogger;
using wire::block::RecordCodes;

namespace {

QByteArray bytes(const wire::Frame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), wire::FrameSize);
}

const quint8* raw(const QByteArray& data)
{
    return reinterpret_cast<const quint8*>(data.constData());
}

QByteArray shortReply(quint8 code)
{
    QByteArray reply(wire::FrameSize, '\0');
    reply[0] = char(wire::StartByte);
    reply[1] = char(code);
    return reply;
}

sim::StoredRecords recordsOf(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    sim::StoredRecords records;
    records.start = QDateTime(QDate(2024, 3, 5), QTime(22, 30, 0));
    records.intervalSeconds = 3600;
    for (int i = 0; i < count; ++i)
        records.codes.append(
            RecordCodes{quint16(random.bounded(0x1000)), quint16(random.bounded(0x1000))});
    return records;
}

// Checks a whole download block against the records it was built from.
void verifyBlock(const QByteArray& block, const sim::StoredRecords& records)
{
    using namespace wire::block;
    const int count = records.codes.size();
    QCOMPARE(block.size(), length(count));
    const quint8* b = raw(block);
    QCOMPARE(int(b[0]), 0xAA);
    QCOMPARE(int(b[1]), 0x06);
    QCOMPARE(int(wire::readU16(b + CountOffset)), count);
    const QDateTime start(QDate(2000 + b[4], b[5], b[6]), QTime(b[7], b[8], b[9]));
    QCOMPARE(start, records.start);
    QCOMPARE(int(wire::readU16(b + IntervalOffset)), records.intervalSeconds);
    quint32 sum = 0;
    for (int i = CountOffset; i < HeaderSize + RecordSize * count; ++i)
        sum += b[i];
    QCOMPARE(readChecksum(b + HeaderSize + RecordSize * count), sum & ChecksumMask);
    for (int i = 0; i < count; ++i) {
        const RecordCodes codes = unpackRecord(b + HeaderSize + RecordSize * i);
        if (codes.temperature != records.codes[i].temperature ||
            codes.humidity != records.codes[i].humidity)
            QFAIL(qPrintable(QStringLiteral("record %1 differs").arg(i)));
    }
}

// A simulated logger with the program's side of the line opened as a real serial port.
struct Bench {
    SimulatedLogger logger;
    QSerialPort port;
    QByteArray received;

    Bench()
    {
        QObject::connect(&port, &QSerialPort::readyRead, [this] { received += port.readAll(); });
    }
    bool openPort()
    {
        port.setPortName(logger.portName());
        port.setBaudRate(QSerialPort::Baud9600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        return port.open(QIODevice::ReadWrite);
    }
    void write(const QByteArray& data)
    {
        port.write(data);
        port.flush();
    }
    void write(const wire::Frame& frame) { write(bytes(frame)); }
    void fastDelivery(int chunkBytes = 256)
    {
        sim::Settings s = logger.settings();
        s.fast = true;
        s.chunkBytes = chunkBytes;
        logger.setSettings(s);
    }
    QByteArray take(int size)
    {
        const QByteArray head = received.left(size);
        received.remove(0, size);
        return head;
    }
};

// Bounds for waits: generous, since other builds may share the machine.
constexpr int ReplyTimeoutMs = 5000;
constexpr int DownloadTimeoutMs = 60000;

} // namespace

class TestSimulatedLogger : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Bench> bench;

private slots:
    void init()
    {
        bench = std::make_unique<Bench>();
        QVERIFY2(bench->logger.open(), qPrintable(bench->logger.errorString()));
        QVERIFY2(bench->openPort(), qPrintable(bench->port.errorString()));
    }
    void cleanup() { bench.reset(); }

    void acknowledgesCommandsByRepeatingTheCode_data()
    {
        QTest::addColumn<QByteArray>("frame");
        const QDateTime now = QDateTime::currentDateTime();
        wire::RecordingParameters p;
        p.highTempC = 30;
        p.intervalSeconds = 10;
        p.recordNumber = 3;
        QTest::newRow("connect") << bytes(wire::commandFrame(wire::Command::Connect));
        QTest::newRow("set clock") << bytes(wire::setClockFrame(now));
        QTest::newRow("recording parameters") << bytes(wire::recordingParametersFrame(p, now));
        QTest::newRow("stop") << bytes(wire::commandFrame(wire::Command::Stop));
    }
    void acknowledgesCommandsByRepeatingTheCode()
    {
        QFETCH(QByteArray, frame);
        QSignalSpy received(&bench->logger, &SimulatedLogger::frameReceived);
        QSignalSpy sent(&bench->logger, &SimulatedLogger::replySent);
        bench->write(frame);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(bench->received, shortReply(quint8(frame[1])));
        QCOMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toByteArray(), frame);
        QCOMPARE(sent.size(), 1);
    }

    void framesSplitMergedOrAfterNoiseAreAllAnswered()
    {
        const QByteArray connect = bytes(wire::commandFrame(wire::Command::Connect));
        const QByteArray stop = bytes(wire::commandFrame(wire::Command::Stop));
        // Noise in front, including a stray start byte whose "frame" fails its checksum.
        QByteArray stream = QByteArray::fromHex("0013aa55") + connect + stop + connect;
        QRandomGenerator random(7);
        QSignalSpy rejected(&bench->logger, &SimulatedLogger::frameRejected);
        for (int at = 0; at < stream.size();) {
            const int piece = random.bounded(1, 20);
            bench->write(stream.mid(at, piece));
            at += piece;
        }
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 96, ReplyTimeoutMs);
        QCOMPARE(bench->received, shortReply(0x01) + shortReply(0x04) + shortReply(0x01));
        QVERIFY(rejected.size() >= 1);
    }

    void frameWithWrongChecksumGetsNoAnswer()
    {
        QByteArray bad = bytes(wire::commandFrame(wire::Command::Connect));
        bad[31] = 0x01;
        QSignalSpy rejected(&bench->logger, &SimulatedLogger::frameRejected);
        QSignalSpy received(&bench->logger, &SimulatedLogger::frameReceived);
        bench->write(bad);
        QTRY_COMPARE_WITH_TIMEOUT(rejected.size(), 1, ReplyTimeoutMs);
        QCOMPARE(rejected.at(0).at(0).toByteArray(), bad);
        // The next good frame's answer is the first thing on the line.
        bench->write(wire::commandFrame(wire::Command::ReadLive));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(int(quint8(bench->received[1])), 0x05);
        QCOMPARE(received.size(), 1);
    }

    void liveReplyCarriesReadingsLimitsAndRecordCount()
    {
        SimulatedLogger& logger = bench->logger;
        sim::Settings s = logger.settings();
        s.drift = false;
        logger.setSettings(s);
        logger.setLiveCodes(RecordCodes{390, 655});
        sim::Parameters p;
        p.tempHighCode = 1400;
        p.tempLowCode = 395;
        p.humiHighCode = 905;
        p.humiLowCode = 0;
        logger.setParameters(p);
        logger.setStoredRecords(recordsOf(1234, 3));

        for (int poll = 0; poll < 2; ++poll) {
            bench->write(wire::commandFrame(wire::Command::ReadLive));
            QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
            const QByteArray reply = bench->take(32);
            QCOMPARE(int(quint8(reply[1])), 0x05);
            QVERIFY(wire::hasValidChecksum(raw(reply)));
            const wire::LiveValues v = wire::decodeLiveReply(raw(reply));
            QCOMPARE(v.temperatureCode, quint16(390));
            QCOMPARE(v.humidityCode, quint16(655));
            QCOMPARE(v.tempAlarmHigh, 100);
            QCOMPARE(v.tempAlarmLow, 0);
            QCOMPARE(v.humiAlarmHigh, 90);
            QCOMPARE(v.humiAlarmLow, 0);
            QCOMPARE(v.recordCount, 1234);
        }
    }

    void liveReadingsWanderNearRoomValuesAndRepeatUnderASeed()
    {
        // A second logger with the same seed must give the same readings, poll for poll.
        Bench twin;
        QVERIFY(twin.logger.open());
        QVERIFY(twin.openPort());
        bench->fastDelivery();
        twin.fastDelivery();
        bool moved = false;
        RecordCodes previous = bench->logger.liveCodes();
        for (int poll = 0; poll < 40; ++poll) {
            for (Bench* b : {bench.get(), &twin}) {
                b->write(wire::commandFrame(wire::Command::ReadLive));
                QTRY_COMPARE_WITH_TIMEOUT(b->received.size(), 32, ReplyTimeoutMs);
            }
            const wire::LiveValues a = wire::decodeLiveReply(raw(bench->take(32)));
            const wire::LiveValues b = wire::decodeLiveReply(raw(twin.take(32)));
            QCOMPARE(a.temperatureCode, b.temperatureCode);
            QCOMPARE(a.humidityCode, b.humidityCode);
            QVERIFY2(a.temperature > 18 && a.temperature < 28,
                     qPrintable(QString::number(a.temperature)));
            QVERIFY2(a.humidity > 35 && a.humidity < 55, qPrintable(QString::number(a.humidity)));
            moved = moved || a.temperatureCode != previous.temperature;
            previous.temperature = a.temperatureCode;
        }
        QVERIFY(moved);
    }

    void downloadBlockVerifiesAndUnpacksToStoredCodes_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<int>("chunk");
        QTest::newRow("no records") << 0 << false << 16;
        QTest::newRow("one record") << 1 << false << 16;
        QTest::newRow("300 records at line pace") << 300 << false << 64;
        QTest::newRow("20000 records fast, odd pieces") << 20000 << true << 61;
        QTest::newRow("20000 records fast, whole") << 20000 << true << 0;
    }
    void downloadBlockVerifiesAndUnpacksToStoredCodes()
    {
        QFETCH(int, count);
        QFETCH(bool, fast);
        QFETCH(int, chunk);
        sim::Settings s = bench->logger.settings();
        s.fast = fast;
        s.chunkBytes = chunk;
        bench->logger.setSettings(s);
        const sim::StoredRecords records = recordsOf(count, quint32(count));
        bench->logger.setStoredRecords(records);
        QSignalSpy sent(&bench->logger, &SimulatedLogger::replySent);

        bench->write(wire::commandFrame(wire::Command::Download));
        const int expected = wire::block::length(count);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), expected, DownloadTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), 1, ReplyTimeoutMs);
        verifyBlock(bench->received, records);
    }

    void blockChecksumFieldWrapsAt24Bits()
    {
        // 30000 records of all-ones bytes sum to 22 950 000 plus the header: past 2^24.
        sim::StoredRecords records = recordsOf(0, 1);
        records.codes.fill(RecordCodes{0xFFF, 0xFFF}, 30000);
        const QByteArray block = sim::downloadBlock(records);
        quint64 sum = 0;
        for (int i = 2; i < block.size() - 3; ++i)
            sum += quint8(block[i]);
        QVERIFY(sum > 0xFFFFFF);
        QCOMPARE(quint64(wire::block::readChecksum(raw(block) + block.size() - 3)),
                 sum % (1u << 24));
        verifyBlock(block, records);
    }

    void damagedBlocks()
    {
        const sim::StoredRecords records = recordsOf(50, 9);
        const QByteArray good = sim::downloadBlock(records);
        const int checksumAt = good.size() - 3;

        const QByteArray wrong = sim::downloadBlock(records, sim::BlockDamage::WrongChecksum);
        QCOMPARE(wrong.left(checksumAt), good.left(checksumAt));
        QVERIFY(wire::block::readChecksum(raw(wrong) + checksumAt) !=
                wire::block::readChecksum(raw(good) + checksumAt));

        const QByteArray zero = sim::downloadBlock(records, sim::BlockDamage::AllZero);
        QCOMPARE(zero, QByteArray::fromHex("aa06") + QByteArray(wire::block::length(0) - 2, '\0'));
    }

    void damagedBlocksAreSentOnRequest()
    {
        bench->fastDelivery();
        bench->logger.setStoredRecords(recordsOf(20, 4));
        sim::Settings s = bench->logger.settings();
        s.badChecksum = true;
        bench->logger.setSettings(s);
        bench->write(wire::commandFrame(wire::Command::Download));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), wire::block::length(20), ReplyTimeoutMs);
        QCOMPARE(bench->take(wire::block::length(20)),
                 sim::downloadBlock(recordsOf(20, 4), sim::BlockDamage::WrongChecksum));

        s.zeroBlock = true;
        bench->logger.setSettings(s);
        bench->write(wire::commandFrame(wire::Command::Download));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), wire::block::length(0), ReplyTimeoutMs);
        QCOMPARE(bench->received, sim::downloadBlock(recordsOf(20, 4), sim::BlockDamage::AllZero));
    }

    void recordingParametersAreAppliedAndRecordingRunsToTheRecordNumber()
    {
        SimulatedLogger& logger = bench->logger;
        bench->fastDelivery();
        sim::Settings s = logger.settings();
        s.timeScale = 600; // one record every 100 ms
        logger.setSettings(s);
        QSignalSpy recording(&logger, &SimulatedLogger::recordingChanged);

        wire::RecordingParameters p;
        p.highTempC = 35;
        p.lowTempC = -5;
        p.highHumi = 70;
        p.lowHumi = 30;
        p.recordNumber = 5;
        p.intervalSeconds = 60;
        const QByteArray frame =
            bytes(wire::recordingParametersFrame(p, QDateTime::currentDateTime()));
        bench->write(frame);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(bench->take(32), shortReply(0x03));
        const sim::Parameters applied = logger.parameters();
        QCOMPARE(applied.tempHighCode, wire::encodeTemperature(35));
        QCOMPARE(applied.tempLowCode, wire::encodeTemperature(-5));
        QCOMPARE(applied.humiHighCode, wire::encodeHumidity(70));
        QCOMPARE(applied.humiLowCode, wire::encodeHumidity(30));
        QCOMPARE(applied.recordNumber, 5);
        QCOMPARE(applied.intervalSeconds, 60);
        QVERIFY(!applied.manualMode);
        QVERIFY(logger.recordCount() < 5);

        QTRY_COMPARE_WITH_TIMEOUT(recording.size(), 2, ReplyTimeoutMs);
        QCOMPARE(recording.at(0).at(0).toBool(), true);
        QCOMPARE(recording.at(1).at(0).toBool(), false);
        QCOMPARE(logger.recordCount(), 5);

        // The live reply shows the new limits and the count; the download holds the records.
        bench->write(wire::commandFrame(wire::Command::ReadLive));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        const wire::LiveValues v = wire::decodeLiveReply(raw(bench->take(32)));
        QCOMPARE(v.tempAlarmHigh, 35);
        QCOMPARE(v.tempAlarmLow, -5);
        QCOMPARE(v.humiAlarmHigh, 70);
        QCOMPARE(v.humiAlarmLow, 30);
        QCOMPARE(v.recordCount, 5);
        bench->write(wire::commandFrame(wire::Command::Download));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), wire::block::length(5), ReplyTimeoutMs);
        verifyBlock(bench->received, logger.storedRecords());
        QCOMPARE(int(wire::readU16(raw(bench->received) + wire::block::IntervalOffset)), 60);
    }

    void manualModeAndStopLeaveTheLoggerIdle()
    {
        SimulatedLogger& logger = bench->logger;
        bench->fastDelivery();
        sim::Settings s = logger.settings();
        s.timeScale = 1000;
        logger.setSettings(s);
        wire::RecordingParameters p;
        p.recordNumber = 1000;
        p.intervalSeconds = 10;
        p.manualMode = true;
        bench->write(wire::recordingParametersFrame(p, QDateTime::currentDateTime()));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QVERIFY(logger.parameters().manualMode);
        QCOMPARE(logger.recordCount(), 0);
        QVERIFY(!logger.isRecording());

        p.manualMode = false;
        bench->write(wire::recordingParametersFrame(p, QDateTime::currentDateTime()));
        QTRY_VERIFY_WITH_TIMEOUT(logger.recordCount() >= 2, ReplyTimeoutMs);
        bench->write(wire::commandFrame(wire::Command::Stop));
        QTRY_VERIFY_WITH_TIMEOUT(!logger.isRecording(), ReplyTimeoutMs);
        const int stoppedAt = logger.recordCount();
        QVERIFY(stoppedAt < 1000);
        // The replies to both parameter frames and to Stop are in before the poll: on a busy
        // machine the last may still be on its way when the logger has stopped.
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 3 * 32, ReplyTimeoutMs);
        // Still stopped after a live poll's round trip.
        bench->received.clear();
        bench->write(wire::commandFrame(wire::Command::ReadLive));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(logger.recordCount(), stoppedAt);
    }

    void setClockKeepsAnOffsetToTheHostClock()
    {
        const QDateTime ahead = QDateTime::currentDateTime().addSecs(3600);
        bench->write(wire::setClockFrame(ahead));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QVERIFY(qAbs(bench->logger.clockOffsetSeconds() - 3600) <= 2);

        // A clock the logger cannot hold (month 13) is refused, not acknowledged.
        wire::Frame impossible = wire::setClockFrame(ahead);
        impossible[3] = 13;
        wire::writeU16(impossible.data() + wire::ChecksumOffset,
                       wire::frameChecksum(impossible.data()));
        bench->received.clear();
        bench->write(impossible);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(bench->received, shortReply(wire::BusyReply));
        QVERIFY(qAbs(bench->logger.clockOffsetSeconds() - 3600) <= 2);
    }

    void busyCommandIsAcknowledgedAfterKBusyReplies()
    {
        sim::Settings s = bench->logger.settings();
        s.busyCode = 0x03;
        s.busyCount = 2;
        bench->logger.setSettings(s);
        const sim::Parameters before = bench->logger.parameters();
        wire::RecordingParameters p;
        p.highTempC = 50;
        p.intervalSeconds = 5;
        p.recordNumber = 10;
        const QByteArray frame =
            bytes(wire::recordingParametersFrame(p, QDateTime::currentDateTime()));
        for (quint8 expected : {wire::BusyReply, wire::BusyReply, quint8(0x03)}) {
            if (expected == 0x03)
                QCOMPARE(bench->logger.parameters().tempHighCode, before.tempHighCode);
            bench->write(frame);
            QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
            QCOMPARE(bench->take(32), shortReply(expected));
        }
        QCOMPARE(bench->logger.parameters().tempHighCode, wire::encodeTemperature(50));
        QCOMPARE(bench->logger.settings().busyCount, 0);
    }

    void silentCommandGetsNoAnswer()
    {
        sim::Settings s = bench->logger.settings();
        s.silentCode = 0x04;
        bench->logger.setSettings(s);
        QSignalSpy received(&bench->logger, &SimulatedLogger::frameReceived);
        bench->write(wire::commandFrame(wire::Command::Stop));
        bench->write(wire::commandFrame(wire::Command::Connect));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 2, ReplyTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(bench->received, shortReply(0x01));
    }

    void faultsOfShortReplies_data()
    {
        QTest::addColumn<int>("noiseBytes");
        QTest::addColumn<int>("liveStallAfterBytes");
        QTest::addColumn<int>("busyForMs");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("replyCode");
        QTest::addColumn<int>("replyBytes");
        QTest::newRow("noise after every reply") << 24 << -1 << 0 << 0x01 << 0x01 << 32;
        QTest::newRow("live reply that never completes") << 0 << 20 << 0 << 0x05 << 0x05 << 20;
        QTest::newRow("busy reply to every command for a time")
            << 0 << -1 << 400 << 0x03 << int(wire::BusyReply) << 32;
    }
    void faultsOfShortReplies()
    {
        QFETCH(int, noiseBytes);
        QFETCH(int, liveStallAfterBytes);
        QFETCH(int, busyForMs);
        QFETCH(int, command);
        QFETCH(int, replyCode);
        QFETCH(int, replyBytes);
        SimulatedLogger& logger = bench->logger;
        bench->fastDelivery(8);
        sim::Settings s = logger.settings();
        s.drift = false;
        s.noiseBytes = noiseBytes;
        s.stallCode = int(wire::Command::ReadLive);
        s.stallAfterBytes = liveStallAfterBytes;
        s.busyForMs = busyForMs;
        QElapsedTimer sinceSet;
        sinceSet.start();
        logger.setSettings(s);
        const sim::Parameters before = logger.parameters();
        QSignalSpy sent(&logger, &SimulatedLogger::replySent);
        QSignalSpy stalled(&logger, &SimulatedLogger::replyStalled);

        wire::RecordingParameters p;
        p.highTempC = 50;
        p.intervalSeconds = 5;
        p.recordNumber = 10;
        const QByteArray frame =
            command == 0x03 ? bytes(wire::recordingParametersFrame(p, QDateTime::currentDateTime()))
                            : bytes(wire::commandFrame(wire::Command(command)));
        const RecordCodes live = logger.liveCodes();
        const QByteArray fullReply =
            replyCode == 0x05
                ? bytes(wire::liveReplyFrame(live.temperature, live.humidity, before.tempHighCode,
                                             before.tempLowCode, before.humiHighCode,
                                             before.humiLowCode, quint16(logger.recordCount())))
                : shortReply(quint8(replyCode));
        bench->write(frame);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), replyBytes + noiseBytes, ReplyTimeoutMs);
        QCOMPARE(bench->take(replyBytes), fullReply.left(replyBytes));
        QVERIFY(!bench->take(noiseBytes).contains(char(wire::StartByte)));
        const bool whole = replyBytes == wire::FrameSize;
        QTRY_COMPARE_WITH_TIMEOUT(sent.size() + stalled.size(), 1, ReplyTimeoutMs);
        QCOMPARE(sent.size(), whole ? 1 : 0);
        if (!whole)
            QCOMPARE(stalled.at(0), (QVariantList{command, replyBytes}));
        QCOMPARE(logger.parameters().tempHighCode, before.tempHighCode);

        // Then the logger answers whole again: at once, or once the busy time is over.
        for (;;) {
            bench->write(wire::commandFrame(wire::Command::Connect));
            QTRY_VERIFY_WITH_TIMEOUT(bench->received.size() >= 32 + noiseBytes, ReplyTimeoutMs);
            const QByteArray reply = bench->take(32);
            bench->take(noiseBytes);
            if (reply == shortReply(0x01))
                break;
            QCOMPARE(reply, shortReply(wire::BusyReply));
            QVERIFY(sinceSet.elapsed() < ReplyTimeoutMs);
        }
        QVERIFY(sinceSet.elapsed() >= busyForMs);
        QCOMPARE(bench->received, QByteArray());
    }

    void stalledDownloadSendsOnlyItsFirstBytes()
    {
        bench->fastDelivery(32);
        bench->logger.setStoredRecords(recordsOf(100, 5));
        sim::Settings s = bench->logger.settings();
        s.stallAfterBytes = 100;
        bench->logger.setSettings(s);
        QSignalSpy stalled(&bench->logger, &SimulatedLogger::downloadStalled);
        bench->write(wire::commandFrame(wire::Command::Download));
        QTRY_COMPARE_WITH_TIMEOUT(stalled.size(), 1, ReplyTimeoutMs);
        QCOMPARE(stalled.at(0).at(0).toInt(), 100);
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 100, ReplyTimeoutMs);
        QCOMPARE(bench->take(100), sim::downloadBlock(recordsOf(100, 5)).left(100));

        // The logger still answers afterwards, and nothing of the block follows.
        bench->write(wire::commandFrame(wire::Command::Connect));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(bench->received, shortReply(0x01));
    }

    void droppedLinkIsReportedAtThePort()
    {
        bench->fastDelivery(16);
        sim::Settings s = bench->logger.settings();
        s.dropAfterBytes = 50;
        bench->logger.setSettings(s);
        QSignalSpy dropped(&bench->logger, &SimulatedLogger::linkDropped);
        // Stop reading at the first error: a pty without its master reports ReadError on
        // every turn of the event loop, and ResourceError only at the next write.
        QList<QSerialPort::SerialPortError> portErrors;
        QObject::connect(&bench->port, &QSerialPort::errorOccurred, &bench->port,
                         [&](QSerialPort::SerialPortError error) {
                             if (error == QSerialPort::NoError)
                                 return;
                             portErrors << error;
                             bench->port.close();
                         });
        bench->write(wire::commandFrame(wire::Command::Download));
        QTRY_COMPARE_WITH_TIMEOUT(dropped.size(), 1, ReplyTimeoutMs);
        QCOMPARE(dropped.at(0).at(0).toInt(), 50);
        QVERIFY(!bench->logger.isLinkUp());
        QTRY_VERIFY_WITH_TIMEOUT(!bench->port.isOpen(), ReplyTimeoutMs);
        QVERIFY(portErrors.contains(QSerialPort::ReadError) ||
                portErrors.contains(QSerialPort::ResourceError));
        // The bytes sent before the drop reach the program; nothing after them does.
        QCOMPARE(bench->received, sim::downloadBlock(bench->logger.storedRecords()).left(50));
    }

    void closingAndReopeningThePortKeepsTheLink()
    {
        bench->port.close();
        QVERIFY(bench->openPort());
        bench->write(wire::commandFrame(wire::Command::Connect));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), 32, ReplyTimeoutMs);
        QCOMPARE(bench->received, shortReply(0x01));
        QVERIFY(bench->logger.isLinkUp());
    }

    void linePaceMatches9600Baud()
    {
        bench->logger.setStoredRecords(recordsOf(100, 6));
        const int size = wire::block::length(100); // 315 bytes, about 328 ms at 9600 baud
        QElapsedTimer clock;
        clock.start();
        bench->write(wire::commandFrame(wire::Command::Download));
        QTRY_COMPARE_WITH_TIMEOUT(bench->received.size(), size, DownloadTimeoutMs);
        const double expectedMs = size * 10 * 1000.0 / 9600;
        const qint64 tookMs = clock.elapsed();
        QVERIFY2(tookMs >= 0.85 * expectedMs && tookMs <= 10 * expectedMs,
                 qPrintable(QStringLiteral("%1 ms for %2 bytes").arg(tookMs).arg(size)));
    }

    void programPrintsItsPortAndEndsOnSigterm()
    {
        QProcess program;
        program.start(QStringLiteral(SIM_PROGRAM),
                      {QStringLiteral("--fast"), QStringLiteral("--noise"), QStringLiteral("8"),
                       QStringLiteral("--temp-high"), QStringLiteral("25"),
                       QStringLiteral("--temp-low"), QStringLiteral("-5"),
                       QStringLiteral("--humi-high"), QStringLiteral("60"),
                       QStringLiteral("--humi-low"), QStringLiteral("30")});
        QVERIFY(program.waitForStarted(ReplyTimeoutMs));
        const auto stopProgram = qScopeGuard([&program] {
            if (program.state() != QProcess::NotRunning) {
                program.kill();
                program.waitForFinished(ReplyTimeoutMs);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(program.canReadLine(), ReplyTimeoutMs);
        const QString line = QString::fromLocal8Bit(program.readLine()).trimmed();
        QVERIFY2(line.startsWith(QLatin1String("port: /dev/")), qPrintable(line));

        QSerialPort port(line.mid(6));
        QVERIFY(port.open(QIODevice::ReadWrite));
        QByteArray reply;
        QObject::connect(&port, &QSerialPort::readyRead, [&] { reply += port.readAll(); });
        port.write(bytes(wire::commandFrame(wire::Command::Connect)));
        QTRY_COMPARE_WITH_TIMEOUT(reply.size(), 32 + 8, ReplyTimeoutMs);
        QCOMPARE(reply.left(32), shortReply(0x01));
        QByteArray log;
        QTRY_VERIFY_WITH_TIMEOUT((log += program.readAllStandardError()).contains("0x01 connect"),
                                 ReplyTimeoutMs);
        reply.clear();
        port.write(bytes(wire::commandFrame(wire::Command::ReadLive)));
        QTRY_COMPARE_WITH_TIMEOUT(reply.size(), 32 + 8, ReplyTimeoutMs);
        const wire::LiveValues live =
            wire::decodeLiveReply(reinterpret_cast<const quint8*>(reply.constData()));
        QCOMPARE((QVector<int>{live.tempAlarmHigh, live.tempAlarmLow, live.humiAlarmHigh,
                               live.humiAlarmLow}),
                 (QVector<int>{25, -5, 60, 30}));
        port.close();

        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(ReplyTimeoutMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

HYGROLUX_TEST_MAIN_CORE(TestSimulatedLogger)
#include "tst_simulatedlogger.moc"
