#include "portlist.h"

#include <QStringList>

namespace {

QString usbId(const devicelink::PortDescription& port)
{
    if (!port.hasUsbIds)
        return QString();
    return QStringLiteral("%1:%2")
        .arg(port.vendorId, 4, 16, QLatin1Char('0'))
        .arg(port.productId, 4, 16, QLatin1Char('0'));
}

} // namespace

QString portList(const QList<devicelink::PortDescription>& ports, const QString& chosen,
                 const QString& origin)
{
    int nameWidth = 4;
    for (const devicelink::PortDescription& port : ports)
        nameWidth = qMax(nameWidth, port.portName.size());

    const auto line = [nameWidth](const QString& mark, const QString& name, const QString& id,
                                  const QString& description) {
        QString text =
            QStringLiteral("%1 %2  %3  %4")
                .arg(mark, name.leftJustified(nameWidth), id.leftJustified(9), description);
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text + QLatin1Char('\n');
    };
    QString text = line(QStringLiteral(" "), QStringLiteral("PORT"), QStringLiteral("USB ID"),
                        QStringLiteral("DESCRIPTION"));
    bool chosenListed = false;
    for (const devicelink::PortDescription& port : ports) {
        const bool isChosen =
            !chosen.isEmpty() &&
            (chosen == port.portName || chosen == devicelink::deviceFile(port.portName));
        chosenListed = chosenListed || isChosen;
        text += line(isChosen ? QStringLiteral("*") : QStringLiteral(" "), port.portName,
                     usbId(port), port.description);
    }
    if (ports.isEmpty())
        text += QStringLiteral("  (no serial ports)\n");
    if (!chosen.isEmpty() && !chosenListed)
        text += QStringLiteral("* %1 (%2)\n").arg(chosen, origin);
    return text;
}
