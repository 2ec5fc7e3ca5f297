#pragma once

#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QWidget>

// The dialogs on screen besides box and those it was opened over: a box
// opened while another one is still up (they stay on top) may be hidden under it.
inline QStringList dialogsOnScreen(const QWidget *box)
{
    QList<const QWidget *> overs;
    for (const QWidget *w = box; w; w = w->parentWidget())
        overs << w;
    QStringList names;
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible() && qobject_cast<QDialog *>(window) && !overs.contains(window))
            names << QString::fromLatin1(window->metaObject()->className());
    }
    return names;
}

// Of the boxes a test saw (each with its text and the dialogs it was under),
// those shown under another dialog, with what that was.
template <typename Boxes>
QStringList boxesUnderDialogs(const Boxes &boxes)
{
    QStringList list;
    for (const auto &box : boxes) {
        if (!box.under.isEmpty())
            list << box.text + QLatin1String(" under ") + box.under.join(QLatin1Char(','));
    }
    return list;
}
