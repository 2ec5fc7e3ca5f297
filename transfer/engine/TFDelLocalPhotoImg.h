#pragma once

#include <QList>
#include <QStringList>
#include <QThread>

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
    // Removes the copies of each path on the pinned share: before each
    // removal the share must still be there and the folder holding the copy
    // must really lie in it (links followed). A copy already gone counts as
    // removed only while the share is there. Returns the copies left.
    static QList<Failure> removeOnShare(const QStringList &paths, const ShareGuard &share);

protected:
    void run() override;

private:
    QStringList pendingPaths;
};
