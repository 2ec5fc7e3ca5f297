#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPropertyAnimation;

// One tool of the launcher: its picture, identified by the tool's name.
class ToolCardWidget : public QWidget
{
    Q_OBJECT

public:
    ToolCardWidget(const QString &iconPath, const QString &name, const QString &description,
                   QWidget *parent = nullptr);

    QString toolName() const { return m_toolName; }

signals:
    void clicked();
    void doubleClicked(QString name);

protected:
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void setupUI(const QString &iconPath);
    void applyCardStyle();

    QLabel *iconLabel = nullptr;
    QPropertyAnimation *hoverAnimation = nullptr;
    bool isPressed = false;
    QString m_toolName;
};
