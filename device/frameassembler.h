#pragma once

#include <QByteArray>

#include <array>

// Joins the pieces the serial port delivers into the logger's replies. A 32-byte reply is
// collected in receive_buf and reported once complete. The download reply is far longer
// than the buffer: once its header is in, every further piece is handed on as it arrives,
// pointing into the caller's chunk, until the announced length has gone by.
// The assembler never touches the port; the window feeds it what readAll() returned and
// acts on the result.
class FrameAssembler
{
public:
    static constexpr int Capacity = 512;

    struct Result {
        // A complete 32-byte reply with a known code sits at the start of frame().
        bool replyReady = false;
        quint8 replyCode = 0;
        // The next piece of the download reply, to pass on as it is (size 0: none). It points
        // into receive_buf (the first piece, header included) or into the chunk just fed,
        // and stays valid until the next feed() or until the chunk changes.
        unsigned char* downloadPiece = nullptr;
        int downloadPieceSize = 0;
        // The download reply has gone by in full with this piece.
        bool downloadEnded = false;
        // The logger has answered the download command.
        bool downloadAnswered = false;
        // Bytes were thrown away: a piece that does not begin a reply while idle, a reply
        // that would not fit receive_buf, or the rest of a download whose stream was ended.
        bool dropped = false;

        bool hasDownloadPiece() const { return downloadPieceSize > 0; }
    };

    // Takes the bytes of one read. The chunk is not copied while a download streams, so
    // it must stay untouched as long as the result's downloadPiece is used.
    Result feed(QByteArray& chunk);

    // Back to idle; the content of frame() is left as it was.
    void reset();
    // Ends the download stream early. Pieces of that download that still arrive are
    // dropped until the next reset(), so they can never be taken for a new reply.
    void endStreaming();

    const unsigned char* frame() const { return receive_buf.data(); }
    int bytesHeld() const { return rxCount; }
    bool isStreaming() const { return downloadStreaming; }
    int expectedDownloadLength() const { return downloadExpected; }

private:
    Result streamPiece(unsigned char* data, int len);
    Result collect(const unsigned char* data, int len);
    void examineHeld(Result& result);
    bool isAbandonedDownload() const;

    std::array<unsigned char, Capacity> receive_buf{};
    // Bytes held in receive_buf; while a download streams, the bytes of it received so far.
    int rxCount = 0;
    bool downloadStreaming = false;
    int downloadExpected = 0;
};
