#include "startup.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QPalette>
#include <QTextCodec>

namespace app {

namespace {
const char* const StyleName = "blue";
const char* const StyleSheetPattern = ":/images/%1.css";
} // namespace

void configureApplication(QApplication& application)
{
    // A missing or unreadable style sheet simply leaves the program unstyled.
    QFile styleFile(QString::fromLatin1(StyleSheetPattern).arg(QLatin1String(StyleName)));
    styleFile.open(QIODevice::ReadOnly);
    const QByteArray styleBytes = styleFile.readAll();
    application.setStyleSheet(QLatin1String(styleBytes.constData()));

    QApplication::setPalette(QPalette(QColor(QStringLiteral("#F0F0F0"))));
    QCoreApplication::setApplicationName(QStringLiteral("Hygrolux"));

    QFont font;
    font.setPointSize(8);
    font.setFamily(QStringLiteral("Arial Black"));
    QApplication::setFont(font);

    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

} // namespace app
