#include "batchdelete/BatchDeleteFileModel.h"

#include "batchdelete/BatchDeleteLogic.h"

#include <QBrush>
#include <QColor>

BatchDeleteFileModel::BatchDeleteFileModel(QObject *parent)
    : QAbstractTableModel(parent)
    , headers({QStringLiteral("文件名"), QStringLiteral("目录"), QStringLiteral("文件大小"),
               QStringLiteral("状态"), QStringLiteral("文件路径")})
{
}

int BatchDeleteFileModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : files.size();
}

int BatchDeleteFileModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : headers.size();
}

QVariant BatchDeleteFileModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= files.size() || index.column() < 0
        || index.column() >= headers.size())
        return QVariant();
    const BatchDeleteFileInfo &file = files.at(index.row());
    if (role == Qt::UserRole)
        return file.status;
    if (role == Qt::UserRole + 1)
        return index.row();
    if (role == Qt::ForegroundRole && index.column() == 3)
        return QBrush(QColor(BatchDeleteLogic::statusColor(file.status)));
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case 0: return file.fileName;
    case 1: return file.dirName;
    case 2: return formatFileSize(file.size);
    case 3: return BatchDeleteLogic::statusCellText(file.status, file.errorMessage);
    case 4: return file.filePath;
    default: return QVariant();
    }
}

QVariant BatchDeleteFileModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < headers.size())
        return headers.at(section);
    return QVariant();
}

QString BatchDeleteFileModel::formatFileSize(qint64 size)
{
    return BatchDeleteLogic::formatFileSize(size);
}

QString BatchDeleteFileModel::getStatusText(FileDeleteStatus status)
{
    return BatchDeleteLogic::statusText(status);
}

QString BatchDeleteFileModel::getStatusColor(FileDeleteStatus status)
{
    return BatchDeleteLogic::statusColor(status);
}

void BatchDeleteFileModel::setFiles(const QList<BatchDeleteFileInfo> &list)
{
    beginResetModel();
    files = list;
    endResetModel();
}

void BatchDeleteFileModel::clearFiles()
{
    beginResetModel();
    files.clear();
    endResetModel();
}

void BatchDeleteFileModel::updateFileStatus(int row, FileDeleteStatus status, const QString &message)
{
    if (row < 0 || row >= files.size())
        return;
    files[row].status = status;
    files[row].errorMessage = message;
    emit dataChanged(index(row, 0), index(row, headers.size() - 1));
}

BatchDeleteFileInfo BatchDeleteFileModel::getFileAt(int row) const
{
    if (row < 0 || row >= files.size())
        return BatchDeleteFileInfo();
    return files.at(row);
}
