#include "blockreceiver.h"

void BlockReceiver::feed(const quint8* data, int size)
{
    if (state == State::Finished || size <= 0)
        return;
    int next = 0;
    if (state == State::AwaitingHeader) {
        if (size < wire::block::HeaderSize || data[0] != wire::StartByte ||
            data[1] != quint8(wire::Command::Download))
            return;
        takeHeader(data);
        next = wire::block::HeaderSize;
    }
    for (; next < size && state == State::Receiving; ++next) {
        const quint8 byte = data[next];
        byteSum += byte;
        pendingTriple[pendingCount++] = byte;
        if (pendingCount < wire::block::RecordSize)
            continue;
        pendingCount = 0;
        received += wire::block::RecordSize;
        if (received < expected)
            listener.blockRecord(wire::block::unpackRecord(pendingTriple));
        else
            complete();
    }
}

void BlockReceiver::reset()
{
    state = State::AwaitingHeader;
    expected = 0;
    received = 0;
    pendingCount = 0;
    byteSum = 0;
}

int BlockReceiver::progressPercent() const
{
    if (expected == 0)
        return 0;
    return int(quint64(received) * 100 / expected);
}

void BlockReceiver::takeHeader(const quint8* data)
{
    using namespace wire::block;
    BlockHeader header;
    header.recordCount = wire::readU16(data + CountOffset);
    const quint8* start = data + StartYearOffset;
    header.startDate = QDate(2000 + start[0], start[1], start[2]);
    header.startTime = QTime(start[3], start[4], start[5]);
    header.intervalSeconds = wire::readU16(data + IntervalOffset);

    state = State::Receiving;
    expected = quint32(length(header.recordCount));
    received = HeaderSize;
    pendingCount = 0;
    byteSum = 0;
    for (int i = CountOffset; i < HeaderSize; ++i)
        byteSum += data[i];
    listener.blockHeader(header);
}

void BlockReceiver::complete()
{
    const quint32 field = wire::block::readChecksum(pendingTriple);
    const quint32 payloadSum = byteSum - pendingTriple[0] - pendingTriple[1] - pendingTriple[2];
    // The field holds only the low 24 bits of the sum: a full block of high codes sums
    // past 2^24, and comparing the whole 32-bit sum would reject it.
    Verdict verdict = Verdict::Success;
    if ((payloadSum & wire::block::ChecksumMask) != field)
        verdict = Verdict::ChecksumError;
    else if (payloadSum == 0)
        verdict = Verdict::NoData;

    if (verdict == Verdict::Success) {
        state = State::Finished;
    } else {
        state = State::AwaitingHeader;
        received = 0;
    }
    pendingCount = 0;
    listener.blockFinished(verdict);
}
