#include "importfiles/ImportFileTableModel.h"

#include "importfiles/ImportRules.h"

#include <QColor>

ImportFileTableModel::ImportFileTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers{QStringLiteral("文件名"), QStringLiteral("导入状态"), QStringLiteral("操作"),
                QStringLiteral("导入路径")}
{
}

int ImportFileTableModel::rowCount(const QModelIndex &) const
{
    return m_files.size();
}

int ImportFileTableModel::columnCount(const QModelIndex &) const
{
    return m_headers.size();
}

QVariant ImportFileTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.column() < 0 || index.row() >= m_files.size())
        return QVariant();
    const ImportFile &file = m_files.at(index.row());
    const bool known = file.status == ImportStatus::Waiting || file.status == ImportStatus::Success || file.status == ImportStatus::Failed;

    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return file.fileName();
        case 1:
            if (!known)
                return QVariant();
            if (file.status == ImportStatus::Failed && !file.message.isEmpty())
                return file.message;
            return ImportRules::statusText(file.status);
        case 2:
            return file.status == ImportStatus::Failed ? QStringLiteral("retry") : QString();
        case 3:
            return file.targetFolder;
        }
        return QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == 1 || index.column() == 2)
            return int(Qt::AlignCenter);
        return QVariant();
    case Qt::ForegroundRole:
        if (index.column() == 1 && known)
            return QColor(ImportRules::statusColor(file.status));
        return QVariant();
    case Qt::UserRole:
        return int(file.status);
    }
    return QVariant();
}

QVariant ImportFileTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers.at(section);
    return QVariant();
}

void ImportFileTableModel::setFiles(const QList<ImportFile> &files)
{
    beginResetModel();
    m_files = files;
    endResetModel();
}

void ImportFileTableModel::addFile(const ImportFile &file)
{
    beginInsertRows(QModelIndex(), m_files.size(), m_files.size());
    m_files.append(file);
    endInsertRows();
}

void ImportFileTableModel::clearFiles()
{
    beginResetModel();
    m_files.clear();
    endResetModel();
}

void ImportFileTableModel::updateFileStatus(int row, ImportStatus status, const QString &message)
{
    if (row < 0 || row >= m_files.size())
        return;
    m_files[row].status = status;
    m_files[row].message = message;
    emit dataChanged(index(row, 1), index(row, 2));
}

ImportFile ImportFileTableModel::getFile(int row) const
{
    if (row < 0 || row >= m_files.size())
        return ImportFile();
    return m_files.at(row);
}
