#include "device/frameassembler.h"
#include "device/wireformat.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QVector>

Q_DECLARE_METATYPE(QVector<int>)

namespace {

QByteArray shortReply(quint8 code, quint8 fill = 0x11)
{
    QByteArray reply(wire::FrameSize, char(fill));
    reply[0] = char(0xAA);
    reply[1] = char(code);
    return reply;
}

// A download reply of `records` records with a correct block checksum.
QByteArray downloadBlock(int records, QRandomGenerator& random)
{
    QByteArray block(wire::block::length(records), 0);
    auto* bytes = reinterpret_cast<quint8*>(block.data());
    bytes[0] = 0xAA;
    bytes[1] = 0x06;
    wire::writeU16(bytes + 2, quint16(records));
    const quint8 header[] = {24, 3, 5, 14, 7, 9, 0x02, 0x58};
    std::copy(std::begin(header), std::end(header), bytes + 4);
    const int checksumAt = block.size() - wire::block::ChecksumSize;
    for (int i = wire::block::HeaderSize; i < checksumAt; ++i)
        bytes[i] = quint8(random.bounded(256));
    quint32 sum = 0;
    for (int i = 2; i < checksumAt; ++i)
        sum += bytes[i];
    wire::block::writeChecksum(bytes + checksumAt, sum);
    return block;
}

QByteArray downloadBlock(int records)
{
    QRandomGenerator random(records);
    return downloadBlock(records, random);
}

// Acts on each result the way the main window does, and records what it would emit.
struct Window {
    FrameAssembler assembler;
    QVector<QByteArray> replies;
    QByteArray download;
    int pieces = 0;
    int streamEnds = 0;
    int downloadAnswers = 0;

    FrameAssembler::Result feed(QByteArray chunk)
    {
        const FrameAssembler::Result result = assembler.feed(chunk);
        if (result.downloadAnswered)
            ++downloadAnswers;
        if (result.hasDownloadPiece()) {
            ++pieces;
            download.append(reinterpret_cast<const char*>(result.downloadPiece),
                            result.downloadPieceSize);
        }
        if (result.downloadEnded)
            ++streamEnds;
        if (result.replyReady) {
            replies.append(
                QByteArray(reinterpret_cast<const char*>(assembler.frame()), wire::FrameSize));
            if (result.replyCode != quint8(replies.last()[1]))
                qFatal("reply code %d differs from byte 1 of the frame", result.replyCode);
        }
        return result;
    }

    void feedInPieces(const QByteArray& bytes, int pieceSize)
    {
        for (int at = 0; at < bytes.size(); at += pieceSize)
            feed(bytes.mid(at, pieceSize));
    }
};

} // namespace

class TestFrameAssembler : public QObject
{
    Q_OBJECT

private slots:
    void splitReplyIsAnnouncedOnceAfterItsLastPiece_data();
    void splitReplyIsAnnouncedOnceAfterItsLastPiece();
    void bytesBeyondTheReplyAreNotKept();
    void downloadCodeWithoutStartByteAnswersTheCommandAndIsDiscarded();
    void commandWrittenDropsAnUnfinishedReply();
    void downloadPassesOnEveryPieceAndEndsOnce_data();
    void downloadPassesOnEveryPieceAndEndsOnce();
    void wholeBlockInFirstPieceStreamsUntilTheNextPiece();
    void unknownCodeGrowingPastTheBufferIsDropped();
    void chunkLargerThanTheBufferIsDropped();
    void restOfAnEndedDownloadIsNeverTakenForAReply_data();
    void restOfAnEndedDownloadIsNeverTakenForAReply();
    void randomSplitsDeliverEveryReplyOnceAndEveryBlockWhole();
};

void TestFrameAssembler::splitReplyIsAnnouncedOnceAfterItsLastPiece_data()
{
    QTest::addColumn<quint8>("code");
    QTest::addColumn<QVector<int>>("pieceSizes");
    QTest::newRow("10 + 22") << quint8(0x05) << QVector<int>{10, 22};
    QTest::newRow("14 + 18") << quint8(0x05) << QVector<int>{14, 18};
    QTest::newRow("15 + 17") << quint8(0x01) << QVector<int>{15, 17};
    QTest::newRow("1 + 31") << quint8(0x02) << QVector<int>{1, 31};
    QTest::newRow("byte by byte") << quint8(0x03) << QVector<int>(32, 1);
    QTest::newRow("whole") << quint8(0x04) << QVector<int>{32};
    QTest::newRow("busy reply 0xFF") << quint8(0xFF) << QVector<int>{10, 22};
}

void TestFrameAssembler::splitReplyIsAnnouncedOnceAfterItsLastPiece()
{
    QFETCH(quint8, code);
    QFETCH(QVector<int>, pieceSizes);
    const QByteArray reply = shortReply(code);
    Window window;
    int at = 0;
    for (int size : qAsConst(pieceSizes)) {
        QVERIFY2(window.replies.isEmpty(), "announced before the last piece");
        window.feed(reply.mid(at, size));
        at += size;
    }
    QCOMPARE(window.replies, QVector<QByteArray>{reply});
    QCOMPARE(window.assembler.bytesHeld(), 0);
    QCOMPARE(window.pieces, 0);
    QCOMPARE(window.downloadAnswers, 0);
}

void TestFrameAssembler::bytesBeyondTheReplyAreNotKept()
{
    Window window;
    window.feed(shortReply(0x05) + shortReply(0x04));
    QCOMPARE(window.replies, QVector<QByteArray>{shortReply(0x05)});
    QCOMPARE(window.assembler.bytesHeld(), 0);

    window.feed(shortReply(0x02, 0x33));
    QCOMPARE(window.replies.size(), 2);
    QCOMPARE(window.replies.last(), shortReply(0x02, 0x33));
}

void TestFrameAssembler::downloadCodeWithoutStartByteAnswersTheCommandAndIsDiscarded()
{
    Window window;
    QByteArray garbled = downloadBlock(4);
    garbled[0] = 0x00;
    const FrameAssembler::Result result = window.feed(garbled);
    QVERIFY(result.downloadAnswered);
    QVERIFY(result.dropped);
    QCOMPARE(window.pieces, 0);
    QCOMPARE(window.assembler.bytesHeld(), 0);
    QVERIFY(!window.assembler.isStreaming());

    window.feed(QByteArray("\x00\x05", 2) + QByteArray(30, 0x01));
    QCOMPARE(window.downloadAnswers, 1);
    QVERIFY(window.replies.isEmpty());

    window.feed(shortReply(0x05));
    QCOMPARE(window.replies.size(), 1);
}

void TestFrameAssembler::commandWrittenDropsAnUnfinishedReply()
{
    Window window;
    window.feed(shortReply(0x05).left(20));
    window.assembler.reset();
    window.feed(shortReply(0x05).mid(20));
    QVERIFY(window.replies.isEmpty());
    QCOMPARE(window.assembler.bytesHeld(), 0);
}

void TestFrameAssembler::downloadPassesOnEveryPieceAndEndsOnce_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("17 records: 64 + 2") << 17;
    QTest::newRow("59 records: the block ends on a full piece") << 59;
    QTest::newRow("1000 records") << 1000;
    QTest::newRow("65535 records") << 65535;
}

void TestFrameAssembler::downloadPassesOnEveryPieceAndEndsOnce()
{
    QFETCH(int, records);
    const QByteArray block = downloadBlock(records);
    Window window;
    const int pieceCount = (block.size() + 63) / 64;
    for (int i = 0; i < pieceCount; ++i) {
        QVERIFY2(window.streamEnds == 0, "stream ended before its last byte");
        QByteArray chunk = block.mid(i * 64, 64);
        const FrameAssembler::Result result = window.assembler.feed(chunk);
        QVERIFY(result.hasDownloadPiece());
        if (i == 0) {
            QVERIFY(result.downloadAnswered);
            QCOMPARE(result.downloadPiece, window.assembler.frame());
        } else {
            // Passed on from the read itself, not copied.
            QCOMPARE(result.downloadPiece, reinterpret_cast<unsigned char*>(chunk.data()));
        }
        window.download.append(reinterpret_cast<const char*>(result.downloadPiece),
                               result.downloadPieceSize);
        window.streamEnds += result.downloadEnded;
    }
    QCOMPARE(window.download, block);
    QCOMPARE(window.streamEnds, 1);
    QVERIFY(!window.assembler.isStreaming());
    QCOMPARE(window.assembler.bytesHeld(), 0);
    QCOMPARE(window.assembler.expectedDownloadLength(), 0);
}

void TestFrameAssembler::wholeBlockInFirstPieceStreamsUntilTheNextPiece()
{
    const QByteArray block = downloadBlock(3);
    Window window;
    window.feed(block);
    QCOMPARE(window.download, block);
    QCOMPARE(window.streamEnds, 0);
    QVERIFY(window.assembler.isStreaming());
    QCOMPARE(window.assembler.expectedDownloadLength(), block.size());

    const QByteArray stray("\x01\x02\x03", 3);
    window.feed(stray);
    QCOMPARE(window.download, block + stray);
    QCOMPARE(window.pieces, 2);
    QCOMPARE(window.streamEnds, 1);
    QVERIFY(!window.assembler.isStreaming());
    QCOMPARE(window.assembler.bytesHeld(), 0);
}

void TestFrameAssembler::unknownCodeGrowingPastTheBufferIsDropped()
{
    Window window;
    QByteArray unknown(64, 0x07);
    unknown[0] = char(0xAA);
    window.feed(unknown);
    for (int i = 1; i < FrameAssembler::Capacity / 64; ++i)
        QVERIFY(!window.feed(QByteArray(64, 0x07)).dropped);
    QCOMPARE(window.assembler.bytesHeld(), FrameAssembler::Capacity);

    QVERIFY(window.feed(QByteArray(1, 0x07)).dropped);
    QCOMPARE(window.assembler.bytesHeld(), 0);
    QVERIFY(window.replies.isEmpty());
    QCOMPARE(window.pieces, 0);

    window.feed(shortReply(0x05));
    QCOMPARE(window.replies, QVector<QByteArray>{shortReply(0x05)});
}

void TestFrameAssembler::chunkLargerThanTheBufferIsDropped()
{
    Window window;
    QByteArray big(FrameAssembler::Capacity + 1, 0x07);
    big[0] = char(0xAA);
    QVERIFY(window.feed(big).dropped);
    QCOMPARE(window.assembler.bytesHeld(), 0);
    window.feed(shortReply(0x01));
    QCOMPARE(window.replies.size(), 1);
}

// After the analysis window gives up on a download, the rest of that download must not be
// collected: receive_buf still starts with the old header, and collecting behind it would
// announce stale bytes as a new download, or write past the end of the buffer.
void TestFrameAssembler::restOfAnEndedDownloadIsNeverTakenForAReply_data()
{
    QTest::addColumn<int>("piecesBeforeEnd");
    QTest::newRow("ended after the header piece") << 1;
    QTest::newRow("ended with the buffer's worth counted") << 8;
}

void TestFrameAssembler::restOfAnEndedDownloadIsNeverTakenForAReply()
{
    QFETCH(int, piecesBeforeEnd);
    const QByteArray block = downloadBlock(400);
    Window window;
    for (int i = 0; i < piecesBeforeEnd; ++i)
        window.feed(block.mid(i * 64, 64));
    window.assembler.endStreaming();
    QVERIFY(!window.assembler.isStreaming());

    for (int at = piecesBeforeEnd * 64; at < block.size(); at += 64)
        QVERIFY(window.feed(block.mid(at, 64)).dropped);
    QVERIFY(window.feed(shortReply(0x05)).dropped);
    QCOMPARE(window.pieces, piecesBeforeEnd);
    QCOMPARE(window.streamEnds, 0);
    QVERIFY(window.replies.isEmpty());

    window.assembler.reset();
    window.feed(shortReply(0x05));
    QCOMPARE(window.replies, QVector<QByteArray>{shortReply(0x05)});
}

void TestFrameAssembler::randomSplitsDeliverEveryReplyOnceAndEveryBlockWhole()
{
    const quint32 seed = 20240305;
    QRandomGenerator random(seed);
    const quint8 codes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0xFF};
    Window window;
    for (int message = 0; message < 2000; ++message) {
        const QString where = QStringLiteral("seed %1, message %2").arg(seed).arg(message);
        // Every command written returns the assembler to idle.
        window.assembler.reset();
        if (random.bounded(8) == 0) {
            QByteArray noise(int(random.bounded(1, 65)), char(random.bounded(0x00, 0xAA)));
            window.feed(noise);
        }
        const bool isDownload = random.bounded(3) == 0;
        const QByteArray bytes = isDownload ? downloadBlock(int(random.bounded(200)), random)
                                            : shortReply(codes[random.bounded(int(sizeof codes))],
                                                         quint8(random.bounded(256)));
        const int repliesBefore = window.replies.size();
        const int endsBefore = window.streamEnds;
        window.download.clear();
        int firstPieceSize = 0;
        for (int at = 0; at < bytes.size();) {
            const int size = qMin(int(random.bounded(1, 65)), bytes.size() - at);
            QVERIFY2(window.replies.size() == repliesBefore, qPrintable(where));
            window.feed(bytes.mid(at, size));
            at += size;
            if (firstPieceSize == 0 && !window.download.isEmpty())
                firstPieceSize = window.download.size();
        }
        if (isDownload) {
            QVERIFY2(window.download == bytes, qPrintable(where));
            // A first piece holding the whole block leaves the stream open.
            const int expectedEnds = firstPieceSize >= bytes.size() ? 0 : 1;
            QVERIFY2(window.streamEnds - endsBefore == expectedEnds, qPrintable(where));
            QVERIFY2(window.replies.size() == repliesBefore, qPrintable(where));
        } else {
            QVERIFY2(window.replies.size() == repliesBefore + 1, qPrintable(where));
            QVERIFY2(window.replies.last() == bytes, qPrintable(where));
            QVERIFY2(window.download.isEmpty(), qPrintable(where));
        }
    }
}

HYGROLUX_TEST_MAIN_CORE(TestFrameAssembler)
#include "tst_frameassembler.moc"
