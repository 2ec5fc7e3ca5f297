#include "widgets/ContextMenu.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QtTest>

namespace {

QList<QPushButton *> itemButtons(ContextMenu *menu)
{
    return menu->findChildren<QPushButton *>(QStringLiteral("menuItem"));
}

QScrollArea *scrollOf(ContextMenu *menu)
{
    return menu->findChild<QScrollArea *>(QStringLiteral("menuScrollArea"));
}

// A widget that records the presses it gets.
class PressTarget : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
};

} // namespace

class TestContextMenu : public QObject
{
    Q_OBJECT

private slots:
    void scrollsPastMaxVisibleItems_data();
    void scrollsPastMaxVisibleItems();
    void placementAtScreenEdges_data();
    void placementAtScreenEdges();
    void itemWithCallbackRunsAndCloses();
    void itemWithoutCallbackStaysOpen();
    void disabledAndDangerItems();
    void outsidePressClosesAndIsConsumed();
    void escapeCloses();
    void settersClamp();
    void clearRemovesSeparators();
    void createdMenuDeletesOnClose();
};

void TestContextMenu::scrollsPastMaxVisibleItems_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("seven fit") << 7 << 247 << false;
    QTest::newRow("eight scroll") << 8 << 272 << true;
    QTest::newRow("twenty") << 20 << 272 << true;
}

void TestContextMenu::scrollsPastMaxVisibleItems()
{
    QFETCH(int, items);
    QFETCH(int, height);
    QFETCH(bool, scrolls);
    ContextMenu menu;
    for (int i = 0; i < items; ++i)
        menu.addItem(QStringLiteral("操作 %1").arg(i), [] {});
    menu.showAt(QPoint(50, 50));
    QCOMPARE(menu.height(), height);
    QCOMPARE(scrollOf(&menu)->verticalScrollBarPolicy(),
             scrolls ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TestContextMenu::placementAtScreenEdges_data()
{
    QTest::addColumn<QPoint>("offsetFromBottomRight"); // negative: inside the screen
    QTest::addColumn<bool>("flipsLeft");
    QTest::addColumn<bool>("flipsUp");
    QTest::newRow("far from edges") << QPoint(-500, -400) << false << false;
    QTest::newRow("right edge") << QPoint(-20, -400) << true << false;
    QTest::newRow("bottom edge") << QPoint(-500, -20) << false << true;
    QTest::newRow("corner") << QPoint(-5, -5) << true << true;
}

void TestContextMenu::placementAtScreenEdges()
{
    QFETCH(QPoint, offsetFromBottomRight);
    QFETCH(bool, flipsLeft);
    QFETCH(bool, flipsUp);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(area.width() > 500 && area.height() > 400);
    const QPoint at = area.bottomRight() + offsetFromBottomRight;

    ContextMenu menu;
    menu.addItem(QStringLiteral("复制订单号"), [] {});
    menu.addItem(QStringLiteral("打开文件夹"), [] {});
    menu.showAt(at);
    QCOMPARE(menu.pos().x(), flipsLeft ? at.x() - menu.width() : at.x());
    QCOMPARE(menu.pos().y(), flipsUp ? at.y() - menu.height() : at.y());
    QVERIFY(area.contains(menu.geometry()));
}

void TestContextMenu::itemWithCallbackRunsAndCloses()
{
    int runs = 0;
    ContextMenu menu;
    menu.addItem(QStringLiteral("删除"), [&] { ++runs; });
    menu.showAt(QPoint(100, 100));
    QTest::mouseClick(itemButtons(&menu).first(), Qt::LeftButton);
    QCOMPARE(runs, 1);
    QTRY_VERIFY(!menu.isVisible());
}

void TestContextMenu::itemWithoutCallbackStaysOpen()
{
    ContextMenu menu;
    menu.addItem(QStringLiteral("说明"));
    menu.showAt(QPoint(100, 100));
    QTest::mouseClick(itemButtons(&menu).first(), Qt::LeftButton);
    QTest::qWait(300);
    QVERIFY(menu.isVisible());
}

void TestContextMenu::disabledAndDangerItems()
{
    int runs = 0;
    ContextMenu menu;
    menu.addItem(QStringLiteral("不可用"), [&] { ++runs; }, QString(), false);
    menu.addItem(QStringLiteral("删除订单"), [&] { ++runs; }, QString(), true, true);
    menu.showAt(QPoint(100, 100));
    const QList<QPushButton *> buttons = itemButtons(&menu);
    QVERIFY(!buttons.at(0)->isEnabled());
    QTest::mouseClick(buttons.at(0), Qt::LeftButton);
    QCOMPARE(runs, 0);
}

void TestContextMenu::outsidePressClosesAndIsConsumed()
{
    PressTarget target;
    target.setGeometry(0, 0, 300, 300);
    target.show();
    QVERIFY(QTest::qWaitForWindowExposed(&target));

    ContextMenu menu;
    menu.addItem(QStringLiteral("复制"), [] {});
    menu.showAt(target.mapToGlobal(QPoint(10, 10)));
    QVERIFY(menu.isVisible());
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(250, 250), target.mapToGlobal(QPoint(250, 250)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &press);
    QCOMPARE(target.presses, 0);
    QTRY_VERIFY(!menu.isVisible());

    // Hidden again: presses reach the widget.
    QMouseEvent again(QEvent::MouseButtonPress, QPoint(250, 250), target.mapToGlobal(QPoint(250, 250)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &again);
    QCOMPARE(target.presses, 1);
}

void TestContextMenu::escapeCloses()
{
    ContextMenu menu;
    menu.addItem(QStringLiteral("复制"), [] {});
    menu.showAt(QPoint(100, 100));
    QTest::keyClick(&menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu.isVisible());
    // Shown again, it fades back in.
    menu.showAt(QPoint(120, 120));
    QVERIFY(menu.isVisible());
    QTRY_COMPARE(static_cast<QGraphicsOpacityEffect *>(menu.graphicsEffect())->opacity(), 1.0);
}

void TestContextMenu::settersClamp()
{
    ContextMenu menu;
    menu.setMaxVisibleItems(0);
    QCOMPARE(menu.maxVisibleItems(), 1);
    menu.setMinimumMenuWidth(50);
    QCOMPARE(menu.minimumMenuWidth(), 100);
    menu.setMinimumMenuWidth(200);
    menu.addItem(QStringLiteral("短"));
    QCOMPARE(itemButtons(&menu).first()->width(), 200);
}

void TestContextMenu::clearRemovesSeparators()
{
    ContextMenu menu;
    menu.addItem(QStringLiteral("一"));
    menu.addSeparator();
    menu.addItem(QStringLiteral("二"));
    QCOMPARE(menu.items().size(), 2);
    QCOMPARE(menu.findChildren<QFrame *>(QStringLiteral("menuSeparator")).size(), 1);
    menu.clear();
    QCOMPARE(menu.items().size(), 0);
    QCOMPARE(menu.findChildren<QFrame *>(QStringLiteral("menuSeparator")).size(), 0);
    QCOMPARE(itemButtons(&menu).size(), 0);
    menu.showAt(QPoint(10, 10));
    QCOMPARE(menu.height(), 16);
}

void TestContextMenu::createdMenuDeletesOnClose()
{
    QWidget owner;
    QPointer<ContextMenu> menu = ContextMenu::create(&owner);
    menu->addItem(QStringLiteral("复制"), [] {});
    menu->showAt(QPoint(10, 10));
    menu->closeMenu();
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(!menu.isNull()); // hidden, not closed
    menu->close();
    QTRY_VERIFY(menu.isNull());
}

QTEST_MAIN(TestContextMenu)
#include "tst_contextmenu.moc"
