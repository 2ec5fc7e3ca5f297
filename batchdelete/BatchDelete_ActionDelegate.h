#pragma once

#include <QStyledItemDelegate>

// Cell delegate offering a retry button for a file whose report failed
// (status 3) or whose file was held by another program (status 5).
class BatchDelete_ActionDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit BatchDelete_ActionDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;

    static QRect getButtonRect(const QStyleOptionViewItem &option, int button);
    static void drawButton(QPainter *painter, const QRect &rect, const QString &text, const QColor &background,
                           const QColor &textColour, bool hovered);

    int hoverRow() const { return m_hoverRow; }
    int hoverButton() const { return m_hoverButton; }

signals:
    void retrySubmitClicked(int row);
    void retryDeleteClicked(int row);

private:
    int m_hoverRow = -1;
    int m_hoverButton = 0;
};
