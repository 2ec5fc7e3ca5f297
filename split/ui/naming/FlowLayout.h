#pragma once

#include <QLayout>
#include <QList>
#include <QStyle>

// Places its items left to right in their preferred sizes and wraps to a new
// line when the next item would pass the right edge, like words in a line.
class FlowLayout : public QLayout
{
    Q_OBJECT

public:
    // A negative spacing takes the parent's style (or parent layout) spacing.
    explicit FlowLayout(QWidget *parent, int margin = -1, int hSpacing = -1, int vSpacing = -1);
    ~FlowLayout() override;

    int horizontalSpacing() const;
    int verticalSpacing() const;

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    Qt::Orientations expandingDirections() const override;
    void setGeometry(const QRect &rect) override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override;

private:
    int doLayout(const QRect &rect, bool testOnly) const;
    int smartSpacing(QStyle::PixelMetric metric) const;

    QList<QLayoutItem *> m_items;
    int m_hSpace;
    int m_vSpace;
};
