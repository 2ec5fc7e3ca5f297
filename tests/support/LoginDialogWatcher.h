#pragma once

#include "DialogChecks.h"

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the modal message boxes a window opens while a test drives it,
// recording what each box said.
class LoginDialogWatcher : public QObject
{
public:
    struct Seen {
        QString title;
        QString text;
        Qt::TextFormat format;
        QMessageBox::Icon icon;
        QStringList under; // dialogs still on screen while the box was up
    };

    explicit LoginDialogWatcher(QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_seen.append({box->windowTitle(), box->text(), box->textFormat(), box->icon(), dialogsOnScreen(box)});
            box->done(QMessageBox::Ok);
        });
        m_timer.start();
    }

    QList<Seen> seen() const { return m_seen; }
    QStringList texts() const
    {
        QStringList list;
        for (const Seen &box : m_seen)
            list << box.text;
        return list;
    }
    // Boxes shown while another dialog was still on screen, with what it was.
    QStringList seenUnderDialogs() const { return boxesUnderDialogs(m_seen); }
    void clear() { m_seen.clear(); }

private:
    QTimer m_timer;
    QList<Seen> m_seen;
};
