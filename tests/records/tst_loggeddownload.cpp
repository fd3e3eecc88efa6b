#include "blockbuilder.h"
#include "records/loggeddownload.h"
#include "records/sheetlayout.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <cerrno>

using wire::block::RecordCodes;
using Outcome = LoggedDownload::Outcome;

// A download from the request to the verdict, fed the way the link hands the block on.
class TestLoggedDownload : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void everySplitGivesTheSameFileSheetAndVerdict();
    void wholeBlockInOneChunkEndsTheDownload_data();
    void wholeBlockInOneChunkEndsTheDownload();
    void progressCountsCompletedGroups();
    void secondHeaderInsideTheBlockIsData();
    void verdictsAndWhatTheFileKeeps_data();
    void verdictsAndWhatTheFileKeeps();
    void stallRule_data();
    void stallRule();
    void droppedLinkEndsAtOnceKeepingTheRecords();
    void lastCompleteDownloadIsNeverLost_data();
    void lastCompleteDownloadIsNeverLost();
    void unwritableDataFileRefusesToStart();
    void eachDownloadStartsWithAFreshSheet();
    void bytesBeyondTheBlockAreIgnored();
    void reportThatCannotBeWrittenIsAFileError();

private:
    struct Run {
        QVector<Outcome> outcomes;
        QVector<int> progress;
    };
    void watch(LoggedDownload& download, Run& run);
    QByteArray fileBytes(const QString& name = QStringLiteral("data.txt")) const;
    QStringList fileLines() const { return hygrolux::test::fileLines(path); }
    static QStringList cells(const Sheet& sheet);
    static void feed(LoggedDownload& download, const QByteArray& bytes)
    {
        download.feed(reinterpret_cast<const quint8*>(bytes.constData()), bytes.size());
    }
    static QVector<RecordCodes> records(int count);

    QScopedPointer<QTemporaryDir> dir;
    QString path;
    const AlarmLimits alarms{40, -10, 80, 20};
};

void TestLoggedDownload::init()
{
    dir.reset(new QTemporaryDir);
    path = dir->filePath("data.txt");
    qputenv("HYGROLUX_ARCHIVE", dir->filePath("archive").toLocal8Bit());
}

void TestLoggedDownload::watch(LoggedDownload& download, Run& run)
{
    connect(&download, &LoggedDownload::finished, this,
            [&run](Outcome outcome) { run.outcomes << outcome; });
    connect(&download, &LoggedDownload::progressChanged, this,
            [&run](int percent) { run.progress << percent; });
}

QByteArray TestLoggedDownload::fileBytes(const QString& name) const
{
    QFile file(dir->filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TestLoggedDownload::cells(const Sheet& sheet)
{
    QStringList all;
    for (int row = 1; row <= sheet.lastRow(); ++row)
        for (int column = 1; column <= 6; ++column)
            all << sheet.read(row, column);
    return all;
}

QVector<RecordCodes> TestLoggedDownload::records(int count)
{
    QVector<RecordCodes> codes;
    for (int i = 0; i < count; ++i)
        codes << RecordCodes{quint16(600 + 7 * i), quint16(400 + 3 * i)};
    return codes;
}

void TestLoggedDownload::everySplitGivesTheSameFileSheetAndVerdict()
{
    const QByteArray block = buildBlock(records(4));
    LoggedDownload whole(path);
    Run reference;
    watch(whole, reference);
    QVERIFY(whole.start(true, alarms));
    feed(whole, block);
    QCOMPARE(reference.outcomes, QVector<Outcome>{Outcome::Success});
    const QByteArray file = fileBytes();
    const QStringList sheet = cells(whole.sheet());
    QCOMPARE(fileLines().size(), 13 + 4);

    // The link hands on the header whole; any later byte may start a new piece.
    QVector<QVector<int>> splits;
    for (int at = wire::block::HeaderSize; at < block.size(); ++at)
        splits << QVector<int>{at};
    QVector<int> everyByte;
    for (int at = wire::block::HeaderSize; at < block.size(); ++at)
        everyByte << at;
    splits << everyByte;
    for (const QVector<int>& cuts : splits) {
        LoggedDownload split(path);
        Run run;
        watch(split, run);
        QVERIFY(split.start(true, alarms));
        int from = 0;
        for (int cut : cuts + QVector<int>{int(block.size())}) {
            feed(split, block.mid(from, cut - from));
            from = cut;
        }
        QCOMPARE(run.outcomes, reference.outcomes);
        QCOMPARE(fileBytes(), file);
        QCOMPARE(cells(split.sheet()), sheet);
    }
}

void TestLoggedDownload::wholeBlockInOneChunkEndsTheDownload_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("no records") << 0;
    QTest::newRow("one record") << 1;
}

void TestLoggedDownload::wholeBlockInOneChunkEndsTheDownload()
{
    QFETCH(int, count);
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, buildBlock(records(count)));
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::Success});
    QCOMPARE(download.recordsReceived(), count); // the last three bytes are the checksum
    QCOMPARE(fileLines().size(), 13 + count);
    QCOMPARE(fileLines().mid(2, 8), download.summaryLines());
    QVERIFY(download.summaryLines().at(5).endsWith(QStringLiteral(": %1").arg(count)));
}

void TestLoggedDownload::progressCountsCompletedGroups()
{
    const QByteArray block = buildBlock(records(100));
    QCOMPARE(block.size(), 315);
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, block.left(42)); // the header and ten records
    QCOMPARE(run.progress.last(), 13);
    feed(download, block.mid(42, 272));
    QVERIFY(run.progress.last() < 100);
    feed(download, block.right(1));
    QCOMPARE(run.progress.last(), 100);
}

void TestLoggedDownload::secondHeaderInsideTheBlockIsData()
{
    QVector<RecordCodes> codes = records(3);
    // Record 2 begins with the bytes of a header: 0xAA 0x06.
    codes[1] = {0x0AA, 0x006};
    const QByteArray block = buildBlock(codes);
    QCOMPARE(block.mid(15, 2), QByteArray::fromHex("aa06"));
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, block.left(15));
    feed(download, block.mid(15));
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::Success});
    QCOMPARE(download.recordsReceived(), 3);
    QCOMPARE(download.header().recordCount, 3);
}

void TestLoggedDownload::verdictsAndWhatTheFileKeeps_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("realSummary");

    QTest::newRow("good") << buildBlock(records(3)) << Outcome::Success << 3 << true;
    QByteArray corrupted = buildBlock(records(3));
    corrupted[13] = char(corrupted[13] ^ 0x01);
    QTest::newRow("checksum error") << corrupted << Outcome::ChecksumError << 3 << false;
    QByteArray allZero(wire::block::length(0), '\0');
    allZero[0] = char(0xAA);
    allZero[1] = 0x06;
    QTest::newRow("all-zero block") << allZero << Outcome::NoData << 0 << false;
}

void TestLoggedDownload::verdictsAndWhatTheFileKeeps()
{
    QFETCH(QByteArray, block);
    QFETCH(Outcome, outcome);
    QFETCH(int, count);
    QFETCH(bool, realSummary);
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, block);
    QCOMPARE(run.outcomes, QVector<Outcome>{outcome});
    QVERIFY(!download.isRunning());
    // A failure leaves a complete, readable file with the placeholder summary.
    QCOMPARE(fileLines().size(), 13 + count);
    QCOMPARE(fileLines().mid(2, 8),
             realSummary ? download.summaryLines() : summary::placeholderLines());
    QCOMPARE(run.progress.last(), realSummary ? 100 : 0);
    QCOMPARE(download.xlsxRow(), realSummary ? sheetlayout::recordRow(count + 1) : 1);
}

void TestLoggedDownload::stallRule_data()
{
    // h: the header arrives, r: one more record, e: the rest of the block,
    // t: a check period passes, s: a new download starts.
    QTest::addColumn<QString>("events");
    QTest::addColumn<int>("missedAt"); // index of the event that declares the miss, or -1
    // Before the first piece of the block the link supervision decides (it gives up on a
    // silent or busy logger after about six seconds), however many periods pass.
    QTest::newRow("a busy logger's block comes late") << "tttttthe" << -1;
    QTest::newRow("no block for ten periods") << "tttttttttt" << 9;
    QTest::newRow("stopped right after the header") << "httt" << 3;
    QTest::newRow("stopped after records") << "hrrtrttt" << 7;
    QTest::newRow("slow but moving") << "hrttrttrtte" << -1;
    QTest::newRow("a new download forgets earlier stalls") << "tsthe" << -1;
}

void TestLoggedDownload::stallRule()
{
    QFETCH(QString, events);
    QFETCH(int, missedAt);
    const QByteArray block = buildBlock(records(10));
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    int fed = 0;
    int missed = -1;
    for (int i = 0; i < events.size(); ++i) {
        const QChar event = events.at(i);
        if (event == 'h' || event == 'r' || event == 'e') {
            const int size = event == 'h' ? 12 : event == 'r' ? 3 : int(block.size()) - fed;
            feed(download, block.mid(fed, size));
            fed += size;
        } else if (event == 't') {
            download.tick();
        } else if (event == 's') {
            QVERIFY(download.start(true, alarms));
            fed = 0;
        }
        if (missed < 0 && run.outcomes.contains(Outcome::Missed))
            missed = i;
    }
    QCOMPARE(missed, missedAt);
    if (missedAt >= 0) {
        QCOMPARE(fileLines().last(), QStringLiteral("data missed"));
        QCOMPARE(run.progress.last(), 0);
    } else {
        QCOMPARE(run.outcomes.last(), Outcome::Success);
    }
}

void TestLoggedDownload::droppedLinkEndsAtOnceKeepingTheRecords()
{
    const QByteArray block = buildBlock(records(10));
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, block.left(12 + 2 * 3));
    download.linkDropped();
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::Missed});
    const QStringList lines = fileLines();
    QCOMPARE(lines.size(), 13 + 2 + 1);
    QVERIFY(lines.at(14).startsWith(" 0002  "));
    QCOMPARE(lines.last(), QStringLiteral("data missed"));
    QCOMPARE(download.sheet().read(sheetlayout::recordRow(3), 1), QStringLiteral("data missed"));
    // Pieces still on their way change nothing.
    feed(download, block.mid(18));
    download.tick();
    QCOMPARE(run.outcomes.size(), 1);
    QCOMPARE(fileLines(), lines);

    // The program ending mid-download marks the file the same way.
    auto* ended = new LoggedDownload(path);
    QVERIFY(ended->start(true, alarms));
    feed(*ended, block.left(12 + 2 * 3));
    delete ended;
    QCOMPARE(fileLines(), lines);
}

void TestLoggedDownload::lastCompleteDownloadIsNeverLost_data()
{
    // One attempt a letter. g: a good download; s: the logger never takes the request, which
    // the link supervision gives up; t: the transfer stalls after ten records; d: the link
    // drops after ten records; z: an all-zero block; c: a checksum error; h: the disk takes no
    // head; f: the disk fills after a few dozen records; l: the disk takes none of the records
    // that were still to be written when the block's last byte came.
    QTest::addColumn<QString>("attempts");
    QTest::newRow("silent, stalled, all-zero") << "gstz";
    QTest::newRow("refused writes") << "ghflh";
    QTest::newRow("failures before the first good one") << "cdgtc";
    QTest::newRow("good after good") << "ggsgf";
}

void TestLoggedDownload::lastCompleteDownloadIsNeverLost()
{
    QFETCH(QString, attempts);
    const QHash<QChar, Outcome> outcomes{
        {'g', Outcome::Success},   {'s', Outcome::Missed},    {'t', Outcome::Missed},
        {'d', Outcome::Missed},    {'z', Outcome::NoData},    {'c', Outcome::ChecksumError},
        {'h', Outcome::FileError}, {'f', Outcome::FileError}, {'l', Outcome::FileError}};
    LoggedDownload download(path);
    QCOMPARE(download.previousFilePath(), dir->filePath("data.previous.txt"));
    Run run;
    watch(download, run);
    const int tenRecords = wire::block::HeaderSize + 10 * 3;
    QByteArray latest; // the data file of the latest good download
    int good = 0;
    for (int i = 0; i < attempts.size(); ++i) {
        const QChar attempt = attempts.at(i);
        QByteArray block = buildBlock(records(attempt == 'f' ? 1000 : 20 + i));
        run.outcomes.clear();
        QVERIFY(download.start(true, alarms));
        if (attempt == 'h' || attempt == 'f') {
            bool endedAtOnce = false;
            {
                const hygrolux::test::FileSizeLimit disk(attempt == 'h' ? 200 : 4096);
                feed(download, block.left(block.size() / 2));
                endedAtOnce = !download.isRunning();
                feed(download, block.mid(block.size() / 2));
            }
            QVERIFY(endedAtOnce);
        } else if (attempt == 'l') {
            feed(download, block.chopped(1));
            const hygrolux::test::FileSizeLimit disk(QFileInfo(path).size());
            feed(download, block.right(1));
        } else if (attempt == 's') {
            for (int tick = 0; tick < 5; ++tick)
                download.tick();
            download.linkDropped();
        } else if (attempt == 't') {
            feed(download, block.left(tenRecords));
            for (int tick = 0; tick <= LoggedDownload::StallLimit; ++tick)
                download.tick();
        } else if (attempt == 'd') {
            feed(download, block.left(tenRecords));
            download.linkDropped();
        } else if (attempt == 'z') {
            block.fill('\0');
            block[0] = char(wire::StartByte);
            block[1] = char(wire::Command::Download);
            feed(download, block);
        } else {
            if (attempt == 'c')
                block[13] = char(block[13] ^ 0x01);
            feed(download, block);
        }
        QVERIFY2(run.outcomes == QVector<Outcome>{outcomes.value(attempt)},
                 qPrintable(attempts.left(i + 1)));
        if (run.outcomes.last() == Outcome::FileError) {
            const QString message = download.outcomeMessage(Outcome::FileError);
            QVERIFY2(message.contains(path) && message.contains(qt_error_string(EFBIG)),
                     qPrintable(message));
        }
        // Every good download, of other records each time, is archived; nothing else is.
        if (attempt == 'g') {
            ++good;
            latest = fileBytes();
            QVERIFY(download.archived());
            QCOMPARE(fileBytes("archive/" + QFileInfo(download.archived()->path).fileName()),
                     latest);
            QVERIFY(download.archiveMessage().startsWith("Archived: " + dir->filePath("archive")));
        } else {
            QVERIFY(!download.archived());
            QVERIFY(download.archiveMessage().isEmpty());
        }
        QCOMPARE(QDir(dir->filePath("archive")).entryList(QDir::Files).size(), good);
        // The latest good download is whole in one of the two files, whatever came after it.
        QVERIFY2(latest.isEmpty() || fileBytes() == latest ||
                     fileBytes("data.previous.txt") == latest,
                 qPrintable(attempts.left(i + 1)));
    }
}

void TestLoggedDownload::unwritableDataFileRefusesToStart()
{
    // A folder that does not exist cannot take the file, whoever runs the test.
    LoggedDownload nowhere(dir->filePath("gone/data.txt"));
    QVERIFY(!nowhere.start(true, alarms));
    QVERIFY2(nowhere.errorString().contains("gone/data.txt"), qPrintable(nowhere.errorString()));
    QVERIFY(!nowhere.isRunning());

    // A previous file that cannot be replaced: the data file is left untouched.
    LoggedDownload download(path);
    QVERIFY(download.start(true, alarms));
    feed(download, buildBlock(records(2)));
    const QByteArray complete = fileBytes();
    QVERIFY(QDir(dir->path()).mkpath("data.previous.txt/inside"));
    QVERIFY(!download.start(true, alarms));
    QVERIFY2(download.errorString().contains("data.previous.txt"),
             qPrintable(download.errorString()));
    QCOMPARE(fileBytes(), complete);
}

void TestLoggedDownload::eachDownloadStartsWithAFreshSheet()
{
    LoggedDownload download(path);
    QVERIFY(download.start(true, alarms));
    feed(download, buildBlock(records(5)));
    QCOMPARE(download.sheet().lastRow(), sheetlayout::recordRow(5));
    QVERIFY(download.start(false, alarms));
    feed(download, buildBlock(records(2)));
    QCOMPARE(download.sheet().lastRow(), sheetlayout::recordRow(2));
    QVERIFY(download.sheet().read(13, 3).contains("℉"));
}

void TestLoggedDownload::bytesBeyondTheBlockAreIgnored()
{
    const QByteArray block = buildBlock(records(3));
    LoggedDownload reference(path);
    QVERIFY(reference.start(true, alarms));
    feed(reference, block);
    const QByteArray file = fileBytes();

    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, block + QByteArray::fromHex("aa0600"));
    feed(download, buildBlock(records(1)));
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::Success});
    QCOMPARE(fileBytes(), file);
}

void TestLoggedDownload::reportThatCannotBeWrittenIsAFileError()
{
    const QByteArray block = buildBlock(records(3));
    LoggedDownload download(path);
    Run run;
    watch(download, run);
    QVERIFY(download.start(true, alarms));
    feed(download, block.chopped(1));
    QVERIFY(QDir(dir->path()).removeRecursively());
    feed(download, block.right(1));
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::FileError});
    QVERIFY(download.errorString().contains(path));
    QCOMPARE(download.summaryLines().size(), 8);
}

HYGROLUX_TEST_MAIN_CORE(TestLoggedDownload)
#include "tst_loggeddownload.moc"
