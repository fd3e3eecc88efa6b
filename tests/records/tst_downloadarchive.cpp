#include "blockbuilder.h"
#include "records/downloadarchive.h"
#include "records/loggeddownload.h"
#include "testsupport.h"

#include <QTemporaryDir>

#include <cerrno>

using Kind = archive::Stored::Kind;

// The archive of complete downloads: where it is, how its files are named, that the same
// records are kept once, and that a folder that takes no file says why.
class TestDownloadArchive : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void folderFollowsTheEnvironment_data();
    void folderFollowsTheEnvironment();
    void namesSortByStartThenDownloadTime();
    void sameRecordsAreKeptOnceAndNothingIsOverwritten();
    void unwritableFolderSaysWhy_data();
    void unwritableFolderSaysWhy();

private:
    // The data file of a good download of `count` records (each count has other records).
    QString downloaded(int count, const QDateTime& start, bool celsius = true);
    QStringList archived() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }

    QScopedPointer<QTemporaryDir> dir;
    QString folder;
    int downloads = 0;
};

namespace {
const QDateTime March5(QDate(2024, 3, 5), QTime(22, 30));
const QDateTime March9(QDate(2024, 3, 9), QTime(8, 0));
QDateTime at(int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}
} // namespace

void TestDownloadArchive::init()
{
    dir.reset(new QTemporaryDir);
    folder = dir->filePath("archive");
}

QString TestDownloadArchive::downloaded(int count, const QDateTime& start, bool celsius)
{
    const QString path = dir->filePath(QStringLiteral("data-%1.txt").arg(++downloads));
    QVector<wire::block::RecordCodes> codes;
    for (int i = 0; i < count; ++i)
        codes << wire::block::RecordCodes{quint16(600 + i), quint16(400 + i)};
    LoggedDownload download(path);
    if (!download.start(celsius, {40, -10, 80, 20}))
        return QString();
    const QByteArray block = buildBlock(codes, start);
    download.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    return path;
}

void TestDownloadArchive::folderFollowsTheEnvironment_data()
{
    QTest::addColumn<QByteArray>("named");
    QTest::addColumn<QByteArray>("dataHome");
    QTest::addColumn<QString>("expected"); // below the home folder when relative
    QTest::newRow("named, also relative") << QByteArray("shared/logger") << QByteArray("/x")
                                          << QDir::current().filePath("shared/logger");
    QTest::newRow("data home") << QByteArray() << QByteArray("/srv/data")
                               << "/srv/data/hygrolux/downloads";
    QTest::newRow("relative data home is ignored")
        << QByteArray() << QByteArray("data") << ".local/share/hygrolux/downloads";
    QTest::newRow("nothing set") << QByteArray() << QByteArray()
                                 << ".local/share/hygrolux/downloads";
}

void TestDownloadArchive::folderFollowsTheEnvironment()
{
    QFETCH(QByteArray, named);
    QFETCH(QByteArray, dataHome);
    QFETCH(QString, expected);
    const QByteArray namedBefore = qgetenv("HYGROLUX_ARCHIVE");
    const QByteArray dataHomeBefore = qgetenv("XDG_DATA_HOME");
    const QByteArray homeBefore = qgetenv("HOME");
    qputenv("HYGROLUX_ARCHIVE", named);
    qputenv("XDG_DATA_HOME", dataHome);
    qputenv("HOME", dir->path().toLocal8Bit());
    const QString found = archive::folder();
    qputenv("HYGROLUX_ARCHIVE", namedBefore);
    qputenv("XDG_DATA_HOME", dataHomeBefore);
    qputenv("HOME", homeBefore);
    QCOMPARE(found, QDir(dir->path()).filePath(expected));
}

void TestDownloadArchive::namesSortByStartThenDownloadTime()
{
    struct Download {
        int records;
        QDateTime start; // invalid: the logger's clock was unknown, its block has no real date
        QDateTime at;
    };
    // In the order `ls` shows them: by start, then by download time; an unknown clock last.
    const QVector<Download> sorted{
        {3, March5, at(9, 6, 0, 12)}, {4, March5, at(9, 18)},     {5, March5, at(10, 6)},
        {6, March9, at(9, 7)},        {7, QDateTime(), at(8, 6)}, {8, QDateTime(), at(11, 6)},
    };
    for (int i : {4, 1, 5, 3, 0, 2}) {
        const Download& d = sorted.at(i);
        const QString data = downloaded(d.records, d.start);
        const archive::Stored stored = archive::keep(data, folder, d.at);
        QCOMPARE(stored.kind, Kind::Archived);
        QCOMPARE(hygrolux::test::fileContents(stored.path), hygrolux::test::fileContents(data));
        // Read-only for its owner, its group and everyone (what root may do aside).
        QCOMPARE(QFileInfo(stored.path).permissions() & 0x7077, QFileDevice::Permissions(0x4044));
    }
    QCOMPARE(
        archived(),
        QStringList({"2024-03-05_22-30-00_start__2026-12-09_06-00-12_downloaded__3_records.txt",
                     "2024-03-05_22-30-00_start__2026-12-09_18-00-00_downloaded__4_records.txt",
                     "2024-03-05_22-30-00_start__2026-12-10_06-00-00_downloaded__5_records.txt",
                     "2024-03-09_08-00-00_start__2026-12-09_07-00-00_downloaded__6_records.txt",
                     "unknown-clock_start__2026-12-08_06-00-00_downloaded__7_records.txt",
                     "unknown-clock_start__2026-12-11_06-00-00_downloaded__8_records.txt"}));

    // Listed newest download first, whatever the start.
    const QVector<archive::Entry> entries = archive::list(folder);
    QCOMPARE(entries.size(), sorted.size());
    const QVector<int> newestFirst{5, 2, 1, 3, 0, 4};
    for (int i = 0; i < entries.size(); ++i) {
        const Download& d = sorted.at(newestFirst.at(i));
        QCOMPARE(entries.at(i).downloaded, d.at);
        QCOMPARE(entries.at(i).start.isValid(), d.start.isValid());
    }
    QCOMPARE(entries.at(0).start, QDateTime());
    QCOMPARE(entries.at(1).start, QDateTime(March5.date(), March5.time(), Qt::UTC));
}

void TestDownloadArchive::sameRecordsAreKeptOnceAndNothingIsOverwritten()
{
    const QString first = downloaded(50, March5);
    const archive::Stored kept = archive::keep(first, folder, at(9, 6));
    QCOMPARE(kept.kind, Kind::Archived);
    QVERIFY(archive::message(kept).startsWith("Archived: " + folder + "/2024-03-05_22-30-00_"));

    // Downloaded again without new records (in another download's data file): kept once.
    const archive::Stored again = archive::keep(downloaded(50, March5), folder, at(9, 7));
    QCOMPARE(again.kind, Kind::AlreadyArchived);
    QCOMPARE(again.path, kept.path);
    QCOMPARE(archive::message(again), "Already archived with the same records: " + kept.path);
    QCOMPARE(archived().size(), 1);

    // New records since, another start, the same records in the other unit: each is new.
    QCOMPARE(archive::keep(downloaded(51, March5), folder, at(9, 8)).kind, Kind::Archived);
    QCOMPARE(archive::keep(downloaded(51, March9), folder, at(9, 8)).kind, Kind::Archived);
    QCOMPARE(archive::keep(downloaded(51, March9, false), folder, at(9, 9)).kind, Kind::Archived);
    QCOMPARE(archived().size(), 4);

    // A name that is taken is never written over, even by a download of the same second.
    const QByteArray before = hygrolux::test::fileContents(kept.path);
    QFile::setPermissions(kept.path, QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    const archive::Stored sameSecond = archive::keep(downloaded(50, March5), folder, at(9, 6));
    QCOMPARE(sameSecond.kind, Kind::Archived);
    QCOMPARE(sameSecond.path, QString(kept.path).replace("_records.txt", "_records_2.txt"));
    QCOMPARE(hygrolux::test::fileContents(kept.path), before);
    QCOMPARE(archived().size(), 5);
}

void TestDownloadArchive::unwritableFolderSaysWhy_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("systemError"); // 0: none
    QTest::newRow("read-only folder") << "read-only" << EACCES;
    QTest::newRow("a file in place of the folder") << "file" << 0;
    QTest::newRow("full disk") << "full" << EFBIG;
}

void TestDownloadArchive::unwritableFolderSaysWhy()
{
    QFETCH(QString, fault);
    QFETCH(int, systemError);
    const QString data = downloaded(200, March5);
    QVERIFY(!data.isEmpty());
    const QString why = systemError ? qt_error_string(systemError) : QStringLiteral("not a folder");
    const auto saysWhy = [&](const archive::Stored& stored) {
        return stored.kind == Kind::NotArchived && stored.path.isEmpty() &&
               stored.reason.contains(folder) && stored.reason.contains(why) &&
               archive::message(stored) == QLatin1String("Not archived: ") + stored.reason;
    };
    archive::Stored stored;
    if (fault == "file") {
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
        file.close();
        stored = archive::keep(data, folder, at(9, 6));
        QCOMPARE(hygrolux::test::fileContents(folder), QByteArray("mine"));
    } else if (fault == "full") {
        const hygrolux::test::FileSizeLimit disk(1024);
        stored = archive::keep(data, folder, at(9, 6));
    } else {
        QVERIFY(QDir().mkpath(folder));
        hygrolux::test::giveToOrdinaryUser(dir->path());
        hygrolux::test::giveToOrdinaryUser(folder);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QVERIFY(hygrolux::test::asOrdinaryUser(
            [&] { return saysWhy(archive::keep(data, folder, at(9, 6))); }));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner));
        return;
    }
    QVERIFY2(saysWhy(stored), qPrintable(stored.reason));
    // Nothing is left behind, not even the copy cut short.
    if (fault != "file")
        QVERIFY(QDir(folder)
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

HYGROLUX_TEST_MAIN_CORE(TestDownloadArchive)
#include "tst_downloadarchive.moc"
