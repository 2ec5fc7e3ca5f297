#include "app/core/Config.h"
#include "importfiles/ImportFiles.h"
#include "importfiles/ImportedPhotos.h"
#include "importfiles/OriginalView.h"
#include "support/DialogChecks.h"
#include "support/ImportFilesMessageBoxes.h"
#include "app/core/K.h"
#include "support/BindMount.h"
#include "support/ImportFilesStudioData.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/SmbShare.h"
#include "support/StandInService.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ThumbnailTableView.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTableWidget>
#include <QTextBrowser>
#include <QtTest>

#include <mutex>

namespace Data = ImportFilesStudioData;

namespace {

const QString kFolder = QStringLiteral("photo/orders/DD1-1");

QMap<QString, QString> orderMap(const QString &delyp = QStringLiteral("1"))
{
    return {{"orderpayforkey", "DD1"}, {"servicetimes", "1"}, {"wname", "李娜"}, {"mname", "张伟"},
            {"role1name", "老王"}, {"shopid", "11"}, {"order_photo_id", "77"}, {"delyp", delyp},
            {"importPath", MountRoot::path() + kFolder + "/"}};
}

// Everything below folder (or its files only), as paths relative to it, sorted; links not followed.
QStringList everythingBelow(const QString &folder, QDir::Filters filter = QDir::AllEntries)
{
    QStringList found;
    QDirIterator it(folder, filter | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next().mid(folder.size() + 1);
    found.sort();
    return found;
}

void writeFile(const QString &path, const QByteArray &bytes = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

} // namespace

class tst_OriginalView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void titleAndButtons_data();
    void titleAndButtons();
    void loadsPhotoListWithStamp();
    void staleReplyDropped();
    void refusedListWarns();
    void deletesOnServiceThenShare();
    void secondConfirmDuringDeletionSendsNothing();
    void deletionForOrderWithoutIdSendsNothing();
    void missingMainFileReported();
    void partialDeletionIsNoSuccess_data();
    void partialDeletionIsNoSuccess();
    void mainFileNotRemovedCountsFailed();
    void deletionAsksAndRefusesOffShare();
    void reducedCopiesOffShareKept();
    void deletesOnlyOnMountedShare_data();
    void deletesOnlyOnMountedShare();
    void replyOfWrongForm_data();
    void replyOfWrongForm();
    void windowHandsSelectedOrderToView();

private:
    OriginalView *makeView();
    ThumbnailTableView *grid() const { return m_view->findChild<ThumbnailTableView *>(); }
    QString onShare(const QString &relative, const QByteArray &bytes = "x");
    void selectAllAndDelete(bool confirm = true);
    SimpleDialog *openDialog() const;

    StandInService *m_service = nullptr;
    QScopedPointer<ScopedMountRoot> m_root;
    QPointer<OriginalView> m_view;
    ImportFilesMessageBoxes *m_boxes = nullptr;
};

void tst_OriginalView::init()
{
    // A service of its own per test: a late request of an earlier view never lands here.
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_root.reset(new ScopedMountRoot);
    m_boxes = new ImportFilesMessageBoxes(this);
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()}};
}

void tst_OriginalView::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_view;
    delete m_boxes;
    // Deleting a window deletes the dialogs it owns: hold guarded pointers.
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows.append(w);
    for (const QPointer<QWidget> &w : qAsConst(windows)) {
        if (qobject_cast<SimpleDialog *>(w) || qobject_cast<ImportFiles *>(w))
            delete w.data();
    }
    m_root.reset();
    delete m_service;
    m_service = nullptr;
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

OriginalView *tst_OriginalView::makeView()
{
    m_view = new OriginalView();
    m_view->initUI({});
    m_view->resize(800, 600);
    m_view->show();
    return m_view;
}

QString tst_OriginalView::onShare(const QString &relative, const QByteArray &bytes)
{
    const QString path = m_root->path() + relative;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
    return path;
}

void tst_OriginalView::selectAllAndDelete(bool confirm)
{
    QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("selectAllButton")), Qt::LeftButton);
    QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("deleteButton")), Qt::LeftButton);
    SimpleDialog *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QTextBrowser *>()->toPlainText(),
             QStringLiteral("确定删除选中的%1张照片吗？删除后无法恢复。").arg(grid()->getSelectedIndices().size()));
    confirm ? dialog->handleOk() : dialog->handleCancel();
    delete dialog;
}

SimpleDialog *tst_OriginalView::openDialog() const
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        auto *dialog = qobject_cast<SimpleDialog *>(w);
        if (dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

void tst_OriginalView::titleAndButtons_data()
{
    QTest::addColumn<QString>("delyp");
    QTest::addColumn<bool>("canDelete");
    QTest::newRow("allowed") << "1" << true;
    QTest::newRow("zero") << "0" << false;
    QTest::newRow("leading zero") << "01" << false;
    QTest::newRow("blank before") << " 1" << false;
    QTest::newRow("missing") << "" << false;
}

void tst_OriginalView::titleAndButtons()
{
    QFETCH(QString, delyp);
    QFETCH(bool, canDelete);
    makeView();
    QMap<QString, QString> map = orderMap(delyp);
    if (delyp.isEmpty())
        map.remove(QStringLiteral("delyp"));
    m_view->refreshData(map);
    QCOMPARE(m_view->findChild<QLabel *>(QStringLiteral("importedTitle"))->text(),
             QStringLiteral("已导入 DD1-1 李娜 张伟 老王"));
    QVERIFY(m_view->findChild<QPushButton *>(QStringLiteral("refreshButton"))->isVisible());
    for (const char *name : {"selectAllButton", "deselectButton", "deleteButton"})
        QCOMPARE(m_view->findChild<QPushButton *>(QLatin1String(name))->isVisible(), canDelete);
}

void tst_OriginalView::loadsPhotoListWithStamp()
{
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("1", "A.jpg", kFolder)},
                                                    QJsonArray{Data::raw("2", "A.CR3", kFolder), Data::raw("3", "Q.CR3", kFolder)}));
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(2).name, QStringLiteral("Q.CR3"), 10000);
    QCOMPARE(grid()->getThumbnailInfo(1).name, QStringLiteral("A.CR3"));
    const auto requests = m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics"));
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.at(0).fieldNames().mid(0, 3), (QStringList{"shopid", "order_photo_id", "timestamp"}));

    // Refresh shows the overlay until the reply comes.
    QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("refreshButton")), Qt::LeftButton);
    QVERIFY(FullScreenLoading::getInstance(m_view));
    QTRY_VERIFY_WITH_TIMEOUT(!FullScreenLoading::getInstance(m_view), 10000);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics")).size(), 2);
}

void tst_OriginalView::staleReplyDropped()
{
    // The service answers with another stamp than the one sent: an older request's reply.
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("getorder_pics"), [](const StandInService::Request &) {
        QJsonObject reply = Data::photosReply(kFolder, QJsonArray{Data::jpeg("1", "OLD.jpg", kFolder)}, {});
        reply.insert(QStringLiteral("timestamp"), QStringLiteral("1"));
        return reply;
    });
    makeView();
    m_view->refreshData(orderMap());
    QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("refreshButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!FullScreenLoading::getInstance(m_view), 10000);
    QTRY_COMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics")).size(), 2);
    QTest::qWait(100);
    QVERIFY(grid()->getThumbnailInfo(0).id.isEmpty());
    QCOMPARE(m_boxes->count(), 0);
}

void tst_OriginalView::refusedListWarns()
{
    Data::servePhotos(*m_service, QJsonObject{{"code", "0"}, {"message", "订单不存在"}});
    makeView();
    m_view->refreshData(orderMap());
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("订单不存在")), 10000);
    QVERIFY(grid()->getThumbnailInfo(0).id.isEmpty());
}

void tst_OriginalView::deletesOnServiceThenShare()
{
    const QString a = onShare(kFolder + QStringLiteral("/原片/A.jpg"));
    const QString a90 = onShare(kFolder + QStringLiteral("/90/A.jpg"));
    const QString a1920 = onShare(kFolder + QStringLiteral("/1920/A.jpg"));
    const QString raw = onShare(kFolder + QStringLiteral("/原始档/A.CR3"));
    const QString keep = onShare(kFolder + QStringLiteral("/原片/KEEP.jpg"));
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("5", "A.jpg", kFolder)},
                                                    QJsonArray{Data::raw("6", "A.CR3", kFolder)}));
    // The view is busy while the service is asked.
    bool readyWhenAsked = true;
    m_service->setHandler(QStringLiteral("order"), QStringLiteral("delete_pics"), [&](const StandInService::Request &) {
        readyWhenAsked = m_view->isReady();
        return Data::accepted();
    });
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(1).name, QStringLiteral("A.CR3"), 10000);

    selectAllAndDelete();
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("delete_pics")).size(), 1, 10000);
    QVERIFY(!readyWhenAsked);
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(raw), 10000);
    QTRY_VERIFY(m_view->isReady());
    QVERIFY(!QFile::exists(a));
    QVERIFY(!QFile::exists(a90));
    QVERIFY(!QFile::exists(a1920));
    QVERIFY(QFile::exists(keep));
    const auto deletes = m_service->requests(QStringLiteral("order"), QStringLiteral("delete_pics"));
    QCOMPARE(deletes.size(), 1);
    QCOMPARE(deletes.at(0).fieldNames().mid(0, 4), (QStringList{"shopid", "order_photo_id", "ids", "timestamp"}));
    QCOMPARE(deletes.at(0).field(QStringLiteral("ids")), QStringLiteral("5,6"));
    // The list reloads after the summary; nothing to report by hand.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics")).size(), 2, 10000);
    QVERIFY(!openDialog());
}

// Two questions answered one after the other: the second comes while the
// first deletion goes on, and asks nothing more of the service.
void tst_OriginalView::secondConfirmDuringDeletionSendsNothing()
{
    onShare(kFolder + QStringLiteral("/原片/A.jpg"));
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("5", "A.jpg", kFolder)}, QJsonArray()));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), Data::accepted());
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(0).name, QStringLiteral("A.jpg"), 10000);
    QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("selectAllButton")), Qt::LeftButton);
    auto *deleteButton = m_view->findChild<QPushButton *>(QStringLiteral("deleteButton"));
    deleteButton->click();
    QVERIFY(openDialog());
    deleteButton->click();
    QList<SimpleDialog *> questions;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<SimpleDialog *>(w); dialog && dialog->isVisible())
            questions << dialog;
    }
    QCOMPARE(questions.size(), 2);
    for (SimpleDialog *question : questions)
        question->handleOk();
    QVERIFY(dialogAnswersRun());
    QTRY_VERIFY_WITH_TIMEOUT(m_view->isReady(), 10000);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("delete_pics")).size(), 1);
}

// Photos shown while the view's order came without its id: deleting them
// asks nothing of the service, and every file stays.
void tst_OriginalView::deletionForOrderWithoutIdSendsNothing()
{
    const QString a = onShare(kFolder + QStringLiteral("/原片/A.jpg"));
    makeView();
    QMap<QString, QString> noId = orderMap();
    noId.remove(QStringLiteral("order_photo_id"));
    m_view->refreshData(noId);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("订单数据错误")));
    m_boxes->clear();
    grid()->loadThumbnails(ImportedPhotos::photoList(
        Data::photosReply(kFolder, QJsonArray{Data::jpeg("5", "A.jpg", kFolder)}, QJsonArray())));
    QTRY_COMPARE(grid()->getThumbnailInfo(0).name, QStringLiteral("A.jpg"));
    selectAllAndDelete();
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("订单数据错误")));
    QVERIFY(m_service->requests().isEmpty());
    QVERIFY(QFile::exists(a));
}

void tst_OriginalView::missingMainFileReported()
{
    const QString a90 = onShare(kFolder + QStringLiteral("/90/A.jpg"));
    const QString b = onShare(kFolder + QStringLiteral("/原片/B.jpg"));
    const QString b1920 = onShare(kFolder + QStringLiteral("/1920/B.jpg"));
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("1", "A.jpg", kFolder),
                                                                        Data::jpeg("2", "B.jpg", kFolder)}, {}));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), Data::accepted());
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(1).name, QStringLiteral("B.jpg"), 10000);
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("getorder_pics"), 3000);
    selectAllAndDelete();
    // Not all went: no success.
    QTRY_VERIFY_WITH_TIMEOUT(FullScreenLoading::getInstance(m_view)
                                 && FullScreenLoading::getInstance(m_view)->message() == QStringLiteral("部分文件删除失败!"),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 10000);
    const QString text = openDialog()->findChild<QTextBrowser *>()->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("本地文件删除失败，请检查手动删除以下照片！")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("A.jpg 文件不存在")));
    QVERIFY(!text.contains(QStringLiteral("\\A.jpg 文件不存在")));
    // B's main file went, its missing reduced copy is listed by folder and name.
    QVERIFY(text.contains(QStringLiteral("\\90\\B.jpg 文件不存在")));
    // A missing main file leaves its reduced copies alone.
    QVERIFY(QFile::exists(a90));
    QVERIFY(!QFile::exists(b));
    QVERIFY(!QFile::exists(b1920));
}

void tst_OriginalView::partialDeletionIsNoSuccess_data()
{
    QTest::addColumn<QString>("left"); // "copy": B's reduced copy stays; "refused": A has no usable id
    QTest::addColumn<QString>("listed");
    QTest::newRow("reduced copy left behind") << "copy" << "\\90\\B.jpg";
    QTest::newRow("a photo refused before the request") << "refused" << "A.jpg 编号无效";
}

// Every main file of the request went, but something stayed: no success, and
// each deletion lists only what stayed of its own.
void tst_OriginalView::partialDeletionIsNoSuccess()
{
    QFETCH(QString, left);
    QFETCH(QString, listed);
    const QString b = onShare(kFolder + QStringLiteral("/原片/B.jpg"));
    // A folder in the copy's place: its removal fails, as root too.
    if (left == QLatin1String("copy")) {
        onShare(kFolder + QStringLiteral("/90/B.jpg/kept"));
    } else {
        onShare(kFolder + QStringLiteral("/90/B.jpg"));
        onShare(kFolder + QStringLiteral("/1920/B.jpg"));
    }
    QJsonArray photos{Data::jpeg("2", "B.jpg", kFolder)};
    if (left == QLatin1String("refused")) {
        QJsonObject a = Data::jpeg("1", "A.jpg", kFolder);
        a.insert(QStringLiteral("id"), QJsonValue());
        photos.prepend(a);
    }
    Data::servePhotos(*m_service, Data::photosReply(kFolder, photos, {}));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), Data::accepted());
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(photos.size() - 1).name, QStringLiteral("B.jpg"), 10000);
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("getorder_pics"), 3000);
    // A refused photo is refused again the next time, and listed once each time.
    const int rounds = left == QLatin1String("refused") ? 2 : 1;
    for (int round = 1; round <= rounds; ++round) {
        selectAllAndDelete();
        // The second round finds B's main file gone: that one fails whole.
        const QString overlay = round == 1 ? QStringLiteral("部分文件删除失败!") : QStringLiteral("删除失败!");
        QTRY_VERIFY_WITH_TIMEOUT(FullScreenLoading::getInstance(m_view)
                                     && FullScreenLoading::getInstance(m_view)->message() == overlay,
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 10000);
        const QString text = openDialog()->findChild<QTextBrowser *>()->toPlainText();
        QCOMPARE(text.count(listed), 1);
        QCOMPARE(text.startsWith(QStringLiteral("以下照片不能删除：")), left == QLatin1String("refused"));
        QVERIFY(!QFile::exists(b));
        delete openDialog();
        QTRY_VERIFY_WITH_TIMEOUT(m_view->isReady() && grid()->getThumbnailInfo(photos.size() - 1).name == "B.jpg", 10000);
    }
}

void tst_OriginalView::mainFileNotRemovedCountsFailed()
{
    // A non-empty folder in the photo's place cannot be removed, even by root.
    onShare(kFolder + QStringLiteral("/原片/A.jpg/inside"));
    const QString a90 = onShare(kFolder + QStringLiteral("/90/A.jpg"));
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("1", "A.jpg", kFolder)}, {}));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), Data::accepted());
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(0).name, QStringLiteral("A.jpg"), 10000);
    // The reload after the summary is held back so that it does not take the overlay away.
    m_service->setDelay(QStringLiteral("order"), QStringLiteral("getorder_pics"), 3000);
    selectAllAndDelete();
    const auto overlay = [this] {
        FullScreenLoading *loading = FullScreenLoading::getInstance(m_view);
        return loading ? loading->message() : QString();
    };
    // Its reduced copy went, but the photo is not deleted.
    QTRY_COMPARE_WITH_TIMEOUT(overlay(), QStringLiteral("删除失败!"), 10000);
    QVERIFY(!QFile::exists(a90));
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 10000);
    QVERIFY(openDialog()->findChild<QTextBrowser *>()->toPlainText().contains(QStringLiteral("A.jpg删除失败:")));
}

void tst_OriginalView::deletionAsksAndRefusesOffShare()
{
    const QString a = onShare(kFolder + QStringLiteral("/原片/A.jpg"));
    // A file of the test's own beside the share, never a system file: the
    // tests run as root.
    QTemporaryDir offShare;
    const QString off = offShare.filePath(QStringLiteral("hostname"));
    {
        QFile file(off);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    QJsonObject outside = Data::jpeg("1", "B.jpg", kFolder, false);
    outside.insert(QStringLiteral("localpath"), off);
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("2", "A.jpg", kFolder, false), outside}, {}));
    makeView();
    // An order without its id: the service is asked nothing, not even for its photos.
    QMap<QString, QString> noId = orderMap();
    noId.remove(QStringLiteral("order_photo_id"));
    m_view->refreshData(noId);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("订单数据错误")));
    QVERIFY(m_service->requests().isEmpty());
    QVERIFY(m_view->isReady());
    // An order folder past the system's limits: nothing is looked at, nothing asked.
    QMap<QString, QString> far = orderMap();
    far.insert(QStringLiteral("importPath"), MountRoot::path() + kFolder + '/' + QString(256, 'n') + '/');
    m_view->refreshData(far);
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(1).name, QStringLiteral("B.jpg"), 10000);
    selectAllAndDelete();
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), K::pathTooLongMessage(far.value("importPath"))));
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(1).name, QStringLiteral("B.jpg"), 10000);
    // Nothing selected yet: no question, no request.
    QTest::mouseClick(m_view->findChild<QPushButton *>(QStringLiteral("deleteButton")), Qt::LeftButton);
    QVERIFY(!openDialog());
    selectAllAndDelete(false);
    QVERIFY(m_view->isReady());
    QVERIFY(m_service->requests(QStringLiteral("order"), QStringLiteral("delete_pics")).isEmpty());

    // The service refuses: nothing is touched.
    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), QJsonObject{{"code", "0"}, {"message", "无删除权限"}});
    selectAllAndDelete(true);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("delete_pics")).size(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(m_view->isReady(), 10000);
    QVERIFY(QFile::exists(a));

    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), Data::accepted());
    // Away from the screen's middle: a box centred there is told from one centred on the view.
    m_view->setGeometry(40, 30, 500, 360);
    QVERIFY((m_view->geometry().center() - m_view->screen()->geometry().center()).manhattanLength() > 100);
    selectAllAndDelete(true);
    QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 10000);
    const QString text = openDialog()->findChild<QTextBrowser *>()->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("以下照片不能删除：\nB.jpg 路径不在共享目录内")), qPrintable(text));
    // The box of photos kept is the view's, opened over it as its question was.
    QCOMPARE(openDialog()->parentWidget(), m_view.data());
    QVERIFY((openDialog()->geometry().center() - m_view->geometry().center()).manhattanLength() <= 2);
    // Its record is not asked for either.
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("delete_pics")).last().field("ids"), QStringLiteral("2"));
    QVERIFY(!QFile::exists(a));
    QVERIFY(QFile::exists(off));
}

void tst_OriginalView::reducedCopiesOffShareKept()
{
    const QString a = onShare(kFolder + QStringLiteral("/原片/A.jpg"));
    const QString a1920 = onShare(kFolder + QStringLiteral("/1920/A.jpg"));
    // The service names a reduced copy outside the share: it is never removed.
    QTemporaryDir offShare;
    const QString off = offShare.filePath(QStringLiteral("90/A.jpg"));
    QVERIFY(QDir().mkpath(QFileInfo(off).path()));
    {
        QFile file(off);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    }
    QJsonObject photo = Data::jpeg("1", "A.jpg", kFolder);
    photo.insert(QStringLiteral("localpath_90"), off);
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{photo}, {}));
    m_service->setReply(QStringLiteral("order"), QStringLiteral("delete_pics"), Data::accepted());
    makeView();
    m_view->refreshData(orderMap());
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(0).name, QStringLiteral("A.jpg"), 10000);
    selectAllAndDelete();
    // Its record would go with that copy: neither the record nor a file of the photo is touched.
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains("温馨提示", "以下照片不能删除：\n\\90\\A.jpg 路径不在共享目录内"), 10000);
    QVERIFY(m_service->requests("order", "delete_pics").isEmpty());
    QVERIFY(m_view->isReady());
    QVERIFY(QFile::exists(off));
    QVERIFY(QFile::exists(a));
    QVERIFY(QFile::exists(a1920));
}

void tst_OriginalView::deletesOnlyOnMountedShare_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("sent");   // the ids "delete_pics" carries; empty: it is not sent
    QTest::addColumn<QString>("listed"); // the report (or, with nothing sent, the box) says this; empty: no report
    QTest::addColumn<QStringList>("kept"); // files left on the share
    const QStringList all{"1920/A.jpg", "90/A.jpg", "原始档/A.CR3", "原片/A.jpg"};
    QTest::newRow("mounted") << "" << "5,6" << "" << QStringList();
    QTest::newRow("unmounted, Finder's note left") << "unmounted" << "" << "" << all;
    QTest::newRow("unmounted, an order folder left") << "unmounted, order left" << "" << "" << all;
    QTest::newRow("smb server gone") << "server gone" << "" << "" << all;
    // Bound at the share folder: it stays a mount point whose root still answers a look-up.
    QTest::newRow("smb server gone, share in the root") << "server gone in root" << "" << "" << all;
    QTest::newRow("smb server gone once the service agreed") << "server gone in root when agreed" << "5,6"
                                                             << "A.jpg 共享目录不存在" << all;
    // The files went from the share, or stay named; the copies left in the mount point stay.
    QTest::newRow("unmounted at the removal") << "at the removal, order left" << "5,6" << "共享目录不存在" << all;
    QTest::newRow("unmounted once the service agreed") << "gone when agreed" << "5,6" << "A.jpg 共享目录不存在" << all;
    // The photo and its reduced copies stay, its record too; its raw goes.
    QTest::newRow("photo folder links off the share") << "link" << "6" << "以下照片不能删除：\nA.jpg 路径不在共享目录内"
                                                      << QStringList{"1920/A.jpg", "90/A.jpg", "moved/A.jpg"};
    QTest::newRow("photo folder links to another order") << "link to order" << "6" << "A.jpg 目录不在订单目录内"
                                                         << QStringList{"1920/A.jpg", "90/A.jpg", "moved/A.jpg"};
    // The share's own folder holds no order's photos; the order's folder itself does.
    QTest::newRow("record in the share's folder") << "record in share" << "6" << "以下照片不能删除：\nA.jpg 路径不在共享目录内"
                                                  << QStringList{"1920/A.jpg", "90/A.jpg", "原片/A.jpg"};
    QTest::newRow("record in the order's folder") << "record in order" << "5,6" << "" << QStringList{"原片/A.jpg"};
    QTest::newRow("record names another order's file") << "record of order" << "6" << "A.jpg 目录不在订单目录内"
                                                        << QStringList{"1920/A.jpg", "90/A.jpg", "原片/A.jpg"};
    QTest::newRow("photo folder re-pointed off the share once the service agreed")
        << "repointed off when agreed" << "5,6" << "A.jpg 路径不在共享目录内" << QStringList{"1920/A.jpg", "90/A.jpg", "moved/A.jpg"};
    QTest::newRow("photo folder re-pointed to another order once the service agreed")
        << "repointed to order when agreed" << "5,6" << "A.jpg 目录不在订单目录内" << QStringList{"1920/A.jpg", "90/A.jpg", "moved/A.jpg"};
    QTest::newRow("order folder links off the share") << "order link" << "" << "订单文件夹不在共享目录内: " << all;
    // "=link:" the refusal naming the link below the mount point; nothing of either order goes.
    QTest::newRow("order folder links into another order") << "order link to order" << ""
                                                           << "=link:orders/DD1-1" << QStringList{"原片/A.jpg"};
    QTest::newRow("year folder links into another tree") << "year link" << "" << "=link:orders" << all;
    // A folder not there says its photo is not there; one that is a file does not.
    QTest::newRow("photo folder moved away") << "photo folder moved" << "5,6" << "A.jpg 文件不存在"
                                             << QStringList{"1920/A.jpg", "90/A.jpg", "moved/A.jpg"};
    QTest::newRow("order folder moved away") << "order moved" << "5,6" << "A.jpg 文件不存在" << QStringList();
    QTest::newRow("photo folder a file") << "photo folder a file" << "5,6" << "A.jpg Not a directory"
                                         << QStringList{"1920/A.jpg", "90/A.jpg", "moved/A.jpg", "原片"};
    // The share refuses an immutable file with EPERM.
    QTest::newRow("photo immutable") << "immutable 原片" << "5,6" << "A.jpg 没有删除权限" << QStringList{"1920/A.jpg", "90/A.jpg", "原片/A.jpg"};
    QTest::newRow("reduced copy immutable") << "immutable 90" << "5,6" << "\\90\\A.jpg 没有删除权限" << QStringList{"90/A.jpg"};
    // Ids of the wrong form are sent for no photo: those are named, their files stay, no success claims them.
    QTest::newRow("ids null and a fraction") << "ids unusable" << "" << "以下照片不能删除：\nA.jpg 编号无效\nA.CR3 编号无效" << all;
    // A photo kept with its record is not one to remove by hand.
    QTest::newRow("an id an integer, one null") << "ids integer" << "5" << "以下照片不能删除：\nA.CR3 编号无效"
                                                << QStringList{"原始档/A.CR3"};
    QTest::newRow("one id null, the other's removal fails")
        << "ids mixed" << "5"
        << "以下照片不能删除：\nA.CR3 编号无效\n本地文件删除失败，请检查手动删除以下照片！\nA.jpg 没有删除权限"
        << QStringList{"1920/A.jpg", "90/A.jpg", "原始档/A.CR3", "原片/A.jpg"};
    // Pinned at the photos' own folder.
    QTest::newRow("order without its folder") << "no order folder" << "5,6" << "" << QStringList();
}

// The share is real (a bind mount, or SMB); once it is gone its mount point
// is a local folder, whatever it holds.
void tst_OriginalView::deletesOnlyOnMountedShare()
{
    QFETCH(QString, fault);
    QFETCH(QString, sent);
    QFETCH(QString, listed);
    QFETCH(QStringList, kept);
    const bool asked = !sent.isEmpty();
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    const QString mountPoint = m_root->path() + Data::kShare;
    const QString order = kFolder.section('/', 1);
    QTemporaryDir backing, elsewhere;
    QString served = backing.path();
    SmbShare smb(Data::kShare);
    QScopedPointer<BindMount> bind;
    QStringList leftovers;
    if (fault == "server gone") {
        SMBSHARE_START(smb);
        MountRoot::setPath(QFileInfo(smb.sharePath()).path());
        served = smb.servedPath();
    } else {
        writeFile(mountPoint + "/.DS_Store");
        if (fault.contains("order left")) {
            for (const char *file : {"原片/A.jpg", "90/A.jpg", "1920/A.jpg", "原始档/A.CR3"})
                writeFile(mountPoint + '/' + order + '/' + QString::fromUtf8(file), "left");
        }
        leftovers = everythingBelow(mountPoint);
        QString source = backing.path();
        if (fault.startsWith("server gone in root")) {
            SMBSHARE_START(smb);
            served = smb.servedPath();
            source = smb.sharePath();
        }
        bind.reset(new BindMount(source, mountPoint));
        if (!bind->isMounted())
            QSKIP("bind mounts need root");
    }

    for (const char *name : {"原片/A.jpg", "90/A.jpg", "1920/A.jpg", "原始档/A.CR3"})
        writeFile(served + '/' + order + '/' + QString::fromUtf8(name));
    // Another order's photo of the same name on the same share.
    const QString otherOrder = QStringLiteral("orders/DD2-1");
    writeFile(served + '/' + otherOrder + "/原片/A.jpg", "other");
    if (fault.startsWith("link") || fault.startsWith("photo folder"))
        QVERIFY(QDir(served + '/' + order).rename("原片", "moved"));
    if (fault == "photo folder a file")
        writeFile(served + '/' + order + "/原片");
    writeFile(elsewhere.filePath("A.jpg"));
    if (fault == "link")
        QVERIFY(QFile::link(elsewhere.path(), served + '/' + order + "/原片"));
    if (fault == "link to order")
        QVERIFY(QFile::link("../DD2-1/原片", served + '/' + order + "/原片"));
    if (fault == "order link") {
        QVERIFY(QDir().rename(served + '/' + order, elsewhere.filePath("o")));
        QVERIFY(QFile::link(elsewhere.filePath("o"), served + '/' + order));
    }
    if (fault == "order link to order") {
        QVERIFY(QDir().rename(served + '/' + order, elsewhere.filePath("o")));
        QVERIFY(QFile::link("DD2-1", served + '/' + order));
    }
    if (fault == "year link") {
        QVERIFY(QDir(served).rename("orders", "orders-2023"));
        QVERIFY(QFile::link("orders-2023", served + "/orders"));
    }
    const bool linkRefused = listed.startsWith("=link:");
    if (linkRefused)
        listed = K::orderFolderLinkMessage(mountPoint + '/' + listed.mid(6));
    if (fault == "order moved")
        QVERIFY(QDir().rename(served + '/' + order, served + '/' + order + "-gone"));
    const QStringList immutable{served + '/' + order + '/' + (fault == "ids mixed" ? QStringLiteral("原片") : fault.section(' ', 1))
                                + "/A.jpg"};
    if (fault.startsWith("immutable") || fault == "ids mixed")
        QCOMPARE(QProcess::execute("chattr", QStringList{"+i"} + immutable), 0);
    const auto mutableAgain = qScopeGuard([&] { QProcess::execute("chattr", QStringList{"-i"} + immutable); });
    QJsonObject photo = Data::jpeg("5", "A.jpg", kFolder), raw = Data::raw("6", "A.CR3", kFolder);
    if (fault == "record of order")
        photo.insert("localpath", Data::unc(Data::kShare + '/' + otherOrder + "/原片/A.jpg"));
    if (fault == "record in share") {
        writeFile(served + "/A.jpg", "share");
        photo.insert("localpath", Data::unc(Data::kShare + "/A.jpg"));
    }
    if (fault == "record in order") {
        writeFile(served + '/' + order + "/A.jpg", "order");
        photo.insert("localpath", Data::unc(kFolder + "/A.jpg"));
    }
    if (fault.startsWith("ids")) {
        const bool oneUsable = fault == "ids integer" || fault == "ids mixed";
        photo.insert("id", oneUsable ? QJsonValue(5) : QJsonValue());
        raw.insert("id", oneUsable ? QJsonValue() : QJsonValue(9002.5));
    }
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{photo}, QJsonArray{raw}));
    m_service->setHandler("order", "delete_pics", [&](const StandInService::Request &) {
        if (fault == "gone when agreed")
            bind->unmount();
        else if (fault.startsWith("repointed")) {
            QDir(served + '/' + order).rename("原片", "moved");
            QFile::link(fault.contains("order") ? "../DD2-1/原片" : elsewhere.path(), served + '/' + order + "/原片");
        } else if (fault.endsWith("when agreed"))
            smb.stopServer();
        return Data::accepted();
    });
    makeView();
    std::once_flag unmounted;
    if (fault.contains("at the removal"))
        m_view->setBeforeRemoval([&] { std::call_once(unmounted, [&] { bind->unmount(); }); });
    QMap<QString, QString> details = orderMap();
    if (fault == "no order folder")
        details.insert(QStringLiteral("importPath"), QString());
    m_view->refreshData(details);
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(1).name, QStringLiteral("A.CR3"), 10000);
    if (fault.startsWith("unmounted"))
        bind->unmount();
    else if (fault == "server gone" || fault == "server gone in root")
        QVERIFY(smb.stopServer());

    selectAllAndDelete();
    if (!asked) {
        const QString why = listed.isEmpty() ? K::missingShareMessage(orderMap().value("importPath")) : listed;
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->count() == 1 && m_boxes->boxes().at(0).text.contains(why), 10000);
        // The link itself is named, not the order folder below it.
        if (linkRefused)
            QCOMPARE(m_boxes->boxes().at(0).text, why);
        QVERIFY(m_view->isReady());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "delete_pics").size(), 1, 10000);
        QCOMPARE(m_service->requests("order", "delete_pics").at(0).field("ids"), sent);
        QTRY_VERIFY_WITH_TIMEOUT(m_view->isReady(), 10000);
        if (!listed.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(openDialog(), 10000);
            const QString text = openDialog()->findChild<QTextBrowser *>()->toPlainText();
            QVERIFY2(text.contains(listed), qPrintable(text));
            // Kept photos are never listed for removal by hand.
            if (!listed.contains(QStringLiteral("本地文件删除失败")) && listed.startsWith(QStringLiteral("以下照片不能删除")))
                QVERIFY2(!text.contains(QStringLiteral("本地文件删除失败")), qPrintable(text));
            QVERIFY(!FullScreenLoading::getInstance(m_view)
                    || FullScreenLoading::getInstance(m_view)->message() != QStringLiteral("删除完成！"));
            // The share that went is named, not the photo; a photo it cannot answer for is not said missing.
            if (fault.contains("gone") || fault.contains("at the removal")) {
                QVERIFY2(text.contains(K::missingShareMessage(mountPoint + '/')), qPrintable(text));
                QVERIFY2(!text.contains("文件不存在"), qPrintable(text));
            }
        }
    }
    QCOMPARE(m_service->requests("order", "delete_pics").size(), asked ? 1 : 0);
    // An unmount amid the removals leaves some of the files on the share.
    if (fault.contains("at the removal"))
        QVERIFY(!everythingBelow(served + '/' + order, QDir::Files).isEmpty());
    else
        QCOMPARE(everythingBelow(served + '/' + order, QDir::Files), kept);
    QVERIFY(QFile::exists(elsewhere.filePath("A.jpg")));
    QVERIFY(QFile::exists(served + '/' + otherOrder + "/原片/A.jpg"));
    QCOMPARE(QFile::exists(served + "/A.jpg"), fault == "record in share");
    // Nothing in the mount point left behind is touched.
    if (bind && !bind->isMounted())
        QCOMPARE(everythingBelow(mountPoint), leftovers);
    QCOMPARE(m_boxes->count(), asked ? 0 : 1);
}

void tst_OriginalView::replyOfWrongForm_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QJsonObject>("reply");
    QTest::newRow("list, numeric code") << "getorder_pics" << QJsonObject{{"code", 1}, {"message", "成功"}};
    QTest::newRow("list, no code") << "getorder_pics" << QJsonObject{{"message", "成功"}};
    QTest::newRow("delete, numeric code") << "delete_pics" << QJsonObject{{"code", 1}, {"message", "DD1-1：成功"}};
}

// A reply whose code is missing or not a string is said to be broken, never taken for its message.
void tst_OriginalView::replyOfWrongForm()
{
    QFETCH(QString, action);
    QFETCH(QJsonObject, reply);
    const QString a = onShare(kFolder + QStringLiteral("/原片/A.jpg"));
    if (action == "getorder_pics")
        Data::servePhotos(*m_service, reply);
    else
        Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("1", "A.jpg", kFolder, false)}, {}));
    m_service->setReply("order", "delete_pics", reply);
    makeView();
    m_view->refreshData(orderMap());
    if (action == "getorder_pics") {
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains("温馨提示", "服务器返回数据格式错误"), 10000);
        QVERIFY(grid()->getThumbnailInfo(0).id.isEmpty());
        return;
    }
    QTRY_COMPARE_WITH_TIMEOUT(grid()->getThumbnailInfo(0).name, QStringLiteral("A.jpg"), 10000);
    m_service->setDelay("order", "getorder_pics", 3000);
    selectAllAndDelete();
    const auto overlay = [this] {
        FullScreenLoading *loading = FullScreenLoading::getInstance(m_view);
        return loading ? loading->message() : QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(overlay(), QStringLiteral("服务器返回数据格式错误"), 10000);
    QTRY_VERIFY(m_view->isReady());
    QVERIFY(QFile::exists(a));
}

void tst_OriginalView::windowHandsSelectedOrderToView()
{
    Data::install(*m_service, 2);
    Data::servePhotos(*m_service, Data::photosReply(kFolder, QJsonArray{Data::jpeg("1", "A.jpg", kFolder)}, {}));
    auto *window = new ImportFiles();
    window->setImportType(OriginalFiles);
    window->show();
    QVERIFY(window->originalView());
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("searchButton")), Qt::LeftButton);
    auto *table = window->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), 2, 10000);
    table->selectRow(1);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics")).size(), 1, 30000);
    const auto request = m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics")).at(0);
    QCOMPARE(request.field(QStringLiteral("order_photo_id")), Data::orderPhotoId(1));
    QCOMPARE(request.field(QStringLiteral("shopid")), QStringLiteral("11"));
    QCOMPARE(window->originalView()->findChild<QLabel *>(QStringLiteral("importedTitle"))->text(),
             QStringLiteral("已导入 %1-1 王芳 王强 摄影师1").arg(Data::orderNumber(1)));
    // Selecting the same row again asks nothing more.
    table->selectRow(1);
    QTest::qWait(100);
    QCOMPARE(m_service->requests(QStringLiteral("order"), QStringLiteral("getorder_pics")).size(), 1);
    delete window;

    auto *retouched = new ImportFiles();
    retouched->setImportType(RetouchedFiles);
    QVERIFY(!retouched->originalView());
    delete retouched;
}

QTEST_MAIN(tst_OriginalView)
#include "tst_OriginalView.moc"
