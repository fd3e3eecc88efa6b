#pragma once

#include "device/portscan.h"

#include <QList>
#include <QString>

// The serial ports as `hygrolux-cli ports` lists them: name, USB id and description, with
// "*" before the port the logger is looked for on (`chosen`, a name or a device path).
// A chosen port that is not among them (named by --port or HYGROLUX_PORT) gets a line of
// its own below, saying where it came from (`origin`).
QString portList(const QList<devicelink::PortDescription>& ports, const QString& chosen,
                 const QString& origin);
