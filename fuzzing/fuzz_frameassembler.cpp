// Feeds the frame assembler arbitrary sequences of chunks, interleaved with the resets the
// main window makes when it writes a command and with downloads it gives up, and checks
// what the window relies on.
//
// Input: a sequence of steps. The byte 0xFF resets the assembler, 0xFE ends the download
// stream; any other byte b feeds the next (b % 128) + 1 bytes of the input as one chunk.

#include "device/frameassembler.h"
#include "device/wireformat.h"
#include "invariant.h"

#include <QByteArray>
#include <QVector>

#include <cstdint>
#include <cstring>

namespace {

constexpr uint8_t ResetStep = 0xFF;
constexpr uint8_t EndStreamingStep = 0xFE;

using fuzz::require;
using fuzz::violated;

bool isKnownShortReply(quint8 code)
{
    return (code >= quint8(wire::Command::Connect) && code <= quint8(wire::Command::ReadLive)) ||
           code == wire::BusyReply;
}

// Everything fed so far, with the offset at which each chunk began.
struct Fed {
    QByteArray bytes;
    QVector<int> chunkStarts;

    bool endsWith(const unsigned char* data, int size) const
    {
        return size <= bytes.size() &&
               std::memcmp(bytes.constData() + bytes.size() - size, data, size_t(size)) == 0;
    }
    // A 32-byte reply is collected from a chunk start and completed by the latest chunk.
    bool heldReplyFrom(const unsigned char* frame) const
    {
        const int latest = chunkStarts.last();
        for (int i = chunkStarts.size() - 1; i >= 0; --i) {
            const int start = chunkStarts[i];
            const int end = start + wire::FrameSize;
            if (end <= latest)
                break;
            if (end <= bytes.size() &&
                std::memcmp(bytes.constData() + start, frame, wire::FrameSize) == 0)
                return true;
        }
        return false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FrameAssembler assembler;
    Fed fed;
    bool streaming = false; // between a header piece and the end of its stream
    qint64 streamBytes = 0;
    int streamExpected = 0;

    size_t at = 0;
    while (at < size) {
        const uint8_t step = data[at++];
        if (step == ResetStep) {
            assembler.reset();
            streaming = false;
            continue;
        }
        if (step == EndStreamingStep) {
            assembler.endStreaming();
            streaming = false;
            continue;
        }
        const size_t length = std::min<size_t>(size_t(step % 128) + 1, size - at);
        QByteArray chunk(reinterpret_cast<const char*>(data + at), int(length));
        at += length;
        fed.chunkStarts.append(fed.bytes.size());
        fed.bytes.append(chunk);
        const char* const chunkBegin = chunk.constData();

        const FrameAssembler::Result result = assembler.feed(chunk);

        if (result.replyReady) {
            require(isKnownShortReply(result.replyCode), "an unknown reply code was announced");
            require(assembler.frame()[0] == wire::StartByte, "a reply without its start byte");
            require(assembler.frame()[1] == result.replyCode, "reply code differs from byte 1");
            require(fed.heldReplyFrom(assembler.frame()), "an announced reply was never fed");
            require(!result.hasDownloadPiece(), "a reply and a download piece at once");
        }
        if (result.hasDownloadPiece()) {
            const auto* piece = result.downloadPiece;
            const int pieceSize = result.downloadPieceSize;
            const bool inFrame = piece == assembler.frame();
            const bool inChunk = piece == reinterpret_cast<const unsigned char*>(chunkBegin);
            require(inFrame || inChunk, "a download piece points outside the buffers");
            require(pieceSize <= (inFrame ? FrameAssembler::Capacity : int(length)),
                    "a download piece is longer than its buffer");
            require(fed.endsWith(piece, pieceSize), "a download piece holds bytes never fed");
            if (inFrame) {
                require(!streaming, "a second download header within one stream");
                streaming = true;
                streamBytes = pieceSize;
                streamExpected = assembler.expectedDownloadLength();
                require(streamExpected ==
                            wire::block::length(wire::readU16(piece + wire::block::CountOffset)),
                        "the expected length is not the one the header announces");
            } else {
                require(streaming, "a download piece outside a stream");
                streamBytes += pieceSize;
            }
            if (result.downloadEnded) {
                require(streamBytes >= streamExpected, "the stream ended early");
                streaming = false;
            } else if (!inFrame) {
                require(streamBytes < streamExpected, "the stream ran past its length");
            }
        } else {
            require(!result.downloadEnded, "a stream ended without a piece");
        }
        require(streaming == assembler.isStreaming(), "the stream state differs");
        if (!assembler.isStreaming() && assembler.expectedDownloadLength() == 0) {
            require(assembler.bytesHeld() <= FrameAssembler::Capacity,
                    "more bytes held than the buffer has room for");
            require(assembler.bytesHeld() == 0 || assembler.frame()[0] == wire::StartByte,
                    "bytes held without a start byte");
        }
    }
    return 0;
}
