#pragma once

#include "split/ui/naming/FieldItem.h"
#include "split/ui/naming/NamingRuleFormat.h"

#include <QFrame>
#include <QJsonArray>
#include <QList>
#include <QStringList>

class QDrag;

// The row of placed fields of a naming rule: takes new fields dropped from
// the field sources, reorders placed fields by drag, removes them, and
// announces every change with ruleChanged().
class DropZone : public QFrame
{
    Q_OBJECT

public:
    explicit DropZone(QWidget *parent = nullptr);

    void addFieldItem(const QString &name, const QString &key, int index = -1);
    void addDefaultFieldItem(const QString &name, const QString &key, const QString &separator, int index = -1);
    void removeFieldItem(int index);
    void clear();

    void updateLayout();
    void animateItemsToPosition();

    QStringList getResult() const;
    QString getResultString() const;
    QJsonArray getResultJsons() const;

    int getDropIndex(const QPoint &position) const;
    void rebuildLayout(bool animate);

    // Read-back for the window and tests.
    int count() const { return m_items.size(); }
    const FieldItem &itemAt(int index) const { return m_items.at(index); }
    QVector<NamingRuleFormat::Entry> entries() const;
    int dropIndex() const { return m_dropIndex; }
    bool isDragOver() const { return m_dragOver; }
    FieldButton *draggedButton() const { return m_draggedButton; }
    QWidget *container() const { return m_container; }
    QWidget *dropIndicator() const { return m_dropIndicator; }

signals:
    void ruleChanged();

public slots:
    void onFieldDeleteClicked();
    void onFieldDragStarted(FieldButton *button);
    void onSeparatorChanged(const QString &separator);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Runs the reorder drag; a separate step so a test can play the drop itself.
    virtual Qt::DropAction execDrag(QDrag *drag);

private:
    void insertItem(const QString &name, const QString &key, const QString &separator, int index,
                    bool applySeparator);
    int indexOfButton(const FieldButton *button) const;
    bool hasPlacedAfter(int index) const;
    QPixmap reorderPixmap(const FieldButton *button) const;

    QList<FieldItem> m_items;
    QWidget *m_container = nullptr;
    QWidget *m_dropIndicator = nullptr;
    int m_dropIndex = -1;
    FieldButton *m_draggedButton = nullptr;
    bool m_dragOver = false;
};
