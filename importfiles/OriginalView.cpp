#include "importfiles/OriginalView.h"

#include "app/core/BaseReq.h"
#include "app/core/K.h"
#include "app/core/Logging.h"
#include "app/core/ServiceReply.h"
#include "importfiles/DeleteFileRunnable.h"
#include "importfiles/ImportRules.h"
#include "importfiles/ImportedPhotos.h"
#include "platform/FolderRead.h"
#include "platform/MountRoot.h"
#include "widgets/DialogAnswer.h"
#include "widgets/ElementButton.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/SimpleDialog.h"
#include "widgets/ThumbnailTableView.h"
#include "widgets/ToastWidget.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>

namespace {

bool hasVisibleText(QString text)
{
    return !text.remove(QLatin1Char(' ')).remove(QLatin1Char('\n')).isEmpty();
}

} // namespace

OriginalView::OriginalView(QWidget *parent)
    : QWidget(parent)
    , m_pool(new QThreadPool(this))
{
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("OriginalView"));
    resize(400, 300);
    setWindowTitle(QStringLiteral("Form"));
    qRegisterMetaType<DeleteFileResult>("DeleteFileResult");
    m_pool->setMaxThreadCount(4);
}

OriginalView::~OriginalView()
{
    qCDebug(lcImportFiles) << "开始清理线程池...";
    m_pool->clear();
    if (m_pool->waitForDone(5000))
        qCDebug(lcImportFiles) << "线程池已安全清理";
    else
        qCDebug(lcImportFiles) << "警告：线程池未能在5秒内完成所有任务";
    // Runnables hold no pointer to the view; the pool's own destructor waits for the rest.
}

void OriginalView::initUI(const QMap<QString, QString> &)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    auto *row = new QHBoxLayout();
    row->setSpacing(10);

    m_title = new QLabel(QStringLiteral("已导入"), this);
    m_title->setObjectName(QStringLiteral("importedTitle"));
    m_title->setStyleSheet(QStringLiteral("QLabel {font-size: %1px;    font-weight: 600;    color: #333333;    padding: 5px 0;}")
                               .arg(K::s(13)));
    m_refreshButton = new ElementButton(QStringLiteral("刷新"), ElementButton::ButtonType(2), this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_selectAllButton = new ElementButton(QStringLiteral("全选"), ElementButton::ButtonType(1), this);
    m_selectAllButton->setObjectName(QStringLiteral("selectAllButton"));
    m_deselectButton = new ElementButton(QStringLiteral("取消全选"), ElementButton::ButtonType(0), this);
    m_deselectButton->setObjectName(QStringLiteral("deselectButton"));
    m_deleteButton = new ElementButton(QStringLiteral("删除"), ElementButton::ButtonType(3), this);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    row->addWidget(m_title);
    row->addWidget(m_refreshButton);
    row->addStretch();
    row->addWidget(m_selectAllButton);
    row->addWidget(m_deselectButton);
    row->addWidget(m_deleteButton);
    layout->addLayout(row);

    m_grid = new ThumbnailTableView(this);
    m_grid->setObjectName(QStringLiteral("importedGrid"));
    layout->addWidget(m_grid);

    m_selectAllButton->setVisible(false);
    m_deselectButton->setVisible(false);
    m_deleteButton->setVisible(false);

    connect(m_selectAllButton, &QPushButton::clicked, this, [this] {
        if (m_ready)
            m_grid->selectAll();
    });
    connect(m_deselectButton, &QPushButton::clicked, this, [this] {
        if (m_ready)
            m_grid->clearAllSelections();
    });
    connect(m_refreshButton, &QPushButton::clicked, this, [this] {
        if (!m_ready)
            return;
        FullScreenLoading::show(this, QStringLiteral("正在刷新中..."), true);
        reqPhotoData();
    });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] {
        if (m_ready)
            deleteSelectedFiles();
    });
}

void OriginalView::refreshData(const QMap<QString, QString> &order)
{
    m_order = order;
    m_title->setText(QStringLiteral("已导入 %1-%2 %3 %4 %5")
                         .arg(order.value(QStringLiteral("orderpayforkey")), order.value(QStringLiteral("servicetimes")),
                              order.value(QStringLiteral("wname")), order.value(QStringLiteral("mname")),
                              order.value(QStringLiteral("role1name"))));
    // Visibility is judged on the flag, not on isVisible(), so a hidden view gets it right too.
    const bool canDelete = order.value(QStringLiteral("delyp")) == QLatin1String("1");
    m_selectAllButton->setVisible(canDelete);
    m_deselectButton->setVisible(canDelete);
    m_deleteButton->setVisible(canDelete);
    m_grid->loadThumbnails({});
    reqPhotoData();
}

void OriginalView::dismissLoading()
{
    if (FullScreenLoading *loading = FullScreenLoading::getInstance(this))
        loading->dismiss();
}

void OriginalView::reqPhotoData()
{
    m_stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
    // No request carries an empty id: the order's photos cannot be named.
    if (m_order.value(QStringLiteral("shopid")).isEmpty() || m_order.value(QStringLiteral("order_photo_id")).isEmpty()) {
        dismissLoading();
        QMessageBox::warning(this, QStringLiteral("温馨提示"), ImportRules::badOrderMessage(), QMessageBox::Ok);
        return;
    }
    auto *req = new BaseReq(this);
    QPointer<OriginalView> self(this);
    req->getResultData(QStringLiteral("&m=order&a=getorder_pics"),
                       ImportedPhotos::photoListBody(m_order.value(QStringLiteral("shopid")),
                                                     m_order.value(QStringLiteral("order_photo_id")), m_stamp),
                       [self, req](bool ok, const QJsonDocument &doc) {
                           req->deleteLater();
                           if (self)
                               self->onPhotoReply(ok, doc);
                       });
}

void OriginalView::onPhotoReply(bool ok, const QJsonDocument &doc)
{
    dismissLoading();
    if (!ok)
        return;
    const QJsonObject reply = doc.object();
    if (reply.value(QStringLiteral("timestamp")).toString() != m_stamp)
        return;
    const ServiceReply::Code code = ServiceReply::codeOf(reply);
    if (code != ServiceReply::Code::Accepted) {
        const QString why = code == ServiceReply::Code::BadForm ? ServiceReply::badFormMessage()
                                                                : reply.value(QStringLiteral("message")).toString();
        QMessageBox::warning(this, QStringLiteral("温馨提示"), why, QMessageBox::Ok);
        return;
    }
    m_grid->loadThumbnails(ImportedPhotos::photoList(reply));
}

void OriginalView::deleteSelectedFiles()
{
    const QList<int> indices = m_grid->getSelectedIndices();
    if (indices.isEmpty()) {
        ToastWidget::showMessage(this, QStringLiteral("请选择要删除的文件..."), 2000);
        return;
    }
    QList<ThumbnailInfo> photos;
    for (int index : indices) {
        const ThumbnailInfo photo = m_grid->getThumbnailInfo(index);
        if (!photo.filePath.isEmpty())
            photos.append(photo);
    }
    if (photos.isEmpty()) {
        ToastWidget::showMessage(this, QStringLiteral("没有有效的文件可以删除"), 2000);
        return;
    }
    QPointer<OriginalView> self(this);
    SimpleDialog::confirm(this, QStringLiteral("温馨提示"),
                          QStringLiteral("确定删除选中的%1张照片吗？删除后无法恢复。").arg(photos.size()),
                          DialogAnswer::afterClose(this, [self, photos](bool yes) {
                              if (self && yes && self->m_ready)
                                  self->submitDeletion(photos);
                          }));
}

QString OriginalView::folderToPin(const QList<ThumbnailInfo> &photos) const
{
    const QString folder = m_order.value(QStringLiteral("importPath"));
    if (!folder.isEmpty())
        return folder;
    for (const ThumbnailInfo &photo : photos) {
        if (MountRoot::isOnShare(photo.filePath))
            return QFileInfo(photo.filePath).path();
    }
    return photos.isEmpty() ? QString() : QFileInfo(photos.first().filePath).path();
}

QString OriginalView::shareProblem(const QString &folder, ShareGuard *share)
{
    // Nothing of a path past the system's limits is looked at.
    const QString tooLong = K::pathTooLongMessage(folder);
    if (!tooLong.isEmpty())
        return tooLong;
    if (!share->pin(folder))
        return K::missingShareMessage(folder);
    // A share whose server went away may still answer a look-up from its
    // cache; a listing asks the server. A folder not there holds no files.
    const int error = FolderRead::listingError(folder);
    if (error != 0 && !(error == ENOENT && share->stillThere()))
        return K::missingShareMessage(folder);
    // A folder that is a link off the share (or to nowhere) holds none of the order's files.
    const QFileInfo info(folder);
    if ((info.exists() || info.isSymLink()) && !share->reaches(folder))
        return share->stillThere() ? ImportRules::outsideShareMessage(QDir::cleanPath(folder))
                                   : K::missingShareMessage(folder);
    return QString();
}

void OriginalView::submitDeletion(const QList<ThumbnailInfo> &chosen)
{
    // The service's records go first: nothing is asked of it for an order it
    // cannot be told apart by, or whose files are out of reach.
    if (m_order.value(QStringLiteral("order_photo_id")).isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), ImportRules::badOrderMessage(), QMessageBox::Ok);
        return;
    }
    const QString folder = folderToPin(chosen);
    const bool ownFolder = !m_order.value(QStringLiteral("importPath")).isEmpty();
    ShareGuard share;
    QString problem = shareProblem(folder, &share);
    // On the share, through a link the order's folder may be another order's: none of its photos go.
    if (problem.isEmpty() && ownFolder)
        problem = K::orderFolderLinkRefusal(folder);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("温馨提示"), problem, QMessageBox::Ok);
        return;
    }
    // No record goes for a photo whose files would then be refused: each is named, the others go.
    const QString within = ownFolder ? ImportRules::realPlaceOf(folder) : QString();
    QList<ThumbnailInfo> photos;
    QStringList ids;
    QStringList refused;
    QHash<QString, QString> places;
    for (const ThumbnailInfo &photo : chosen) {
        const QString why = ImportedPhotos::deletionRefusal(photo, share, within, &places);
        if (!why.isEmpty()) {
            refused.append(why);
            continue;
        }
        photos.append(photo);
        ids.append(photo.id);
    }
    if (photos.isEmpty()) {
        SimpleDialog::warning(this, QStringLiteral("温馨提示"),
                              QStringLiteral("以下照片不能删除：\n") + refused.join(QLatin1Char('\n')));
        return;
    }
    m_share = share;
    m_within = within;
    m_ready = false;
    m_report.clear();
    m_refused = refused;
    FullScreenLoading::show(this, QStringLiteral("提交删除数据中..."), true);
    m_stamp = QString::number(QDateTime::currentMSecsSinceEpoch());
    auto *req = new BaseReq(this);
    QPointer<OriginalView> self(this);
    req->getResultData(QStringLiteral("&m=order&a=delete_pics"),
                       ImportedPhotos::deleteBody(m_order.value(QStringLiteral("shopid")),
                                                  m_order.value(QStringLiteral("order_photo_id")), ids, m_stamp),
                       [self, req, photos](bool ok, const QJsonDocument &doc) {
                           req->deleteLater();
                           if (self)
                               self->onDeleteReply(ok, doc, photos);
                       });
}

void OriginalView::onDeleteReply(bool ok, const QJsonDocument &doc, const QList<ThumbnailInfo> &photos)
{
    FullScreenLoading *loading = FullScreenLoading::getInstance(this);
    if (!ok) {
        if (loading)
            loading->showFailed(QStringLiteral("提交数据失败"), 1500);
        m_ready = true;
        return;
    }
    const QJsonObject reply = doc.object();
    const ServiceReply::Code code = ServiceReply::codeOf(reply);
    if (code != ServiceReply::Code::Accepted) {
        if (loading)
            loading->showFailed(code == ServiceReply::Code::BadForm ? ServiceReply::badFormMessage()
                                                                    : reply.value(QStringLiteral("message")).toString(),
                                1500);
        m_ready = true;
        return;
    }
    m_total = photos.size();
    m_succeeded = 0;
    m_failed = 0;
    if (loading)
        loading->setMessage(QStringLiteral("正在删除 0/%1...").arg(m_total));
    qCDebug(lcImportFiles) << "开始删除" << m_total << "个文件";
    for (const ThumbnailInfo &photo : photos) {
        auto *task = new DeleteFileRunnable(photo);
        task->setShareGuard(m_share);
        task->setOrderPlace(m_within);
        task->setBeforeRemoval(m_beforeRemoval);
        connect(task, &DeleteFileRunnable::deleteFinished, this, &OriginalView::onDeleteFileFinished,
                Qt::QueuedConnection);
        m_pool->start(task, 0);
    }
}

void OriginalView::onDeleteFileFinished(const DeleteFileResult &result)
{
    if (result.success)
        ++m_succeeded;
    else
        ++m_failed;
    m_report += QLatin1Char('\n') + result.message;
    const int done = m_succeeded + m_failed;
    if (FullScreenLoading *loading = FullScreenLoading::getInstance(this))
        loading->setMessage(QStringLiteral("正在删除 %1/%2...").arg(done).arg(m_total));
    if (done < m_total)
        return;
    m_ready = true;
    qCDebug(lcImportFiles) << "删除完成 - 成功:" << m_succeeded << "失败:" << m_failed;
    QTimer::singleShot(300, this, [this] {
        if (FullScreenLoading *loading = FullScreenLoading::getInstance(this)) {
            // Done only when every file went: a file left on the share is no success.
            if (m_succeeded == 0)
                loading->showFailed(QStringLiteral("删除失败!"), 1500);
            else if (m_failed > 0 || hasVisibleText(m_report) || !m_refused.isEmpty())
                loading->showFailed(QStringLiteral("部分文件删除失败!"), 1500);
            else
                loading->showSuccess(QStringLiteral("删除完成！"), 1500);
        }
        qCDebug(lcImportFiles) << "删除失败的信息:" << m_report;
        QStringList parts;
        if (!m_refused.isEmpty())
            parts << QStringLiteral("以下照片不能删除：\n") + m_refused.join(QLatin1Char('\n'));
        if (hasVisibleText(m_report))
            parts << QStringLiteral("本地文件删除失败，请检查手动删除以下照片！") + m_report;
        if (!parts.isEmpty())
            SimpleDialog::info(this, QStringLiteral("温馨提示"), parts.join(QLatin1Char('\n')));
        reqPhotoData();
    });
}
