#include "platform/MacWindowManager.h"

#include "platform/PlatformLogging.h"
#include "platform/MacWindowDelegate.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

MacWindowManager *MacWindowManager::s_instance = nullptr;

namespace {
// Second half of the restore delay, on the Qt side.
constexpr int kRestoreDelayMs = 100;
} // namespace

MacWindowManager *MacWindowManager::instance()
{
    if (!s_instance)
        s_instance = new MacWindowManager();
    return s_instance;
}

bool MacWindowManager::minimizeWindow(QWidget *widget)
{
    if (!widget) {
        qCDebug(lcPlatform) << "MacWindowManager: 窗口指针为空";
        return false;
    }
    qCDebug(lcPlatform) << "MacWindowManager: 开始最小化窗口";
    qCDebug(lcPlatform) << "当前窗口状态:" << widget->windowState();
    qCDebug(lcPlatform) << "窗口标志:" << widget->windowFlags();
    installWindowListener(widget);
    macMinimizeWindow(widget);
    return true;
}

void MacWindowManager::installWindowListener(QWidget *widget)
{
    if (!widget)
        return;
    qCDebug(lcPlatform) << "MacWindowManager: 安装窗口监听器";
    macInstallWindowListener(widget, instance());
}

void MacWindowManager::removeWindowListener(QWidget *widget)
{
    if (!widget)
        return;
    qCDebug(lcPlatform) << "MacWindowManager: 移除窗口监听器";
    macRemoveWindowListener(widget);
}

void MacWindowManager::restoreWindowTransparency(QWidget *widget)
{
    if (!widget)
        return;
    qCDebug(lcPlatform) << "MacWindowManager: 恢复窗口透明属性";
    widget->setAttribute(Qt::WA_TranslucentBackground, true);
    widget->update();
    widget->repaint();
    for (QObject *child : widget->children()) {
        if (auto *childWidget = qobject_cast<QWidget *>(child)) {
            childWidget->update();
            childWidget->repaint();
        }
    }
    qCDebug(lcPlatform) << "MacWindowManager: 窗口透明属性已恢复";
}

void MacWindowManager::onWindowRestored(QWidget *widget)
{
    qCDebug(lcPlatform) << "MacWindowManager: 收到窗口恢复信号";
    if (!widget)
        return;
    // The widget may be gone by the time the timer fires.
    QPointer<QWidget> guarded(widget);
    QTimer::singleShot(kRestoreDelayMs, this, [this, guarded]() {
        if (!guarded)
            return;
        restoreWindowTransparency(guarded);
        emit windowRestored(guarded);
    });
}
