#pragma once

#include "DialogChecks.h"

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

// Answers the message boxes and warning cards of the file import window
// during a test and records their title and text. Boxes with a Cancel button
// take the next queued answer (Ok when none is queued).
class ImportFilesMessageBoxes : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QString title;
        QString text;
        QMessageBox::StandardButtons buttons;
        QStringList under; // dialogs still on screen while the box was up
    };

    explicit ImportFilesMessageBoxes(QObject *parent = nullptr);

    void queueAnswer(QMessageBox::StandardButton answer) { m_answers.append(answer); }
    QList<Box> boxes() const { return m_boxes; }
    int count() const { return m_boxes.size(); }
    bool contains(const QString &title, const QString &text) const;
    int countOf(const QString &text) const;
    // Boxes shown while another dialog was still on screen, with what it was.
    QStringList seenUnderDialogs() const { return boxesUnderDialogs(m_boxes); }
    void clear() { m_boxes.clear(); }

private:
    void answerOpenBoxes();

    QTimer m_timer;
    QList<Box> m_boxes;
    QList<QMessageBox::StandardButton> m_answers;
};
