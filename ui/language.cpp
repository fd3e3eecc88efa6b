#include "language.h"

#include <QApplication>
#include <QFont>
#include <QTranslator>

namespace language {

namespace {
const char* const ChineseCatalogue = ":/language_Chinese.qm";
const char* const EnglishFamily = "Arial Black";
const char* const ChineseFamily = "Microsoft YaHei";
constexpr int PointSize = 8;
} // namespace

QFont interfaceFont(bool chinese)
{
    QFont font;
    font.setPointSize(PointSize);
    font.setFamily(QLatin1String(chinese ? ChineseFamily : EnglishFamily));
    return font;
}

void switchTo(bool chinese, QTranslator& translator)
{
    if (!chinese) {
        QApplication::setFont(interfaceFont(false));
        QCoreApplication::removeTranslator(&translator);
        return;
    }
    // Qt would install the same translator twice; reloaded while removed, it is in once.
    QCoreApplication::removeTranslator(&translator);
    QApplication::setFont(interfaceFont(true));
    if (translator.load(QLatin1String(ChineseCatalogue)))
        QCoreApplication::installTranslator(&translator);
}

} // namespace language
