#pragma once

#include <QPoint>
#include <QPushButton>

class QDrag;
class QMimeData;

// The chip of an available field; dragging it offers the field to the
// naming-rule drop zone. The chip itself stays where it is.
class DraggableFieldSource : public QPushButton
{
    Q_OBJECT

public:
    DraggableFieldSource(const QString &name, const QString &key, QWidget *parent = nullptr);

    QString fieldName() const { return m_fieldName; }
    QString fieldKey() const { return m_fieldKey; }

    // The drag data of a field: "name|key" as plain text and as the field format.
    static QMimeData *createMimeData(const QString &name, const QString &key);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    // Runs the drag; a separate step so a test can play the drop itself.
    virtual Qt::DropAction execDrag(QDrag *drag);

private:
    QPixmap dragPixmap() const;

    QString m_fieldName;
    QString m_fieldKey;
    QPoint m_pressPos;
};
