#include "app/core/Config.h"
#include "app/core/K.h"
#include "support/ScopedMountRoot.h"
#include "support/TransferMessageBoxes.h"
#include "support/TransferStudioData.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/ui/OrderRecords.h"
#include "transfer/ui/PickedEntries.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "widgets/OrderNumberButtonDelegate.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

namespace {

OrderInfo cannedOrder(int n)
{
    return OrderRecords::orderFromListObject(TransferStudioData::order(n), n);
}

QStringList files(int count, const QString &suffix = QStringLiteral("JPG"))
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("/Users/studio/Desktop/pick/IMG_%1.%2").arg(i + 1).arg(suffix);
    return list;
}

} // namespace

class tst_OrderListWidget : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void rowCells();
    void customerName_data();
    void customerName();
    void openButtonOnlyInOpenMode();
    void pickingPhotos();
    void pickingVideos();
    void pickWithCollidingNamesIsRefused_data();
    void pickWithCollidingNamesIsRefused();
    void newWindowStartsWithPhotos();
    void pickingWithoutImportFolderIsRefused();
    void pickingIntoFolderPastTheLimitsIsRefused_data();
    void pickingIntoFolderPastTheLimitsIsRefused();
    void pickThroughOrderFolderLinkIsRefused_data();
    void pickThroughOrderFolderLinkIsRefused();
    void cancelledPickChangesNothing();
    void cleaningPicks();
    void changeImportTypeEmptiesOnlyTheSelectedOrder();
    void startAllWithNoOrders();
    void startAllAndPause();
    void startAllSkipsOrdersThatDoNotWait();
    void runEndsWithSummary();
    void runEndsWithoutSummaryWhenNothingFinished();
    void progressCountsFilesByTheirOwnKind();
    void staleUpdatesAreIgnored_data();
    void staleUpdatesAreIgnored();
    void photoStatusRecordsTheGroup();
    void refreshImportNums();
    void orderNumberClickCopiesAndToasts();
    void uploadedPictureNumbers();
    void currentOrderWithoutSelection();
    void statusAndPathUpdate();
    void resetImportPath();

private:
    tfhomeorders_OrderListWidget *m_widget = nullptr;
    TransferMessageBoxes *m_boxes = nullptr;
    QStringList m_chosen;
    QString m_lastCaption;

    QTableWidget *table() const { return m_widget->findChild<QTableWidget *>(QStringLiteral("orderTable")); }
    QString cell(int row, const QString &title) const;
    QPushButton *rowButton(int row, const char *name) const;
    QPushButton *startButton() const
    {
        return m_widget->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    }
    void addOrders(int count);
    void pick(int row, int count);
};

QString tst_OrderListWidget::cell(int row, const QString &title) const
{
    for (int column = 0; column < table()->columnCount(); ++column) {
        if (table()->horizontalHeaderItem(column)->text() == title) {
            QTableWidgetItem *item = table()->item(row, column);
            return item ? item->text() : QString();
        }
    }
    return QStringLiteral("<no column>");
}

QPushButton *tst_OrderListWidget::rowButton(int row, const char *name) const
{
    const QList<QPushButton *> buttons = table()->findChildren<QPushButton *>(QLatin1String(name));
    for (QPushButton *button : buttons) {
        if (button->property("row").toInt() == row)
            return button;
    }
    return nullptr;
}

void tst_OrderListWidget::addOrders(int count)
{
    for (int i = 0; i < count; ++i)
        m_widget->addOrder(cannedOrder(i));
}

void tst_OrderListWidget::pick(int row, int count)
{
    m_chosen = files(count, Config::k_importType == FinishedPhotos ? QStringLiteral("JPG") : QStringLiteral("mp4"));
    QPushButton *button = rowButton(row, "selectPhotosButton");
    QVERIFY(button);
    button->click();
}

void tst_OrderListWidget::init()
{
    Config::k_importType = FinishedPhotos;
    m_boxes = new TransferMessageBoxes(this);
    m_widget = new tfhomeorders_OrderListWidget();
    m_widget->setOpenButtonMode(1);
    m_widget->setFileChooser([this](QWidget *, const QString &caption, const QString &) {
        m_lastCaption = caption;
        return m_chosen;
    });
    m_widget->resize(1200, 600);
    m_widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_widget));
}

void tst_OrderListWidget::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_widget;
    m_widget = nullptr;
    delete m_boxes;
    m_boxes = nullptr;
    Config::k_importType = FinishedPhotos;
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

void tst_OrderListWidget::rowCells()
{
    OrderInfo order = cannedOrder(1);
    order.importedRetouchedVideos.append(PhotoInfo());
    m_widget->addOrder(order);
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(cell(0, "订单号"), TransferStudioData::orderNumber(1) + QStringLiteral("-1"));
    QCOMPARE(cell(0, "客户姓名"), QStringLiteral("王强/王芳"));
    QCOMPARE(cell(0, "样前修片师"), QStringLiteral("王修图"));
    QCOMPARE(cell(0, "已导"), QStringLiteral("2/1/1"));
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("未选择"));
    QCOMPARE(cell(0, "已选"), QStringLiteral("未选择"));
    QCOMPARE(cell(0, "导片路径"), order.importPath);
    QVERIFY(order.importPath.contains(TransferStudioData::orderShareFolder(1)));
    QVERIFY(rowButton(0, "selectPhotosButton") && rowButton(0, "cleanPhotosButton"));
    // The longest number shows whole.
    OrderInfo longNumber = cannedOrder(2);
    longNumber.orderpayforkey = QStringLiteral("DD20240602002");
    m_widget->addOrder(longNumber);
    QVERIFY(table()->horizontalHeaderItem(0)->text() == QStringLiteral("订单号"));
    QVERIFY(table()->columnWidth(0)
            >= OrderNumberButtonDelegate::columnWidthFor(table(), QStringLiteral("DD20240602002-1")));
}

void tst_OrderListWidget::customerName_data()
{
    QTest::addColumn<QString>("man");
    QTest::addColumn<QString>("woman");
    QTest::addColumn<QString>("shown");
    QTest::newRow("both") << "张伟" << "李娜" << "张伟/李娜";
    QTest::newRow("woman only") << "" << "李娜" << "李娜";
    QTest::newRow("man only") << "张伟" << "" << "张伟";
    QTest::newRow("none") << "" << "" << "";
}

void tst_OrderListWidget::customerName()
{
    QFETCH(QString, man);
    QFETCH(QString, woman);
    QFETCH(QString, shown);
    OrderInfo order = cannedOrder(0);
    order.mname = man;
    order.wname = woman;
    m_widget->addOrder(order);
    QCOMPARE(cell(0, "客户姓名"), shown);
}

void tst_OrderListWidget::openButtonOnlyInOpenMode()
{
    m_widget->addOrder(cannedOrder(0));
    m_widget->setOpenButtonMode(0);
    m_widget->addOrder(cannedOrder(1));
    QVERIFY(rowButton(0, "openPathButton"));
    QVERIFY(!rowButton(1, "openPathButton"));
}

void tst_OrderListWidget::pickingPhotos()
{
    addOrders(2);
    QList<int> announced;
    OrderInfo announcedOrder;
    connect(m_widget, &tfhomeorders_OrderListWidget::orderSelectionChanged, this,
            [&](int row, const OrderInfo &order) {
                announced << row;
                announcedOrder = order;
            });
    pick(1, 3);
    QCOMPARE(m_lastCaption, QStringLiteral("选择照片文件 (可使用Ctrl+A全选)"));
    const OrderInfo stored = m_widget->orderAt(1);
    QCOMPARE(stored.photoList.size(), 12);
    QCOMPARE(stored.selectedNum, 3);
    QCOMPARE(stored.status, QStringLiteral("等待中"));
    // Order 1 has "0" small and big sizes, which became the defaults.
    QCOMPARE(stored.photoList.at(1).imagesize, QStringLiteral("90"));
    QCOMPARE(stored.photoList.at(3).imagesize, QStringLiteral("1920"));
    QCOMPARE(stored.photoList.at(0).importPath, stored.importPath);
    QCOMPARE(cell(1, "上传状态"), QStringLiteral("等待中"));
    QCOMPARE(cell(1, "已选"), QStringLiteral("3"));
    QVERIFY(announced.contains(1));
    QCOMPARE(announcedOrder.photoList.size(), 12);
    QCOMPARE(table()->currentRow(), 1);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("成功"), QStringLiteral("已选择 3 ")));
    // Order 0 keeps nothing picked.
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());

    // A second pick replaces the first.
    pick(1, 2);
    QCOMPARE(m_widget->orderAt(1).photoList.size(), 8);
    QCOMPARE(cell(1, "已选"), QStringLiteral("2"));
}

void tst_OrderListWidget::pickWithCollidingNamesIsRefused_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QString>("names");
    QTest::newRow("one name on two cards") << QStringList{"/Volumes/A/IMG_1.JPG", "/Volumes/B/IMG_1.JPG", "/Volumes/A/IMG_2.JPG"}
                                           << "IMG_1.JPG\nIMG_1.JPG";
    QTest::newRow("letter case") << QStringList{"/p/img_7.jpg", "/p/IMG_3.JPG", "/p/IMG_7.JPG"} << "img_7.jpg\nIMG_7.JPG";
}

// Copies of such files would overwrite each other in the order's folders.
void tst_OrderListWidget::pickWithCollidingNamesIsRefused()
{
    QFETCH(QStringList, chosen);
    QFETCH(QString, names);
    addOrders(1);
    m_chosen = chosen;
    rowButton(0, "selectPhotosButton")->click();
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("以下文件重名，无法同时导入：\n") + names));
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());
    QCOMPARE(m_widget->orderAt(0).selectedNum, 0);
}

// The import kind is shared: a new window must not inherit the one an earlier window left.
void tst_OrderListWidget::newWindowStartsWithPhotos()
{
    delete m_widget;
    Config::k_importType = TrialVideo;
    m_widget = new tfhomeorders_OrderListWidget();
    m_widget->setFileChooser([this](QWidget *, const QString &, const QString &) { return m_chosen; });
    addOrders(1);
    m_chosen = files(1);
    rowButton(0, "selectPhotosButton")->click();
    QCOMPARE(m_widget->orderAt(0).photoList.size(), 4);
    QCOMPARE(m_widget->orderAt(0).photoList.first().sizeTag, QStringLiteral("all"));
}

void tst_OrderListWidget::pickingVideos()
{
    addOrders(1);
    m_widget->findChild<QRadioButton *>(QStringLiteral("retouchedVideoRadio"))->click();
    QCOMPARE(Config::k_importType, int(RetouchedVideo));
    pick(0, 3);
    QCOMPARE(m_lastCaption, QStringLiteral("选择视频文件 (可使用Ctrl+A全选)"));
    const OrderInfo stored = m_widget->orderAt(0);
    QCOMPARE(stored.photoList.size(), 3);
    QCOMPARE(stored.photoList.at(2).sizeTag, QStringLiteral("精修视频"));
    QCOMPARE(cell(0, "已选"), QStringLiteral("3"));
}

void tst_OrderListWidget::pickingWithoutImportFolderIsRefused()
{
    OrderInfo order = cannedOrder(0);
    order.importPath.clear();
    order.publicNetpath.clear();
    m_widget->addOrder(order);
    m_chosen = files(2);
    m_lastCaption.clear();
    rowButton(0, "selectPhotosButton")->click();
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("旗舰店 没有设置本地云导片路径, 请在后台设置本地云导片路径！"));
    QVERIFY(m_lastCaption.isEmpty());
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("未选择"));
}

void tst_OrderListWidget::pickingIntoFolderPastTheLimitsIsRefused_data()
{
    QTest::addColumn<QString>("below"); // the order's folder below its share; empty: made in the public folder
    QTest::addColumn<QString>("customer");
    QTest::newRow("300,000 levels") << QString("a/").repeated(300000) + "A1" << "";
    QTest::newRow("name of 256 bytes") << QString(256, 'n') << "";
    QTest::newRow("public folder, customer name of 256 bytes") << "" << QString(256, 'n');
}

// The pick looks at the order's folder: a path the system refuses is refused first, and at once.
void tst_OrderListWidget::pickingIntoFolderPastTheLimitsIsRefused()
{
    QFETCH(QString, below);
    QFETCH(QString, customer);
    OrderInfo order = cannedOrder(0);
    order.importPath = below.isEmpty() ? QString() : QFileInfo(order.importPath).path() + '/' + below;
    order.wname = customer.isEmpty() ? order.wname : customer;
    const QString folder = K::generateImportPathByOrder(order);
    m_widget->addOrder(order);
    m_chosen = files(2);
    m_lastCaption.clear();
    QElapsedTimer asked;
    asked.start();
    rowButton(0, "selectPhotosButton")->click();
    QTRY_COMPARE(m_boxes->count(), 1);
    QVERIFY2(asked.elapsed() < 1000, qPrintable(QString::number(asked.elapsed())));
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    QVERIFY(m_boxes->last().text.startsWith(QStringLiteral("路径过长: ")));
    QCOMPARE(m_boxes->last().text, K::pathTooLongMessage(folder));
    QVERIFY(m_lastCaption.isEmpty());
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());
}

void tst_OrderListWidget::pickThroughOrderFolderLinkIsRefused_data()
{
    QTest::addColumn<QString>("linked"); // "order": the order's folder, "year": its year folder, "": none, "new": not made yet
    QTest::newRow("order folder a link to another order") << "order";
    QTest::newRow("year folder a link into another order's tree") << "year";
    QTest::newRow("real folders") << "";
    QTest::newRow("order folder not made yet") << "new";
}

// The pick looks at the order's folder: reached through a link it may be
// another order's, whose photos it would offer to replace. Refused at once.
void tst_OrderListWidget::pickThroughOrderFolderLinkIsRefused()
{
    QFETCH(QString, linked);
    ScopedMountRoot root;
    const QString share = TransferStudioData::makeShare(root.path());
    const QString other = share + "/2023/B2";
    QVERIFY(QDir().mkpath(other + "/all"));
    QFile theirs(other + "/all/IMG_0001.JPG");
    QVERIFY(theirs.open(QIODevice::WriteOnly) && theirs.write("theirs") == 6);
    theirs.close();
    const QString folder = share + "/2024/A1";
    if (linked == QLatin1String("order"))
        QVERIFY(QDir().mkpath(share + "/2024") && QFile::link(other, folder));
    else if (linked == QLatin1String("year"))
        QVERIFY(QFile::link(share + "/2023", share + "/2024") && QDir().rename(other, share + "/2023/A1"));
    else if (linked.isEmpty())
        QVERIFY(QDir().mkpath(folder + "/all"));
    OrderInfo order = cannedOrder(0);
    order.importPath = folder;
    m_widget->addOrder(order);
    m_chosen = files(2);
    m_lastCaption.clear();
    rowButton(0, "selectPhotosButton")->click();
    QTRY_COMPARE(m_boxes->count(), 1);
    if (linked.isEmpty() || linked == QLatin1String("new")) {
        QCOMPARE(m_boxes->last().text, QStringLiteral("已选择 2 "));
        QCOMPARE(m_widget->orderAt(0).selectedNum, 2);
        return;
    }
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    // Said as the user reads it, naming the folder that is the link.
    QCOMPARE(m_boxes->last().text,
             QStringLiteral("订单目录是链接: ") + (linked == QLatin1String("order") ? folder : share + "/2024"));
    QVERIFY(m_lastCaption.isEmpty());
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());
    QVERIFY(QDir(share + "/2023").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size() == 1);
}

void tst_OrderListWidget::cancelledPickChangesNothing()
{
    addOrders(1);
    m_chosen.clear();
    rowButton(0, "selectPhotosButton")->click();
    QCOMPARE(m_widget->orderAt(0).status, QStringLiteral("未选择"));
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());
    QTest::qWait(50);
    QCOMPARE(m_boxes->count(), 0);
}

void tst_OrderListWidget::cleaningPicks()
{
    addOrders(1);
    pick(0, 2);
    rowButton(0, "cleanPhotosButton")->click();
    QVERIFY(m_widget->orderAt(0).photoList.isEmpty());
    QCOMPARE(m_widget->orderAt(0).selectedNum, 0);
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("未选择"));
    QCOMPARE(cell(0, "已选"), QStringLiteral("未选择"));
}

void tst_OrderListWidget::changeImportTypeEmptiesOnlyTheSelectedOrder()
{
    addOrders(2);
    pick(0, 2);
    pick(1, 3);
    QCOMPARE(table()->currentRow(), 1);
    m_widget->findChild<QRadioButton *>(QStringLiteral("trialVideoRadio"))->click();
    QCOMPARE(Config::k_importType, int(TrialVideo));
    QVERIFY(m_widget->orderAt(1).photoList.isEmpty());
    QCOMPARE(m_widget->orderAt(1).status, QStringLiteral("未选择"));
    QCOMPARE(cell(1, "上传状态"), QStringLiteral("未选择"));
    QCOMPARE(cell(1, "已选"), QStringLiteral("未选择"));
    QCOMPARE(m_widget->orderAt(0).photoList.size(), 8);
    QCOMPARE(m_widget->orderAt(0).status, QStringLiteral("等待中"));
}

void tst_OrderListWidget::startAllWithNoOrders()
{
    int stops = 0;
    QList<bool> reports;
    connect(m_widget, &tfhomeorders_OrderListWidget::stopAllImport, this, [&]() { ++stops; });
    connect(m_widget, &tfhomeorders_OrderListWidget::importStatusChange, this, [&](bool running) { reports << running; });
    startButton()->click();
    QVERIFY(!m_widget->isRunning());
    QCOMPARE(stops, 1);
    QCOMPARE(startButton()->text(), QStringLiteral("全部开始"));
    QVERIFY(!reports.isEmpty());
    QCOMPARE(reports.last(), false);
}

void tst_OrderListWidget::startAllAndPause()
{
    addOrders(3);
    pick(2, 2);
    QList<OrderInfo> started;
    int stops = 0;
    connect(m_widget, &tfhomeorders_OrderListWidget::startImportAllOrders, this,
            [&](const QList<OrderInfo> &orders) { started += orders; });
    connect(m_widget, &tfhomeorders_OrderListWidget::stopAllImport, this, [&]() { ++stops; });

    startButton()->click();
    QVERIFY(m_widget->isRunning());
    QCOMPARE(startButton()->text(), QStringLiteral("全部暂停"));
    QCOMPARE(started.size(), 1);
    QCOMPARE(started.first().index, 2);
    QCOMPARE(started.first().status, QStringLiteral("导片中"));
    QCOMPARE(started.first().photoList.size(), 8);
    QCOMPARE(cell(2, "上传状态"), QStringLiteral("导片中"));
    for (const char *name : {"photoRadio", "trialVideoRadio", "retouchedVideoRadio"})
        QVERIFY(!m_widget->findChild<QRadioButton *>(QLatin1String(name))->isEnabled());
    QVERIFY(!rowButton(0, "selectPhotosButton")->isEnabled());
    QVERIFY(!rowButton(2, "cleanPhotosButton")->isEnabled());
    if (QPushButton *open = rowButton(0, "openPathButton"))
        QVERIFY(open->isEnabled());
    QCOMPARE(stops, 0);

    startButton()->click();
    QVERIFY(!m_widget->isRunning());
    QCOMPARE(stops, 1);
    QCOMPARE(startButton()->text(), QStringLiteral("全部开始"));
    QCOMPARE(m_widget->orderAt(2).status, QStringLiteral("等待中"));
    QCOMPARE(cell(2, "上传状态"), QStringLiteral("等待中"));
    QVERIFY(m_widget->findChild<QRadioButton *>(QStringLiteral("photoRadio"))->isEnabled());
    QVERIFY(rowButton(0, "selectPhotosButton")->isEnabled());
}

void tst_OrderListWidget::startAllSkipsOrdersThatDoNotWait()
{
    addOrders(6);
    for (int row : {0, 2, 5})
        pick(row, 1);
    QList<int> started;
    connect(m_widget, &tfhomeorders_OrderListWidget::startImportAllOrders, this,
            [&](const QList<OrderInfo> &orders) { started << orders.first().index; });
    m_widget->upNextOrderPhotos(3);
    QCOMPARE(started, QList<int>{5});
    m_widget->upNextOrderPhotos(-7);
    QCOMPARE(started, (QList<int>{5, 0}));
}

void tst_OrderListWidget::runEndsWithSummary()
{
    addOrders(2);
    pick(0, 10);
    OrderInfo order = m_widget->orderAt(0);
    // Every copy of every photo succeeds except the full-size file of two photos.
    for (int entry = 0; entry < order.photoList.size(); ++entry) {
        const bool fails = entry == 0 || entry == 20;
        m_widget->updatePhotoStatus(order, entry, QString(), fails ? PhotoStatus::Failed : PhotoStatus::Uploaded,
                                    fails ? QStringLiteral("写入失败: No space left on device") : QString());
    }
    m_widget->updateOrderStatus(order, QStringLiteral("导片完成"));
    // The radio moved meanwhile: the summary still counts this order's photos.
    Config::k_importType = TrialVideo;

    int finished = 0;
    connect(m_widget, &tfhomeorders_OrderListWidget::importAllFinish, this, [&]() { ++finished; });
    QList<int> started;
    connect(m_widget, &tfhomeorders_OrderListWidget::startImportAllOrders, this,
            [&](const QList<OrderInfo> &orders) { started << orders.first().index; });

    m_widget->upNextOrderPhotos(0);
    QCOMPARE(finished, 1);
    QVERIFY(started.isEmpty());
    QCOMPARE(m_widget->orderAt(0).failedNum, 2);
    QCOMPARE(cell(0, "已选"), QStringLiteral("8/10 失败:2"));
    QCOMPARE(startButton()->text(), QStringLiteral("全部开始/上传失败照片"));
    QTRY_COMPARE(m_boxes->count(), 2); // the picking box, then the summary
    QCOMPARE(m_boxes->last().title, QStringLiteral("全部导完"));
    // Each failed photo says why.
    QCOMPARE(m_boxes->last().text, QStringLiteral("\n") + TransferStudioData::orderNumber(0)
                                       + QStringLiteral("-1  总数:10  成功:8  失败:2")
                                       + QStringLiteral("\n  IMG_1.JPG：写入失败: No space left on device")
                                       + QStringLiteral("\n  IMG_6.JPG：写入失败: No space left on device"));

    // A new run takes the finished order again for its failed photos.
    m_widget->upNextOrderPhotos(-1);
    QCOMPARE(started, QList<int>{0});
}

void tst_OrderListWidget::runEndsWithoutSummaryWhenNothingFinished()
{
    addOrders(2);
    int finished = 0;
    connect(m_widget, &tfhomeorders_OrderListWidget::importAllFinish, this, [&]() { ++finished; });
    m_widget->upNextOrderPhotos(-1);
    QCOMPARE(finished, 1);
    QTest::qWait(50);
    QCOMPARE(m_boxes->count(), 0);
}

void tst_OrderListWidget::progressCountsFilesByTheirOwnKind()
{
    addOrders(2);
    pick(0, 3);
    // Row 1 holds no picks, so switching the kind keeps order 0's photos.
    table()->selectRow(1);
    m_widget->findChild<QRadioButton *>(QStringLiteral("trialVideoRadio"))->click();
    pick(1, 3);
    QCOMPARE(m_widget->orderAt(0).photoList.size(), 12);
    m_widget->updateOrderProgress(m_widget->orderAt(0), 50);
    m_widget->updateOrderProgress(m_widget->orderAt(1), 50);
    QCOMPARE(cell(0, "已选"), QStringLiteral("50% 3张"));
    QCOMPARE(cell(1, "已选"), QStringLiteral("50% 3张"));
    QCOMPARE(m_widget->orderAt(0).progress, 50);
}

void tst_OrderListWidget::staleUpdatesAreIgnored_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("orderPhotoId");
    QTest::newRow("position past the list") << 5 << TransferStudioData::orderPhotoId(5);
    QTest::newRow("negative position") << -1 << QString();
    QTest::newRow("list refilled with another order") << 0 << QStringLiteral("99999");
}

void tst_OrderListWidget::staleUpdatesAreIgnored()
{
    QFETCH(int, index);
    QFETCH(QString, orderPhotoId);
    addOrders(2);
    pick(0, 1);
    const OrderInfo before = m_widget->orderAt(0);
    OrderInfo stale = cannedOrder(qMax(index, 0));
    stale.index = index;
    stale.order_photo_id = orderPhotoId;
    stale.importPath = QStringLiteral("/elsewhere");
    stale.photoList.clear();

    m_widget->updateOrderStatus(stale, QStringLiteral("导片完成"));
    m_widget->updateOrderProgress(stale, 80);
    m_widget->updatePhotoStatus(stale, 0, QString(), PhotoStatus::Failed);
    m_widget->updateOrderInfo(stale);

    const OrderInfo after = m_widget->orderAt(0);
    QCOMPARE(after.status, before.status);
    QCOMPARE(after.progress, before.progress);
    QCOMPARE(after.importPath, before.importPath);
    QCOMPARE(after.photoList.size(), 4);
    QCOMPARE(after.photoList.first().status, int(PhotoStatus::Waiting));
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("等待中"));
    QCOMPARE(cell(0, "已选"), QStringLiteral("1"));
    QCOMPARE(m_widget->orderCount(), 2);
}

void tst_OrderListWidget::photoStatusRecordsTheGroup()
{
    addOrders(1);
    pick(0, 2);
    const OrderInfo order = m_widget->orderAt(0);
    for (int entry : {5, 6, 7})
        m_widget->updatePhotoStatus(order, entry, QString(), PhotoStatus::Uploaded);
    QCOMPARE(m_widget->orderAt(0).photoList.at(4).statusOrigin, int(PhotoStatus::Waiting));
    m_widget->updatePhotoStatus(order, 4, QString(), PhotoStatus::Uploaded);
    QCOMPARE(m_widget->orderAt(0).photoList.at(4).statusOrigin, int(PhotoStatus::Uploaded));
    m_widget->updatePhotoStatus(order, 1, QString(), PhotoStatus::Failed);
    QCOMPARE(m_widget->orderAt(0).photoList.at(0).statusOrigin, int(PhotoStatus::Failed));
    QCOMPARE(m_widget->orderAt(0).photoList.at(1).status, int(PhotoStatus::Failed));
    // An entry index past the picks, or a result for a file no longer picked there, is dropped.
    m_widget->updatePhotoStatus(order, 8, QString(), PhotoStatus::Failed);
    QCOMPARE(m_widget->orderAt(0).photoList.size(), 8);
    m_widget->updatePhotoStatus(order, 5, QStringLiteral("IMG_7.JPG"), PhotoStatus::Failed);
    QCOMPARE(m_widget->orderAt(0).photoList.at(4).statusOrigin, int(PhotoStatus::Uploaded));
    m_widget->updatePhotoStatus(order, 5, QStringLiteral("IMG_2.JPG"), PhotoStatus::Failed);
    QCOMPARE(m_widget->orderAt(0).photoList.at(4).statusOrigin, int(PhotoStatus::Failed));
}

void tst_OrderListWidget::refreshImportNums()
{
    addOrders(3);
    auto entries = [](int count) {
        QList<PhotoInfo> list;
        for (int i = 0; i < count; ++i)
            list.append(PhotoInfo());
        return list;
    };
    QMap<QString, OrderInfo> refreshed;
    OrderInfo first;
    first.order_photo_id = TransferStudioData::orderPhotoId(1);
    first.importedPhotos = entries(5);
    first.importedRetouchedVideos = entries(2);
    refreshed.insert(first.order_photo_id, first);
    OrderInfo unknown;
    unknown.order_photo_id = QStringLiteral("424242");
    unknown.importedPhotos = entries(9);
    refreshed.insert(unknown.order_photo_id, unknown);

    const QString before0 = cell(0, "已导");
    m_widget->refreshImportNums(refreshed);
    QCOMPARE(cell(1, "已导"), QStringLiteral("5/0/2"));
    QCOMPARE(m_widget->orderAt(1).importedPhotos.size(), 5);
    QCOMPARE(m_widget->orderAt(1).importedTrialVideos.size(), 0);
    QCOMPARE(cell(0, "已导"), before0);
    QCOMPARE(m_widget->orderAt(1).orderpayforkey, TransferStudioData::orderNumber(1));
}

void tst_OrderListWidget::orderNumberClickCopiesAndToasts()
{
    addOrders(2);
    QGuiApplication::clipboard()->clear();
    const QRect rect = table()->visualItemRect(table()->item(1, 0));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), TransferStudioData::orderNumber(1));

    bool toastShown = false;
    const QList<QLabel *> labels = m_widget->findChildren<QLabel *>();
    for (QLabel *label : labels)
        toastShown = toastShown || label->text() == QStringLiteral("订单号已复制");
    QVERIFY(toastShown);
}

void tst_OrderListWidget::uploadedPictureNumbers()
{
    addOrders(1);
    pick(0, 3);
    const OrderInfo order = m_widget->orderAt(0);
    for (int entry : {0, 1, 2, 3, 8, 9, 10, 11})
        m_widget->updatePhotoStatus(order, entry, QString(), PhotoStatus::Uploaded);
    int count = -1;
    QString names;
    m_widget->orderUpPicNums(0, [&](int n, const QString &joined) {
        count = n;
        names = joined;
    });
    QCOMPARE(count, 2);
    QCOMPARE(names, QStringLiteral("IMG_1.JPG|:|IMG_3.JPG"));
}

void tst_OrderListWidget::currentOrderWithoutSelection()
{
    addOrders(2);
    QCOMPARE(m_widget->getCurrentOrderInfo().index, -1);
    QVERIFY(m_widget->getCurrentOrderInfo().order_photo_id.isEmpty());
    QCOMPARE(m_widget->orderAt(2).index, -1);
    table()->selectRow(1);
    QCOMPARE(m_widget->getCurrentOrderInfo().order_photo_id, TransferStudioData::orderPhotoId(1));
}

void tst_OrderListWidget::statusAndPathUpdate()
{
    const QString status = QStringLiteral("导片完成");
    addOrders(1);
    OrderInfo order = m_widget->orderAt(0);
    order.importPath = QStringLiteral("/Volumes/photo/2024/moved");
    m_widget->updateOrderStatus(order, status);
    QCOMPARE(m_widget->orderAt(0).status, status);
    QCOMPARE(cell(0, "上传状态"), status);
    QCOMPARE(cell(0, "导片路径"), order.importPath);
    QCOMPARE(m_widget->orderAt(0).importPath, order.importPath);
}

void tst_OrderListWidget::resetImportPath()
{
    addOrders(2);
    QPushButton reset;
    reset.setProperty("row", 1);
    connect(&reset, &QPushButton::clicked, m_widget, &tfhomeorders_OrderListWidget::onRestImportPathClicked);
    reset.click();
    QVERIFY(m_widget->orderAt(1).importPath.isEmpty());
    QCOMPARE(cell(1, "导片路径"), QString());
    QVERIFY(!m_widget->orderAt(0).importPath.isEmpty());

    reset.setProperty("row", 2); // no such order
    reset.click();
    QCOMPARE(m_widget->orderCount(), 2);
    QVERIFY(!m_widget->orderAt(0).importPath.isEmpty());
}

QTEST_MAIN(tst_OrderListWidget)
#include "tst_OrderListWidget.moc"
