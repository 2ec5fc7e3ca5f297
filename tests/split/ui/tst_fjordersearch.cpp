#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"
#include "split/ui/OrderData.h"
#include "support/SplitStudioData.h"
#include "support/StandInService.h"

#include <QComboBox>
#include <QDateEdit>
#include <QJsonArray>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace Data = SplitStudioData;

class tst_FJOrderSearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordFromElement_data();
    void recordFromElement();
    void photoListsKeepTheirOrder();

    void searchSwitchesBranchThenSearches();
    void searchTypes_data();
    void searchTypes();
    void rawFileModeUsesItsOwnAction();
    void refusals_data();
    void refusals();
    void switchIdsAreReadOneWay();
    void secondSearchReplacesTheRows();
    void longReplyGoesInWhole();
    void tickAllDuringALongFill_data();
    void tickAllDuringALongFill();
    void noBranchSearchesNothing();

private:
    FJHome *makeWindow(DesignFileSplitTypes mode);
    void search();
    QMessageBox *warning() const;

    StandInService *m_service = nullptr;
    FJHome *m_window = nullptr;
};

void tst_FJOrderSearch::init()
{
    Data::installShops();
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_service->setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), Data::switchShopReply());
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(3));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list_type_1"), Data::orderListReply(2));
}

void tst_FJOrderSearch::cleanup()
{
    delete m_window;
    m_window = nullptr;
    delete m_service;
    m_service = nullptr;
}

FJHome *tst_FJOrderSearch::makeWindow(DesignFileSplitTypes mode)
{
    m_window = new FJHome();
    m_window->splitType = mode;
    m_window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("设计分件")}});
    return m_window;
}

void tst_FJOrderSearch::search()
{
    QTest::mouseClick(m_window->rightPanel->searchButton, Qt::LeftButton);
}

QMessageBox *tst_FJOrderSearch::warning() const
{
    const auto boxes = m_window->findChildren<QMessageBox *>(QStringLiteral("fjWarning"));
    return boxes.isEmpty() ? nullptr : boxes.last();
}

void tst_FJOrderSearch::recordFromElement_data()
{
    QTest::addColumn<QJsonValue>("element");
    QTest::addColumn<QString>("photoId");
    QTest::addColumn<QString>("imagesNum");
    QTest::addColumn<QString>("wname");

    QJsonObject full = Data::order(1, 12);
    QTest::newRow("twelve images") << QJsonValue(full) << QStringLiteral("op-1") << QStringLiteral("12")
                                   << QStringLiteral("李娜1");
    QJsonObject noImages = Data::order(2);
    noImages.remove(QStringLiteral("images"));
    QTest::newRow("no images key") << QJsonValue(noImages) << QStringLiteral("op-2") << QStringLiteral("0")
                                   << QStringLiteral("李娜2");
    QJsonObject imagesNotArray = Data::order(3);
    imagesNotArray.insert(QStringLiteral("images"), QStringLiteral("5"));
    QTest::newRow("images not an array") << QJsonValue(imagesNotArray) << QStringLiteral("op-3")
                                         << QStringLiteral("0") << QStringLiteral("李娜3");
    QJsonObject numbers = Data::order(4);
    numbers.insert(QStringLiteral("order_photo_id"), 44);
    numbers.insert(QStringLiteral("wname"), QJsonValue::Null);
    // An integer id is read as its digits; other values read as empty text.
    QTest::newRow("non-text values") << QJsonValue(numbers) << QStringLiteral("44") << QStringLiteral("3") << QString();
    QJsonObject longId = Data::order(6);
    longId.insert(QStringLiteral("order_photo_id"), 9007199254740991.0);
    QTest::newRow("long integer id") << QJsonValue(longId) << QStringLiteral("9007199254740991") << QStringLiteral("3")
                                     << QStringLiteral("李娜6");
    QJsonObject fraction = Data::order(5);
    fraction.insert(QStringLiteral("order_photo_id"), 4.5);
    QTest::newRow("fractional id") << QJsonValue(fraction) << QString() << QStringLiteral("3") << QStringLiteral("李娜5");
    QTest::newRow("element not an object") << QJsonValue(QStringLiteral("x")) << QString() << QStringLiteral("0")
                                           << QString();
}

void tst_FJOrderSearch::recordFromElement()
{
    QFETCH(QJsonValue, element);
    QFETCH(QString, photoId);
    QFETCH(QString, imagesNum);
    QFETCH(QString, wname);
    const OrderData record = OrderData::fromJson(element);
    QCOMPARE(record.order_photo_id, photoId);
    QCOMPARE(record.imagesNum, imagesNum);
    QCOMPARE(record.wname, wname);
    if (!element.isObject()) {
        QVERIFY(record.downImgList.isEmpty());
        QVERIFY(record.undownImgList.isEmpty());
    }
}

void tst_FJOrderSearch::photoListsKeepTheirOrder()
{
    QJsonObject element = Data::order(5);
    QJsonArray undownloaded = element.value(QStringLiteral("images_1_0")).toArray();
    QJsonObject noPicture = undownloaded.at(0).toObject();
    noPicture.remove(QStringLiteral("url_yuanpian"));
    undownloaded.replace(0, noPicture);
    element.insert(QStringLiteral("images_1_0"), undownloaded);

    const OrderData record = OrderData::fromJson(element);
    QStringList ids;
    for (const ThumbnailInfo &info : record.downImgList + record.undownImgList)
        ids << info.id;
    QCOMPARE(ids, (QStringList{QStringLiteral("p5-1"), QStringLiteral("p5-2"), QStringLiteral("p5-3")}));
    QCOMPARE(record.downImgList.size(), 1);
    QVERIFY(record.undownImgList.at(0).url.isEmpty());
    const ThumbnailInfo &second = record.undownImgList.at(1);
    QCOMPARE(second.name, QStringLiteral("IMG_53.CR2"));
    QCOMPARE(second.url, QStringLiteral("http://127.0.0.1:1/y/5/3.jpg"));
    QCOMPARE(second.photoPath, QStringLiteral("\\\\NAS\\photo\\o5\\IMG_53.CR2"));
    QVERIFY(!second.selected);
}

void tst_FJOrderSearch::searchSwitchesBranchThenSearches()
{
    makeWindow(DesignSplit);
    QSignalSpy ids(m_window->leftPanel, &FJLeftPanel::userInfoChange);
    m_window->rightPanel->shopComboBox->setCurrentIndex(1);
    // Form values travel encoded once: "&" and "=" must not split fields.
    m_window->rightPanel->searchLineEdit->setText(QStringLiteral("王 & 李=1"));
    search();
    QCOMPARE(m_window->rightPanel->searchButton->text(), QStringLiteral("搜索中..."));
    QVERIFY(!m_window->rightPanel->searchButton->isEnabled());
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 3);

    const auto requests = m_service->requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).action(), QStringLiteral("switch_shop"));
    QCOMPARE(requests.at(0).field(QStringLiteral("shopid")), QStringLiteral("22"));
    QCOMPARE(requests.at(1).action(), QStringLiteral("order_list"));
    const QStringList names = requests.at(1).fieldNames();
    QCOMPARE(names.mid(0, 6), (QStringList{QStringLiteral("keyword"), QStringLiteral("searchtype"),
                                           QStringLiteral("shopid"), QStringLiteral("eid"),
                                           QStringLiteral("superid"), QStringLiteral("personid")}));
    QCOMPARE(requests.at(1).field(QStringLiteral("keyword")), QStringLiteral("王 & 李=1"));
    QCOMPARE(requests.at(1).field(QStringLiteral("searchtype")), QStringLiteral("1"));
    QCOMPARE(requests.at(1).field(QStringLiteral("shopid")), QStringLiteral("22"));
    QCOMPARE(requests.at(1).field(QStringLiteral("personid")), QStringLiteral("E7"));

    QCOMPARE(m_window->leftPanel->issjfenjianms, QStringLiteral("1"));
    QCOMPARE(ids.size(), 1);
    QCOMPARE(m_window->rightPanel->eid, QStringLiteral("E7"));
    QCOMPARE(m_window->rightPanel->shopId, QStringLiteral("22"));

    QCOMPARE(m_window->leftPanel->orderList.size(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(m_window->leftPanel->orderList.at(i).orderpayforkey, Data::orderNumber(i + 1));
    QTRY_COMPARE(m_window->rightPanel->searchButton->text(), QStringLiteral("搜索订单"));
    QVERIFY(m_window->rightPanel->searchButton->isEnabled());
    QVERIFY(!warning());
}

void tst_FJOrderSearch::searchTypes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("基本信息, empty text") << 0 << QStringLiteral("1") << QString();
    QTest::newRow("拍照日期, today") << 1 << QStringLiteral("4")
                                 << QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    QTest::newRow("选片日期, picked day") << 2 << QStringLiteral("5") << QStringLiteral("2024-02-29");
}

void tst_FJOrderSearch::searchTypes()
{
    QFETCH(int, index);
    QFETCH(QString, code);
    QFETCH(QString, keyword);
    makeWindow(DownloadSelectionResults);
    FJRightPanel *right = m_window->rightPanel;
    right->selectDateEdit->setDate(QDate(2024, 2, 29));
    right->searchTypeComboBox->setCurrentIndex(index);
    QCOMPARE(right->searchLineEdit->isVisibleTo(right), index == 0);
    QCOMPARE(right->shotDateEdit->isVisibleTo(right), index == 1);
    QCOMPARE(right->selectDateEdit->isVisibleTo(right), index == 2);
    search();
    QVERIFY(m_service->waitForRequests(2));
    const auto list = m_service->requests(QStringLiteral("order"), QStringLiteral("order_list"));
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.at(0).field(QStringLiteral("searchtype")), code);
    QCOMPARE(list.at(0).field(QStringLiteral("keyword")), keyword.isNull() ? QStringLiteral("") : keyword);
}

void tst_FJOrderSearch::rawFileModeUsesItsOwnAction()
{
    makeWindow(DownloadOriginals);
    search();
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 2);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).size(), 0);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list_type_1")).size(), 1);
}

void tst_FJOrderSearch::refusals_data()
{
    // A refused switch or search, or an empty one, empties the table.
    QTest::addColumn<QString>("action");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("rows");
    QTest::newRow("switch code 0") << "switch_shop" << Data::refused(QStringLiteral("分店已停用"))
                                   << QStringLiteral("分店已停用") << 0;
    QJsonObject numeric = Data::switchShopReply();
    numeric.insert(QStringLiteral("code"), 1);
    numeric.insert(QStringLiteral("message"), QStringLiteral("数字代码"));
    QTest::newRow("switch numeric code 1") << "switch_shop" << numeric << QStringLiteral("服务器返回数据格式错误") << 0;
    QTest::newRow("search refused") << "order_list" << Data::refused(QStringLiteral("无权限"))
                                    << QStringLiteral("无权限") << 0;
    QTest::newRow("search empty") << "order_list" << Data::accepted() << QStringLiteral("未检索到订单") << 0;
}

void tst_FJOrderSearch::refusals()
{
    QFETCH(QString, action);
    QFETCH(QJsonObject, reply);
    QFETCH(QString, message);
    QFETCH(int, rows);
    makeWindow(DesignSplit);
    search();
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 3);
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    m_service->setReply(action == QLatin1String("switch_shop") ? QStringLiteral("public") : QStringLiteral("order"),
                        action, reply);
    search();
    QTRY_VERIFY(warning());
    QCOMPARE(warning()->windowTitle(), QStringLiteral("温馨提示"));
    QCOMPARE(warning()->text(), message);
    QCOMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), rows);
    QCOMPARE(m_window->leftPanel->orderList.size(), rows);
    QCOMPARE(m_window->leftPanel->eid, QStringLiteral("E7"));
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    QCOMPARE(m_window->rightPanel->searchButton->text(), QStringLiteral("搜索订单"));
}

void tst_FJOrderSearch::switchIdsAreReadOneWay()
{
    makeWindow(DesignSplit);
    QJsonObject reply = Data::switchShopReply();
    reply.insert(QStringLiteral("SUPERID"), 42);
    m_service->setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), reply);
    search();
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 3);
    const auto list = m_service->requests(QStringLiteral("order"), QStringLiteral("order_list"));
    QCOMPARE(list.size(), 1);
    QCOMPARE(list.at(0).field(QStringLiteral("superid")), QStringLiteral("42"));
    // One that reads as empty stops the search: no request goes without it.
    reply.insert(QStringLiteral("EID"), QJsonValue());
    m_service->setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), reply);
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    search();
    QTRY_VERIFY(warning());
    QCOMPARE(warning()->text(), QStringLiteral("服务器返回数据格式错误"));
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).size(), 1);
}

void tst_FJOrderSearch::secondSearchReplacesTheRows()
{
    makeWindow(DesignSplit);
    search();
    QTRY_COMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 3);
    m_window->leftPanel->onSelectAllClicked();
    QCOMPARE(m_window->leftPanel->getSelectedRows(), (QList<int>{0, 1, 2}));
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(1));
    search();
    QTRY_COMPARE(m_window->leftPanel->orderList.size(), 1);
    QCOMPARE(m_window->leftPanel->tableWidget->model()->rowCount(), 1);
    QVERIFY(m_window->leftPanel->getSelectedRows().isEmpty());
}

void tst_FJOrderSearch::longReplyGoesInWhole()
{
    makeWindow(DesignSplit);
    FJLeftPanel *left = m_window->leftPanel;
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(1200));
    search();
    // The button comes back with the last row, not before.
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    QCOMPARE(left->orderList.size(), 1200);
    QCOMPARE(left->tableWidget->item(1199, 1)->text(), FJLeftPanel::cellText(left->orderList.last(), QStringLiteral("订单号")));
    QCOMPARE(left->orderList.last().orderpayforkey, Data::orderNumber(1200));
    left->onSelectAllClicked();
    QCOMPARE(left->getSelectedRows().size(), 1200);

    // A search made while a long reply is still going in starts afresh.
    bool again = false;
    auto hook = connect(left->tableWidget->model(), &QAbstractItemModel::dataChanged, this, [&] {
        if (again)
            return;
        again = true;
        m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(2));
        QMetaObject::invokeMethod(left, [left] { left->reqOrderList(QStringLiteral("基本信息"), QString()); },
                                  Qt::QueuedConnection);
    });
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(1200));
    search();
    QTRY_VERIFY(again);
    disconnect(hook);
    QTRY_COMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).size(), 3);
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    QTRY_COMPARE(left->tableWidget->model()->rowCount(), 2);
    QCOMPARE(left->orderList.size(), 2);
    QCOMPARE(left->orderList.last().orderpayforkey, Data::orderNumber(2));
    QVERIFY(left->getSelectedRows().isEmpty());
}

void tst_FJOrderSearch::tickAllDuringALongFill_data()
{
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("ticked");
    QTest::newRow("全选") << QStringList{QStringLiteral("全选")} << 1200;
    QTest::newRow("全选, 取消全选") << QStringList{QStringLiteral("全选"), QStringLiteral("取消全选")} << 0;
}

// Clicked between two slices of the reply, the buttons cover the rows still
// to come; a run cannot start on a table half filled.
void tst_FJOrderSearch::tickAllDuringALongFill()
{
    QFETCH(QStringList, clicks);
    QFETCH(int, ticked);
    makeWindow(DesignSplit);
    FJLeftPanel *left = m_window->leftPanel;
    m_service->setReply(QStringLiteral("order"), QStringLiteral("order_list"), Data::orderListReply(1200));
    bool clicked = false;
    bool startLocked = false;
    auto hook = connect(left->tableWidget->model(), &QAbstractItemModel::dataChanged, this, [&] {
        if (clicked)
            return;
        clicked = true;
        QMetaObject::invokeMethod(
            left,
            [&] {
                startLocked = !m_window->rightPanel->startButton->isEnabled() && left->orderList.size() < 1200;
                for (const QString &text : clicks)
                    QTest::mouseClick(text == QStringLiteral("全选") ? left->selectAllBtn : left->unselectAllBtn,
                                      Qt::LeftButton);
            },
            Qt::QueuedConnection);
    });
    search();
    QTRY_VERIFY(m_window->rightPanel->searchButton->isEnabled());
    disconnect(hook);
    QVERIFY(startLocked);
    QVERIFY(m_window->rightPanel->startButton->isEnabled());
    QCOMPARE(left->getSelectedRows().size(), ticked);
}

void tst_FJOrderSearch::noBranchSearchesNothing()
{
    Config::k_shops.clear();
    makeWindow(DesignSplit);
    QVERIFY(m_window->rightPanel->shopId.isEmpty());
    QSignalSpy searches(m_window->rightPanel, &FJRightPanel::searchRequested);
    search();
    QCOMPARE(searches.size(), 0);
    QVERIFY(m_window->rightPanel->searchButton->isEnabled());
    QCOMPARE(m_window->rightPanel->searchButton->text(), QStringLiteral("搜索订单"));
    QVERIFY(m_service->requests().isEmpty());
}

QTEST_MAIN(tst_FJOrderSearch)
#include "tst_fjordersearch.moc"
