#include "widgets/FullScreenLoading.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

QWidget *panelOf(FullScreenLoading *overlay)
{
    return overlay->findChild<QWidget *>(QStringLiteral("contentWidget"));
}

QPushButton *cancelButtonOf(FullScreenLoading *overlay)
{
    return overlay->findChild<QPushButton *>(QStringLiteral("cancelButton"));
}

qreal opacityOf(FullScreenLoading *overlay)
{
    return static_cast<QGraphicsOpacityEffect *>(overlay->graphicsEffect())->opacity();
}

// Counts pixels of the icon drawn near the given colour.
int iconPixels(FullScreenLoading *overlay, const QColor &colour)
{
    auto *icon = overlay->findChild<QLabel *>(QStringLiteral("iconLabel"));
    const QImage image = icon->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 40 && qAbs(c.green() - colour.green()) < 40
                && qAbs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    }
    return count;
}

} // namespace

class TestFullScreenLoading : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void showRegistersOneOverlayPerParent();
    void dimLayerFollowsArgument();
    void successDismissesItselfAfterDuration();
    void failedWithoutDurationStays();
    void iconFollowsState();
    void cancelWithoutReceiverDismisses();
    void cancelWithReceiverOnlySignals();
    void longMessageGrowsPanelAndStaysCentred();
    void parentDestroyedTakesOverlay();
    void fadingOverlayDoesNotDropNewerEntry();
    void reuseCancelsPendingDismissal();
    void nullParentIsNotRegistered();

private:
    std::unique_ptr<QWidget> window;
};

void TestFullScreenLoading::init()
{
    window.reset(new QWidget);
    window->resize(600, 400);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestFullScreenLoading::showRegistersOneOverlayPerParent()
{
    QCOMPARE(FullScreenLoading::getInstance(window.get()), nullptr);
    FullScreenLoading *first = FullScreenLoading::show(window.get(), QStringLiteral("加载中..."));
    QVERIFY(first);
    QCOMPARE(FullScreenLoading::getInstance(window.get()), first);
    QCOMPARE(first->geometry(), window->rect());
    QCOMPARE(first->loadingState(), FullScreenLoading::Loading);

    FullScreenLoading *second = FullScreenLoading::show(window.get(), QStringLiteral("正在扫描"));
    QCOMPARE(second, first);
    QCOMPARE(first->message(), QStringLiteral("正在扫描"));
    QCOMPARE(window->findChildren<FullScreenLoading *>().size(), 1);

    QWidget *panel = panelOf(first);
    QCOMPARE(panel->width(), 140);
    QTRY_COMPARE(panel->size(), QSize(140, 120));
    QCOMPARE(panel->pos(), QPoint((600 - 140) / 2, (400 - 120) / 2));
    QTRY_COMPARE(opacityOf(first), 1.0);

    // A finished overlay shown again turns back to loading.
    first->showSuccess(QStringLiteral("完成"), 0);
    QCOMPARE(first->loadingState(), FullScreenLoading::Success);
    QCOMPARE(FullScreenLoading::show(window.get(), QStringLiteral("再次加载")), first);
    QCOMPARE(first->loadingState(), FullScreenLoading::Loading);
}

void TestFullScreenLoading::dimLayerFollowsArgument()
{
    FullScreenLoading *overlay = FullScreenLoading::show(window.get(), QStringLiteral("登录中"), false);
    QVERIFY(overlay->styleSheet().isEmpty());
    QVERIFY(!overlay->testAttribute(Qt::WA_StyledBackground));
    FullScreenLoading::show(window.get(), QStringLiteral("登录中"), true);
    QCOMPARE(overlay->styleSheet(), QStringLiteral("background-color: rgba(0, 0, 0, 100);"));
    QVERIFY(overlay->testAttribute(Qt::WA_StyledBackground));
}

void TestFullScreenLoading::successDismissesItselfAfterDuration()
{
    QPointer<FullScreenLoading> overlay = FullScreenLoading::show(window.get(), QStringLiteral("上传中"));
    overlay->showSuccess(QStringLiteral("上传成功"), 300);
    QCOMPARE(overlay->loadingState(), FullScreenLoading::Success);
    QCOMPARE(overlay->message(), QStringLiteral("上传成功"));
    // Still registered while it fades.
    QCOMPARE(FullScreenLoading::getInstance(window.get()), overlay.data());
    QTRY_VERIFY_WITH_TIMEOUT(overlay.isNull(), 5000);
    QCOMPARE(FullScreenLoading::getInstance(window.get()), nullptr);
}

void TestFullScreenLoading::failedWithoutDurationStays()
{
    QPointer<FullScreenLoading> overlay = FullScreenLoading::show(window.get(), QStringLiteral("删除中"));
    overlay->showFailed(QStringLiteral("删除失败"), 0);
    QTest::qWait(600);
    QVERIFY(!overlay.isNull());
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->loadingState(), FullScreenLoading::Failed);
    overlay->dismiss();
    QCOMPARE(FullScreenLoading::getInstance(window.get()), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(overlay.isNull(), 5000);
}

void TestFullScreenLoading::iconFollowsState()
{
    const QColor blue(QStringLiteral("#409EFF")), green(QStringLiteral("#67C23A")),
        red(QStringLiteral("#F56C6C"));
    FullScreenLoading *overlay = FullScreenLoading::show(window.get(), QStringLiteral("加载中..."));
    QVERIFY(iconPixels(overlay, blue) > 20);
    QCOMPARE(iconPixels(overlay, green), 0);
    overlay->showSuccess(QStringLiteral("成功"), 0);
    QVERIFY(iconPixels(overlay, green) > 20);
    QCOMPARE(iconPixels(overlay, blue), 0);
    overlay->showFailed(QStringLiteral("失败"), 0);
    QVERIFY(iconPixels(overlay, red) > 20);
    QCOMPARE(iconPixels(overlay, green), 0);
}

void TestFullScreenLoading::cancelWithoutReceiverDismisses()
{
    QPointer<FullScreenLoading> overlay = FullScreenLoading::showCancellable(
        window.get(), QStringLiteral("正在扫描文件夹"), QStringLiteral("停止"));
    QPushButton *cancel = cancelButtonOf(overlay);
    QVERIFY(cancel->isVisible());
    QCOMPARE(cancel->text(), QStringLiteral("停止"));
    QCOMPARE(cancel->size(), QSize(70, 28));
    QTRY_VERIFY(panelOf(overlay)->height() >= 150);
    QVERIFY(cancel->geometry().top() > overlay->findChild<QLabel *>("messageLabel")->geometry().bottom());

    QTest::mouseClick(cancel, Qt::LeftButton);
    QCOMPARE(FullScreenLoading::getInstance(window.get()), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(overlay.isNull(), 5000);
}

void TestFullScreenLoading::cancelWithReceiverOnlySignals()
{
    FullScreenLoading *overlay = FullScreenLoading::showCancellable(
        window.get(), QStringLiteral("正在扫描文件夹"), QStringLiteral("取消"));
    QSignalSpy spy(overlay, &FullScreenLoading::cancelled);
    QTest::mouseClick(cancelButtonOf(overlay), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(FullScreenLoading::getInstance(window.get()), overlay);
    QVERIFY(overlay->isVisible());
}

void TestFullScreenLoading::longMessageGrowsPanelAndStaysCentred()
{
    FullScreenLoading *overlay = FullScreenLoading::show(
        window.get(), QStringLiteral("正在读取订单的全部照片，请稍候，文件较多时需要更长的时间"));
    QWidget *panel = panelOf(overlay);
    QTRY_VERIFY(panel->height() > 120);
    QTRY_COMPARE(panel->pos(), QPoint((600 - 140) / 2, (400 - panel->height()) / 2));
    QCOMPARE(overlay->findChild<QLabel *>("messageLabel")->width(), 100);

    // The overlay keeps its size when only the parent grows, and re-centres when resized itself.
    window->resize(800, 600);
    QCOMPARE(overlay->size(), QSize(600, 400));
    overlay->resize(800, 600);
    QTRY_COMPARE(panel->pos(), QPoint((800 - 140) / 2, (600 - panel->height()) / 2));
}

void TestFullScreenLoading::parentDestroyedTakesOverlay()
{
    auto *parent = new QWidget(window.get());
    parent->resize(300, 300);
    parent->show();
    QPointer<FullScreenLoading> overlay = FullScreenLoading::show(parent, QStringLiteral("加载中..."));
    delete parent;
    QTRY_VERIFY(overlay.isNull());
    QCOMPARE(FullScreenLoading::getInstance(parent), nullptr);
}

void TestFullScreenLoading::fadingOverlayDoesNotDropNewerEntry()
{
    QPointer<FullScreenLoading> old = FullScreenLoading::show(window.get(), QStringLiteral("第一次"));
    old->dismiss();
    FullScreenLoading *fresh = FullScreenLoading::show(window.get(), QStringLiteral("第二次"));
    QVERIFY(fresh != old.data());
    QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), 5000);
    QCOMPARE(FullScreenLoading::getInstance(window.get()), fresh);
}

void TestFullScreenLoading::reuseCancelsPendingDismissal()
{
    QPointer<FullScreenLoading> overlay = FullScreenLoading::show(window.get(), QStringLiteral("上传中"));
    overlay->showSuccess(QStringLiteral("上传成功"), 200);
    // Let the automatic dismissal start fading.
    QTRY_VERIFY_WITH_TIMEOUT(opacityOf(overlay) < 1.0, 5000);
    QCOMPARE(FullScreenLoading::show(window.get(), QStringLiteral("下一单上传中")), overlay.data());
    QTest::qWait(800);
    QVERIFY(!overlay.isNull());
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->loadingState(), FullScreenLoading::Loading);
    QTRY_COMPARE(opacityOf(overlay), 1.0);
    QCOMPARE(FullScreenLoading::getInstance(window.get()), overlay.data());
}

void TestFullScreenLoading::nullParentIsNotRegistered()
{
    QPointer<FullScreenLoading> overlay = FullScreenLoading::show(nullptr, QStringLiteral("加载中..."));
    QVERIFY(overlay);
    QCOMPARE(FullScreenLoading::getInstance(nullptr), nullptr);
    overlay->showSuccess(QStringLiteral("成功"), 100);
    QCOMPARE(overlay->loadingState(), FullScreenLoading::Loading);
    overlay->dismiss();
    QTRY_VERIFY_WITH_TIMEOUT(overlay.isNull(), 5000);
}

QTEST_MAIN(TestFullScreenLoading)
#include "tst_fullscreenloading.moc"
