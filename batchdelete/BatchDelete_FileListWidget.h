#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class BatchDeleteFileModel;
class ElementButton;
class FileScanThread;
class QLabel;
class QTableView;
class QVBoxLayout;

// Right-hand pane of the batch delete window: the files of one order.
class BatchDelete_FileListWidget : public QWidget
{
    Q_OBJECT

public:
    explicit BatchDelete_FileListWidget(QWidget *parent = nullptr);
    ~BatchDelete_FileListWidget() override;

    void setFiles(const QList<BatchDeleteFileInfo> &files);
    void clearFiles();
    void updateFileStatus(int row, FileDeleteStatus status, const QString &message);
    void loadFilesForOrders(const QList<BatchDeleteOrderInfo> &orders);
    void refreshFiles(BatchDeleteOrderInfo order);
    void deleteRefreshFile(const BatchDeleteOrderInfo &order, const BatchDeleteFileInfo &file);
    BatchDeleteOrderInfo getCurrentOrderInfo() const { return currentOrder; }
    void setUserEnable(bool enabled);
    // The same looks as the order table beside it.
    QString getScrollBarStyle() const;
    QString getHeaderStyle() const;

    QTableView *tableView() const { return table; }
    BatchDeleteFileModel *fileModel() const { return model; }

signals:
    void retrySubmitClicked(int row);
    void retryDeleteClicked(int row);
    void refreshOrderFiles(const QString &orderPhotoId, const QList<BatchDeleteFileInfo> &files);

public slots:
    void onScanFinished(const FileScanResult &result);
    void onScanProgress(int fileCount, const QString &folderPath);
    void onRetrySubmit(int row);
    void onRetryDelete(int row);

private:
    void setupUI();
    void cleanupFinishedThreads();
    void cancelScans();
    void stopAllThreads();

    QVBoxLayout *contentLayout = nullptr;
    QTableView *table = nullptr;
    BatchDeleteFileModel *model = nullptr;
    QLabel *titleLabel = nullptr;
    ElementButton *refreshButton = nullptr;
    QList<QPointer<FileScanThread>> scanThreads;
    BatchDeleteOrderInfo currentOrder;
};
