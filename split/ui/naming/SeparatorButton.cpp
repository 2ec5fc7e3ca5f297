#include "split/ui/naming/SeparatorButton.h"

#include "app/core/K.h"
#include "split/ui/naming/NamingRuleFormat.h"

#include <QMenu>
#include <QMouseEvent>

SeparatorButton::SeparatorButton(QWidget *parent)
    : QPushButton(parent)
    , m_separator(NamingRuleFormat::defaultSeparator())
    , m_separators(NamingRuleFormat::offeredSeparators())
{
    setText(m_separator);
    setFixedSize(K::f(28), K::f(28));
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("QPushButton { background-color: #f5f5f7; color: #8e8e93;"
                                 " border: %1px dashed #c7c7cc; border-radius: %2px; font-size: %3px;"
                                 " font-weight: bold; }"
                                 "QPushButton:hover { background-color: #e5e5ea; border-color: #007aff;"
                                 " color: #007aff; }")
                      .arg(K::s(K::f(1)), K::s(K::f(6)), K::s(K::f(12))));
}

void SeparatorButton::setSeparator(const QString &separator)
{
    m_separator = separator;
    setText(separator == QLatin1String(" ") ? QStringLiteral("␣") : separator);
    emit separatorChanged(separator);
}

void SeparatorButton::mousePressEvent(QMouseEvent *event)
{
    // No base handling: the button never reports clicks, only choices.
    if (event->button() == Qt::LeftButton)
        showSeparatorMenu();
}

void SeparatorButton::showSeparatorMenu()
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("SeparatorButton_Menu"));
    menu->setStyleSheet(QStringLiteral("QMenu { background-color: white; border: %1px solid #e5e5ea;"
                                       " border-radius: %2px; padding: %3px; }"
                                       "QMenu::item { padding: %4px %5px; font-size: %6px; border-radius: %3px; }"
                                       "QMenu::item:selected { background-color: #007aff; color: white; }")
                            .arg(K::s(K::f(1)), K::s(K::f(8)), K::s(K::f(4)), K::s(K::f(8)), K::s(K::f(20)),
                                 K::s(K::f(12))));
    for (const QString &separator : qAsConst(m_separators)) {
        QAction *action = menu->addAction(separator == QLatin1String(" ") ? QStringLiteral("空格 (␣)") : separator);
        action->setData(separator);
        if (separator == m_separator) {
            action->setCheckable(true);
            action->setChecked(true);
        }
    }
    QAction *chosen = execMenu(menu, mapToGlobal(QPoint(0, height())));
    const QString choice = chosen ? chosen->data().toString() : QString();
    const bool picked = chosen != nullptr;
    menu->deleteLater();
    if (picked)
        setSeparator(choice);
}

QAction *SeparatorButton::execMenu(QMenu *menu, const QPoint &globalPos)
{
    return menu->exec(globalPos);
}
