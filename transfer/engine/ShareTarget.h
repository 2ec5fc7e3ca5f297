#pragma once

#include "platform/ShareGuard.h"

class FolderListing;
class ReplaceGate;

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// Where one copy of an entry goes, and the rules for putting it there. A
// run's copy is written only while its pinned share holds the target; a file
// already there under the very name is replaced only when the user said yes
// to it (and, with a gate, once the photo's other copies are whole), and
// counts as written when it holds the very bytes the copy would have. A look-alike under another form of the name (equal after folding) is
// never written beside nor over: a replacement goes under the name already
// on the share. A target made without a share simply replaces what is there.
class ShareTarget
{
public:
    enum Outcome {
        Pending,      // nothing tried yet
        Written,      // the copy was put in place
        AlreadyThere, // a file with the copy's bytes was there: nothing written
        Refused,      // another file of that name is there and may not be replaced
        ShareGone,    // the share went away
        NotReplaced,  // the file there stays: the photo's other copies were not all written
        Failed,       // the write itself failed
    };

    explicit ShareTarget(const QString &path);
    // listing: the run's view of its folders (null: the folder is listed now).
    ShareTarget(const QString &path, const ShareGuard &share, bool replaceConfirmed, FolderListing *listing);

    const QString &path() const { return m_path; }
    // A copy that would take another file's place waits at gate (as its copy
    // number) until the photo's other copies are whole.
    void setReplaceGate(std::shared_ptr<ReplaceGate> gate, int copy);
    Outcome outcome() const { return m_outcome; }
    // The user text for a refused target, a missing share, a file left
    // unreplaced or a failed write (the writer's own text); empty otherwise.
    QString problem() const;

    bool write(const QByteArray &bytes, QString *error = nullptr);
    bool copy(const QString &source, QString *error = nullptr);

    // A written copy stood in another file's place (that file is gone).
    bool tookPlace() const { return m_outcome == Written && m_tookPlace; }
    // Size of the copy in place (written, or there already); -1 when none is.
    qint64 placedSize() const { return m_outcome == Written || m_outcome == AlreadyThere ? m_size : -1; }
    // Removes the written copy through the folder held since before the write,
    // which still reaches the share after a lazy unmount. Only for a copy that
    // took nobody's place: the folder would otherwise lose the name.
    bool takeBack();

private:
    // Writes the copy whole under the name given, through the open folder.
    using Writer = std::function<bool(const QString &target, int folderFd, QString *)>;
    using SameBytes = std::function<bool(const QString &existing)>;

    bool place(const Writer &writeIt, const SameBytes &sameBytes, QString *error);
    bool fail(Outcome outcome, QString *error);
    class HeldFolder;
    // Writes beside the file there, then puts the copy in its place once the gate opens.
    bool replaceAtGate(const Writer &writeIt, const HeldFolder &held, QString *error);

    QString m_path;
    ShareGuard m_share;
    bool m_guarded = false;
    bool m_replaceConfirmed = true;
    FolderListing *m_listing = nullptr;
    Outcome m_outcome = Pending;
    QString m_existing; // the file that refused the copy
    QString m_failure;  // why the write failed
    bool m_tookPlace = false;
    qint64 m_size = -1;
    std::shared_ptr<ReplaceGate> m_gate;
    int m_copy = 0;
    std::shared_ptr<HeldFolder> m_held; // the written copy's folder, open since before the write
};
