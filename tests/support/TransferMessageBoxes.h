#pragma once

#include "DialogChecks.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

// Answers every message box the photo transfer widgets open during a test,
// and their replace question card (they are modal and would block it), and
// records their title and text.
class TransferMessageBoxes : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        QStringList under; // dialogs still on screen while the box was up
    };

    explicit TransferMessageBoxes(QObject *parent = nullptr);

    QList<Box> boxes() const { return m_boxes; }
    int count() const { return m_boxes.size(); }
    Box last() const { return m_boxes.isEmpty() ? Box() : m_boxes.last(); }
    bool contains(const QString &title, const QString &text) const;
    // Boxes shown while another dialog was still on screen, with what it was.
    QStringList seenUnderDialogs() const { return boxesUnderDialogs(m_boxes); }
    void clear() { m_boxes.clear(); }
    // Boxes offering a button with this text are answered with it (empty: every box gets Ok).
    void answerWith(const QString &buttonText) { m_answer = buttonText; }

private:
    void closeOpenBoxes();

    QTimer m_timer;
    QList<Box> m_boxes;
    QString m_answer;
};
