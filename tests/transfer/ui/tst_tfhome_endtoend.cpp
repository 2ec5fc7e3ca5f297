#include "app/ChooseTools.h"
#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/LoginNew.h"
#include "app/ToolCardWidget.h"
#include "support/EngineTestImages.h"
#include "support/QuietPlatformNotes.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/SmallTmpfs.h"
#include "support/SmbShare.h"
#include "support/StandInService.h"
#include "support/TransferMessageBoxes.h"
#include "support/TransferReportData.h"
#include "support/TransferStudioData.h"
#include "transfer/engine/tfimportthreadmanager.h"
#include "transfer/ui/tfhome.h"
#include "transfer/ui/tfhomeorders.h"
#include "transfer/ui/tfhomeorders_OrderListWidget.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"
#include "transfer/ui/tfhomephotos.h"
#include "transfer/ui/PhotoItem.h"

#include <QtTest>

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include <fcntl.h>
#include <cstdio>
#include <stdio.h>
#include <optional>

namespace Data = TransferStudioData;

// The photo transfer tool end to end: the real window, panes and import
// engine against the stand-in service, with a temporary folder (or a real
// SMB share) as the mount root.
class TfhomeEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void mainRoadFromLogin();
    void failedCopyIsShownAndNotReported();
    void fullShareSaysWhy();
    void failedPhotosLeaveNoCopies();
    void refusedPhotoReportFailsThePhoto_data();
    void refusedPhotoReportFailsThePhoto();
    void secondCardAsksBeforeReplacing_data();
    void secondCardAsksBeforeReplacing();
    void previewsAreRefused();
    void pauseAndResume();
    void runInterrupted_data();
    void runInterrupted();
    void closeWaitsForOrderReports();
    void pathErrorPausesTheRun();
    void sameOrderNumberDifferentVisits();
    void mainRoadOnSmbShare();

private:
    struct Reported
    {
        QString name;
        QString type;
    };

    void serveOrders(const QList<QJsonObject> &orders);
    QJsonArray reportedImages(const QString &orderPhotoId) const;
    tfhome *openDirectly();
    tfhome *openFromLauncher();
    tfhomeorders_OrderListWidget *table() const;
    QTableWidget *grid() const;
    QString cell(int row, const QString &title) const;
    void search(int rows);
    void pick(int row, const QStringList &files);
    void startAll();
    bool waitForSummary(int timeoutMs = 60000);
    QString sourcePhoto(const QString &name, int orientation = 1);
    QString sourceVideo(const QString &name, int bytes);
    QList<StandInService::Request> reports() const;
    QStringList pickedTiles() const;
    QStringList pickedFailures() const;
    QString pickedTitle() const;
    void runMainRoad(const QString &root);

    QTemporaryDir m_sources;
    QTemporaryDir m_data;
    StandInService *m_service = nullptr;
    TransferMessageBoxes *m_boxes = nullptr;
    QList<QJsonObject> m_orders;
    QPointer<tfhome> m_window;
    QStringList m_chosen;
};

void TfhomeEndToEndTest::initTestCase()
{
    QuietPlatformNotes::install();
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_sources.isValid());
    QVERIFY(m_data.isValid());
    Config::k_datarootpath = m_data.path() + QLatin1Char('/');
}

void TfhomeEndToEndTest::init()
{
    Config::k_importType = FinishedPhotos;
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_service->setReply("public", "dologin",
                        QJsonObject{{"code", "1"}, {"UID", "8001"}, {"EID", "5001"}, {"SUPERID", "9001"},
                                    {"shop_data", QJsonArray{QJsonObject{{"id", "11"}, {"name", "旗舰店"}}}}});
    m_service->setReply("public", "switch_shop", Data::switchShopReply());
    m_service->setReply("order", "get_persons", Data::personsReply());
    m_service->setHandler("order", "getorderphotoimg", [this](const StandInService::Request &request) {
        return QJsonObject{{"code", "1"}, {"images", reportedImages(request.field("order_photo_id"))}};
    });
    TransferReportData::install(*m_service);
    m_boxes = new TransferMessageBoxes(this);
    serveOrders({Data::order(0, 0), Data::order(1, 0)});
}

void TfhomeEndToEndTest::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_window;
    QList<QPointer<QWidget>> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<LoginNew *>(widget) || qobject_cast<ChooseTools *>(widget))
            windows << widget;
    }
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
    delete m_boxes;
    m_boxes = nullptr;
    delete m_service;
    m_service = nullptr;
    Config::k_shops.clear();
    Config::k_importType = FinishedPhotos;
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

// The order list answers with the orders and, per order, what was reported so far.
void TfhomeEndToEndTest::serveOrders(const QList<QJsonObject> &orders)
{
    m_orders = orders;
    m_service->setHandler("order", "order_list", [this](const StandInService::Request &) {
        QJsonArray data;
        for (QJsonObject order : qAsConst(m_orders)) {
            const QJsonArray images = reportedImages(order.value("order_photo_id").toString());
            QJsonArray photos;
            QJsonArray videos;
            for (const QJsonValue &image : images)
                (image.toObject().value("type").toString() == "1" ? photos : videos).append(image);
            order["images"] = photos;
            order["images_taipian"] = videos;
            data.append(order);
        }
        return QJsonObject{{"code", "1"}, {"openypml", 1}, {"delyp", 1}, {"data", data}};
    });
}

QJsonArray TfhomeEndToEndTest::reportedImages(const QString &orderPhotoId) const
{
    QJsonArray images;
    int id = 1;
    for (const StandInService::Request &request : m_service->requests()) {
        if (request.module() != "order" || request.field("order_photo_id") != orderPhotoId)
            continue;
        if (request.action() != "savepicpath" && request.action() != "savepicpathmv")
            continue;
        const QString type = request.action() == "savepicpath" ? QStringLiteral("1") : request.field("type");
        images.append(QJsonObject{{"id", QString::number(id++)},
                                  {"img_name", TransferReportData::fileNameOf(request.field("path"))},
                                  {"url", QString()},
                                  {"localpath", request.field("path")},
                                  {"type", type}});
    }
    return images;
}

tfhome *TfhomeEndToEndTest::openDirectly()
{
    Config::k_shops = {ShopEntry{QStringLiteral("11"), QStringLiteral("旗舰店"), QString()}};
    Config::k_manager_id = QStringLiteral("5001");
    m_window = new tfhome;
    m_window->show();
    table()->setFileChooser([this](QWidget *, const QString &, const QString &) { return m_chosen; });
    return m_window;
}

tfhome *TfhomeEndToEndTest::openFromLauncher()
{
    auto *login = new LoginNew;
    login->show();
    const QList<QLineEdit *> fields = login->findChildren<QLineEdit *>(QStringLiteral("inputField"));
    if (fields.size() < 2)
        return nullptr;
    fields.at(0)->setText(QStringLiteral("staff"));
    fields.at(1)->setText(QStringLiteral("secret"));
    login->findChild<QPushButton *>(QStringLiteral("loginButton"))->click();
    ChooseTools *launcher = nullptr;
    (void)QTest::qWaitFor(
        [&]() {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if ((launcher = qobject_cast<ChooseTools *>(widget)))
                    return true;
            }
            return false;
        },
        30000);
    if (!launcher)
        return nullptr;
    for (ToolCardWidget *card : launcher->findChildren<ToolCardWidget *>()) {
        if (card->toolName() == QStringLiteral("导片工具"))
            QTest::mouseDClick(card, Qt::LeftButton);
    }
    m_window = qobject_cast<tfhome *>(launcher->toolWindow(QStringLiteral("导片工具")));
    if (m_window)
        table()->setFileChooser([this](QWidget *, const QString &, const QString &) { return m_chosen; });
    return m_window;
}

tfhomeorders_OrderListWidget *TfhomeEndToEndTest::table() const
{
    return m_window->findChild<tfhomeorders_OrderListWidget *>(QStringLiteral("m_orderListWidget"));
}

QString TfhomeEndToEndTest::cell(int row, const QString &title) const
{
    auto *widget = table()->findChild<QTableWidget *>(QStringLiteral("orderTable"));
    for (int column = 0; column < widget->columnCount(); ++column) {
        if (widget->horizontalHeaderItem(column)->text() == title) {
            QTableWidgetItem *item = widget->item(row, column);
            return item ? item->text() : QString();
        }
    }
    return QStringLiteral("<no column>");
}

void TfhomeEndToEndTest::search(int rows)
{
    m_window->findChild<QPushButton *>(QStringLiteral("searchButton"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(table()->orderCount(), rows, 30000);
}

void TfhomeEndToEndTest::pick(int row, const QStringList &files)
{
    m_chosen = files;
    for (QPushButton *button : table()->findChildren<QPushButton *>(QStringLiteral("selectPhotosButton"))) {
        if (button->property("row").toInt() == row) {
            button->click();
            return;
        }
    }
    QFAIL("no picking button for the row");
}

void TfhomeEndToEndTest::startAll()
{
    table()->findChild<QPushButton *>(QStringLiteral("startAllButton"))->click();
}

bool TfhomeEndToEndTest::waitForSummary(int timeoutMs)
{
    const bool seen = QTest::qWaitFor(
        [this]() {
            for (const TransferMessageBoxes::Box &box : m_boxes->boxes()) {
                if (box.title == QStringLiteral("全部导完"))
                    return true;
            }
            return false;
        },
        timeoutMs);
    if (!seen) {
        // What the run showed instead, and where the orders stand.
        for (const TransferMessageBoxes::Box &box : m_boxes->boxes())
            qWarning().noquote() << "box:" << box.title << box.text;
        for (int row = 0; row < table()->orderCount(); ++row)
            qWarning().noquote() << "order" << row << cell(row, "上传状态") << cell(row, "已选");
    }
    return seen;
}

QString TfhomeEndToEndTest::sourcePhoto(const QString &name, int orientation)
{
    const QString path = m_sources.filePath(name);
    if (!EngineTestImages::writeJpeg(path, EngineTestImages::pattern(320, 240)))
        return QString();
    if (orientation != 1 && !EngineTestImages::tagOrientation(path, orientation))
        return QString();
    return path;
}

QString TfhomeEndToEndTest::sourceVideo(const QString &name, int bytes)
{
    const QString path = m_sources.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray content(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        content[i] = char(i * 31 % 251);
    file.write(content);
    return path;
}

QList<StandInService::Request> TfhomeEndToEndTest::reports() const
{
    static const QStringList actions{"savepicpath", "savepicpathmv", "saveorderphotopath", "logreadpic"};
    QList<StandInService::Request> found;
    for (const StandInService::Request &request : m_service->requests()) {
        if (request.module() == "order" && actions.contains(request.action()))
            found.append(request);
    }
    return found;
}

// The picked-photo panel's tiles as "name badge", sorted.
QStringList TfhomeEndToEndTest::pickedTiles() const
{
    QStringList tiles;
    for (PhotoItem *tile : m_window->findChild<tfhomephotos *>()->findChildren<PhotoItem *>())
        tiles << tile->findChild<QLabel *>(QStringLiteral("nameLabel"))->text() + ' '
                     + tile->findChild<QLabel *>(QStringLiteral("statusLabel"))->text();
    tiles.sort();
    return tiles;
}

// The tips of the picked-photo panel's tiles that say why a photo failed.
QStringList TfhomeEndToEndTest::pickedFailures() const
{
    QStringList tips;
    for (PhotoItem *tile : m_window->findChild<tfhomephotos *>()->findChildren<PhotoItem *>()) {
        if (tile->findChild<QLabel *>(QStringLiteral("statusLabel"))->text() == QStringLiteral("✕"))
            tips << tile->toolTip();
    }
    return tips;
}

QString TfhomeEndToEndTest::pickedTitle() const
{
    return m_window->findChild<tfhomephotos *>()->findChild<QLabel *>(QStringLiteral("pickedTitleLabel"))->text();
}

static QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().toHex()) : QString();
}

static QString unc(const QString &relative)
{
    return QStringLiteral("\\\\") + Data::kServer + QLatin1Char('\\') + QString(relative).replace('/', '\\');
}

// Order folders are kept with their closing separator.
static QString uncFolder(const QString &relative)
{
    return unc(relative) + QLatin1Char('\\');
}

void TfhomeEndToEndTest::runMainRoad(const QString &root)
{
    const QString photo1 = sourcePhoto(QStringLiteral("IMG_0001.JPG"));
    const QString photo2 = sourcePhoto(QStringLiteral("IMG 0002&B+C 100%.JPG"), 6);
    const QString photo3 = sourcePhoto(QStringLiteral("照片_0003.jpg"), 3);
    const QString video = sourceVideo(QStringLiteral("VID 0001.mp4"), 300000);
    QVERIFY(!photo1.isEmpty() && !photo2.isEmpty() && !photo3.isEmpty() && !video.isEmpty());

    search(2);
    pick(0, {photo1, photo2, photo3});
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("等待中"));
    table()->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(1);
    table()->findChild<QRadioButton *>(QStringLiteral("trialVideoRadio"))->click();
    pick(1, {video});
    QCOMPARE(table()->orderAt(0).photoList.size(), 12);
    QCOMPARE(table()->orderAt(1).photoList.size(), 1);

    startAll();
    QVERIFY(waitForSummary());

    // Files on the share, upright, with their size copies.
    const QString folder0 = root + Data::orderShareFolder(0);
    const QString folder1 = root + Data::orderShareFolder(1);
    const QStringList names{"IMG_0001.JPG", "IMG 0002&B+C 100%.JPG", "照片_0003.jpg"};
    const QStringList sources{photo1, photo2, photo3};
    for (int i = 0; i < names.size(); ++i) {
        const QImage copy(folder0 + "/all/" + names.at(i));
        QVERIFY2(!copy.isNull(), qPrintable(names.at(i)));
        QVERIFY(EngineTestImages::sameQuarters(copy, EngineTestImages::upright(sources.at(i))));
        for (const QString &tag : {QStringLiteral("90"), QStringLiteral("190"), QStringLiteral("1920")})
            QVERIFY2(QFileInfo::exists(folder0 + '/' + tag + '/' + names.at(i)), qPrintable(tag + names.at(i)));
    }
    QCOMPARE(QImage(folder0 + "/90/IMG_0001.JPG").width(), 120); // order 0's small size
    QCOMPARE(readAll(folder1 + "/试拍视频/VID 0001.mp4"), readAll(video));

    // The reports, per order in run order, with their decoded fields.
    QTRY_COMPARE_WITH_TIMEOUT(reports().size(), 8, 30000);
    const QList<StandInService::Request> sent = reports();
    QStringList actions;
    for (const auto &request : sent)
        actions << request.action() + ':' + request.field("order_photo_id");
    const QString first = Data::orderPhotoId(0);
    const QString second = Data::orderPhotoId(1);
    QCOMPARE(actions.count("savepicpath:" + first), 3);
    QCOMPARE(actions.count("saveorderphotopath:" + first), 1);
    QCOMPARE(actions.count("logreadpic:" + first), 1);
    QCOMPARE(actions.count("savepicpathmv:" + second), 1);
    QCOMPARE(actions.count("saveorderphotopath:" + second), 1);
    QCOMPARE(actions.count("logreadpic:" + second), 1);
    QCOMPARE(actions.size(), 8);
    // Reports travel on parallel connections, so their arrival order is not checked.

    QStringList reportedNames;
    for (const auto &request : m_service->requests("order", "savepicpath")) {
        const QString name = TransferReportData::fileNameOf(request.field("path"));
        reportedNames << name;
        QCOMPARE(request.field("path"), unc(Data::orderShareFolder(0) + "/all/" + name));
        QCOMPARE(request.field("ratio"), QStringLiteral("all"));
        QCOMPARE(request.field("size"), QString::number(QFileInfo(folder0 + "/all/" + name).size()));
        QCOMPARE(request.field("person_id"), QStringLiteral("5001"));
        QCOMPARE(request.field("shopid"), QStringLiteral("11"));
        QCOMPARE(request.field("eid"), QStringLiteral("1024"));
        QCOMPARE(request.field("superid"), QStringLiteral("3"));
        QCOMPARE(request.field("personid"), QStringLiteral("1024"));
        QVERIFY(request.field("type").isNull());
    }
    reportedNames.sort();
    QStringList expectedNames = names;
    expectedNames.sort();
    QCOMPARE(reportedNames, expectedNames);

    const auto folderReports = m_service->requests("order", "saveorderphotopath");
    QCOMPARE(folderReports.at(0).field("path"), uncFolder(Data::orderShareFolder(0)));
    QCOMPARE(folderReports.at(0).fieldNames().mid(0, 7),
             QStringList({"order_photo_id", "person_id", "path", "shopid", "eid", "superid", "personid"}));

    const auto videoReport = m_service->requests("order", "savepicpathmv").value(0);
    QCOMPARE(videoReport.field("path"), unc(Data::orderShareFolder(1) + "/试拍视频/VID 0001.mp4"));
    QCOMPARE(videoReport.field("type"), QStringLiteral("2"));
    QCOMPARE(videoReport.field("photonames"), QStringLiteral("VID 0001.mp4"));
    QCOMPARE(videoReport.field("size"), QStringLiteral("300000"));

    // One upload report per order, found by its order: they may arrive in either order.
    QHash<QString, StandInService::Request> finished;
    for (const auto &request : m_service->requests("order", "logreadpic"))
        finished.insert(request.field("order_photo_id"), request);
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.value(first).field("picnumber"), QStringLiteral("3"));
    QCOMPARE(finished.value(first).field("photonames"), names.join("|:|"));
    QCOMPARE(finished.value(first).field("orderpicpath"), uncFolder(Data::orderShareFolder(0)));
    QCOMPARE(finished.value(first).field("type"), QStringLiteral("1"));
    QCOMPARE(finished.value(second).field("picnumber"), QStringLiteral("1"));
    QCOMPARE(finished.value(second).field("photonames"), QStringLiteral("VID 0001.mp4"));
    QCOMPARE(finished.value(second).field("type"), QStringLiteral("2"));

    // The table, the grid and the summary.
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("导片完成"));
    QCOMPARE(cell(1, "上传状态"), QStringLiteral("导片完成"));
    QCOMPARE(table()->orderAt(0).photoList.at(0).statusOrigin, int(Uploaded));
    QCOMPARE(table()->orderAt(1).photoList.at(0).statusOrigin, int(Uploaded));
    auto *gridWidget = m_window->findChild<tfhomeorders_PhotoDisplayWidget *>(QStringLiteral("m_photoDisplayWidget"));
    QTRY_COMPARE_WITH_TIMEOUT(gridWidget->findChild<QLabel *>(QStringLiteral("importedTitleLabel"))->text(),
                              QStringLiteral("已导入：1"), 30000);
    const auto captions = [gridWidget]() {
        QStringList texts;
        for (QWidget *tile : gridWidget->findChildren<QWidget *>(QStringLiteral("importedTile"))) {
            if (tile->isVisibleTo(gridWidget))
                texts << tile->findChild<QLabel *>(QStringLiteral("nameLabel"))->text();
        }
        return texts;
    };
    QTRY_COMPARE_WITH_TIMEOUT(captions(), QStringList{QStringLiteral("VID 0001.mp4")}, 30000);
    const QString summary = QStringLiteral("\n%1-1  总数:3  成功:3\n%2-1  总数:1  成功:1")
                                .arg(Data::orderNumber(0), Data::orderNumber(1));
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"), summary), qPrintable(m_boxes->last().text));

    // A new search shows what the service now holds for each order.
    QTRY_VERIFY_WITH_TIMEOUT(m_window->findChild<QPushButton *>(QStringLiteral("searchButton"))->isEnabled(), 30000);
    search(2);
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, "已导"), QStringLiteral("3/0/0"), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(cell(1, "已导"), QStringLiteral("0/1/0"), 30000);
}

void TfhomeEndToEndTest::mainRoadFromLogin()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    QVERIFY(openFromLauncher());
    QVERIFY(m_window->isMaximized());
    runMainRoad(root.path());
}

void TfhomeEndToEndTest::failedCopyIsShownAndNotReported()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    openDirectly();
    const QString good = sourcePhoto(QStringLiteral("good.jpg"));
    const QString gone = sourcePhoto(QStringLiteral("gone.jpg"));
    search(2);
    pick(0, {good, gone});
    QVERIFY(QFile::remove(gone));
    // A stale file of an earlier run where the failed copy would go.
    const QString folder = root.path() + Data::orderShareFolder(0);
    QDir().mkpath(folder + "/all");
    QFile stale(folder + "/all/gone.jpg");
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.write("stale");
    stale.close();

    startAll();
    QVERIFY(waitForSummary());
    const QString summary =
        QStringLiteral("\n%1-1  总数:2  成功:1  失败:1\n  gone.jpg：图片损坏或不完整").arg(Data::orderNumber(0));
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"), summary), qPrintable(m_boxes->last().text));
    QCOMPARE(cell(0, "已选"), QStringLiteral("1/2 失败:1"));
    QCOMPARE(table()->orderAt(0).photoList.at(4).statusOrigin, int(Failed));
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "savepicpath").size(), 1, 30000);
    const auto photos = m_service->requests("order", "savepicpath");
    QCOMPARE(TransferReportData::fileNameOf(photos.at(0).field("path")), QStringLiteral("good.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    QCOMPARE(m_service->requests("order", "logreadpic").at(0).field("picnumber"), QStringLiteral("1"));
    QCOMPARE(m_service->requests("order", "logreadpic").at(0).field("photonames"), QStringLiteral("good.jpg"));
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "saveorderphotopath").size(), 1, 30000);
    auto *start = table()->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    QCOMPARE(start->text(), QStringLiteral("全部开始/上传失败照片"));
}

// A share that runs full: each failed photo says why, on its tile and in the
// summary, and no cut copy stays in the order's folders.
void TfhomeEndToEndTest::fullShareSaysWhy()
{
    ScopedMountRoot root;
    SmallTmpfs share(root.path() + Data::kShare, QStringLiteral("4m"));
    if (!share.isMounted())
        QSKIP("needs root to mount a tmpfs");
    Data::makeShare(root.path());
    openDirectly();
    search(2);
    QStringList files;
    for (int i = 0; i < 5; ++i)
        files << sourcePhoto(QStringLiteral("F%1.jpg").arg(i));
    pick(0, files);
    QTRY_COMPARE_WITH_TIMEOUT(pickedTiles().size(), 5, 30000);
    QVERIFY(share.fill());
    startAll();
    QVERIFY(waitForSummary());
    const QString full = QStringLiteral("No space left on device");
    QString summary;
    for (const TransferMessageBoxes::Box &box : m_boxes->boxes()) {
        if (box.title == QStringLiteral("全部导完"))
            summary = box.text;
    }
    const QStringList lines = summary.split('\n');
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines.at(1), QStringLiteral("%1-1  总数:5  成功:0  失败:5").arg(Data::orderNumber(0)));
    for (int i = 2; i < 5; ++i)
        QVERIFY2(lines.at(i).startsWith(QStringLiteral("  F%1.jpg：").arg(i - 2)) && lines.at(i).endsWith(full),
                 qPrintable(lines.at(i)));
    QCOMPARE(lines.at(5), QStringLiteral("  …另有2张失败"));
    QTRY_COMPARE_WITH_TIMEOUT(pickedFailures().size(), 5, 30000);
    for (const QString &tip : pickedFailures())
        QVERIFY2(tip.startsWith(QStringLiteral("失败原因：")) && tip.endsWith(full), qPrintable(tip));
    const QString folder = root.path() + Data::orderShareFolder(0);
    for (const QString &tag : {"all", "90", "190", "1920"})
        QCOMPARE(QDir(folder + '/' + tag).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(m_service->requests("order", "savepicpath").size(), 0);
}

// A share with room for the size copies but not for the full-size ones: the
// failed photos leave none of their copies, and picking them again asks
// nothing, since a photo is on the share only by its full-size copy.
void TfhomeEndToEndTest::failedPhotosLeaveNoCopies()
{
    ScopedMountRoot root;
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    SmallTmpfs share(root.path() + Data::kShare, QStringLiteral("4m"));
    if (!share.isMounted())
        QSKIP("needs root to mount a tmpfs");
    Data::makeShare(root.path());
    openDirectly();
    search(2);
    // Each photo carries 768 KiB in comments: its full-size copy, a byte copy, cannot fit.
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        const QString path = sourcePhoto(QStringLiteral("L%1.jpg").arg(i));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();
        QByteArray comments;
        for (int k = 0; k < 12; ++k)
            comments += QByteArray("\xff\xfe\xff\xff", 4) + QByteArray(65533, char('a' + k));
        bytes.insert(2, comments);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        files << path;
    }
    pick(0, files);
    QTRY_COMPARE_WITH_TIMEOUT(pickedTiles().size(), 3, 30000);
    QVERIFY(share.fill(384 * 1024));
    startAll();
    QVERIFY(waitForSummary());
    const QString summary = m_boxes->last().text;
    QVERIFY2(summary.startsWith(QStringLiteral("\n%1-1  总数:3  成功:0  失败:3\n").arg(Data::orderNumber(0)))
                 && summary.count(QStringLiteral("No space left on device")) == 3,
             qPrintable(summary));
    const QString folder = root.path() + Data::orderShareFolder(0);
    for (const QString &tag : {"all", "90", "190", "1920"})
        QCOMPARE(QDir(folder + '/' + tag).entryList(QDir::Files | QDir::Hidden), QStringList());
    QCOMPARE(m_service->requests("order", "savepicpath").size(), 0);

    // A size copy left by a photo that never got there (an older run) is no photo either.
    QFile leftOver(folder + "/90/L0.jpg");
    QVERIFY(leftOver.open(QIODevice::WriteOnly) && leftOver.write("left over") == 9);
    leftOver.close();
    m_boxes->clear();
    pick(0, files);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("成功"), QStringLiteral("已选择 3 ")));
    QCOMPARE(m_boxes->count(), 1);
    // With room again the photos go in whole, the left-over copy replaced.
    QVERIFY(QFile::remove(root.path() + Data::kShare + "/filler"));
    m_boxes->clear();
    startAll();
    QVERIFY(waitForSummary());
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"),
                               QStringLiteral("\n%1-1  总数:3  成功:3").arg(Data::orderNumber(0))),
             qPrintable(m_boxes->last().text));
    for (const QString &tag : {"all", "90", "190", "1920"})
        QCOMPARE(QDir(folder + '/' + tag).entryList(QDir::Files | QDir::Hidden), QStringList({"L0.jpg", "L1.jpg", "L2.jpg"}));
    QVERIFY(!QImage(folder + "/90/L0.jpg").isNull());
}

void TfhomeEndToEndTest::refusedPhotoReportFailsThePhoto_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<bool>("slow");
    QTest::addColumn<QString>("problem"); // shown for each photo
    QTest::newRow("refused") << int(StandInService::Failure::CodeZeroMessage) << false << QStringLiteral("暂停服务");
    QTest::newRow("server error") << int(StandInService::Failure::Http500) << false
                                  << QStringLiteral("服务器返回异常，请稍后再试");
    QTest::newRow("time-out") << int(StandInService::Failure::None) << true << QStringLiteral("请求超时，请稍后再试");
}

// A photo the service did not take is a failed photo: counted, shown, retried;
// an order the service holds nothing of gets no folder or order report.
void TfhomeEndToEndTest::refusedPhotoReportFailsThePhoto()
{
    QFETCH(int, failure);
    QFETCH(bool, slow);
    QFETCH(QString, problem);
    ScopedMountRoot root;
    Data::makeShare(root.path());
    const BaseReq::Limits saved = BaseReq::limits();
    const auto restore = qScopeGuard([saved] { BaseReq::setLimits(saved); });
    if (slow)
        m_service->setDelay("order", "savepicpath", 3000);
    else
        m_service->setFailure("order", "savepicpath", StandInService::Failure(failure), QStringLiteral("暂停服务"));
    openDirectly();
    search(2);
    pick(0, {sourcePhoto(QStringLiteral("a.jpg")), sourcePhoto(QStringLiteral("b.jpg"), 6)});

    // Short limits only for the run: the search on a loaded machine may take longer.
    if (slow)
        BaseReq::setLimits({500, 500, 500, 500});
    startAll();
    QVERIFY(waitForSummary());
    // Each photo says why: the service's own words.
    QString failures;
    for (const QString &name : {"a.jpg", "b.jpg"})
        failures += QStringLiteral("\n  %1：照片上报失败：%2").arg(name, problem);
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"),
                               QStringLiteral("\n%1-1  总数:2  成功:0  失败:2").arg(Data::orderNumber(0))
                                   + failures),
             qPrintable(m_boxes->last().text));
    QCOMPARE(cell(0, "已选"), QStringLiteral("0/2 失败:2"));
    QCOMPARE(table()->findChild<QPushButton *>(QStringLiteral("startAllButton"))->text(),
             QStringLiteral("全部开始/上传失败照片"));
    QCOMPARE(m_service->requests("order", "savepicpath").size(), 2);
    QCOMPARE(m_service->requests("order", "saveorderphotopath").size(), 0);
    QCOMPARE(m_service->requests("order", "logreadpic").size(), 0);

    // The service is back: the retry reports both photos, then the order.
    m_service->setFailure("order", "savepicpath", StandInService::Failure::None);
    m_service->setDelay("order", "savepicpath", 0);
    BaseReq::setLimits(saved);
    m_boxes->clear();
    startAll();
    QVERIFY(waitForSummary());
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"),
                               QStringLiteral("\n%1-1  总数:2  成功:2").arg(Data::orderNumber(0))),
             qPrintable(m_boxes->last().text));
    QCOMPARE(m_service->requests("order", "savepicpath").size(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "saveorderphotopath").size(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    QCOMPARE(m_service->requests("order", "logreadpic").at(0).field("picnumber"), QStringLiteral("2"));
    QCOMPARE(table()->findChild<QPushButton *>(QStringLiteral("startAllButton"))->text(), QStringLiteral("全部开始"));
}

void TfhomeEndToEndTest::secondCardAsksBeforeReplacing_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("stem");  // card B writes it decomposed (NFD), card A as typed
    QTest::addColumn<bool>("lateFile"); // another file lands under card B's new name (as typed) after the pick
    QTest::addColumn<bool>("onSmb");
    QTest::addColumn<bool>("sameBytes"); // card B's second photo is card A's, under another case
    QTest::newRow("cancel") << QStringLiteral("取消") << QStringLiteral("IMG_") << false << false << false;
    QTest::newRow("replace") << QStringLiteral("替换") << QStringLiteral("IMG_") << false << false << false;
    QTest::newRow("file arrives after the pick")
        << QStringLiteral("替换") << QStringLiteral("IMG_") << true << false << false;
    QTest::newRow("look-alike arrives after the pick")
        << QStringLiteral("替换") << QStringLiteral("Café_") << true << false << false;
    QTest::newRow("decomposed names") << QStringLiteral("替换") << QStringLiteral("Café_") << false << false << false;
    QTest::newRow("decomposed names on SMB")
        << QStringLiteral("替换") << QStringLiteral("Café_") << false << true << false;
    // The share folds letter case itself: it answers for either form with one file.
    QTest::newRow("case look-alike on SMB") << QStringLiteral("替换") << QStringLiteral("IMG_") << false << true << false;
    QTest::newRow("same-bytes look-alike") << QStringLiteral("替换") << QStringLiteral("Café_") << false << false << true;
    QTest::newRow("same-bytes look-alike on SMB")
        << QStringLiteral("替换") << QStringLiteral("IMG_") << false << true << true;
}

// Card B starts at the same numbers as card A: nothing is written over without a yes.
void TfhomeEndToEndTest::secondCardAsksBeforeReplacing()
{
    QFETCH(QString, answer);
    QFETCH(QString, stem);
    QFETCH(bool, lateFile);
    QFETCH(bool, onSmb);
    QFETCH(bool, sameBytes);
    std::optional<ScopedMountRoot> root;
    SmbShare share(Data::kShare);
    QString served; // where the share's files really are
    if (onSmb) {
        SMBSHARE_START(share);
        QVERIFY(QDir(share.servedPath()).mkpath("marker")); // an empty share folder is taken for a mount point
        MountRoot::setPath(QFileInfo(share.sharePath()).path());
        served = share.servedPath() + '/' + Data::orderShareFolder(0).section('/', 1);
    } else {
        root.emplace();
        Data::makeShare(root->path());
    }
    const auto resetRoot = qScopeGuard([&] { if (onSmb) { delete m_window; MountRoot::reset(); } });
    const QString folder = MountRoot::path() + Data::orderShareFolder(0);
    if (served.isEmpty())
        served = folder;
    openDirectly();
    search(2);
    QDir().mkpath(m_sources.filePath("cardA"));
    QDir().mkpath(m_sources.filePath("cardB"));
    const QStringList cardA{sourcePhoto("cardA/" + stem + "0001.JPG"), sourcePhoto("cardA/" + stem + "0002.JPG")};
    pick(0, cardA);
    startAll();
    QVERIFY(waitForSummary());
    const QString firstA = readAll(folder + "/all/" + stem + "0001.JPG");
    const QString smallA = readAll(folder + "/90/" + stem + "0002.JPG");
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    const int requestsBefore = reports().size();

    // Card B: other pictures under the same names (one in other letter case), and one new name.
    const QString nfd = stem.normalized(QString::NormalizationForm_D);
    const QStringList cardB{nfd + "0001.JPG", nfd.toLower() + "0002.jpg", nfd + "0003.JPG"};
    QImage other = EngineTestImages::pattern(320, 240).mirrored(true, true);
    for (const QString &name : cardB)
        QVERIFY(EngineTestImages::writeJpeg(m_sources.filePath("cardB/" + name), other));
    if (sameBytes) {
        QVERIFY(QFile::remove(m_sources.filePath("cardB/" + cardB.at(1))));
        QVERIFY(QFile::copy(cardA.at(1), m_sources.filePath("cardB/" + cardB.at(1))));
    }
    m_boxes->clear();
    m_boxes->answerWith(answer);
    pick(0, {m_sources.filePath("cardB/" + cardB.at(0)), m_sources.filePath("cardB/" + cardB.at(1)),
             m_sources.filePath("cardB/" + cardB.at(2))});
    QTRY_VERIFY(m_boxes->count() >= 1);
    QCOMPARE(m_boxes->boxes().first().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->boxes().first().text,
             QStringLiteral("以下照片已存在于订单文件夹，替换后无法恢复：\n") + cardB.at(0)
                 + (sameBytes ? QString() : '\n' + cardB.at(1)));
    if (answer == QStringLiteral("取消")) {
        // The pick of card A stays; the share and the service are untouched.
        QCOMPARE(m_boxes->count(), 1);
        QCOMPARE(table()->orderAt(0).photoList.size(), 8);
        QCOMPARE(table()->orderAt(0).photoList.at(0).url, cardA.at(0));
        QCOMPARE(readAll(folder + "/all/" + stem + "0001.JPG"), firstA);
        QCOMPARE(readAll(folder + "/90/" + stem + "0002.JPG"), smallA);
        QCOMPARE(reports().size(), requestsBefore);
        return;
    }
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("成功"), QStringLiteral("已选择 3 ")));
    QCOMPARE(table()->orderAt(0).photoList.size(), 12);
    // A look-alike to replace has its tile like any photo, under the name it goes to.
    const QString title = QStringLiteral("照片列表 - %1 (3张)").arg(Data::orderNumber(0));
    const auto tiles = [&](const QString &third, const QString &badge) {
        QStringList expected{stem + "0001.JPG " + badge, stem + "0002.JPG " + badge, third};
        expected.sort();
        return expected;
    };
    QCOMPARE(pickedTitle(), title);
    QTRY_COMPARE_WITH_TIMEOUT(pickedTiles(), tiles(cardB.at(2) + " ●", "●"), 30000);
    const QString lateName = stem + "0003.JPG"; // card B's own is decomposed
    if (lateFile) {
        QFile late(folder + "/all/" + lateName);
        QVERIFY(late.open(QIODevice::WriteOnly));
        late.write("copied here by hand");
    }
    m_boxes->clear();
    // While the run goes on, at each result: as many tiles as the title counts, the look-alike's among them.
    QList<QPair<QString, QStringList>> during;
    const QMetaObject::Connection onResult = connect(
        m_window->importManager(), &tfimportthreadmanager::photoImported, this,
        [&](const OrderInfo &, const QString &, int, bool, const QString &) {
            if (m_window->importManager()->isRunning())
                during.append({pickedTitle(), pickedTiles()});
        });
    const auto disconnectAtEnd = qScopeGuard([onResult] { QObject::disconnect(onResult); });
    startAll();
    QVERIFY(waitForSummary());
    QVERIFY(!during.isEmpty());
    for (const auto &seen : qAsConst(during)) {
        QCOMPARE(seen.first, title);
        QCOMPARE(seen.second.size(), 3);
        QCOMPARE(seen.second.filter(stem + "0001.JPG ").size(), 1);
    }
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"),
                               QStringLiteral("\n%1-1  总数:3  成功:%2").arg(Data::orderNumber(0)).arg(lateFile ? 2 : 3)
                                   + (lateFile ? QStringLiteral("  失败:1\n  %1：目标位置已有同名的其他文件，未替换: %2")
                                                     .arg(cardB.at(2), folder + "/all/" + lateName)
                                               : QString())),
             qPrintable(m_boxes->last().text));
    QCOMPARE(pickedTitle(), title);
    QTRY_COMPARE_WITH_TIMEOUT(pickedTiles(), tiles(cardB.at(2) + (lateFile ? " ✕" : " ✓"), "✓"), 30000);
    // Each new photo is written under the name its look-alike has on the share (the
    // one the service holds): one file per photo in every folder. The photo that
    // found another file in its place leaves none of its copies.
    for (const QString &tag : {"all", "90", "190", "1920"}) {
        QStringList expected{stem + "0001.JPG", stem + "0002.JPG"};
        if (!lateFile || tag == QLatin1String("all"))
            expected << (lateFile ? lateName : cardB.at(2));
        expected.sort();
        QStringList onShare = QDir(served + '/' + tag).entryList(QDir::Files | QDir::Hidden);
        onShare.sort();
        QCOMPARE(onShare, expected);
    }
    QVERIFY(EngineTestImages::sameQuarters(QImage(folder + "/all/" + stem + "0001.JPG"), other));
    QCOMPARE(readAll(folder + "/all/" + lateName) == QString::fromLatin1(QByteArray("copied here by hand").toHex()),
             lateFile);
    // One report per photo that is whole; a photo that found another file in its place is not reported.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 2, 30000);
    QSet<QString> everReported;
    for (const auto &request : m_service->requests("order", "savepicpath"))
        everReported.insert(TransferReportData::fileNameOf(request.field("path")));
    QStringList reported;
    for (const auto &request : m_service->requests("order", "savepicpath").mid(2))
        reported << TransferReportData::fileNameOf(request.field("path"));
    reported.sort();
    QStringList whole{stem + "0001.JPG", stem + "0002.JPG"};
    if (!lateFile)
        whole << cardB.at(2);
    whole.sort();
    QCOMPARE(reported, whole);
    // The service lists no photo that has no file.
    QStringList allOnShare = QDir(served + "/all").entryList(QDir::Files | QDir::Hidden);
    if (lateFile)
        allOnShare.removeAll(lateName);
    QCOMPARE(everReported, QSet<QString>(allOnShare.cbegin(), allOnShare.cend()));
}

// The tool's own previews carry the photos' names: they are never taken for photos.
void TfhomeEndToEndTest::previewsAreRefused()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    openDirectly();
    search(2);
    QDir().mkpath(m_sources.filePath("DP_缩略图"));
    const QString photo = sourcePhoto("IMG_0101.JPG");
    const QString preview = m_sources.filePath("DP_缩略图/IMG_0101.JPG");
    QVERIFY(EngineTestImages::pattern(160, 120).save(preview, "jpeg"));
    pick(0, {photo, preview});
    QTRY_VERIFY(m_boxes->count() >= 1);
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->last().text,
             QStringLiteral("以下文件是导片工具生成的缩略图（DP_缩略图文件夹），不能导入：\nIMG_0101.JPG"));
    QVERIFY(table()->orderAt(0).photoList.isEmpty());
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("未选择"));
}

void TfhomeEndToEndTest::pauseAndResume()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    openDirectly();
    QStringList files;
    for (int i = 0; i < 24; ++i)
        files << sourcePhoto(QStringLiteral("P%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
    search(2);
    pick(0, files);

    auto *start = table()->findChild<QPushButton *>(QStringLiteral("startAllButton"));
    QSignalSpy results(m_window->importManager(), &tfimportthreadmanager::photoImported);
    startAll();
    QCOMPARE(start->text(), QStringLiteral("全部暂停"));
    QVERIFY(results.wait(30000));
    start->click();
    QCOMPARE(start->text(), QStringLiteral("全部开始"));
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("等待中"));
    QVERIFY(!m_window->importManager()->isRunning());
    QTest::qWait(300); // results of photos still being copied come in and are dropped

    startAll();
    QVERIFY(waitForSummary());
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("导片完成"));
    for (const QString &file : qAsConst(files)) {
        const QString name = QFileInfo(file).fileName();
        for (const QString &tag : {QStringLiteral("all"), QStringLiteral("90"), QStringLiteral("190"),
                                   QStringLiteral("1920")})
            QVERIFY(QFileInfo::exists(root.path() + Data::orderShareFolder(0) + '/' + tag + '/' + name));
    }
    // Every photo reported once, across both runs.
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "savepicpath").size(), files.size(), 30000);
    QStringList reported;
    for (const auto &request : m_service->requests("order", "savepicpath"))
        reported << TransferReportData::fileNameOf(request.field("path"));
    reported.sort();
    QStringList expected;
    for (const QString &file : qAsConst(files))
        expected << QFileInfo(file).fileName();
    QCOMPARE(reported, expected);
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    QCOMPARE(m_service->requests("order", "logreadpic").at(0).field("picnumber"), QStringLiteral("24"));
}

void TfhomeEndToEndTest::runInterrupted_data()
{
    QTest::addColumn<int>("cut"); // 0 the share is unmounted, 1 the window closed, 2 the order's folder re-pointed
    QTest::addColumn<int>("photos");
    QTest::addColumn<int>("after"); // photos written when it happens; -2 before the pick, -1 before "全部开始"
    QTest::newRow("share unmounted") << 0 << 40 << 11;
    QTest::newRow("share unmounted before the run") << 0 << 4 << -2;
    QTest::newRow("share unmounted between pick and start") << 0 << 4 << -1;
    QTest::newRow("window closed") << 1 << 120 << 27;
    QTest::newRow("order folder re-pointed") << 2 << 40 << 11;
}

// The share, the window or the order's folder goes mid-run: what is on the share
// is what the service was told, and nothing lands on the local disk in the
// share's place (Linux leaves the empty mount point behind) nor in another order.
void TfhomeEndToEndTest::runInterrupted()
{
    QFETCH(int, cut);
    QFETCH(int, photos);
    QFETCH(int, after);
    ScopedMountRoot root;
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    const QString mountPoint = root.mkpath(Data::kShare);
    // Finder's note in the mount point stays behind when the share goes.
    if (cut == 0)
        QVERIFY(QFile(mountPoint + "/.DS_Store").open(QIODevice::WriteOnly));
    QTemporaryDir backing;
    QVERIFY(QDir(backing.path()).mkpath("marker")); // a share with content, from the same disk
    if (QProcess::execute("mount", {"--bind", backing.path(), mountPoint}) != 0)
        QSKIP("needs root to bind-mount");
    QTemporaryDir another; // mounted in the share's place right after the unmount
    QVERIFY(QDir(another.path()).mkpath("marker"));
    bool mounted = true;
    bool replaced = false;
    const auto unmountAtEnd =
        qScopeGuard([&] { if (mounted || replaced) QProcess::execute("umount", {"-l", mountPoint}); });
    const auto unmount = [&] { mounted = QProcess::execute("umount", {"-l", mountPoint}) != 0; };
    QString folder = backing.path() + '/' + Data::orderShareFolder(0).section('/', 1);
    // Another customer's order, where the order's folder (a link) is pointed mid-run.
    const QString named = root.path() + Data::orderShareFolder(0);
    const QString theirs = mountPoint + "/theirs";
    if (cut == 2) {
        // The order's folder, made by the run, trades places mid-run with a link to theirs.
        folder += ".new";
        QVERIFY(QDir().mkpath(theirs + "/all") && QDir().mkpath(QFileInfo(named).path()));
        QVERIFY(QFile::link(theirs, named + ".new"));
    }
    openDirectly();
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    QStringList files;
    for (int i = 0; i < photos; ++i)
        files << sourcePhoto(QStringLiteral("P%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
    // The photos being written when it happens take longer than the reports before them.
    for (int i = qMax(after, 0); i < qMin(after + 8, photos); ++i)
        QVERIFY(EngineTestImages::writeJpeg(files.at(i), EngineTestImages::pattern(3000, 2000)));
    search(2);
    if (after == -2)
        unmount();
    pick(0, files);
    if (cut == 0) // the next order of the run starts after the share went
        pick(1, {sourcePhoto(QStringLiteral("next.jpg"))});
    if (after == -1)
        unmount();
    QSignalSpy results(m_window->importManager(), &tfimportthreadmanager::photoImported);
    int written = 0;
    const QMetaObject::Connection onCut = connect(
        m_window->importManager(), &tfimportthreadmanager::photoImported, this,
        [&](const OrderInfo &, const QString &, int, bool ok, const QString &) {
            if (!ok || ++written != after * 4)
                return;
            // Right here, while the workers go on with the next photos.
            if (cut == 0) {
                unmount();
                replaced = !mounted && QProcess::execute("mount", {"--bind", another.path(), mountPoint}) == 0;
            } else if (cut == 1) {
                m_window->close();
            } else { // re-pointed in one step
                ::renameat2(AT_FDCWD, QFile::encodeName(named + ".new").constData(), AT_FDCWD,
                            QFile::encodeName(named).constData(), RENAME_EXCHANGE);
            }
        });
    const auto disconnectAtEnd = qScopeGuard([onCut] { QObject::disconnect(onCut); });
    startAll();
    if (cut == 0) {
        const QString missing = K::missingShareMessage(mountPoint + '/');
        const QString title = QStringLiteral("导片路径错误");
        // Mid-run the next order stops at the start; otherwise the run does not start.
        const int stoppedOrder = after < 0 ? 0 : 1;
        const QString stopped =
            K::missingShareMessage(mountPoint + '/' + Data::orderShareFolder(stoppedOrder).section('/', 1) + '/') + "  ";
        QTRY_VERIFY_WITH_TIMEOUT(m_boxes->contains(title, stopped), 60000);
        QVERIFY(!mounted && (after < 0 || replaced));
        // Neither the mount point left behind nor the share mounted in its place is taken for the run's share.
        QCOMPARE(QDir(mountPoint).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 replaced ? QStringList{"marker"} : QStringList{".DS_Store"});
        int missingShare = 0;
        for (const QList<QVariant> &result : qAsConst(results))
            missingShare += result.at(4).toString() == missing;
        QVERIFY(after < 0 || missingShare > 0);
        if (after >= 0) {
            // The photos cut off say why on their tiles.
            table()->findChild<QTableWidget *>(QStringLiteral("orderTable"))->selectRow(0);
            QTRY_VERIFY_WITH_TIMEOUT(pickedFailures().contains(QStringLiteral("失败原因：") + missing), 30000);
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), after < 0 ? 0 : 1, 30000);
    } else if (cut == 1) {
        QTRY_VERIFY_WITH_TIMEOUT(m_window.isNull(), 120000);
    } else {
        QVERIFY(waitForSummary());
        QCOMPARE(QDir(theirs + "/all").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 1, 30000);
    }
    QStringList reported;
    for (const auto &request : m_service->requests("order", "savepicpath"))
        reported << TransferReportData::fileNameOf(request.field("path"));
    reported.sort();
    QVERIFY2(reported.size() >= after - 4 && reported.size() < photos, qPrintable(QString::number(reported.size())));
    // A photo whole on the share before it went is reported; one that is not whole
    // leaves no copy behind, removed through the folders the copies were written in.
    for (const QString &tag : {"all", "90", "190", "1920"}) {
        QStringList onShare = QDir(folder + '/' + tag).entryList(QDir::Files | QDir::Hidden);
        onShare.sort();
        QCOMPARE(onShare, reported);
    }
}

// Closed while the order's folder and upload reports are on their way: the
// window goes once they are answered, not before.
void TfhomeEndToEndTest::closeWaitsForOrderReports()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    m_service->setDelay("order", "saveorderphotopath", 3000);
    m_service->setDelay("order", "logreadpic", 3000);
    openDirectly();
    m_window->setAttribute(Qt::WA_DeleteOnClose);
    search(2);
    pick(0, {sourcePhoto(QStringLiteral("close.jpg"))});
    startAll();
    QTRY_VERIFY_WITH_TIMEOUT(!m_service->requests("order", "saveorderphotopath").isEmpty()
                                 && !m_service->requests("order", "logreadpic").isEmpty(),
                             30000);
    m_window->close();
    QVERIFY(!m_window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(!m_window.isNull(), "the window went with its reports unanswered");
    QTRY_VERIFY_WITH_TIMEOUT(m_window.isNull(), 30000);
}

void TfhomeEndToEndTest::pathErrorPausesTheRun()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    // The order's month folder is a file: its folder can be neither found nor made.
    const QString month = root.path() + Data::orderShareFolder(0).section('/', 0, 2);
    QDir().mkpath(QFileInfo(month).path());
    QFile blocker(month);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    openDirectly();
    search(2);
    const QString photo = sourcePhoto(QStringLiteral("a.jpg"));
    pick(0, {photo});

    startAll();
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->count() > 1, 30000);
    const TransferMessageBoxes::Box box = m_boxes->last();
    QCOMPARE(box.title, QStringLiteral("导片路径错误"));
    QVERIFY2(box.text.startsWith(QStringLiteral("导入路径无法访问并且无法创建，请检查局域网是否能连接  ")),
             qPrintable(box.text));
    QVERIFY(box.text.endsWith(Data::orderShareFolder(0) + '/'));
    QTRY_COMPARE_WITH_TIMEOUT(cell(0, "上传状态"), QStringLiteral("等待中"), 30000);
    QCOMPARE(table()->findChild<QPushButton *>(QStringLiteral("startAllButton"))->text(), QStringLiteral("全部开始"));
    QVERIFY(!table()->isRunning());
    QVERIFY(reports().isEmpty());
}

void TfhomeEndToEndTest::sameOrderNumberDifferentVisits()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    QJsonObject first = Data::order(0, 0);
    QJsonObject second = Data::order(0, 0);
    second["order_photo_id"] = QStringLiteral("99001");
    second["servicetimes"] = QStringLiteral("2");
    const QString secondFolder = Data::orderShareFolder(0).replace("-1_", "-2_");
    second["netpath"] = unc(secondFolder);
    serveOrders({first, second});
    openDirectly();
    search(2);
    const QString a = sourcePhoto(QStringLiteral("first.jpg"));
    const QString b = sourcePhoto(QStringLiteral("second.jpg"));
    pick(0, {a});
    pick(1, {b});
    startAll();
    QVERIFY(waitForSummary());

    QVERIFY(QFileInfo::exists(root.path() + Data::orderShareFolder(0) + "/all/first.jpg"));
    QVERIFY(QFileInfo::exists(root.path() + secondFolder + "/all/second.jpg"));
    QVERIFY(!QFileInfo::exists(root.path() + secondFolder + "/all/first.jpg"));
    QCOMPARE(cell(0, "上传状态"), QStringLiteral("导片完成"));
    QCOMPARE(cell(1, "上传状态"), QStringLiteral("导片完成"));
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "savepicpath").size(), 2, 30000);
    const auto photos = m_service->requests("order", "savepicpath");
    for (const auto &request : photos) {
        const bool isFirst = request.field("order_photo_id") == Data::orderPhotoId(0);
        QCOMPARE(request.field("path"), unc((isFirst ? Data::orderShareFolder(0) : secondFolder)
                                             + (isFirst ? "/all/first.jpg" : "/all/second.jpg")));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_service->requests("order", "logreadpic").size(), 2, 30000);
    for (const auto &request : m_service->requests("order", "logreadpic")) {
        const bool isFirst = request.field("order_photo_id") == Data::orderPhotoId(0);
        QCOMPARE(request.field("photonames"), isFirst ? QStringLiteral("first.jpg") : QStringLiteral("second.jpg"));
        QCOMPARE(request.field("orderpicpath"), uncFolder(isFirst ? Data::orderShareFolder(0) : secondFolder));
    }
    const QString summary = QStringLiteral("\n%1-1  总数:1  成功:1\n%1-2  总数:1  成功:1").arg(Data::orderNumber(0));
    QVERIFY2(m_boxes->contains(QStringLiteral("全部导完"), summary), qPrintable(m_boxes->last().text));
}

void TfhomeEndToEndTest::mainRoadOnSmbShare()
{
    SmbShare share(Data::kShare);
    SMBSHARE_START(share);
    QVERIFY(QDir(share.servedPath()).mkpath("marker")); // an empty share folder is taken for a mount point
    MountRoot::setPath(QFileInfo(share.sharePath()).path());
    openDirectly();
    runMainRoad(MountRoot::path());
    // What the share's server holds, not only what the mount shows.
    QVERIFY(QFileInfo::exists(share.servedPath() + '/' + Data::orderShareFolder(0).section('/', 1)
                              + "/all/IMG_0001.JPG"));
    delete m_window;
    MountRoot::reset();
}

QTEST_MAIN(TfhomeEndToEndTest)
#include "tst_tfhome_endtoend.moc"
