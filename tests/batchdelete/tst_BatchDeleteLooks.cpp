#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_FileListWidget.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

namespace {
BatchDeleteOrderInfo makeOrder(int n, const QString &payKey, const QString &round)
{
    BatchDeleteOrderInfo order;
    order.order_photo_id = QStringLiteral("OP%1").arg(n);
    order.orderpayforkey = payKey;
    order.servicetimes = round;
    order.mname = QStringLiteral("王磊");
    order.netpath = QStringLiteral("/Volumes/photo/2024/%1").arg(payKey);
    return order;
}

QList<BatchDeleteFileInfo> makeFiles(int count)
{
    QList<BatchDeleteFileInfo> files;
    for (int i = 0; i < count; ++i) {
        BatchDeleteFileInfo file;
        file.fileName = QStringLiteral("IMG_%1.JPG").arg(i);
        file.dirName = QStringLiteral("原片");
        file.index = i;
        files.append(file);
    }
    return files;
}

bool contains(const QImage &image, const QColor &colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y).rgb() == colour.rgb())
                return true;
        }
    }
    return false;
}

// The left `width` pixels of a cell, without its grid line.
QImage cellImage(QTableView *table, int row, int column, int width)
{
    const QRect cell = table->visualRect(table->model()->index(row, column));
    return table->viewport()->grab().toImage().copy(cell.x(), cell.y(), width, cell.height() - 1);
}
} // namespace

class tst_BatchDeleteLooks : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { BatchDeleteLogic::registerMetaTypes(); }

    void orderNumberWholeAtOpeningSize_data();
    void orderNumberWholeAtOpeningSize();
    void headerAndScrollBarsDrawn_data();
    void headerAndScrollBarsDrawn();
    void cellWidgetsDrawn();
    void loginPlaceholderGrey();
};

void tst_BatchDeleteLooks::orderNumberWholeAtOpeningSize_data()
{
    QTest::addColumn<QString>("payKey");
    QTest::addColumn<QString>("round");
    QTest::newRow("studio number") << "DD20240518001" << "1";
    QTest::newRow("two-digit round") << "DD20240518001" << "12";
    QTest::newRow("short") << "A1" << "2";
    QTest::newRow("long number") << "DD2024051800123456789" << "3";
    QTest::newRow("wide letters") << "WWMMWWMMWWMM" << "1";
}

void tst_BatchDeleteLooks::orderNumberWholeAtOpeningSize()
{
    QFETCH(QString, payKey);
    QFETCH(QString, round);
    BatchDelete window;
    window.showMaximized();
    BatchDelete_OrderListWidget *panel = window.orderListPanel();
    // Numbers that differ only at the end must not look alike.
    panel->addOrder(makeOrder(1, payKey, round));
    panel->addOrder(makeOrder(2, payKey, round + QLatin1Char('0')));
    QTableWidget *table = panel->tableWidget();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const int column = 1;
    for (int row = 0; row < 2; ++row) {
        const QString text = table->item(row, column)->text();
        QVERIFY(text.endsWith(QLatin1Char('-') + round + (row ? "0" : "")));
        // Room for the text inside the item padding, and the cell in view.
        QVERIFY2(table->fontMetrics().horizontalAdvance(text) <= table->columnWidth(column) - 2 * 4, qPrintable(text));
        QVERIFY(table->viewport()->rect().contains(table->visualItemRect(table->item(row, column))));
    }
    // Drawn exactly as when the column has all the room it could want: nothing elided or wrapped away.
    const int opening = table->columnWidth(column) - 2;
    const QImage atOpening0 = cellImage(table, 0, column, opening);
    const QImage atOpening1 = cellImage(table, 1, column, opening);
    table->setColumnWidth(column, 1000);
    QCOMPARE(cellImage(table, 0, column, opening), atOpening0);
    QCOMPARE(cellImage(table, 1, column, opening), atOpening1);
}

void tst_BatchDeleteLooks::headerAndScrollBarsDrawn_data()
{
    QTest::addColumn<bool>("orders");
    QTest::newRow("order table") << true;
    QTest::newRow("file table") << false;
}

void tst_BatchDeleteLooks::headerAndScrollBarsDrawn()
{
    QFETCH(bool, orders);
    BatchDelete_OrderListWidget orderPanel;
    BatchDelete_FileListWidget filePanel;
    QWidget *panel = orders ? static_cast<QWidget *>(&orderPanel) : &filePanel;
    QTableView *table = orders ? static_cast<QTableView *>(orderPanel.tableWidget()) : filePanel.tableView();
    if (orders) {
        for (int i = 0; i < 60; ++i)
            orderPanel.addOrder(makeOrder(i, QStringLiteral("DD%1").arg(i), QStringLiteral("1")));
    } else {
        filePanel.setFiles(makeFiles(60));
    }
    panel->resize(900, 400);
    panel->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel));

    QHeaderView *header = table->horizontalHeader();
    const QImage head = header->grab().toImage();
    // Right end of the stretched last section, away from its title.
    const int last = header->count() - 1;
    const int x = qMin(header->sectionViewportPosition(last) + header->sectionSize(last), head.width()) - 6;
    QCOMPARE(head.pixelColor(x, head.height() / 3).name(), QStringLiteral("#f5f7f9"));
    QCOMPARE(head.pixelColor(x, head.height() - 1).name(), QStringLiteral("#e0e0e0"));
    QCOMPARE(head.pixelColor(x, head.height() - 2).name(), QStringLiteral("#e0e0e0"));
    QCOMPARE(head.pixelColor(x, head.height() - 3).name(), QStringLiteral("#f5f7f9"));

    QScrollBar *bar = table->verticalScrollBar();
    QVERIFY(bar->isVisible());
    QCOMPARE(bar->width(), 8);
    bar->setValue(0);
    const QImage drawn = table->grab().toImage();
    const QPoint origin = bar->mapTo(table, QPoint(0, 0));
    // A faint track with a darker handle at its top, both grey.
    const QColor handle = drawn.pixelColor(origin + QPoint(4, 10));
    const QColor track = drawn.pixelColor(origin + QPoint(4, bar->height() - 10));
    QVERIFY2(handle.saturation() < 10 && track.saturation() < 10, qPrintable(handle.name() + track.name()));
    QVERIFY2(track.value() >= 215 && track.value() <= 250, qPrintable(track.name()));
    QVERIFY2(handle.value() >= 165 && handle.value() <= 215 && handle.value() < track.value() - 20,
             qPrintable(handle.name()));
}

void tst_BatchDeleteLooks::cellWidgetsDrawn()
{
    BatchDelete_OrderListWidget panel;
    for (int i = 0; i < 2; ++i)
        panel.addOrder(makeOrder(i, QStringLiteral("DD%1").arg(i), QStringLiteral("1")));
    const QList<BatchDeleteFileInfo> files = makeFiles(4);
    panel.refreshOrderFiles(QStringLiteral("OP0"), files);
    BatchDeleteFileInfo done = files.first();
    done.status = Deleted;
    panel.deleteRefreshOrder(panel.orders().first(), done);
    panel.resize(900, 400);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    const QColor blue(QStringLiteral("#007aff"));
    auto rowBox = [&](int row) { return panel.tableWidget()->cellWidget(row, 0)->findChild<QCheckBox *>(); };

    // Check boxes: a grey rim while unticked, filled blue once ticked.
    rowBox(1)->setChecked(true);
    for (QCheckBox *box : {rowBox(0), panel.selectAllBox()}) {
        const QImage image = box->grab().toImage();
        QVERIFY(contains(image, QColor(QStringLiteral("#d0d0d0"))));
        QVERIFY(!contains(image, blue));
    }
    QVERIFY(contains(rowBox(1)->grab().toImage(), blue));
    panel.selectAllBox()->setChecked(true);
    for (QCheckBox *box : {rowBox(0), rowBox(1), panel.selectAllBox()})
        QVERIFY(contains(box->grab().toImage(), blue));

    // A quarter done: blue chunk at the left, light trough at the right, grey rim.
    auto *bar = panel.tableWidget()->cellWidget(0, 5)->findChild<QProgressBar *>(QStringLiteral("progressBar"));
    QTRY_VERIFY(bar->isVisible());
    const QImage image = bar->grab().toImage();
    QCOMPARE(image.pixelColor(5, image.height() / 2).name(), QStringLiteral("#007aff"));
    QCOMPARE(image.pixelColor(image.width() - 5, image.height() / 2).name(), QStringLiteral("#f0f0f0"));
    QCOMPARE(image.pixelColor(image.width() / 2 + 20, 0).name(), QStringLiteral("#d0d0d0"));
}

// The verification dialog as the window opens it: its empty fields' hints in grey, not in the text's colour.
void tst_BatchDeleteLooks::loginPlaceholderGrey()
{
    BatchDelete window;
    window.show();
    QPointer<BatchLoginDialog> dialog = BatchLoginDialog::show(&window, {});
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    // No remembered account here: both fields show their hint, the account's disabled.
    for (const QString name : {QStringLiteral("passwordEdit"), QStringLiteral("accountEdit")}) {
        auto *edit = dialog->findChild<QLineEdit *>(name);
        QVERIFY(edit->text().isEmpty());
        // The darkest pixel of the hint is where a stroke covers it whole; the
        // field's rim and the cursor at the hint's start are left out.
        const QImage image = edit->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QColor darkest(Qt::white);
        for (int y = 4; y < image.height() - 4; ++y) {
            for (int x = 36; x < image.width() - 10; ++x) {
                if (qAlpha(image.pixel(x, y)) == 255 && qGray(image.pixel(x, y)) < qGray(darkest.rgb()))
                    darkest = image.pixelColor(x, y);
            }
        }
        const QColor grey(QStringLiteral("#8e8e93"));
        QVERIFY2(qAbs(darkest.red() - grey.red()) <= 6 && qAbs(darkest.green() - grey.green()) <= 6
                     && qAbs(darkest.blue() - grey.blue()) <= 6,
                 qPrintable(name + QLatin1Char(' ') + darkest.name()));
    }
    dialog->handleCancel();
}

QTEST_MAIN(tst_BatchDeleteLooks)
#include "tst_BatchDeleteLooks.moc"
