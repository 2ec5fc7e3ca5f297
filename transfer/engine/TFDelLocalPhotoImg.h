#pragma once

#include "platform/ShareRemoval.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QThread>

#include <functional>

class ShareGuard;

// Removes the local copies of photos deleted on the service: the file itself
// and, when it lies in an "all" folder, its siblings in "90", "190", "1920".
// Only files below the share's mount root are touched.
class TFDelLocalPhotoImg : public QThread
{
    Q_OBJECT
public:
    explicit TFDelLocalPhotoImg(QObject *parent = nullptr);
    ~TFDelLocalPhotoImg() override;

    void setPrepareDelPaths(const QStringList &paths);

    // The path itself and, for a file held by an "all" folder, the same file in the size folders.
    static QStringList copiesOf(const QString &path);

    // A copy that is still there after its removal, and why.
    struct Failure
    {
        QString path;
        QString reason;
    };
    // Why a copy is left after its removal through the held folder; empty when it is gone.
    static QString leftReason(const ShareRemoval::Result &removal);
    // Runs with a copy's path between the checks of its removal and the removal itself.
    using BeforeRemoval = std::function<void(const QString &copy)>;
    // Removes the copies of each path on the pinned share, each through its
    // folder held open (ShareRemoval): the share must still be there and the
    // folder must really lie in it (links followed) and, with within (the
    // real place of the order's folder), in the order's folder. A copy
    // already gone counts as removed only while the share is there. Returns
    // the copies left.
    static QList<Failure> removeOnShare(const QStringList &paths, const ShareGuard &share,
                                        const QString &within = QString(),
                                        const BeforeRemoval &beforeRemoval = nullptr);
    // Why path's copies would be refused at their removal, asked before the
    // service drops the record: the first copy named on another share, or
    // whose folder is there but by its real place off the share or not at or
    // below within (another order's). Empty when there is none. known, when
    // given, keeps each folder's answer: a deletion's photos share a few
    // folders, each resolved once on the share.
    static QString folderRefusal(const QString &path, const ShareGuard &share, const QString &within,
                                 QHash<QString, QString> *known = nullptr);

protected:
    void run() override;

private:
    QStringList pendingPaths;
};
