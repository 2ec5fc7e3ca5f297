#pragma once

#include "importfiles/DeleteFileResult.h"
#include "platform/ShareGuard.h"

#include <QMap>
#include <QString>
#include <QWidget>

#include <functional>

class ElementButton;
class QJsonDocument;
class QLabel;
class QThreadPool;
class ThumbnailTableView;

// The photos the service already holds for the selected order, with the
// deletion of selected ones on the service and on the share.
class OriginalView : public QWidget
{
    Q_OBJECT

public:
    explicit OriginalView(QWidget *parent = nullptr);
    ~OriginalView() override;

    void initUI(const QMap<QString, QString> &unused);
    void refreshData(const QMap<QString, QString> &order);
    void reqPhotoData();
    void deleteSelectedFiles();
    void onDeleteFileFinished(const DeleteFileResult &result);

    bool isReady() const { return m_ready; }
    // Handed to each removal, run between its checks and the removal (tests unmount there).
    void setBeforeRemoval(const std::function<void()> &hook) { m_beforeRemoval = hook; }

private:
    void submitDeletion(const QList<ThumbnailInfo> &chosen);
    // The order folder ("importPath" of the order), or, for an order without
    // one, the folder of the first of the photos that lies on the share.
    QString folderToPin(const QList<ThumbnailInfo> &photos) const;
    // Pins the share of folder and reads the folder to its end; empty when
    // the files can be removed there, else what the user is told.
    static QString shareProblem(const QString &folder, ShareGuard *share);
    void onPhotoReply(bool ok, const QJsonDocument &doc);
    void onDeleteReply(bool ok, const QJsonDocument &doc, const QList<ThumbnailInfo> &photos);
    void dismissLoading();

    QLabel *m_title = nullptr;
    ElementButton *m_refreshButton = nullptr;
    ElementButton *m_selectAllButton = nullptr;
    ElementButton *m_deselectButton = nullptr;
    ElementButton *m_deleteButton = nullptr;
    ThumbnailTableView *m_grid = nullptr;
    QString m_stamp;
    QMap<QString, QString> m_order;
    QThreadPool *m_pool = nullptr;
    // The share of the deletion under way, pinned before the service is asked.
    ShareGuard m_share;
    // The real place of the order's folder when the deletion was asked for.
    QString m_within;
    std::function<void()> m_beforeRemoval;
    bool m_ready = true;
    // Files whose removal failed once the service agreed: to be removed by hand.
    QString m_report;
    // Photos refused before the request: their records stay, so do their files.
    QStringList m_refused;
    int m_total = 0;
    int m_succeeded = 0;
    int m_failed = 0;
};
