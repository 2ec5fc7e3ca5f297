#include "importfiles/ImportTargetCheckRunnable.h"

#include "importfiles/ImportFileCopyRunnable.h"

#include <QSet>

ImportTargetCheckRunnable::ImportTargetCheckRunnable(const QList<ImportFile> &files)
    : m_files(files)
{
    setAutoDelete(true);
}

void ImportTargetCheckRunnable::run()
{
    QSet<QString> folders;
    for (const ImportFile &file : qAsConst(m_files))
        folders.insert(file.targetFolder);
    for (const QString &folder : qAsConst(folders))
        ImportFileCopyRunnable::removeStaleTemporaries(folder);
    QList<int> states;
    states.reserve(m_files.size());
    for (const ImportFile &file : qAsConst(m_files))
        states.append(int(ImportFileCopyRunnable::targetState(file)));
    emit checked(m_files, states);
}
