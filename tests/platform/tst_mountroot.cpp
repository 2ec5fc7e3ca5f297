#include "platform/DisplaySleepAssertion.h"
#include "platform/MountRoot.h"

#include <QtTest>
#include <QWidget>

// The mount root and the display-sleep assertion.
class MountRootTest : public QObject
{
    Q_OBJECT

private slots:
    void strictlyBelow_data();
    void strictlyBelow();
    void redirectAndReset();
    void assertionHeldUntilReleased();
    void assertionReleasedWithLastWindow();
};

void MountRootTest::strictlyBelow_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("below");
    QTest::newRow("child") << "/Volumes/studio" << true;
    QTest::newRow("deep") << "/Volumes/studio/a/b.jpg" << true;
    QTest::newRow("root itself") << "/Volumes/" << false;
    QTest::newRow("root without slash") << "/Volumes" << false;
    QTest::newRow("root with doubled slash") << "/Volumes//" << false;
    QTest::newRow("sibling prefix") << "/VolumesX/a" << false;
    QTest::newRow("dot-dot escape") << "/Volumes/studio/../../etc" << false;
    QTest::newRow("dot part") << "/Volumes/./studio" << false;
    QTest::newRow("relative") << "Volumes/studio" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dots in a name are fine") << "/Volumes/studio/a..b/c.d" << true;
}

void MountRootTest::strictlyBelow()
{
    QFETCH(QString, path);
    QFETCH(bool, below);
    QCOMPARE(MountRoot::isStrictlyBelow(path, "/Volumes/"), below);
    QCOMPARE(MountRoot::isStrictlyBelow(path, "/Volumes"), below);
}

void MountRootTest::redirectAndReset()
{
    qunsetenv("STUDIO_MOUNT_ROOT");
    MountRoot::reset();
    QCOMPARE(MountRoot::path(), QString("/Volumes/"));
    QVERIFY(MountRoot::isDefault());
    MountRoot::setPath("/tmp/share");
    QCOMPARE(MountRoot::path(), QString("/tmp/share/"));
    QVERIFY(!MountRoot::isDefault());
    QVERIFY(MountRoot::isOnShare("/tmp/share/x"));
    QVERIFY(!MountRoot::isOnShare("/Volumes/x"));
    qputenv("STUDIO_MOUNT_ROOT", "/srv/mnt");
    MountRoot::reset();
    QCOMPARE(MountRoot::path(), QString("/srv/mnt/"));
    qunsetenv("STUDIO_MOUNT_ROOT");
    MountRoot::reset();
}

void MountRootTest::assertionHeldUntilReleased()
{
    QVERIFY(!DisplaySleepAssertion::isHeld());
    const auto id = DisplaySleepAssertion::create("NoDisplaySleepAssertion", "MyApp - Preventing Display Sleep");
    QVERIFY(id != 0);
    QVERIFY(DisplaySleepAssertion::isHeld());
    QCOMPARE(DisplaySleepAssertion::heldType(), QString("NoDisplaySleepAssertion"));
    QCOMPARE(DisplaySleepAssertion::heldName(), QString("MyApp - Preventing Display Sleep"));
    DisplaySleepAssertion::release(id + 100); // unknown ids change nothing
    QVERIFY(DisplaySleepAssertion::isHeld());
    // Each assertion is released on its own.
    const auto second = DisplaySleepAssertion::create("NoDisplaySleepAssertion", "second");
    DisplaySleepAssertion::release(id);
    QVERIFY(DisplaySleepAssertion::isHeld());
    DisplaySleepAssertion::release(second);
    QVERIFY(!DisplaySleepAssertion::isHeld());
}

void MountRootTest::assertionReleasedWithLastWindow()
{
    DisplaySleepAssertion::holdUntilLastWindowClosed(*qApp);
    QVERIFY(DisplaySleepAssertion::isHeld());
    auto *window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY(DisplaySleepAssertion::isHeld());
    // The signal only comes from a running event loop, as in the program.
    QTimer::singleShot(0, window, &QWidget::close);
    QTimer::singleShot(5000, qApp, &QCoreApplication::quit);
    qApp->exec();
    QVERIFY(!DisplaySleepAssertion::isHeld());
}

QTEST_MAIN(MountRootTest)
#include "tst_mountroot.moc"
