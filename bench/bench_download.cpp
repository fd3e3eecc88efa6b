// Times a full download of the largest block the logger can send (65535 records), fed in
// 64-byte chunks as the serial link hands them on: reassembly, decoding, the data file
// written as the records arrive, the workbook rows, and the summary rewrite at the end.
#include "blockreceiver.h"
#include "datafile.h"
#include "loggeddecoder.h"
#include "sheet.h"
#include "sheetlayout.h"
#include "summarylines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <limits>
#include <vector>

namespace {

constexpr int RecordCount = 65535;
constexpr int ChunkSize = 64;

std::vector<quint8> makeBlock()
{
    using namespace wire::block;
    std::vector<quint8> block(size_t(length(RecordCount)));
    block[0] = wire::StartByte;
    block[1] = quint8(wire::Command::Download);
    wire::writeU16(&block[CountOffset], RecordCount);
    const quint8 clock[] = {24, 3, 9, 22, 30, 0};
    std::copy(std::begin(clock), std::end(clock), block.begin() + StartYearOffset);
    wire::writeU16(&block[IntervalOffset], 60);
    QRandomGenerator random(7);
    for (int i = 0; i < RecordCount; ++i) {
        const RecordCodes codes{quint16(random.bounded(100, 1400)), quint16(random.bounded(1001))};
        const auto packed = packRecord(codes);
        std::copy(packed.begin(), packed.end(), block.begin() + HeaderSize + RecordSize * i);
    }
    quint32 sum = 0;
    for (size_t i = CountOffset; i < block.size() - ChecksumSize; ++i)
        sum += block[i];
    writeChecksum(&block[block.size() - ChecksumSize], sum);
    return block;
}

struct Download : BlockReceiver::Listener {
    Download(const QString& path, bool writeFile, bool writeSheet)
        : writer(path), toFile(writeFile), toSheet(writeSheet)
    {}

    void blockHeader(const BlockHeader& block) override
    {
        decoder.takeHeader(block);
        header.recordCount = block.recordCount;
        header.startDate = block.startDate;
        header.startTime = block.startTime;
        header.intervalSeconds = block.intervalSeconds;
        header.celsius = decoder.isCelsius();
        if (toFile)
            writer.writeHead(header);
        if (toSheet)
            sheetlayout::writeHead(sheet, header);
    }
    void blockRecord(wire::block::RecordCodes codes) override
    {
        const LoggedRecord record = decoder.decode(codes);
        ++written;
        if (toFile)
            writer.writeRecord(written, record);
        if (toSheet)
            sheetlayout::writeRecord(sheet, written, record);
    }
    void blockFinished(BlockReceiver::Verdict result) override { verdict = result; }

    LoggedDecoder decoder;
    DataFileWriter writer;
    Sheet sheet;
    bool toFile;
    bool toSheet;
    LoggedHeader header;
    int written = 0;
    BlockReceiver::Verdict verdict = BlockReceiver::Verdict::ChecksumError;
};

struct Timing {
    qint64 receivedMs = 0;
    qint64 totalMs = 0;
    bool good = false;
};

Timing runDownload(const std::vector<quint8>& block, const QString& path, bool toFile, bool toSheet)
{
    Download download(path, toFile, toSheet);
    BlockReceiver receiver(download);
    Timing timing;
    if (toFile && !download.writer.open())
        return timing;
    QElapsedTimer timer;
    timer.start();
    for (size_t at = 0; at < block.size(); at += ChunkSize)
        receiver.feed(&block[at], int(qMin<size_t>(ChunkSize, block.size() - at)));
    timing.receivedMs = timer.elapsed();

    download.decoder.finish();
    SummaryValues values;
    values.statistics = download.decoder.statistics();
    values.intervalSeconds = download.decoder.intervalSeconds();
    values.recordCount = download.header.recordCount;
    const QStringList lines = summary::lines(values);
    bool saved = true;
    if (toFile)
        saved = download.writer.writeSummary(lines);
    if (toSheet)
        sheetlayout::writeSummary(download.sheet, lines);
    timing.totalMs = timer.elapsed();
    timing.good = saved && download.written == RecordCount &&
                  download.verdict == BlockReceiver::Verdict::Success;
    return timing;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.txt"));
    const std::vector<quint8> block = makeBlock();
    std::printf("%d records in %d-byte chunks, best of 5 runs (ms):\n", RecordCount, ChunkSize);

    struct Stage {
        const char* name;
        bool toFile;
        bool toSheet;
    };
    const Stage stages[] = {
        {"reassembly and decoding", false, false},
        {"  + data file", true, false},
        {"  + data file and workbook rows", true, true},
    };
    for (const Stage& stage : stages) {
        Timing best;
        best.receivedMs = best.totalMs = std::numeric_limits<qint64>::max();
        bool good = true;
        for (int run = 0; run < 5; ++run) {
            const Timing t = runDownload(block, path, stage.toFile, stage.toSheet);
            good = good && t.good;
            best.receivedMs = qMin(best.receivedMs, t.receivedMs);
            best.totalMs = qMin(best.totalMs, t.totalMs);
        }
        std::printf("%-34s received %4lld, with the summary rewrite %4lld%s\n", stage.name,
                    best.receivedMs, best.totalMs, good ? "" : "  (FAILED)");
    }
    return 0;
}
