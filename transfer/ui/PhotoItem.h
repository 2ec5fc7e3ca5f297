#pragma once

#include "transfer/records/PhotoInfo.h"

#include <QFrame>

class QLabel;
class QPushButton;
class QVBoxLayout;

// One tile of the picked-photo panel: preview, name and a status badge.
class PhotoItem : public QFrame
{
    Q_OBJECT

public:
    explicit PhotoItem(const PhotoInfo &photo, QWidget *parent = nullptr);

    void updateStatus(PhotoStatus status);
    // Tells why the file failed, over the whole tile but its name ("": nothing to tell).
    void showFailure(const QString &reason);
    void updateThumbnail(const QPixmap &thumbnail);
    void updateFrameStyle();
    void updateStatusStyle(PhotoStatus status);
    static QString getStatusText(PhotoStatus status);
    static QString getStatusColor(PhotoStatus status);

    const PhotoInfo &photoInfo() const { return photo; }

signals:
    void retryUploadClicked(const QString &filePath);

public slots:
    void onRetryClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeBadge();

    PhotoInfo photo;
    QVBoxLayout *m_layout = nullptr;
    QLabel *m_thumbnailLabel = nullptr;
    QLabel *m_nameLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPushButton *m_retryButton = nullptr;
};
