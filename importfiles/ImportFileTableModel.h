#pragma once

#include "importfiles/ImportFile.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The chosen files of the current order: name, state, retry, target folder.
class ImportFileTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ImportFileTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setFiles(const QList<ImportFile> &files);
    void addFile(const ImportFile &file);
    void clearFiles();
    void updateFileStatus(int row, ImportStatus status, const QString &message);
    // An empty record for a row out of range.
    ImportFile getFile(int row) const;
    QList<ImportFile> getFiles() const { return m_files; }

private:
    QList<ImportFile> m_files;
    const QStringList m_headers;
};
