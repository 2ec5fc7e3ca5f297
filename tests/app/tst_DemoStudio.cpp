#include "app/ChooseTools.h"
#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/LoginNew.h"
#include "app/ToolCardWidget.h"
#include "batchdelete/BatchDelete.h"
#include "batchdelete/BatchDelete_OrderListWidget.h"
#include "batchdelete/BatchLoginDialog.h"
#include "importfiles/ImportFiles.h"
#include "platform/MountRoot.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"
#include "support/BatchDeleteStudioData.h"
#include "support/DemoStudio.h"
#include "support/DemoTour.h"
#include "support/ImportFilesMessageBoxes.h"
#include "support/QuietPlatformNotes.h"
#include "support/StandInService.h"
#include "transfer/ui/tfhome.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kNewOrder = QStringLiteral("DD20240518001");      // photos waiting for "导片工具"
const QString kShotOrder = QStringLiteral("DD20240602002");     // camera, raw and retouched files to import
const QString kSelectedOrder = QStringLiteral("DD20240621003"); // selection done: the split tools' order
const QString kFinishedOrder = QStringLiteral("DD20240315005"); // finished: batch delete

QStringList filesIn(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(folder.size() + 1);
    files.sort();
    return files;
}

using DemoTour::importRow;
using DemoTour::importRowButton;
using DemoTour::pathsIn;
using DemoTour::splitRow;

} // namespace

// The demo studio of the run script, every tool driven through its main road
// against it the way a new user tries them: logged in with the demo account,
// each tool opened from the launcher.
class tst_DemoStudio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void wrongPasswordIsRefused();
    void runCommandStudioPaintsBarcodes();
    void unknownActionsAreRefusedInEveryTool_data();
    void unknownActionsAreRefusedInEveryTool();
    void transferToolImportsPhotos();
    void fileImportImportsCameraAndRawFiles();
    void fileImportImportsRetouchedPhotos();
    void splitToolsRunAnOrder_data();
    void splitToolsRunAnOrder();
    void savedNamingRuleComesBackAtLogin();
    void batchDeleteDeletesAFinishedOrder();
    void batchDeleteNeedsThePermission();

private:
    QWidget *openTool(const QString &name);
    QJsonObject logIn(const QString &password);
    void search(QWidget *tool);
    void runImport(ImportFileType type, const QString &orderNumber, const QStringList &files);
    FJHome *openSplitTool(const QString &name, const QString &output);
    QStringList requested(const QString &action) const;

    StandInService m_service;
    QTemporaryDir m_folder;
    QTemporaryDir m_dataDir;
    DemoStudio *m_demo = nullptr;
    QPointer<ChooseTools> m_launcher;
    ImportFilesMessageBoxes *m_boxes = nullptr;
};

void tst_DemoStudio::initTestCase()
{
    QuietPlatformNotes::install();
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QStandardPaths::setTestModeEnabled(true);
    Config::k_datarootpath = m_dataDir.path() + QLatin1Char('/');
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_demo = new DemoStudio(&m_service, this);
    QString error;
    QVERIFY2(m_demo->create(m_folder.path(), &error), qPrintable(error));
    QCOMPARE(MountRoot::path(), m_demo->mountRoot());
    QFile::remove(LoginNew::getConfigFilePath());
    m_boxes = new ImportFilesMessageBoxes(this);

    m_launcher = DemoTour::logIn(*m_demo);
    QVERIFY(m_launcher);
    QCOMPARE(Config::k_shops.size(), 2);
    QCOMPARE(m_launcher->findChildren<ToolCardWidget *>().size(), 8);
}

// No tool ever shows a box without a text, and each test leaves its windows closed.
void tst_DemoStudio::cleanup()
{
    for (const ImportFilesMessageBoxes::Box &box : m_boxes->boxes())
        QVERIFY2(!box.text.trimmed().isEmpty(), qPrintable(box.title));
    m_boxes->clear();
    for (ToolCardWidget *card : m_launcher->findChildren<ToolCardWidget *>())
        delete m_launcher->toolWindow(card->toolName());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
}

void tst_DemoStudio::cleanupTestCase()
{
    delete m_launcher;
    MountRoot::reset();
    QFile::remove(LoginNew::getConfigFilePath());
}

QWidget *tst_DemoStudio::openTool(const QString &name)
{
    QWidget *tool = DemoTour::openTool(m_launcher, name);
    return tool && tool->isVisible() ? tool : nullptr;
}

QJsonObject tst_DemoStudio::logIn(const QString &password)
{
    const FormBody body = FormBody().add(QStringLiteral("username"), m_demo->username())
                              .add(QStringLiteral("password"), password);
    BaseReq request;
    QJsonObject reply;
    bool done = false;
    request.getResultData(QStringLiteral("&m=public&a=dologin"), body.toBytes(),
                          [&](bool, const QJsonDocument &document) {
                              reply = document.object();
                              done = true;
                          });
    (void)QTest::qWaitFor([&done]() { return done; }, 30000);
    return reply;
}

void tst_DemoStudio::search(QWidget *tool)
{
    QTest::mouseClick(tool->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
}

QStringList tst_DemoStudio::requested(const QString &action) const
{
    QStringList orders;
    for (const StandInService::Request &request : m_service.requests()) {
        if (request.action() == action)
            orders << request.field(QStringLiteral("order_photo_id"));
    }
    return orders;
}

void tst_DemoStudio::wrongPasswordIsRefused()
{
    const QJsonObject refused = logIn(m_demo->password() + QLatin1Char('x'));
    QCOMPARE(refused.value(QStringLiteral("code")).toString(), QStringLiteral("0"));
    QCOMPARE(refused.value(QStringLiteral("message")).toString(), QStringLiteral("账号或密码错误"));
}

// The run command's stand-in is a process of its own, without the tests' application object.
void tst_DemoStudio::runCommandStudioPaintsBarcodes()
{
    QTemporaryDir folder;
    QProcess standin;
    standin.start(QCoreApplication::applicationDirPath() + QStringLiteral("/studio_standin"),
                  {QStringLiteral("--demo"), folder.path()});
    QVERIFY2(standin.waitForStarted(), qPrintable(standin.errorString()));
    QString output;
    QTRY_VERIFY_WITH_TIMEOUT((output += QString::fromUtf8(standin.readAllStandardOutput()))
                                 .contains(QStringLiteral("STUDIO_MOUNT_ROOT=")), 30000);
    // The README's examples name the share's own folder, the one holding "flagship" and "east".
    QVERIFY2(output.contains(QStringLiteral("共享文件夹: ") + folder.path() + QStringLiteral("/share/studio\n")),
             qPrintable(output));
    const QString url = output.section(QStringLiteral("STUDIO_SERVICE_URL="), 1).section(QLatin1Char('\n'), 0, 0);
    BaseReq request;
    QString mimeType;
    request.downloadImage(url + QStringLiteral("/index.php?g=BrenlowDPc&m=order&a=getbarcodegen&order_photo_id=5303"),
                          [&mimeType](bool ok, const QByteArray &, const QString &type) {
                              mimeType = ok ? type : QStringLiteral("failed");
                          });
    QTRY_VERIFY_WITH_TIMEOUT(!mimeType.isEmpty(), 30000);
    QCOMPARE(mimeType, QStringLiteral("image/jpeg"));
    QCOMPARE(standin.state(), QProcess::Running);
    standin.kill();
    standin.waitForFinished();
}

void tst_DemoStudio::unknownActionsAreRefusedInEveryTool_data()
{
    QTest::addColumn<QString>("tool");
    for (const char *tool : {"导入原片", "下载原始档", "导片工具", "下载选片结果", "导入精修片", "设计分件", "下载照片交付",
                             "批量删除"})
        QTest::newRow(tool) << QString::fromUtf8(tool);
}

// A service that knows none of the tools' actions: each tool shows its refusal.
void tst_DemoStudio::unknownActionsAreRefusedInEveryTool()
{
    QFETCH(QString, tool);
    QWidget *window = openTool(tool);
    QVERIFY(window);
    StandInService stranger;
    QVERIFY(stranger.start());
    QVERIFY(Config::setUrlHost(stranger.baseUrl()));
    search(window);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->countOf(QStringLiteral("未知接口")) == 1, 30000);
    QCOMPARE(stranger.requests().size(), 1);
}

void tst_DemoStudio::transferToolImportsPhotos()
{
    auto *window = qobject_cast<tfhome *>(openTool(QStringLiteral("导片工具")));
    QVERIFY(window);
    auto *table = window->findChild<tfhomeorders_OrderListWidget *>(QStringLiteral("m_orderListWidget"));
    const QStringList photos = pathsIn(m_demo->cameraFolder() + QLatin1Char('/') + kNewOrder);
    QCOMPARE(photos.size(), 6);
    table->setFileChooser([&photos](QWidget *, const QString &, const QString &) { return photos; });
    // The tool searches the orders picked today by default.
    search(window);
    QTRY_COMPARE_WITH_TIMEOUT(table->orderCount(), 2, 30000);
    int row = 0;
    while (table->orderAt(row).orderpayforkey != kNewOrder)
        ++row;
    for (QPushButton *button : table->findChildren<QPushButton *>(QStringLiteral("selectPhotosButton"))) {
        if (button->property("row").toInt() == row)
            button->click();
    }
    table->findChild<QPushButton *>(QStringLiteral("startAllButton"))->click();

    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->count() > 0 && m_boxes->boxes().last().title == QStringLiteral("全部导完"), 60000);
    const QString folder = m_demo->orderFolder(kNewOrder);
    QCOMPARE(QDir(folder + QStringLiteral("/all")).entryList(QDir::Files).size(), 6);
    QImageReader copy(folder + QStringLiteral("/all/DSC_0101.jpg"));
    QVERIFY2(!copy.read().isNull(), qPrintable(copy.errorString()));
    // Photo reports are sent without waiting for their replies: wait for them to arrive.
    QTRY_COMPARE_WITH_TIMEOUT(m_demo->photoNames(kNewOrder, QStringLiteral("all")).size(), 6, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(requested(QStringLiteral("logreadpic")).contains(QStringLiteral("5301")), 30000);
}

void tst_DemoStudio::runImport(ImportFileType type, const QString &orderNumber, const QStringList &files)
{
    auto *window = qobject_cast<ImportFiles *>(openTool(type == RetouchedFiles ? QStringLiteral("导入精修片")
                                                                               : QStringLiteral("导入原片")));
    QVERIFY(window);
    window->setFileChooser([&files](QWidget *, const QString &, const QString &) { return files; });
    search(window);
    int row = -1;
    QTRY_VERIFY_WITH_TIMEOUT((row = importRow(window, orderNumber)) >= 0, 30000);
    QPushButton *choose = importRowButton(window, row);
    QVERIFY(choose);
    QTest::mouseClick(choose, Qt::LeftButton);
    // The chosen files are read off the GUI thread.
    QTRY_VERIFY(!window->isReadingChoice());
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("导入完成！")), 30000);
    QVERIFY(requested(QStringLiteral("savepicpath_batch")).contains(QStringLiteral("5302")));
}

void tst_DemoStudio::fileImportImportsCameraAndRawFiles()
{
    const QStringList files = pathsIn(m_demo->originalsFolder() + QLatin1Char('/') + kShotOrder);
    QCOMPARE(files.size(), 8);
    runImport(OriginalFiles, kShotOrder, files);
    const QString folder = m_demo->orderFolder(kShotOrder);
    QCOMPARE(QDir(folder + QStringLiteral("/原片")).entryList(QDir::Files).size(), 4);
    QCOMPARE(QDir(folder + QStringLiteral("/原始档")).entryList(QDir::Files).size(), 4);
    QCOMPARE(m_demo->photoNames(kShotOrder, QStringLiteral("原片")).size(), 4);
    QCOMPARE(m_demo->photoNames(kShotOrder, QStringLiteral("原始档")).size(), 4);
}

void tst_DemoStudio::fileImportImportsRetouchedPhotos()
{
    const QStringList files = pathsIn(m_demo->retouchedFolder() + QLatin1Char('/') + kShotOrder);
    QCOMPARE(files.size(), 2);
    runImport(RetouchedFiles, kShotOrder, files);
    const QStringList expected{QStringLiteral("IMG_0001.jpg"), QStringLiteral("IMG_0003.jpg")};
    QCOMPARE(QDir(m_demo->orderFolder(kShotOrder) + QStringLiteral("/精修片")).entryList(QDir::Files), expected);
    QCOMPARE(m_demo->photoNames(kShotOrder, QStringLiteral("精修片")), expected);
}

FJHome *tst_DemoStudio::openSplitTool(const QString &name, const QString &output)
{
    auto *window = qobject_cast<FJHome *>(openTool(name));
    if (!window)
        return nullptr;
    window->rightPanel->dirPath = output;
    // The naming rule of a branch loads when the branch is picked.
    window->rightPanel->shopComboBox->setCurrentIndex(1);
    window->rightPanel->shopComboBox->setCurrentIndex(0);
    search(window);
    return window;
}

void tst_DemoStudio::splitToolsRunAnOrder_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("report");
    QTest::newRow("raw files") << QStringLiteral("下载原始档")
                               << QStringList{"原始档/IMG_0004.CR2", "原始档/IMG_0008.CR2"}
                               << QStringLiteral("download_success");
    QTest::newRow("selection results")
        << QStringLiteral("下载选片结果")
        << QStringList{"其他/条形码.jpg", "其他/明细制作单.pdf", "其他/成品原始档/IMG_0001.CR2", "其他/标记/IMG_0002.jpg"}
        << QStringLiteral("download_success");
    QTest::newRow("design split") << QStringLiteral("设计分件")
                                  << QStringList{"其他/条形码.jpg", "其他/明细制作单.pdf", "其他/快递信息.txt",
                                                 "其他/裁剪/IMG_0005.jpg"}
                                  << QString();
    // The order's flags turn on raw files and simple retouches when it is ticked.
    QTest::newRow("photo delivery") << QStringLiteral("下载照片交付")
                                    << QStringList{"精修/IMG_0001.jpg", "精修/IMG_0004.jpg", "原始档/IMG_0001.CR2",
                                                   "简修/IMG_0001.jpg"}
                                    << QString();
}

// Each split tool runs the selected order into a chosen folder.
void tst_DemoStudio::splitToolsRunAnOrder()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, files);
    QFETCH(QString, report);
    QTemporaryDir output;
    FJHome *window = openSplitTool(tool, output.path());
    QVERIFY(window);
    int row = -1;
    QTRY_VERIFY_WITH_TIMEOUT((row = splitRow(window, kSelectedOrder)) >= 0, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(window->rightPanel->searchButton->isEnabled(), 30000);
    if (tool == QStringLiteral("下载原始档")) {
        emit window->leftPanel->orderSelected(row, true);
        QTest::mouseClick(window->rightPanel->undownloadSelectAllButton, Qt::LeftButton);
    }
    QSignalSpy finished(window, &FJHome::runFinished);
    window->leftPanel->tableWidget->cellWidget(row, 0)->findChild<QCheckBox *>()->setChecked(true);
    QTest::mouseClick(window->rightPanel->startButton, Qt::LeftButton);
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().first().toString(), QStringLiteral("1个订单分件完成!"));

    const QString orderDir = output.path() + QStringLiteral("/DD20240621003-服务1 陈强-杨丽 到店自取");
    const QStringList written = filesIn(orderDir);
    for (const QString &file : files)
        QVERIFY2(written.contains(file), qPrintable(file + QStringLiteral(" not in ") + written.join(',')));
    if (!report.isEmpty())
        QTRY_VERIFY_WITH_TIMEOUT(!m_service.requests(QStringLiteral("order"), report).isEmpty(), 30000);
    if (tool == QStringLiteral("设计分件")) {
        // Product folders are named by the branch's stored rule: order number, "-", customer, "_", product.
        QStringList products;
        QStringList urgent;
        for (const QString &file : written) {
            // ... inside the folder of the couple and the pickup date.
            if (file.startsWith(QStringLiteral("陈强-杨丽 ") + QDate::currentDate().addDays(14).toString(Qt::ISODate)
                                + QStringLiteral("取/DD20240621003-"))
                && file.endsWith(QStringLiteral("IMG_0005.jpg")))
                products << file;
            // An urgent product's date is days ahead too, not one long past.
            if (file.startsWith(QStringLiteral("陈强-杨丽 ") + QDate::currentDate().addDays(3).toString(Qt::ISODate)
                                + QStringLiteral("急/DD20240621003-")))
                urgent << file;
        }
        QVERIFY2(!products.isEmpty(), qPrintable(written.join(',')));
        QVERIFY2(!urgent.isEmpty(), qPrintable(written.join(',')));
        QFile courier(orderDir + QStringLiteral("/其他/快递信息.txt"));
        QVERIFY(courier.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(courier.readAll()).contains(QStringLiteral("文三路100号")));
    }
}

void tst_DemoStudio::savedNamingRuleComesBackAtLogin()
{
    QTemporaryDir output;
    FJHome *window = openSplitTool(QStringLiteral("设计分件"), output.path());
    QVERIFY(window);
    QCOMPARE(window->rightPanel->getGoodsFolderNameRules(), m_demo->namingRule(QStringLiteral("101")));
    const QJsonArray rule{QJsonObject{{"name", "产品名称"}, {"key", "name"}}};
    window->rightPanel->editedFolderNameRules = rule;
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("saveRuleButton")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(window->rightPanel->getGoodsFolderNameRules(), rule, 30000);
    const QJsonObject login = logIn(m_demo->password());
    const QJsonObject shop = login.value(QStringLiteral("shop_data")).toArray().at(0).toObject();
    QCOMPARE(QJsonDocument::fromJson(shop.value(QStringLiteral("goodsfoldernamerule")).toString().toUtf8()).array(),
             rule);
}

void tst_DemoStudio::batchDeleteDeletesAFinishedOrder()
{
    QVERIFY(BatchDeleteStudioData::writeCredentials(m_demo->username()));
    auto *window = qobject_cast<BatchDelete *>(openTool(QStringLiteral("批量删除")));
    QVERIFY(window);
    const QString folder = m_demo->orderFolder(kFinishedOrder);
    const QStringList files = filesIn(folder);
    QVERIFY(files.contains(QStringLiteral("原始档/IMG_0001.CR2")));
    search(window);
    QTableWidget *table = window->orderListPanel()->tableWidget();
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 5, 30000);
    // An order not yet finished is checked as well: the studio refuses to let its files go.
    const QStringList unfinished = filesIn(m_demo->orderFolder(kSelectedOrder));
    QVERIFY(!unfinished.isEmpty());
    for (int row = 0; row < table->rowCount(); ++row) {
        const QString number = window->orderListPanel()->orders().at(row).orderpayforkey;
        if (number == kFinishedOrder || number == kSelectedOrder)
            table->cellWidget(row, 0)->findChild<QCheckBox *>()->setChecked(true);
    }
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("startButton")), Qt::LeftButton);
    BatchLoginDialog *dialog = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((dialog = window->findChild<BatchLoginDialog *>()) != nullptr, 30000);
    dialog->findChild<QLineEdit *>(QStringLiteral("passwordEdit"))->setText(m_demo->password());
    dialog->handleOk();

    const QString end = QStringLiteral("删除结束：成功%1个，失败0个\n以下订单未删除：\n%2-1：订单未结单，不能删除")
                            .arg(files.size())
                            .arg(kSelectedOrder);
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->countOf(end) == 1, 30000);
    QCOMPARE(filesIn(m_demo->orderFolder(kSelectedOrder)), unfinished);
    QVERIFY(requested(QStringLiteral("delete_pic_before")).contains(QStringLiteral("5303")));
    QVERIFY(!requested(QStringLiteral("delete_pic_after")).contains(QStringLiteral("5303")));
    QVERIFY2(filesIn(folder).isEmpty(), qPrintable(filesIn(folder).join(',')));
    QTRY_COMPARE_WITH_TIMEOUT(requested(QStringLiteral("delete_pic_after")).count(QStringLiteral("5305")), files.size(), 30000);
    for (const QString &kind : {"all", "原片", "原始档", "精修片"})
        QVERIFY(m_demo->photoNames(kFinishedOrder, kind).isEmpty());
}

void tst_DemoStudio::batchDeleteNeedsThePermission()
{
    auto *window = qobject_cast<BatchDelete *>(openTool(QStringLiteral("批量删除")));
    QVERIFY(window);
    window->findChild<QComboBox *>(QStringLiteral("shopCombo"))->setCurrentIndex(1);
    search(window);
    QTRY_VERIFY_WITH_TIMEOUT(!m_service.requests(QStringLiteral("public"), QStringLiteral("switch_shop")).isEmpty(), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(window->orderListPanel()->countLabel()->text(), QStringLiteral("暂无权限操作批量删除"), 30000);
}

QTEST_MAIN(tst_DemoStudio)
#include "tst_DemoStudio.moc"
