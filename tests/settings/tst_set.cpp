#include "testsupport.h"

#include "settings/set.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>

#include <memory>

namespace {

const QString zeroIntervalMessage =
    QStringLiteral("record interval is illegal, should be greater than 0!");
const QString longIntervalMessage = QStringLiteral(
    "Error:Record interval is too long, should be at most 18 h 12 min 15 s (65535 sec)");
const QString temperatureMessage =
    QStringLiteral("Error:High temperature value should be greater than the low temperature value");
const QString humidityMessage =
    QStringLiteral("Error:High humidity value should be greater than the low humidity value");

struct Entry {
    int highTemp = 30;
    int lowTemp = 10;
    int highHumi = 80;
    int lowHumi = 20;
    int hours = 0;
    int minutes = 1;
    int seconds = 0;
    int recordNumber = 500;
    bool manual = false;
};

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestSet : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void applyChecksInOrder_data();
    void applyChecksInOrder();
    void acceptedApplyEmitsOnceWithTheFields();
    void refusedApplyKeepsThePreviousFields();
    void closeHidesWithoutStoring();
    void errorTextPersistsUntilTheNextApply();
    void unitChangeKeepsTheNumbers();
    void retranslateKeepsTheUnitAndEmptiesTheError();
    void linkSettingsUseThePortOverride();
    void keysAloneFillInSendAndClose();

private:
    template <typename T> T* child(const char* name)
    {
        T* widget = set->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("the settings window has no %s", name);
        return widget;
    }
    void enter(const Entry& entry);
    void apply() { child<QPushButton>("pushButtonApply")->click(); }
    QString errorText() { return child<QLabel>("labelErrorInfo_3")->text(); }

    std::unique_ptr<Set> set;
};

void TestSet::init()
{
    set = std::make_unique<Set>();
    set->setTemperatureUnit(true);
    set->show();
}

void TestSet::cleanup()
{
    set.reset();
}

void TestSet::enter(const Entry& entry)
{
    child<QSpinBox>("spinBoxHighTempWarn")->setValue(entry.highTemp);
    child<QSpinBox>("spinBoxLowTempWarn")->setValue(entry.lowTemp);
    child<QSpinBox>("spinBoxHighHumiWarn")->setValue(entry.highHumi);
    child<QSpinBox>("spinBoxLowHumiWarn")->setValue(entry.lowHumi);
    child<QSpinBox>("setTimeHour")->setValue(entry.hours);
    child<QSpinBox>("setTimeMin")->setValue(entry.minutes);
    child<QSpinBox>("setTimeSec")->setValue(entry.seconds);
    child<QSpinBox>("spinBoxRecordNumber")->setValue(entry.recordNumber);
    child<QRadioButton>(entry.manual ? "radioButtonManual" : "radioButtonAuto")->setChecked(true);
}

void TestSet::applyChecksInOrder_data()
{
    QTest::addColumn<bool>("centigrade");
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("message"); // empty: accepted
    QTest::addColumn<int>("highTempC");
    QTest::addColumn<int>("lowTempC");
    QTest::addColumn<int>("interval");

    Entry e;
    QTest::newRow("valid entry") << true << e << QString() << 30 << 10 << 60;

    e = Entry();
    e.highTemp = e.lowTemp = 25;
    QTest::newRow("equal temperatures") << true << e << temperatureMessage << 0 << 0 << 0;
    e = Entry();
    e.highTemp = 5;
    QTest::newRow("high temperature below low") << true << e << temperatureMessage << 0 << 0 << 0;
    e = Entry();
    e.highHumi = e.lowHumi = 50;
    QTest::newRow("equal humidities") << true << e << humidityMessage << 0 << 0 << 0;

    // Fahrenheit entries become whole Celsius by truncation toward zero.
    e = Entry();
    e.highTemp = 33;
    e.lowTemp = 32;
    QTest::newRow("33 F and 32 F are both 0 C") << false << e << temperatureMessage << 0 << 0 << 0;
    e = Entry();
    e.highTemp = 100;
    e.lowTemp = 0;
    QTest::newRow("100 F and 0 F") << false << e << QString() << 37 << -17 << 60;
    e = Entry();
    e.highTemp = 266;
    e.lowTemp = -40;
    QTest::newRow("whole Fahrenheit range") << false << e << QString() << 130 << -40 << 60;

    e = Entry();
    e.minutes = 0;
    e.highTemp = e.lowTemp;
    e.highHumi = e.lowHumi;
    QTest::newRow("zero interval reported before wrong alarms")
        << true << e << zeroIntervalMessage << 0 << 0 << 0;
    e = Entry();
    e.minutes = 0;
    e.seconds = 1;
    QTest::newRow("one second") << true << e << QString() << 30 << 10 << 1;
    e = Entry();
    e.hours = 18;
    e.minutes = 12;
    e.seconds = 15;
    QTest::newRow("65535 s fits the frame") << true << e << QString() << 30 << 10 << 65535;
    e.seconds = 16;
    QTest::newRow("65536 s refused") << true << e << longIntervalMessage << 0 << 0 << 0;
    e = Entry();
    e.hours = 24;
    e.minutes = 60;
    e.seconds = 60;
    e.highTemp = e.lowTemp;
    QTest::newRow("largest box values refused before wrong alarms")
        << true << e << longIntervalMessage << 0 << 0 << 0;
}

void TestSet::applyChecksInOrder()
{
    QFETCH(bool, centigrade);
    QFETCH(Entry, entry);
    QFETCH(QString, message);
    QFETCH(int, highTempC);
    QFETCH(int, lowTempC);
    QFETCH(int, interval);

    set->setTemperatureUnit(centigrade);
    enter(entry);
    QSignalSpy applied(set.get(), &Set::gApply);
    apply();

    QCOMPARE(errorText(), message);
    if (!message.isEmpty()) {
        QCOMPARE(applied.count(), 0);
        QVERIFY(set->isVisible());
        QCOMPARE(set->recordNumber, 0);
        return;
    }
    QCOMPARE(applied.count(), 1);
    QVERIFY(!set->isVisible());
    QCOMPARE(set->highTemp, highTempC);
    QCOMPARE(set->lowTemp, lowTempC);
    QCOMPARE(set->recordInterval, interval);
}

void TestSet::acceptedApplyEmitsOnceWithTheFields()
{
    // A window that was never told otherwise records in auto mode.
    QVERIFY(child<QRadioButton>("radioButtonAuto")->isChecked());
    Entry entry;
    entry.highTemp = 45;
    entry.lowTemp = -5;
    entry.highHumi = 90;
    entry.lowHumi = 10;
    entry.hours = 1;
    entry.minutes = 2;
    entry.seconds = 3;
    entry.recordNumber = 20000;
    entry.manual = true;
    enter(entry);

    // Read the fields when the signal arrives, as the main window does.
    QList<QList<int>> seen;
    connect(set.get(), &Set::gApply, this, [&] {
        seen << QList<int>{set->highTemp,       set->lowTemp,      set->highHumi,  set->lowHumi,
                           set->recordInterval, set->recordNumber, set->manualMode};
    });
    apply();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first(), (QList<int>{45, -5, 90, 10, 3723, 20000, 1}));

    set->show();
    child<QRadioButton>("radioButtonAuto")->setChecked(true);
    apply();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.last().last(), 0);
}

void TestSet::refusedApplyKeepsThePreviousFields()
{
    Entry accepted;
    accepted.recordNumber = 100;
    enter(accepted);
    apply();
    QCOMPARE(set->recordNumber, 100);

    // The logger was never sent these, so the main window must keep seeing the old ones.
    Entry refused;
    refused.recordNumber = 40;
    refused.manual = true;
    refused.highHumi = refused.lowHumi;
    refused.minutes = 5;
    set->show();
    enter(refused);
    apply();
    QCOMPARE(errorText(), humidityMessage);
    QCOMPARE(set->recordNumber, 100);
    QCOMPARE(set->manualMode, 0);
    QCOMPARE(set->recordInterval, 60);
    QCOMPARE(set->highHumi, 80);
}

void TestSet::closeHidesWithoutStoring()
{
    enter(Entry());
    QSignalSpy applied(set.get(), &Set::gApply);
    child<QPushButton>("pushButtonCancel")->click();
    QVERIFY(!set->isVisible());
    QCOMPARE(applied.count(), 0);
    QCOMPARE(set->recordNumber, 0);
    QCOMPARE(set->recordInterval, 0);
    // The entries stay for the next opening.
    QCOMPARE(child<QSpinBox>("spinBoxRecordNumber")->value(), 500);
}

void TestSet::errorTextPersistsUntilTheNextApply()
{
    Entry entry;
    entry.minutes = 0;
    enter(entry);
    apply();
    QCOMPARE(errorText(), zeroIntervalMessage);

    child<QPushButton>("pushButtonCancel")->click();
    set->setTemperatureUnit(false);
    set->show();
    QCOMPARE(errorText(), zeroIntervalMessage);

    set->setTemperatureUnit(true);
    child<QSpinBox>("setTimeSec")->setValue(10);
    apply();
    QVERIFY(errorText().isEmpty());
}

void TestSet::unitChangeKeepsTheNumbers()
{
    auto* high = child<QSpinBox>("spinBoxHighTempWarn");
    auto* low = child<QSpinBox>("spinBoxLowTempWarn");
    QCOMPARE(high->maximum(), 130);

    set->setTemperatureUnit(false);
    for (QSpinBox* box : {high, low}) {
        QCOMPARE(box->minimum(), -40);
        QCOMPARE(box->maximum(), 266);
    }
    QCOMPARE(child<QLabel>("labelHighTempUnit")->text(), QStringLiteral("℉"));
    QCOMPARE(child<QLabel>("labelHighTempUnit_2")->text(), QStringLiteral("℉"));

    high->setValue(200);
    low->setValue(50);
    set->setTemperatureUnit(true);
    QCOMPARE(high->maximum(), 130);
    QCOMPARE(high->value(), 130); // clamped by the box, not converted
    QCOMPARE(low->value(), 50);
    QCOMPARE(child<QLabel>("labelHighTempUnit")->text(), QStringLiteral("℃"));
    QCOMPARE(child<QLabel>("labelHighTempUnit_2")->text(), QStringLiteral("℃"));
}

// The unit symbols are no text to translate: were they reset to Celsius while the boxes hold
// Fahrenheit, a limit typed as Celsius would be converted as Fahrenheit and sent.
void TestSet::retranslateKeepsTheUnitAndEmptiesTheError()
{
    set->setTemperatureUnit(false);
    Entry entry;
    entry.highTemp = entry.lowTemp;
    enter(entry);
    apply();
    QCOMPARE(errorText(), temperatureMessage);

    set->retranslate();
    QCOMPARE(child<QLabel>("labelHighTempUnit")->text(), QStringLiteral("℉"));
    QCOMPARE(child<QLabel>("labelHighTempUnit_2")->text(), QStringLiteral("℉"));
    QVERIFY(errorText().isEmpty());
    QCOMPARE(set->windowTitle(), QStringLiteral("Hygrolux — Settings"));
    QCOMPARE(child<QLabel>("labelLogSelect_text")->text(),
             QStringLiteral("Recording number\uff1a"));
    // Spin box values and the unit used for Apply are untouched.
    QCOMPARE(child<QSpinBox>("spinBoxHighTempWarn")->maximum(), 266);
}

void TestSet::linkSettingsUseThePortOverride()
{
    const QByteArray old = qgetenv("HYGROLUX_PORT");
    const bool wasSet = qEnvironmentVariableIsSet("HYGROLUX_PORT");
    qputenv("HYGROLUX_PORT", "/dev/pts/3");
    Set withOverride;
    const devicelink::LinkSettings settings = withOverride.linkSettings();
    if (wasSet)
        qputenv("HYGROLUX_PORT", old);
    else
        qunsetenv("HYGROLUX_PORT");

    QCOMPARE(settings.portName, QStringLiteral("/dev/pts/3"));
    QCOMPARE(settings.baudRate, 9600);
    QCOMPARE(settings.dataBits, QSerialPort::Data8);
    QCOMPARE(settings.parity, QSerialPort::NoParity);
    QCOMPARE(settings.stopBits, QSerialPort::OneStop);
    QCOMPARE(settings.flowControl, QSerialPort::NoFlowControl);
}

// Settings sent without a mouse, each key going through the window as the operator's does
// (its Tab order is tested with the other windows'): Space picks a mode, Enter applies from
// the box just typed into, and Esc closes without sending.
void TestSet::keysAloneFillInSendAndClose()
{
    set->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(set.get()));
    QWindow* window = set->windowHandle();
    enter(Entry());
    QSignalSpy applied(set.get(), &Set::gApply);
    child<QRadioButton>("radioButtonManual")->setFocus();
    QTest::keyClick(window, Qt::Key_Space);
    child<QSpinBox>("setTimeSec")->setFocus();
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    for (const Qt::Key key : {Qt::Key_1, Qt::Key_5, Qt::Key_Return})
        QTest::keyClick(window, key);
    QCOMPARE(applied.count(), 1);
    QCOMPARE(set->recordInterval, 60 + 15);
    QCOMPARE(set->manualMode, 1);

    // The offscreen platform activates a window only at its first showing.
    set->show();
    QApplication::setActiveWindow(set.get());
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!set->isVisible());
    QCOMPARE(applied.count(), 1);
}

HYGROLUX_TEST_MAIN(TestSet)
#include "tst_set.moc"
