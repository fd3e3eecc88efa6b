#include "blockbuilder.h"
#include "records/loggeddownload.h"
#include "records/sheetlayout.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <cerrno>

using wire::block::RecordCodes;
using Outcome = LoggedDownload::Outcome;

namespace {
QVector<RecordCodes> records(int count)
{
    QVector<RecordCodes> codes;
    for (int i = 0; i < count; ++i)
        codes << RecordCodes{quint16(600 + 7 * i), quint16(400 + 3 * i)};
    return codes;
}

// A download and what it reported, fed the way the link hands the block on.
struct Run {
    explicit Run(const QString& path) : download(path)
    {
        QObject::connect(&download, &LoggedDownload::finished,
                         [this](Outcome o) { outcomes << o; });
        QObject::connect(&download, &LoggedDownload::progressChanged,
                         [this](int percent) { progress << percent; });
    }
    void feed(const QByteArray& bytes)
    {
        download.feed(reinterpret_cast<const quint8*>(bytes.constData()), bytes.size());
    }
    LoggedDownload download;
    QVector<Outcome> outcomes;
    QVector<int> progress;
};
} // namespace

class TestLoggedDownload : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void anySplitHeaderBytesInRecordsOrBytesBeyondChangeNothing();
    void progressCountsCompletedGroups();
    void verdictsAndWhatTheFileKeeps_data();
    void verdictsAndWhatTheFileKeeps();
    void stallOrDropEndsTheDownloadKeepingTheRecords_data();
    void stallOrDropEndsTheDownloadKeepingTheRecords();
    void endingTheProgramMidDownloadMarksTheFile();
    void lastCompleteDownloadIsNeverLost_data();
    void lastCompleteDownloadIsNeverLost();
    void unwritableDataFileRefusesToStart();
    void eachDownloadStartsWithAFreshSheet();
    void reportThatCannotBeWrittenIsAFileError();

private:
    QByteArray fileBytes(const QString& name = QStringLiteral("data.txt")) const
    {
        return hygrolux::test::fileContents(dir->filePath(name));
    }
    QStringList fileLines() const { return hygrolux::test::fileLines(path); }
    static QStringList cells(const Sheet& sheet);

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

QStringList TestLoggedDownload::cells(const Sheet& sheet)
{
    QStringList all;
    for (int row = 1; row <= sheet.lastRow(); ++row)
        for (int column = 1; column <= 6; ++column)
            all << sheet.read(row, column);
    return all;
}

void TestLoggedDownload::anySplitHeaderBytesInRecordsOrBytesBeyondChangeNothing()
{
    QVector<RecordCodes> codes = records(4);
    // Record 2 begins with the bytes of a header, 0xAA 0x06: data, also at the start of a piece.
    codes[1] = {0x0AA, 0x006};
    const QByteArray block = buildBlock(codes);
    QCOMPARE(block.mid(15, 2), QByteArray::fromHex("aa06"));
    Run whole(path);
    QVERIFY(whole.download.start(true, alarms));
    whole.feed(block);
    QCOMPARE(whole.outcomes, QVector<Outcome>{Outcome::Success});
    const QByteArray file = fileBytes();
    const QStringList sheet = cells(whole.download.sheet());
    QCOMPARE(fileLines().size(), 13 + 4);

    // The link hands on the header whole; any later byte may start a new piece. Bytes beyond
    // the block, even a whole other block, are no part of it.
    QVector<QByteArrayList> feeds{{block + QByteArray::fromHex("aa0600"), buildBlock(records(1))}};
    QByteArrayList everyByte{block.left(wire::block::HeaderSize)};
    for (int at = wire::block::HeaderSize; at < block.size(); ++at) {
        feeds << QByteArrayList{block.left(at), block.mid(at)};
        everyByte << block.mid(at, 1);
    }
    feeds << everyByte;
    for (const QByteArrayList& pieces : feeds) {
        Run split(path);
        QVERIFY(split.download.start(true, alarms));
        for (const QByteArray& piece : pieces)
            split.feed(piece);
        QCOMPARE(split.outcomes, whole.outcomes);
        QCOMPARE(fileBytes(), file);
        QCOMPARE(cells(split.download.sheet()), sheet);
    }
}

void TestLoggedDownload::progressCountsCompletedGroups()
{
    const QByteArray block = buildBlock(records(100));
    QCOMPARE(block.size(), 315);
    Run run(path);
    QVERIFY(run.download.start(true, alarms));
    run.feed(block.left(42)); // the header and ten records
    QCOMPARE(run.progress.last(), 13);
    run.feed(block.mid(42, 272));
    QVERIFY(run.progress.last() < 100);
    run.feed(block.right(1));
    QCOMPARE(run.progress.last(), 100);
}

void TestLoggedDownload::verdictsAndWhatTheFileKeeps_data()
{
    QTest::addColumn<QByteArray>("block"); // fed in one piece
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("realSummary");

    QTest::newRow("no records") << buildBlock({}) << Outcome::Success << 0 << true;
    QTest::newRow("one record") << buildBlock(records(1)) << Outcome::Success << 1 << true;
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
    Run run(path);
    QVERIFY(run.download.start(true, alarms));
    run.feed(block);
    QCOMPARE(run.outcomes, QVector<Outcome>{outcome});
    QVERIFY(!run.download.isRunning());
    QCOMPARE(run.download.recordsReceived(), count); // the last three bytes are the checksum
    // A failure leaves a complete, readable file with the placeholder summary.
    QCOMPARE(fileLines().size(), 13 + count);
    const QStringList summary = run.download.summaryLines();
    if (realSummary && count == 0) {
        // The file keeps its markers for no extremes; the operator never reads them.
        QCOMPARE(fileLines().at(8).trimmed(),
                 QStringLiteral(">>Temp MIN: 9999.0℃  @   Temp MAX: -9999.0℃  @"));
        QVERIFY(!summary.join('|').contains("9999"));
        QCOMPARE(fileLines().mid(2, 6), summary.mid(0, 6));
    } else {
        QCOMPARE(fileLines().mid(2, 8), realSummary ? summary : summary::placeholderLines());
    }
    if (realSummary)
        QVERIFY(summary.at(5).endsWith(QStringLiteral(": %1").arg(count)));
    QCOMPARE(run.progress.last(), realSummary ? 100 : 0);
    QCOMPARE(run.download.xlsxRow(), realSummary ? sheetlayout::recordRow(count + 1) : 1);
}

void TestLoggedDownload::stallOrDropEndsTheDownloadKeepingTheRecords_data()
{
    // h: the header arrives, r: one more record, e: the rest of the block,
    // t: a check period passes, s: a new download starts, d: the link drops.
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
    QTest::newRow("the link drops: at once") << "hrrd" << 3;
}

void TestLoggedDownload::stallOrDropEndsTheDownloadKeepingTheRecords()
{
    QFETCH(QString, events);
    QFETCH(int, missedAt);
    const QByteArray block = buildBlock(records(10));
    Run run(path);
    QVERIFY(run.download.start(true, alarms));
    int fed = 0;
    int missed = -1;
    for (int i = 0; i < events.size(); ++i) {
        const QChar event = events.at(i);
        if (event == 'h' || event == 'r' || event == 'e') {
            const int size = event == 'h' ? 12 : event == 'r' ? 3 : int(block.size()) - fed;
            run.feed(block.mid(fed, size));
            fed += size;
        } else if (event == 't') {
            run.download.tick();
        } else if (event == 's') {
            QVERIFY(run.download.start(true, alarms));
            fed = 0;
        } else if (event == 'd') {
            run.download.linkDropped();
        }
        if (missed < 0 && run.outcomes.contains(Outcome::Missed))
            missed = i;
    }
    QCOMPARE(missed, missedAt);
    if (missedAt < 0) {
        QCOMPARE(run.outcomes.last(), Outcome::Success);
        return;
    }
    // The records so far stay, in the file and the sheet, followed by the note (alone where
    // no header came).
    const int kept = (fed - 12) / 3;
    const QStringList lines = fileLines();
    QCOMPARE(lines.size(), fed ? 13 + kept + 1 : 1);
    QCOMPARE(lines.last(), QStringLiteral("data missed"));
    QCOMPARE(run.download.sheet().read(fed ? sheetlayout::recordRow(kept + 1) : 1, 1),
             QStringLiteral("data missed"));
    QCOMPARE(run.progress.last(), 0);
    // Pieces still on their way change nothing.
    run.feed(block.mid(fed));
    run.download.tick();
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::Missed});
    QCOMPARE(fileLines(), lines);
}

void TestLoggedDownload::endingTheProgramMidDownloadMarksTheFile()
{
    {
        Run ended(path);
        QVERIFY(ended.download.start(true, alarms));
        ended.feed(buildBlock(records(10)).left(12 + 2 * 3));
    }
    const QStringList lines = fileLines();
    QCOMPARE(lines.size(), 13 + 2 + 1);
    QCOMPARE(lines.last(), QStringLiteral("data missed"));
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
    Run run(path);
    const int tenRecords = wire::block::HeaderSize + 10 * 3;
    QByteArray latest; // the data file of the latest good download
    int good = 0;
    for (int i = 0; i < attempts.size(); ++i) {
        const QChar attempt = attempts.at(i);
        QByteArray block = buildBlock(records(attempt == 'f' ? 1000 : 20 + i));
        run.outcomes.clear();
        QVERIFY(run.download.start(true, alarms));
        if (attempt == 'h' || attempt == 'f') {
            bool endedAtOnce = false;
            {
                const hygrolux::test::FileSizeLimit disk(attempt == 'h' ? 200 : 4096);
                run.feed(block.left(block.size() / 2));
                endedAtOnce = !run.download.isRunning();
                run.feed(block.mid(block.size() / 2));
            }
            QVERIFY(endedAtOnce);
        } else if (attempt == 'l') {
            run.feed(block.chopped(1));
            const hygrolux::test::FileSizeLimit disk(QFileInfo(path).size());
            run.feed(block.right(1));
        } else if (attempt == 's') {
            for (int tick = 0; tick < 5; ++tick)
                run.download.tick();
            run.download.linkDropped();
        } else if (attempt == 't') {
            run.feed(block.left(tenRecords));
            for (int tick = 0; tick <= LoggedDownload::StallLimit; ++tick)
                run.download.tick();
        } else if (attempt == 'd') {
            run.feed(block.left(tenRecords));
            run.download.linkDropped();
        } else if (attempt == 'z') {
            block.fill('\0');
            block[0] = char(wire::StartByte);
            block[1] = char(wire::Command::Download);
            run.feed(block);
        } else {
            if (attempt == 'c')
                block[13] = char(block[13] ^ 0x01);
            run.feed(block);
        }
        QVERIFY2(run.outcomes == QVector<Outcome>{outcomes.value(attempt)},
                 qPrintable(attempts.left(i + 1)));
        if (run.outcomes.last() == Outcome::FileError) {
            const QString message = run.download.outcomeMessage(Outcome::FileError);
            QVERIFY2(message.contains(path) && message.contains(qt_error_string(EFBIG)),
                     qPrintable(message));
        }
        // Every good download, of other records each time, is archived; nothing else is.
        if (attempt == 'g') {
            ++good;
            latest = fileBytes();
            QVERIFY(run.download.archived());
            QCOMPARE(fileBytes("archive/" + QFileInfo(run.download.archived()->path).fileName()),
                     latest);
            QVERIFY(
                run.download.archiveMessage().startsWith("Archived: " + dir->filePath("archive")));
        } else {
            QVERIFY(!run.download.archived());
            QVERIFY(run.download.archiveMessage().isEmpty());
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
    Run run(path);
    QVERIFY(run.download.start(true, alarms));
    run.feed(buildBlock(records(2)));
    const QByteArray complete = fileBytes();
    QVERIFY(QDir(dir->path()).mkpath("data.previous.txt/inside"));
    QVERIFY(!run.download.start(true, alarms));
    QVERIFY2(run.download.errorString().contains("data.previous.txt"),
             qPrintable(run.download.errorString()));
    QCOMPARE(fileBytes(), complete);
}

void TestLoggedDownload::eachDownloadStartsWithAFreshSheet()
{
    Run run(path);
    QVERIFY(run.download.start(true, alarms));
    run.feed(buildBlock(records(5)));
    QCOMPARE(run.download.sheet().lastRow(), sheetlayout::recordRow(5));
    QVERIFY(run.download.start(false, alarms));
    run.feed(buildBlock(records(2)));
    QCOMPARE(run.download.sheet().lastRow(), sheetlayout::recordRow(2));
    QVERIFY(run.download.sheet().read(13, 3).contains("℉"));
}

void TestLoggedDownload::reportThatCannotBeWrittenIsAFileError()
{
    const QByteArray block = buildBlock(records(3));
    Run run(path);
    QVERIFY(run.download.start(true, alarms));
    run.feed(block.chopped(1));
    QVERIFY(QDir(dir->path()).removeRecursively());
    run.feed(block.right(1));
    QCOMPARE(run.outcomes, QVector<Outcome>{Outcome::FileError});
    QVERIFY(run.download.errorString().contains(path));
    QCOMPARE(run.download.summaryLines().size(), 8);
}

HYGROLUX_TEST_MAIN_CORE(TestLoggedDownload)
#include "tst_loggeddownload.moc"
