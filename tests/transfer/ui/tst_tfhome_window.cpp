#include "transfer/ui/tfhome.h"

#include <QtTest>

#include <QLabel>
#include <QPointer>
#include <QPushButton>

// The frameless window's own chrome: title bar, buttons, dragging, edge and
// corner resizing, driven through real mouse events.
class TfhomeWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void construction();
    void zones_data();
    void zones();
    void resize_data();
    void resize();
    void dragByTitleBar();
    void pressOnButtonDoesNotDrag();
    void hoverSetsCursor();
    void maximizeToggle();
    void doubleClickTitleBar();
    void closeDestroysDeleteOnCloseWindow();
    void minimizeButton();
};

static void send(QWidget *widget, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
                 Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, local, widget->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

static void press(QWidget *w, const QPoint &p) { send(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
static void moveHeld(QWidget *w, const QPoint &p) { send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
static void release(QWidget *w, const QPoint &p)
{
    send(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

// Moves the pointer while the press point stays in window coordinates of the
// start geometry, as a real drag does (the global delta is what counts).
static void dragFrom(tfhome &window, const QPoint &start, const QPoint &delta)
{
    const QPoint globalStart = window.mapToGlobal(start);
    press(&window, start);
    moveHeld(&window, window.mapFromGlobal(globalStart + delta));
    release(&window, window.mapFromGlobal(globalStart + delta));
}

void TfhomeWindowTest::construction()
{
    tfhome window;
    auto *title = window.findChild<QLabel *>(QStringLiteral("titleLabel"));
    auto *close = window.findChild<QPushButton *>(QStringLiteral("closeButton"));
    auto *minimize = window.findChild<QPushButton *>(QStringLiteral("minimizeButton"));
    auto *maximize = window.findChild<QPushButton *>(QStringLiteral("maximizeButton"));
    QVERIFY(title && close && minimize && maximize);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // Not on Windows: the round buttons sit at the top left, close first.
    QVERIFY(close->x() < minimize->x());
    QVERIFY(minimize->x() < maximize->x());
    QVERIFY(maximize->x() < title->x());
}

void TfhomeWindowTest::zones_data()
{
    // 1200 x 800: R = 1199, B = 799.
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("shape");
    QTest::newRow("right edge") << QPoint(1190, 400) << int(Qt::SizeHorCursor);
    QTest::newRow("bottom edge") << QPoint(600, 790) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom edge at x R-12") << QPoint(1187, 790) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom-right corner") << QPoint(1192, 792) << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right corner") << QPoint(1192, 8) << int(Qt::SizeBDiagCursor);
    QTest::newRow("shadow margin right") << QPoint(1197, 400) << int(Qt::ArrowCursor);
    QTest::newRow("left edge never") << QPoint(6, 400) << int(Qt::ArrowCursor);
    QTest::newRow("top edge never") << QPoint(600, 6) << int(Qt::ArrowCursor);
    QTest::newRow("inside") << QPoint(600, 400) << int(Qt::ArrowCursor);
}

void TfhomeWindowTest::zones()
{
    QFETCH(QPoint, point);
    QFETCH(int, shape);
    tfhome window;
    QCOMPARE(int(window.getCursorShape(point)), shape);
    QCOMPARE(window.getResizeArea(point), QRect(4, 4, 1192, 792));
}

void TfhomeWindowTest::resize_data()
{
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("topShift");
    QTest::newRow("right edge wider") << QPoint(1190, 400) << QPoint(50, 30) << QSize(1250, 800) << 0;
    QTest::newRow("bottom edge taller") << QPoint(600, 790) << QPoint(20, 40) << QSize(1200, 840) << 0;
    QTest::newRow("bottom-right both") << QPoint(1192, 792) << QPoint(-100, -50) << QSize(1100, 750) << 0;
    QTest::newRow("top-right upwards grows") << QPoint(1192, 8) << QPoint(10, -30) << QSize(1210, 830) << -30;
    QTest::newRow("top-right below minimum") << QPoint(1192, 8) << QPoint(0, 250) << QSize(1200, 800) << 0;
    QTest::newRow("right edge below minimum") << QPoint(1190, 400) << QPoint(-450, 0) << QSize(1200, 800) << 0;
}

void TfhomeWindowTest::resize()
{
    QFETCH(QPoint, start);
    QFETCH(QPoint, delta);
    QFETCH(QSize, size);
    QFETCH(int, topShift);
    tfhome window;
    window.move(50, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect before = window.geometry();
    dragFrom(window, start, delta);
    QCOMPARE(window.geometry().size(), size);
    QCOMPARE(window.geometry().top(), before.top() + topShift);
    QCOMPARE(window.geometry().left(), before.left());
}

void TfhomeWindowTest::dragByTitleBar()
{
    tfhome window;
    window.move(50, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *title = window.findChild<QLabel *>(QStringLiteral("titleLabel"));
    const QPoint onLabel = title->mapTo(&window, title->rect().center());
    const QPoint before = window.pos();
    dragFrom(window, onLabel, QPoint(40, 25));
    QCOMPARE(window.pos(), before + QPoint(40, 25));
    // Below the title bar a press moves nothing.
    dragFrom(window, QPoint(600, 400), QPoint(40, 25));
    QCOMPARE(window.pos(), before + QPoint(40, 25));
}

void TfhomeWindowTest::pressOnButtonDoesNotDrag()
{
    tfhome window;
    window.move(50, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *maximize = window.findChild<QPushButton *>(QStringLiteral("maximizeButton"));
    const QPoint before = window.pos();
    QTest::mousePress(maximize, Qt::LeftButton);
    moveHeld(&window, maximize->mapTo(&window, maximize->rect().center()) + QPoint(60, 60));
    QCOMPARE(window.pos(), before);
}

void TfhomeWindowTest::hoverSetsCursor()
{
    tfhome window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    send(&window, QEvent::MouseMove, QPoint(1190, 400), Qt::NoButton, Qt::NoButton);
    QCOMPARE(window.cursor().shape(), Qt::SizeHorCursor);
    QHoverEvent hover(QEvent::HoverMove, QPointF(600, 790), QPointF(1190, 400));
    QCoreApplication::sendEvent(&window, &hover);
    QCOMPARE(window.cursor().shape(), Qt::SizeVerCursor);
    send(&window, QEvent::MouseMove, QPoint(600, 400), Qt::NoButton, Qt::NoButton);
    QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
}

void TfhomeWindowTest::maximizeToggle()
{
    tfhome window;
    window.showMaximized(); // as the launcher does: the window's own flag stays clear
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *maximize = window.findChild<QPushButton *>(QStringLiteral("maximizeButton"));
    QVERIFY(!window.isMaximizedByToggle());
    QCOMPARE(int(window.getCursorShape(QPoint(window.width() - 8, window.height() / 2))), int(Qt::SizeHorCursor));

    QTest::mouseClick(maximize, Qt::LeftButton);
    QVERIFY(window.isMaximizedByToggle());
    QCOMPARE(maximize->text(), QStringLiteral("◱"));
    QCOMPARE(int(window.getCursorShape(QPoint(window.width() - 8, window.height() / 2))), int(Qt::ArrowCursor));

    // While maximised by the toggle nothing drags or resizes.
    const QRect geometry = window.geometry();
    dragFrom(window, QPoint(window.width() - 8, window.height() / 2), QPoint(-100, 0));
    QCOMPARE(window.geometry(), geometry);

    QTest::mouseClick(maximize, Qt::LeftButton);
    QVERIFY(!window.isMaximizedByToggle());
    QCOMPARE(maximize->text(), QStringLiteral("□"));
}

void TfhomeWindowTest::doubleClickTitleBar()
{
    tfhome window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint inTitle(600, 20);
    send(&window, QEvent::MouseButtonDblClick, QPoint(600, 400), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!window.isMaximizedByToggle());
    send(&window, QEvent::MouseButtonDblClick, inTitle, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(window.isMaximizedByToggle());
    send(&window, QEvent::MouseButtonDblClick, inTitle, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!window.isMaximizedByToggle());
}

void TfhomeWindowTest::closeDestroysDeleteOnCloseWindow()
{
    QPointer<tfhome> window = new tfhome;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("closeButton")), Qt::LeftButton);
    QTRY_VERIFY(window.isNull());
}

void TfhomeWindowTest::minimizeButton()
{
    tfhome window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("minimizeButton")), Qt::LeftButton);
    QTRY_VERIFY(window.windowState() & Qt::WindowMinimized);
}

QTEST_MAIN(TfhomeWindowTest)
#include "tst_tfhome_window.moc"
