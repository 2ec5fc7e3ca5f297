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

QTEST_MAIN(TestFlowLayout)
#include "tst_flowlayout.moc"
