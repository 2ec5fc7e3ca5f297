#include "ImportFilesMessageBoxes.h"

#include "widgets/SimpleDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

ImportFilesMessageBoxes::ImportFilesMessageBoxes(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ImportFilesMessageBoxes::answerOpenBoxes);
    m_timer.start();
}

bool ImportFilesMessageBoxes::contains(const QString &title, const QString &text) const
{
    for (const Box &box : m_boxes) {
        if (box.title == title && box.text == text)
            return true;
    }
    return false;
}

int ImportFilesMessageBoxes::countOf(const QString &text) const
{
    int n = 0;
    for (const Box &box : m_boxes)
        n += box.text == text ? 1 : 0;
    return n;
}

void ImportFilesMessageBoxes::answerOpenBoxes()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        // Warnings listing names are cards that scroll a long list.
        auto *card = qobject_cast<SimpleDialog *>(window);
        if (card && card->isVisible() && card->dialogType() == SimpleDialog::Warning
            && !card->property("importTestAnswered").toBool()) {
            card->setProperty("importTestAnswered", true);
            m_boxes.append(Box{card->findChild<QLabel *>(QStringLiteral("titleLabel"))->text(),
                               card->findChild<QTextBrowser *>()->toPlainText(), QMessageBox::Ok,
                               dialogsOnScreen(card)});
            card->findChild<QPushButton *>(QStringLiteral("confirmButton"))->click();
            continue;
        }
        auto *box = qobject_cast<QMessageBox *>(window);
        if (!box || !box->isVisible() || box->property("importTestAnswered").toBool())
            continue;
        box->setProperty("importTestAnswered", true);
        m_boxes.append(Box{box->windowTitle(), box->text(), box->standardButtons(), dialogsOnScreen(box)});
        QMessageBox::StandardButton answer = QMessageBox::Ok;
        if ((box->standardButtons() & QMessageBox::Cancel) && !m_answers.isEmpty())
            answer = m_answers.takeFirst();
        // A click, so the static helpers see which button answered.
        if (QAbstractButton *button = box->button(answer))
            button->click();
        else
            box->done(answer);
    }
}
