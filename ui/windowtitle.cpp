#include "windowtitle.h"

#include <QString>

namespace windowtitle {

QString programName()
{
    return QStringLiteral("Hygrolux");
}

QString of(const QString& windowName)
{
    // The separator Qt itself puts between a title and the program's name.
    return programName() + QStringLiteral(" \u2014 ") + windowName;
}

} // namespace windowtitle
