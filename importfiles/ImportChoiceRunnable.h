#pragma once

#include "importfiles/ImportFile.h"
#include "importfiles/ImportFileType.h"

#include <QList>
#include <QObject>
#include <QRunnable>
#include <QStringList>

// Turns the paths of a file dialog into the order's file records on a pool
// thread: each file's size is read from disk, which on a share takes long
// enough per file to hold the window for seconds with thousands of files.
// The name checks that follow are made there too.
class ImportChoiceRunnable : public QObject, public QRunnable
{
    Q_OBJECT

public:
    struct Choice {
        QList<ImportFile> files;
        QStringList colliding;  // source paths whose names collide in the order folder
        QStringList mismatched; // retouched files whose names the customer did not pick
    };

    ImportChoiceRunnable(const QStringList &paths, const QString &orderFolder, ImportFileType type, int orderRow,
                         int generation, const QStringList &selectedNames);

    void run() override;
    // The same work on the calling thread.
    static Choice read(const QStringList &paths, const QString &orderFolder, ImportFileType type, int orderRow,
                       int generation, const QStringList &selectedNames);

signals:
    void choiceRead(int orderRow, int generation, const ImportChoiceRunnable::Choice &choice);

private:
    QStringList m_paths;
    QString m_orderFolder;
    ImportFileType m_type;
    int m_orderRow;
    int m_generation;
    QStringList m_selectedNames;
};

Q_DECLARE_METATYPE(ImportChoiceRunnable::Choice)
