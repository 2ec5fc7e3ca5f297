#include "importfiles/ImportTargetCheckRunnable.h"

#include "app/core/FoldedFileName.h"
#include "app/core/SameFileContent.h"
#include "importfiles/ImportFileCopyRunnable.h"

#include <QDir>
#include <QHash>
#include <QSet>

namespace {

// What lies in one target folder, listed once: a share takes names that
// differ only in Unicode form or letter case for one another.
struct FolderNames
{
    QSet<QString> exact;
    QHash<QString, QString> byFold; // folded name -> a name on disk
};

FolderNames namesIn(const QString &folder)
{
    FolderNames names;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString &name : entries) {
        names.exact.insert(name);
        names.byFold.insert(foldedFileName(name), name);
    }
    return names;
}

} // namespace

ImportTargetCheckRunnable::ImportTargetCheckRunnable(const QList<ImportFile> &files)
    : m_files(files)
{
    setAutoDelete(true);
}

void ImportTargetCheckRunnable::run()
{
    QHash<QString, FolderNames> folders;
    for (const ImportFile &file : qAsConst(m_files)) {
        if (folders.contains(file.targetFolder))
            continue;
        ImportFileCopyRunnable::removeStaleTemporaries(file.targetFolder);
        folders.insert(file.targetFolder, namesIn(file.targetFolder));
    }
    QList<int> states;
    states.reserve(m_files.size());
    for (ImportFile &file : m_files) {
        const FolderNames &names = folders[file.targetFolder];
        const QString name = file.fileName();
        const QString onShare = names.exact.contains(name) ? name : names.byFold.value(foldedFileName(name));
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
