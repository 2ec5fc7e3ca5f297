#include "platform/MacWindowDelegate.h"
#include "platform/MacWindowManager.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

class tst_MacWindowManager : public QObject
{
    Q_OBJECT

private slots:
    void nullWidgetIsRefused();
    void minimiseTakesTheWidgetsOwnWindow();
    void restoreEmitsForTheAskingWidget();
    void restoreRepairsTranslucency();
    void noSignalWhenWindowDeletedBeforeRestoreEnds();
    void entryDroppedWhenWindowDestroyed();
    void removeListener_data();
    void removeListener();
    void reinstallReplacesEntry();
};

void tst_MacWindowManager::nullWidgetIsRefused()
{
    QVERIFY(!MacWindowManager::minimizeWindow(nullptr));
    QVERIFY(!macWindowDelegateFor(nullptr));
    MacWindowManager::installWindowListener(nullptr);
    MacWindowManager::removeWindowListener(nullptr);
    MacWindowManager::restoreWindowTransparency(nullptr);
    QVERIFY(!macWindowDelegateFor(nullptr));
}

void tst_MacWindowManager::minimiseTakesTheWidgetsOwnWindow()
{
    QWidget first;
    QWidget second;
    auto *button = new QLabel(QStringLiteral("x"), &second);
    new QVBoxLayout(&second);
    first.show();
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));

    QVERIFY(MacWindowManager::minimizeWindow(button));
    QVERIFY(second.windowState() & Qt::WindowMinimized);
    QVERIFY(!(first.windowState() & Qt::WindowMinimized));
    MacWindowDelegate *delegate = macWindowDelegateFor(button);
    QVERIFY(delegate);
    QCOMPARE(delegate->window(), &second);
    QCOMPARE(delegate->widgetPtr(), button);
}

void tst_MacWindowManager::restoreEmitsForTheAskingWidget()
{
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy spy(MacWindowManager::instance(), &MacWindowManager::windowRestored);

    QVERIFY(MacWindowManager::minimizeWindow(&window));
    QCOMPARE(spy.count(), 0);
    window.setWindowState(Qt::WindowNoState);
    QVERIFY(spy.wait(5000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).value<QWidget *>(), &window);

    // A state change that is no return from minimised is not a restore.
    window.setWindowState(Qt::WindowMaximized);
    window.setWindowState(Qt::WindowNoState);
    QTest::qWait(300);
    QCOMPARE(spy.count(), 1);
}

void tst_MacWindowManager::restoreRepairsTranslucency()
{
    QWidget window;
    window.setAttribute(Qt::WA_TranslucentBackground, false);
    auto *child = new QLabel(QStringLiteral("child"), &window);
    Q_UNUSED(child)
    MacWindowManager::restoreWindowTransparency(&window);
    QVERIFY(window.testAttribute(Qt::WA_TranslucentBackground));
}

void tst_MacWindowManager::noSignalWhenWindowDeletedBeforeRestoreEnds()
{
    QSignalSpy spy(MacWindowManager::instance(), &MacWindowManager::windowRestored);
    auto *window = new QWidget;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(MacWindowManager::minimizeWindow(window));
    window->setWindowState(Qt::WindowNoState);
    delete window; // inside the 150 ms between the return and the signal
    QVERIFY(!macWindowDelegateFor(window));
    QTest::qWait(400);
    QCOMPARE(spy.count(), 0);

    // Also when the window goes after the first half of the delay.
    auto *late = new QWidget;
    late->show();
    QVERIFY(QTest::qWaitForWindowExposed(late));
    QVERIFY(MacWindowManager::minimizeWindow(late));
    late->setWindowState(Qt::WindowNoState);
    QTest::qWait(70);
    delete late;
    QTest::qWait(400);
    QCOMPARE(spy.count(), 0);
}

void tst_MacWindowManager::entryDroppedWhenWindowDestroyed()
{
    auto *window = new QWidget;
    auto *inner = new QLabel(window);
    MacWindowManager::installWindowListener(inner);
    QPointer<MacWindowDelegate> delegate = macWindowDelegateFor(inner);
    QVERIFY(delegate);
    delete window;
    QVERIFY(!delegate);
    QVERIFY(!macWindowDelegateFor(inner));
}

void tst_MacWindowManager::removeListener_data()
{
    QTest::addColumn<bool>("installed");
    QTest::newRow("installed") << true;
    QTest::newRow("never installed") << false;
}

void tst_MacWindowManager::removeListener()
{
    QFETCH(bool, installed);
    QWidget window;
    if (installed)
        MacWindowManager::installWindowListener(&window);
    QCOMPARE(bool(macWindowDelegateFor(&window)), installed);

    MacWindowManager::removeWindowListener(&window);
    QVERIFY(!macWindowDelegateFor(&window));

    // A removed listener no longer reports the window.
    QSignalSpy spy(MacWindowManager::instance(), &MacWindowManager::windowRestored);
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    window.setWindowState(Qt::WindowNoState);
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
}

void tst_MacWindowManager::reinstallReplacesEntry()
{
    QWidget window;
    MacWindowManager::installWindowListener(&window);
    QPointer<MacWindowDelegate> first = macWindowDelegateFor(&window);
    MacWindowManager::installWindowListener(&window);
    QVERIFY(!first);
    QVERIFY(macWindowDelegateFor(&window));

    // One restore gives one signal, not one per installation.
    QSignalSpy spy(MacWindowManager::instance(), &MacWindowManager::windowRestored);
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    window.setWindowState(Qt::WindowNoState);
    QVERIFY(spy.wait(5000));
    QTest::qWait(300);
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(tst_MacWindowManager)
#include "tst_MacWindowManager.moc"
