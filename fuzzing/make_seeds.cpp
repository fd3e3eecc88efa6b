// make-fuzz-seeds: writes the fuzz targets' seed corpora from what the program itself
// produces: the simulated logger's replies, and the data file and workbook of a download
// made with the program's own writers. Regenerate with
//     build-fuzz/fuzzing/make-fuzz-seeds fuzzing/corpus
// (the workbook seeds carry their creation time, so they differ from run to run).

#include "blockreceiver.h"
#include "datafile.h"
#include "loggeddecoder.h"
#include "sheet.h"
#include "sheetlayout.h"
#include "storedrecords.h"
#include "summarylines.h"
#include "wireformat.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <minizip/unzip.h>

#include <cstdio>

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

// A download decoded and written the way the analysis window does it.
struct Download : BlockReceiver::Listener {
    DataFileWriter writer;
    Sheet sheet;
    LoggedDecoder decoder;
    LoggedHeader header;
    int number = 0;
    bool ok = false;

    Download(const QString& dataFile, bool celsius) : writer(dataFile), decoder(celsius)
    {
        header.celsius = celsius;
        header.alarms = AlarmLimits{40, -10, 80, 20};
    }
    void blockHeader(const BlockHeader& block) override
    {
        decoder.takeHeader(block);
        header.recordCount = block.recordCount;
        header.startDate = block.startDate;
        header.startTime = block.startTime;
        header.intervalSeconds = block.intervalSeconds;
        writer.writeHead(header);
        sheetlayout::writeHead(sheet, header);
    }
    void blockRecord(wire::block::RecordCodes codes) override
    {
        const LoggedRecord record = decoder.decode(codes);
        ++number;
        writer.writeRecord(number, record);
        sheetlayout::writeRecord(sheet, number, record);
    }
    void blockFinished(BlockReceiver::Verdict verdict) override
    {
        if (verdict != BlockReceiver::Verdict::Success)
            return;
        decoder.finish();
        SummaryValues values;
        values.statistics = decoder.statistics();
        values.alarms = header.alarms;
        values.intervalSeconds = decoder.intervalSeconds();
        values.recordCount = header.recordCount;
        values.celsius = header.celsius;
        const QStringList lines = summary::lines(values);
        sheetlayout::writeSummary(sheet, lines);
        ok = writer.writeSummary(lines);
    }
};

bool runDownload(Download& download, int records)
{
    if (!download.writer.open())
        return false;
    BlockReceiver receiver(download);
    const QByteArray block = sim::downloadBlock(someRecords(records));
    receiver.feed(reinterpret_cast<const quint8*>(block.constData()), block.size());
    return download.ok;
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
        Download download(dataFile, c.celsius);
        ok = runDownload(download, c.records) && download.sheet.saveAs(workbook);
        ok = ok && writeSeed(out + QStringLiteral("/datafile"), QLatin1String(c.name) + ".txt",
                             fileContents(dataFile));
        ok = ok && writeSeed(out + QStringLiteral("/sheet"), QLatin1String(c.name) + ".xlsx",
                             fileContents(workbook));
        ok = ok && writeSeed(out + QStringLiteral("/sheet"), QLatin1String(c.name) + ".parts",
                             workbookParts(workbook));
    }
    if (!ok) {
        std::fprintf(stderr, "make-fuzz-seeds: failed\n");
        return 1;
    }
    return 0;
}
