#pragma once

#include <QString>

// The share a run writes to, pinned when the run starts. After an unmount
// the mount point stays behind as an empty local folder of the same name, so
// its existence proves nothing: the share folder's device and inode are
// compared with what they were when it was pinned. Copies may be used from
// any thread; each check is a fresh look at the disk.
class ShareGuard
{
public:
    ShareGuard() = default;

    // Pins the share folder that path lies below (the folder directly below
    // the mount root). False, and nothing pinned, when path is not below a
    // mounted share.
    bool pin(const QString &path);
    bool isPinned() const { return !m_shareFolder.isEmpty(); }

    // The pinned share folder, ending with "/"; empty when nothing is pinned.
    QString shareFolder() const { return m_shareFolder; }

    // True while the pinned share is still mounted where it was pinned.
    bool stillThere() const;

    // True when path lies strictly below the pinned share and the share is
    // still there.
    bool holds(const QString &path) const;

    // True when path exists, its real place (every link followed) lies
    // strictly below the pinned share's real place, and the share is still
    // there. Everything a tool reads from the share or writes into an existing
    // folder of it passes here, so a link never takes it off the share.
    bool reaches(const QString &path) const;

    // The real place of path, every link followed; empty when it does not
    // exist. An order folder's, taken when it is pinned, is the within below.
    static QString realPlace(const QString &path);

    // The first folder below the share folder, down to path itself, that is a
    // link (told by the link itself, not by names: shares fold case and
    // Unicode forms); empty when none is. A part not made yet ends the look.
    // An order folder reached through one may be another order's, and every
    // "within" check would then take that order for this one. Links above the
    // share (the mount root reached through one) are no concern here.
    static QString linkOnTheWay(const QString &path);

    // reaches(path), and path's real place lies at or below within (a real
    // place taken earlier, the order folder's): a link inside an order never
    // takes a tool into another order's folder. False for an empty within.
    bool reachesWithin(const QString &path, const QString &within) const;

    // Makes folder and its missing parents, each only while the share is
    // still there; the share folder itself is never made. Existing folders on
    // the way are followed only while their real place (links followed) lies
    // below the share's. False when folder is not below the pinned share, a
    // part leads off it, the share went away or a folder could not be made.
    // With within (a real place, see reachesWithin) every existing part must
    // lie on the way to within or inside it, and so must folder when done.
    bool makePath(const QString &folder, const QString &within = QString()) const;

private:
    // The real place of path while it reaches the share; empty otherwise.
    QString placeOnShare(const QString &path) const;

    QString m_shareFolder;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
