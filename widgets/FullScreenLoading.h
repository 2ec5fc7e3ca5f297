#pragma once

#include <QMap>
#include <QPointer>
#include <QWidget>

class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class QTimer;

// Busy overlay laid over a whole window, at most one per parent widget.
// Callers reach it through the static functions keyed by the parent.
class FullScreenLoading : public QWidget
{
    Q_OBJECT

public:
    enum LoadingState : qint32 {
        Loading = 0,
        Success = 1,
        Failed = 2
    };

    explicit FullScreenLoading(QWidget *parent = nullptr);
    ~FullScreenLoading() override;

    using QWidget::show;
    static FullScreenLoading *show(QWidget *parent, const QString &message,
                                   bool dimBackground = true);
    static FullScreenLoading *showCancellable(QWidget *parent, const QString &message,
                                              const QString &cancelText = QStringLiteral("取消"),
                                              bool dimBackground = true);
    static FullScreenLoading *getInstance(QWidget *parent);

    void setMessage(const QString &message);
    void showSuccess(const QString &message, int duration = 1500);
    void showFailed(const QString &message, int duration = 1500);
    void dismiss();
    void changeState(LoadingState state, const QString &message);
    void setCancelButtonText(const QString &text);
    void setCancelButtonVisible(bool visible);
    void startLoadingAnimation();
    void stopLoadingAnimation();
    void updateIcon();
    void centerContent();

    LoadingState loadingState() const { return state; }
    QString message() const;

signals:
    void cancelled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setupUI();
    void setDimBackground(bool dim);
    void adjustContentSize();
    void playShowAnimation();
    void playStateChangeAnimation();
    void playDismissAnimation();
    void cancelDismissal();
    void unregister();
    void paintIcon();

    static QMap<QWidget *, FullScreenLoading *> s_instances;

    LoadingState state = Loading;
    QLabel *iconLabel = nullptr;
    QLabel *messageLabel = nullptr;
    QWidget *contentWidget = nullptr;
    QPushButton *cancelButton = nullptr;
    QTimer *rotationTimer = nullptr;
    int rotationAngle = 0;
    QTimer *autoDismissTimer = nullptr;
    QPropertyAnimation *opacityAnimation = nullptr;
    QPropertyAnimation *geometryAnimation = nullptr;
    QGraphicsOpacityEffect *opacityEffect = nullptr;
    // The parent this overlay was created for; a registry key only, never dereferenced.
    QWidget *m_owner = nullptr;
    bool m_fadingOut = false;
};
