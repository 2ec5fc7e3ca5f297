#include "app/ChooseTools.h"
#include "app/LoginNew.h"
#include "app/core/Config.h"
#include "importfiles/ImportFiles.h"
#include "platform/MountRoot.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"
#include "support/DemoStudio.h"
#include "support/DemoTour.h"
#include "support/ImportFilesMessageBoxes.h"
#include "support/QuietPlatformNotes.h"
#include "support/StandInService.h"
#include "transfer/ui/tfhome.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

// The day ends as a user ends it: a tool closed while its reports are on
// their way, then the launcher. The program stays, without a window, until
// the service has answered what the closed tool still owed it (or each
// request's own deadline passed), then ends by itself.

namespace {

const QString kNewOrder = QStringLiteral("DD20240518001");      // photos waiting for "导片工具"
const QString kShotOrder = QStringLiteral("DD20240602002");     // camera and raw files to import
const QString kSelectedOrder = QStringLiteral("DD20240621003"); // the split tools' order
// How long the service holds back the answers the test is about.
constexpr int kHeldMs = 1500;
// Exit code of a program the watchdog had to stop: it would have run on.
constexpr int kStillRunning = 99;

// A cut copy's temporary is hidden, and may still be on its way out.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

using DemoTour::pathsIn;

} // namespace

class tst_LastWindowClosed : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void transferReportsFinishAfterTheLastWindow();
    void fileImportReportsFinishAfterTheLastWindow_data();
    void fileImportReportsFinishAfterTheLastWindow();
    void downloadReportFinishesAfterTheLastWindow();
    void namingRuleSaveFinishesAfterTheLastWindow();
    void nothingOwedEndsAtOnce();

private:
    QWidget *openTool(const QString &name);
    // Closes the windows in this order from inside the application's event
    // loop and runs it until the program ends; its exit code.
    int closeAndRun(const QList<QPointer<QWidget>> &windows);
    // Every request of the action has been answered, and there was one.
    bool allAnswered(const QString &action) const;
    FJHome *openSplitTool(const QString &name, const QString &output);

    StandInService *m_service = nullptr;
    DemoStudio *m_demo = nullptr;
    QTemporaryDir *m_folder = nullptr;
    QTemporaryDir m_dataDir;
    QPointer<ChooseTools> m_launcher;
    ImportFilesMessageBoxes *m_boxes = nullptr;
};

void tst_LastWindowClosed::initTestCase()
{
    QuietPlatformNotes::install();
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QStandardPaths::setTestModeEnabled(true);
    Config::k_datarootpath = m_dataDir.path() + QLatin1Char('/');
}

// A studio of its own per test, logged in through the login window.
void tst_LastWindowClosed::init()
{
    m_folder = new QTemporaryDir;
    m_service = new StandInService;
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_demo = new DemoStudio(m_service);
    QString error;
    QVERIFY2(m_demo->create(m_folder->path(), &error), qPrintable(error));
    QFile::remove(LoginNew::getConfigFilePath());
    m_boxes = new ImportFilesMessageBoxes;

    m_launcher = DemoTour::logIn(*m_demo);
    QVERIFY(m_launcher);
    m_service->clearRequests();
}

void tst_LastWindowClosed::cleanup()
{
    delete m_launcher;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            window->close();
    }
    delete m_boxes;
    delete m_demo;
    delete m_service;
    delete m_folder;
    MountRoot::reset();
    QFile::remove(LoginNew::getConfigFilePath());
}

QWidget *tst_LastWindowClosed::openTool(const QString &name)
{
    return DemoTour::openTool(m_launcher, name);
}

int tst_LastWindowClosed::closeAndRun(const QList<QPointer<QWidget>> &windows)
{
    QTimer::singleShot(0, qApp, [windows] {
        for (const QPointer<QWidget> &window : windows) {
            if (window)
                window->close();
        }
    });
    // Far beyond any answer held back here: only a program that would never end meets it.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(kStillRunning); });
    watchdog.start(120000);
    return QCoreApplication::exec();
}

bool tst_LastWindowClosed::allAnswered(const QString &action) const
{
    const int sent = m_service->requests(QStringLiteral("order"), action).size()
                     + m_service->requests(QStringLiteral("public"), action).size();
    const int answered = m_service->answered(QStringLiteral("order"), action).size()
                         + m_service->answered(QStringLiteral("public"), action).size();
    return sent > 0 && answered == sent;
}

// 导片工具 closed with every photo written and its reports held back: the
// photo reports are answered, and the order's folder and upload reports,
// queued behind them at the close, are sent and answered before the end.
void tst_LastWindowClosed::transferReportsFinishAfterTheLastWindow()
{
    QPointer<tfhome> window = qobject_cast<tfhome *>(openTool(QStringLiteral("导片工具")));
    QVERIFY(window);
    auto *table = window->findChild<tfhomeorders_OrderListWidget *>(QStringLiteral("m_orderListWidget"));
    const QStringList photos = pathsIn(m_demo->cameraFolder() + QLatin1Char('/') + kNewOrder);
    QCOMPARE(photos.size(), 6);
    table->setFileChooser([&photos](QWidget *, const QString &, const QString &) { return photos; });
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(table->orderCount(), 2, 30000);
    int row = 0;
    while (table->orderAt(row).orderpayforkey != kNewOrder)
        ++row;
    for (QPushButton *button : table->findChildren<QPushButton *>(QStringLiteral("selectPhotosButton"))) {
        if (button->property("row").toInt() == row)
            button->click();
    }
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("savepicpath"), kHeldMs);
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("logreadpic"), kHeldMs);
    table->findChild<QPushButton *>(QStringLiteral("startAllButton"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath")).size(), 6,
                              30000);
    QVERIFY(m_service->answered(QStringLiteral("order"), QStringLiteral("savepicpath")).size() < 6);

    QCOMPARE(closeAndRun({window.data(), m_launcher.data()}), 0);
    QVERIFY(allAnswered(QStringLiteral("savepicpath")));
    QVERIFY(allAnswered(QStringLiteral("saveorderphotopath")));
    QVERIFY(allAnswered(QStringLiteral("logreadpic")));
    QCOMPARE(m_demo->photoNames(kNewOrder, QStringLiteral("all")).size(), 6);
    QVERIFY(!window);
}

void tst_LastWindowClosed::fileImportReportsFinishAfterTheLastWindow_data()
{
    QTest::addColumn<bool>("listingTaken"); // the service takes the listing held back
    QTest::addColumn<bool>("whileCopying"); // closed while a large file still copies, the tool last
    QTest::newRow("listing on its way") << true << false;
    QTest::newRow("listing refused after the window went") << false << false;
    QTest::newRow("closed last while a large file copies") << true << true;
}

// 导入原片 closed with its reports on their way, or with copies under way:
// after the program has ended by itself the service holds every file the
// order's folders hold, each named once, whichever way it heard of it.
void tst_LastWindowClosed::fileImportReportsFinishAfterTheLastWindow()
{
    QFETCH(bool, listingTaken);
    QFETCH(bool, whileCopying);
    QPointer<ImportFiles> window = qobject_cast<ImportFiles *>(openTool(QStringLiteral("导入原片")));
    QVERIFY(window);
    QStringList files = pathsIn(m_demo->originalsFolder() + QLatin1Char('/') + kShotOrder);
    QCOMPARE(files.size(), 8);
    QTemporaryDir large;
    if (whileCopying) {
        files << large.filePath(QStringLiteral("BIG.CR3"));
        QFile big(files.last());
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(4) << 30));
    }
    window->setFileChooser([&files](QWidget *, const QString &, const QString &) { return files; });
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    int row = -1;
    QTRY_VERIFY_WITH_TIMEOUT((row = DemoTour::importRow(window, kShotOrder)) >= 0, 30000);
    QPushButton *choose = DemoTour::importRowButton(window, row);
    QVERIFY(choose);
    QTest::mouseClick(choose, Qt::LeftButton);
    QTRY_VERIFY(!window->isReadingChoice());
    if (!listingTaken)
        m_service->setFailure(QStringLiteral("order"), QStringLiteral("savepicpath_batch"),
                              StandInService::Failure::CodeZeroMsg, QStringLiteral("稍后再试"));
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("savepicpath_batch"), kHeldMs);
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("savepicpath"), kHeldMs);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("startAllButton")), Qt::LeftButton);

    QList<QPointer<QWidget>> closing{window.data(), m_launcher.data()};
    if (whileCopying) {
        // Every small file is on the share and its folder reported; nothing is on its way.
        const auto placed = [&window] {
            int count = 0;
            for (const ImportOrder &order : window->orders()) {
                for (const ImportFile &file : order.files)
                    count += file.status == ImportStatus::Success ? 1 : 0;
            }
            return count;
        };
        QTRY_COMPARE_WITH_TIMEOUT(placed(), 8, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(allAnswered(QStringLiteral("saveorderphotopath")), 30000);
        QVERIFY(window->isImporting());
        closing = {m_launcher.data(), window.data()};
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(
            m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath_batch")).size(), 1, 30000);
    }

    QCOMPARE(closeAndRun(closing), 0);
    QVERIFY(!window);
    QVERIFY(allAnswered(QStringLiteral("saveorderphotopath")));
    const QString folder = m_demo->orderFolder(kShotOrder);
    for (const QString &kind : {QStringLiteral("原片"), QStringLiteral("原始档")}) {
        QStringList held = m_demo->photoNames(kShotOrder, kind);
        held.sort();
        QCOMPARE(held, filesIn(folder + QLatin1Char('/') + kind));
        QCOMPARE(held.size(), 4);
    }
    const int single = m_service->requests(QStringLiteral("order"), QStringLiteral("savepicpath")).size();
    if (listingTaken && !whileCopying) {
        QVERIFY(allAnswered(QStringLiteral("savepicpath_batch")));
        QCOMPARE(single, 0);
    } else {
        // Each placed file reported once, and answered before the end.
        QCOMPARE(single, 8);
        QVERIFY(allAnswered(QStringLiteral("savepicpath")));
    }
}

FJHome *tst_LastWindowClosed::openSplitTool(const QString &name, const QString &output)
{
    auto *window = qobject_cast<FJHome *>(openTool(name));
    if (!window)
        return nullptr;
    window->rightPanel->dirPath = output;
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    return window;
}

// 下载原始档 closed while its report of a downloaded raw file waits for its
// answer: the report is answered before the end.
void tst_LastWindowClosed::downloadReportFinishesAfterTheLastWindow()
{
    QTemporaryDir output;
    QPointer<FJHome> window = openSplitTool(QStringLiteral("下载原始档"), output.path());
    QVERIFY(window);
    int row = -1;
    QTRY_VERIFY_WITH_TIMEOUT((row = DemoTour::splitRow(window, kSelectedOrder)) >= 0, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(window->rightPanel->searchButton->isEnabled(), 30000);
    emit window->leftPanel->orderSelected(row, true);
    QTest::mouseClick(window->rightPanel->undownloadSelectAllButton, Qt::LeftButton);
    window->leftPanel->tableWidget->cellWidget(row, 0)->findChild<QCheckBox *>()->setChecked(true);
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("download_success"), kHeldMs);
    QTest::mouseClick(window->rightPanel->startButton, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_service->requests(QStringLiteral("order"), QStringLiteral("download_success")).isEmpty(), 30000);

    QCOMPARE(closeAndRun({window.data(), m_launcher.data()}), 0);
    QVERIFY(!window);
    QVERIFY(allAnswered(QStringLiteral("download_success")));
}

// 设计分件 closed while its saved naming rule is on its way: the branch keeps
// the rule, and the program knows it as the branch's rule.
void tst_LastWindowClosed::namingRuleSaveFinishesAfterTheLastWindow()
{
    QTemporaryDir output;
    QPointer<FJHome> window = openSplitTool(QStringLiteral("设计分件"), output.path());
    QVERIFY(window);
    const QJsonArray rule{QJsonObject{{"name", "产品名称"}, {"key", "name"}}};
    window->rightPanel->editedFolderNameRules = rule;
    m_service->setDelay(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule"), kHeldMs);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("saveRuleButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(
        !m_service->requests(QStringLiteral("public"), QStringLiteral("save_goodsfoldernamerule")).isEmpty(), 30000);

    QCOMPARE(closeAndRun({window.data(), m_launcher.data()}), 0);
    QVERIFY(allAnswered(QStringLiteral("save_goodsfoldernamerule")));
    QCOMPARE(m_demo->namingRule(QStringLiteral("101")), rule);
    QCOMPARE(QJsonDocument::fromJson(Config::k_shops.at(0).goodsfoldernamerule.toUtf8()).array(), rule);
}

// A search on its way is no record: closing its tool and the launcher ends
// the program without waiting for the answer.
void tst_LastWindowClosed::nothingOwedEndsAtOnce()
{
    QPointer<ImportFiles> window = qobject_cast<ImportFiles *>(openTool(QStringLiteral("导入原片")));
    QVERIFY(window);
    // Held far longer than the end takes.
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("order_list"), 60000);
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!m_service->requests(QStringLiteral("order"), QStringLiteral("order_list")).isEmpty(),
                             30000);
    QCOMPARE(closeAndRun({window.data(), m_launcher.data()}), 0);
    QVERIFY(!window);
    QVERIFY(m_service->answered(QStringLiteral("order"), QStringLiteral("order_list")).isEmpty());
}

QTEST_MAIN(tst_LastWindowClosed)

#include "tst_LastWindowClosed.moc"
