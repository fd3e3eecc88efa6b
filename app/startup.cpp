#include "startup.h"

#include "ui/language.h"
#include "ui/windowtitle.h"

#include <QApplication>
#include <QColor>
#include <QFile>
#include <QFont>
#include <QPalette>
#include <QStringList>
#include <QTextCodec>

namespace app {

namespace {
const char* const StyleName = "blue";
const char* const StyleSheetPattern = ":/images/%1.css";

// The forms and the language switch ask for Windows font families. Where the Chinese ones
// are missing, as on Linux, a Latin face without Chinese glyphs would be chosen; these
// Chinese faces stand in, the first one installed winning.
void substituteChineseFamilies()
{
    const QStringList sans = {QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Source Han Sans SC"),
                              QStringLiteral("WenQuanYi Zen Hei")};
    const QStringList serif = {
        QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
        QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")};
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), sans);
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), sans);
    QFont::insertSubstitutions(QStringLiteral("新宋体"), serif);
}

} // namespace

void prepareEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

void configureApplication(QApplication& application)
{
    // A missing or unreadable style sheet simply leaves the program unstyled.
    QFile styleFile(QString::fromLatin1(StyleSheetPattern).arg(QLatin1String(StyleName)));
    styleFile.open(QIODevice::ReadOnly);
    const QByteArray styleBytes = styleFile.readAll();
    application.setStyleSheet(QLatin1String(styleBytes.constData()));

    QApplication::setPalette(QPalette(QColor(QStringLiteral("#F0F0F0"))));
    QCoreApplication::setApplicationName(windowtitle::programName());
    // Lets the desktop match the windows with the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(HYGROLUX_DESKTOP_ENTRY));

    substituteChineseFamilies();
    QApplication::setFont(language::interfaceFont(false));

    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

} // namespace app
