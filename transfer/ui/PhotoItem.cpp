#include "transfer/ui/PhotoItem.h"

#include "app/core/K.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString px(int value)
{
    return K::s(K::f(value)) + QStringLiteral("px");
}

QString framedThumbnailStyle()
{
    return QStringLiteral("QLabel { background-color: #ffffff; border: 1px solid #e2e8f0; border-radius: %1;"
                          " padding: %2; }")
        .arg(px(4), px(2));
}

QPixmap scaledPreview(const QPixmap &thumbnail)
{
    return thumbnail.scaled(K::f(74), K::f(55), Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

PhotoItem::PhotoItem(const PhotoInfo &info, QWidget *parent)
    : QFrame(parent)
    , photo(info)
{
    setObjectName(QStringLiteral("photoItem"));
    setFixedSize(K::f(90), K::f(120));
    updateFrameStyle();

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(K::f(6), K::f(6), K::f(6), K::f(6));
    m_layout->setSpacing(K::f(4));

    m_thumbnailLabel = new QLabel(this);
    m_thumbnailLabel->setObjectName(QStringLiteral("thumbnailLabel"));
    m_thumbnailLabel->setFixedSize(K::f(78), K::f(59));
    m_thumbnailLabel->setAlignment(Qt::AlignCenter);
    const QString gradient = QStringLiteral("background: qlineargradient(x1:0, y1:0, x2:1, y2:1,"
                                            " stop:0 #f8fafc, stop:1 #e2e8f0); border: 1px solid #cbd5e0;"
                                            " border-radius: %1;")
                                 .arg(px(4));
    m_thumbnailLabel->setStyleSheet(QStringLiteral("QLabel { %1 padding: %2; }").arg(gradient, px(2)));
    if (photo.thumbnail.isNull()) {
        m_thumbnailLabel->setText(QStringLiteral("📷\n无预览"));
        m_thumbnailLabel->setStyleSheet(QStringLiteral("QLabel { %1 color: #64748b; font-size: %2; font-weight: 500; }")
                                            .arg(gradient, px(8)));
    } else {
        m_thumbnailLabel->setPixmap(scaledPreview(photo.thumbnail));
        m_thumbnailLabel->setStyleSheet(framedThumbnailStyle());
    }

    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("nameLabel"));
    m_nameLabel->setWordWrap(true);
    m_nameLabel->setAlignment(Qt::AlignCenter);
    m_nameLabel->setText(photo.img_name.size() >= 21 ? photo.img_name.left(17) + QStringLiteral("...")
                                                     : photo.img_name);
    m_nameLabel->setToolTip(photo.img_name);
    m_nameLabel->setStyleSheet(QStringLiteral("QLabel { font-size: %1; color: #2d3748; font-weight: 600;"
                                              " background: transparent; border: none; padding: %2 %3; }")
                                   .arg(px(8), px(1), px(2)));

    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_statusLabel->setText(getStatusText(PhotoStatus(photo.status)));
    m_statusLabel->setAlignment(Qt::AlignCenter);
    updateStatusStyle(PhotoStatus(photo.status));
    showFailure(photo.status == PhotoStatus::Failed ? photo.failure : QString());

    m_retryButton = new QPushButton(QStringLiteral("🔄 重新上传"), this);
    m_retryButton->setFixedHeight(K::f(14));
    m_retryButton->setStyleSheet(
        QStringLiteral("QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ff6b6b,"
                       " stop:1 #ee5a52); color: white; border: none; border-radius: %1; font-size: %2;"
                       " font-weight: 600; padding: %3 %4; }"
                       "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ff5252,"
                       " stop:1 #d32f2f); }"
                       "QPushButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #d32f2f,"
                       " stop:1 #b71c1c); }")
            .arg(px(3), px(8), px(2), px(4)));
    m_retryButton->hide();
    connect(m_retryButton, &QPushButton::clicked, this, &PhotoItem::onRetryClicked);

    m_layout->addWidget(m_thumbnailLabel, 0);
    m_layout->addWidget(m_nameLabel, 0);
    m_layout->addWidget(m_retryButton, 0);
    m_layout->addStretch();

    QTimer::singleShot(0, this, &PhotoItem::placeBadge);
}

void PhotoItem::updateStatus(PhotoStatus status)
{
    photo.status = status;
    m_statusLabel->setText(getStatusText(status));
    updateStatusStyle(status);
    updateFrameStyle();
}

void PhotoItem::showFailure(const QString &reason)
{
    photo.failure = reason;
    setToolTip(reason.isEmpty() ? QString() : QStringLiteral("失败原因：") + reason);
}

void PhotoItem::updateThumbnail(const QPixmap &thumbnail)
{
    photo.thumbnail = thumbnail;
    if (thumbnail.isNull())
        return;
    m_thumbnailLabel->setText(QString());
    m_thumbnailLabel->setPixmap(scaledPreview(thumbnail));
    m_thumbnailLabel->setStyleSheet(framedThumbnailStyle());
}

void PhotoItem::updateFrameStyle()
{
    if (photo.status == PhotoStatus::Uploaded) {
        setStyleSheet(QStringLiteral(
                          "QFrame#photoItem { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff,"
                          " stop:1 #f8f9fa); border: 1px solid #22c55e; border-radius: %1; margin: %2; }"
                          "QFrame#photoItem:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #ffffff, stop:1 #f0fdf4); border: 2px solid #16a34a; margin: %2; }")
                          .arg(px(6), px(1)));
    } else {
        setStyleSheet(QStringLiteral(
                          "QFrame#photoItem { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff,"
                          " stop:1 #f8f9fa); border: 1px solid #e1e5e9; border-radius: %1; margin: %2; }"
                          "QFrame#photoItem:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                          " stop:0 #ffffff, stop:1 #f0f4f8); border: 1px solid #007aff; margin: 0px; }")
                          .arg(px(6), px(1)));
    }
}

void PhotoItem::updateStatusStyle(PhotoStatus status)
{
    const QString badge = QStringLiteral("border-radius: %1; min-width: %2; max-width: %2; min-height: %2;"
                                         " max-height: %2;")
                              .arg(px(4), px(10));
    switch (status) {
    case PhotoStatus::Uploaded:
        m_statusLabel->setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                                                    " stop:0 #4ade80, stop:1 #22c55e); color: white;"
                                                    " font-size: %1; font-weight: 700; border: none; %2 }")
                                         .arg(px(8), badge));
        break;
    case PhotoStatus::Failed:
        m_statusLabel->setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                                                    " stop:0 #f87171, stop:1 #ef4444); color: white;"
                                                    " font-size: %1; font-weight: 700; border: none; %2 }")
                                         .arg(px(8), badge));
        break;
    case PhotoStatus::Waiting:
        m_statusLabel->setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                                                    " stop:0 #f1f5f9, stop:1 #e2e8f0); color: #64748b;"
                                                    " font-size: %1; font-weight: 600; border: 1px solid #cbd5e0; %2 }")
                                         .arg(px(8), badge));
        break;
    default:
        m_statusLabel->setStyleSheet(QString());
        break;
    }
    placeBadge();
}

QString PhotoItem::getStatusText(PhotoStatus status)
{
    switch (status) {
    case PhotoStatus::Uploaded:
        return QStringLiteral("✓");
    case PhotoStatus::Waiting:
        return QStringLiteral("●");
    case PhotoStatus::Failed:
        return QStringLiteral("✕");
    }
    return QStringLiteral("?");
}

QString PhotoItem::getStatusColor(PhotoStatus status)
{
    switch (status) {
    case PhotoStatus::Uploaded:
        return QStringLiteral("#48bb78");
    case PhotoStatus::Waiting:
        return QStringLiteral("#a0aec0");
    case PhotoStatus::Failed:
        return QStringLiteral("#f56565");
    }
    return QStringLiteral("#718096");
}

void PhotoItem::onRetryClicked()
{
    emit retryUploadClicked(photo.url);
}

void PhotoItem::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    placeBadge();
}

void PhotoItem::placeBadge()
{
    if (m_statusLabel)
        m_statusLabel->setGeometry(width() - K::f(15), height() - K::f(15), K::f(10), K::f(10));
}
