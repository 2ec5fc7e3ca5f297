#include "platform/MacWindowDelegate.h"

#include "platform/PlatformLogging.h"
#include "platform/MacWindowManager.h"

#include <QEvent>
#include <QHash>
#include <QTimer>
#include <QWidget>
#include <QWindowStateChangeEvent>

namespace {

// Delay between the window's return and the attribute reset, as on the Mac.
constexpr int kResetDelayMs = 50;

// One delegate per widget; entries go when the widget or its window is destroyed.
QHash<QWidget *, QPointer<MacWindowDelegate>> &windowDelegateMap()
{
    static QHash<QWidget *, QPointer<MacWindowDelegate>> map;
    return map;
}

void resetWindowAttributes(QWidget *window)
{
    window->setAttribute(Qt::WA_TranslucentBackground, true);
    window->setAttribute(Qt::WA_NoSystemBackground, true);
    window->update();
}

} // namespace

MacWindowDelegate::MacWindowDelegate(MacWindowManager *manager, QWidget *widget, QWidget *window)
    : QObject(window)
    , m_managerPtr(manager)
    , m_widgetPtr(widget)
    , m_window(window)
{
    m_resetTimer.setSingleShot(true);
    m_resetTimer.setInterval(kResetDelayMs);
    connect(&m_resetTimer, &QTimer::timeout, this, &MacWindowDelegate::resetAfterRestore);
    window->installEventFilter(this);
}

bool MacWindowDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowStateChange) {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        if ((change->oldState() & Qt::WindowMinimized)
            && !(m_window->windowState() & Qt::WindowMinimized))
            windowDidDeminiaturize();
    }
    return QObject::eventFilter(watched, event);
}

void MacWindowDelegate::windowDidDeminiaturize()
{
    // Qt and the window system both report the state change; one restore
    // is one notification.
    if (m_resetTimer.isActive())
        return;
    qCDebug(lcPlatform) << "MacWindowDelegate: 窗口从最小化恢复";
    m_resetTimer.start();
}

void MacWindowDelegate::resetAfterRestore()
{
    if (m_window)
        resetWindowAttributes(m_window);
    qCDebug(lcPlatform) << "MacWindowDelegate: 窗口属性已重置";
    if (m_managerPtr && m_widgetPtr)
        macWindowManagerOnWindowRestored(m_managerPtr, m_widgetPtr);
}

void macMinimizeWindow(QWidget *widget)
{
    // The window that holds the widget, not whichever window happens to be first.
    QWidget *window = widget ? widget->window() : nullptr;
    if (!window)
        return;
    if (!window->isVisible()) {
        qCDebug(lcPlatform) << "窗口无法最小化";
        return;
    }
    window->setWindowState((window->windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    qCDebug(lcPlatform) << "窗口已最小化";
}

void macInstallWindowListener(QWidget *widget, MacWindowManager *manager)
{
    if (!widget || !manager) {
        qCDebug(lcPlatform) << "MacWindowManager: 无效的参数";
        return;
    }
    QWidget *window = widget->window();
    auto &map = windowDelegateMap();
    if (QPointer<MacWindowDelegate> old = map.take(widget))
        delete old.data();
    else
        QObject::connect(widget, &QObject::destroyed, [widget]() { macRemoveWindowListener(widget); });

    map.insert(widget, new MacWindowDelegate(manager, widget, window));
    qCDebug(lcPlatform) << "MacWindowManager: 已为窗口安装监听器";
}

void macRemoveWindowListener(QWidget *widget)
{
    if (!widget)
        return;
    auto &map = windowDelegateMap();
    if (!map.contains(widget))
        return;
    if (QPointer<MacWindowDelegate> delegate = map.take(widget))
        delete delegate.data();
    qCDebug(lcPlatform) << "MacWindowManager: 已移除窗口监听器";
}

void macWindowManagerOnWindowRestored(MacWindowManager *manager, QWidget *widget)
{
    if (!manager || !widget)
        return;
    // Queued like the native notification; the guard keeps a widget deleted in
    // the meantime from reaching the slot.
    QPointer<QWidget> guarded(widget);
    QMetaObject::invokeMethod(manager, [manager, guarded]() {
        if (guarded)
            manager->onWindowRestored(guarded);
    }, Qt::QueuedConnection);
}

MacWindowDelegate *macWindowDelegateFor(QWidget *widget)
{
    return windowDelegateMap().value(widget).data();
}
