#include "app/core/K.h"
#include "batchdelete/BatchDeleteFileModel.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "batchdelete/BatchDelete_FileListWidget.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "support/ScopedMountRoot.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ToastWidget.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTextBrowser>
#include <QtTest>

namespace {
BatchDeleteOrderInfo makeOrder(int n, const QString &netpath = QString())
{
    BatchDeleteOrderInfo order;
    order.id = QString::number(n);
    order.order_photo_id = QStringLiteral("OP%1").arg(n);
    order.orderpayforkey = QStringLiteral("A%1").arg(n);
    order.servicetimes = QStringLiteral("2");
    order.netpath = netpath;
    return order;
}

QList<BatchDeleteFileInfo> makeFiles(int count)
{
    QList<BatchDeleteFileInfo> files;
    for (int i = 0; i < count; ++i) {
        BatchDeleteFileInfo file;
        file.fileName = QStringLiteral("%1.jpg").arg(i);
        file.dirName = QStringLiteral("原片");
        file.filePath = QStringLiteral("/Volumes/photo/A1/原片/%1.jpg").arg(i);
        file.size = 1024 * (i + 1);
        file.index = i;
        files.append(file);
    }
    return files;
}

BatchDeleteFileInfo outcome(BatchDeleteFileInfo file, int status, const QString &message = QString())
{
    file.status = status;
    file.errorMessage = message;
    return file;
}

QCheckBox *rowBox(BatchDelete_OrderListWidget &panel, int row)
{
    return panel.tableWidget()->cellWidget(row, 0)->findChild<QCheckBox *>();
}

QWidget *counter(BatchDelete_OrderListWidget &panel, int row)
{
    return panel.tableWidget()->cellWidget(row, 5);
}

QList<BatchDeleteOrderInfo> makeOrders(int count, const QString &payKeyPrefix = QStringLiteral("A"))
{
    QList<BatchDeleteOrderInfo> orders;
    for (int i = 0; i < count; ++i) {
        orders.append(makeOrder(i));
        orders.last().orderpayforkey = payKeyPrefix + QString::number(i);
    }
    return orders;
}

// Every row the table shows, down to the last one in view, has its box and its counter.
bool rowsInViewHaveWidgets(const QTableWidget *table)
{
    const int bottom = table->rowAt(table->viewport()->height() - 1);
    for (int row = table->rowAt(0); row <= (bottom < 0 ? table->rowCount() - 1 : bottom); ++row)
        if (row < 0 || !table->cellWidget(row, 0) || !table->cellWidget(row, 5))
            return false;
    return true;
}

// A small panel on screen: a few rows in view, most far below.
bool showSmall(BatchDelete_OrderListWidget &panel)
{
    panel.resize(900, 300);
    panel.show();
    return QTest::qWaitForWindowExposed(&panel);
}

bool writeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

SimpleDialog *openDialog()
{
    for (QWidget *widget : QApplication::allWidgets()) {
        auto *dialog = qobject_cast<SimpleDialog *>(widget);
        if (dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}
} // namespace

class tst_BatchDeletePanels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { BatchDeleteLogic::registerMetaTypes(); }

    void rowCellsAndStoredRows();
    void selectAllFollowsRows();
    void counterThroughARun();
    void unknownOrderAndBadIndexChangeNothing();
    void fileListDialogs();
    void rowWidgetsFollowTheView();
    void ticksKeptForRowsWithoutWidgets();

    void modelRolesAndRange();
    void scanShowsFilesAndHandsThemOn();
    void missingFolderToasts_data();
    void missingFolderToasts();
    void cancelLeavesTableEmpty();
    void newOrderStopsOldScan();
};

void tst_BatchDeletePanels::rowCellsAndStoredRows()
{
    BatchDelete_OrderListWidget panel;
    BatchDeleteOrderInfo order = makeOrder(1, QStringLiteral("/Volumes/photo/A1"));
    order.row = 9;
    order.checked = true;
    panel.addOrder(order);
    BatchDeleteOrderInfo second = makeOrder(2);
    second.wname = QStringLiteral("李四");
    panel.addOrder(second);
    QCOMPARE(panel.orders().at(0).row, 0);
    QVERIFY(!panel.orders().at(0).checked);
    QCOMPARE(panel.orders().at(1).row, 1);
    auto *table = panel.tableWidget();
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("A1-2"));
    QCOMPARE(table->item(1, 2)->text(), QStringLiteral("李四"));
    QCOMPARE(table->item(0, 6)->text(), QStringLiteral("/Volumes/photo/A1"));

    QSignalSpy clicked(&panel, &BatchDelete_OrderListWidget::singleOrderClicked);
    table->selectRow(1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().value<BatchDeleteOrderInfo>().order_photo_id, QStringLiteral("OP2"));
    QCOMPARE(panel.getCurrentOrder().order_photo_id, QStringLiteral("OP2"));

    panel.clearOrders();
    QCOMPARE(table->rowCount(), 0);
    QVERIFY(panel.orders().isEmpty());
}

void tst_BatchDeletePanels::selectAllFollowsRows()
{
    BatchDelete_OrderListWidget panel;
    for (int i = 0; i < 3; ++i)
        panel.addOrder(makeOrder(i));
    rowBox(panel, 0)->setChecked(true);
    QCOMPARE(panel.selectAllBox()->checkState(), Qt::PartiallyChecked);
    rowBox(panel, 1)->setChecked(true);
    rowBox(panel, 2)->setChecked(true);
    QCOMPARE(panel.selectAllBox()->checkState(), Qt::Checked);
    QCOMPARE(panel.getCheckedOrders().size(), 3);
    rowBox(panel, 1)->setChecked(false);
    QCOMPARE(panel.selectAllBox()->checkState(), Qt::PartiallyChecked);
    QCOMPARE(panel.getCheckedOrders().size(), 2);
    QCOMPARE(panel.getCheckedOrders().at(1).order_photo_id, QStringLiteral("OP2"));
    rowBox(panel, 0)->setChecked(false);
    rowBox(panel, 2)->setChecked(false);
    QCOMPARE(panel.selectAllBox()->checkState(), Qt::Unchecked);
    QVERIFY(panel.getCheckedOrders().isEmpty());
    // And the other way round: the box drives every row.
    panel.selectAllBox()->setChecked(true);
    QCOMPARE(panel.getCheckedOrders().size(), 3);
    QVERIFY(rowBox(panel, 2)->isChecked());
    panel.selectAllBox()->setChecked(false);
    QVERIFY(panel.getCheckedOrders().isEmpty());
}

void tst_BatchDeletePanels::counterThroughARun()
{
    BatchDelete_OrderListWidget panel;
    panel.addOrder(makeOrder(1));
    const QList<BatchDeleteFileInfo> files = makeFiles(3);
    panel.refreshOrderFiles(QStringLiteral("OP1"), files);
    QWidget *cell = counter(panel, 0);
    auto *label = cell->findChild<QLabel *>("numLab");
    auto *bar = cell->findChild<QProgressBar *>("progressBar");
    QVERIFY(bar->isHidden());
    panel.refreshFileStatusDeleting(QStringLiteral("OP1"), 0);
    QCOMPARE(panel.orders().first().all.at(0).status, int(Deleting));
    panel.deleteRefreshOrder(makeOrder(1), outcome(files.at(0), Deleted));
    panel.deleteRefreshOrder(makeOrder(1), outcome(files.at(1), SubmitFailed));
    QCOMPARE(label->text(), QStringLiteral("1/1/3"));
    QVERIFY(!bar->isHidden());
    QCOMPARE(bar->value(), 2);

    panel.deleteRefreshOrder(makeOrder(1), outcome(files.at(2), Deleted));
    QCOMPARE(label->text(), QStringLiteral("2/1/3"));
    QVERIFY(bar->isHidden());
    QVERIFY(!cell->findChild<QWidget *>("checkOkBtn")->isHidden());
    QVERIFY(!cell->findChild<QWidget *>("checkFailBtn")->isHidden());
    QCOMPARE(panel.orders().first().all.at(1).status, int(SubmitFailed));
}

void tst_BatchDeletePanels::unknownOrderAndBadIndexChangeNothing()
{
    BatchDelete_OrderListWidget panel;
    panel.addOrder(makeOrder(1));
    const QList<BatchDeleteFileInfo> files = makeFiles(2);
    panel.refreshOrderFiles(QStringLiteral("OP1"), files);
    panel.refreshOrderFiles(QStringLiteral("OP9"), makeFiles(4));
    panel.deleteRefreshOrder(makeOrder(9), outcome(files.at(0), Deleted));
    panel.refreshFileStatusDeleting(QStringLiteral("OP1"), -1);
    BatchDeleteFileInfo stray = outcome(files.at(0), Deleted);
    stray.index = 5;
    panel.deleteRefreshOrder(makeOrder(1), stray);
    QVERIFY(panel.orders().first().deleted.isEmpty());
    QCOMPARE(counter(panel, 0)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/0/2"));
    panel.updateOrderCheckState(4, true);
    panel.updateOrderCheckState(0, true);
    QCOMPARE(panel.getCheckedOrders().size(), 1);
    QVERIFY(!rowBox(panel, 0)->isChecked()); // the flag only
}

void tst_BatchDeletePanels::fileListDialogs()
{
    BatchDelete_OrderListWidget panel;
    BatchDeleteOrderInfo order = makeOrder(1);
    order.servicetimes.clear();
    panel.addOrder(order);
    const QList<BatchDeleteFileInfo> files = makeFiles(2);
    panel.refreshOrderFiles(QStringLiteral("OP1"), files);
    panel.deleteRefreshOrder(order, outcome(files.at(0), Deleted));
    panel.deleteRefreshOrder(order, outcome(files.at(1), NoPermission, QStringLiteral("没有删除权限")));
    panel.show();

    QTest::mouseClick(qobject_cast<QPushButton *>(counter(panel, 0)->findChild<QWidget *>("checkOkBtn")), Qt::LeftButton);
    SimpleDialog *dialog = openDialog();
    QVERIFY(dialog);
    bool titled = false;
    for (QLabel *label : dialog->findChildren<QLabel *>())
        titled = titled || label->text() == QStringLiteral("A1- 删除成功的照片");
    QVERIFY(titled);
    QCOMPARE(dialog->findChild<QTextBrowser *>()->toPlainText().trimmed(), QStringLiteral("原片/0.jpg"));
    dialog->handleCancel();
    QTRY_VERIFY(!openDialog());

    QTest::mouseClick(qobject_cast<QPushButton *>(counter(panel, 0)->findChild<QWidget *>("checkFailBtn")), Qt::LeftButton);
    dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QTextBrowser *>()->toPlainText().trimmed(), QStringLiteral("原片/1.jpg: 没有删除权限"));
    dialog->handleOk();
}

void tst_BatchDeletePanels::rowWidgetsFollowTheView()
{
    BatchDelete_OrderListWidget panel;
    QVERIFY(showSmall(panel));
    panel.showOrders(makeOrders(30));
    QTableWidget *table = panel.tableWidget();
    QVERIFY(rowsInViewHaveWidgets(table) && !table->cellWidget(29, 0));
    // Maximised: every row fits, nothing scrolls.
    panel.resize(900, 45 * 40);
    QTRY_COMPARE(table->rowAt(table->viewport()->height() - 1), -1);
    QVERIFY(rowsInViewHaveWidgets(table));

    panel.resize(900, 300);
    panel.showOrders(makeOrders(300));
    const QList<BatchDeleteFileInfo> files = makeFiles(2);
    panel.refreshOrderFiles(QStringLiteral("OP299"), files);
    panel.deleteRefreshOrder(makeOrder(299), outcome(files.at(0), Deleted));
    table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum() / 2);
    QVERIFY(rowsInViewHaveWidgets(table));
    table->scrollToBottom();
    QVERIFY(rowsInViewHaveWidgets(table) && !table->cellWidget(0, 0));
    // A counter made on the way shows where the order's deletion stands.
    QCOMPARE(counter(panel, 299)->findChild<QLabel *>("numLab")->text(), QStringLiteral("1/0/2"));
    auto *bar = counter(panel, 299)->findChild<QProgressBar *>("progressBar");
    QVERIFY(!bar->isHidden());
    QCOMPARE(qMakePair(bar->value(), bar->maximum()), qMakePair(1, 2));
    // Finished orders, one with failures only, one without: away and back, each offers its own list.
    for (int row : {297, 298}) {
        panel.refreshOrderFiles(QStringLiteral("OP%1").arg(row), files.mid(0, 1));
        panel.deleteRefreshOrder(makeOrder(row), outcome(files.at(0), row == 297 ? NoPermission : Deleted));
    }
    table->scrollToTop();
    table->scrollToBottom();
    for (int row : {297, 298}) {
        QCOMPARE(counter(panel, row)->findChild<QWidget *>("checkFailBtn")->isHidden(), row == 298);
        QCOMPARE(counter(panel, row)->findChild<QWidget *>("checkOkBtn")->isHidden(), row == 297);
    }
}

void tst_BatchDeletePanels::ticksKeptForRowsWithoutWidgets()
{
    BatchDelete_OrderListWidget panel;
    QVERIFY(showSmall(panel));
    QList<BatchDeleteOrderInfo> orders = makeOrders(5000);
    orders.last().orderpayforkey = QStringLiteral("WWMMWWMMWWMMWWMM");
    panel.showOrders(orders);
    QTableWidget *table = panel.tableWidget();
    // While the rows are still being filled, "全选" covers every one.
    panel.selectAllBox()->setChecked(true);
    QCOMPARE(panel.getCheckedOrders().size(), 5000);
    rowBox(panel, 1)->setChecked(false);
    table->scrollToBottom();
    QVERIFY(rowBox(panel, 4999)->isChecked());
    rowBox(panel, 4999)->setChecked(false);
    table->scrollToTop();
    QVERIFY(!rowBox(panel, 1)->isChecked() && rowBox(panel, 2)->isChecked());
    QCOMPARE(panel.getCheckedOrders().size(), 4998);
    QCOMPARE(panel.getCheckedOrders().last().order_photo_id, QStringLiteral("OP4998"));
    panel.selectAllBox()->setChecked(false);
    QVERIFY(panel.getCheckedOrders().isEmpty());
    // The widest number, filled far out of view, still shows whole.
    QTRY_VERIFY(!panel.isFilling());
    const QString widest = table->item(4999, 1)->text();
    QVERIFY(table->fontMetrics().horizontalAdvance(widest) <= table->columnWidth(1) - 2 * 4);

    // A new search during a fill: only its own rows, every one filled.
    panel.showOrders(makeOrders(5000));
    panel.showOrders(makeOrders(200, QStringLiteral("B")));
    QTRY_VERIFY(!panel.isFilling());
    QCOMPARE(table->rowCount(), 200);
    QVERIFY(table->item(199, 1));
    QCOMPARE(table->item(199, 1)->text(), QStringLiteral("B199-2"));
}

void tst_BatchDeletePanels::modelRolesAndRange()
{
    BatchDeleteFileModel model;
    QVERIFY(!model.headerData(5, Qt::Horizontal).isValid());
    model.setFiles(makeFiles(2));
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(model.data(model.index(1, 2)).toString(), QStringLiteral("2.00 KB"));
    QCOMPARE(model.data(model.index(1, 2), Qt::UserRole + 1).toInt(), 1);

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.updateFileStatus(-1, Deleted, QString());
    QCOMPARE(model.getFileAt(5).status, 0);
    model.updateFileStatus(2, Deleted, QString());
    QCOMPARE(changed.count(), 0);
    model.updateFileStatus(1, FileOccupied, QStringLiteral("文件被其他程序占用"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model.data(model.index(1, 3)).toString(), QStringLiteral("删除失败 (文件被占用)"));
    QCOMPARE(model.data(model.index(1, 3), Qt::ForegroundRole).value<QBrush>().color(), QColor("#ff3b30"));
    QVERIFY(!model.data(model.index(1, 2), Qt::ForegroundRole).isValid());
    QCOMPARE(model.data(model.index(1, 0), Qt::UserRole).toInt(), int(FileOccupied));
}

void tst_BatchDeletePanels::scanShowsFilesAndHandsThemOn()
{
    ScopedMountRoot root;
    const QString folder = root.mkpath(QStringLiteral("orders/A1"));
    for (const QString &name : {"原片/1.jpg", "原片/2.jpg", "3.jpg"})
        QVERIFY(writeFile(folder + '/' + name));
    BatchDelete_FileListWidget panel;
    QSignalSpy handed(&panel, &BatchDelete_FileListWidget::refreshOrderFiles);
    panel.loadFilesForOrders({makeOrder(1, folder)});
    FullScreenLoading *overlay = FullScreenLoading::getInstance(&panel);
    QVERIFY(overlay);
    QCOMPARE(overlay->message(), QStringLiteral("查找A1-2的文件中..."));
    QTRY_COMPARE_WITH_TIMEOUT(handed.count(), 1, 10000);
    QCOMPARE(handed.first().at(0).toString(), QStringLiteral("OP1"));
    QCOMPARE(handed.first().at(1).value<QList<BatchDeleteFileInfo>>().size(), 3);
    QCOMPARE(panel.fileModel()->rowCount(), 3);
    QCOMPARE(panel.findChild<QLabel *>("fileListTitle")->text(), QStringLiteral("共 3 个文件"));
    QVERIFY(!FullScreenLoading::getInstance(&panel));
}

void tst_BatchDeletePanels::missingFolderToasts_data()
{
    QTest::addColumn<QString>("folder"); // below the mount root, whose share "orders" exists
    QTest::addColumn<QString>("link");   // below the root, a link to another order's tree; empty for none
    QTest::addColumn<QString>("shown");  // "@" stands for the folder's full path, "#" for the link's
    QTest::newRow("folder missing") << "orders/A1" << "" << QStringLiteral("目录不存在: @");
    QTest::newRow("share named in other case") << "ORDERS/A1" << "" << K::missingShareMessage(QStringLiteral("@"));
    QTest::newRow("share not mounted") << "photo/A1" << "" << K::missingShareMessage(QStringLiteral("@"));
    // A link into another order's folder: its files are not listed as this order's.
    QTest::newRow("order folder a link") << "orders/A1" << "orders/A1" << K::orderFolderLinkMessage(QStringLiteral("#"));
    QTest::newRow("year folder a link") << "orders/2024/B1" << "orders/2024" << K::orderFolderLinkMessage(QStringLiteral("#"));
}

void tst_BatchDeletePanels::missingFolderToasts()
{
    QFETCH(QString, folder);
    QFETCH(QString, link);
    QFETCH(QString, shown);
    ScopedMountRoot root;
    // A mounted share is never empty.
    QVERIFY(writeFile(root.mkpath(QStringLiteral("orders")) + QStringLiteral("/marker")));
    const QString path = root.path() + folder;
    BatchDelete_FileListWidget panel;
    panel.show();
    QSignalSpy handed(&panel, &BatchDelete_FileListWidget::refreshOrderFiles);
    const QString other = root.mkpath(QStringLiteral("orders/B1"));
    QVERIFY(writeFile(root.mkpath(QStringLiteral("orders/B1/原片")) + QStringLiteral("/other.jpg")));
    if (link == folder) {
        // Listed while real, then swapped for a link into another order and refreshed.
        QVERIFY(writeFile(root.mkpath(folder + QStringLiteral("/原片")) + QStringLiteral("/own.jpg")));
        panel.loadFilesForOrders({makeOrder(1, path)});
        QTRY_COMPARE_WITH_TIMEOUT(panel.fileModel()->rowCount(), 1, 10000);
        QVERIFY(QDir().rename(path, other + QStringLiteral("-own")) && QFile::link(other, path));
        handed.clear();
        QTest::mouseClick(panel.findChild<QPushButton *>(QStringLiteral("fileListRefreshButton")), Qt::LeftButton);
    } else {
        // Another order listed first; the year folder's link leads into its tree.
        if (!link.isEmpty()) {
            QVERIFY(QFile::link(root.path() + QStringLiteral("orders"), root.path() + link));
            panel.loadFilesForOrders({makeOrder(2, other)});
            QTRY_COMPARE_WITH_TIMEOUT(panel.fileModel()->rowCount(), 1, 10000);
            handed.clear();
        }
        panel.loadFilesForOrders({makeOrder(1, path)});
    }
    QTRY_VERIFY_WITH_TIMEOUT(panel.findChild<ToastWidget *>(), 10000);
    QStringList texts;
    for (QLabel *label : panel.findChild<ToastWidget *>()->findChildren<QLabel *>())
        texts << label->text();
    shown.replace(QLatin1Char('@'), path).replace(QLatin1Char('#'), root.path() + link);
    QVERIFY2(texts.contains(shown), qPrintable(texts.join('|')));
    // No scan runs behind the refusal: nothing comes to replace it.
    QTest::qWait(200);
    QCOMPARE(handed.count(), 0);
    QCOMPARE(panel.fileModel()->rowCount(), 0);
    QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"orders"});
    if (!link.isEmpty())
        QCOMPARE(panel.findChild<QLabel *>("fileListTitle")->text(), shown);
}

void tst_BatchDeletePanels::cancelLeavesTableEmpty()
{
    ScopedMountRoot root;
    const QString dir = root.mkpath(QStringLiteral("orders/A1"));
    for (int i = 0; i < 20; ++i)
        QVERIFY(writeFile(dir + QStringLiteral("/%1.jpg").arg(i)));
    BatchDelete_FileListWidget panel;
    QSignalSpy handed(&panel, &BatchDelete_FileListWidget::refreshOrderFiles);
    panel.loadFilesForOrders({makeOrder(1, dir)});
    FullScreenLoading *overlay = FullScreenLoading::getInstance(&panel);
    QVERIFY(overlay);
    emit overlay->cancelled();
    QVERIFY(!FullScreenLoading::getInstance(&panel));
    QTest::qWait(200);
    QCOMPARE(handed.count(), 0);
    QCOMPARE(panel.fileModel()->rowCount(), 0);
}

void tst_BatchDeletePanels::newOrderStopsOldScan()
{
    ScopedMountRoot root;
    const QString first = root.mkpath(QStringLiteral("orders/A1"));
    const QString second = root.mkpath(QStringLiteral("orders/A2"));
    for (int i = 0; i < 30; ++i)
        QVERIFY(writeFile(first + QStringLiteral("/%1.jpg").arg(i)));
    QVERIFY(writeFile(second + "/only.jpg"));
    BatchDelete_FileListWidget panel;
    QSignalSpy handed(&panel, &BatchDelete_FileListWidget::refreshOrderFiles);
    panel.loadFilesForOrders({makeOrder(1, first)});
    panel.loadFilesForOrders({makeOrder(2, second)});
    QTRY_COMPARE_WITH_TIMEOUT(handed.count(), 1, 10000);
    QTest::qWait(200);
    QCOMPARE(handed.count(), 1);
    QCOMPARE(handed.first().at(0).toString(), QStringLiteral("OP2"));
    QCOMPARE(panel.fileModel()->rowCount(), 1);

    // A result for another order than the shown one leaves table and title alone.
    FileScanResult stale;
    stale.orderId = QStringLiteral("OP1");
    stale.files = makeFiles(4);
    panel.onScanFinished(stale);
    QCOMPARE(panel.fileModel()->rowCount(), 1);
}

QTEST_MAIN(tst_BatchDeletePanels)
#include "tst_BatchDeletePanels.moc"
