#pragma once

#include "widgets/ContextMenuItem.h"

#include <QList>
#include <QWidget>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

// Light popup menu: a rounded card of flat item buttons that fades in and
// out and scrolls past a set number of items.
class ContextMenu : public QWidget
{
    Q_OBJECT

public:
    explicit ContextMenu(QWidget *parent = nullptr);
    ~ContextMenu() override;

    static ContextMenu *create(QWidget *parent = nullptr);

    void addItem(const QString &text, std::function<void()> callback = {},
                 const QString &icon = QString(), bool enabled = true, bool danger = false);
    void addSeparator();
    void clear();

    void showAt(const QPoint &globalPos);
    void showAtWidget(QWidget *widget, const QPoint &pos);
    void closeMenu();

    void setMaxVisibleItems(int count);
    void setMinimumMenuWidth(int width);
    int maxVisibleItems() const { return m_maxVisibleItems; }
    int minimumMenuWidth() const { return m_minimumMenuWidth; }
    QList<ContextMenuItem> items() const { return m_items; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void setupUI();
    QPushButton *createMenuButton(const ContextMenuItem &item);
    void updatePosition(const QPoint &globalPos);

    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_container = nullptr;
    QVBoxLayout *m_itemsLayout = nullptr;
    QGraphicsOpacityEffect *m_opacityEffect = nullptr;
    QPropertyAnimation *m_showAnimation = nullptr;
    QPropertyAnimation *m_hideAnimation = nullptr;
    QList<ContextMenuItem> m_items;
    int m_maxVisibleItems = 8;
    int m_minimumMenuWidth = 120;
    int m_itemHeight = 32;
};
