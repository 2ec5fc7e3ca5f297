#pragma once

#include <QWidget>

class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;
class QTimer;

// A short-lived message bubble centred over its parent; it fades out and
// deletes itself when its time is up.
class ToastWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ToastWidget(QWidget *parent = nullptr);

    void setMessage(const QString &message);

    static void showMessage(QWidget *parent, const QString &message, int duration);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setupUI();

    QLabel *messageLabel = nullptr;
    QTimer *displayTimer = nullptr;
    QGraphicsOpacityEffect *opacityEffect = nullptr;
    QPropertyAnimation *fadeAnimation = nullptr;
};
