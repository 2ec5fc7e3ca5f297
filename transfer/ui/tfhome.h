#pragma once

#include <QJsonObject>
#include <QMainWindow>
#include <QPoint>
#include <QRect>

class QHBoxLayout;
class QLabel;
class QPushButton;

// The "导片工具" main window: a frameless, translucent window with its own
// title bar, moved by dragging the title bar and resized from the right and
// bottom edges and the two right-hand corners.
class tfhome : public QMainWindow
{
    Q_OBJECT

public:
    explicit tfhome(QWidget *parent = nullptr);
    ~tfhome() override;

    // The login reply, assigned by the launcher; the window does not read it.
    QJsonObject loginInfo;

    // The resize zone under a window-local point, named by its cursor;
    // Qt::ArrowCursor outside every zone and while maximised.
    Qt::CursorShape getCursorShape(const QPoint &pos) const;
    // The window rectangle inset by the 4 px shadow margin.
    QRect getResizeArea(const QPoint &pos) const;

    bool isMaximizedByToggle() const { return m_isMaximized; }

public slots:
    void onCloseButtonClicked();
    void onMinimizeButtonClicked();
    void onMaximizeButtonClicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setupCustomTitleBar();
    void setupMainLayout();
    void updateCursor(const QPoint &pos);
    bool isInTitleBar(const QPoint &pos) const;
    void styleMaximizeButton(bool toggled);
    bool minimizeThroughPlatform();
    static bool isWindowsStyle();

    QWidget *m_titleBar = nullptr;
    QPushButton *m_closeBtn = nullptr;
    QPushButton *m_minBtn = nullptr;
    QPushButton *m_maxBtn = nullptr;
    QLabel *m_titleLabel = nullptr;
    QWidget *m_centralWidget = nullptr;
    QHBoxLayout *m_contentLayout = nullptr;

    QPoint m_dragPosition;
    bool m_isDragging = false;
    bool m_isMaximized = false;
    bool m_isResizing = false;
    QPoint m_resizeStartPos;
    QRect m_resizeStartGeometry;
    int m_resizeArea = Qt::ArrowCursor;
};
