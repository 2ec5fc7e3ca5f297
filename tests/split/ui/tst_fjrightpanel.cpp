#include "app/core/Config.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"
#include "split/ui/naming/FolderNamingRule.h"
#include "support/SplitStudioData.h"
#include "support/StandInService.h"
#include "widgets/ThumbnailTableView.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableWidget>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include "widgets/ElementButton.h"
#include <QtTest>

namespace Data = SplitStudioData;

namespace {

// Answers the directory dialog without showing it.
class ScriptedRightPanel : public FJRightPanel
{
public:
    using FJRightPanel::FJRightPanel;
    QString answer;
    int asked = 0;

protected:
    QString askDirectory() override
    {
        ++asked;
        return answer;
    }
};

const char kStoredRule[] = R"([{"name":"产品名称","key":"goods_name","separator":"-"},{"name":"订单号","key":"orderpayforkey","separator":""}])";

} // namespace

class tst_FJRightPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void modes_data();
    void modes();
    void deliveryOptions();
    void rawFilePickShowsTheOrder();
    void rawFileSelectionReachesTheOrderList();
    void startWithoutDirectory();
    void startWithoutTickedOrder();
    void ruleLoads_data();
    void ruleLoads();
    void saveRule();
    void saveKeepsWhatWasSent();
    void saveRefused_data();
    void saveRefused();
    void calendarPosition_data();
    void calendarPosition();
    void datePopup();

private:
    FJHome *makeWindow(DesignFileSplitTypes mode);
    QMessageBox *warning(QWidget *root) const
    {
        const auto boxes = root->findChildren<QMessageBox *>(QStringLiteral("fjWarning"));
        return boxes.isEmpty() ? nullptr : boxes.last();
    }
    void fillOrders(int count);

    StandInService *m_service = nullptr;
    FJHome *m_window = nullptr;
};

void tst_FJRightPanel::init()
{
    Data::installShops();
    Config::k_shops[1].goodsfoldernamerule = QString::fromUtf8(kStoredRule);
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
}

void tst_FJRightPanel::cleanup()
{
    delete m_window;
    m_window = nullptr;
    delete m_service;
    m_service = nullptr;
}

FJHome *tst_FJRightPanel::makeWindow(DesignFileSplitTypes mode)
{
    m_window = new FJHome();
    m_window->splitType = mode;
    m_window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("工具")}});
    return m_window;
}

void tst_FJRightPanel::fillOrders(int count)
{
    FJLeftPanel *left = m_window->leftPanel;
    left->tableWidget->setRowCount(count);
    for (int i = 0; i < count; ++i) {
        QJsonObject element = Data::order(i + 1);
        if (i == 1) {
            element.insert(QStringLiteral("iszsysd"), QStringLiteral("0"));
            element.insert(QStringLiteral("iszsjx"), QStringLiteral("1"));
        }
        left->orderList.append(OrderData::fromJson(element));
        left->addOrder(left->orderList.last(), i);
    }
}

void tst_FJRightPanel::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("startText");
    QTest::addColumn<bool>("editor");
    QTest::addColumn<bool>("sections");
    QTest::addColumn<bool>("options");
    QTest::newRow("设计分件") << int(DesignSplit) << QStringLiteral("开始分件") << true
                          << false << false;
    QTest::newRow("下载原始档") << int(DownloadOriginals) << QStringLiteral("开始下载")
                           << false << true << false;
    QTest::newRow("下载选片结果") << int(DownloadSelectionResults) << QStringLiteral("开始分件") << false << false << false;
    QTest::newRow("下载照片交付") << int(DownloadPhotoDelivery) << QStringLiteral("开始分件") << false << false << true;
}

void tst_FJRightPanel::modes()
{
    QFETCH(int, mode);
    QFETCH(QString, startText);
    QFETCH(bool, editor);
    QFETCH(bool, sections);
    QFETCH(bool, options);
    makeWindow(DesignFileSplitTypes(mode));
    FJRightPanel *right = m_window->rightPanel;
    QCOMPARE(right->startButton->text(), startText);
    QCOMPARE(right->shopComboBox->itemText(1), QStringLiteral("二店"));
    QCOMPARE(right->shopId, QStringLiteral("11"));
    QCOMPARE(bool(right->findChild<FolderNamingRule *>()), editor);
    QCOMPARE(bool(right->findChild<ThumbnailTableView *>()), sections);
    QCOMPARE(bool(right->findChild<QCheckBox *>(QStringLiteral("fullRetouchCheckBox"))), options);
    QCOMPARE(m_window->leftPanel->splitType, mode);

    // A run locks the search, directory and start inputs (and the delivery options), nothing else.
    QList<QWidget *> inputs{right->shopComboBox,   right->searchTypeComboBox, right->searchLineEdit,
                            right->shotDateEdit,   right->selectDateEdit,     right->chooseDirButton,
                            right->startButton,    right->searchButton};
    if (options)
        inputs << right->rawFileCheckBox << right->originalImageCheckBox << right->simpleRetouchCheckBox
               << right->simpleRetouchRejectsCheckBox << right->fullRetouchCheckBox;
    auto lockedWidgets = [right] {
        QList<QWidget *> locked;
        for (QWidget *widget : right->findChildren<QWidget *>())
            if (!widget->isEnabled() && widget->parentWidget()->isEnabled())
                locked << widget;
        std::sort(locked.begin(), locked.end());
        return locked;
    };
    right->setBtnEnable(false);
    std::sort(inputs.begin(), inputs.end());
    QCOMPARE(lockedWidgets(), inputs);
    right->setBtnEnable(true);
    QVERIFY(lockedWidgets().isEmpty());

    m_window->resize(1100, 700);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    const QList<int> sizes = m_window->splitter->sizes();
    // Raw-file downloads give the photo sections the larger share.
    if (mode == DownloadOriginals)
        QVERIFY(sizes.at(1) > sizes.at(0));
    else
        QVERIFY(sizes.at(0) > sizes.at(1));
}

void tst_FJRightPanel::deliveryOptions()
{
    makeWindow(DownloadPhotoDelivery);
    fillOrders(2);
    FJRightPanel *right = m_window->rightPanel;
    QStringList checked;
    for (QCheckBox *box : right->findChildren<QCheckBox *>())
        if (box->isChecked())
            checked << box->text();
    QCOMPARE(checked, QStringList{QStringLiteral("精修")});
    // Picking an order sets "原始档" and "简修" from the order and leaves the others.
    right->originalImageCheckBox->setChecked(true);
    m_window->leftPanel->tableWidget->cellWidget(0, 0)->findChild<QCheckBox *>()->setChecked(true);
    QVERIFY(right->rawFileCheckBox->isChecked());
    QVERIFY(!right->simpleRetouchCheckBox->isChecked());
    m_window->leftPanel->tableWidget->cellWidget(1, 0)->findChild<QCheckBox *>()->setChecked(true);
    QVERIFY(!right->rawFileCheckBox->isChecked());
    QVERIFY(right->simpleRetouchCheckBox->isChecked());
    QVERIFY(right->originalImageCheckBox->isChecked());
    QVERIFY(right->fullRetouchCheckBox->isChecked());
    right->setBtnEnable(false);
    QVERIFY(!right->fullRetouchCheckBox->isEnabled());
    right->setBtnEnable(true);
    QVERIFY(right->fullRetouchCheckBox->isEnabled());
}

void tst_FJRightPanel::rawFilePickShowsTheOrder()
{
    makeWindow(DownloadOriginals);
    FJRightPanel *right = m_window->rightPanel;
    fillOrders(2);
    emit m_window->leftPanel->orderSelected(1, false);
    QCOMPARE(right->currentOrderRow, -1);
    emit m_window->leftPanel->orderSelected(1, true);
    QCOMPARE(right->currentOrderRow, 1);
    QCOMPARE(right->currentOrder.orderpayforkey, Data::orderNumber(2));
    QCOMPARE(right->undownloadTitleLabel->text(),
             QStringLiteral("未下载:  (2张)  FJ1002-3  王强2  李娜2  摄影赵"));
    QCOMPARE(right->downloadedTitleLabel->text(),
             QStringLiteral("已下载:  (1张)  FJ1002-3  王强2  李娜2  摄影赵"));

    QSignalSpy changes(right, &FJRightPanel::downAndUnDownImgSelectedChange);
    QTest::mouseClick(right->undownloadSelectAllButton, Qt::LeftButton);
    QCOMPARE(changes.size(), 1);
}

void tst_FJRightPanel::rawFileSelectionReachesTheOrderList()
{
    makeWindow(DownloadOriginals);
    fillOrders(2);
    FJRightPanel *right = m_window->rightPanel;
    emit m_window->leftPanel->orderSelected(0, true);
    QSignalSpy changes(right, &FJRightPanel::downAndUnDownImgSelectedChange);
    QTest::mouseClick(right->downloadedSelectAllButton, Qt::LeftButton);
    right->onUndownloadSelectionChanged(1, true);
    // An index the list does not have changes nothing.
    right->onUndownloadSelectionChanged(7, true);
    QCOMPARE(changes.size(), 2);
    const OrderData &stored = m_window->leftPanel->orderList.at(0);
    QVERIFY(stored.downImgList.at(0).selected && stored.undownImgList.at(1).selected);
    QVERIFY(!stored.undownImgList.at(0).selected);
    QVERIFY(!m_window->leftPanel->orderList.at(1).downImgList.at(0).selected);
    QTest::mouseClick(right->undownloadSelectAllButton, Qt::LeftButton);
    right->onUndownloadSelectionChanged(0, false);
    QVERIFY(!m_window->leftPanel->orderList.at(0).undownImgList.at(0).selected);
    QVERIFY(m_window->leftPanel->orderList.at(0).undownImgList.at(1).selected);

    // Picking the order again shows the stored marks.
    emit m_window->leftPanel->orderSelected(0, true);
    QVERIFY(right->currentOrder.undownImgList.at(1).selected);
    // After a new search the row holds another order: nothing is written over it.
    m_window->leftPanel->orderList[0] = OrderData::fromJson(Data::order(8));
    QTest::mouseClick(right->undownloadClearAllButton, Qt::LeftButton);
    QCOMPARE(m_window->leftPanel->orderList.at(0).orderpayforkey, Data::orderNumber(8));
}

void tst_FJRightPanel::startWithoutDirectory()
{
    ScriptedRightPanel panel;
    panel.setSplitType(DownloadOriginals);
    QSignalSpy starts(&panel, &FJRightPanel::startProcessRequested);
    panel.answer = QStringLiteral("/tmp/out");
    QTest::mouseClick(panel.startButton, Qt::LeftButton);
    QTRY_VERIFY(warning(&panel));
    QCOMPARE(warning(&panel)->text(), QStringLiteral("请选择分件目录后再点击开始分件按钮"));
    QCOMPARE(panel.asked, 0);
    warning(&panel)->button(QMessageBox::Ok)->click();
    QTRY_COMPARE(panel.asked, 1);
    QCOMPARE(panel.dirPath, QStringLiteral("/tmp/out"));
    QCOMPARE(starts.size(), 0);
    QTest::mouseClick(panel.startButton, Qt::LeftButton);
    QCOMPARE(starts.size(), 1);

    // A cancelled dialog keeps the earlier choice.
    panel.answer.clear();
    QTest::mouseClick(panel.chooseDirButton, Qt::LeftButton);
    QCOMPARE(panel.dirPath, QStringLiteral("/tmp/out"));
}

void tst_FJRightPanel::startWithoutTickedOrder()
{
    makeWindow(DesignSplit);
    fillOrders(2);
    m_window->rightPanel->dirPath = QStringLiteral("/tmp/out");
    QTest::mouseClick(m_window->rightPanel->startButton, Qt::LeftButton);
    QTRY_VERIFY(warning(m_window));
    QCOMPARE(warning(m_window)->text(), QStringLiteral("请选择需要分件的订单"));
    QVERIFY(m_window->rightPanel->startButton->isEnabled());
    QVERIFY(m_window->leftPanel->tableWidget->isEnabled());
    QVERIFY(m_service->requests().isEmpty());
}

void tst_FJRightPanel::ruleLoads_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("entries");
    QTest::newRow("rule") << QString::fromUtf8(kStoredRule) << 2;
    QTest::newRow("empty array") << QStringLiteral("[]") << 0;
    QTest::newRow("empty text") << QString() << 0;
    QTest::newRow("object") << QStringLiteral("{\"name\":\"x\"}") << 0;
    QTest::newRow("broken") << QStringLiteral("[{") << 0;
}

void tst_FJRightPanel::ruleLoads()
{
    QFETCH(QString, stored);
    QFETCH(int, entries);
    // The branch shown when the window opens brings its rule at once.
    Config::k_shops[0].goodsfoldernamerule = stored;
    makeWindow(DesignSplit);
    FJRightPanel *right = m_window->rightPanel;
    QCOMPARE(right->getGoodsFolderNameRules().size(), entries);
    QCOMPARE(right->folderNamingRule->getNamingRuleJson().size(), entries);
    QCOMPARE(right->editedFolderNameRules, right->folderNamingRule->getNamingRuleJson());
    // Another branch brings its own; "重置" puts the stored rule back.
    QSignalSpy changes(right, &FJRightPanel::shopChange);
    right->shopComboBox->setCurrentIndex(1);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(right->shopId, QStringLiteral("22"));
    QCOMPARE(right->getGoodsFolderNameRules().size(), 2);
    right->folderNamingRule->refreshData(QJsonArray());
    QVERIFY(right->editedFolderNameRules.isEmpty());
    QTest::mouseClick(right->resetRuleButton, Qt::LeftButton);
    QCOMPARE(right->folderNamingRule->getNamingRuleJson().size(), 2);
}

void tst_FJRightPanel::saveRule()
{
    m_service->setReply(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"), Data::accepted());
    makeWindow(DesignSplit);
    FJRightPanel *right = m_window->rightPanel;
    right->shopComboBox->setCurrentIndex(1);
    right->eid = QStringLiteral("E7");
    right->superId = QStringLiteral("S9");
    QJsonArray edited = right->editedFolderNameRules;
    edited.removeAt(1);
    right->folderNamingRule->refreshData(edited);
    QCOMPARE(right->getGoodsFolderNameRules().size(), 2);

    QTest::mouseClick(right->saveRuleButton, Qt::LeftButton);
    QVERIFY(m_service->waitForRequests(1));
    const StandInService::Request request = m_service->requests().first();
    QCOMPARE(request.action(), QStringLiteral("save_goodsfoldernamerule"));
    QCOMPARE(request.fieldNames().mid(0, 5),
             (QStringList{QStringLiteral("goodsfoldernamerule"), QStringLiteral("shopid"), QStringLiteral("eid"),
                          QStringLiteral("superid"), QStringLiteral("personid")}));
    const QString sent = request.field(QStringLiteral("goodsfoldernamerule"));
    const QJsonArray sentRule = QJsonDocument::fromJson(sent.toUtf8()).array();
    QCOMPARE(sentRule, right->folderNamingRule->getNamingRuleJson());
    QCOMPARE(sentRule.size(), 1);
    QVERIFY(!sent.contains(QLatin1Char(' ')));
    QCOMPARE(request.field(QStringLiteral("shopid")), QStringLiteral("22"));
    QCOMPARE(request.field(QStringLiteral("personid")), QStringLiteral("E7"));
    QTRY_COMPARE(right->getGoodsFolderNameRules().size(), 1);
    QCOMPARE(Config::k_shops.at(1).goodsfoldernamerule, sent);
    // Another branch and back: the saved rule comes back, not the login one.
    right->shopComboBox->setCurrentIndex(0);
    QVERIFY(right->getGoodsFolderNameRules().isEmpty());
    right->shopComboBox->setCurrentIndex(1);
    QCOMPARE(right->getGoodsFolderNameRules(), sentRule);
}

void tst_FJRightPanel::saveKeepsWhatWasSent()
{
    m_service->setReply(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"), Data::accepted());
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"), 300);
    Config::k_shops[0].goodsfoldernamerule = QString::fromUtf8(kStoredRule);
    makeWindow(DesignSplit);
    FJRightPanel *right = m_window->rightPanel;
    // A fresh window's "保存" sends the branch's stored rule, not an empty one.
    QTest::mouseClick(right->saveRuleButton, Qt::LeftButton);
    QVERIFY(m_service->waitForRequests(1));
    const QString sent = m_service->requests().first().field(QStringLiteral("goodsfoldernamerule"));
    QCOMPARE(QJsonDocument::fromJson(sent.toUtf8()).array(), right->folderNamingRule->getNamingRuleJson());
    QCOMPARE(QJsonDocument::fromJson(sent.toUtf8()).array().size(), 2);
    // Edits made while the save is under way stay unsaved.
    right->folderNamingRule->refreshData(QJsonArray());
    QTRY_COMPARE(Config::k_shops.at(0).goodsfoldernamerule, sent);
    QCOMPARE(right->getGoodsFolderNameRules().size(), 2);
    QVERIFY(right->editedFolderNameRules.isEmpty());

    // A reply belongs to the branch it was sent for, even after a switch.
    QTest::mouseClick(right->saveRuleButton, Qt::LeftButton);
    right->shopComboBox->setCurrentIndex(1);
    QTRY_VERIFY(Config::k_shops.at(0).goodsfoldernamerule.isEmpty());
    QCOMPARE(Config::k_shops.at(1).goodsfoldernamerule, QString::fromUtf8(kStoredRule));
    QCOMPARE(right->getGoodsFolderNameRules().size(), 2);

    // Without any branch "保存" sends nothing.
    delete m_window;
    Config::k_shops.clear();
    m_service->clearRequests();
    makeWindow(DesignSplit);
    QTest::mouseClick(m_window->rightPanel->saveRuleButton, Qt::LeftButton);
    QVERIFY(!m_service->waitForRequests(1, 300));
}

void tst_FJRightPanel::saveRefused_data()
{
    QTest::addColumn<bool>("transport");
    QTest::addColumn<QJsonValue>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("refused") << false << QJsonValue(QStringLiteral("0")) << QStringLiteral("规则格式不正确");
    QTest::newRow("no answer") << true << QJsonValue(QStringLiteral("0")) << QStringLiteral("提交失败");
    // Its message is no reason: the service says "成功" there.
    QTest::newRow("numeric code") << false << QJsonValue(1) << QStringLiteral("服务器返回数据格式错误");
}

void tst_FJRightPanel::saveRefused()
{
    QFETCH(bool, transport);
    QFETCH(QJsonValue, code);
    QFETCH(QString, message);
    if (transport) {
        m_service->setFailure(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"),
                              StandInService::Failure::Http500);
    } else {
        const QString said = code.isString() ? message : QStringLiteral("成功");
        m_service->setReply(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"),
                            QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("msg"), said}});
    }
    makeWindow(DesignSplit);
    FJRightPanel *right = m_window->rightPanel;
    right->shopComboBox->setCurrentIndex(1);
    right->folderNamingRule->refreshData(QJsonArray());
    QTest::mouseClick(right->saveRuleButton, Qt::LeftButton);
    QTRY_VERIFY(warning(right));
    QCOMPARE(warning(right)->text(), message);
    QCOMPARE(warning(right)->windowTitle(), QStringLiteral("温馨提示"));
    QCOMPARE(right->getGoodsFolderNameRules().size(), 2);
    QCOMPARE(Config::k_shops.at(1).goodsfoldernamerule, QString::fromUtf8(kStoredRule));
}

void tst_FJRightPanel::calendarPosition_data()
{
    QTest::addColumn<QPoint>("edit");
    QTest::addColumn<QPoint>("expected");
    // Available area 0..1919 x 0..1079 (inclusive), edit 27 high, popup 500 x 500.
    QTest::newRow("room below") << QPoint(400, 100) << QPoint(350, 132);
    QTest::newRow("near the right edge") << QPoint(1700, 100) << QPoint(1919 - 510, 132);
    QTest::newRow("near the bottom") << QPoint(400, 900) << QPoint(350, 395);
    QTest::newRow("near the left edge") << QPoint(20, 100) << QPoint(10, 132);
}

void tst_FJRightPanel::calendarPosition()
{
    QFETCH(QPoint, edit);
    QFETCH(QPoint, expected);
    QCOMPARE(FJRightPanel::calendarPosition(edit, 27, QSize(500, 500), QRect(0, 0, 1920, 1080)), expected);
}

void tst_FJRightPanel::datePopup()
{
    makeWindow(DownloadSelectionResults);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    FJRightPanel *right = m_window->rightPanel;
    QSignalSpy searches(right, &FJRightPanel::searchRequested);
    right->searchTypeComboBox->setCurrentIndex(1);
    QDateEdit *edit = right->shotDateEdit;
    QVERIFY(edit->isVisible());
    const QDate before = edit->date();
    auto popup = [] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *calendar = qobject_cast<QCalendarWidget *>(w))
                if (calendar->isVisible())
                    return calendar;
        }
        return static_cast<QCalendarWidget *>(nullptr);
    };
    // The filter was installed on the first event-loop pass after construction.
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(popup());
    QCalendarWidget *calendar = popup();
    QCOMPARE(calendar->selectedDate(), before);
    const QDate picked = before.addDays(-3);
    calendar->setSelectedDate(picked);
    emit calendar->clicked(picked);
    QTRY_VERIFY(!popup());
    QCOMPARE(edit->date(), picked);
    QCOMPARE(right->getSearchText(), picked.toString(QStringLiteral("yyyy-MM-dd")));
    QCOMPARE(right->selectDateEdit->date(), QDate::currentDate());

    // Typing changes nothing; a double click is swallowed.
    QTest::keyClicks(edit, QStringLiteral("2020"));
    QTest::mouseDClick(edit, Qt::LeftButton);
    QCOMPARE(edit->date(), picked);
    QVERIFY(searches.isEmpty());
    if (QCalendarWidget *open = popup())
        open->close();
}

QTEST_MAIN(tst_FJRightPanel)
#include "tst_fjrightpanel.moc"
