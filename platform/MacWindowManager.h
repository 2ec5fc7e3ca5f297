#pragma once

#include <QObject>

class QWidget;

// Minimises the frameless windows, listens for their return from the dock
// (or the task bar) and repairs their translucent background afterwards.
class MacWindowManager : public QObject
{
    Q_OBJECT

public:
    static MacWindowManager *instance();

    // False only for a null widget; callers then fall back to Qt::WindowMinimized.
    static bool minimizeWindow(QWidget *widget);
    static void installWindowListener(QWidget *widget);
    static void removeWindowListener(QWidget *widget);
    static void restoreWindowTransparency(QWidget *widget);

signals:
    void windowRestored(QWidget *widget);

public slots:
    void onWindowRestored(QWidget *widget);

private:
    MacWindowManager() = default;

    static MacWindowManager *s_instance;
};
