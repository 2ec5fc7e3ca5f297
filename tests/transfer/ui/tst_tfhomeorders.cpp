#include "app/core/Config.h"
#include "support/StandInService.h"
#include "support/TransferMessageBoxes.h"
#include "support/TransferStudioData.h"
#include "transfer/ui/tfhomeorders.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace Data = TransferStudioData;

class tst_tfhomeorders : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void retouchersAtConstruction();
    void searchBySelectionDateOfToday();
    void searchTypes_data();
    void searchTypes();
    void keywordIsSentAsTyped();
    void chosenRetoucherIsSent();
    void switchShopRefused();
    void noUsableBranchAsksNothing();
    void orderListRefused();
    void noOrdersKeepsTheTable();
    void openButtonsFollowTheReply_data();
    void openButtonsFollowTheReply();
    void returnRespectsTheDisabledSearch();
    void branchChangeAsksForItsRetouchers();
    void refreshAfterRunUpdatesCountsOnly();
    void importedPhotosReachTheSelectedOrder();
    void lateImportedPhotosForARefilledListAreDropped();
    void indexOutsideTheListGivesTheNoOrderValue();
    void failuresWithoutAReply_data();
    void failuresWithoutAReply();
    void refusedImportedPhotosChangeNothing_data();
    void refusedImportedPhotosChangeNothing();
    void searchClearsThePanelsOfTheOldList();

private:
    StandInService *m_service = nullptr;
    TransferMessageBoxes *m_boxes = nullptr;
    tfhomeorders *m_pane = nullptr;

    void createPane();
    void search();
    QTableWidget *table() const { return m_pane->findChild<QTableWidget *>(QStringLiteral("orderTable")); }
    QPushButton *searchButton() const { return m_pane->findChild<QPushButton *>(QStringLiteral("searchButton")); }
    QComboBox *combo(const char *name) const { return m_pane->findChild<QComboBox *>(QLatin1String(name)); }
    QString importedCell(int row) const;
};

void tst_tfhomeorders::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
}

void tst_tfhomeorders::init()
{
    Config::k_importType = 0;
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()},
                       ShopEntry{QStringLiteral("12"), QStringLiteral("万达店"), QString()}};
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    Data::install(*m_service);
    m_boxes = new TransferMessageBoxes(this);
}

void tst_tfhomeorders::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_pane;
    m_pane = nullptr;
    delete m_boxes;
    m_boxes = nullptr;
    delete m_service;
    m_service = nullptr;
    Config::k_shops.clear();
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

void tst_tfhomeorders::createPane()
{
    m_pane = new tfhomeorders();
    m_pane->resize(1200, 800);
    m_pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pane));
    QTRY_COMPARE(combo("tiaoseComboBox")->count(), 3);
}

void tst_tfhomeorders::search()
{
    const int before = m_service->requests("order", "order_list").size();
    searchButton()->click();
    QTRY_COMPARE(m_service->requests("order", "order_list").size(), before + 1);
    // The button stays busy until the reply is handled; a click before that is ignored.
    QTRY_VERIFY(searchButton()->isEnabled());
}

QString tst_tfhomeorders::importedCell(int row) const
{
    QTableWidgetItem *item = table()->item(row, 3);
    return item ? item->text() : QString();
}

void tst_tfhomeorders::retouchersAtConstruction()
{
    createPane();
    const QList<StandInService::Request> persons = m_service->requests("order", "get_persons");
    QCOMPARE(persons.size(), 1);
    const QStringList names = persons.first().fieldNames();
    QCOMPARE(names.mid(0, 4), (QStringList{"shopid", "eid", "superid", "personid"}));
    QCOMPARE(persons.first().field("shopid"), QStringLiteral("11"));
    QCOMPARE(persons.first().field("eid"), QString(""));
    QCOMPARE(persons.first().field("personid"), QString(""));
    QCOMPARE(combo("tiaoseComboBox")->itemText(0), QStringLiteral("全部"));
    QCOMPARE(combo("tiaoseComboBox")->itemText(2), QStringLiteral("陈调色"));
}

void tst_tfhomeorders::searchBySelectionDateOfToday()
{
    createPane();
    QCOMPARE(combo("searchTypeComboBox")->currentText(), QStringLiteral("选片日期"));
    QVERIFY(m_pane->findChild<QDateEdit *>(QStringLiteral("selectDateEdit"))->isVisible());
    QVERIFY(!m_pane->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"))->isVisible());

    QMap<QString, QString> shop;
    connect(m_pane, &tfhomeorders::changeShop, this, [&](QMap<QString, QString> map) { shop = map; });
    m_service->clearRequests();
    search();

    const QList<StandInService::Request> all = m_service->requests();
    QCOMPARE(all.size(), 2);
    QCOMPARE(all.at(0).action(), QStringLiteral("switch_shop"));
    QCOMPARE(all.at(0).fieldNames().first(), QStringLiteral("shopid"));
    QCOMPARE(all.at(0).field("shopid"), QStringLiteral("11"));
    QVERIFY(all.at(0).field("eid").isNull());

    const StandInService::Request list = all.at(1);
    QCOMPARE(list.action(), QStringLiteral("order_list"));
    QCOMPARE(list.fieldNames().mid(0, 8), (QStringList{"keyword", "searchtype", "role7id", "ratio", "shopid", "eid",
                                                      "superid", "personid"}));
    QCOMPARE(list.field("keyword"), QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")));
    QCOMPARE(list.field("searchtype"), QStringLiteral("5"));
    QCOMPARE(list.field("role7id"), QString(""));
    QCOMPARE(list.field("ratio"), QStringLiteral("90"));
    QCOMPARE(list.field("eid"), QStringLiteral("1024"));
    QCOMPARE(list.field("superid"), QStringLiteral("3"));
    QCOMPARE(list.field("personid"), QStringLiteral("1024"));

    QCOMPARE(shop.value("shopid"), QStringLiteral("11"));
    QCOMPARE(shop.value("superid"), QStringLiteral("3"));
    QCOMPARE(shop.value("managerid"), QStringLiteral("1024"));
    QTRY_COMPARE(table()->rowCount(), 3);
    QCOMPARE(m_pane->getIndexOrderInfo(2).orderpayforkey, Data::orderNumber(2));
    QCOMPARE(m_pane->getIndexOrderInfo(2).index, 2);
    // The grid got the branch context for its delete requests.
    QCOMPARE(m_pane->photoDisplayWidget()->m_eid, QStringLiteral("1024"));
    QCOMPARE(m_pane->photoDisplayWidget()->m_superId, QStringLiteral("3"));
    QCOMPARE(m_pane->photoDisplayWidget()->m_shopId, QStringLiteral("11"));
}

void tst_tfhomeorders::searchTypes_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("searchtype");
    QTest::addColumn<QString>("keyword");
    QTest::newRow("basic information") << 0 << "1" << "DD2024";
    QTest::newRow("shooting date") << 1 << "4" << "2024-05-17";
    QTest::newRow("selection date") << 2 << "5" << "2024-06-01";
}

void tst_tfhomeorders::searchTypes()
{
    QFETCH(int, type);
    QFETCH(QString, searchtype);
    QFETCH(QString, keyword);
    createPane();
    combo("searchTypeComboBox")->setCurrentIndex(type);
    m_pane->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"))->setText(QStringLiteral("DD2024"));
    m_pane->findChild<QDateEdit *>(QStringLiteral("shotDateEdit"))->setDate(QDate(2024, 5, 17));
    m_pane->findChild<QDateEdit *>(QStringLiteral("selectDateEdit"))->setDate(QDate(2024, 6, 1));
    QCOMPARE(m_pane->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"))->isVisible(), type == 0);
    QCOMPARE(m_pane->findChild<QDateEdit *>(QStringLiteral("shotDateEdit"))->isVisible(), type == 1);
    search();
    const StandInService::Request list = m_service->requests("order", "order_list").last();
    QCOMPARE(list.field("searchtype"), searchtype);
    QCOMPARE(list.field("keyword"), keyword);
}

void tst_tfhomeorders::keywordIsSentAsTyped()
{
    createPane();
    combo("searchTypeComboBox")->setCurrentIndex(0);
    const QString typed = QStringLiteral("张伟 & 李娜=100%+");
    m_pane->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"))->setText(typed);
    search();
    const StandInService::Request list = m_service->requests("order", "order_list").last();
    QCOMPARE(list.field("keyword"), typed);
    QCOMPARE(list.field("searchtype"), QStringLiteral("1"));
}

void tst_tfhomeorders::chosenRetoucherIsSent()
{
    createPane();
    combo("tiaoseComboBox")->setCurrentIndex(1);
    search();
    QCOMPARE(m_service->requests("order", "order_list").last().field("role7id"), QStringLiteral("21"));
    combo("tiaoseComboBox")->setCurrentIndex(2); // its id an integer; the one whose id is null is not offered
    search();
    QCOMPARE(m_service->requests("order", "order_list").last().field("role7id"), QStringLiteral("22"));
}

void tst_tfhomeorders::switchShopRefused()
{
    createPane();
    m_service->setReply("public", "switch_shop", Data::refused(QStringLiteral("门店已停用")));
    searchButton()->click();
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("门店已停用"));
    QTRY_VERIFY(searchButton()->isEnabled());
    // Every later request carries both ids: one that is unusable stops the search too.
    m_service->setReply("public", "switch_shop", QJsonObject{{"code", "1"}, {"SUPERID", "3"}, {"EID", 10.5}});
    searchButton()->click();
    QTRY_COMPARE(m_boxes->count(), 2);
    QCOMPARE(m_boxes->last().text, QStringLiteral("切换分店：编号无效"));
    QTest::qWait(100);
    QVERIFY(m_service->requests("order", "order_list").isEmpty());
    QCOMPARE(table()->rowCount(), 0);
}

// No branch of the login reply had a usable id: nothing is asked with an empty one.
void tst_tfhomeorders::noUsableBranchAsksNothing()
{
    Config::k_shops.clear();
    m_pane = new tfhomeorders();
    searchButton()->click();
    QTRY_COMPARE(m_boxes->count(), 1);
    QVERIFY(m_service->requests().isEmpty());
}

void tst_tfhomeorders::orderListRefused()
{
    createPane();
    m_service->setReply("order", "order_list", Data::refused(QStringLiteral("无权限查看订单")));
    search();
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().text, QStringLiteral("无权限查看订单"));
    QCOMPARE(table()->rowCount(), 0);
}

void tst_tfhomeorders::noOrdersKeepsTheTable()
{
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    m_service->setReply("order", "order_list", Data::orderListReply(0, 0, 0));
    search();
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->last().text, QStringLiteral("未检索到订单"));
    QCOMPARE(table()->rowCount(), 3);
    // The permissions of the last reply with orders still hold.
    QCOMPARE(m_pane->openypml(), 1);
    QCOMPARE(m_pane->delyp(), 1);
}

void tst_tfhomeorders::openButtonsFollowTheReply_data()
{
    QTest::addColumn<int>("openypml");
    QTest::addColumn<int>("buttons");
    QTest::newRow("open allowed") << 1 << 2;
    QTest::newRow("open not allowed") << 0 << 0;
}

void tst_tfhomeorders::openButtonsFollowTheReply()
{
    QFETCH(int, openypml);
    QFETCH(int, buttons);
    m_service->setReply("order", "order_list", Data::orderListReply(2, openypml, 0));
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->findChildren<QPushButton *>(QStringLiteral("openPathButton")).size(), buttons);
}

void tst_tfhomeorders::returnRespectsTheDisabledSearch()
{
    createPane();
    combo("searchTypeComboBox")->setCurrentIndex(0);
    auto *keyword = m_pane->findChild<QLineEdit *>(QStringLiteral("searchLineEdit"));
    QTest::keyClick(keyword, Qt::Key_Return);
    QTRY_COMPARE(m_service->requests("order", "order_list").size(), 1);
    QTRY_COMPARE(table()->rowCount(), 3);

    // An import run disables the search; Return must not refill the list under it.
    m_pane->orderListWidget()->reloadStartAllButtonStatus(true);
    QVERIFY(!searchButton()->isEnabled());
    m_service->clearRequests();
    QTest::keyClick(keyword, Qt::Key_Return);
    QTest::qWait(200);
    QVERIFY(m_service->requests("public", "switch_shop").isEmpty());

    m_pane->orderListWidget()->reloadStartAllButtonStatus(false);
    QVERIFY(searchButton()->isEnabled());
    QTest::keyClick(keyword, Qt::Key_Return);
    QTRY_COMPARE(m_service->requests("public", "switch_shop").size(), 1);
}

void tst_tfhomeorders::branchChangeAsksForItsRetouchers()
{
    createPane();
    search(); // takes eid and superid of branch 11
    m_service->clearRequests();
    // One whose id is the empty text: no filter could name it, it is not offered.
    m_service->setReply("order", "get_persons",
                        QJsonObject{{"code", "1"},
                                    {"persons", QJsonArray{QJsonObject{{"id", ""}, {"name", "无编号"}},
                                                           QJsonObject{{"id", "31"}, {"name", "孙修图"}}}}});
    combo("branchComboBox")->setCurrentIndex(1);
    QTRY_COMPARE(m_service->requests("order", "get_persons").size(), 1);
    const StandInService::Request persons = m_service->requests("order", "get_persons").first();
    QCOMPARE(persons.field("shopid"), QStringLiteral("12"));
    QCOMPARE(persons.field("eid"), QStringLiteral("1024"));
    QTRY_COMPARE(combo("tiaoseComboBox")->count(), 2);
    QCOMPARE(combo("tiaoseComboBox")->itemText(1), QStringLiteral("孙修图"));
    QVERIFY(m_service->requests("public", "switch_shop").isEmpty());
    QVERIFY(m_service->requests("order", "order_list").isEmpty());

    m_service->setReply("order", "get_persons", Data::refused(QStringLiteral("人员列表获取失败")));
    combo("branchComboBox")->setCurrentIndex(0);
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().text, QStringLiteral("人员列表获取失败"));
    QCOMPARE(combo("tiaoseComboBox")->count(), 0);

    // A code that is no string is a broken reply: its message is no reason.
    m_service->setReply("order", "get_persons", QJsonObject{{"code", 0}, {"message", QStringLiteral("成功")}});
    combo("branchComboBox")->setCurrentIndex(1);
    QTRY_COMPARE(m_boxes->count(), 2);
    QCOMPARE(m_boxes->last().text, QStringLiteral("服务器返回数据格式错误"));
    QCOMPARE(combo("tiaoseComboBox")->count(), 0);
}

void tst_tfhomeorders::refreshAfterRunUpdatesCountsOnly()
{
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    QCOMPARE(importedCell(1), QStringLiteral("2/1/0"));
    table()->selectRow(1);

    QJsonObject refreshed = Data::orderListReply(3);
    QJsonArray data = refreshed.value("data").toArray();
    QJsonObject second = Data::order(1, 5);
    second.insert("order_photo_id", Data::orderPhotoId(1).toInt()); // an integer id is its digits
    data[1] = second;
    data.removeAt(2);
    data.append(Data::order(7, 9)); // not in the table
    refreshed.insert("data", data);
    m_service->setReply("order", "order_list", refreshed);

    m_pane->orderListWidget()->upNextOrderPhotos(-1); // nothing waits: the run ends
    QTRY_COMPARE(m_service->requests("order", "order_list").size(), 2);
    QTRY_COMPARE(importedCell(1), QStringLiteral("5/1/0"));
    QCOMPARE(importedCell(2), QStringLiteral("2/0/0"));
    QCOMPARE(table()->rowCount(), 3);
    QCOMPARE(table()->currentRow(), 1);
    QCOMPARE(m_pane->getIndexOrderInfo(1).importedPhotos.size(), 5);
    QCOMPARE(m_boxes->count(), 0);
}

void tst_tfhomeorders::importedPhotosReachTheSelectedOrder()
{
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    table()->selectRow(1);
    auto *title = m_pane->photoDisplayWidget()->findChild<QLabel *>(QStringLiteral("importedTitleLabel"));
    QCOMPARE(title->text(), QStringLiteral("已导入：2"));

    m_service->setReply("order", "getorderphotoimg", Data::orderPhotosReply(1, 4, 2, 1));
    m_pane->getOrderImportPhotos(m_pane->getCurrentOrderInfo());
    QTRY_COMPARE(title->text(), QStringLiteral("已导入：4"));
    const StandInService::Request request = m_service->requests("order", "getorderphotoimg").first();
    QCOMPARE(request.fieldNames().mid(0, 6),
             (QStringList{"order_photo_id", "ratio", "shopid", "eid", "superid", "personid"}));
    QCOMPARE(request.field("order_photo_id"), Data::orderPhotoId(1));
    const OrderInfo stored = m_pane->getIndexOrderInfo(1);
    QCOMPARE(stored.importedPhotos.size(), 4);
    QCOMPARE(stored.importedTrialVideos.size(), 2);
    QCOMPARE(stored.importedRetouchedVideos.size(), 1);

    // For an order that is not selected only the stored lists change.
    m_service->setReply("order", "getorderphotoimg", Data::orderPhotosReply(0, 6, 0, 0));
    m_pane->getOrderImportPhotos(m_pane->getIndexOrderInfo(0));
    QTRY_COMPARE(m_pane->getIndexOrderInfo(0).importedPhotos.size(), 6);
    QCOMPARE(title->text(), QStringLiteral("已导入：4"));
}

void tst_tfhomeorders::lateImportedPhotosForARefilledListAreDropped()
{
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    m_service->setDelay("order", "getorderphotoimg", 300);
    m_service->setReply("order", "getorderphotoimg", Data::orderPhotosReply(0, 7, 0, 0));
    m_pane->getOrderImportPhotos(m_pane->getIndexOrderInfo(0));

    // A new search refills the list with other orders before the reply comes.
    QJsonObject other = Data::orderListReply(0);
    other.insert("data", QJsonArray{Data::order(20), Data::order(21)});
    m_service->setReply("order", "order_list", other);
    search();
    QTRY_COMPARE(m_pane->getIndexOrderInfo(0).orderpayforkey, Data::orderNumber(20));
    QTRY_COMPARE(m_service->requests("order", "getorderphotoimg").size(), 1);
    QTest::qWait(500);
    QCOMPARE(m_pane->getIndexOrderInfo(0).importedPhotos.size(), 2);
    QCOMPARE(m_pane->getIndexOrderInfo(0).order_photo_id, Data::orderPhotoId(20));
}

void tst_tfhomeorders::indexOutsideTheListGivesTheNoOrderValue()
{
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    QCOMPARE(m_pane->getIndexOrderInfo(3).index, -1);
    QVERIFY(m_pane->getIndexOrderInfo(3).order_photo_id.isEmpty());
    QCOMPARE(m_pane->getCurrentOrderInfo().index, -1);
}

void tst_tfhomeorders::failuresWithoutAReply_data()
{
    QTest::addColumn<QString>("module");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("failure");
    QTest::newRow("switch_shop answers 500") << "public" << "switch_shop" << int(StandInService::Failure::Http500);
    QTest::newRow("order_list is not JSON") << "order" << "order_list" << int(StandInService::Failure::NotJson);
    QTest::newRow("order_list is an array") << "order" << "order_list" << int(StandInService::Failure::JsonArray);
}

void tst_tfhomeorders::failuresWithoutAReply()
{
    QFETCH(QString, module);
    QFETCH(QString, action);
    QFETCH(int, failure);
    createPane();
    m_service->setFailure(module, action, StandInService::Failure(failure));
    searchButton()->click();
    QTRY_COMPARE(m_service->requests(module, action).size(), 1);
    // A failure the service gives no reason for is told as the client's text.
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->boxes().first().text, QStringLiteral("服务器返回异常，请稍后再试"));
    QCOMPARE(table()->rowCount(), 0);
    QVERIFY(searchButton()->isEnabled());
    if (action == QLatin1String("switch_shop"))
        QVERIFY(m_service->requests("order", "order_list").isEmpty());
}

void tst_tfhomeorders::refusedImportedPhotosChangeNothing_data()
{
    QTest::addColumn<QJsonObject>("reply");
    QTest::newRow("refused") << Data::refused(QStringLiteral("订单不存在"));
    QJsonObject notAList = Data::orderPhotosReply(0, 1, 0, 0);
    notAList.insert("images", QJsonObject{{"0", "IMG_0001.JPG"}});
    QTest::newRow("success, photo list not a list") << notAList;
    notAList.remove("images");
    QTest::newRow("success, no photo list") << notAList;
}

void tst_tfhomeorders::refusedImportedPhotosChangeNothing()
{
    QFETCH(QJsonObject, reply);
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    table()->selectRow(0);
    auto *title = m_pane->photoDisplayWidget()->findChild<QLabel *>(QStringLiteral("importedTitleLabel"));
    QCOMPARE(title->text(), QStringLiteral("已导入：2"));
    m_service->setReply("order", "getorderphotoimg", reply);
    m_pane->getOrderImportPhotos(m_pane->getCurrentOrderInfo());
    QTRY_COMPARE(m_service->requests("order", "getorderphotoimg").size(), 1);
    QTest::qWait(200);
    QCOMPARE(m_pane->getIndexOrderInfo(0).importedPhotos.size(), 2);
    QCOMPARE(title->text(), QStringLiteral("已导入：2"));
    QCOMPARE(importedCell(0), QStringLiteral("2/0/0"));
    QCOMPARE(m_boxes->count(), 0);

    // A deletion confirmed for the selected order reloads its photos and its count.
    m_service->setReply("order", "getorderphotoimg", Data::orderPhotosReply(0, 1, 0, 0));
    m_pane->photoDisplayWidget()->reloadOrderThumbnail(Data::orderPhotoId(0));
    QTRY_COMPARE(m_pane->getIndexOrderInfo(0).importedPhotos.size(), 1);
    QCOMPARE(importedCell(0), QStringLiteral("1/0/0"));
    // One for another order does nothing.
    m_pane->photoDisplayWidget()->reloadOrderThumbnail(Data::orderPhotoId(2));
    QTest::qWait(200);
    QCOMPARE(m_service->requests("order", "getorderphotoimg").size(), 2);
}

// After a search replaces the orders, neither panel shows an order of the old list.
void tst_tfhomeorders::searchClearsThePanelsOfTheOldList()
{
    createPane();
    search();
    QTRY_COMPARE(table()->rowCount(), 3);
    QList<int> announced;
    connect(m_pane, &tfhomeorders::orderSelChanged, this, [&](int row, const OrderInfo &) { announced << row; });
    auto *grid = m_pane->photoDisplayWidget();
    grid->setDelBtnShow(1);
    table()->selectRow(1);
    QTRY_COMPARE(grid->entryCount(), 2);
    grid->findChild<QPushButton *>(QStringLiteral("selectAllButton"))->click();
    auto *remove = grid->findChild<QPushButton *>(QStringLiteral("deleteSelectedButton"));
    QVERIFY(remove->isEnabled());

    QJsonObject other = Data::orderListReply(0);
    other.insert("data", QJsonArray{Data::order(20), Data::order(21)});
    m_service->setReply("order", "order_list", other);
    search();
    QTRY_COMPARE(m_pane->getIndexOrderInfo(0).orderpayforkey, Data::orderNumber(20));
    QCOMPARE(announced.last(), -1);
    QCOMPARE(grid->entryCount(), 0);
    QVERIFY(grid->currentOrder().order_photo_id.isEmpty());
    QVERIFY(!remove->isEnabled());
    QCOMPARE(grid->findChild<QLabel *>(QStringLiteral("importedTitleLabel"))->text(), QStringLiteral("已导入照片"));
}

QTEST_MAIN(tst_tfhomeorders)
#include "tst_tfhomeorders.moc"
