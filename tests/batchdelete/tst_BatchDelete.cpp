#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/K.h"
#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDeleteFileModel.h"
#include "batchdelete/BatchDeleteJournal.h"
#include "batchdelete/BatchDelete_FileListWidget.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "batchdelete/FileScanWorker.h"
#include "support/BatchDeleteStudioData.h"
#include "support/BindMount.h"
#include "support/JournalHolder.h"
#include "support/DialogChecks.h"
#include "support/LoginDialogWatcher.h"
#include "support/QuietPlatformNotes.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/SmallTmpfs.h"
#include "support/SmbShare.h"
#include "support/StandInService.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/ToastWidget.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QThread>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QScrollBar>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTextBrowser>
#include <QSignalSpy>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

using namespace BatchDeleteStudioData;

namespace {
bool writeFile(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("photo") == 5;
}

// Accepts every announcement; as the order's is taken, the photo becomes a
// non-empty folder between scan and removal: its removal fails, even for root.
StandInService::Handler blockedAtAnnouncement(const QString &orderPhotoId, const QString &photo)
{
    return [orderPhotoId, photo](const StandInService::Request &request) {
        if (request.field("order_photo_id") == orderPhotoId && QFile::remove(photo))
            writeFile(photo + "/inner.jpg");
        return accepted();
    };
}

int existing(const QStringList &files)
{
    int count = 0;
    for (const QString &file : files)
        count += QFileInfo::exists(file) ? 1 : 0;
    return count;
}

// Set by a test: a scan thread unmounts this share as its scan enters the
// folder, or, when no folder is given, as the scan hands on its result.
QString pullShareAt;
std::atomic<BindMount *> pullShare{nullptr};

// Hooks each scan worker on its scan thread as the scan request reaches it.
class ScanWatchingApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        auto *worker = event->type() == QEvent::MetaCall ? qobject_cast<FileScanWorker *>(receiver) : nullptr;
        if (worker && !worker->property("hooked").toBool()) {
            worker->setProperty("hooked", true);
            QObject::connect(worker, &FileScanWorker::scanProgress, [](int, const QString &folder) {
                if (BindMount *share = pullShare.load(); share && folder == pullShareAt)
                    share->unmount();
            });
            QObject::connect(worker, &FileScanWorker::scanFinished, []() {
                if (BindMount *share = pullShare.load(); share && pullShareAt.isEmpty())
                    share->unmount();
            });
        }
        return QApplication::notify(receiver, event);
    }
};

QStringList toastTexts(QWidget *window)
{
    QStringList texts;
    for (ToastWidget *toast : window->findChildren<ToastWidget *>()) {
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
    void permissionRequired_data();
    void permissionRequired();
    void refusals_data();
    void refusals();
    void noBranchToNameSendsNothing();
    void startNeedsCheckedOrder();

    void laterSearchKeepsItsOrders();
    void runDeletesAndReportsEachFile();
    void selectAllRunsRowsNeverShown();
    void ticksFollowRowsScrolledStepByStep();
    void branchAndSearchFixedDuringRun();
    void thousandsOfFilesHandedOn();
    void reportResentAfterRefusals();
    void reportGivenUpCountsAsFailed_data();
    void reportGivenUpCountsAsFailed();
    void finalBoxSaysWhatIsLeftOnShare();
    void skippedOrdersAreListed_data();
    void skippedOrdersAreListed();
    void refusalReadAfterVerification_data();
    void refusalReadAfterVerification();
    void shareDisappearsDuringRun_data();
    void shareDisappearsDuringRun();
    void smbServerStoppedDuringRun();
    void smbServerGoneBeforeRun_data();
    void smbServerGoneBeforeRun();
    void unmountedShareTouchesNothing_data();
    void unmountedShareTouchesNothing();
    void folderSwappedForLinkDeletesNothing();
    void undeletableFileSaysWhy_data();
    void undeletableFileSaysWhy();
    void separatorRunsInServicePath_data();
    void separatorRunsInServicePath();
    void cancelledVerificationStartsNothing();
    void owedReportsSentWhenOpenedAgain_data();
    void owedReportsSentWhenOpenedAgain();
    void owedReportsOfOtherProgramSentOnceItIsGone();
    void owedReportRefusedOrUnreachable_data();
    void owedReportRefusedOrUnreachable();
    void recordedBeforeRemoval();
    void unrecordableRunRemovesNothing_data();
    void unrecordableRunRemovesNothing();
    void runStoppedMidOrderKeepsWhatItRemoved();
    void closeDuringRunAsksThenSendsReports_data();
    void closeDuringRunAsksThenSendsReports();
    void windowDestroyedDuringRunStopsFurtherSteps();
    void ordersReplacedDuringAnnouncementStopRun();
    void statusColoursDrawn();
    void closingDateCalendarAndSearch();
    void personIdsCollected();

private:
    void search();
    void checkRow(int row);
    void verifyAccount(const QString &password);
    void startRun();
    QString waitForFinalBox();
    QStringList makeOrderFolder(const QString &relative);
    QSet<QString> reportedPaths() const;

    StandInService m_service;
    std::unique_ptr<ScopedMountRoot> m_root;
    std::unique_ptr<LoginDialogWatcher> m_boxes;
    QPointer<BatchDelete> m_window;
    QList<QJsonObject> m_orders;
    QJsonValue m_permission;
};

void tst_BatchDelete::initTestCase()
{
    QuietPlatformNotes::install();
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
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
    m_service.setHandler("public", "switch_shop", [this](const StandInService::Request &request) {
        QJsonObject reply = switchShopReply(m_permission);
        if (request.field("shopid") == QLatin1String("102"))
            reply.insert("EID", "E8");
        return reply;
    });
    m_service.setHandler("order", "order_list", [this](const StandInService::Request &) {
        return orderListReply(m_orders);
    });
    m_service.setHandler("order", "delete_pic_before", StandInService::Handler());
    m_service.setHandler("order", "delete_pic_after", StandInService::Handler());
    m_service.setFailure("order", "delete_pic_before", StandInService::Failure::None);
    m_service.setFailure("order", "delete_pic_after", StandInService::Failure::None);
    m_service.setDelay("order", "delete_pic_after", 0);
    m_service.setDelay("order", "order_list", 0);
    m_service.setReply("order", "delete_pic_before", accepted());
    m_service.setReply("order", "delete_pic_after", accepted());
    m_service.clearRequests();
    QVERIFY(writeCredentials(kAccount));
    QFile::remove(BatchDeleteJournal::defaultPath());
    m_window = new BatchDelete();
    m_window->show();
}

void tst_BatchDelete::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_window;
    m_boxes.reset();
    m_root.reset();
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
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

QSet<QString> tst_BatchDelete::reportedPaths() const
{
    QSet<QString> paths;
    for (const StandInService::Request &after : m_service.requests("order", "delete_pic_after"))
        paths.insert(after.field("picpath"));
    return paths;
}

void tst_BatchDelete::search()
{
    const int before = m_service.requests().size();
    QTest::mouseClick(m_window->findChild<QPushButton *>("searchButton"), Qt::LeftButton);
    QVERIFY(m_service.waitForRequests(before + (m_permission == QJsonValue(1) ? 2 : 1), 10000));
    QTRY_VERIFY(m_window->orderListPanel()->tableWidget()->rowCount() > 0 || m_orders.isEmpty()
                || m_permission != QJsonValue(1));
}

void tst_BatchDelete::checkRow(int row)
{
    QWidget *cell = m_window->orderListPanel()->tableWidget()->cellWidget(row, 0);
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

void tst_BatchDelete::startRun()
{
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(kPassword);
}

QString tst_BatchDelete::waitForFinalBox()
{
    const auto final = [this]() {
        for (const QString &text : m_boxes->texts()) {
            if (text == QStringLiteral("全部删除完成！") || text.contains(QStringLiteral("删除结束：")))
                return text;
        }
        return QString();
    };
    // A plain event loop, as the application's: qWaitFor's pause between
    // rounds would make a run of a thousand files last minutes.
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&]() {
        if (!final().isEmpty())
            loop.quit();
    });
    check.start(20);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    if (final().isEmpty())
        loop.exec();
    if (final().isEmpty())
        qWarning() << "no final box" << m_boxes->texts();
    return final();
}

void tst_BatchDelete::searchSendsShopThenOrders()
{
    m_orders = {order(1, m_root->path() + "share/A1"), order(2, m_root->path() + "share/A2")};
    m_root->mkpath("share/A2");
    m_window->findChild<QLineEdit *>("keywordEdit")->setText(QStringLiteral(" 张三 "));
    search();
    const QList<StandInService::Request> requests = m_service.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).action(), QStringLiteral("switch_shop"));
    QCOMPARE(requests.at(0).field("shopid"), QStringLiteral("101"));
    QCOMPARE(requests.at(1).field("keyword"), QStringLiteral(" 张三 "));
    QCOMPARE(requests.at(1).field("personid"), QStringLiteral("E7"));

    auto *table = m_window->orderListPanel()->tableWidget();
    QTRY_COMPARE(table->rowCount(), 2);
    QCOMPARE(m_window->orderListPanel()->countLabel()->text(), QStringLiteral("    共2个订单"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("张三/李四"));
    QCOMPARE(table->item(1, 6)->text(), m_root->path() + "share/A2");
    // The closing date shows whole, date and time.
    const QString date = QStringLiteral("2024-05-06 18:30:00");
    table->item(0, 4)->setText(date);
    QVERIFY(table->columnWidth(4) > table->fontMetrics().horizontalAdvance(date) + 8);
}

void tst_BatchDelete::laterSearchKeepsItsOrders()
{
    // The first search's orders come while the second one is still out.
    int answered = 0;
    m_service.setHandler("order", "order_list", [this, &answered](const StandInService::Request &) {
        return orderListReply(++answered == 1 ? QList<QJsonObject>{order(1, QString()), order(2, QString())}
                                              : QList<QJsonObject>{order(3, QString())});
    });
    m_service.setDelay("order", "order_list", 300);
    QTest::mouseClick(m_window->findChild<QPushButton *>("searchButton"), Qt::LeftButton);
    QVERIFY(m_service.waitForRequests(2, 10000));
    m_service.setDelay("order", "order_list", 1500);
    m_window->reqShopInfo();
    QTableWidget *table = m_window->orderListPanel()->tableWidget();
    QSignalSpy filled(table->model(), &QAbstractItemModel::rowsInserted);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->orderListPanel()->countLabel()->text(), QStringLiteral("    共1个订单"), 10000);
    QCOMPARE(answered, 2);
    QCOMPARE(filled.count(), 1);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("A123-2"));
}

void tst_BatchDelete::selectAllRunsRowsNeverShown()
{
    const QStringList files = makeOrderFolder("share/A40");
    for (int n = 1; n < 40; ++n)
        m_orders << order(n, QString());
    m_orders << order(40, m_root->path() + "share/A40");
    search();
    QTableWidget *table = m_window->orderListPanel()->tableWidget();
    QTRY_COMPARE(table->rowCount(), 40);
    QVERIFY(!table->cellWidget(39, 0));
    m_window->orderListPanel()->selectAllBox()->setChecked(true);
    startRun();
    QVERIFY(!waitForFinalBox().isEmpty());
    QCOMPARE(existing(files), 0);
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 1);
}

// Boxes are made as their rows scroll into view: ticks made after scrolling
// a row at a time go to the orders shown, and while the run goes neither 全选
// nor a box that comes into view can be ticked.
void tst_BatchDelete::ticksFollowRowsScrolledStepByStep()
{
    for (int n = 1; n <= 40; ++n) {
        m_orders << order(n, m_root->path() + QStringLiteral("share/A%1").arg(n));
        QVERIFY(writeFile(m_root->path() + QStringLiteral("share/A%1/1.jpg").arg(n)));
    }
    search();
    QTableWidget *table = m_window->orderListPanel()->tableWidget();
    QScrollBar *bar = table->verticalScrollBar();
    const auto box = [table](int row) {
        QWidget *cell = table->cellWidget(row, 0);
        return cell ? cell->findChild<QCheckBox *>() : nullptr;
    };
    while (bar->value() < bar->maximum())
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    for (int row : {36, 38, 37, 37}) {
        QVERIFY(box(row));
        QTest::mouseClick(box(row), Qt::LeftButton);
    }
    int enabledMidRun = 0;
    m_service.setHandler("order", "delete_pic_before", [&](const StandInService::Request &) {
        enabledMidRun += m_window->orderListPanel()->selectAllBox()->isEnabled() ? 1 : 0;
        while (bar->value() > bar->minimum()) {
            bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
            if (QCheckBox *top = box(table->rowAt(0))) {
                enabledMidRun += top->isEnabled() ? 1 : 0;
                QTest::mouseClick(top, Qt::LeftButton);
            }
        }
        return accepted();
    });
    startRun();
    waitForFinalBox();
    QStringList announced;
    for (const StandInService::Request &request : m_service.requests("order", "delete_pic_before"))
        announced << request.field("order_photo_id");
    QCOMPARE(announced, QStringList({"OP37", "OP39"}));
    QCOMPARE(enabledMidRun, 0);
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
    m_service.clearRequests();
    m_permission = permission;
    search();
    QTRY_COMPARE(m_window->orderListPanel()->countLabel()->text(), QStringLiteral("暂无权限操作批量删除"));
    QCOMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), 0);
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
    QTest::addColumn<int>("rowsAfter");
    // A refusal is no answer: the rows of the last search go. An empty answer keeps them.
    QTest::newRow("switch_shop msg") << "switch_shop"
                                     << QJsonObject{{"code", "0"}, {"msg", QStringLiteral("分店已停用")}}
                                     << QStringLiteral("分店已停用") << 0;
    QTest::newRow("switch_shop numeric code, no reason") << "switch_shop" << QJsonObject{{"code", 1}}
                                                         << QStringLiteral("服务器返回数据格式错误") << 0;
    // A branch no later request could name: the search stops before the orders are asked for.
    QJsonObject nullSuper = switchShopReply(1), floatManager = switchShopReply(1);
    nullSuper.insert("SUPERID", QJsonValue::Null);
    floatManager.insert("EID", 7.5);
    QTest::newRow("switch_shop SUPERID null") << "switch_shop" << nullSuper << QStringLiteral("切换分店失败：编号无效") << 0;
    QTest::newRow("switch_shop EID a float") << "switch_shop" << floatManager << QStringLiteral("切换分店失败：编号无效") << 0;
    QTest::newRow("order_list message") << "order_list" << refused(QStringLiteral("查询失败")) << QStringLiteral("查询失败")
                                        << 0;
    QTest::newRow("no orders") << "order_list" << orderListReply({}) << QStringLiteral("未检索到订单") << 1;
}

void tst_BatchDelete::refusals()
{
    QFETCH(QString, action);
    QFETCH(QJsonObject, reply);
    QFETCH(QString, text);
    QFETCH(int, rowsAfter);
    m_orders = {order(1, QString())};
    search();
    m_service.setHandler(action == "switch_shop" ? "public" : "order", action,
                         [reply](const StandInService::Request &) { return reply; });
    QTest::mouseClick(m_window->findChild<QPushButton *>("searchButton"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_boxes->seen().size(), 1, 10000);
    QCOMPARE(m_boxes->seen().first().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->seen().first().text, text);
    QCOMPARE(m_window->orderListPanel()->tableWidget()->rowCount(), rowsAfter);
}

void tst_BatchDelete::noBranchToNameSendsNothing()
{
    delete m_window;
    Config::k_shops.clear();
    m_window = new BatchDelete();
    m_window->show();
    QTest::mouseClick(m_window->findChild<QPushButton *>("searchButton"), Qt::LeftButton);
    QTRY_VERIFY(m_boxes->texts().contains(QStringLiteral("没有可用的分店")));
    QVERIFY(m_service.requests().isEmpty());
}

void tst_BatchDelete::startNeedsCheckedOrder()
{
    m_orders = {order(1, QString())};
    search();
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    QVERIFY(toastTexts(m_window).contains(QStringLiteral("请选择要删除的订单!")));
    QVERIFY(!m_window->findChild<BatchLoginDialog *>());
}

void tst_BatchDelete::runDeletesAndReportsEachFile()
{
    const QStringList first = makeOrderFolder("share/2024/A1-2_张三");
    QStringList second = makeOrderFolder("share/2024/A2-2_李四");
    QTemporaryDir outside;
    QVERIFY(writeFile(outside.path() + "/other.jpg"));
    QVERIFY(QFile::link(outside.path(), m_root->path() + "share/2024/A1-2_张三/linked"));
    const QStringList untouched = makeOrderFolder("share/2024/untouched");
    m_root->mkpath("share/2024/empty");
    m_orders = {order(1, m_root->path() + "share/2024/A1-2_张三"), order(2, m_root->path() + "share/2024/A2-2_李四"),
                order(3, m_root->path() + "share/2024/untouched"), order(4, m_root->path() + "share/2024/empty")};
    const QString blocked = second.takeFirst();
    m_service.setHandler("order", "delete_pic_before", blockedAtAnnouncement("OP2", blocked));
    search();
    checkRow(0);
    checkRow(1);
    checkRow(3); // an empty folder: nothing to announce
    m_service.clearRequests();
    startRun();
    QCOMPARE(waitForFinalBox(), QStringLiteral("删除结束：成功7个，失败1个\n以下订单部分文件未删除：\n"
                                               "A122-2：1个文件未删除，文件被其他程序占用"));
    QCOMPARE(existing(first + second), 0);
    QCOMPARE(existing(untouched), 4);
    QVERIFY(QFile::exists(blocked + "/inner.jpg"));
    QVERIFY(QFile::exists(outside.path() + "/other.jpg"));
    QVERIFY(QFile::exists(m_root->path() + "share/2024/A1-2_张三/原片/深层/not-listed.jpg"));

    const auto befores = m_service.requests("order", "delete_pic_before");
    QCOMPARE(befores.size(), 2);
    QSet<QString> announced;
    for (const QJsonValue &pic : QJsonDocument::fromJson(befores.at(0).field("pics").toUtf8()).array())
        announced.insert(pic.toObject().value("picpath").toString());
    QCOMPARE(announced, QSet<QString>(first.begin(), first.end()));
    // Each removed file reported once, the one that failed not at all.
    const QStringList gone = first + second;
    QCOMPARE(reportedPaths(), QSet<QString>(gone.begin(), gone.end()));
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 7);

    auto *table = m_window->orderListPanel()->tableWidget();
    QCOMPARE(table->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("4/0/4"));
    QCOMPARE(table->cellWidget(1, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("3/1/4"));
    QCOMPARE(table->cellWidget(2, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/0/0"));
    QVERIFY(m_window->isUserEnabled());
}

// Thousands of hand-offs to the deletion threads and back, each file removed and
// reported once, the journal empty at the end.
void tst_BatchDelete::thousandsOfFilesHandedOn()
{
    QStringList files;
    for (int i = 0; i < 3000; ++i) {
        files << m_root->path() + QStringLiteral("share/A1/原片%1/%2.jpg").arg(i % 7).arg(i);
        QVERIFY(writeFile(files.last()));
    }
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    m_service.clearRequests();
    startRun();
    // A plain event loop, as the application's: no pause between events.
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&]() {
        if (!m_boxes->texts().isEmpty())
            loop.quit();
    });
    check.start(50);
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    QCOMPARE(m_boxes->texts(), QStringList(QStringLiteral("全部删除完成！")));
    QCOMPARE(existing(files), 0);
    QCOMPARE(reportedPaths(), QSet<QString>(files.begin(), files.end()));
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), files.size());
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), 0);
}

void tst_BatchDelete::branchAndSearchFixedDuringRun()
{
    makeOrderFolder("share/A1");
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    // Another branch picked after the search: the run still deletes for the branch that found the order.
    auto *shops = m_window->findChild<QComboBox *>("shopCombo");
    shops->setCurrentIndex(1);
    m_service.setDelay("order", "delete_pic_after", 300);
    m_service.clearRequests();
    startRun();
    QVERIFY(m_service.waitForRequests(3, 10000)); // dologin, delete_pic_before, delete_pic_after
    QVERIFY(!shops->isEnabled());
    QVERIFY(!m_window->findChild<QPushButton *>("searchButton")->isEnabled());
    QTest::keyClick(m_window->findChild<QLineEdit *>("keywordEdit"), Qt::Key_Return);
    m_window->onSearchClick();
    waitForFinalBox();
    QCOMPARE(m_service.requests("public", "switch_shop").size(), 0);
    for (const StandInService::Request &request : m_service.requests()) {
        if (request.action() != QLatin1String("dologin")) {
            QCOMPARE(request.field("shopid"), QStringLiteral("101"));
            QCOMPARE(request.field("eid"), QStringLiteral("E7"));
        }
    }
    QVERIFY(shops->isEnabled());
    search();
    QCOMPARE(m_service.requests("order", "order_list").last().field("eid"), QStringLiteral("E8"));
}

void tst_BatchDelete::reportResentAfterRefusals()
{
    const QStringList files = makeOrderFolder("share/A1");
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    const QString stubborn = files.at(3); // a&b.jpg
    int refusalsLeft = 2;
    m_service.setHandler("order", "delete_pic_after", [&](const StandInService::Request &request) {
        if (request.field("picpath") == stubborn && refusalsLeft-- > 0)
            return refused(QStringLiteral("服务繁忙"));
        return accepted();
    });
    checkRow(0);
    startRun();
    for (int round = 0; round < 2; ++round) {
        QWidget *prompt = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((prompt = findConfirm(QStringLiteral("服务繁忙，需要继续提交吗？"))) != nullptr, 10000);
        // Return answers the primary button: send again.
        QTest::keyClick(prompt->focusWidget() ? prompt->focusWidget() : prompt, Qt::Key_Return);
    }
    QCOMPARE(waitForFinalBox(), QStringLiteral("全部删除完成！"));
    int stubbornReports = 0;
    for (const auto &request : m_service.requests("order", "delete_pic_after"))
        stubbornReports += request.field("picpath") == stubborn ? 1 : 0;
    QCOMPARE(stubbornReports, 3);
    QCOMPARE(m_window->orderListPanel()->tableWidget()->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(),
             QStringLiteral("4/0/4"));
}

void tst_BatchDelete::reportGivenUpCountsAsFailed_data()
{
    QTest::addColumn<bool>("broken"); // answered with a numeric code instead of no JSON at all
    QTest::addColumn<QString>("prompt");
    QTest::newRow("reply not JSON") << false << QStringLiteral("删除信息提交失败，需要继续提交吗？");
    QTest::newRow("reply with a numeric code") << true << QStringLiteral("服务器返回数据格式错误，需要继续提交吗？");
}

void tst_BatchDelete::reportGivenUpCountsAsFailed()
{
    QFETCH(bool, broken);
    QFETCH(QString, prompt);
    const QStringList files = makeOrderFolder("share/A1");
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    auto *table = m_window->orderListPanel()->tableWidget();
    table->selectRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->fileListPanel()->fileModel()->rowCount(), 4, 10000);
    if (broken)
        m_service.setReply("order", "delete_pic_after", QJsonObject{{"code", 1}, {"message", QStringLiteral("成功")}});
    else
        m_service.setFailure("order", "delete_pic_after", StandInService::Failure::NotJson);
    checkRow(0);
    startRun();
    for (int file = 0; file < 4; ++file) {
        QTRY_VERIFY_WITH_TIMEOUT(findConfirm(prompt), 10000);
        QVERIFY(answerConfirm(prompt, false));
    }
    // Gone from the share, so not "not deleted": the box says the records are still owed, and when they go.
    QCOMPARE(waitForFinalBox(), QStringLiteral("删除结束：成功0个，失败4个\n"
                                               "以下订单的文件已从共享目录删除，但删除记录未提交：\n"
                                               "A121-2：4个文件已删除（提交状态失败）\n"
                                               "未提交的删除记录将在下次开始批量删除或重新打开批量删除时自动补交"));
    QCOMPARE(existing(files), 0);
    QCOMPARE(table->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(), QStringLiteral("0/4/4"));
    BatchDeleteFileModel *model = m_window->fileListPanel()->fileModel();
    QCOMPARE(model->data(model->index(0, 3)).toString(), QStringLiteral("提交状态失败"));
    // The row's list of failures says the same of each photo: removed, its record to be sent.
    QTest::mouseClick(qobject_cast<QPushButton *>(table->cellWidget(0, 5)->findChild<QWidget *>("checkFailBtn")),
                      Qt::LeftButton);
    const QString owedLine = QStringLiteral(": 已从共享目录删除，删除记录未提交，将在下次开始批量删除或重新打开批量删除时自动补交");
    QWidget *card = nullptr;
    QTRY_VERIFY((card = findConfirm(owedLine)) != nullptr);
    QStringList titles;
    for (QLabel *label : card->findChildren<QLabel *>())
        titles << label->text();
    QVERIFY2(titles.contains(QStringLiteral("A121-2 删除失败的照片")), qPrintable(titles.join(',')));
    const QStringList lines = card->findChild<QTextBrowser *>()->toPlainText().trimmed().split('\n');
    QCOMPARE(lines.size(), 4);
    for (const QString &line : lines)
        QVERIFY2(line.endsWith(owedLine), qPrintable(line));
    QVERIFY(answerConfirm(owedLine, true));

    // As the box says: the next start sends them first.
    m_service.setFailure("order", "delete_pic_after", StandInService::Failure::None);
    m_service.setReply("order", "delete_pic_after", accepted());
    m_boxes = std::make_unique<LoginDialogWatcher>();
    m_service.clearRequests();
    startRun();
    QCOMPARE(waitForFinalBox(), QStringLiteral("全部删除完成！"));
    QTRY_COMPARE(reportedPaths(), QSet<QString>(files.begin(), files.end()));
    QTRY_COMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), 0);
}

// One run, every kind of end: an order refused whole, one with a file left on
// the share, one removed whole whose record did not get through, one done, and
// one whose folder went mid-run after those.
void tst_BatchDelete::finalBoxSaysWhatIsLeftOnShare()
{
    const QStringList other = makeOrderFolder("share/A9");
    const QString linked = m_root->path() + "share/A1";
    QVERIFY(QFile::link(m_root->path() + "share/A9", linked));
    const QStringList partly = makeOrderFolder("share/A2");
    const QStringList owed = makeOrderFolder("share/A3");
    const QStringList done = makeOrderFolder("share/A4");
    QStringList lost;
    for (int i = 0; i < 12; ++i) {
        lost << m_root->path() + QStringLiteral("share/A5/原片/%1.jpg").arg(i);
        QVERIFY(writeFile(lost.last()));
    }
    m_orders = {order(1, linked), order(2, m_root->path() + "share/A2"), order(3, m_root->path() + "share/A3"),
                order(4, m_root->path() + "share/A4"), order(5, m_root->path() + "share/A5")};
    const QString blocked = partly.first();
    m_service.setHandler("order", "delete_pic_before", blockedAtAnnouncement("OP2", blocked));
    const QString unreported = owed.at(1);
    // The last order's folder is renamed away at its first report.
    const QString lostFolder = m_root->path() + "share/A5";
    m_service.setHandler("order", "delete_pic_after", [unreported, lostFolder](const StandInService::Request &request) {
        if (request.field("order_photo_id") == QLatin1String("OP5"))
            QDir().rename(lostFolder, lostFolder + "-away");
        return request.field("picpath") == unreported ? refused(QStringLiteral("服务繁忙")) : accepted();
    });
    search();
    for (int row = 0; row < 5; ++row)
        checkRow(row);
    startRun();
    QTRY_VERIFY_WITH_TIMEOUT(findConfirm(QStringLiteral("服务繁忙")), 10000);
    QVERIFY(answerConfirm(QStringLiteral("服务繁忙"), false));
    const QString text = waitForFinalBox();
    QStringList away = lost;
    away.replaceInStrings(lostFolder, lostFolder + "-away");
    const int lostLeft = existing(away);
    QVERIFY(lostLeft > 0 && lostLeft < lost.size());
    QCOMPARE(text, QStringLiteral("删除结束：成功%1个，失败%2个\n").arg(10 + lost.size() - lostLeft).arg(2 + lostLeft)
                       + QStringLiteral("以下订单未删除：\nA121-2：") + K::orderFolderLinkMessage(linked)
                       + QStringLiteral("\n以下订单部分文件未删除：\nA122-2：1个文件未删除，文件被其他程序占用\n"
                                        "A125-2：%1个文件未删除，网络路径无法访问\n"
                                        "以下订单的文件已从共享目录删除，但删除记录未提交：\n"
                                        "A123-2：1个文件已删除（提交状态失败）\n"
                                        "未提交的删除记录将在下次开始批量删除或重新打开批量删除时自动补交")
                             .arg(lostLeft));
    QCOMPARE(existing(other), 4);
    QCOMPARE(existing(partly.mid(1) + owed + done), 0);
    QVERIFY(QFile::exists(blocked + "/inner.jpg"));
    // What the box calls owed is what the next opening sends.
    const QList<BatchDeleteJournal::Entry> journal = BatchDeleteJournal::read(BatchDeleteJournal::defaultPath());
    QCOMPARE(journal.size(), 1);
    QCOMPARE(journal.first().filePath, unreported);
}

void tst_BatchDelete::skippedOrdersAreListed_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("secondDeleted");
    QTest::newRow("relative path") << "relative" << "订单目录无效" << true;
    QTest::newRow("share root") << "share root" << "订单目录无效" << true;
    QTest::newRow("outside the root") << "outside" << "订单目录无效" << true;
    QTest::newRow("dot dot") << "dotdot" << "订单目录无效" << true;
    QTest::newRow("order folder links out") << "link" << "订单目录链接到共享目录以外" << true;
    // "=link": the link's refusal, naming the link.
    QTest::newRow("order folder links into another share") << "other share" << "=link" << true;
    QTest::newRow("order folder links into another order") << "other order" << "=link" << true;
    QTest::newRow("year folder links into another order's year") << "year link" << "=link" << true;
    QTest::newRow("year folder link on a mounted share") << "year link mounted" << "=link" << true;
    QTest::newRow("parent links out") << "parent link" << "订单目录链接到共享目录以外" << true;
    QTest::newRow("folder missing") << "missing" << "目录不存在: " << true;
    // "=share": the missing share's message; the folder of the mounted "share" stays.
    QTest::newRow("share named in other case") << "other case" << "=share" << true;
    QTest::newRow("announcement refused") << "refused" << "订单未结单" << true;
    QTest::newRow("announcement answered with a numeric code") << "numeric code" << "服务器返回数据格式错误" << true;
    QTest::newRow("announcement answered without a code") << "no code" << "服务器返回数据格式错误" << true;
    QTest::newRow("announcement lost") << "lost" << "提交数据失败!" << false;
    // The next order's ids come as integers in these: read as digits, and sent.
    QTest::newRow("order photo id a float") << "id 7.5" << "订单数据错误" << true;
    QTest::newRow("order photo id null") << "id null" << "订单数据错误" << true;
    QTest::newRow("order photo id an object") << "id object" << "订单数据错误" << true;
    QTest::newRow("order photo id missing") << "id missing" << "订单数据错误" << true;
    QTest::newRow("order photo id empty") << "id empty" << "订单数据错误" << true;
    QTest::newRow("folder path of 300,000 levels") << "deep" << "路径过长: " << true;
    QTest::newRow("folder name of 256 bytes") << "long name" << "路径过长: " << true;
}

void tst_BatchDelete::skippedOrdersAreListed()
{
    QFETCH(QString, situation);
    QFETCH(QString, reason);
    QFETCH(bool, secondDeleted);
    QTemporaryDir outside;
    const QString root = m_root->path();
    QTemporaryDir shareSource;
    std::unique_ptr<BindMount> mounted;
    std::unique_ptr<ScopedEnvironment> realMountsOnly;
    if (situation.endsWith(" mounted")) {
        realMountsOnly = std::make_unique<ScopedEnvironment>("STUDIO_LOCAL_SHARES");
        mounted = std::make_unique<BindMount>(shareSource.path(), root + "share");
        if (!mounted->isMounted())
            QSKIP("no bind mounts here");
    }
    QStringList kept = makeOrderFolder("share/A1");
    QString netpath = root + "share/A1";
    if (situation == "relative")
        netpath = "share/A1";
    if (situation == "share root")
        kept = makeOrderFolder("share"), netpath = "\\\\nas\\share";
    if (situation == "missing")
        netpath = root + "share/gone";
    if (situation == "other case")
        netpath = root + "SHARE/A1";
    if (reason == "=share")
        reason = K::missingShareMessage(netpath);
    if (QStringList{"outside", "link", "parent link", "dotdot"}.contains(situation)) {
        kept = QStringList(outside.path() + "/A1/1.jpg");
        QVERIFY(writeFile(kept.first()));
        netpath = situation == "dotdot" ? root + "share/../.." + outside.path() + "/A1" : outside.path() + "/A1";
    }
    if (situation == "link")
        QVERIFY(QFile::link(outside.path() + "/A1", netpath = root + "share/linked"));
    if (situation == "other share") {
        kept = makeOrderFolder("other/A1");
        QVERIFY(QFile::link(root + "other/A1", netpath = root + "share/linked"));
    }
    if (situation == "parent link") {
        QVERIFY(QFile::link(outside.path(), root + "share/linked"));
        netpath = root + "share/linked/A1";
    }
    if (situation == "other order") {
        kept = makeOrderFolder("share/A9");
        QVERIFY(QFile::link(root + "share/A9", netpath = root + "share/linked"));
    }
    if (situation.startsWith("year link")) {
        // The other order sits in 2023; 2024 leads there, so "2024/A1" is that order.
        kept = makeOrderFolder("share/2023/A1");
        QVERIFY(QFile::link(root + "share/2023", root + "share/2024"));
        netpath = root + "share/2024/A1";
        reason = K::orderFolderLinkMessage(root + "share/2024");
    }
    if (reason == "=link")
        reason = K::orderFolderLinkMessage(netpath);
    if (situation == "refused")
        m_service.setHandler("order", "delete_pic_before", [](const StandInService::Request &request) {
            return request.field("order_photo_id") == QLatin1String("OP1") ? refused(QStringLiteral("订单未结单"))
                                                                           : accepted();
        });
    if (situation == "lost")
        m_service.setFailure("order", "delete_pic_before", StandInService::Failure::NotJson);
    if (situation == "numeric code" || situation == "no code") {
        // A broken reply whose message would read as a success.
        QJsonObject broken{{"message", QStringLiteral("成功")}};
        if (situation == "numeric code")
            broken.insert("code", 1);
        m_service.setHandler("order", "delete_pic_before", [broken](const StandInService::Request &request) {
            return request.field("order_photo_id") == QLatin1String("OP1") ? broken : accepted();
        });
    }
    if (situation == "deep")
        netpath = root + "share/" + QString("a/").repeated(300000) + "A1";
    if (situation == "long name")
        netpath = root + "share/" + QString(256, QLatin1Char('n'));
    const QStringList second = makeOrderFolder("share/B2");
    m_orders = {order(1, netpath), order(2, m_root->path() + "share/B2")};
    const bool badId = situation.startsWith("id ");
    if (badId) {
        const QJsonValue wrong = situation == "id 7.5"     ? QJsonValue(7.5)
                                 : situation == "id null"  ? QJsonValue(QJsonValue::Null)
                                 : situation == "id empty" ? QJsonValue(QString())
                                                           : QJsonValue(QJsonObject{{"id", "OP1"}});
        if (situation == "id missing")
            m_orders[0].remove("order_photo_id");
        else
            m_orders[0].insert("order_photo_id", wrong);
        m_orders[1].insert("id", 102);
        m_orders[1].insert("order_photo_id", 2);
    }
    search();
    checkRow(0);
    checkRow(1);
    m_service.clearRequests();
    if (badId || reason.startsWith(QStringLiteral("路径过长"))) {
        // Its files are not even listed: the order's row says why.
        m_window->orderListPanel()->tableWidget()->selectRow(0);
        QTRY_VERIFY2(!toastTexts(m_window).filter(QRegularExpression("^" + reason)).isEmpty(),
                     qPrintable(toastTexts(m_window).join('|')));
        // Its folder is listable: a scan, had one started, is over once its overlay is gone.
        QTRY_VERIFY(!FullScreenLoading::getInstance(m_window->fileListPanel()));
        QCOMPARE(m_window->fileListPanel()->fileModel()->rowCount(), 0);
    }
    // The window answers all along: no step is held by the path, however long.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&]() {
        longestStall = qMax(longestStall, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start(20);
    startRun();
    const QString text = waitForFinalBox();
    ticker.stop();
    if (reason.startsWith(QStringLiteral("路径过长")))
        QVERIFY2(longestStall < 1000, qPrintable(QString::number(longestStall)));
    QVERIFY2(text.contains(QStringLiteral("以下订单未删除：\nA121-2：") + reason), qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("A122-2：")), !secondDeleted);
    // Named once, with its own reason: not again among the orders not begun.
    QCOMPARE(text.count(QStringLiteral("A121-2：")), 1);
    QCOMPARE(existing(kept), kept.size());
    QCOMPARE(existing(second), secondDeleted ? 0 : 4);
    for (const StandInService::Request &request : m_service.requests()) {
        if (request.action() == QLatin1String("delete_pic_after")
            || (request.action() == QLatin1String("delete_pic_before")
                && !QStringList{"refused", "lost", "numeric code", "no code"}.contains(situation)))
            QCOMPARE(request.field("order_photo_id"), badId ? QStringLiteral("2") : QStringLiteral("OP2"));
    }
    QVERIFY(m_window->isUserEnabled());
    // Recorded ahead of an announcement that was not accepted: nothing is owed for them.
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), 0);
}

void tst_BatchDelete::refusalReadAfterVerification_data()
{
    QTest::addColumn<QString>("situation");
    // Refused by the run itself, before any request: the verification dialog has gone by then.
    QTest::newRow("share not mounted") << "unmounted";
    QTest::newRow("order folder a link to another order") << "link";
    QTest::newRow("refused by the service") << "refused";
}

// The box saying why nothing was deleted is read on its own, not under the
// verification dialog that led to it.
void tst_BatchDelete::refusalReadAfterVerification()
{
    QFETCH(QString, situation);
    std::unique_ptr<ScopedEnvironment> realMountsOnly;
    if (situation == "unmounted")
        realMountsOnly = std::make_unique<ScopedEnvironment>("STUDIO_LOCAL_SHARES");
    QString folder = m_root->path() + "share/A1";
    QStringList kept = makeOrderFolder("share/A1");
    QString reason = K::missingShareMessage(folder);
    if (situation == "link") {
        kept = makeOrderFolder("share/A2");
        QVERIFY(QFile::link(m_root->path() + "share/A2", folder = m_root->path() + "share/linked"));
        reason = K::orderFolderLinkMessage(folder);
    }
    if (situation == "refused") {
        m_service.setReply("order", "delete_pic_before", refused(QStringLiteral("订单未结单，不能删除")));
        reason = QStringLiteral("订单未结单，不能删除");
    }
    m_orders = {order(1, folder)};
    search();
    checkRow(0);
    startRun();
    const QString text = waitForFinalBox();
    QVERIFY2(text.contains(QStringLiteral("以下订单未删除：\nA121-2：") + reason), qPrintable(text));
    QCOMPARE(m_boxes->seen().last().text, text);
    QCOMPARE(m_boxes->seen().last().under, QStringList());
    QCOMPARE(existing(kept), kept.size());
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), situation == "refused" ? 1 : 0);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
    QVERIFY(m_window->isUserEnabled());
}

void tst_BatchDelete::shareDisappearsDuringRun_data()
{
    QTest::addColumn<QString>("renamed"); // below the root, renamed away at the first report
    QTest::addColumn<QString>("reason");  // "=share": the missing share's message
    QTest::newRow("order folder") << "share/A1" << QStringLiteral("网络路径无法访问");
    QTest::newRow("whole share") << "share" << "=share";
}

void tst_BatchDelete::shareDisappearsDuringRun()
{
    QFETCH(QString, renamed);
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << m_root->path() + QStringLiteral("share/A1/原片/%1.jpg").arg(i);
        QVERIFY(writeFile(files.last()));
    }
    const QStringList second = makeOrderFolder("share/B2");
    const QString from = m_root->path() + renamed;
    m_service.setHandler("order", "delete_pic_after", [from](const StandInService::Request &) {
        QDir().rename(from, from + "-away");
        return accepted();
    });
    m_orders = {order(1, m_root->path() + "share/A1"), order(2, m_root->path() + "share/B2")};
    search();
    checkRow(0);
    checkRow(1);
    startRun();
    QFETCH(QString, reason);
    if (reason == "=share")
        reason = K::missingShareMessage(m_root->path() + "share/A1");
    const QString text = waitForFinalBox();
    // Exactly the files reported are gone from the server; the others are still on it.
    const QSet<QString> reported = reportedPaths();
    QVERIFY(!reported.isEmpty());
    int removed = 0;
    for (const QString &file : files)
        removed += reported.contains(file) ? 1 : 0;
    QVERIFY2(text.contains(QStringLiteral("以下订单部分文件未删除：\nA121-2：%1个文件未删除，").arg(files.size() - removed)
                           + reason),
             qPrintable(text));
    for (const QString &file : files) {
        QString now = file;
        now.replace(from, from + "-away");
        QCOMPARE(QFile::exists(now), !reported.contains(file));
    }
    // The next order goes on as usual, or is listed when the share took it along.
    QCOMPARE(existing(second), 0);
    QCOMPARE(text.contains(QStringLiteral("A122-2：") + K::missingShareMessage(m_root->path() + "share/B2")),
             renamed == "share");
    QCOMPARE(reported.contains(second.first()), renamed != "share");
}

void tst_BatchDelete::smbServerStoppedDuringRun()
{
    SmbShare share;
    SMBSHARE_START(share);
    MountRoot::setPath(QFileInfo(share.sharePath()).path());
    QStringList served;
    for (int i = 0; i < 8; ++i) {
        served << share.servedPath() + QStringLiteral("/orders/A1/原片/%1.jpg").arg(i);
        QVERIFY(writeFile(served.last()));
    }
    bool stopped = false;
    m_service.setHandler("order", "delete_pic_after", [&](const StandInService::Request &) {
        if (!stopped)
            stopped = share.stopServer();
        return accepted();
    });
    m_orders = {order(1, share.sharePath() + "/orders/A1")};
    search();
    checkRow(0);
    startRun();
    const QString text = waitForFinalBox();
    QVERIFY(stopped);
    const int removed = int(reportedPaths().size());
    QVERIFY2(text.contains(QStringLiteral("以下订单部分文件未删除：\nA121-2：%1个文件未删除，网络路径无法访问")
                               .arg(served.size() - removed)),
             qPrintable(text));
    for (const QString &file : served) {
        const QString mounted = share.sharePath() + file.mid(share.servedPath().size());
        QCOMPARE(QFile::exists(file), !reportedPaths().contains(mounted));
    }
    QVERIFY(existing(served) > 0);
}

void tst_BatchDelete::smbServerGoneBeforeRun_data()
{
    QTest::addColumn<bool>("inRoot"); // the share mounted in a local mount root, as on the studio's machines
    QTest::newRow("share listed by its host folder") << false;
    QTest::newRow("share mounted in the mount root") << true;
}

// The share's server went away before the run: its order folder is said
// unreachable, in the file list and at the end of the run, not refused for
// permission, and nothing of it is announced or touched.
void tst_BatchDelete::smbServerGoneBeforeRun()
{
    QFETCH(bool, inRoot);
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    SmbShare share;
    SMBSHARE_START(share);
    std::unique_ptr<BindMount> mounted;
    QString folder = share.sharePath() + "/orders/A1";
    if (inRoot) {
        mounted = std::make_unique<BindMount>(share.sharePath(), m_root->path() + "studio");
        if (!mounted->isMounted())
            QSKIP("no bind mounts here");
        folder = m_root->path() + "studio/orders/A1";
    } else {
        MountRoot::setPath(QFileInfo(share.sharePath()).path());
    }
    QStringList served;
    for (int i = 0; i < 4; ++i) {
        served << share.servedPath() + QStringLiteral("/orders/A1/原片/%1.jpg").arg(i);
        QVERIFY(writeFile(served.last()));
    }
    m_orders = {order(1, folder)};
    search();
    checkRow(0);
    QVERIFY(share.stopServer());
    const QString unreachable = QStringLiteral("共享目录连接失败: %1\n请检查网络连接或共享目录权限").arg(folder);
    m_window->orderListPanel()->tableWidget()->selectRow(0);
    QTRY_VERIFY2_WITH_TIMEOUT(toastTexts(m_window).contains(unreachable), qPrintable(toastTexts(m_window).join('|')),
                              10000);
    startRun();
    const QString text = waitForFinalBox();
    QVERIFY2(text.contains(QStringLiteral("以下订单未删除：\nA121-2：") + unreachable), qPrintable(text));
    QCOMPARE(existing(served), served.size());
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 0);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
}

void tst_BatchDelete::unmountedShareTouchesNothing_data()
{
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("count");     // files of the order
    QTest::addColumn<bool>("wholeCopy"); // the mount point holds a copy of the whole order, not one file
    QTest::newRow("unmounted before the search") << "before search" << 60 << false;
    QTest::newRow("unmounted between search and start") << "after listing" << 60 << false;
    QTest::newRow("unmounted while the run scans the order") << "mid-scan" << 60 << false;
    QTest::newRow("unmounted between the scan and the announcement") << "after scan" << 60 << false;
    QTest::newRow("unmounted while the announcement is out") << "announced" << 60 << true;
    QTest::newRow("unmounted at the first report") << "reported" << 60 << true;
    QTest::newRow("unmounted at the first report, large order") << "reported" << 3000 << true;
}

// The first order's share is a bind mount; unmounted, it leaves its mount
// point behind with what it held before the mount. That order is named with
// the missing share and nothing of it is announced, deleted or reported, nor
// what an earlier run still owes on it; the order on another share goes as usual.
void tst_BatchDelete::unmountedShareTouchesNothing()
{
    QFETCH(QString, when);
    QFETCH(int, count);
    QFETCH(bool, wholeCopy);
    QTemporaryDir source;
    QStringList kept;
    const QString folder = m_root->path() + "share/A1";
    QStringList leftovers;
    for (int i = 0; i < count; ++i) {
        const QString relative = QStringLiteral("/f%1/%2.jpg").arg(i / (count / 30), 2, 10, QLatin1Char('0')).arg(i);
        kept << source.path() + "/A1" + relative;
        QVERIFY(writeFile(kept.last()));
        if (wholeCopy || i == 0)
            leftovers << folder + relative;
    }
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    // Left in the mount point before the mount, they show again after the
    // unmount: Finder's note and the order, or a file of it, an earlier run left there.
    const QString leftover = leftovers.first();
    QVERIFY(writeFile(m_root->path() + "share/.DS_Store"));
    for (const QString &file : leftovers)
        QVERIFY(writeFile(file));
    BindMount mount(source.path(), m_root->path() + "share");
    if (!mount.isMounted())
        QSKIP("no bind mounts here");
    // The other order's share is a real mount too.
    QTemporaryDir otherSource;
    const BindMount otherMount(otherSource.path(), m_root->path() + "other");
    QVERIFY(otherMount.isMounted());
    const QStringList second = makeOrderFolder("other/B2");
    m_orders = {order(1, folder), order(2, m_root->path() + "other/B2")};
    if (when == "before search")
        mount.unmount();
    search();
    m_window->orderListPanel()->tableWidget()->selectRow(0);
    if (when != "before search")
        QTRY_COMPARE_WITH_TIMEOUT(m_window->fileListPanel()->fileModel()->rowCount(), kept.size(), 10000);
    checkRow(0);
    checkRow(1);
    if (when == "after listing")
        mount.unmount();
    pullShareAt = when == "after scan" ? QString() : folder + "/f15";
    pullShare = when == "mid-scan" || when == "after scan" ? &mount : nullptr;
    const auto unhook = qScopeGuard([]() { pullShare = nullptr; });
    // Later still: once the order is announced, or as its first removed file is reported.
    m_service.setHandler("order", when == "announced" ? "delete_pic_before" : "delete_pic_after",
                         [&mount, when](const StandInService::Request &request) {
                             if ((when == "announced" || when == "reported")
                                 && request.field("order_photo_id") == QLatin1String("OP1"))
                                 mount.unmount();
                             return accepted();
                         });
    const bool owed = !mount.isMounted();
    if (owed) {
        // Left by a window now gone: the files may well still be on the unmounted share.
        BatchDeleteJournal gone(BatchDeleteJournal::defaultPath());
        QString error;
        // One of them has a namesake left in the mount point.
        QVERIFY2(gone.record({JournalHolder::entry(folder + "/f00/0.jpg"), JournalHolder::entry(folder + "/f00/1.jpg")},
                             &error),
                 qPrintable(error));
    }
    m_service.clearRequests();
    startRun();
    const QString text = waitForFinalBox();
    // Refused before the announcement it is named as a whole; after it, by the files left.
    const int removed = kept.size() - existing(kept);
    const QString said = when == "announced" ? QStringLiteral("以下订单未删除：\nA121-2：%1个文件未删除，").arg(kept.size())
                         : when == "reported"
                             ? QStringLiteral("以下订单部分文件未删除：\nA121-2：%1个文件未删除，").arg(kept.size() - removed)
                             : QStringLiteral("以下订单未删除：\nA121-2：");
    QVERIFY2(text.contains(said + K::missingShareMessage(folder)), qPrintable(text));
    QVERIFY(!mount.isMounted());
    // Exactly the files reported are gone from the share; the copy in the mount point is whole.
    const QSet<QString> reported = reportedPaths();
    for (const QString &file : kept)
        QCOMPARE(QFile::exists(file), !reported.contains(QString(file).replace(source.path(), m_root->path() + "share")));
    QCOMPARE(existing(leftovers), leftovers.size());
    QVERIFY(QFile::exists(leftover));
    QCOMPARE(existing(kept) < kept.size(), when == "reported");
    QCOMPARE(existing(second), 0);
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), when == "announced" || when == "reported" ? 2 : 1);
    for (const StandInService::Request &request : m_service.requests()) {
        if ((request.action() == QLatin1String("delete_pic_before") && when != "announced" && when != "reported")
            || (request.action() == QLatin1String("delete_pic_after") && when != "reported"))
            QCOMPARE(request.field("order_photo_id"), QStringLiteral("OP2"));
    }
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), owed ? 2 : 0);
}

void tst_BatchDelete::folderSwappedForLinkDeletesNothing()
{
    const QStringList own = makeOrderFolder("share/A1");
    const QStringList other = makeOrderFolder("share/A2");
    // While the announcement is out, A1 is moved away and replaced by a link to A2.
    const QString folder = m_root->path() + "share/A1";
    m_service.setHandler("order", "delete_pic_before", [folder, this](const StandInService::Request &) {
        QDir().rename(folder, folder + "-moved");
        QFile::link(m_root->path() + "share/A2", folder);
        return accepted();
    });
    m_orders = {order(1, folder), order(2, m_root->path() + "share/A2")};
    search();
    checkRow(0);
    startRun();
    const QString text = waitForFinalBox();
    QVERIFY2(text.contains(QStringLiteral("以下订单未删除：\nA121-2：4个文件未删除，文件已不在扫描时的订单目录中")),
             qPrintable(text));
    QCOMPARE(existing(other), 4);
    QStringList moved = own;
    moved.replaceInStrings(folder, folder + "-moved");
    QCOMPARE(existing(moved), 4);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
}

void tst_BatchDelete::undeletableFileSaysWhy_data()
{
    QTest::addColumn<bool>("readOnlyShare");
    QTest::addColumn<QString>("reason");
    QTest::newRow("immutable file") << false << QStringLiteral("没有删除权限");
    QTest::newRow("read-only share") << true << QStringLiteral("共享目录为只读，无法删除");
}

// A file the system refuses to remove, even for root: immutable, or on a
// read-only bind mount.
void tst_BatchDelete::undeletableFileSaysWhy()
{
    QFETCH(bool, readOnlyShare);
    QFETCH(QString, reason);
    const QStringList files = makeOrderFolder("share/A1");
    const QString locked = files.at(2); // 原始档/IMG_0001.CR2
    const QString lockedFolder = QFileInfo(locked).path();
    QStringList undo;
    if (!readOnlyShare) {
        if (QProcess::execute("chattr", {"+i", locked}) != 0)
            QSKIP("no immutable files here");
        undo = QStringList{"chattr", "-i", locked};
    } else {
        if (QProcess::execute("mount", {"--bind", lockedFolder, lockedFolder}) != 0)
            QSKIP("no bind mounts here");
        undo = QStringList{"umount", "-l", lockedFolder};
        if (QProcess::execute("mount", {"-o", "remount,ro,bind", lockedFolder}) != 0) {
            QProcess::execute(undo.first(), undo.mid(1));
            QSKIP("no read-only bind mount here");
        }
    }
    const auto release = qScopeGuard([&undo]() { QProcess::execute(undo.first(), undo.mid(1)); });
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    m_window->orderListPanel()->tableWidget()->selectRow(0);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->fileListPanel()->fileModel()->rowCount(), 4, 10000);
    checkRow(0);
    startRun();
    QCOMPARE(waitForFinalBox(), QStringLiteral("删除结束：成功3个，失败1个\n以下订单部分文件未删除：\n"
                                               "A121-2：1个文件未删除，%1").arg(reason));
    QVERIFY(QFile::exists(locked));
    QVERIFY(!reportedPaths().contains(locked));
    QCOMPARE(reportedPaths().size(), 3);
    BatchDeleteFileModel *model = m_window->fileListPanel()->fileModel();
    int row = 0;
    while (row < model->rowCount() && model->data(model->index(row, 4)).toString() != locked)
        ++row;
    QCOMPARE(model->data(model->index(row, 3)).toString(), reason);
    QCOMPARE(m_window->orderListPanel()->tableWidget()->cellWidget(0, 5)->findChild<QLabel *>("numLab")->text(),
             QStringLiteral("3/1/4"));
}

void tst_BatchDelete::separatorRunsInServicePath_data()
{
    QTest::addColumn<QString>("netpath");
    QTest::addColumn<bool>("doubledRoot");
    QTest::newRow("tripled in the service path") << "\\\\NAS\\share\\\\\\orders\\o1" << false;
    QTest::newRow("doubled at the end") << "\\\\NAS\\share\\orders\\o1\\\\" << false;
    QTest::newRow("mount root given doubled") << "\\\\NAS\\share\\orders\\o1" << true;
}

// Service paths are cleaned once: the files of such an order are deleted and reported.
void tst_BatchDelete::separatorRunsInServicePath()
{
    QFETCH(QString, netpath);
    QFETCH(bool, doubledRoot);
    const QStringList files = makeOrderFolder("share/orders/o1");
    if (doubledRoot) {
        QString root = m_root->path();
        root.insert(root.lastIndexOf(QLatin1Char('/'), -2), QLatin1Char('/'));
        MountRoot::setPath(root);
    }
    m_orders = {order(1, netpath)};
    search();
    checkRow(0);
    startRun();
    QCOMPARE(waitForFinalBox(), QStringLiteral("全部删除完成！"));
    QCOMPARE(existing(files), 0);
    QCOMPARE(reportedPaths().size(), 4);
    for (const QString &path : reportedPaths())
        QVERIFY2(!path.contains(QStringLiteral("//")), qPrintable(path));
}

void tst_BatchDelete::owedReportsSentWhenOpenedAgain_data()
{
    QTest::addColumn<QString>("end"); // how the first window's run ends
    QTest::addColumn<bool>("folderGone"); // the order folder was removed before the tool opened again
    QTest::newRow("reports refused, given up") << "given up" << false;
    QTest::newRow("closed while reports fail") << "closed" << false;
    QTest::newRow("window gone with reports in flight") << "destroyed" << false;
    QTest::newRow("window gone, order folder removed since") << "destroyed" << true;
}

// Files removed whose report never got through are reported when the tool opens
// again, for their own order and branch, and only those.
void tst_BatchDelete::owedReportsSentWhenOpenedAgain()
{
    QFETCH(QString, end);
    QFETCH(bool, folderGone);
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << m_root->path() + QStringLiteral("share/A1/原片/%1.jpg").arg(i);
        QVERIFY(writeFile(files.last()));
    }
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    if (end == "given up")
        m_service.setReply("order", "delete_pic_after", refused(QStringLiteral("服务繁忙")));
    if (end == "closed")
        m_service.setFailure("order", "delete_pic_after", StandInService::Failure::NotJson);
    if (end == "destroyed")
        m_service.setDelay("order", "delete_pic_after", 400);
    startRun();
    if (end == "given up") {
        for (int i = 0; i < files.size(); ++i) {
            QTRY_VERIFY_WITH_TIMEOUT(findConfirm(QStringLiteral("服务繁忙")), 10000);
            QVERIFY(answerConfirm(QStringLiteral("服务繁忙"), false));
        }
        QVERIFY(waitForFinalBox().startsWith(QStringLiteral("删除结束：成功0个，失败12个")));
        delete m_window;
    } else if (end == "closed") {
        QTRY_VERIFY_WITH_TIMEOUT(findConfirm(QStringLiteral("删除信息提交失败")), 10000);
        QVERIFY(!m_window->close());
        QVERIFY(answerConfirm(QStringLiteral("正在批量删除"), true));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), 10000);
        delete m_window;
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.requests("order", "delete_pic_after").isEmpty(), 10000);
        delete m_window;
    }
    QStringList gone;
    for (const QString &file : files) {
        if (!QFile::exists(file))
            gone << file;
    }
    QVERIFY(!gone.isEmpty());
    QVERIFY(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size() >= gone.size());
    if (folderGone) {
        // Every recorded file went with the folder; the share itself is still mounted.
        QVERIFY(QDir(m_root->path() + "share/A1").removeRecursively());
        QVERIFY(writeFile(m_root->path() + "share/B1/原片/1.jpg"));
        gone.clear();
        for (const BatchDeleteJournal::Entry &entry : BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()))
            gone << entry.filePath;
    }

    m_service.setFailure("order", "delete_pic_after", StandInService::Failure::None);
    m_service.setDelay("order", "delete_pic_after", 0);
    m_service.setReply("order", "delete_pic_after", accepted());
    QTest::qWait(500); // late answers to the first window
    m_service.clearRequests();
    m_window = new BatchDelete();
    m_window->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isResendingJournal() && !m_service.requests().isEmpty(), 10000);
    QSet<QString> owed;
    for (const StandInService::Request &request : m_service.requests("order", "delete_pic_after")) {
        owed.insert(request.field("picpath"));
        QCOMPARE(request.field("order_photo_id"), QStringLiteral("OP1"));
        QCOMPARE(request.field("shopid"), QStringLiteral("101"));
        QCOMPARE(request.field("eid"), QStringLiteral("E7"));
        QCOMPARE(request.field("picname"), QFileInfo(request.field("picpath")).fileName());
    }
    // Every removal, none of the files still there, each once.
    QCOMPARE(owed, QSet<QString>(gone.begin(), gone.end()));
    QCOMPARE(m_service.requests().size(), gone.size());
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), 0);
}

// Another program's window holds the journal: this one leaves its entries
// alone, and sends what it owes once that program is gone.
void tst_BatchDelete::owedReportsOfOtherProgramSentOnceItIsGone()
{
    const QStringList files = makeOrderFolder("share/A1");
    delete m_window;
    JournalHolder::Process other(BatchDeleteJournal::defaultPath(), files);
    QCOMPARE(other.line(), QStringLiteral("ready"));
    m_window = new BatchDelete();
    m_window->show();
    // The window's first look at the journal, due at the first turn of the event loop, is over.
    bool turned = false;
    QTimer::singleShot(0, this, [&turned]() { turned = true; });
    QTRY_VERIFY(turned);
    QVERIFY(!m_window->isResendingJournal());
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), files.size());
    QCOMPARE(existing(files), files.size() - 1);
    // A dangling link in a file's place: something is there, no removal to report.
    QVERIFY(QFile::remove(files.last()) && QFile::link(files.last() + ".old", files.last()));

    other.kill();
    QTRY_COMPARE_WITH_TIMEOUT(reportedPaths(), QSet<QString>{files.first()}, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).isEmpty(), 10000);
    QCOMPARE(m_service.requests().size(), 1);
}

void tst_BatchDelete::owedReportRefusedOrUnreachable_data()
{
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QString>("orderPhotoId"); // as recorded
    QTest::newRow("refused with a reason: said once, dropped")
        << true << BatchDeleteStudioData::refused(QStringLiteral("订单已归档")) << QStringLiteral("订单已归档") << "OP1";
    QTest::newRow("numeric code: said broken once, dropped")
        << true << QJsonObject{{"code", 1}, {"message", QStringLiteral("成功")}} << QStringLiteral("服务器返回数据格式错误")
        << "OP1";
    QTest::newRow("no answer: still owed") << false << QJsonObject() << QString() << "OP1";
    QTest::newRow("recorded without a usable id: never sent, said once, dropped")
        << true << accepted() << QStringLiteral("编号无效") << "";
}

void tst_BatchDelete::owedReportRefusedOrUnreachable()
{
    QFETCH(bool, refused);
    QFETCH(QJsonObject, reply);
    QFETCH(QString, reason);
    QFETCH(QString, orderPhotoId);
    const QString removed = makeOrderFolder("share/A1").first();
    QVERIFY(QFile::remove(removed));
    delete m_window;
    {
        BatchDeleteJournal journal(BatchDeleteJournal::defaultPath());
        journal.load();
        QString error;
        BatchDeleteJournal::Entry entry = JournalHolder::entry(removed);
        entry.orderPhotoId = orderPhotoId;
        QVERIFY2(journal.record({entry}, &error), qPrintable(error));
    }
    if (refused)
        m_service.setReply("order", "delete_pic_after", reply);
    else
        m_service.setFailure("order", "delete_pic_after", StandInService::Failure::NoAnswer);
    m_window = new BatchDelete();
    m_window->show();
    QTRY_VERIFY_WITH_TIMEOUT(!m_service.requests("order", "delete_pic_after").isEmpty() || orderPhotoId.isEmpty(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isResendingJournal(), 40000);
    const QString box = removed + QStringLiteral("：") + reason;
    if (refused)
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().join('\n').contains(box), 10000);
    QCOMPARE(m_service.requests("order", "delete_pic_after").isEmpty(), orderPhotoId.isEmpty());
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), refused ? 0 : 1);

    // Opened again: a dropped report is neither sent nor shown again.
    delete m_window;
    m_service.setFailure("order", "delete_pic_after", StandInService::Failure::None);
    m_service.setReply("order", "delete_pic_after", accepted());
    m_service.clearRequests();
    const int boxes = m_boxes->texts().size();
    m_window = new BatchDelete();
    m_window->show();
    if (!refused)
        QTRY_COMPARE_WITH_TIMEOUT(reportedPaths(), QSet<QString>{removed}, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).isEmpty(), 10000);
    QCOMPARE(m_service.requests().size(), refused ? 0 : 1);
    QCOMPARE(m_boxes->texts().size(), boxes);
}

// The entry of a file is on disk before the file is removed: with the GUI thread
// held, a file the pool removed is already in the journal file.
void tst_BatchDelete::recordedBeforeRemoval()
{
    const QStringList files = makeOrderFolder("share/A1");
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    m_window->orderListPanel()->tableWidget()->selectRow(0);
    BatchDeleteFileModel *model = m_window->fileListPanel()->fileModel();
    QTRY_COMPARE_WITH_TIMEOUT(model->rowCount(), 4, 10000);
    checkRow(0);
    QString removed;
    QByteArray journalThen;
    connect(model, &QAbstractItemModel::dataChanged, this, [&](const QModelIndex &from) {
        // The second file handed on: the first one's thread was started just before.
        if (!removed.isEmpty() || from.row() != 1 || model->data(from, Qt::UserRole).toInt() != Deleting)
            return;
        const QString first = model->data(model->index(0, 4)).toString();
        QElapsedTimer clock;
        clock.start();
        while (QFile::exists(first) && clock.elapsed() < 5000)
            QThread::msleep(1);
        QFile journal(BatchDeleteJournal::defaultPath());
        if (journal.open(QIODevice::ReadOnly))
            journalThen = journal.readAll();
        removed = first;
    });
    startRun();
    QCOMPARE(waitForFinalBox(), QStringLiteral("全部删除完成！"));
    QVERIFY(!removed.isEmpty());
    QVERIFY(journalThen.contains(BatchDeleteJournal::recordLine({{"101", "E7", "S9"}, "OP1", removed,
                                                                 QFileInfo(removed).fileName()})));
    QCOMPARE(existing(files), 0);
    QCOMPARE(BatchDeleteJournal::read(BatchDeleteJournal::defaultPath()).size(), 0);
}

void tst_BatchDelete::unrecordableRunRemovesNothing_data()
{
    QTest::addColumn<QString>("journal"); // what keeps the journal from being written
    QTest::addColumn<QString>("why");
    QTest::newRow("a folder in the journal's place") << "folder" << QStringLiteral("同名的目录占着这个位置");
    QTest::newRow("journal folder read-only") << "read-only" << QStringLiteral("所在磁盘为只读");
    QTest::newRow("journal folder read-only, window opened since") << "read-only, reopened"
                                                                    << QStringLiteral("所在磁盘为只读");
    QTest::newRow("journal folder unmade, its folder read-only") << "unmade, reopened"
                                                                 << QStringLiteral("无法创建所在目录，所在磁盘为只读");    QTest::newRow("journal folder full") << "full" << QStringLiteral("磁盘空间不足");
    QTest::newRow("journal folder full, window opened since") << "full, reopened" << QStringLiteral("磁盘空间不足");
    QTest::newRow("a file in the journal folder's place")
        << "file" << QStringLiteral("无法创建所在目录，") + QString::fromLocal8Bit(std::strerror(ENOTDIR));
}

// Nothing is announced before the journal took the files: the run stops
// saying why the record cannot be written, with every file still there.
void tst_BatchDelete::unrecordableRunRemovesNothing()
{
    QFETCH(QString, journal);
    QFETCH(QString, why);
    const QStringList files = makeOrderFolder("share/A1");
    const QString path = BatchDeleteJournal::defaultPath();
    std::unique_ptr<BindMount> readOnly;
    std::unique_ptr<SmallTmpfs> full;
    // Taken away even when a check fails: the tests after this one need the journal.
    const auto fileGone = qScopeGuard([&] {
        if (journal == "file")
            QFile::remove(QFileInfo(path).path());
    });
    if (journal == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else if (journal.startsWith("full")) {
        // The journal opens there; what is written to it does not fit. Opened
        // since, the window cannot even write the journal's lock.
        if (journal.endsWith("reopened"))
            delete m_window;
        full = std::make_unique<SmallTmpfs>(QFileInfo(path).path());
        if (!full->isMounted() || !full->fill())
            QSKIP("no tmpfs here");
        if (!m_window) {
            m_window = new BatchDelete();
            m_window->show();
        }
    } else if (journal == "file") {
        delete m_window;
        QVERIFY(QDir(QFileInfo(path).path()).removeRecursively() && writeFile(QFileInfo(path).path()));
        m_window = new BatchDelete();
        m_window->show();
    } else {
        if (journal.endsWith("reopened"))
            delete m_window;
        QString folder = QFileInfo(path).path();
        if (journal.startsWith("unmade")) {
            QVERIFY(QDir(folder).removeRecursively());
            folder = QFileInfo(folder).path();
        }
        readOnly = std::make_unique<BindMount>(folder, folder);
        if (!readOnly->makeReadOnly())
            QSKIP("no read-only bind mount here");
        if (!m_window) {
            m_window = new BatchDelete();
            m_window->show();
        }
    }
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    startRun();
    const QString text = waitForFinalBox();
    QCOMPARE(text.section(QLatin1Char('\n'), 0, 0), QStringLiteral("无法写入删除记录，删除已停止：") + path + "：" + why);
    QVERIFY(text.contains(QStringLiteral("A121-2：无法写入删除记录")));
    QCOMPARE(existing(files), 4);
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 0);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
    QVERIFY(m_window->isUserEnabled());
    readOnly.reset();
    full.reset();
    if (journal == "folder")
        QVERIFY(QDir(path).removeRecursively());
}

void tst_BatchDelete::cancelledVerificationStartsNothing()
{
    const QStringList files = makeOrderFolder("share/A1");
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    QTest::mouseClick(m_window->findChild<QPushButton *>("startButton"), Qt::LeftButton);
    verifyAccount(QStringLiteral("wrong"));
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("密码错误")), 10000);
    m_window->findChild<BatchLoginDialog *>()->handleCancel();
    QVERIFY(dialogAnswersRun());
    QVERIFY(m_window->isUserEnabled());
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 0);
    QCOMPARE(existing(files), 4);
}

// The journal's disk fills once the order's first batch is recorded: the run
// stops at the next batch. The box names what went and what stayed of that
// order, and the order after it as not begun.
void tst_BatchDelete::runStoppedMidOrderKeepsWhatItRemoved()
{
    QStringList files;
    for (int i = 0; i < 1100; ++i) {
        files << m_root->path() + QStringLiteral("share/A1/原片%1/%2.jpg").arg(i % 5).arg(i);
        QVERIFY(writeFile(files.last()));
    }
    const QStringList second = makeOrderFolder("share/A2");
    delete m_window;
    const QString path = BatchDeleteJournal::defaultPath();
    SmallTmpfs disk(QFileInfo(path).path(), QStringLiteral("4m"));
    if (!disk.isMounted())
        QSKIP("no tmpfs here");
    // The window's journal is open on the disk: it goes first, or the disk stays mounted.
    const auto windowFirst = qScopeGuard([this]() { delete m_window; });
    m_window = new BatchDelete();
    m_window->show();
    m_service.setHandler("order", "delete_pic_before", [&disk](const StandInService::Request &) {
        disk.fill();
        return accepted();
    });
    m_orders = {order(1, m_root->path() + "share/A1"), order(2, m_root->path() + "share/A2")};
    search();
    checkRow(0);
    checkRow(1);
    startRun();
    const QString text = waitForFinalBox();
    const QString stop = text.section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(stop.startsWith(QStringLiteral("无法写入删除记录，删除已停止：") + path), qPrintable(stop));
    const int left = existing(files);
    QVERIFY(left > 0 && left < files.size());
    QCOMPARE(text, stop + QStringLiteral("\n删除结束：成功%1个，失败0个\n").arg(files.size() - left)
                       + QStringLiteral("以下订单未删除：\nA122-2：未开始删除\n以下订单部分文件未删除：\nA121-2：%1个文件未删除，")
                             .arg(left)
                       + stop);
    QCOMPARE(existing(second), 4);
    QCOMPARE(int(reportedPaths().size()), files.size() - left);
}

void tst_BatchDelete::closeDuringRunAsksThenSendsReports_data()
{
    QTest::addColumn<bool>("answered"); // the reports answered, or never: the time-out ends the wait
    QTest::newRow("reports answered") << true;
    QTest::newRow("reports never answered") << false;
}

void tst_BatchDelete::closeDuringRunAsksThenSendsReports()
{
    QFETCH(bool, answered);
    const BaseReq::Limits saved = BaseReq::limits();
    const auto restore = qScopeGuard([saved]() { BaseReq::setLimits(saved); });
    if (!answered)
        BaseReq::setLimits({1500, 2000, 1500, 2000});
    QStringList files;
    for (int i = 0; i < 20; ++i) {
        files << m_root->path() + QStringLiteral("share/A1/%1.jpg").arg(i);
        QVERIFY(writeFile(files.last()));
    }
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    // Reports on their way while the window is closed: it waits for them.
    if (answered)
        m_service.setDelay("order", "delete_pic_after", 1000);
    else
        m_service.setFailure("order", "delete_pic_after", StandInService::Failure::NoAnswer);
    startRun();
    QVERIFY(m_service.waitForRequests(m_service.requests().size() + 3, 10000));
    QVERIFY(!m_window->close());
    QTRY_VERIFY(findConfirm(QStringLiteral("正在批量删除")));
    QVERIFY(m_window->isVisible());
    QVERIFY(answerConfirm(QStringLiteral("正在批量删除"), true));
    // At once it says that it is finishing, not a window that looks stuck.
    QVERIFY(m_window->isVisible());
    FullScreenLoading *overlay = FullScreenLoading::getInstance(m_window);
    QVERIFY(overlay && overlay->isVisible());
    QCOMPARE(overlay->message(), QStringLiteral("正在提交删除记录，完成后自动关闭..."));
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isVisible(), 10000);
    QTest::qWait(300);
    // Every removed file was reported before the window went; no other file was touched.
    for (const QString &file : files)
        QCOMPARE(QFile::exists(file), !reportedPaths().contains(file));
    QVERIFY(existing(files) > 0);
}

void tst_BatchDelete::windowDestroyedDuringRunStopsFurtherSteps()
{
    const QStringList files = makeOrderFolder("share/A1");
    makeOrderFolder("share/A2");
    m_orders = {order(1, m_root->path() + "share/A1"), order(2, m_root->path() + "share/A2")};
    search();
    checkRow(0);
    checkRow(1);
    m_service.setFailure("order", "delete_pic_before", StandInService::Failure::NoAnswer);
    m_service.clearRequests();
    startRun();
    QVERIFY(m_service.waitForRequests(2, 10000)); // dologin, delete_pic_before
    QVERIFY(!m_window->isUserEnabled());
    delete m_window;
    QTest::qWait(200);
    QCOMPARE(existing(files), 4);
    QCOMPARE(m_service.requests("order", "delete_pic_before").size(), 1);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
}

void tst_BatchDelete::ordersReplacedDuringAnnouncementStopRun()
{
    const QStringList files = makeOrderFolder("share/A1");
    m_orders = {order(1, m_root->path() + "share/A1")};
    search();
    checkRow(0);
    // Orders replaced behind the window's back while the announcement is out.
    QPointer<BatchDelete> window = m_window;
    m_service.setHandler("order", "delete_pic_before", [window](const StandInService::Request &) {
        window->orderListPanel()->clearOrders();
        BatchDeleteOrderInfo other;
        other.order_photo_id = QStringLiteral("OP99");
        window->orderListPanel()->addOrder(other);
        return accepted();
    });
    startRun();
    const QString text = waitForFinalBox();
    QVERIFY2(text.startsWith(QStringLiteral("订单列表已变化")), qPrintable(text));
    QVERIFY(m_window->isUserEnabled());
    QCOMPARE(existing(files), 4);
    QCOMPARE(m_service.requests("order", "delete_pic_after").size(), 0);
}

void tst_BatchDelete::statusColoursDrawn()
{
    BatchDelete_FileListWidget panel;
    panel.resize(1200, 400);
    panel.show();
    QList<BatchDeleteFileInfo> files;
    for (int status : {int(Deleted), int(SubmitFailed), int(FileOccupied)}) {
        BatchDeleteFileInfo file;
        file.fileName = QStringLiteral("IMG.JPG");
        file.status = status;
        file.index = files.size();
        files << file;
    }
    panel.setFiles(files);
    QTableView *table = panel.tableView();
    const QImage image = table->viewport()->grab().toImage();
    for (int row = 0; row < files.size(); ++row) {
        const QColor colour(BatchDeleteFileModel::getStatusColor(FileDeleteStatus(files.at(row).status)));
        const QRect cell = table->visualRect(panel.fileModel()->index(row, 3));
        bool found = false;
        for (int x = cell.left(); x <= cell.right() && !found; ++x) {
            for (int y = cell.top(); y <= cell.bottom() && !found; ++y) {
                const QColor pixel(image.pixel(x, y));
                const int hueGap = qAbs(pixel.hue() - colour.hue());
                found = pixel.saturation() > 150 && qMin(hueGap, 360 - hueGap) < 8;
            }
        }
        QVERIFY2(found, qPrintable(colour.name()));
    }
    // The counter cell's label keeps its room beside a shown progress bar.
    BatchDelete_OrderListWidget orders;
    orders.resize(1200, 400);
    orders.show();
    BatchDeleteOrderInfo order;
    order.order_photo_id = QStringLiteral("OP1");
    orders.addOrder(order);
    orders.refreshOrderFiles(QStringLiteral("OP1"), QVector<BatchDeleteFileInfo>(20000, files.first()).toList());
    orders.deleteRefreshOrder(order, files.first());
    QWidget *cell = orders.tableWidget()->cellWidget(0, 5);
    auto *label = cell->findChild<QLabel *>("numLab");
    QTRY_VERIFY(cell->findChild<QWidget *>("progressBar")->isVisible() && cell->width() > 100);
    const QRect bar = cell->findChild<QWidget *>("progressBar")->geometry();
    QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(label->text()));
    QVERIFY(!label->geometry().intersects(bar));
    QVERIFY(cell->rect().contains(bar));
}

void tst_BatchDelete::closingDateCalendarAndSearch()
{
    m_window->findChild<QComboBox *>("searchTypeCombo")->setCurrentIndex(1);
    auto *edit = m_window->findChild<QDateEdit *>("closingDateEdit");
    edit->setDate(QDate(2026, 8, 1)); // a month over six calendar weeks
    QVERIFY(edit->isReadOnly());
    QTest::mouseClick(edit, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTRY_VERIFY(edit->calendarWidget() && edit->calendarWidget()->isVisible());
    QTRY_VERIFY(edit->isReadOnly());
    QPointer<QCalendarWidget> custom = m_window->showCustomCalendar(edit, QPoint(10, 10));
    for (QCalendarWidget *calendar : {edit->calendarWidget(), custom.data()}) {
        auto *days = calendar->findChild<QTableView *>();
        const QRect lastWeek = days->visualRect(days->model()->index(6, 3));
        QVERIFY(days->viewport()->rect().contains(lastWeek));
        QVERIFY(lastWeek.height() >= days->fontMetrics().height());
    }
    emit custom->clicked(QDate(2023, 12, 31));
    QTRY_VERIFY(!custom);
    m_orders = {order(1, QString())};
    search();
    QCOMPARE(m_service.requests("order", "order_list").first().field("keyword"), QStringLiteral("2023-12-31"));
    QCOMPARE(m_service.requests("order", "order_list").first().field("searchtype"), QStringLiteral("6"));
}

void tst_BatchDelete::personIdsCollected()
{
    m_orders = {order(1, QString())};
    // Ids given as numbers are their digits; persons without a usable id are not offered.
    m_service.setReply("public", "switch_shop",
                       QJsonObject{{"code", "1"}, {"is_all_del_photo", 1}, {"SUPERID", 9}, {"EID", 7}});
    m_service.setHandler("public", "switch_shop", StandInService::Handler());
    search();
    m_service.setReply("order", "get_persons",
                       QJsonObject{{"code", "1"},
                                   {"persons", QJsonArray{QJsonObject{{"id", "p1"}, {"name", "甲"}}, QJsonObject{{"id", 12}},
                                                          QJsonObject{{"id", QJsonValue::Null}}, QJsonObject{{"id", 1.5}},
                                                          QJsonObject{{"id", ""}}, QJsonObject{{"id", "p2"}, {"name", "乙"}}}}});
    m_service.clearRequests();
    m_window->reqTiaoseList();
    QVERIFY(m_service.waitForRequests(1, 10000));
    QTRY_COMPARE(m_window->personIds(), QStringList({QString(), "p1", "12", "p2"}));
    QCOMPARE(m_service.requests().first().field("personid"), QStringLiteral("7"));
    QCOMPARE(m_service.requests().first().field("superid"), QStringLiteral("9"));
    // A numeric code makes the reply broken: its message is no reason.
    m_service.setReply("order", "get_persons", QJsonObject{{"code", 1}, {"message", QStringLiteral("成功")}});
    m_window->reqTiaoseList();
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->texts().contains(QStringLiteral("服务器返回数据格式错误")), 10000);
    QCOMPARE(m_window->personIds().size(), 4);
}


int main(int argc, char **argv)
{
    int code = 0;
    if (JournalHolder::runIfAsked(argc, argv, &code))
        return code;
    ScanWatchingApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_BatchDelete test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_BatchDelete.moc"
