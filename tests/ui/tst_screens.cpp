#include "analysis/qrealtimedata.h"
#include "analysis/thermo.h"
#include "monitor/temp.h"
#include "settings/set.h"
#include "simulatedlogger.h"
#include "testsupport.h"
#include "ui/noticebox.h"
#include "windowsupport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

// The windows on a real X server of 1920 x 1080 without a window manager, at the scale the
// run is given (1 and 2): every window and its commands on the screen, and every message over
// its own window, clear of the commands and the live values the operator needs next.
class ScreensTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyWindowFitsTheScreen();
    void messagesLeaveCommandsAndValuesInView();

private:
    QPushButton* button(const char* name) const { return window->findChild<QPushButton*>(name); }
    static QMessageBox* shownBox(const QString& text);
    // Why `box` is misplaced over `owner`: the widget it covers, or an empty text.
    static QString coveredBy(const QMessageBox* box, const QWidget* owner,
                             const QList<QWidget*>& values);

    sim::SimulatedLogger* logger = nullptr;
    Temp* window = nullptr;
};

namespace {

QRect onScreen(const QWidget* widget)
{
    return QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
}

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

} // namespace

void ScreensTest::init()
{
    logger = new sim::SimulatedLogger(3);
    QVERIFY2(logger->open(), qPrintable(logger->errorString()));
    logger->setStoredRecords(sim::plausibleDay(30, QDateTime(QDate(2024, 3, 9), QTime()), 60, 1));
    qputenv("HYGROLUX_PORT", logger->portName().toLocal8Bit());
    window = new Temp;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void ScreensTest::cleanup()
{
    delete window;
    window = nullptr;
    delete logger;
    logger = nullptr;
}

QMessageBox* ScreensTest::shownBox(const QString& text)
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget);
            box && box->isVisible() && box->text() == text)
            return box;
    return nullptr;
}

QString ScreensTest::coveredBy(const QMessageBox* box, const QWidget* owner,
                               const QList<QWidget*>& values)
{
    const QRect placed = box->frameGeometry();
    if (!placed.intersects(owner->frameGeometry()))
        return QStringLiteral("not over its window");
    QList<const QWidget*> keep(values.begin(), values.end());
    for (const QAbstractButton* command : owner->findChildren<QAbstractButton*>())
        if (command->isVisible())
            keep << command;
    for (const QWidget* widget : keep)
        if (placed.intersects(onScreen(widget)))
            return widget->objectName();
    return QString();
}

void ScreensTest::everyWindowFitsTheScreen()
{
    const auto fits = [](const QWidget* shown, const QStringList& commands) {
        QTRY_VERIFY(shown->isVisible());
        QVERIFY2(available().contains(shown->frameGeometry()), qPrintable(shown->objectName()));
        for (const QString& name : commands) {
            const auto* command = shown->findChild<QPushButton*>(name);
            QVERIFY2(command && command->isVisible(), qPrintable(name));
            QVERIFY2(available().contains(onScreen(command)), qPrintable(name));
            QVERIFY2(shown->frameGeometry().contains(onScreen(command)), qPrintable(name));
        }
    };
    fits(window, {"pushButtonClose", "pushButtonMin", "pushButtonConnect", "pushButtonSet",
                  "pushButtonLanguage", "pushButtonStop", "pushButtonDownload"});
    Set settings;
    settings.show();
    fits(&settings, {"pushButtonApply", "pushButtonCancel"});
    QTest::mouseClick(button("pushButtonDownload"), Qt::LeftButton); // Analyse, disconnected
    auto* analysis = hygrolux::test::topLevel<QRealTimeData>();
    QVERIFY(analysis);
    fits(analysis, {"pushButtonBack", "pushButtonMin", "pushButtonOpen"});
}

void ScreensTest::messagesLeaveCommandsAndValuesInView()
{
    const QList<QWidget*> liveValues = [this] {
        QList<QWidget*> values;
        for (const char* name : {"labelTempValue", "labelTempUnit", "labelHumiValue",
                                 "labelHumiUnit", "labelDewTempValue", "labelDewUnit",
                                 "labelHIValue", "labelHiUnit", "labelRecordNumberDis"})
            values << window->findChild<QLabel*>(name);
        return values;
    }();

    // A confirmation: clear of everything, also once the first readings change the panels,
    // and gone by itself.
    QTest::mouseClick(button("pushButtonConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(shownBox("Connected to the device:OK"), 3000);
    QMessageBox* box = shownBox("Connected to the device:OK");
    QTRY_VERIFY_WITH_TIMEOUT(
        window->findChild<QLabel*>("labelTempValue")->text() != QLatin1String("--.-"), 3000);
    QTRY_COMPARE(coveredBy(box, window, liveValues), QString());
    QTRY_VERIFY_WITH_TIMEOUT(!box->isVisible(), NoticeBox::ConfirmationShownMs + 3000);

    // A problem: as clear, and it stays until the operator closes it.
    sim::Settings silent = logger->settings();
    silent.silentCode = 0x05;
    logger->setSettings(silent);
    const QString problem = QStringLiteral("The logger sends no live readings.");
    QTRY_VERIFY_WITH_TIMEOUT(shownBox(problem), 8000);
    QCOMPARE(coveredBy(shownBox(problem), window, liveValues), QString());
    QTest::qWait(NoticeBox::ConfirmationShownMs + 1000);
    QVERIFY(shownBox(problem));
    hygrolux::test::dismissMessages();

    // The analysis window's box leaves its commands, the progress and the charts in view.
    silent.silentCode = -1;
    logger->setSettings(silent);
    QTest::mouseClick(button("pushButtonConnect"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(button("pushButtonStop")->isEnabled(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(button("pushButtonDownload")->isEnabled(), 3000);
    QTest::mouseClick(button("pushButtonDownload"), Qt::LeftButton);
    auto* analysis = hygrolux::test::topLevel<QRealTimeData>();
    QTRY_VERIFY_WITH_TIMEOUT(shownBox("Download Success!"), 15000);
    QList<QWidget*> shownWork = {analysis->findChild<QProgressBar*>("progressBar")};
    for (Thermo* chart : analysis->findChildren<Thermo*>())
        shownWork << chart;
    QCOMPARE(coveredBy(shownBox("Download Success!"), analysis, shownWork), QString());
    // The main window's boxes went with it, unless they tell of a problem.
    QCOMPARE(hygrolux::test::shownMessages(), QStringList{"Download Success!"});
}

HYGROLUX_TEST_MAIN(ScreensTest)
#include "tst_screens.moc"
