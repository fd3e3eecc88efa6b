#pragma once

#include "device/wireformat.h"
#include "storedrecords.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <deque>

class QSocketNotifier;

namespace sim {

// What the simulated logger does differently on request. It may be changed at any time;
// a change applies from the next frame received or the next chunk of a reply sent.
struct Settings {
    // Answer frames with this command code with the busy reply (0xFF) while `busyCount`
    // is above zero; each busy reply counts it down, and the next frame is acknowledged.
    int busyCode = -1;
    int busyCount = 0;
    // Answer every frame with the busy reply, applying none, for this many milliseconds
    // from the moment the setting is made (0: never).
    int busyForMs = 0;
    // Never answer frames with this command code (nor apply them).
    int silentCode = -1;
    // Send only this many bytes of each reply to `stallCode` and never the rest (-1: never):
    // a stalled download block, or a 32-byte reply that never completes.
    int stallAfterBytes = -1;
    int stallCode = int(wire::Command::Download);
    // The download block's checksum field is one more than the byte sum.
    bool badChecksum = false;
    // The download block is zeros after 0xAA 0x06, count and checksum included.
    bool zeroBlock = false;
    // Close the pseudo-terminal after this many bytes of a reply to `dropCode` (-1: never).
    int dropAfterBytes = -1;
    int dropCode = int(wire::Command::Download);
    // Replies go out at the pace of a 9600-baud line (10 bits a byte, about 1.04 ms),
    // unless `fast` is set; either way in pieces of `chunkBytes` (0: each reply whole).
    bool fast = false;
    int chunkBytes = 16;
    // After every reply, this many bytes of line noise: seeded, and never the start byte,
    // so noise alone can not be taken for a reply.
    int noiseBytes = 0;
    // The recording clock runs this many times faster than real time.
    double timeScale = 1.0;
    // The live readings wander around their centre with every live reply.
    bool drift = true;
    // The live temperature walks 0.1 degC with every live reply from the first code to the
    // second and back, again and again, instead of wandering (-1: no walk): a reading that
    // crosses an alarm limit and comes back.
    int swingFromCode = -1;
    int swingToCode = -1;
};

// The recording parameters the logger holds, as the codes it received.
struct Parameters {
    quint16 tempHighCode = wire::encodeTemperature(40);
    quint16 tempLowCode = wire::encodeTemperature(-10);
    quint16 humiHighCode = wire::encodeHumidity(80);
    quint16 humiLowCode = wire::encodeHumidity(20);
    int recordNumber = 0;
    int intervalSeconds = 0;
    bool manualMode = false;
};

// The logger's side of the serial line, played on the master side of a pseudo-terminal.
// The program under test opens portName() like any serial port. Everything runs on the
// Qt event loop of the calling thread; nothing blocks.
class SimulatedLogger : public QObject
{
    Q_OBJECT

public:
    // `seed` fixes the live readings' wandering and the default stored records.
    explicit SimulatedLogger(quint32 seed = 1, QObject* parent = nullptr);
    ~SimulatedLogger() override;

    // Creates the pseudo-terminal; false (with errorString()) when the system refuses.
    bool open();
    QString errorString() const { return m_error; }
    // The path to open, e.g. /dev/pts/5.
    QString portName() const { return m_portName; }
    // True from open() until the link is dropped.
    bool isLinkUp() const { return m_masterFd >= 0; }

    Settings settings() const { return m_settings; }
    void setSettings(const Settings& settings);

    StoredRecords storedRecords() const { return m_records; }
    // Replaces what the logger holds; a recording in progress stops.
    void setStoredRecords(const StoredRecords& records);
    int recordCount() const { return m_records.codes.size(); }

    Parameters parameters() const { return m_parameters; }
    void setParameters(const Parameters& parameters) { m_parameters = parameters; }
    bool isRecording() const { return m_recordTimer.isActive(); }

    // The logger's clock runs at this offset from the host's clock (set by 0x02).
    qint64 clockOffsetSeconds() const { return m_clockOffsetSeconds; }
    QDateTime loggerTime() const;

    // The codes the next live reply carries; setting them also moves the centre the
    // readings wander around.
    wire::block::RecordCodes liveCodes() const { return m_live; }
    void setLiveCodes(wire::block::RecordCodes codes);

    // Sends bytes that answer no frame (line noise, the tail of a reply cut short), queued
    // behind any reply on its way.
    void sendNoise(const QByteArray& bytes) { send(0, bytes); }

signals:
    // A frame whose checksum holds (32 bytes), before it is answered.
    void frameReceived(const QByteArray& frame);
    // A frame whose checksum is wrong (32 bytes from its 0xAA); it gets no answer.
    void frameRejected(const QByteArray& frame);
    // The last byte of a reply was handed to the pseudo-terminal.
    void replySent(const QByteArray& reply);
    // A reply to `command` stopped after `bytesSent` bytes on request; the rest is dropped.
    void replyStalled(int command, int bytesSent);
    // The same, for the download block.
    void downloadStalled(int bytesSent);
    // The pseudo-terminal was closed: on request, once the program has read the first
    // `bytesSent` bytes of a reply (or a second has passed), or because the system failed
    // it (`bytesSent` -1).
    void linkDropped(int bytesSent);
    void recordCountChanged(int count);
    void recordingChanged(bool recording);

private:
    struct Outgoing {
        QByteArray bytes;
        int command = 0;
        int stallAt = -1;
        int dropAt = -1;
        int sent = 0;
        bool noise = false;
    };

    void readInput();
    void takeFrames();
    void answer(const QByteArray& frame);
    void applyRecordingParameters(const quint8* frame);
    void startRecording();
    void stopRecording();
    void recordOne();
    void driftLiveCodes();

    void send(int command, const QByteArray& reply);
    void queue(const Outgoing& out);
    QByteArray noise(int size);
    void sendShort(int command, quint8 replyCode);
    void pump();
    bool finishFront();
    void dropAfterDrain(int bytesSent);
    void dropWhenDrained();
    void dropLink(int bytesSent);
    void closeDescriptors();
    int recordPeriodMs() const;
    bool fail(const QString& what);

    Settings m_settings;
    Parameters m_parameters;
    StoredRecords m_records;
    wire::block::RecordCodes m_live;
    wire::block::RecordCodes m_liveCentre;
    QRandomGenerator m_random;
    QRandomGenerator m_noiseRandom;
    QElapsedTimer m_busyClock;
    bool m_swingBack = false;
    qint64 m_clockOffsetSeconds = 0;

    int m_masterFd = -1;
    int m_slaveFd = -1;
    QString m_portName;
    QString m_error;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_input;

    std::deque<Outgoing> m_output;
    QTimer m_pumpTimer;
    QElapsedTimer m_paceClock;
    qint64 m_pacedBytes = 0;
    QTimer m_recordTimer;
    QTimer m_drainTimer;
    QElapsedTimer m_drainClock;
    int m_bytesBeforeDrop = 0;
};

} // namespace sim
