#include "widgets/ToastWidget.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

namespace {

ToastWidget *toastOf(QWidget *parent)
{
    const QList<ToastWidget *> toasts = parent->findChildren<ToastWidget *>();
    return toasts.isEmpty() ? nullptr : toasts.last();
}

qreal opacityOf(QWidget *toast)
{
    return static_cast<QGraphicsOpacityEffect *>(toast->graphicsEffect())->opacity();
}

} // namespace

class TestToastWidget : public QObject
{
    Q_OBJECT

private slots:
    void livesForDurationThenFadesAndGoes();
    void centredOnParent_data();
    void centredOnParent();
    void doesNotTakeFocus();
    void toastsAreIndependent();
};

void TestToastWidget::livesForDurationThenFadesAndGoes()
{
    QWidget window;
    window.resize(400, 300);
    window.show();
    ToastWidget::showMessage(&window, QStringLiteral("订单号已复制"), 2000);
    QPointer<ToastWidget> toast = toastOf(&window);
    QVERIFY(toast);
    QVERIFY(toast->isVisible());
    QCOMPARE(toast->findChild<QLabel *>("messageLabel")->text(), QStringLiteral("订单号已复制"));
    QVERIFY(toast->windowFlags().testFlag(Qt::ToolTip));

    // Fully opaque while the display timer runs.
    const QList<QTimer *> timers = toast->findChildren<QTimer *>();
    QCOMPARE(timers.size(), 1);
    QVERIFY(timers.first()->isActive());
    QVERIFY(timers.first()->isSingleShot());
    QCOMPARE(timers.first()->interval(), 2000);
    QCOMPARE(opacityOf(toast), 1.0);

    QTRY_VERIFY_WITH_TIMEOUT(toast.isNull() || opacityOf(toast) < 1.0, 6000);
    QVERIFY(!timers.isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 6000);
}

void TestToastWidget::centredOnParent_data()
{
    QTest::addColumn<QSize>("parentSize");
    QTest::addColumn<QString>("message");
    QTest::newRow("short") << QSize(600, 400) << QStringLiteral("已复制");
    QTest::newRow("long wraps") << QSize(600, 400)
                                << QString(QStringLiteral("导入完成，请在共享文件夹中查看订单照片。")).repeated(8);
    QTest::newRow("parent smaller than toast") << QSize(40, 30) << QStringLiteral("订单号已复制到剪贴板");
}

void TestToastWidget::centredOnParent()
{
    QFETCH(QSize, parentSize);
    QFETCH(QString, message);

    QWidget window;
    window.resize(700, 500);
    auto *parent = new QWidget(&window);
    parent->setGeometry(30, 40, parentSize.width(), parentSize.height());
    window.show();

    ToastWidget::showMessage(parent, message, 2000);
    ToastWidget *toast = toastOf(parent);
    QVERIFY(toast);
    const QPoint c = parent->mapToGlobal(parent->rect().center());
    QCOMPARE(toast->pos(), QPoint(c.x() - toast->width() / 2, c.y() - toast->height() / 2));
    if (message.size() > 100)
        QVERIFY(toast->findChild<QLabel *>("messageLabel")->wordWrap());
}

void TestToastWidget::doesNotTakeFocus()
{
    QWidget window;
    auto *edit = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    edit->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), edit);
    ToastWidget::showMessage(&window, QStringLiteral("已保存"), 2000);
    QVERIFY(toastOf(&window)->testAttribute(Qt::WA_ShowWithoutActivating));
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::focusWidget(), edit);
}

void TestToastWidget::toastsAreIndependent()
{
    QWidget window;
    window.resize(400, 300);
    window.show();
    ToastWidget::showMessage(&window, QStringLiteral("第一条"), 100);
    QPointer<ToastWidget> first = toastOf(&window);
    ToastWidget::showMessage(&window, QStringLiteral("第二条"), 3000);
    QPointer<ToastWidget> second = toastOf(&window);
    QVERIFY(first != second);
    QCOMPARE(first->geometry().center().y(), second->geometry().center().y());
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);
    QVERIFY(!second.isNull());
}

QTEST_MAIN(TestToastWidget)
#include "tst_toastwidget.moc"
