#include "widgets/OrderNumberButtonDelegate.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QTableView>
#include <QtMath>
#include <QtTest>

namespace {

int pixelsOfColour(const QImage &image, const QColor &colour, int row = -1)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        if (row >= 0 && y != row)
            continue;
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) < 30 && qAbs(c.green() - colour.green()) < 30
                && qAbs(c.blue() - colour.blue()) < 30)
                ++count;
        }
    }
    return count;
}

// Columns of the image holding pixels that differ from the cell's background.
QPair<int, int> inkSpan(const QImage &image)
{
    const QColor background = image.pixelColor(1, 1);
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - background.red()) + qAbs(c.green() - background.green())
                    + qAbs(c.blue() - background.blue()) > 60) {
                left = qMin(left, x);
                right = qMax(right, x);
            }
        }
    }
    return qMakePair(left, right);
}

double luminance(const QColor &c)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : qPow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

class TestOrderNumberButtonDelegate : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void leftReleaseEmitsRowAndText_data();
    void leftReleaseEmitsRowAndText();
    void otherButtonsAndColumnsPassOn();
    void hoverMarksRowOnce();
    void paintsLinkOnlyInFirstColumn();
    void hoverUnderline_data();
    void hoverUnderline();
    void fittedColumnDrawsNumberWhole_data();
    void fittedColumnDrawsNumberWhole();
    void selectedTextContrasts_data();
    void selectedTextContrasts();

private:
    QStandardItemModel *model = nullptr;
    QTableView *view = nullptr;
    OrderNumberButtonDelegate *delegate = nullptr;
};

void TestOrderNumberButtonDelegate::init()
{
    model = new QStandardItemModel(3, 2);
    const QStringList numbers = {QStringLiteral("DD20240501"), QString(), QStringLiteral("DD20240777")};
    for (int row = 0; row < 3; ++row) {
        model->setItem(row, 0, new QStandardItem(numbers.at(row)));
        model->setItem(row, 1, new QStandardItem(QStringLiteral("张三")));
    }
    view = new QTableView;
    view->setModel(model);
    view->setMouseTracking(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    delegate = new OrderNumberButtonDelegate(view);
    view->setItemDelegateForColumn(0, delegate);
    view->setItemDelegateForColumn(1, delegate);
    view->resize(400, 200);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view));
}

void TestOrderNumberButtonDelegate::cleanup()
{
    delete view;
    delete model;
}

void TestOrderNumberButtonDelegate::leftReleaseEmitsRowAndText_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::newRow("first") << 0 << QStringLiteral("DD20240501");
    QTest::newRow("empty cell") << 1 << QString();
    QTest::newRow("last") << 2 << QStringLiteral("DD20240777");
}

void TestOrderNumberButtonDelegate::leftReleaseEmitsRowAndText()
{
    QFETCH(int, row);
    QFETCH(QString, text);
    QSignalSpy spy(delegate, &OrderNumberButtonDelegate::orderNumberClicked);
    const QRect cell = view->visualRect(model->index(row, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().at(0).toInt(), row);
    QCOMPARE(spy.first().at(1).toString(), text);
}

void TestOrderNumberButtonDelegate::otherButtonsAndColumnsPassOn()
{
    QSignalSpy spy(delegate, &OrderNumberButtonDelegate::orderNumberClicked);
    QAbstractItemDelegate *base = delegate;
    const QModelIndex index = model->index(0, 0);
    QStyleOptionViewItem option;
    option.rect = view->visualRect(index);
    QMouseEvent right(QEvent::MouseButtonRelease, option.rect.center(), Qt::RightButton,
                      Qt::NoButton, Qt::NoModifier);
    QVERIFY(!base->editorEvent(&right, model, option, index));
    QMouseEvent left(QEvent::MouseButtonRelease, option.rect.center(), Qt::LeftButton,
                     Qt::NoButton, Qt::NoModifier);
    QVERIFY(base->editorEvent(&left, model, option, index));
    QCOMPARE(spy.count(), 1);

    const QRect other = view->visualRect(model->index(0, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, other.center());
    QCOMPARE(spy.count(), 1);
}

void TestOrderNumberButtonDelegate::hoverMarksRowOnce()
{
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    QAbstractItemDelegate *base = delegate;
    QStyleOptionViewItem option;
    for (int row : {0, 0, 2, 2, 0}) {
        const QModelIndex index = model->index(row, 0);
        option.rect = view->visualRect(index);
        QMouseEvent move(QEvent::MouseMove, option.rect.center(), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        base->editorEvent(&move, model, option, index);
    }
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(1).at(0).toModelIndex(), model->index(2, 0));
}

void TestOrderNumberButtonDelegate::paintsLinkOnlyInFirstColumn()
{
    const QImage image = view->viewport()->grab().toImage();
    const QRect linkCell = view->visualRect(model->index(0, 0));
    const QRect plainCell = view->visualRect(model->index(0, 1));
    const QColor blue(QStringLiteral("#007aff"));
    QVERIFY(pixelsOfColour(image.copy(linkCell), blue) > 5);
    QCOMPARE(pixelsOfColour(image.copy(plainCell), blue), 0);
}

void TestOrderNumberButtonDelegate::hoverUnderline_data()
{
    QTest::addColumn<int>("rowHeight");
    QTest::newRow("30") << 30;
    QTest::newRow("45") << 45;
}

void TestOrderNumberButtonDelegate::hoverUnderline()
{
    QFETCH(int, rowHeight);
    QImage image(200, rowHeight, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 200, rowHeight);
    option.font = view->font();
    option.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    delegate->paint(&painter, option, model->index(0, 0));
    painter.end();

    QFont font = option.font;
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    const int y = (rowHeight - 1) / 2 + metrics.height() / 2 - 2;
    const QColor hover(QStringLiteral("#0056cc"));
    const int width = metrics.horizontalAdvance(QStringLiteral("DD20240501"));
    QVERIFY(pixelsOfColour(image, hover, y) >= width - 2);
    QVERIFY(pixelsOfColour(image, QColor(QStringLiteral("#007aff"))) == 0);
}

void TestOrderNumberButtonDelegate::fittedColumnDrawsNumberWhole_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("short") << QStringLiteral("A12-2");
    QTest::newRow("service round 1") << QStringLiteral("DD20240602002-1");
    QTest::newRow("two-digit round") << QStringLiteral("DD20240602002-12");
    QTest::newRow("wide letters") << QStringLiteral("WWMMWWMMWWMMWW-10");
}

// Fitted to the widest number, a cell draws its number exactly as a very wide column does.
void TestOrderNumberButtonDelegate::fittedColumnDrawsNumberWhole()
{
    QFETCH(QString, number);
    model->setItem(0, 0, new QStandardItem(number));
    model->setItem(2, 0, new QStandardItem(QStringLiteral("A1-1")));
    view->setColumnWidth(0, 100);
    delegate->fitColumn(view, 0, QStringLiteral("A1-1"));
    delegate->fitColumn(view, 0, number);
    delegate->fitColumn(view, 0, QStringLiteral("A1-1"));
    QVERIFY(view->columnWidth(0) >= 100);
    const QRect fitted = view->visualRect(model->index(0, 0));
    const QPair<int, int> ink = inkSpan(view->viewport()->grab(fitted).toImage());
    QVERIFY(ink.second >= 0);
    QVERIFY2(ink.first > 0 && ink.second < fitted.width() - 1, "the number touches the cell's edge");

    view->setColumnWidth(0, 600);
    const QRect wide = view->visualRect(model->index(0, 0));
    const QPair<int, int> wideInk = inkSpan(view->viewport()->grab(wide).toImage());
    QCOMPARE(ink.second - ink.first, wideInk.second - wideInk.first);
}

void TestOrderNumberButtonDelegate::selectedTextContrasts_data()
{
    QTest::addColumn<QString>("styleSheet");
    QTest::newRow("style's own selection") << QString();
    QTest::newRow("light selection, as the order tables")
        << QStringLiteral("QTableView::item:selected { background-color: #e3f2fd; color: #000000; }");
    QTest::newRow("link-blue selection") << QStringLiteral("QTableView { selection-background-color: #007aff; }");
    QTest::newRow("pale selection") << QStringLiteral("QTableView { selection-background-color: #f5f5f5; }");
    // Neither link blue nor the highlighted-text colour reads on these.
    QTest::newRow("dark selection, text in its colour")
        << QStringLiteral("QTableView { selection-background-color: #0a3d91; selection-color: #0a3d91; }");
    QTest::newRow("mid selection, text in its colour")
        << QStringLiteral("QTableView { selection-background-color: #4da3ff; selection-color: #4da3ff; }");
}

// The selected row's number stands out from its selection (contrast of 3 or more).
void TestOrderNumberButtonDelegate::selectedTextContrasts()
{
    QFETCH(QString, styleSheet);
    view->setStyleSheet(styleSheet);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setColumnWidth(0, 150);
    view->selectRow(0);
    view->setFocus();
    const QImage cell = view->viewport()->grab(view->visualRect(model->index(0, 0))).toImage();
    const QColor background = cell.pixelColor(2, 2);
    double best = 1.0;
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            const double a = luminance(cell.pixelColor(x, y)), b = luminance(background);
            best = qMax(best, (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05));
        }
    }
    QVERIFY2(best >= 3.0, qPrintable(QStringLiteral("contrast %1 on %2").arg(best).arg(background.name())));
}

QTEST_MAIN(TestOrderNumberButtonDelegate)
#include "tst_ordernumberbuttondelegate.moc"
