#include "split/ui/naming/FlowLayout.h"

#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QtTest>

namespace {

QWidget *box(QWidget *parent, int width, int height)
{
    auto *widget = new QWidget(parent);
    widget->setFixedSize(width, height);
    return widget;
}

} // namespace

class TestFlowLayout : public QObject
{
    Q_OBJECT

private slots:
    void placesItemsAndWraps_data();
    void placesItemsAndWraps();
    void marginsShiftTheArea();
    void heightForWidthMeasuresWithoutMoving();
    void narrowWidthStacksEveryItem();
    void outOfRangeIndexes();
    void minimumSizeIsLargestItemPlusMargins();
    void negativeSpacingFallsBackToStyle();
    void hiddenWidgetsKeepTheirPlace();
    void destroyingLayoutDeletesItems();
};

void TestFlowLayout::placesItemsAndWraps_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<QPoint>>("positions");
    QTest::addColumn<int>("height");

    QTest::newRow("three of 50 in 120") << 120 << QList<int>{50, 50, 50}
                                        << QList<QPoint>{{0, 0}, {58, 0}, {0, 38}} << 68;
    QTest::newRow("second of 50 misses the last column of 108") << 108 << QList<int>{50, 50}
                                                                << QList<QPoint>{{0, 0}, {0, 38}} << 68;
    QTest::newRow("second of 50 fits in 109") << 109 << QList<int>{50, 50} << QList<QPoint>{{0, 0}, {58, 0}}
                                              << 30;
    QTest::newRow("item as wide as the area stands alone") << 100 << QList<int>{20, 100, 20}
                                                           << QList<QPoint>{{0, 0}, {0, 38}, {0, 76}} << 106;
    QTest::newRow("wider than the area reaches past the edge") << 60 << QList<int>{200, 10}
                                                               << QList<QPoint>{{0, 0}, {0, 38}} << 68;
    QTest::newRow("wide enough for all") << 400 << QList<int>{50, 60, 70}
                                         << QList<QPoint>{{0, 0}, {58, 0}, {126, 0}} << 30;
}

void TestFlowLayout::placesItemsAndWraps()
{
    QFETCH(int, width);
    QFETCH(QList<int>, widths);
    QFETCH(QList<QPoint>, positions);
    QFETCH(int, height);

    QWidget parent;
    auto *layout = new FlowLayout(&parent, 0, 8, 8);
    QList<QWidget *> items;
    for (int w : widths) {
        items << box(&parent, w, 30);
        layout->addWidget(items.last());
    }
    QCOMPARE(layout->heightForWidth(width), height);
    layout->setGeometry(QRect(0, 0, width, 500));
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(items.at(i)->pos(), positions.at(i));
        QCOMPARE(items.at(i)->width(), widths.at(i));
    }
}

void TestFlowLayout::marginsShiftTheArea()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 5, 8, 4);
    QWidget *a = box(&parent, 50, 20);
    QWidget *b = box(&parent, 50, 30);
    QWidget *c = box(&parent, 50, 20);
    layout->addWidget(a);
    layout->addWidget(b);
    layout->addWidget(c);
    // Area runs from x 15 to 10 + 130 - 1 - 5 = 134: a at 15..64, b at 73..122, c would end past 134.
    layout->setGeometry(QRect(10, 20, 130, 200));
    QCOMPARE(a->pos(), QPoint(15, 25));
    QCOMPARE(b->pos(), QPoint(73, 25));
    QCOMPARE(c->pos(), QPoint(15, 25 + 30 + 4));
    QCOMPARE(layout->heightForWidth(130), 5 + 30 + 4 + 20 + 5);
}

void TestFlowLayout::heightForWidthMeasuresWithoutMoving()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 0, 8, 8);
    QWidget *a = box(&parent, 50, 30);
    QWidget *b = box(&parent, 50, 30);
    layout->addWidget(a);
    layout->addWidget(b);
    layout->setGeometry(QRect(0, 0, 300, 100));
    QCOMPARE(b->pos(), QPoint(58, 0));
    QVERIFY(layout->hasHeightForWidth());
    QCOMPARE(layout->heightForWidth(60), 68);
    QCOMPARE(b->pos(), QPoint(58, 0));
}

void TestFlowLayout::narrowWidthStacksEveryItem()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 3, 8, 6);
    QCOMPARE(layout->heightForWidth(100), 6); // no items: the margins alone
    const QList<int> heights{20, 35, 10, 25};
    for (int h : heights)
        layout->addWidget(box(&parent, 40, h));
    QCOMPARE(layout->heightForWidth(45), 3 + 20 + 6 + 35 + 6 + 10 + 6 + 25 + 3);
}

void TestFlowLayout::outOfRangeIndexes()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 0, 8, 8);
    QWidget *a = box(&parent, 10, 10);
    layout->addWidget(a);
    QCOMPARE(layout->count(), 1);
    QVERIFY(!layout->itemAt(-1));
    QVERIFY(!layout->itemAt(1));
    QVERIFY(!layout->takeAt(-1));
    QVERIFY(!layout->takeAt(layout->count()));
    QCOMPARE(layout->count(), 1);
    QCOMPARE(layout->itemAt(0)->widget(), a);

    QLayoutItem *taken = layout->takeAt(0);
    QVERIFY(taken);
    QCOMPARE(taken->widget(), a);
    QCOMPARE(layout->count(), 0);
    delete taken;
}

void TestFlowLayout::minimumSizeIsLargestItemPlusMargins()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 4, 8, 8);
    QCOMPARE(layout->minimumSize(), QSize(-1 + 8, -1 + 8));
    layout->addWidget(box(&parent, 80, 10));
    layout->addWidget(box(&parent, 30, 40));
    QCOMPARE(layout->minimumSize(), QSize(88, 48));
    QCOMPARE(layout->sizeHint(), layout->minimumSize());
    QCOMPARE(layout->expandingDirections(), Qt::Orientations());
}

void TestFlowLayout::negativeSpacingFallsBackToStyle()
{
    FlowLayout orphan(nullptr, 0, -1, -1);
    QCOMPARE(orphan.horizontalSpacing(), -1);
    QCOMPARE(orphan.verticalSpacing(), -1);

    QWidget parent;
    auto *layout = new FlowLayout(&parent, 0, -1, -1);
    QCOMPARE(layout->horizontalSpacing(),
             parent.style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, &parent));

    // Without a parent the gap between items is the style's push-button spacing.
    QWidget host;
    auto *loose = new FlowLayout(nullptr, 0, -1, -1);
    QWidget *a = box(&host, 50, 30);
    QWidget *b = box(&host, 50, 30);
    loose->addWidget(a);
    loose->addWidget(b);
    loose->setGeometry(QRect(0, 0, 500, 100));
    const int gap = a->style()->layoutSpacing(QSizePolicy::PushButton, QSizePolicy::PushButton, Qt::Horizontal);
    QCOMPARE(b->x(), 50 + gap);
    delete loose;
}

void TestFlowLayout::hiddenWidgetsKeepTheirPlace()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 0, 8, 8);
    QWidget *a = box(&parent, 50, 30);
    QWidget *b = box(&parent, 50, 30);
    layout->addWidget(a);
    layout->addWidget(b);
    a->hide();
    layout->setGeometry(QRect(0, 0, 300, 100));
    // A hidden widget has no size but still takes its gap in the line.
    QCOMPARE(b->pos(), QPoint(8, 0));
}

void TestFlowLayout::destroyingLayoutDeletesItems()
{
    QWidget parent;
    auto *layout = new FlowLayout(&parent, 0, 8, 8);
    QPointer<QWidget> a = box(&parent, 10, 10);
    layout->addWidget(a);
    delete layout;
    QVERIFY(a); // the items go, the widgets stay with their parent
    QVERIFY(!parent.layout());
}

QTEST_MAIN(TestFlowLayout)
#include "tst_flowlayout.moc"
