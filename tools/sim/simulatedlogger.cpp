#include "simulatedlogger.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

// A 9600-baud line carries 10 bits a byte (start, 8 data, stop): 960 bytes a second.
constexpr qint64 NanosecondsPerByte = 1000000000LL / 960;

const wire::block::RecordCodes RoomCodes{
    static_cast<quint16>(23 * wire::TenthsPerUnit + wire::TemperatureOffset),
    static_cast<quint16>(45 * wire::TenthsPerUnit)};

const quint8* bytesOf(const QByteArray& data)
{
    return reinterpret_cast<const quint8*>(data.constData());
}

// One step of a walk that wanders a few tenths at a time and is pulled back to its centre.
quint16 wander(quint16 code, quint16 centre, int step, int maxCode)
{
    const int pull = (int(centre) - int(code)) / 8;
    return static_cast<quint16>(std::clamp(int(code) + step + pull, 0, maxCode));
}

bool setFlags(int fd, int fdFlags, int statusFlags)
{
    const int fdNow = ::fcntl(fd, F_GETFD);
    const int statusNow = ::fcntl(fd, F_GETFL);
    return fdNow >= 0 && statusNow >= 0 && ::fcntl(fd, F_SETFD, fdNow | fdFlags) == 0 &&
           ::fcntl(fd, F_SETFL, statusNow | statusFlags) == 0;
}

} // namespace

SimulatedLogger::SimulatedLogger(quint32 seed, QObject* parent)
    : QObject(parent), m_live(RoomCodes), m_liveCentre(RoomCodes), m_random(seed),
      m_noiseRandom(seed)
{
    m_records = plausibleDay(DefaultRecordCount, defaultStart(), DefaultIntervalSeconds, seed);
    m_parameters.recordNumber = DefaultRecordCount;
    m_parameters.intervalSeconds = DefaultIntervalSeconds;

    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    m_recordTimer.setTimerType(Qt::PreciseTimer);
    m_drainTimer.setInterval(5);
    connect(&m_pumpTimer, &QTimer::timeout, this, &SimulatedLogger::pump);
    connect(&m_drainTimer, &QTimer::timeout, this, &SimulatedLogger::dropWhenDrained);
    connect(&m_recordTimer, &QTimer::timeout, this, &SimulatedLogger::recordOne);
}

SimulatedLogger::~SimulatedLogger()
{
    closeDescriptors();
}

bool SimulatedLogger::fail(const QString& what)
{
    m_error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
    closeDescriptors();
    return false;
}

bool SimulatedLogger::open()
{
    if (isLinkUp())
        return true;
    m_masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_masterFd < 0)
        return fail(QStringLiteral("Cannot create a pseudo-terminal"));
    char name[128];
    if (::grantpt(m_masterFd) != 0 || ::unlockpt(m_masterFd) != 0 ||
        ::ptsname_r(m_masterFd, name, sizeof name) != 0)
        return fail(QStringLiteral("Cannot unlock the pseudo-terminal"));
    m_portName = QString::fromLocal8Bit(name);

    // Held open for the simulator's whole life (and never read): without it the master
    // would see hang-ups whenever the program closes the port.
    m_slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveFd < 0)
        return fail(QStringLiteral("Cannot open %1").arg(m_portName));
    termios line{};
    if (::tcgetattr(m_slaveFd, &line) != 0)
        return fail(QStringLiteral("Cannot read the line settings of %1").arg(m_portName));
    ::cfmakeraw(&line);
    if (::tcsetattr(m_slaveFd, TCSANOW, &line) != 0)
        return fail(QStringLiteral("Cannot make %1 a raw line").arg(m_portName));
    if (!setFlags(m_masterFd, FD_CLOEXEC, O_NONBLOCK) || !setFlags(m_slaveFd, FD_CLOEXEC, 0))
        return fail(QStringLiteral("Cannot set up the pseudo-terminal"));

    m_readNotifier = new QSocketNotifier(m_masterFd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(m_masterFd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimulatedLogger::readInput);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] {
        m_writeNotifier->setEnabled(false);
        pump();
    });
    m_error.clear();
    return true;
}

void SimulatedLogger::closeDescriptors()
{
    // Notifiers go before their descriptor is closed; they may be the sender of the
    // current call, hence deleteLater.
    for (QSocketNotifier* notifier : {m_readNotifier, m_writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    m_readNotifier = nullptr;
    m_writeNotifier = nullptr;
    if (m_masterFd >= 0)
        ::close(m_masterFd);
    if (m_slaveFd >= 0)
        ::close(m_slaveFd);
    m_masterFd = -1;
    m_slaveFd = -1;
    m_pumpTimer.stop();
    m_drainTimer.stop();
    m_output.clear();
    m_input.clear();
}

void SimulatedLogger::dropAfterDrain(int bytesSent)
{
    // Closing the master discards whatever the slave side has not read yet, so the bytes
    // already sent are left for the program to read first (for at most a second). Nothing
    // more is read or sent meanwhile.
    m_output.clear();
    m_pumpTimer.stop();
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_bytesBeforeDrop = bytesSent;
    m_drainClock.start();
    m_drainTimer.start();
}

void SimulatedLogger::dropWhenDrained()
{
    // The last bytes written may take a moment to reach the slave's input queue.
    constexpr qint64 SettleMs = 20;
    constexpr qint64 PatienceMs = 1000;
    int waiting = 0;
    const bool drained = ::ioctl(m_slaveFd, FIONREAD, &waiting) == 0 && waiting == 0;
    if ((drained && m_drainClock.elapsed() >= SettleMs) || m_drainClock.elapsed() >= PatienceMs)
        dropLink(m_bytesBeforeDrop);
}

void SimulatedLogger::dropLink(int bytesSent)
{
    closeDescriptors();
    emit linkDropped(bytesSent);
}

void SimulatedLogger::setSettings(const Settings& settings)
{
    const bool periodChanged = settings.timeScale != m_settings.timeScale;
    if (settings.busyForMs != m_settings.busyForMs)
        m_busyClock.start();
    m_settings = settings;
    if (periodChanged && isRecording())
        m_recordTimer.start(recordPeriodMs());
    if (isLinkUp() && !m_output.empty() && !m_pumpTimer.isActive() && !m_writeNotifier->isEnabled())
        pump();
}

void SimulatedLogger::setStoredRecords(const StoredRecords& records)
{
    stopRecording();
    m_records = records;
    if (m_records.codes.size() > MaxStoredRecords)
        m_records.codes.resize(MaxStoredRecords);
    emit recordCountChanged(recordCount());
}

QDateTime SimulatedLogger::loggerTime() const
{
    return QDateTime::currentDateTime().addSecs(m_clockOffsetSeconds);
}

void SimulatedLogger::setLiveCodes(wire::block::RecordCodes codes)
{
    m_live = codes;
    m_liveCentre = codes;
}

void SimulatedLogger::driftLiveCodes()
{
    const bool swinging = m_settings.swingFromCode >= 0 && m_settings.swingToCode >= 0;
    if (swinging) {
        const int target = m_swingBack ? m_settings.swingFromCode : m_settings.swingToCode;
        const int now = m_live.temperature;
        m_live.temperature = quint16(now + (target > now) - (target < now));
        if (m_live.temperature == target)
            m_swingBack = !m_swingBack;
    }
    if (!m_settings.drift)
        return;
    if (!swinging)
        m_live.temperature =
            wander(m_live.temperature, m_liveCentre.temperature, m_random.bounded(-2, 3), 0xFFF);
    m_live.humidity = wander(m_live.humidity, m_liveCentre.humidity, m_random.bounded(-3, 4), 1000);
}

// ---- receiving

void SimulatedLogger::readInput()
{
    char chunk[512];
    for (;;) {
        const ssize_t got = ::read(m_masterFd, chunk, sizeof chunk);
        if (got > 0) {
            m_input.append(chunk, int(got));
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // End of file or an error: the pseudo-terminal is no longer usable.
        dropLink(-1);
        return;
    }
    takeFrames();
}

void SimulatedLogger::takeFrames()
{
    while (isLinkUp()) {
        const int start = m_input.indexOf(char(wire::StartByte));
        if (start < 0) {
            m_input.clear();
            return;
        }
        m_input.remove(0, start);
        if (m_input.size() < wire::FrameSize)
            return;
        const QByteArray frame = m_input.left(wire::FrameSize);
        if (!wire::hasValidChecksum(bytesOf(frame))) {
            // Resynchronise on the next start byte rather than skipping a whole frame:
            // the 0xAA may have been noise in front of a good frame.
            m_input.remove(0, 1);
            emit frameRejected(frame);
            continue;
        }
        m_input.remove(0, wire::FrameSize);
        emit frameReceived(frame);
        answer(frame);
    }
}

void SimulatedLogger::answer(const QByteArray& frame)
{
    const quint8* bytes = bytesOf(frame);
    const int command = bytes[1];
    if (command == m_settings.silentCode)
        return;
    if (m_settings.busyForMs > 0 && !m_busyClock.hasExpired(m_settings.busyForMs)) {
        sendShort(command, wire::BusyReply);
        return;
    }
    if (command == m_settings.busyCode && m_settings.busyCount > 0) {
        --m_settings.busyCount;
        sendShort(command, wire::BusyReply);
        return;
    }

    switch (static_cast<wire::Command>(command)) {
    case wire::Command::Connect:
        sendShort(command, quint8(command));
        return;
    case wire::Command::SetClock: {
        const QDateTime clock(QDate(2000 + bytes[2], bytes[3], bytes[4]),
                              QTime(bytes[5], bytes[6], bytes[7]));
        if (!clock.isValid()) {
            // A clock the logger cannot hold is refused, not acknowledged.
            sendShort(command, wire::BusyReply);
            return;
        }
        m_clockOffsetSeconds = QDateTime::currentDateTime().secsTo(clock);
        sendShort(command, quint8(command));
        return;
    }
    case wire::Command::SetRecording:
        applyRecordingParameters(bytes);
        sendShort(command, quint8(command));
        return;
    case wire::Command::Stop:
        stopRecording();
        sendShort(command, quint8(command));
        return;
    case wire::Command::ReadLive: {
        const auto reply =
            wire::liveReplyFrame(m_live.temperature, m_live.humidity, m_parameters.tempHighCode,
                                 m_parameters.tempLowCode, m_parameters.humiHighCode,
                                 m_parameters.humiLowCode, static_cast<quint16>(recordCount()));
        send(command, QByteArray(reinterpret_cast<const char*>(reply.data()), wire::FrameSize));
        driftLiveCodes();
        return;
    }
    case wire::Command::Download: {
        BlockDamage damage = BlockDamage::None;
        if (m_settings.zeroBlock)
            damage = BlockDamage::AllZero;
        else if (m_settings.badChecksum)
            damage = BlockDamage::WrongChecksum;
        send(command, downloadBlock(m_records, damage));
        return;
    }
    }
    // Unknown command codes get no answer.
}

void SimulatedLogger::applyRecordingParameters(const quint8* frame)
{
    m_parameters.tempHighCode = wire::readU16(frame + 2);
    m_parameters.tempLowCode = wire::readU16(frame + 4);
    m_parameters.humiHighCode = wire::readU16(frame + 6);
    m_parameters.humiLowCode = wire::readU16(frame + 8);
    m_parameters.recordNumber = wire::readU16(frame + 10);
    m_parameters.intervalSeconds = wire::readU16(frame + 12);
    m_parameters.manualMode = frame[20] == 2;
    startRecording();
}

// ---- recording

int SimulatedLogger::recordPeriodMs() const
{
    const double scale = m_settings.timeScale > 0 ? m_settings.timeScale : 1.0;
    const double ms = m_parameters.intervalSeconds * 1000.0 / scale;
    return int(std::clamp(std::lround(ms), 1L, long(std::numeric_limits<int>::max())));
}

void SimulatedLogger::startRecording()
{
    stopRecording();
    const QDateTime now = loggerTime();
    m_records.start =
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    m_records.intervalSeconds = m_parameters.intervalSeconds;
    m_records.codes.clear();
    emit recordCountChanged(0);
    // In manual mode the logger waits for its own button; with no interval or no records
    // asked for there is nothing to record.
    if (m_parameters.manualMode || m_parameters.intervalSeconds == 0 ||
        m_parameters.recordNumber == 0)
        return;
    m_recordTimer.start(recordPeriodMs());
    emit recordingChanged(true);
}

void SimulatedLogger::stopRecording()
{
    if (!m_recordTimer.isActive())
        return;
    m_recordTimer.stop();
    emit recordingChanged(false);
}

void SimulatedLogger::recordOne()
{
    m_records.codes.append(m_live);
    emit recordCountChanged(recordCount());
    if (recordCount() >= std::min(m_parameters.recordNumber, MaxStoredRecords))
        stopRecording();
}

// ---- sending

void SimulatedLogger::sendShort(int command, quint8 replyCode)
{
    QByteArray reply(wire::FrameSize, '\0');
    reply[0] = char(wire::StartByte);
    reply[1] = char(replyCode);
    send(command, reply);
}

void SimulatedLogger::send(int command, const QByteArray& reply)
{
    Outgoing out;
    out.bytes = reply;
    out.command = command;
    if (command == m_settings.stallCode)
        out.stallAt = m_settings.stallAfterBytes;
    if (command == m_settings.dropCode)
        out.dropAt = m_settings.dropAfterBytes;
    queue(out);
    if (m_settings.noiseBytes > 0) {
        Outgoing noiseOut;
        noiseOut.bytes = noise(m_settings.noiseBytes);
        noiseOut.command = command;
        noiseOut.noise = true;
        queue(noiseOut);
    }
}

QByteArray SimulatedLogger::noise(int size)
{
    QByteArray bytes(size, '\0');
    for (char& byte : bytes) {
        // Uniform over the 255 values other than the start byte.
        const int value = int(m_noiseRandom.bounded(255));
        byte = char(value < wire::StartByte ? value : value + 1);
    }
    return bytes;
}

void SimulatedLogger::queue(const Outgoing& out)
{
    const bool wasIdle = m_output.empty();
    m_output.push_back(out);
    if (wasIdle) {
        m_paceClock.start();
        m_pacedBytes = 0;
        pump();
    }
}

// Hands the front reply's bytes to the pseudo-terminal, one chunk per turn of the event
// loop, at the line's pace unless fast delivery is asked for.
void SimulatedLogger::pump()
{
    while (isLinkUp() && !m_output.empty()) {
        if (finishFront())
            continue;
        Outgoing& out = m_output.front();
        int limit = out.bytes.size();
        for (int cut : {out.stallAt, out.dropAt})
            if (cut >= 0)
                limit = std::min(limit, cut);
        const int chunk = m_settings.chunkBytes > 0 ? m_settings.chunkBytes : limit;
        const int size = std::min(chunk, limit - out.sent);

        if (!m_settings.fast) {
            const qint64 due = (m_pacedBytes + size) * NanosecondsPerByte;
            const qint64 wait = due - m_paceClock.nsecsElapsed();
            if (wait > 0) {
                m_pumpTimer.start(int((wait + 999999) / 1000000));
                return;
            }
        }
        const ssize_t written = ::write(m_masterFd, out.bytes.constData() + out.sent, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_writeNotifier->setEnabled(true);
                return;
            }
            dropLink(-1);
            return;
        }
        out.sent += int(written);
        m_pacedBytes += written;
        if (finishFront())
            continue;
        // Let the reader see this piece on its own before the next one goes out.
        m_pumpTimer.start(0);
        return;
    }
}

// Retires the front reply when it is complete or cut off; true when it was retired.
bool SimulatedLogger::finishFront()
{
    Outgoing& out = m_output.front();
    if (out.dropAt >= 0 && out.sent >= out.dropAt) {
        dropAfterDrain(out.sent);
        return true;
    }
    if (out.sent >= out.bytes.size()) {
        const QByteArray bytes = out.bytes;
        const bool noise = out.noise;
        m_output.pop_front();
        if (!noise)
            emit replySent(bytes);
        return true;
    }
    if (out.stallAt >= 0 && out.sent >= out.stallAt) {
        const int command = out.command;
        const int sent = out.sent;
        m_output.pop_front();
        emit replyStalled(command, sent);
        if (command == int(wire::Command::Download))
            emit downloadStalled(sent);
        return true;
    }
    return false;
}

} // namespace sim
