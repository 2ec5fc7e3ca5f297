#pragma once

#include <QStringList>
#include <QThread>

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

protected:
    void run() override;

private:
    QStringList pendingPaths;
};
