#include "app/ChooseTools.h"
#include "app/FramelessWindow.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

// What the frameless windows share: dragging by the body, the title-bar
// buttons and minimising.
class tst_FramelessWindow : public QObject
{
    Q_OBJECT

private slots:
    void dragFollowsTheLeftButton_data();
    void dragFollowsTheLeftButton();
    void titleBarWithAndWithoutMinimize();
    void minimizeButtonMinimizesTheLauncher();
};

namespace {

void send(QWidget *window, QEvent::Type type, const QPoint &global, Qt::MouseButton button,
          Qt::MouseButtons buttons)
{
    const QPoint local = window->mapFromGlobal(global);
    QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &event);
}

} // namespace

void tst_FramelessWindow::dragFollowsTheLeftButton_data()
{
    QTest::addColumn<int>("pressedValue");
    QTest::addColumn<int>("heldValue");
    QTest::addColumn<QPoint>("expectedShift");
    QTest::newRow("left press, left held") << int(Qt::LeftButton) << int(Qt::LeftButton) << QPoint(30, 20);
    QTest::newRow("right press") << int(Qt::RightButton) << int(Qt::RightButton) << QPoint(0, 0);
    QTest::newRow("left press, moved without a button") << int(Qt::LeftButton) << int(Qt::NoButton)
                                                         << QPoint(0, 0);
}

void tst_FramelessWindow::dragFollowsTheLeftButton()
{
    QFETCH(int, pressedValue);
    QFETCH(int, heldValue);
    QFETCH(QPoint, expectedShift);
    const auto pressed = Qt::MouseButton(pressedValue);
    const auto heldWhileMoving = Qt::MouseButtons(heldValue);

    ChooseTools window;
    window.move(100, 80);
    const QPoint start = window.pos();
    const QPoint grab = start + QPoint(40, 12);
    send(&window, QEvent::MouseButtonPress, grab, pressed, pressed);
    send(&window, QEvent::MouseMove, grab + QPoint(10, 5), Qt::NoButton, heldWhileMoving);
    send(&window, QEvent::MouseMove, grab + QPoint(30, 20), Qt::NoButton, heldWhileMoving);
    QCOMPARE(window.pos(), start + expectedShift);

    // After the release the pointer no longer carries the window.
    send(&window, QEvent::MouseButtonRelease, grab + QPoint(30, 20), pressed, Qt::NoButton);
    const QPoint after = window.pos();
    send(&window, QEvent::MouseMove, grab + QPoint(60, 60), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(window.pos(), after);
}

void tst_FramelessWindow::titleBarWithAndWithoutMinimize()
{
    QWidget window;
    auto *outer = new QVBoxLayout(&window);
    QPushButton *minimize = nullptr;
    QPushButton *close = nullptr;
    QHBoxLayout *row = FramelessWindow::titleBar(&window, 21, &minimize, &close);
    outer->addLayout(row);
    QVERIFY(minimize && close);
    QVERIFY(row->indexOf(minimize) < row->indexOf(close));

    QWidget plain;
    QPushButton *onlyClose = nullptr;
    QHBoxLayout *closeRow = FramelessWindow::titleBar(&plain, 15, nullptr, &onlyClose);
    QVERIFY(onlyClose);
    QVERIFY(!plain.findChild<QPushButton *>(QStringLiteral("minimizeButton")));
    delete closeRow;
}

void tst_FramelessWindow::minimizeButtonMinimizesTheLauncher()
{
    ChooseTools window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("minimizeButton")), Qt::LeftButton);
    QTRY_VERIFY(window.windowState() & Qt::WindowMinimized);
}

QTEST_MAIN(tst_FramelessWindow)
#include "tst_FramelessWindow.moc"
