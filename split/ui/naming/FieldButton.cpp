#include "split/ui/naming/FieldButton.h"

#include "app/core/K.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

FieldButton::FieldButton(const QString &name, const QString &key, QWidget *parent)
    : QWidget(parent)
    , m_fieldName(name)
    , m_fieldKey(key)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(K::f(8), K::f(4), K::f(4), K::f(4));
    layout->setSpacing(K::f(4));

    m_nameLabel = new QLabel(name, this);
    // Names come from the stored rule: shown as written, never as markup.
    m_nameLabel->setTextFormat(Qt::PlainText);
    m_nameLabel->setObjectName(QStringLiteral("FieldButton_NameLabel"));
    m_nameLabel->setStyleSheet(QStringLiteral("QLabel { font-size: %1px; font-weight: 500; color: #1d1d1f;"
                                              " background: transparent; }")
                                   .arg(K::s(K::f(11))));
    layout->addWidget(m_nameLabel);

    m_deleteButton = new QPushButton(QStringLiteral("×"), this);
    m_deleteButton->setObjectName(QStringLiteral("FieldButton_DeleteButton"));
    m_deleteButton->setFixedSize(K::f(18), K::f(18));
    m_deleteButton->setCursor(Qt::PointingHandCursor);
    m_deleteButton->setStyleSheet(QStringLiteral("QPushButton { background: transparent; color: #8e8e93;"
                                                 " border: none; border-radius: %1px; font-size: %2px;"
                                                 " font-weight: bold; }"
                                                 "QPushButton:hover { background: #ff3b30; color: white; }")
                                      .arg(K::s(K::f(9)), K::s(K::f(14))));
    // Its room is kept while hidden, so showing it on hover never covers the name.
    QSizePolicy policy = m_deleteButton->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_deleteButton->setSizePolicy(policy);
    m_deleteButton->hide();
    layout->addWidget(m_deleteButton);
    connect(m_deleteButton, &QPushButton::clicked, this, &FieldButton::deleteClicked);

    setAutoFillBackground(true);
    setAttribute(Qt::WA_StyledBackground, true);
    setBackground(QStringLiteral("#e8f4fd"));
    setCursor(Qt::OpenHandCursor);
    setMinimumHeight(K::f(28));
}

void FieldButton::setDragging(bool dragging)
{
    if (dragging) {
        setCursor(Qt::ClosedHandCursor);
        hide();
    } else {
        setCursor(Qt::OpenHandCursor);
        show();
        setBackground(QStringLiteral("#e8f4fd"));
    }
}

void FieldButton::setBackground(const QString &color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::All, QPalette::Window, QColor(color));
    setPalette(palette);
    // Inside a window whose style sheet gives every QWidget a background, the
    // palette alone is overridden and the fill switched off: the chip's own rule wins.
    setStyleSheet(QStringLiteral("FieldButton { background-color: %1; }").arg(color));
}

void FieldButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressPos = event->localPos().toPoint();
        m_pressPending = true;
        setCursor(Qt::ClosedHandCursor);
    }
    QWidget::mousePressEvent(event);
}

void FieldButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressPending
        && (event->localPos().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressPending = false;
        emit dragStarted(this);
    }
    QWidget::mouseMoveEvent(event);
}

void FieldButton::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressPending = false;
    setCursor(Qt::OpenHandCursor);
    QWidget::mouseReleaseEvent(event);
}

void FieldButton::enterEvent(QEvent *event)
{
    m_deleteButton->show();
    setBackground(QStringLiteral("#d0e8fc"));
    QWidget::enterEvent(event);
}

void FieldButton::leaveEvent(QEvent *event)
{
    // Its room is kept while hidden, so showing it on hover never covers the name.
    QSizePolicy policy = m_deleteButton->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    m_deleteButton->setSizePolicy(policy);
    m_deleteButton->hide();
    setBackground(QStringLiteral("#e8f4fd"));
    QWidget::leaveEvent(event);
}
