#include "importfiles/ImportTargetCheckRunnable.h"

#include "app/core/FoldedFileName.h"
#include "app/core/SameFileContent.h"
#include "importfiles/ImportFileCopyRunnable.h"
#include "importfiles/ImportRules.h"

#include <QDir>
#include <QHash>

ImportTargetCheckRunnable::ImportTargetCheckRunnable(const QList<ImportFile> &files, const ShareGuard &share,
                                                     const QString &orderFolder, const ImportRules::OrderPlace &place)
    : m_files(files)
    , m_share(share)
    , m_orderFolder(orderFolder)
    , m_place(place)
{
    setAutoDelete(true);
}

void ImportTargetCheckRunnable::run()
{
    QList<int> states;
    states.reserve(m_files.size());
    if (!m_share.stillThere() || !ImportRules::resolvesTo(m_orderFolder, m_place.within)) {
        for (int i = 0; i < m_files.size(); ++i)
            states.append(int(ImportFileCopyRunnable::TargetState::Absent));
        emit checked(m_files, states);
        return;
    }
    // Each target folder listed once: a share takes names that differ only in
    // Unicode form or letter case for one another.
    QHash<QString, QHash<QString, QStringList>> folders;
    const QString within = m_place.within;
    for (const ImportFile &file : qAsConst(m_files)) {
        if (folders.contains(file.targetFolder))
            continue;
        const QString real = ImportRules::placeBelow(file.targetFolder, m_orderFolder, m_place.folder);
        // Nothing is looked at, or removed, through a folder leading off the
        // share or into another order's folder: its copy is refused.
        if (ImportRules::folderOffShare(real, m_share) || ImportRules::folderOutsideOrder(real, m_share, within)) {
            folders.insert(file.targetFolder, {});
            continue;
        }
        ImportFileCopyRunnable::removeStaleTemporaries(real);
        folders.insert(file.targetFolder, namesByFold(real));
    }
    for (ImportFile &file : m_files) {
        const QString name = file.fileName();
        const QString real = ImportRules::placeBelow(file.targetFolder, m_orderFolder, m_place.folder);
        const QStringList forms = folders[file.targetFolder].value(foldedFileName(name));
        const QString onShare = forms.contains(name) ? name : forms.value(0);
        if (onShare.isEmpty()) {
            states.append(int(ImportFileCopyRunnable::TargetState::Absent));
            continue;
        }
        if (onShare != name)
            file.lookAlikeName = onShare;
        const bool same = sameFileContent(file.sourcePath, QDir(real).filePath(onShare));
        states.append(int(same ? ImportFileCopyRunnable::TargetState::Same : ImportFileCopyRunnable::TargetState::Different));
    }
    emit checked(m_files, states);
}
