#include "app/core/Config.h"
#include "platform/MountRoot.h"
#include "app/core/K.h"
#include "support/BindMount.h"
#include "support/DialogChecks.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedMountRoot.h"
#include "support/MessageCatcher.h"
#include "support/SmbShare.h"
#include "support/StandInService.h"
#include "support/TransferMessageBoxes.h"
#include "support/TransferStudioData.h"
#include "support/ViewportFit.h"
#include "transfer/records/ImportTypes.h"
#include "transfer/ui/OrderRecords.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"
#include "widgets/SimpleDialog.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBrowser>
#include <QtTest>

#include <optional>

namespace Data = TransferStudioData;

namespace {

QByteArray jpegBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(QStringLiteral("#3a7bd5")));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}

} // namespace

class tst_PhotoDisplayWidget : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void photosPerRowFromViewportWidth_data();
    void photosPerRowFromViewportWidth();
    void tilesAndPicturesOfTheVisibleRows();
    void failedPictureShowsTheFailure();
    void videosShowThePlaceholder();
    void deletePermission_data();
    void deletePermission();
    void selectAll();
    void pressOnATileTogglesIt();
    void addSinglePhoto();
    void deletionRequest_data();
    void deletionRequest();
    void answerAfterAnotherOrderCameDeletesNothing();
    void refusedDeletionKeepsEverything_data();
    void refusedDeletionKeepsEverything();
    void acceptedDeletionRemovesTheLocalFiles();
    void deletionAsksTheShareFirst_data();
    void deletionAsksTheShareFirst();
    void deletionOnTheMountedShare_data();
    void deletionOnTheMountedShare();
    void localFileForDeletion_data();
    void localFileForDeletion();
    void switchingOrdersReusesTiles();
    void firstScreenWithoutWaiting_data();
    void firstScreenWithoutWaiting();
    void closingLeavesTheLoaderThreadCleanly_data();
    void closingLeavesTheLoaderThreadCleanly();

private:
    StandInService *m_service = nullptr;
    TransferMessageBoxes *m_boxes = nullptr;
    tfhomeorders_PhotoDisplayWidget *m_grid = nullptr;

    // changes: fields of the order_list object given otherwise.
    OrderInfo orderWithPhotos(int n, int photos, int trial = 0, int retouched = 0, const QJsonObject &changes = {});
    QPushButton *button(const char *name) const { return m_grid->findChild<QPushButton *>(QLatin1String(name)); }
    QScrollArea *scrollArea() const { return m_grid->findChild<QScrollArea *>(QStringLiteral("importedScrollArea")); }
    QPushButton *checkOf(int index) const;
    void waitForTiles(int count);
    bool scrolledToTheEnd();
    void answerDeletion(int count, bool agree);
    QStringList writeOrderFiles(const QString &folder, int kind);
};

void tst_PhotoDisplayWidget::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
}

void tst_PhotoDisplayWidget::init()
{
    Config::k_importType = FinishedPhotos;
    m_service = new StandInService(this);
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    m_boxes = new TransferMessageBoxes(this);
    m_grid = new tfhomeorders_PhotoDisplayWidget();
    m_grid->m_shopId = QStringLiteral("11");
    m_grid->m_eid = QStringLiteral("1024");
    m_grid->m_superId = QStringLiteral("3");
    m_grid->setDelBtnShow(1);
    m_grid->resize(560, 420);
    m_grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_grid));
}

void tst_PhotoDisplayWidget::cleanup()
{
    // No box of the test was shown under a dialog still on screen.
    const QStringList under = m_boxes->seenUnderDialogs();
    delete m_grid;
    m_grid = nullptr;
    delete m_boxes;
    m_boxes = nullptr;
    delete m_service;
    m_service = nullptr;
    Config::k_importType = FinishedPhotos;
    QVERIFY2(under.isEmpty(), qPrintable(under.join(QLatin1Char('\n'))));
}

OrderInfo tst_PhotoDisplayWidget::orderWithPhotos(int n, int photos, int trial, int retouched,
                                                  const QJsonObject &changes)
{
    QJsonObject object = Data::order(n, 0, m_service->baseUrl());
    for (auto change = changes.begin(); change != changes.end(); ++change)
        object.insert(change.key(), change.value());
    const QJsonObject reply = Data::orderPhotosReply(n, photos, trial, retouched, m_service->baseUrl());
    object.insert("images", reply.value("images"));
    const QJsonArray images = reply.value("images").toArray();
    for (const QJsonValue &image : images) {
        const QString url = image.toObject().value("url").toString();
        m_service->serveFile(QUrl(url).path(), jpegBytes(400, 300));
    }
    return OrderRecords::orderFromListObject(object, n);
}

QPushButton *tst_PhotoDisplayWidget::checkOf(int index) const
{
    const PhotoDisplayData &entry = m_grid->entries().at(index);
    return entry.itemWidget ? static_cast<QPushButton *>(entry.itemWidget->property("selectButton").value<void *>())
                            : nullptr;
}

void tst_PhotoDisplayWidget::waitForTiles(int count)
{
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entryCount() >= count && m_grid->entries().at(count - 1).itemWidget, 10000);
}

// Scrolls to the end as it stands; true once the last entry has its picture.
// The end moves while tiles still come in batches.
bool tst_PhotoDisplayWidget::scrolledToTheEnd()
{
    QScrollBar *bar = scrollArea()->verticalScrollBar();
    bar->setValue(bar->maximum());
    return m_grid->entries().constLast().isLoaded;
}

// Clicks "删除选中" and answers the question it asks; nothing is sent before the answer.
void tst_PhotoDisplayWidget::answerDeletion(int count, bool agree)
{
    const int sent = m_service->requests().size();
    button("deleteSelectedButton")->click();
    SimpleDialog *dialog = nullptr;
    QTRY_VERIFY((dialog = m_grid->findChild<SimpleDialog *>()) && dialog->isVisible());
    QCOMPARE(dialog->findChild<QTextBrowser *>(QStringLiteral("messageView"))->toPlainText(),
             QStringLiteral("确定删除选中的%1张照片吗？删除后无法恢复。").arg(count));
    QCOMPARE(m_service->requests().size(), sent);
    dialog->findChild<QPushButton *>(QLatin1String(agree ? "confirmButton" : "cancelButton"))->click();
    delete dialog;
}

void tst_PhotoDisplayWidget::photosPerRowFromViewportWidth_data()
{
    QTest::addColumn<int>("viewport");
    QTest::addColumn<int>("perRow");
    QTest::newRow("545 holds five") << 545 << 5;
    QTest::newRow("544 holds four") << 544 << 4;
    QTest::newRow("335 holds three") << 335 << 3;
    QTest::newRow("334 holds two") << 334 << 2;
    QTest::newRow("wide") << 1070 << 10;
}

void tst_PhotoDisplayWidget::photosPerRowFromViewportWidth()
{
    QFETCH(int, viewport);
    QFETCH(int, perRow);
    m_grid->loadPhotosForOrder(orderWithPhotos(0, 12));
    // Size the window so the scroll area's viewport gets exactly the width wanted.
    QTRY_VERIFY_WITH_TIMEOUT(ViewportFit::fit(m_grid, scrollArea(), viewport), 10000);
    QTRY_COMPARE(m_grid->photosPerRow(), perRow);
    waitForTiles(12);
    // Tiles follow the count: the seventh entry sits in row 6 / perRow.
    QWidget *grid = scrollArea()->widget();
    auto *layout = static_cast<QGridLayout *>(grid->layout());
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    layout->getItemPosition(layout->indexOf(m_grid->entries().at(6).itemWidget), &row, &column, &rowSpan, &columnSpan);
    QCOMPARE(row, 6 / perRow);
    QCOMPARE(column, 6 % perRow);
}

void tst_PhotoDisplayWidget::tilesAndPicturesOfTheVisibleRows()
{
    m_grid->loadPhotosForOrder(orderWithPhotos(0, 40));
    auto *title = m_grid->findChild<QLabel *>(QStringLiteral("importedTitleLabel"));
    QCOMPARE(title->text(), QStringLiteral("已导入：40"));
    QCOMPARE(m_grid->entryCount(), 40);
    // Tiles come in batches; pictures only for the rows in view.
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(0).isLoaded, 10000);
    QVERIFY(!m_grid->entries().at(0).photoLabel->pixmap(Qt::ReturnByValue).isNull());
    waitForTiles(40);
    QTest::qWait(300);
    const int requested = m_service->requests().size();
    QVERIFY(requested > 0);
    QVERIFY(requested < 40);
    QVERIFY(!m_grid->entries().at(39).isLoaded);
    QCOMPARE(m_grid->entries().at(39).photoLabel->text(), QStringLiteral("加载中..."));

    // Scrolling to the end makes the remaining tiles and loads what is then in view.
    QTRY_VERIFY_WITH_TIMEOUT(scrolledToTheEnd(), 20000);
    QVERIFY(!m_grid->entries().at(0).isLoading);
}

void tst_PhotoDisplayWidget::failedPictureShowsTheFailure()
{
    OrderInfo order = orderWithPhotos(0, 2);
    m_service->setFileFailure(QUrl(order.importedPhotos.at(1).url).path(), StandInService::Failure::Http500);
    m_grid->loadPhotosForOrder(order);
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(0).isLoaded, 10000);
    // A later visible-load pass may ask for the failed picture again: wait for the last answer.
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(1).photoLabel->text() == QStringLiteral("加载失败")
                                 && !m_grid->entries().at(1).isLoading,
                             10000);
    QVERIFY(!m_grid->entries().at(1).isLoaded);
}

void tst_PhotoDisplayWidget::videosShowThePlaceholder()
{
    Config::k_importType = TrialVideo;
    m_grid->loadPhotosForOrder(orderWithPhotos(0, 3, 2));
    QCOMPARE(m_grid->entryCount(), 2);
    QCOMPARE(m_grid->entries().at(0).name, QStringLiteral("VID_0001.mp4"));
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(1).isLoaded, 10000);
    QVERIFY(!m_grid->entries().at(1).photoLabel->pixmap(Qt::ReturnByValue).isNull());
    QCOMPARE(m_service->requests().size(), 0);
}

void tst_PhotoDisplayWidget::deletePermission_data()
{
    QTest::addColumn<int>("delyp");
    QTest::addColumn<QString>("issample");
    QTest::addColumn<bool>("shown");
    QTest::newRow("allowed") << 1 << "0" << true;
    QTest::newRow("not allowed") << 0 << "0" << false;
    QTest::newRow("sample order") << 1 << "1" << false;
}

void tst_PhotoDisplayWidget::deletePermission()
{
    QFETCH(int, delyp);
    QFETCH(QString, issample);
    QFETCH(bool, shown);
    m_grid->setDelBtnShow(delyp);
    OrderInfo order = orderWithPhotos(0, 2);
    order.issample = issample;
    m_grid->loadPhotosForOrder(order);
    QCOMPARE(button("deleteSelectedButton")->isVisible(), shown);
    QCOMPARE(button("selectAllButton")->isVisible(), shown);
    QVERIFY(!button("deleteSelectedButton")->isEnabled());
}

void tst_PhotoDisplayWidget::selectAll()
{
    QCOMPARE(button("selectAllButton")->text(), QStringLiteral("全选"));
    button("selectAllButton")->click();
    QCOMPARE(m_grid->selectedCount(), 0);
    QVERIFY(!button("deleteSelectedButton")->isEnabled());

    m_grid->loadPhotosForOrder(orderWithPhotos(0, 3));
    waitForTiles(3);
    checkOf(1)->click();
    QCOMPARE(m_grid->selectedCount(), 1);
    QCOMPARE(button("selectAllButton")->text(), QStringLiteral("全选"));
    QVERIFY(button("deleteSelectedButton")->isEnabled());
    QCOMPARE(checkOf(1)->text(), QStringLiteral("✓"));

    button("selectAllButton")->click();
    QCOMPARE(m_grid->selectedCount(), 3);
    QCOMPARE(button("selectAllButton")->text(), QStringLiteral("取消全选"));
    QVERIFY(checkOf(0)->isChecked());
    QCOMPARE(m_grid->getSelectedPhotoNames().size(), 3);

    button("selectAllButton")->click();
    QCOMPARE(m_grid->selectedCount(), 0);
    QCOMPARE(button("selectAllButton")->text(), QStringLiteral("全选"));
    QVERIFY(!checkOf(2)->isChecked());
    QVERIFY(!button("deleteSelectedButton")->isEnabled());

    // Clicking twice returns to the former count; a repeated state changes nothing.
    checkOf(2)->click();
    checkOf(2)->click();
    QCOMPARE(m_grid->selectedCount(), 0);
    m_grid->onPhotoSelectionChanged(0, false);
    m_grid->onPhotoSelectionChanged(7, true);
    QCOMPARE(m_grid->selectedCount(), 0);
}

void tst_PhotoDisplayWidget::pressOnATileTogglesIt()
{
    m_grid->loadPhotosForOrder(orderWithPhotos(0, 2));
    waitForTiles(2);
    QLabel *name = m_grid->entries().at(1).nameLabel;
    QTest::mouseClick(name, Qt::LeftButton);
    QCOMPARE(m_grid->selectedCount(), 1);
    QVERIFY(checkOf(1)->isChecked());
    QTest::mouseClick(m_grid->entries().at(1).photoLabel, Qt::RightButton);
    QCOMPARE(m_grid->selectedCount(), 1);
    QTest::mouseClick(m_grid->entries().at(1).photoLabel, Qt::LeftButton);
    QCOMPARE(m_grid->selectedCount(), 0);
    QVERIFY(!checkOf(1)->isChecked());
}

void tst_PhotoDisplayWidget::addSinglePhoto()
{
    m_grid->loadPhotosForOrder(orderWithPhotos(0, 3));
    waitForTiles(3);
    PhotoInfo photo = OrderRecords::photoFromReply(Data::importedFile(0, 3, "1", m_service->baseUrl()));
    m_service->serveFile(QUrl(photo.url).path(), jpegBytes(200, 200));
    m_grid->addSinglePhoto(photo);
    QCOMPARE(m_grid->findChild<QLabel *>(QStringLiteral("importedTitleLabel"))->text(), QStringLiteral("已导入照片：4张"));
    QCOMPARE(m_grid->entryCount(), 4);
    QCOMPARE(m_grid->entries().at(3).id, photo.id);
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(3).isLoaded, 10000);
}

void tst_PhotoDisplayWidget::deletionRequest_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("action");
    QTest::newRow("photos") << int(FinishedPhotos) << "delimages";
    QTest::newRow("trial videos") << int(TrialVideo) << "delmv";
    QTest::newRow("retouched videos") << int(RetouchedVideo) << "delmv";
}

void tst_PhotoDisplayWidget::deletionRequest()
{
    QFETCH(int, kind);
    QFETCH(QString, action);
    Config::k_importType = kind;
    ScopedMountRoot root;
    Data::makeShare(root.path());
    m_service->setReply("order", action, Data::accepted());
    const OrderInfo order = orderWithPhotos(2, 3, 3, 3);
    m_grid->loadPhotosForOrder(order);
    waitForTiles(3);
    // The radio moving on does not change what the shown list's deletion is.
    Config::k_importType = kind == FinishedPhotos ? TrialVideo : FinishedPhotos;
    checkOf(2)->click();
    checkOf(0)->click();
    answerDeletion(2, false);
    answerDeletion(2, true);
    QTRY_COMPARE(m_service->requests("order", action).size(), 1);
    const StandInService::Request request = m_service->requests("order", action).first();
    QCOMPARE(request.fieldNames().mid(0, 6),
             (QStringList{"order_photo_id", "ids", "shopid", "eid", "superid", "personid"}));
    QCOMPARE(request.field("order_photo_id"), Data::orderPhotoId(2));
    const QList<PhotoDisplayData> &entries = m_grid->entries();
    QCOMPARE(request.field("ids"), entries.at(2).id + QStringLiteral(",") + entries.at(0).id);
    QCOMPARE(request.field("shopid"), QStringLiteral("11"));
    QCOMPARE(request.field("eid"), QStringLiteral("1024"));
    QCOMPARE(request.field("superid"), QStringLiteral("3"));
    QCOMPARE(request.field("personid"), QStringLiteral("1024"));
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("删除成功")));
    // The cancelled question sent nothing.
    QCOMPARE(m_service->requests("order", action).size(), 1);
}

// The question was asked of the order shown before: answered once another
// order's photos are up, it deletes none of them.
void tst_PhotoDisplayWidget::answerAfterAnotherOrderCameDeletesNothing()
{
    ScopedMountRoot root;
    Data::makeShare(root.path());
    m_service->setReply("order", "delimages", Data::accepted());
    m_grid->loadPhotosForOrder(orderWithPhotos(2, 3, 3, 3));
    waitForTiles(3);
    checkOf(0)->click();
    button("deleteSelectedButton")->click();
    SimpleDialog *question = nullptr;
    QTRY_VERIFY((question = m_grid->findChild<SimpleDialog *>()) && question->isVisible());
    m_grid->loadPhotosForOrder(orderWithPhotos(3, 3, 3, 3));
    waitForTiles(3);
    checkOf(1)->click();
    question->findChild<QPushButton *>(QStringLiteral("confirmButton"))->click();
    delete question;
    QVERIFY(dialogAnswersRun());
    // Asked again of the order shown, it goes, once.
    answerDeletion(1, true);
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"), QStringLiteral("删除成功")));
    QCOMPARE(m_service->requests("order", "delimages").size(), 1);
}

void tst_PhotoDisplayWidget::refusedDeletionKeepsEverything_data()
{
    QTest::addColumn<QJsonObject>("reply");
    QTest::addColumn<QString>("shown"); // "=long": the message for the order's folder past the system's limits
    QTest::addColumn<QJsonObject>("changes"); // of the order: refused before anything is sent
    QTest::newRow("refused") << Data::refused(QStringLiteral("照片已被客户选中，不能删除"))
                             << QStringLiteral("照片已被客户选中，不能删除") << QJsonObject();
    // A code that is no string is a broken reply: its message is no reason, and nothing is deleted.
    QTest::newRow("code as a number") << QJsonObject{{"code", 1}, {"message", QStringLiteral("成功")}}
                                      << QStringLiteral("服务器返回数据格式错误") << QJsonObject();
    const QString badOrder = QStringLiteral("订单数据错误");
    QTest::newRow("order photo id a float") << Data::accepted() << badOrder
                                            << QJsonObject{{"order_photo_id", 88000.5}};
    QTest::newRow("order id null") << Data::accepted() << badOrder << QJsonObject{{"id", QJsonValue::Null}};
    QTest::newRow("order id an object") << Data::accepted() << badOrder << QJsonObject{{"id", QJsonObject()}};
    QTest::newRow("photo id null") << Data::accepted() << QStringLiteral("以下照片未删除：\nIMG_0001.JPG：编号无效")
                                   << QJsonObject{{"photo id", QJsonValue::Null}};
    const QString share = QStringLiteral("\\\\") + Data::kServer + QStringLiteral("\\") + Data::kShare;
    QTest::newRow("order folder 300,000 levels")
        << Data::accepted() << "=long" << QJsonObject{{"netpath", share + QString("\\a").repeated(300000)}};
    QTest::newRow("order folder name of 256 bytes")
        << Data::accepted() << "=long" << QJsonObject{{"netpath", share + "\\" + QString(256, 'n')}};
}

void tst_PhotoDisplayWidget::refusedDeletionKeepsEverything()
{
    QFETCH(QJsonObject, reply);
    QFETCH(QString, shown);
    QFETCH(QJsonObject, changes);
    ScopedMountRoot root;
    const QString folder = root.mkpath(Data::orderShareFolder(0) + QStringLiteral("/all"));
    QFile file(folder + QStringLiteral("/IMG_0001.JPG"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(jpegBytes(10, 10));
    file.close();

    m_service->setReply("order", "delimages", reply);
    QStringList reloads;
    connect(m_grid, &tfhomeorders_PhotoDisplayWidget::reloadOrderThumbnail, this,
            [&](const QString &id) { reloads << id; });
    OrderInfo order = orderWithPhotos(0, 2, 0, 0, changes);
    if (changes.contains("photo id"))
        order.importedPhotos[0].id = OrderRecords::photoFromReply(QJsonObject{{"id", changes.value("photo id")}}).id;
    if (shown == "=long")
        shown = K::pathTooLongMessage(order.importPath);
    m_grid->loadPhotosForOrder(order);
    waitForTiles(2);
    checkOf(0)->click();
    QElapsedTimer asked;
    asked.start();
    answerDeletion(1, true);
    QTRY_COMPARE(m_boxes->count(), 1);
    // The window is not held by a path it refuses.
    QVERIFY2(asked.elapsed() < 1000, qPrintable(QString::number(asked.elapsed())));
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    QCOMPARE(m_boxes->last().text, shown);
    QCOMPARE(m_service->requests("order", "delimages").size(), changes.isEmpty() ? 1 : 0);
    QCOMPARE(m_grid->selectedCount(), 1);
    QVERIFY(checkOf(0)->isChecked());
    QVERIFY(QFile::exists(file.fileName()));
    QVERIFY(reloads.isEmpty());
}

void tst_PhotoDisplayWidget::acceptedDeletionRemovesTheLocalFiles()
{
    ScopedMountRoot root;
    const QString orderFolder = Data::orderShareFolder(0);
    QStringList kept;
    QStringList removed;
    for (const char *size : {"all", "90", "190", "1920"}) {
        const QString folder = root.mkpath(orderFolder + QLatin1Char('/') + QLatin1String(size));
        for (const char *name : {"IMG_0001.JPG", "IMG_0002.JPG"}) {
            QFile file(folder + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
            (QLatin1String(name) == QLatin1String("IMG_0002.JPG") ? removed : kept) << file.fileName();
        }
    }
    // A file outside the share that a bad "localpath" points at stays.
    QTemporaryDir outside;
    const QString outsideFile = outside.path() + QStringLiteral("/IMG_0003.JPG");
    QFile bait(outsideFile);
    QVERIFY(bait.open(QIODevice::WriteOnly));
    bait.close();

    m_service->setReply("order", "delimages", Data::accepted());
    OrderInfo order = orderWithPhotos(0, 4);
    // The first photo's id is unusable: its record and copies stay, named; the second's is an integer.
    order.importedPhotos[0].id = OrderRecords::photoFromReply(QJsonObject{{"id", QJsonValue::Null}}).id;
    order.importedPhotos[1].id = OrderRecords::photoFromReply(QJsonObject{{"id", 9002}}).id;
    order.importedPhotos[2].localpath = outsideFile;
    // On another share, whose folder is not there: that share may only be unmounted.
    const QString otherShare = root.path() + QStringLiteral("other/o/IMG_0004.JPG");
    order.importedPhotos[3].localpath = otherShare;
    QStringList reloads;
    connect(m_grid, &tfhomeorders_PhotoDisplayWidget::reloadOrderThumbnail, this,
            [&](const QString &id) { reloads << id; });
    m_grid->loadPhotosForOrder(order);
    waitForTiles(4);
    checkOf(0)->click();
    checkOf(1)->click();
    checkOf(2)->click();
    checkOf(3)->click();
    answerDeletion(4, true);
    QTRY_COMPARE(reloads, QStringList{Data::orderPhotoId(0)});
    QCOMPARE(m_service->requests("order", "delimages").first().field("ids"), QStringLiteral("9002"));
    for (const QString &path : removed)
        QVERIFY2(!QFile::exists(path), qPrintable(path));
    for (const QString &path : kept)
        QVERIFY2(QFile::exists(path), qPrintable(path));
    QVERIFY(QFile::exists(outsideFile));
    // Files the removal would refuse keep their records: the box names them, not "删除成功".
    QTRY_VERIFY(m_boxes->contains(QStringLiteral("温馨提示"),
                                  QStringLiteral("以下照片未删除：\nIMG_0001.JPG：编号无效\nIMG_0004.JPG：路径不在共享目录内: ")
                                      + QFileInfo(otherShare).path()
                                      + QStringLiteral("\nIMG_0003.JPG：路径不在共享目录内")));
    QCOMPARE(m_boxes->count(), 1);
}

// The order's files as the import leaves them, below folder; returns them.
QStringList tst_PhotoDisplayWidget::writeOrderFiles(const QString &folder, int kind)
{
    QStringList written;
    const QStringList tags = kind == FinishedPhotos ? QStringList{"all", "90", "190", "1920"}
                                                    : QStringList{QStringLiteral("试拍视频")};
    for (const QString &tag : tags) {
        QDir().mkpath(folder + '/' + tag);
        for (int i = 1; i <= 3; ++i) {
            QFile file(folder + '/' + tag
                       + (kind == FinishedPhotos ? QStringLiteral("/IMG_%1.JPG") : QStringLiteral("/VID_%1.mp4"))
                             .arg(i, 4, 10, QLatin1Char('0')));
            if (file.open(QIODevice::WriteOnly) && file.write("x") == 1)
                written << file.fileName();
        }
    }
    return written;
}

void tst_PhotoDisplayWidget::deletionAsksTheShareFirst_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("cut"); // "note": Finder's note left, "order": an earlier run's order folder left, "smb": server gone
    QTest::newRow("photos, Finder's note left") << int(FinishedPhotos) << "note";
    QTest::newRow("photos, earlier order folder left") << int(FinishedPhotos) << "order";
    QTest::newRow("videos, earlier order folder left") << int(TrialVideo) << "order";
    QTest::newRow("photos, SMB server gone") << int(FinishedPhotos) << "smb";
    QTest::newRow("videos, SMB server gone") << int(TrialVideo) << "smb";
    // Mounted in the root as the system mounts shares: the root still lists it, its folders fail.
    QTest::newRow("photos, SMB server gone, share in the root") << int(FinishedPhotos) << "smb in root";
    // Mounted, but the order's folder is a link that leads off the share.
    QTest::newRow("photos, order folder linked off the share") << int(FinishedPhotos) << "link";
    // A folder that cannot be looked at is no absent folder: nothing to say its files are gone.
    QTest::newRow("photos, order folder a link to itself") << int(FinishedPhotos) << "loop";
}

// The share is not there when the user deletes: nothing is sent, nothing deleted, and the box says why.
void tst_PhotoDisplayWidget::deletionAsksTheShareFirst()
{
    QFETCH(int, kind);
    QFETCH(QString, cut);
    Config::k_importType = kind;
    const QString action = kind == FinishedPhotos ? QStringLiteral("delimages") : QStringLiteral("delmv");
    m_service->setReply("order", action, Data::accepted());
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    const QString relative = Data::orderShareFolder(0).section('/', 1);
    std::optional<ScopedMountRoot> root;
    SmbShare smb(Data::kShare);
    QTemporaryDir backing;
    std::optional<BindMount> mount;
    const auto resetRoot = qScopeGuard([&] { if (cut == QLatin1String("smb")) MountRoot::reset(); });
    QString served;
    if (cut == QLatin1String("smb")) {
        SMBSHARE_START(smb);
        MountRoot::setPath(QFileInfo(smb.sharePath()).path());
        served = smb.servedPath() + '/' + relative;
    } else if (cut == QLatin1String("smb in root")) {
        SMBSHARE_START(smb);
        root.emplace();
        mount.emplace(smb.sharePath(), root->path() + Data::kShare);
        if (!mount->isMounted())
            QSKIP("needs root to bind-mount");
        served = smb.servedPath() + '/' + relative;
    } else {
        root.emplace();
        mount.emplace(backing.path(), root->path() + Data::kShare);
        if (!mount->isMounted())
            QSKIP("needs root to bind-mount");
        served = backing.path() + '/' + relative;
    }
    qunsetenv("STUDIO_LOCAL_SHARES"); // the root turned local shares on again
    QStringList onShare = writeOrderFiles(served, kind);
    QCOMPARE(onShare.size(), kind == FinishedPhotos ? 12 : 3);
    const OrderInfo order = orderWithPhotos(0, 3, 3);
    m_grid->loadPhotosForOrder(order);
    waitForTiles(3);
    button("selectAllButton")->click();

    const QString folder = MountRoot::path() + Data::orderShareFolder(0);
    QStringList left;
    QTemporaryDir outside;
    if (cut.startsWith(QLatin1String("smb"))) {
        QVERIFY(smb.stopServer());
    } else if (cut == QLatin1String("link") || cut == QLatin1String("loop")) {
        QVERIFY(QDir().rename(served, outside.path() + "/order"));
        QVERIFY(QFile::link(cut == QLatin1String("link") ? outside.path() + "/order" : served, served));
        for (const QString &file : onShare)
            left << outside.path() + "/order" + file.mid(served.size());
        onShare.clear();
    } else {
        mount->unmount();
        if (cut == QLatin1String("note"))
            QVERIFY(QFile(MountRoot::path() + Data::kShare + "/.DS_Store").open(QIODevice::WriteOnly));
        else
            left = writeOrderFiles(folder, kind);
    }
    answerDeletion(3, true);
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_boxes->last().title, QStringLiteral("温馨提示"));
    const QString orderFolder = K::generateImportPathByOrder(order);
    // Reached through a link, wherever it leads, the order's folder is refused before it is looked into.
    QCOMPARE(m_boxes->last().text, cut == QLatin1String("link") || cut == QLatin1String("loop")
                                       ? K::orderFolderLinkMessage(QDir::cleanPath(orderFolder))
                                       : K::missingShareMessage(orderFolder));
    QCOMPARE(m_service->requests("order", action).size(), 0);
    for (const QString &file : onShare + left)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    mount.reset();
    if (cut.startsWith(QLatin1String("smb")))
        smb.stop();
}

void tst_PhotoDisplayWidget::deletionOnTheMountedShare_data()
{
    QTest::addColumn<int>("kind");
    // "": none, "read-only": removals fail, "reply": the share goes before the reply, "link": a size folder leads off it
    QTest::addColumn<QString>("cut");
    QTest::newRow("photos") << int(FinishedPhotos) << "";
    QTest::newRow("videos") << int(TrialVideo) << "";
    QTest::newRow("photos, read-only share") << int(FinishedPhotos) << "read-only";
    QTest::newRow("photos, share gone before the reply") << int(FinishedPhotos) << "reply";
    QTest::newRow("videos, share gone before the reply") << int(TrialVideo) << "reply";
    // Refused before the request: no record goes for a copy its removal would refuse.
    QTest::newRow("photos, size folder linked off the share") << int(FinishedPhotos) << "link";
    // Another order's folder on the same share: the third photo's record names its file; "190" is linked into it while asked.
    QTest::newRow("photos, record in another order's folder") << int(FinishedPhotos) << "record";
    QTest::newRow("photos, size folder linked to another order while asked") << int(FinishedPhotos) << "swapped";
    // The order's folder is not on the share at all: its records go, there is no file to remove.
    QTest::newRow("photos, no order folder") << int(FinishedPhotos) << "no folder";
    // Copies already gone from folders that are there count as removed.
    QTest::newRow("photos, size folders empty") << int(FinishedPhotos) << "empty sizes";
    QTest::newRow("photos, all copy already gone") << int(FinishedPhotos) << "gone all";
    // Unmounted between the checks of the first removal and the removal, an earlier copy of the order under the mount point.
    QTest::newRow("photos, unmounted at the removal") << int(FinishedPhotos) << "removal";
    QTest::newRow("videos, unmounted at the removal") << int(TrialVideo) << "removal";
    // The order's folder, or its year folder, is a link into another order's: refused whole, nothing asked for.
    QTest::newRow("photos, order folder a link to another order") << int(FinishedPhotos) << "order link";
    QTest::newRow("videos, order folder a link to another order") << int(TrialVideo) << "order link";
    QTest::newRow("photos, year folder a link into another order's tree") << int(FinishedPhotos) << "year link";
    // The mount root reached through a link: the copies are judged by the order folder's real place.
    QTest::newRow("photos, root reached through a link") << int(FinishedPhotos) << "linked root";
    QTest::newRow("photos, root through a link, size folder into another order")
        << int(FinishedPhotos) << "linked root, size link";
}

// On a mounted share the records go first, then the files, each through the
// share pinned before the request; "删除成功" only when both are gone.
void tst_PhotoDisplayWidget::deletionOnTheMountedShare()
{
    QFETCH(int, kind);
    QFETCH(QString, cut);
    Config::k_importType = kind;
    const QString action = kind == FinishedPhotos ? QStringLiteral("delimages") : QStringLiteral("delmv");
    ScopedMountRoot root;
    const ScopedEnvironment realMountsOnly("STUDIO_LOCAL_SHARES");
    QTemporaryDir backing;
    // Hidden under the mount point while the share is mounted.
    const QStringList leftover =
        cut == QLatin1String("removal") ? writeOrderFiles(root.path() + Data::orderShareFolder(0), kind) : QStringList();
    BindMount mount(backing.path(), root.path() + Data::kShare);
    if (!mount.isMounted())
        QSKIP("needs root to bind-mount");
    const QString served = backing.path() + '/' + Data::orderShareFolder(0).section('/', 1);
    const QString servedOther = backing.path() + '/' + Data::orderShareFolder(1).section('/', 1);
    const QString other = root.path() + Data::orderShareFolder(1);
    QStringList theirs = cut == QLatin1String("record") ? writeOrderFiles(servedOther, kind) : QStringList();
    QStringList unmountedAt;
    if (cut == QLatin1String("removal")) {
        m_grid->setBeforeFileRemoval([&](const QString &copy) {
            if (unmountedAt.isEmpty())
                mount.unmount();
            unmountedAt << copy;
        });
    }
    QTemporaryDir links;
    if (cut.startsWith(QLatin1String("linked root"))) {
        QVERIFY(QFile::link(root.path(), links.filePath(QStringLiteral("Volumes"))));
        MountRoot::setPath(links.filePath(QStringLiteral("Volumes")));
    }
    QStringList onShare = writeOrderFiles(served, kind);
    // Another order's copies under the same names, where the link leads.
    QString linkedFolder;
    if (cut == QLatin1String("order link")) {
        theirs = writeOrderFiles(servedOther, kind);
        QVERIFY(QDir(served).removeRecursively() && QFile::link(other, served));
        linkedFolder = root.path() + Data::orderShareFolder(0);
        onShare.clear();
    } else if (cut == QLatin1String("year link")) {
        const QString year = backing.path() + QStringLiteral("/2024");
        theirs = writeOrderFiles(backing.path() + QStringLiteral("/2023") + served.mid(year.size()), kind);
        QVERIFY(QDir(year).removeRecursively() && QFile::link(root.path() + Data::kShare + "/2023", year));
        linkedFolder = root.path() + Data::kShare + "/2024";
        onShare.clear();
    } else if (cut == QLatin1String("linked root, size link")) {
        theirs = writeOrderFiles(servedOther, kind);
        QVERIFY(QDir(served + "/90").removeRecursively() && QFile::link(other + "/90", served + "/90"));
        for (const QString &file : QStringList(onShare)) {
            if (file.contains("/90/"))
                onShare.removeOne(file);
        }
        linkedFolder = MountRoot::path() + Data::orderShareFolder(0) + "/90";
    }
    if (cut == QLatin1String("no folder")) {
        QVERIFY(QDir(served).removeRecursively());
        QVERIFY(QDir(backing.path()).mkpath(QStringLiteral("marker")));
        onShare.clear();
    }
    // "empty sizes": the 90 and 190 folders hold nothing; "gone all": the first photo's all copy is gone.
    for (const QString &file : QStringList(onShare)) {
        if ((cut == QLatin1String("empty sizes") && (file.contains("/90/") || file.contains("/190/")))
            || (cut == QLatin1String("gone all") && file.endsWith("/all/IMG_0001.JPG"))) {
            QVERIFY(QFile::remove(file));
            onShare.removeOne(file);
        }
    }
    QTemporaryDir outside;
    if (cut == QLatin1String("link")) {
        // The "90" folder is a link to a folder elsewhere that holds the same names.
        QVERIFY(QDir().rename(served + "/90", outside.path() + "/90"));
        QVERIFY(QFile::link(outside.path() + "/90", served + "/90"));
    }
    OrderInfo order = orderWithPhotos(0, 3, 3);
    if (cut == QLatin1String("record"))
        order.importedPhotos[2].localpath = Data::orderNetpath(1) + "\\all\\IMG_0003.JPG";
    QStringList thereAtRequest;
    m_service->setHandler("order", action, [&](const StandInService::Request &) {
        for (const QString &file : onShare) {
            if (QFileInfo::exists(file))
                thereAtRequest << file;
        }
        if (cut == QLatin1String("reply"))
            mount.unmount();
        if (cut == QLatin1String("swapped") && QDir().mkpath(servedOther) && QDir().rename(served + "/190", servedOther + "/190"))
            QFile::link(other + "/190", served + "/190");
        return Data::accepted();
    });
    if (cut == QLatin1String("read-only"))
        QVERIFY(mount.makeReadOnly());
    QStringList reloads;
    connect(m_grid, &tfhomeorders_PhotoDisplayWidget::reloadOrderThumbnail, this,
            [&](const QString &id) { reloads << id; });
    m_grid->loadPhotosForOrder(order);
    waitForTiles(3);
    checkOf(0)->click();
    checkOf(2)->click();
    answerDeletion(2, true);
    if (!linkedFolder.isEmpty()) {
        QTRY_COMPARE(m_boxes->count(), 1);
        QCOMPARE(m_boxes->last().text,
                 cut.endsWith(QLatin1String("size link"))
                     ? QStringLiteral("以下照片未删除：\nIMG_0003.JPG：%1\nIMG_0001.JPG：%1").arg(K::outsideOrderMessage(linkedFolder))
                     : K::orderFolderLinkMessage(linkedFolder));
        QVERIFY(m_service->requests("order", action).isEmpty());
        for (const QString &file : onShare + theirs)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        return;
    }
    if (cut == QLatin1String("link")) {
        // Both photos have a copy behind the link: neither is asked for, every copy stays.
        QTRY_COMPARE(m_boxes->count(), 1);
        const QString linked = root.path() + Data::kShare + (served + "/90").mid(backing.path().size());
        QCOMPARE(m_boxes->last().text, QStringLiteral("以下照片未删除：\nIMG_0003.JPG：路径不在共享目录内: %1"
                                                      "\nIMG_0001.JPG：路径不在共享目录内: %1").arg(linked));
        QVERIFY(m_service->requests("order", action).isEmpty());
        for (const QString &file : onShare)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        return;
    }
    QTRY_COMPARE(reloads, QStringList{Data::orderPhotoId(0)});
    QTRY_COMPARE(m_boxes->count(), 1);
    QCOMPARE(m_service->requests("order", action).size(), 1);
    QCOMPARE(thereAtRequest, onShare); // nothing removed before the service agreed
    // The copies of the first and third file: named when they could not go.
    QStringList chosen;
    QStringList others;
    for (const QString &file : onShare)
        (file.contains("_0002.") ? others : chosen) << file;
    for (const QString &file : others)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    const TransferMessageBoxes::Box box = m_boxes->last();
    QCOMPARE(box.title, QStringLiteral("温馨提示"));
    if (cut.isEmpty() || cut == QLatin1String("no folder") || cut == QLatin1String("empty sizes")
        || cut == QLatin1String("gone all") || cut == QLatin1String("linked root")) {
        QCOMPARE(box.text, QStringLiteral("删除成功"));
        for (const QString &file : chosen)
            QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
        return;
    }
    if (cut == QLatin1String("removal")) {
        // The copy being removed still goes from the share, none under the mount point; the later ones stay, named.
        QCOMPARE(unmountedAt.size(), 1);
        const QString mountPoint = root.path() + Data::kShare;
        const QString removed = backing.path() + unmountedAt.first().mid(mountPoint.size());
        QVERIFY2(!QFileInfo::exists(removed), qPrintable(removed));
        for (const QString &file : leftover)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        QStringList named;
        for (const QString &file : qAsConst(chosen)) {
            if (file == removed)
                continue;
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
            named << mountPoint + file.mid(backing.path().size()) + QStringLiteral("：共享目录已断开");
        }
        QCOMPARE(named.size(), chosen.size() - 1);
        QStringList lines = box.text.split('\n');
        QCOMPARE(lines.takeFirst(), QStringLiteral("照片记录已删除，以下文件未能删除："));
        lines.sort();
        named.sort();
        QCOMPARE(lines, named);
        return;
    }
    if (cut == QLatin1String("record")) {
        // No copy of the photo goes, in either order; its record stays.
        QCOMPARE(box.text, QStringLiteral("以下照片未删除：\nIMG_0003.JPG：目录不在订单目录内: ") + other + "/all");
        QCOMPARE(m_service->requests("order", action).first().field("ids"), QStringLiteral("500000"));
        for (const QString &file : chosen + theirs)
            QVERIFY2(QFileInfo::exists(file) == (file.contains("_0003.") || theirs.contains(file)), qPrintable(file));
        return;
    }
    if (cut == QLatin1String("swapped")) {
        // Only the copies in the linked folder stay, named; its files elsewhere are untouched.
        QStringList linked;
        for (const QString &file : qAsConst(chosen)) {
            const bool inLink = file.contains("/190/");
            QVERIFY2(QFileInfo::exists(file) == inLink, qPrintable(file));
            if (inLink)
                linked << root.path() + Data::kShare + file.mid(backing.path().size()) + QStringLiteral("：目录不在订单目录内");
        }
        QCOMPARE(linked.size(), 2);
        QCOMPARE(QDir(servedOther + "/190").entryList(QDir::Files).size(), 3);
        QStringList lines = box.text.split('\n');
        QCOMPARE(lines.takeFirst(), QStringLiteral("照片记录已删除，以下文件未能删除："));
        lines.sort();
        QCOMPARE(lines, linked);
        return;
    }
    const QString reason = cut == QLatin1String("reply") ? QStringLiteral("共享目录已断开")
                                                         : QStringLiteral("Read-only file system");
    QStringList lines = box.text.split('\n');
    QCOMPARE(lines.takeFirst(), QStringLiteral("照片记录已删除，以下文件未能删除："));
    QCOMPARE(lines.size(), chosen.size());
    for (const QString &file : chosen) {
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        const QString shown = root.path() + Data::kShare + file.mid(backing.path().size());
        QVERIFY2(lines.contains(shown + QStringLiteral("：") + reason), qPrintable(box.text));
    }
}

void tst_PhotoDisplayWidget::localFileForDeletion_data()
{
    QTest::addColumn<QString>("localpath");
    QTest::addColumn<QString>("relative"); // below the mount root; empty for refused
    QTest::newRow("UNC path") << "\\\\NAS-STUDIO\\photo\\2024\\05\\17\\DD1-1\\all\\IMG_1.JPG"
                              << "photo/2024/05/17/DD1-1/all/IMG_1.JPG";
    QTest::newRow("UNC with forward slashes") << "//NAS-STUDIO/photo/a/all/b.jpg" << "photo/a/all/b.jpg";
    QTest::newRow("mount path") << "@ROOT@photo/a/all/b.jpg" << "photo/a/all/b.jpg";
    QTest::newRow("relative path") << "photo/a/all/b.jpg" << "";
    QTest::newRow("outside the share") << "/etc/passwd" << "";
    QTest::newRow("climbs out of the share") << "@ROOT@photo/../../etc/passwd" << "";
    QTest::newRow("UNC climbing out") << "\\\\NAS\\photo\\..\\..\\..\\etc\\passwd" << "";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("mount root itself") << "@ROOT@" << "";
}

void tst_PhotoDisplayWidget::localFileForDeletion()
{
    QFETCH(QString, localpath);
    QFETCH(QString, relative);
    ScopedMountRoot root;
    localpath.replace(QStringLiteral("@ROOT@"), root.path());
    const QString expected = relative.isEmpty() ? QString() : root.path() + relative;
    QCOMPARE(tfhomeorders_PhotoDisplayWidget::localFileForDeletion(localpath), expected);
}

void tst_PhotoDisplayWidget::switchingOrdersReusesTiles()
{
    m_grid->resize(560, 2400); // every tile in view
    m_grid->loadPhotosForOrder(orderWithPhotos(0, 60));
    waitForTiles(60);
    QWidget *lastTile = m_grid->entries().at(59).itemWidget;
    QPushButton *lastCheck = checkOf(59);
    lastCheck->click();
    QCOMPARE(m_grid->selectedCount(), 1);

    m_grid->loadPhotosForOrder(orderWithPhotos(1, 5));
    QCOMPARE(m_grid->selectedCount(), 0);
    waitForTiles(5);
    // The first pooled tile is the one of the old last entry, rebound and unchecked.
    QCOMPARE(m_grid->entries().at(0).itemWidget, lastTile);
    QVERIFY(!checkOf(0)->isChecked());
    QCOMPARE(m_grid->entries().at(0).nameLabel->text(), QStringLiteral("IMG_0001.JPG"));
    checkOf(0)->click();
    QCOMPARE(m_grid->selectedCount(), 1);
    QCOMPARE(m_grid->getSelectedPhotoNames(), QStringList{QStringLiteral("IMG_0001.JPG")});
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(4).isLoaded, 10000);
}

void tst_PhotoDisplayWidget::firstScreenWithoutWaiting_data()
{
    QTest::addColumn<int>("before"); // photos of the order shown before, 0 for none
    QTest::addColumn<bool>("scrolled"); // that order scrolled to its end
    QTest::newRow("new tiles") << 0 << false;
    QTest::newRow("pooled tiles") << 30 << false;
    QTest::newRow("old order scrolled down") << 120 << true;
}

void tst_PhotoDisplayWidget::firstScreenWithoutWaiting()
{
    QFETCH(int, before);
    QFETCH(bool, scrolled);
    if (before > 0) {
        m_grid->loadPhotosForOrder(orderWithPhotos(1, before));
        waitForTiles(before);
        if (scrolled) {
            QScrollBar *bar = scrollArea()->verticalScrollBar();
            QTRY_VERIFY(bar->maximum() > 0);
            bar->setValue(bar->maximum());
        }
    }
    const OrderInfo order = orderWithPhotos(0, 200);

    // No event runs between the call and these checks: the rows in view are
    // there and asked for, the rest waits for its batches.
    m_grid->loadPhotosForOrder(order);
    const int viewHeight = scrollArea()->viewport()->height();
    const int perRow = m_grid->photosPerRow();
    int inView = 0;
    while (5 + (inView / perRow) * 130 < viewHeight)
        inView += perRow;
    QVERIFY(inView >= perRow);
    for (int i = 0; i < inView; ++i) {
        const PhotoDisplayData &entry = m_grid->entries().at(i);
        QVERIFY2(entry.itemWidget && entry.itemWidget->isVisible(), qPrintable(QString::number(i)));
        QVERIFY(entry.isLoading);
        QCOMPARE(entry.nameLabel->text(), QStringLiteral("IMG_%1.JPG").arg(i + 1, 4, 10, QLatin1Char('0')));
    }
    QVERIFY(!m_grid->entries().at(inView).itemWidget);
    QVERIFY(!m_grid->entries().at(199).itemWidget);

    // A new order starts at the top, whatever the old one showed.
    QCOMPARE(scrollArea()->verticalScrollBar()->value(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(inView - 1).isLoaded, 10000);
    QCOMPARE(scrollArea()->verticalScrollBar()->value(), 0);
    QVERIFY(m_grid->entries().at(0).isLoaded);
}

void tst_PhotoDisplayWidget::closingLeavesTheLoaderThreadCleanly_data()
{
    QTest::addColumn<bool>("downloadOut"); // a picture still on its way when the grid goes
    QTest::newRow("pictures loaded") << false;
    QTest::newRow("download still out") << true;
}

// The loader's network objects live on its thread and are taken down there.
void tst_PhotoDisplayWidget::closingLeavesTheLoaderThreadCleanly()
{
    QFETCH(bool, downloadOut);
    const OrderInfo order = orderWithPhotos(0, 3);
    if (downloadOut)
        m_service->setFileDelay(QUrl(order.importedPhotos.at(2).url).path(), 5000);
    m_grid->loadPhotosForOrder(order);
    QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(1).isLoaded, 10000);
    if (downloadOut)
        QVERIFY(!m_grid->entries().at(2).isLoaded);
    else
        QTRY_VERIFY_WITH_TIMEOUT(m_grid->entries().at(2).isLoaded, 10000);
    MessageCatcher catcher;
    delete m_grid;
    m_grid = nullptr;
    QVERIFY2(!catcher.text().contains(QStringLiteral("another thread")), qPrintable(catcher.text()));
    QVERIFY2(!catcher.text().contains(QStringLiteral("Timers cannot")), qPrintable(catcher.text()));
}

QTEST_MAIN(tst_PhotoDisplayWidget)
#include "tst_PhotoDisplayWidget.moc"
