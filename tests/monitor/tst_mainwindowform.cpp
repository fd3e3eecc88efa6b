#include "monitor/temp.h"
#include "testsupport.h"
#include "ui_temp.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

// The main window's form: what the controller and the skin rely on.
class MainWindowFormTest : public QObject
{
    Q_OBJECT

private slots:
    void sizesAndTitleBar();
    void everyPanelFitsItsPlace_data();
    void everyPanelFitsItsPlace();
    void downloadButtonHasNoTextFromTheForm();
    void titleBarButtonsAndReadingsAreAccessible();
};

void MainWindowFormTest::sizesAndTitleBar()
{
    Temp window;
    // The form's sizes, as far as the screen allows.
    const QSize screen = window.screen()->availableGeometry().size();
    QCOMPARE(window.size(), QSize(1024, 600).boundedTo(screen));
    QCOMPARE(window.minimumSize(), QSize(800, 600).boundedTo(screen));
    auto* title = window.findChild<QWidget*>("widgetTitle");
    QCOMPARE(title->layout()->sizeConstraint(), QLayout::SetMaximumSize);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(title->height(), 43);
    window.resize(1400, 900);
    QTRY_COMPARE(window.size(), QSize(1400, 900));
    QCOMPARE(title->height(), 43);
    window.showMaximized();
    QTRY_VERIFY(window.isMaximized());
    QCOMPARE(title->height(), 43);
    // The title strip lies above the main area.
    const QObjectList stacking = window.children();
    QVERIFY(stacking.indexOf(title) >
            stacking.indexOf(window.findChild<QWidget*>("widgetMainScroll")));
}

void MainWindowFormTest::everyPanelFitsItsPlace_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("start size") << QSize();
    QTest::newRow("large") << QSize(1400, 900);
}

// The layouts ask for more than they get when the window is too small for their minimum
// widths: the clock panel is then cut at the window's edge and the readings panel runs under
// the command column.
void MainWindowFormTest::everyPanelFitsItsPlace()
{
    QFETCH(QSize, size);
    Temp window;
    if (size.isValid())
        window.resize(size);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();

    for (QWidget* widget : window.findChildren<QWidget*>()) {
        // What does not fit the window scrolls.
        if (!widget->isVisible() || widget->objectName() == QLatin1String("widgetMain"))
            continue;
        const QRect place = widget->parentWidget()->rect();
        QVERIFY2(place.contains(widget->geometry()), qPrintable(widget->objectName()));
        QVERIFY2(widget->width() >= widget->minimumSizeHint().width(),
                 qPrintable(widget->objectName()));
    }
    const QRect readings = window.findChild<QWidget*>("widgetTempHumi")->geometry();
    const QRect commands = window.findChild<QWidget*>("widget")->geometry();
    QVERIFY(!readings.intersects(commands));
}

void MainWindowFormTest::downloadButtonHasNoTextFromTheForm()
{
    // The form alone leaves the button empty; only the controller gives it a text. Nor has the
    // form a title, which a language switch would put in the place of the program's name.
    QWidget host;
    Ui::Temp form;
    form.setupUi(&host);
    form.pushButtonDownload->setText(QStringLiteral("Download"));
    form.retranslateUi(&host);
    QVERIFY(form.pushButtonDownload->text().isEmpty());
    QVERIFY(host.windowTitle().isEmpty());

    Temp window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Hygrolux"));
}

void MainWindowFormTest::titleBarButtonsAndReadingsAreAccessible()
{
    Temp window;
    QCOMPARE(window.findChild<QPushButton*>("pushButtonHelp")->accessibleName(),
             QStringLiteral("Maximize"));
    QCOMPARE(window.findChild<QPushButton*>("pushButtonMin")->accessibleName(),
             QStringLiteral("Minimize"));
    QCOMPARE(window.findChild<QPushButton*>("pushButtonClose")->accessibleName(),
             QStringLiteral("Close"));
    const QList<QPair<const char*, const char*>> described = {
        {"labelTempValue", "Temperature"},
        {"labelHumiValue", "Humidity"},
        {"labelDewTempValue", "Dew temperature"},
        {"labelHIValue", "Heat index"},
        {"labelTempUnit", "Temperature unit"}};
    for (const auto& [name, description] : described) {
        auto* label = window.findChild<QLabel*>(name);
        QCOMPARE(label->accessibleDescription(), QString::fromLatin1(description));
        QVERIFY(label->accessibleName().isEmpty());
    }
}

HYGROLUX_TEST_MAIN(MainWindowFormTest)
#include "tst_mainwindowform.moc"
