#include "TransferMessageBoxes.h"

#include "widgets/SimpleDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>

TransferMessageBoxes::TransferMessageBoxes(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &TransferMessageBoxes::closeOpenBoxes);
    m_timer.start();
}

bool TransferMessageBoxes::contains(const QString &title, const QString &text) const
{
    for (const Box &box : m_boxes) {
        if (box.title == title && box.text == text)
            return true;
    }
    return false;
}

void TransferMessageBoxes::closeOpenBoxes()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        // The replace question is a card that waits for its answer like a box.
        auto *card = qobject_cast<SimpleDialog *>(window);
        if (card && card->isVisible() && card->objectName() == QLatin1String("replaceQuestion")
            && !card->property("transferTestAnswered").toBool()) {
            card->setProperty("transferTestAnswered", true);
            m_boxes.append(Box{card->findChild<QLabel *>(QStringLiteral("titleLabel"))->text(),
                               card->findChild<QTextBrowser *>()->toPlainText(), dialogsOnScreen(card)});
            auto *yes = card->findChild<QPushButton *>(QStringLiteral("confirmButton"));
            auto *no = card->findChild<QPushButton *>(QStringLiteral("cancelButton"));
            (!m_answer.isEmpty() && yes->text() == m_answer ? yes : no)->click();
            continue;
        }
        auto *box = qobject_cast<QMessageBox *>(window);
        if (!box || !box->isVisible() || box->property("transferTestAnswered").toBool())
            continue;
        box->setProperty("transferTestAnswered", true);
        m_boxes.append(Box{box->windowTitle(), box->text(), dialogsOnScreen(box)});
        QAbstractButton *answer = nullptr;
        for (QAbstractButton *button : box->buttons()) {
            if (!m_answer.isEmpty() && button->text() == m_answer)
                answer = button;
        }
        if (answer)
            answer->click();
        else
            box->done(QMessageBox::Ok);
    }
}
