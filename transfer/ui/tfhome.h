#pragma once

#include "transfer/records/OrderInfo.h"
#include "transfer/records/PhotoInfo.h"
#include "app/core/BaseReq.h"
#include "transfer/ui/TransferReports.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QHash>
#include <QSet>
#include <QVector>

#include <memory>

class QEventLoopLocker;
class QHBoxLayout;
class tfhomeorders;
class tfhomephotos;
class tfimportthreadmanager;
class QLabel;
class QPushButton;

// The "导片工具" main window: a frameless, translucent window with its own
// title bar, moved by dragging the title bar and resized from the right and
// bottom edges and the two right-hand corners.
class tfhome : public QMainWindow
{
    Q_OBJECT

public:
    explicit tfhome(QWidget *parent = nullptr);
    ~tfhome() override;

    // The login reply, assigned by the launcher; the window does not read it.
    QJsonObject loginInfo;

    // The resize zone under a window-local point, named by its cursor;
    // Qt::ArrowCursor outside every zone and while maximised.
    Qt::CursorShape getCursorShape(const QPoint &pos) const;
    // The window rectangle inset by the 4 px shadow margin.
    QRect getResizeArea(const QPoint &pos) const;

    bool isMaximizedByToggle() const { return m_isMaximized; }

    // Reports to the service. A file is reported only when it is on the share.
    // fileIndex: the entry's position in the order's picks; a refused report marks it failed.
    // placedSize: the size of the copy the run put whole in place (-1: the file is looked at).
    void upImportPhotoInfo(const QString &orderPhotoId, const QString &serverName, const QString &path,
                           const PhotoInfo &entry, int fileIndex = -1, qint64 placedSize = -1);
    void upImportOrderPath(const QString &orderPhotoId, const QString &serverName, const QString &folder);
    void upImportOrderData(OrderInfo order);

    tfimportthreadmanager *importManager() const { return m_importManager; }

public slots:
    void onCloseButtonClicked();
    void onMinimizeButtonClicked();
    void onMaximizeButtonClicked();
    void onStartImportOrder(const OrderInfo &order);
    void onStartAllImport(const QList<OrderInfo> &orders);
    void onStopAllImport();
    void onPhotoImported(const OrderInfo &order, const QString &fileName, int photoIndex, bool ok,
                         const QString &error);
    void onOrderProgressUpdated(const OrderInfo &order, int done, int total);
    void onOrderImportCompleted(const OrderInfo &order, bool ok, const QString &message);
    void onAllTasksCompleted();
    void onPathErrorOccurred(const QString &message, const QString &path);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // One engine result or completion, kept until the next turn of the event
    // loop (an order's completion until its photo reports are answered); holds
    // the keys of the order and at most a shared reference to the engine's picks.
    struct RunEvent
    {
        enum Kind { Result, Completion, Reload };
        Kind kind = Result;
        QString orderPhotoId;
        QString orderNumber;
        int orderIndex = -1;
        QString serverName;
        QString importPath; // the folder the engine actually used
        QList<PhotoInfo> enginePicks; // the engine's own picks (shared), for orders gone from the table
        bool hasEngineEntry = false;
        QString fileName;
        int photoIndex = -1;
        bool ok = false;
        QString error;
    };

    void setupCustomTitleBar();
    void setupMainLayout();
    void updateCursor(const QPoint &pos);
    bool isInTitleBar(const QPoint &pos) const;
    void styleMaximizeButton(bool toggled);
    bool minimizeThroughPlatform();
    static bool isWindowsStyle();

    // A photo or video whose report is on its way.
    struct ReportedFile
    {
        QString orderPhotoId;
        QString serverName;
        QString fileName;
        QString folder;     // the order's import folder as the entry stores it
        int fileIndex = -1; // the "all" entry of a photo, or the video's entry
        ImportTypes kind = FinishedPhotos;
    };

    void queueRunEvent(RunEvent event);
    void processRunEvents();
    void handleOrderStep(const RunEvent &event);
    void runStepsAfterReports(const QString &orderPhotoId);
    void handlePhotoResult(const RunEvent &result);
    void handleCompletion(const RunEvent &completion);
    void reloadImported(const QString &orderPhotoId);
    int findOrderRow(const QString &orderPhotoId, int hint) const;
    OrderInfo orderKey(const OrderInfo &order, int row) const;
    // Records one state in the order's picks (the table's and the panel's, or
    // the engine's copy of an order gone from the table); returns the index of
    // the file's entry and copies it to fileEntry, or -1. failure: why a failed file failed.
    int recordStatus(const QString &orderPhotoId, int hint, int photoIndex, const QString &fileName,
                     PhotoStatus status, PhotoInfo *fileEntry, const QString &failure = QString());
    void onPhotoReportReply(const ReportedFile &reported, bool ok, const QJsonDocument &reply,
                            BaseReq::Failure failure);
    void showPhotoReportProblem(const QString &orderPhotoId, const QString &fileName, const QString &problem);
    void showReportProblem(const QString &text, bool ok, const QJsonDocument &reply, BaseReq::Failure failure);
    TransferReports::Branch branch() const;
    // Closing mid-run: the window hides and goes once the photos being
    // written are in and their reports are answered.
    bool hasUnfinishedWork();
    void finishClosingWhenDone();
    void orderReportAnswered();

    QWidget *m_titleBar = nullptr;
    QPushButton *m_closeBtn = nullptr;
    QPushButton *m_minBtn = nullptr;
    QPushButton *m_maxBtn = nullptr;
    QLabel *m_titleLabel = nullptr;
    QWidget *m_centralWidget = nullptr;
    QHBoxLayout *m_contentLayout = nullptr;
    tfhomeorders *m_orders = nullptr;
    tfhomephotos *m_photos = nullptr;
    tfimportthreadmanager *m_importManager = nullptr;
    QVector<RunEvent> m_runEvents;
    QHash<QString, int> m_pendingPhotoReports;            // by order_photo_id
    QHash<QString, QVector<RunEvent>> m_afterReports;     // order steps waiting for the photo reports
    QHash<QString, QList<PhotoInfo>> m_detachedPicks;     // picks of running orders gone from the table
    QSet<QString> m_folderReported;                       // orders whose folder went out in this run
    QSet<QString> m_problemShown;                         // orders whose failed photo report was shown in this run
    int m_pendingOrderReports = 0;                        // folder and order reports on their way
    bool m_closing = false;                               // hidden, waiting for the run's last photos
    std::unique_ptr<QEventLoopLocker> m_keepsProgram;     // while hidden: the program waits for its reports

    QPoint m_dragPosition;
    bool m_isDragging = false;
    bool m_isMaximized = false;
    bool m_isResizing = false;
    QPoint m_resizeStartPos;
    QRect m_resizeStartGeometry;
    int m_resizeArea = Qt::ArrowCursor;
};
