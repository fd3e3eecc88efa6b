#include "frameassembler.h"

#include "wireformat.h"

#include <algorithm>

namespace {

// Nothing is decided before this many bytes are in: the length of the shortest download
// reply, so the download header is always whole when it is recognised.
constexpr int MinimumHeld = wire::block::length(0);

bool isShortReply(quint8 code)
{
    using wire::Command;
    switch (code) {
    case quint8(Command::Connect):
    case quint8(Command::SetClock):
    case quint8(Command::SetRecording):
    case quint8(Command::Stop):
    case quint8(Command::ReadLive):
    case wire::BusyReply:
        return true;
    default:
        return false;
    }
}

} // namespace

FrameAssembler::Result FrameAssembler::feed(QByteArray& chunk)
{
    const int len = chunk.size();
    if (len == 0)
        return {};
    auto* data = reinterpret_cast<unsigned char*>(chunk.data());
    if (downloadStreaming)
        return streamPiece(data, len);
    if (isAbandonedDownload()) {
        Result result;
        result.dropped = true;
        return result;
    }
    return collect(data, len);
}

void FrameAssembler::reset()
{
    rxCount = 0;
    downloadStreaming = false;
    downloadExpected = 0;
}

void FrameAssembler::endStreaming()
{
    downloadStreaming = false;
}

bool FrameAssembler::isAbandonedDownload() const
{
    return rxCount != 0 && !downloadStreaming && downloadExpected != 0;
}

FrameAssembler::Result FrameAssembler::streamPiece(unsigned char* data, int len)
{
    Result result;
    result.downloadPiece = data;
    result.downloadPieceSize = len;
    rxCount += len;
    if (rxCount >= downloadExpected) {
        result.downloadEnded = true;
        reset();
    }
    return result;
}

FrameAssembler::Result FrameAssembler::collect(const unsigned char* data, int len)
{
    Result result;
    if (rxCount == 0) {
        // Byte 1 alone marks the answer to the download command, even when byte 0 is
        // not the start byte.
        if (len > 1 && data[1] == quint8(wire::Command::Download))
            result.downloadAnswered = true;
        if (data[0] != wire::StartByte) {
            result.dropped = true;
            return result;
        }
    }
    if (len > Capacity - rxCount) {
        // No reply the logger sends is collected this far; whatever this is, it is not one.
        reset();
        result.dropped = true;
        return result;
    }
    std::copy(data, data + len, receive_buf.begin() + rxCount);
    rxCount += len;
    examineHeld(result);
    return result;
}

void FrameAssembler::examineHeld(Result& result)
{
    if (rxCount < MinimumHeld)
        return;
    const quint8 code = receive_buf[1];
    if (isShortReply(code)) {
        if (rxCount < wire::FrameSize)
            return;
        result.replyReady = true;
        result.replyCode = code;
        // Bytes beyond the 32nd belong to no reply; the frame stays readable in receive_buf.
        reset();
    } else if (code == quint8(wire::Command::Download)) {
        const int recordCount = wire::readU16(receive_buf.data() + wire::block::CountOffset);
        downloadExpected = wire::block::length(recordCount);
        downloadStreaming = true;
        result.downloadAnswered = true;
        // Everything collected so far, header included, is the first piece. rxCount keeps
        // counting the whole reply from its first byte, so a first piece that already holds
        // the whole block leaves the stream open until the next piece arrives.
        result.downloadPiece = receive_buf.data();
        result.downloadPieceSize = rxCount;
    }
}
