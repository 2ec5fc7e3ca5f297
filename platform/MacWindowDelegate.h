#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class MacWindowManager;
class QWidget;

// Watches one top-level window for its return from the minimised state and
// hands the restore on to the manager. Lives as a child of that window.
class MacWindowDelegate : public QObject
{
    Q_OBJECT

public:
    MacWindowDelegate(MacWindowManager *manager, QWidget *widget, QWidget *window);

    MacWindowManager *managerPtr() const { return m_managerPtr; }
    void setManagerPtr(MacWindowManager *manager) { m_managerPtr = manager; }
    QWidget *widgetPtr() const { return m_widgetPtr; }
    void setWidgetPtr(QWidget *widget) { m_widgetPtr = widget; }
    QWidget *window() const { return m_window; }

    // The window came back from the minimised state.
    void windowDidDeminiaturize();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void resetAfterRestore();

    QPointer<MacWindowManager> m_managerPtr;
    QPointer<QWidget> m_widgetPtr;
    QPointer<QWidget> m_window;
    QTimer m_resetTimer;
};

// The window-system side shared by the manager and the delegate.
void macMinimizeWindow(QWidget *widget);
void macInstallWindowListener(QWidget *widget, MacWindowManager *manager);
void macRemoveWindowListener(QWidget *widget);
void macWindowManagerOnWindowRestored(MacWindowManager *manager, QWidget *widget);
// The delegate recorded for the widget, or null (for tests and diagnostics).
MacWindowDelegate *macWindowDelegateFor(QWidget *widget);
