// make-fuzz-seeds: writes the fuzz targets' seed corpora from what the program itself
// produces: the simulated logger's replies and download blocks, and the data file and
// workbook of a download made by the program's own download and export. Regenerate with
//     build-asan/fuzzing/make-fuzz-seeds fuzzing/corpus
// (the workbook seeds carry their creation time, so they differ from run to run).

#include "device/wireformat.h"
#include "records/loggeddownload.h"
#include "reports/exports.h"
#include "storedrecords.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <minizip/unzip.h>

#include <cstdio>
#include <optional>

namespace {

QByteArray frameBytes(const wire::Frame& frame)
{
    return QByteArray(reinterpret_cast<const char*>(frame.data()), wire::FrameSize);
}

QByteArray shortReply(quint8 code)
{
    QByteArray reply(wire::FrameSize, '\0');
    reply[0] = char(wire::StartByte);
    reply[1] = char(code);
    return reply;
}

// The step encoding of the frame assembler target.
struct Steps {
    QByteArray bytes;

    void feed(const QByteArray& data, int pieceSize)
    {
        for (int at = 0; at < data.size(); at += pieceSize) {
            const QByteArray piece = data.mid(at, pieceSize);
            bytes += char(piece.size() - 1);
            bytes += piece;
        }
    }
    void reset() { bytes += char(0xFF); }
    void endStreaming() { bytes += char(0xFE); }
};

sim::StoredRecords someRecords(int count)
{
    return sim::plausibleDay(count, QDateTime(QDate(2024, 3, 9), QTime(22, 30, 0)), 300, 7);
}

QByteArray liveReply()
{
    return frameBytes(wire::liveReplyFrame(630, 455, wire::encodeTemperature(40),
                                           wire::encodeTemperature(-10), wire::encodeHumidity(80),
                                           wire::encodeHumidity(20), 288));
}

QMap<QString, QByteArray> assemblerSeeds()
{
    QMap<QString, QByteArray> seeds;
    Steps handshake;
    handshake.feed(shortReply(0x01), 10);
    handshake.reset();
    handshake.feed(liveReply(), 14);
    handshake.reset();
    handshake.feed(shortReply(wire::BusyReply), 32);
    handshake.reset();
    handshake.feed(shortReply(0x03) + QByteArray(8, '\x55'), 40);
    seeds.insert(QStringLiteral("handshake-and-poll"), handshake.bytes);

    Steps download;
    download.reset();
    download.feed(sim::downloadBlock(someRecords(6)), 16);
    download.reset();
    download.feed(liveReply(), 32);
    seeds.insert(QStringLiteral("download-in-pieces"), download.bytes);

    Steps abandoned;
    const QByteArray block = sim::downloadBlock(someRecords(40));
    abandoned.feed(block.left(64), 64);
    abandoned.endStreaming();
    abandoned.feed(block.mid(64), 64);
    abandoned.reset();
    abandoned.feed(shortReply(0x04), 32);
    seeds.insert(QStringLiteral("download-given-up"), abandoned.bytes);

    Steps noise;
    noise.feed(QByteArray::fromHex("0006550013"), 5);
    QByteArray unknown(600, '\x11');
    unknown[0] = char(wire::StartByte);
    unknown[1] = char(0x07);
    noise.feed(unknown, 128);
    noise.reset();
    noise.feed(shortReply(0x02), 1);
    seeds.insert(QStringLiteral("noise-and-unknown-code"), noise.bytes);
    return seeds;
}

// The step encoding of the download target: byte 0 the unit, then pieces and events.
struct DownloadSteps {
    QByteArray bytes;

    explicit DownloadSteps(bool celsius) : bytes(1, celsius ? '\x01' : '\x00') {}
    // As the link hands a block on: the first piece at least 15 bytes, collected while the
    // header is recognised, then pieces of up to `pieceSize` bytes.
    void feed(const QByteArray& data, int pieceSize)
    {
        int at = 0;
        while (at < data.size()) {
            const int size = at == 0 ? qMax(pieceSize, 15) : pieceSize;
            const QByteArray piece = data.mid(at, size);
            bytes += char(piece.size() - 1);
            bytes += piece;
            at += piece.size();
        }
    }
    void linkDropped() { bytes += char(0xFF); }
    void downloadAgain() { bytes += char(0xFE); }
    void checkPeriod() { bytes += char(0xFD); }
};

QMap<QString, QByteArray> downloadSeeds()
{
    QMap<QString, QByteArray> seeds;
    DownloadSteps whole(true);
    whole.feed(sim::downloadBlock(someRecords(6)), 64);
    seeds.insert(QStringLiteral("celsius-6"), whole.bytes);

    DownloadSteps bytewise(false);
    bytewise.feed(sim::downloadBlock(someRecords(3)), 1);
    seeds.insert(QStringLiteral("fahrenheit-3-bytewise"), bytewise.bytes);

    DownloadSteps damaged(true);
    damaged.feed(sim::downloadBlock(someRecords(4), sim::BlockDamage::WrongChecksum), 7);
    damaged.downloadAgain();
    damaged.feed(sim::downloadBlock(someRecords(2), sim::BlockDamage::AllZero), 64);
    seeds.insert(QStringLiteral("checksum-error-then-no-data"), damaged.bytes);

    DownloadSteps stalled(true);
    const QByteArray block = sim::downloadBlock(someRecords(10));
    stalled.feed(block.left(20), 64);
    stalled.checkPeriod();
    stalled.checkPeriod();
    stalled.downloadAgain();
    stalled.feed(block, 16);
    seeds.insert(QStringLiteral("stalled-then-whole"), stalled.bytes);

    DownloadSteps dropped(true);
    dropped.feed(block.left(30), 64);
    dropped.linkDropped();
    seeds.insert(QStringLiteral("link-dropped"), dropped.bytes);
    return seeds;
}

// A download of `records` records as the program makes it: the data file it writes, and
// the workbook that Export saves from it.
bool runDownload(const QString& dataFile, const QString& workbook, bool celsius, int records)
{
    LoggedDownload download(dataFile);
    if (!download.start(celsius, AlarmLimits{40, -10, 80, 20}))
        return false;
    const QByteArray block = sim::downloadBlock(someRecords(records));
    std::optional<LoggedDownload::Outcome> outcome;
    QObject::connect(&download, &LoggedDownload::finished,
                     [&outcome](LoggedDownload::Outcome result) { outcome = result; });
    download.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    return outcome == LoggedDownload::Outcome::Success &&
           exports::saveWorkbook(download.sheet(), download.summaryLines(),
                                 {workbook, download.dataFilePath()})
               .saved;
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The five parts the sheet target packs, separated by NUL bytes.
QByteArray workbookParts(const QString& xlsx)
{
    const char* const names[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml",
                                 "xl/styles.xml", "xl/workbook.xml", "xl/_rels/workbook.xml.rels"};
    unzFile zip = unzOpen64(QFile::encodeName(xlsx).constData());
    if (!zip)
        return QByteArray();
    QByteArray parts;
    for (const char* name : names) {
        if (!parts.isEmpty())
            parts += '\0';
        if (unzLocateFile(zip, name, 0) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK)
            continue;
        char buffer[4096];
        int n;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            parts.append(buffer, n);
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return parts;
}

bool writeSeed(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (bytes.isEmpty() && !name.startsWith(QLatin1String("empty"))) {
        std::fprintf(stderr, "nothing to write for %s\n", qPrintable(file.fileName()));
        return false;
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds <corpus folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir scratch;
    bool ok = scratch.isValid();
    // The downloads made here are no logger's: their archive copies stay in the scratch folder.
    qputenv("HYGROLUX_ARCHIVE", QFile::encodeName(scratch.filePath(QStringLiteral("archive"))));

    const QMap<QString, QByteArray> assembler = assemblerSeeds();
    for (auto it = assembler.cbegin(); ok && it != assembler.cend(); ++it)
        ok = writeSeed(out + QStringLiteral("/frameassembler"), it.key(), it.value());

    struct Case {
        const char* name;
        bool celsius;
        int records;
    };
    for (const Case& c : {Case{"celsius-6", true, 6}, Case{"fahrenheit-3", false, 3},
                          Case{"no-records", true, 0}}) {
        if (!ok)
            break;
        const QString dataFile = scratch.filePath(QLatin1String(c.name) + ".txt");
        const QString workbook = scratch.filePath(QLatin1String(c.name) + ".xlsx");
        ok = runDownload(dataFile, workbook, c.celsius, c.records);
        ok = ok && writeSeed(out + QStringLiteral("/datafile"), QLatin1String(c.name) + ".txt",
                             fileContents(dataFile));
        ok = ok && writeSeed(out + QStringLiteral("/sheet"), QLatin1String(c.name) + ".xlsx",
                             fileContents(workbook));
        ok = ok && writeSeed(out + QStringLiteral("/sheet"), QLatin1String(c.name) + ".parts",
                             workbookParts(workbook));
    }
    const QMap<QString, QByteArray> downloads = downloadSeeds();
    for (auto it = downloads.cbegin(); ok && it != downloads.cend(); ++it)
        ok = writeSeed(out + QStringLiteral("/download"), it.key(), it.value());
    if (!ok) {
        std::fprintf(stderr, "make-fuzz-seeds: failed\n");
        return 1;
    }
    return 0;
}
