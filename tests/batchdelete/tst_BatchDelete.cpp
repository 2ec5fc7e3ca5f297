#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDeleteFileModel.h"
#include "batchdelete/BatchDelete_FileListWidget.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "support/BatchDeleteStudioData.h"
#include "support/LoginDialogWatcher.h"
#include "support/ScopedMountRoot.h"
#include "support/StandInService.h"
#include "widgets/ToastWidget.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QLoggingCategory>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>

using namespace BatchDeleteStudioData;

namespace {
bool writeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("photo") == 5;
}

QStringList toastTexts(QWidget *window)
{
    QStringList texts;
    const QList<ToastWidget *> toasts = window->findChildren<ToastWidget *>();
    for (ToastWidget *toast : toasts) {
        for (QLabel *label : toast->findChildren<QLabel *>())
            texts << label->text();
    }
    return texts;
}
} // namespace

class tst_BatchDelete : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void searchSendsShopThenOrders();
    void closingDateSearch();
    void otherShopUsedByNextSearch();
    void permissionRequired_data();
    void permissionRequired();
    void refusals_data();
    void refusals();
    void emptyResultKeepsRows();
    void startNeedsCheckedOrder();
    void rowClickScansOrderFolder();

    void runDeletesApprovedFilesAndReportsEach();
    void reportResentAfterRefusals();
    void reportGivenUpCountsAsFailed();
    void refusedAnnouncementDeletesNothing();
    void orderOutsideMountRootIsNeverTouched();
    void emptyFoldersFinishWithoutRequests();
    void cancelledVerificationStartsNothing();
    void closingDuringRunStopsFurtherSteps();
    void ordersReplacedDuringAnnouncementStopRun();
    void calendarOpensFromReadOnlyDateEdit();
    void customCalendarSetsDate();
    void personIdsCollected();
    void passwordNeverLogged();

private:
    void search();
    void checkRow(int row);
    void verifyAccount(const QString &password);
    QStringList makeOrderFolder(const QString &relative);

    StandInService m_service;
    std::unique_ptr<ScopedMountRoot> m_root;
    std::unique_ptr<LoginDialogWatcher> m_boxes;
    QPointer<BatchDelete> m_window;
    QList<QJsonObject> m_orders;
    QJsonValue m_permission;
};

void tst_BatchDelete::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_service.setHandler("public", "switch_shop", [this](const StandInService::Request &) {
        return switchShopReply(m_permission);
    });
    m_service.setHandler("order", "order_list", [this](const StandInService::Request &) {
        return orderListReply(m_orders);
    });
    m_service.setHandler("public", "dologin", [](const StandInService::Request &request) {
        return request.field("password") == kPassword ? accepted() : refused(QStringLiteral("密码错误"));
    });
}

void tst_BatchDelete::init()
{
    Config::k_shops = {ShopEntry{"101", QStringLiteral("旗舰店"), QString()},
                       ShopEntry{"102", QStringLiteral("二店"), QString()}};
    m_root = std::make_unique<ScopedMountRoot>();
    m_boxes = std::make_unique<LoginDialogWatcher>();
    m_permission = 1;
    m_orders.clear();
    m_service.setReply("order", "delete_pic_before", accepted());
    m_service.setReply("order", "delete_pic_after", accepted());
    m_service.clearRequests();
    QVERIFY(writeCredentials(kAccount));
    m_window = new BatchDelete();
    m_window->show();
}

void tst_BatchDelete::cleanup()
{
    delete m_window;
    m_boxes.reset();
    m_root.reset();
}

QStringList tst_BatchDelete::makeOrderFolder(const QString &relative)
{
    const QString folder = m_root->mkpath(relative);
    const QStringList files{folder + "/原片/IMG_0001.JPG", folder + "/原片/IMG_0002 副本.JPG",
                            folder + "/原始档/IMG_0001.CR2", folder + "/a&b.jpg"};
    for (const QString &file : files)
        writeFile(file);
    writeFile(folder + "/.DS_Store");
    writeFile(folder + "/原片/深层/not-listed.jpg");
    return files;
}

void tst_BatchDelete::search()
{
    const int before = m_service.requests().size();
    QTest::mouseClick(m_window->findChild<QPushButton *>("searchButton"), Qt::LeftButton);
    QVERIFY(m_service.waitForRequests(before + (m_permission == QJsonValue(1) ? 2 : 1), 10000));
    QTest::qWait(0);
}

void tst_BatchDelete::checkRow(int row)
{
    auto *table = m_window->orderListPanel()->tableWidget();
    QWidget *cell = table->cellWidget(row, 0);
    QVERIFY(cell);
    cell->findChild<QCheckBox *>()->setChecked(true);
}

void tst_BatchDelete::verifyAccount(const QString &password)
{
    BatchLoginDialog *dialog = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((dialog = m_window->findChild<BatchLoginDialog *>()) != nullptr, 5000);
    QCOMPARE(dialog->getUsername(), kAccount);
    dialog->findChild<QLineEdit *>("passwordEdit")->setText(password);
    dialog->handleOk();
}

void tst_BatchDelete::searchSendsShopThenOrders()
{
    m_orders = {order(1, m_root->path() + "orders/A1"), order(2, m_root->path() + "orders/A2")};
    m_window->findChild<QLineEdit *>("keywordEdit")->setText(QStringLiteral(" 张三 "));
    search();
    const QList<StandInService::Request> requests = m_service.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).action(), QStringLiteral("switch_shop"));
    QCOMPARE(requests.at(0).field("shopid"), QStringLiteral("101"));
    QCOMPARE(requests.at(1).action(), QStringLiteral("order_list"));
    QCOMPARE(requests.at(1).fieldNames().mid(0, 8),
             QStringList({"keyword", "searchtype", "role7id", "ratio", "shopid", "eid", "superid", "personid"}));
    QCOMPARE(requests.at(1).field("keyword"), QStringLiteral(" 张三 "));
    QCOMPARE(requests.at(1).field("searchtype"), QStringLiteral("1"));
    QCOMPARE(requests.at(1).field("ratio"), QStringLiteral("90"));
    QCOMPARE(requests.at(1).field("shopid"), QStringLiteral("101"));
    QCOMPARE(requests.at(1).field("eid"), QStringLiteral("E7"));
    QCOMPARE(requests.at(1).field("superid"), QStringLiteral("S9"));
    QCOMPARE(requests.at(1).field("personid"), QStringLiteral("E7"));

    auto *table = m_window->orderListPanel()->tableWidget();
    QTRY_COMPARE(table->rowCount(), 2);
    QCOMPARE(m_window->orderListPanel()->countLabel()->text(), QStringLiteral("    共2个订单"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("A121-2"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("张三/李四"));
    QCOMPARE(table->item(1, 6)->text(), m_root->path() + "orders/A2");
    QCOMPARE(table->cellWidget(1, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/0/0"));
}

void tst_BatchDelete::closingDateSearch()
{
    m_orders = {order(1, QString())};
    m_window->findChild<QComboBox *>("searchTypeCombo")->setCurrentIndex(1);
    QVERIFY(!m_window->findChild<QLineEdit *>("keywordEdit")->isVisible());
    auto *date = m_window->findChild<QDateEdit *>("closingDateEdit");
    QVERIFY(date->isVisible());
    date->setDate(QDate(2024, 5, 6));
    search();
    const auto lists = m_service.requests("order", "order_list");
    QCOMPARE(lists.size(), 1);
    QCOMPARE(lists.first().field("keyword"), QStringLiteral("2024-05-06"));
    QCOMPARE(lists.first().field("searchtype"), QStringLiteral("6"));
}

void tst_BatchDelete::otherShopUsedByNextSearch()
{
    m_window->findChild<QComboBox *>("shopCombo")->setCurrentIndex(1);
    QTest::qWait(50);
    QCOMPARE(m_service.requests().size(), 0);
    m_orders = {order(1, QString())};
    search();
    QCOMPARE(m_service.requests().first().field("shopid"), QStringLiteral("102"));
    QCOMPARE(m_service.requests().last().field("shopid"), QStringLiteral("102"));
}

void tst_BatchDelete::permissionRequired_data()
{
    QTest::addColumn<QJsonValue>("permission");
    QTest::newRow("text 1") << QJsonValue(QStringLiteral("1"));
    QTest::newRow("zero") << QJsonValue(0);
    QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined);
}

void tst_BatchDelete::permissionRequired()
{
    QFETCH(QJsonValue, permission);
    // Rows of an earlier search go when the branch turns out to lack the permission.
    m_orders = {order(1, QString())};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    m_service.clearRequests();
    m_permission = permission;
    search();
    QTRY_COMPARE(m_window->orderListPanel()->countLabel()->text(), QStringLiteral("暂无权限操作批量删除"));
    QCOMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 0);
    QTest::qWait(50);
    QCOMPARE(m_service.requests("order", "order_list").size(), 0);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    QVERIFY(toastTexts(m_window).contains(QStringLiteral("暂无权限操作")));
    QVERIFY(!m_window->findChild<BatchLoginDialog *>());
}

void tst_BatchDelete::refusals_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QString>("text");
    QTest::newRow("switch_shop msg") << "switch_shop"
                                     << QJsonObject{{"code", "0"}, {"msg", QStringLiteral("分店已停用")}}
                                     << QStringLiteral("分店已停用");
    QTest::newRow("switch_shop numeric code") << "switch_shop" << QJsonObject{{"code", 1}} << QString();
    QTest::newRow("order_list message") << "order_list" << refused(QStringLiteral("查询失败")) << QStringLiteral("查询失败");
}

void tst_BatchDelete::refusals()
{
    QFETCH(QString, action);
    QFETCH(QJsonObject, reply);
    QFETCH(QString, text);
    m_service.setHandler(action == "switch_shop" ? "public" : "order", action,
                         [reply](const StandInService::Request &) { return reply; });
    QTest::mouseClick(m_window->findChild<QPushButton *>("searchButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->seen().size(), 1, 10000);
    QCOMPARE(m_boxes->seen().first().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->seen().first().text, text);
    QCOMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 0);
    // Put the shared handlers back for the next rows.
    m_service.setHandler("public", "switch_shop", [this](const StandInService::Request &) {
        return switchShopReply(m_permission);
    });
    m_service.setHandler("order", "order_list", [this](const StandInService::Request &) {
        return orderListReply(m_orders);
    });
}

void tst_BatchDelete::emptyResultKeepsRows()
{
    m_orders = {order(1, QString()), order(2, QString())};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 2);
    m_orders.clear();
    search();
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->texts(), QStringList{QStringLiteral("未检索到订单")}, 10000);
    QCOMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 2);
}

void tst_BatchDelete::startNeedsCheckedOrder()
{
    m_orders = {order(1, QString())};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    QVERIFY(toastTexts(m_window).contains(QStringLiteral("请选择要删除的订单!")));
    QVERIFY(!m_window->findChild<BatchLoginDialog *>());
}

void tst_BatchDelete::rowClickScansOrderFolder()
{
    makeOrderFolder("orders/A1");
    m_orders = {order(1, m_root->path() + "orders/A1")};
    search();
    auto *table = m_window->orderListPanel()->tableWidget();
    QTRY_COMPARE(table->rowCount(), 1);
    table->selectRow(0);
    BatchDeleteFileModel *model = m_window->fileListPanel()->fileModel();
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 4, 10000);
    QCOMPARE(m_window->fileListPanel()->findChild<QLabel *>("fileListTitle")->text(), QStringLiteral("共 4 个文件"));
    QCOMPARE(table->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/0/4"));
    QCOMPARE(model->data(model->index(0, 3)).toString(), QStringLiteral("未删除"));
}

void tst_BatchDelete::runDeletesApprovedFilesAndReportsEach()
{
    const QStringList first = makeOrderFolder("orders/2024/A1-2_张三");
    const QStringList second = makeOrderFolder("orders/2024/A2-2_李四");
    QTemporaryDir outside;
    QVERIFY(writeFile(outside.path() + "/other.jpg"));
    QVERIFY(QFile::link(outside.path(), m_root->path() + "orders/2024/A1-2_张三/linked"));
    m_orders = {order(1, m_root->path() + "orders/2024/A1-2_张三"), order(2, m_root->path() + "orders/2024/A2-2_李四"),
                order(3, m_root->path() + "orders/2024/untouched")};
    const QStringList untouched = makeOrderFolder("orders/2024/untouched");
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 3);
    checkRow(0);
    checkRow(1);
    m_service.clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);

    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("全部删除完成！")), 20000);
    for (const QString &file : first + second)
        QVERIFY2(!QFile::exists(file), qPrintable(file));
    for (const QString &file : untouched)
        QVERIFY(QFile::exists(file));
    QVERIFY(QFile::exists(outside.path() + "/other.jpg"));
    QVERIFY(QFile::exists(m_root->path() + "orders/2024/A1-2_张三/原片/深层/not-listed.jpg"));

    const auto befores = m_service.requests("order", "delete_pic_before");
    QCOMPARE(befores.size(), 2);
    QCOMPARE(befores.at(0).fieldNames().mid(0, 6),
             QStringList({"shopid", "eid", "superid", "personid", "order_photo_id", "pics"}));
    QCOMPARE(befores.at(0).field("order_photo_id"), QStringLiteral("OP1"));
    QCOMPARE(befores.at(1).field("order_photo_id"), QStringLiteral("OP2"));
    const QJsonArray pics = QJsonDocument::fromJson(befores.at(0).field("pics").toUtf8()).array();
    QCOMPARE(pics.size(), 4);
    QSet<QString> announced;
    for (const QJsonValue &pic : pics)
        announced.insert(pic.toObject().value("picpath").toString());
    QCOMPARE(announced, QSet<QString>(first.begin(), first.end()));

    const auto afters = m_service.requests("order", "delete_pic_after");
    QCOMPARE(afters.size(), 8);
    QSet<QString> reported;
    for (const StandInService::Request &after : afters) {
        QCOMPARE(after.fieldNames().mid(0, 7),
                 QStringList({"shopid", "eid", "superid", "personid", "order_photo_id", "picpath", "picname"}));
        QCOMPARE(QFileInfo(after.field("picpath")).fileName(), after.field("picname"));
        reported.insert(after.field("picpath"));
    }
    QCOMPARE(reported.size(), 8);
    QVERIFY(reported.contains(m_root->path() + "orders/2024/A1-2_张三/a&b.jpg"));

    auto *table = m_window->orderListPanel()->tableWidget();
    QCOMPARE(table->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("4/0/4"));
    QVERIFY(!table->cellWidget(0, 5)->findChild<QWidget *>("checkOkBtn")->isHidden());
    QVERIFY(table->cellWidget(0, 5)->findChild<QWidget *>("checkFailBtn")->isHidden());
    QCOMPARE(table->cellWidget(2, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/0/0"));
    QVERIFY(m_window->isUserEnabled());
    QVERIFY(m_window->findChild<QPushButton *>("startButton")->isEnabled());
}

void tst_BatchDelete::reportResentAfterRefusals()
{
    const QStringList files = makeOrderFolder("orders/A1");
    m_orders = {order(1, m_root->path() + "orders/A1")};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    const QString stubborn = files.at(3); // a&b.jpg
    QHash<QString, int> calls;
    m_service.setHandler("order", "delete_pic_after", [&](const StandInService::Request &request) {
        const QString path = request.field("picpath");
        if (path == stubborn && ++calls[path] <= 2)
            return refused(QStringLiteral("服务繁忙"));
        return accepted();
    });
    checkRow(0);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    for (int round = 0; round < 2; ++round)
    {
        QTRY_VERIFY_WITH_TIMEOUT(findConfirm(QStringLiteral("服务繁忙，需要继续提交吗？")), 10000);
        QVERIFY(answerConfirm(QStringLiteral("服务繁忙，需要继续提交吗？"), true));
    }
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("全部删除完成！")), 20000);
    int stubbornReports = 0;
    for (const auto &request : m_service.requests("order", "delete_pic_after"))
        stubbornReports += request.field("picpath") == stubborn ? 1 : 0;
    QCOMPARE(stubbornReports, 3);
    auto *table = m_window->orderListPanel()->tableWidget();
    QCOMPARE(table->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("4/0/4"));
    m_service.setReply("order", "delete_pic_after", accepted());
}

void tst_BatchDelete::reportGivenUpCountsAsFailed()
{
    const QStringList files = makeOrderFolder("orders/A1");
    m_orders = {order(1, m_root->path() + "orders/A1")};
    search();
    auto *table = m_window->orderListPanel()->tableWidget();
    QTRY_COMPARE(table->rowCount(), 1);
    table->selectRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->fileListPanel()->fileModel()->rowCount(), 4, 10000);
    m_service.setFailure("order", "delete_pic_after", StandInService::Failure::NotJson);
    checkRow(0);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    for (int file = 0; file < 4; ++file)
    {
        QTRY_VERIFY_WITH_TIMEOUT(findConfirm(QStringLiteral("删除信息提交失败，需要继续提交吗？")), 10000);
        QVERIFY(answerConfirm(QStringLiteral("删除信息提交失败，需要继续提交吗？"), false));
    }
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("全部删除完成！")), 20000);
    for (const QString &file : files)
        QVERIFY(!QFile::exists(file));
    QCOMPARE(table->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/4/4"));
    QVERIFY(!table->cellWidget(0, 5)->findChild<QWidget *>("checkFailBtn")->isHidden());
    BatchDeleteFileModel *model = m_window->fileListPanel()->fileModel();
    QCOMPARE(model->data(model->index(0, 3)).toString(), QStringLiteral("提交状态失败"));
    QCOMPARE(m_window->orderListPanel()->orders().first().failed.size(), 4);
    m_service.setFailure("order", "delete_pic_after", StandInService::Failure::None);
}

void tst_BatchDelete::refusedAnnouncementDeletesNothing()
{
    const QStringList files = makeOrderFolder("orders/A1");
    m_orders = {order(1, m_root->path() + "orders/A1")};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    m_service.setReply("order", "delete_pic_before", refused(QStringLiteral("订单未结单")));
    checkRow(0);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("订单未结单")), 10000);
    for (const QString &file : files)
        QVERIFY(QFile::exists(file));
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
    QVERIFY(m_window->isUserEnabled());
    QVERIFY(!m_boxes->texts().contains(QStringLiteral("全部删除完成！")));

    // Not delivered at all: the same, with its own text.
    m_boxes->clear();
    m_service.setFailure("order", "delete_pic_before", StandInService::Failure::NotJson);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("提交数据失败!")), 10000);
    for (const QString &file : files)
        QVERIFY(QFile::exists(file));
    m_service.setFailure("order", "delete_pic_before", StandInService::Failure::None);
}

void tst_BatchDelete::orderOutsideMountRootIsNeverTouched()
{
    QTemporaryDir outside;
    QVERIFY(writeFile(outside.path() + "/原片/keep.jpg"));
    m_root->mkpath("orders");
    m_orders = {order(1, outside.path()), order(2, m_root->path() + "orders/../../" + QDir(outside.path()).dirName()),
                order(3, m_root->path())};
    search();
    auto *table = m_window->orderListPanel()->tableWidget();
    QTRY_COMPARE(table->rowCount(), 3);
    for (int row = 0; row < 3; ++row) {
        QVERIFY(table->item(row, 6)->text().isEmpty());
        checkRow(row);
    }
    m_service.clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("全部删除完成！")), 20000);
    QVERIFY(QFile::exists(outside.path() + "/原片/keep.jpg"));
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 0);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
}

void tst_BatchDelete::emptyFoldersFinishWithoutRequests()
{
    m_root->mkpath("orders/empty");
    m_orders = {order(1, m_root->path() + "orders/empty"), order(2, m_root->path() + "orders/missing")};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 2);
    m_window->orderListPanel()->findChild<QCheckBox *>("selectAllCheckBox")->setChecked(true);
    QCOMPARE(m_window->orderListPanel()->getCheckedOrders().size(), 2);
    m_service.clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("全部删除完成！")), 20000);
    QStringList actions;
    for (const auto &request : m_service.requests())
        actions << request.action();
    QCOMPARE(actions, QStringList{"dologin"});
}

void tst_BatchDelete::cancelledVerificationStartsNothing()
{
    const QStringList files = makeOrderFolder("orders/A1");
    m_orders = {order(1, m_root->path() + "orders/A1")};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    checkRow(0);
    m_service.clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(QStringLiteral("wrong"));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("密码错误")), 10000);
    BatchLoginDialog *dialog = m_window->findChild<BatchLoginDialog *>();
    QVERIFY(dialog);
    dialog->handleCancel();
    QTest::qWait(100);
    QVERIFY(m_window->isUserEnabled());
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 0);
    for (const QString &file : files)
        QVERIFY(QFile::exists(file));
}

void tst_BatchDelete::closingDuringRunStopsFurtherSteps()
{
    const QStringList files = makeOrderFolder("orders/A1");
    makeOrderFolder("orders/A2");
    m_orders = {order(1, m_root->path() + "orders/A1"), order(2, m_root->path() + "orders/A2")};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 2);
    checkRow(0);
    checkRow(1);
    // Phase one stays unanswered long enough to close the window under it.
    m_service.setFailure("order", "delete_pic_before", StandInService::Failure::NoAnswer);
    m_service.clearRequests();
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QVERIFY(m_service.waitForRequests(2, 10000)); // dologin, delete_pic_before
    QVERIFY(!m_window->isUserEnabled());
    delete m_window;
    QTest::qWait(200);
    for (const QString &file : files)
        QVERIFY(QFile::exists(file));
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 1);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
    m_service.setFailure("order", "delete_pic_before", StandInService::Failure::None);
}

void tst_BatchDelete::ordersReplacedDuringAnnouncementStopRun()
{
    const QStringList files = makeOrderFolder("orders/A1");
    m_orders = {order(1, m_root->path() + "orders/A1")};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    checkRow(0);
    // A search that lands while the announcement is out puts another order in row 0.
    QPointer<BatchDelete> window = m_window;
    m_service.setHandler("order", "delete_pic_before", [window](const StandInService::Request &) {
        if (window) {
            window->orderListPanel()->clearOrders();
            BatchDeleteOrderInfo other;
            other.order_photo_id = QStringLiteral("OP99");
            window->orderListPanel()->addOrder(other);
        }
        return accepted();
    });
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QVERIFY(m_service.waitForRequests(m_service.requests().size() + 1, 10000));
    QTRY_VERIFY(m_window->isUserEnabled());
    QTest::qWait(200);
    for (const QString &file : files)
        QVERIFY(QFile::exists(file));
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
    QVERIFY(!m_boxes->texts().contains(QStringLiteral("全部删除完成！")));
    m_service.setHandler("order", "delete_pic_before", StandInService::Handler());
}

void tst_BatchDelete::calendarOpensFromReadOnlyDateEdit()
{
    m_window->findChild<QComboBox *>("searchTypeCombo")->setCurrentIndex(1);
    auto *edit = m_window->findChild<QDateEdit *>("closingDateEdit");
    QVERIFY(edit->isReadOnly());
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_VERIFY(edit->calendarWidget() && edit->calendarWidget()->isVisible());
    QTRY_VERIFY(edit->isReadOnly());

    // With the keyword search showing, presses are not taken over.
    edit->calendarWidget()->hide();
    m_window->findChild<QComboBox *>("searchTypeCombo")->setCurrentIndex(0);
    QVERIFY(!edit->isVisible());
}

void tst_BatchDelete::customCalendarSetsDate()
{
    m_window->findChild<QComboBox *>("searchTypeCombo")->setCurrentIndex(1);
    auto *edit = m_window->findChild<QDateEdit *>("closingDateEdit");
    QPointer<QCalendarWidget> calendar = m_window->showCustomCalendar(edit, QPoint(10, 10));
    QVERIFY(calendar->isVisible());
    emit calendar->clicked(QDate(2023, 12, 31));
    QCOMPARE(edit->date(), QDate(2023, 12, 31));
    QTRY_VERIFY(!calendar);
    m_orders = {order(1, QString())};
    search();
    QCOMPARE(m_service.requests("order", "order_list").first().field("keyword"), QStringLiteral("2023-12-31"));
}

void tst_BatchDelete::personIdsCollected()
{
    m_orders = {order(1, QString())};
    search();
    m_service.setReply("order", "get_persons",
                       QJsonObject{{"code", "1"},
                                   {"persons", QJsonArray{QJsonObject{{"id", "p1"}, {"name", "甲"}},
                                                          QJsonObject{{"id", "p2"}, {"name", "乙"}}}}});
    m_service.clearRequests();
    m_window->reqTiaoseList();
    QVERIFY(m_service.waitForRequests(1, 10000));
    QTRY_COMPARE(m_window->personIds(), QStringList({QString(), "p1", "p2"}));
    const auto request = m_service.requests().first();
    QCOMPARE(request.action(), QStringLiteral("get_persons"));
    QCOMPARE(request.fieldNames().mid(0, 4), QStringList({"shopid", "eid", "superid", "personid"}));
    QCOMPARE(request.field("personid"), QStringLiteral("E7"));
}

namespace {
QStringList g_logged;
void collectMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_logged << message;
}
} // namespace

void tst_BatchDelete::passwordNeverLogged()
{
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=true"));
    g_logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectMessages);
    m_orders = {order(1, QString())};
    search();
    QTRY_COMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 1);
    checkRow(0);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("全部删除完成！")), 20000);
    qInstallMessageHandler(previous);
    QVERIFY(!g_logged.isEmpty());
    const QString encoded = QString::fromLatin1(FormBody::encode(kPassword));
    for (const QString &line : qAsConst(g_logged)) {
        QVERIFY2(!line.contains(kPassword), qPrintable(line));
        QVERIFY2(!line.contains(encoded), qPrintable(line));
    }
}

QTEST_MAIN(tst_BatchDelete)
#include "tst_BatchDelete.moc"
