#include "analysis/qrealtimedata.h"
#include "monitor/temp.h"
#include "settings/set.h"
#include "testsupport.h"

#include <QMouseEvent>

#include <memory>

namespace {

// One mouse event sent to the window, or to the named child of it.
struct Gesture {
    QEvent::Type type;
    Qt::MouseButton button;
    Qt::MouseButtons buttons;
    QPointF screen;
    const char* target = "";
};

const QPointF pressAt(200.4, 150.6);
const QPointF dragTo(260.5, 190.2);
// Both points rounded to the nearest pixel: (261, 190) - (200, 151).
const QPoint dragOffset(61, 39);

} // namespace

Q_DECLARE_METATYPE(QVector<Gesture>)

// Dragging the frameless windows by the mouse, and the title bar's double click.
class FramelessWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void dragging_data();
    void dragging();
};

void FramelessWindowsTest::dragging_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QVector<Gesture>>("gestures");
    QTest::addColumn<QPoint>("moved");

    const Gesture leftPress{QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, pressAt};
    const Gesture leftDrag{QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, dragTo};
    const Gesture leftRelease{QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, pressAt};
    for (const char* window : {"Temp", "Set", "QRealTimeData"}) {
        const QString name = QString::fromLatin1(window);
        QTest::addRow("%s: left press and move", window)
            << name << QVector<Gesture>{leftPress, leftDrag} << dragOffset;
        QTest::addRow("%s: right press and move", window)
            << name
            << QVector<Gesture>{{QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton,
                                 pressAt},
                                {QEvent::MouseMove, Qt::NoButton, Qt::RightButton, dragTo}}
            << QPoint();
        QTest::addRow("%s: move after the release", window)
            << name << QVector<Gesture>{leftPress, leftRelease, leftDrag} << QPoint();
        QTest::addRow("%s: move with no button held", window)
            << name
            << QVector<Gesture>{leftPress, {QEvent::MouseMove, Qt::NoButton, Qt::NoButton, dragTo}}
            << QPoint();
    }
    // The title label takes no presses: they reach the window and drag it. A double click
    // on it is swallowed: left to the window, it would start a drag like a press.
    Gesture titlePress = leftPress;
    titlePress.target = "labelTitle";
    Gesture titleDoubleClick = titlePress;
    titleDoubleClick.type = QEvent::MouseButtonDblClick;
    QTest::newRow("Temp: press on the title")
        << "Temp" << QVector<Gesture>{titlePress, leftDrag} << dragOffset;
    QTest::newRow("Temp: double click on the title")
        << "Temp" << QVector<Gesture>{titleDoubleClick, leftDrag} << QPoint();
}

void FramelessWindowsTest::dragging()
{
    QFETCH(QString, window);
    QFETCH(QVector<Gesture>, gestures);
    QFETCH(QPoint, moved);

    std::unique_ptr<QWidget> shown;
    if (window == QLatin1String("Temp"))
        shown = std::make_unique<Temp>();
    else if (window == QLatin1String("Set"))
        shown = std::make_unique<Set>();
    else
        shown = std::make_unique<QRealTimeData>();
    QVERIFY(shown->windowFlags().testFlag(Qt::FramelessWindowHint));
    const QPoint start(40, 30);
    shown->move(start);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
    QCOMPARE(shown->pos(), start);

    for (const Gesture& gesture : qAsConst(gestures)) {
        QWidget* target =
            *gesture.target ? shown->findChild<QWidget*>(gesture.target) : shown.get();
        QVERIFY(target);
        const QPointF local = gesture.screen - QPointF(target->mapToGlobal(QPoint()));
        QMouseEvent event(gesture.type, local, local, gesture.screen, gesture.button,
                          gesture.buttons, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
    QCoreApplication::processEvents();
    QCOMPARE(shown->pos(), start + moved);
}

HYGROLUX_TEST_MAIN(FramelessWindowsTest)
#include "tst_framelesswindows.moc"
