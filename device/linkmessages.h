#pragma once

#include <QString>

class QSerialPort;

// What the operator is told about the link to the logger, by the main window and by the
// command line alike: one text per situation, translated in the main window's context.
namespace linkmessages {

// Why the port did not open: the advice to join the "dialout" group when this user may
// not open it, otherwise "Not found a valid device!" (no port, busy, vanished).
QString openFailed(const QSerialPort& port);
QString deviceNotFound();
QString connected();
QString connectFailed();
QString clockSet();
QString recordingStopped();
QString parametersSent();
QString commandUnacknowledged();
// The port stays open, but the logger answers no poll.
QString noLiveReadings();
// The port failed while open: the adapter was unplugged or the line is gone.
QString linkLost();

} // namespace linkmessages
