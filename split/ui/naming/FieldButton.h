#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QPushButton;

// A field placed in the naming rule: its label and a delete button shown on
// hover. Dragging it is announced to the drop zone, which runs the reorder.
class FieldButton : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QPoint pos READ pos WRITE move)

public:
    FieldButton(const QString &name, const QString &key, QWidget *parent = nullptr);

    QString fieldName() const { return m_fieldName; }
    QString fieldKey() const { return m_fieldKey; }
    // Hidden with a closed hand while it is being dragged.
    void setDragging(bool dragging);

signals:
    void deleteClicked();
    void dragStarted(FieldButton *button);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setBackground(const QString &color);

    QString m_fieldName;
    QString m_fieldKey;
    QLabel *m_nameLabel = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPoint m_pressPos;
    bool m_pressPending = false;
};
