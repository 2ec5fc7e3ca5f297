#include "importfiles/ImportTargetCheckRunnable.h"

#include "app/core/FoldedFileName.h"
#include "app/core/SameFileContent.h"
#include "importfiles/ImportFileCopyRunnable.h"

#include <QDir>
#include <QHash>

ImportTargetCheckRunnable::ImportTargetCheckRunnable(const QList<ImportFile> &files)
    : m_files(files)
{
    setAutoDelete(true);
}

void ImportTargetCheckRunnable::run()
{
    // Each target folder listed once: a share takes names that differ only in
    // Unicode form or letter case for one another.
    QHash<QString, QHash<QString, QStringList>> folders;
    for (const ImportFile &file : qAsConst(m_files)) {
        if (folders.contains(file.targetFolder))
            continue;
        ImportFileCopyRunnable::removeStaleTemporaries(file.targetFolder);
        folders.insert(file.targetFolder, namesByFold(file.targetFolder));
    }
    QList<int> states;
    states.reserve(m_files.size());
    for (ImportFile &file : m_files) {
        const QString name = file.fileName();
        const QStringList forms = folders[file.targetFolder].value(foldedFileName(name));
        const QString onShare = forms.contains(name) ? name : forms.value(0);
        if (onShare.isEmpty()) {
            states.append(int(ImportFileCopyRunnable::TargetState::Absent));
            continue;
        }
        if (onShare != name)
            file.lookAlikeName = onShare;
        const bool same = sameFileContent(file.sourcePath, QDir(file.targetFolder).filePath(onShare));
        states.append(int(same ? ImportFileCopyRunnable::TargetState::Same : ImportFileCopyRunnable::TargetState::Different));
    }
    emit checked(m_files, states);
}
