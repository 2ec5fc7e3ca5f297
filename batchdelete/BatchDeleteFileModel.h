#pragma once

#include "batchdelete/BatchDeleteRecords.h"

#include <QAbstractTableModel>
#include <QStringList>

// The files of one order folder, one row each.
class BatchDeleteFileModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit BatchDeleteFileModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static QString formatFileSize(qint64 size);
    static QString getStatusText(FileDeleteStatus status);
    static QString getStatusColor(FileDeleteStatus status);

    void setFiles(const QList<BatchDeleteFileInfo> &files);
    void clearFiles();
    void updateFileStatus(int row, FileDeleteStatus status, const QString &message);
    BatchDeleteFileInfo getFileAt(int row) const;

private:
    QList<BatchDeleteFileInfo> files;
    QStringList headers;
};
