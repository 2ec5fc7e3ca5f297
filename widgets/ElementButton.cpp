#include "widgets/ElementButton.h"

#include "app/core/K.h"

#include <QEvent>
#include <QResizeEvent>

#include <algorithm>

namespace {

struct Palette {
    const char *background, *text, *border;
    const char *hoverBackground, *hoverText, *hoverBorder;
    const char *pressedBackground, *pressedText, *pressedBorder;
};

// Index 0 is the neutral scheme; any type outside 1..5 uses it.
const Palette kPalettes[] = {
    {"#FFFFFF", "#606266", "#DCDFE6", "#ECF5FF", "#409EFF", "#C6E2FF", "#FFFFFF", "#3A8EE6", "#3A8EE6"},
    {"#409EFF", "#FFFFFF", "#409EFF", "#66B1FF", "#FFFFFF", "#66B1FF", "#3A8EE6", "#FFFFFF", "#3A8EE6"},
    {"#67C23A", "#FFFFFF", "#67C23A", "#85CE61", "#FFFFFF", "#85CE61", "#5DAF34", "#FFFFFF", "#5DAF34"},
    {"#E6A23C", "#FFFFFF", "#E6A23C", "#EBB563", "#FFFFFF", "#EBB563", "#CF9236", "#FFFFFF", "#CF9236"},
    {"#F56C6C", "#FFFFFF", "#F56C6C", "#F78989", "#FFFFFF", "#F78989", "#DD6161", "#FFFFFF", "#DD6161"},
    {"#909399", "#FFFFFF", "#909399", "#A6A9AD", "#FFFFFF", "#A6A9AD", "#82848A", "#FFFFFF", "#82848A"},
};

struct TextPalette {
    const char *text, *hoverText, *pressedText;
};

const TextPalette kTextPalettes[] = {
    {"#606266", "#409EFF", "#3A8EE6"},
    {"#409EFF", "#66B1FF", "#3A8EE6"},
    {"#67C23A", "#85CE61", "#5DAF34"},
    {"#E6A23C", "#EBB563", "#CF9236"},
    {"#F56C6C", "#F78989", "#DD6161"},
    {"#909399", "#A6A9AD", "#82848A"},
};

int schemeIndex(ElementButton::ButtonType type)
{
    const int value = static_cast<int>(type);
    return value >= 1 && value <= 5 ? value : 0;
}

const QString kTemplate = QStringLiteral(
    "QPushButton {"
    " background-color: %1;"
    " color: %2;"
    " border: 1px solid %3;"
    " border-radius: %4;"
    " padding: %5;"
    " font-size: %6;"
    " font-weight: 500;"
    " outline: none;"
    " }"
    " QPushButton:hover { background-color: %7; color: %8; border-color: %9; }"
    " QPushButton:pressed { background-color: %10; color: %11; border-color: %12; }"
    " QPushButton:disabled { background-color: %13; color: %14; border-color: %15; }");

} // namespace

ElementButton::ElementButton(QWidget *parent)
    : QPushButton(parent)
{
    init();
}

ElementButton::ElementButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
    init();
}

ElementButton::ElementButton(const QString &text, ButtonType type, QWidget *parent)
    : QPushButton(text, parent)
    , m_type(type)
{
    init();
}

void ElementButton::init()
{
    setCursor(Qt::PointingHandCursor);
    updateStyle();
}

// Style sheets of Qt 5 have no cursor property: the disabled look sets it here.
void ElementButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ForbiddenCursor);
}

void ElementButton::setButtonType(ButtonType type)
{
    if (m_type == type)
        return;
    m_type = type;
    updateStyle();
}

void ElementButton::setButtonSize(ButtonSize size)
{
    if (m_size == size)
        return;
    m_size = size;
    updateStyle();
}

void ElementButton::setPlain(bool plain)
{
    if (m_plain == plain)
        return;
    m_plain = plain;
    updateStyle();
}

void ElementButton::setRound(bool round)
{
    if (m_round == round)
        return;
    m_round = round;
    updateStyle();
}

void ElementButton::setCircle(bool circle)
{
    if (m_circle == circle)
        return;
    m_circle = circle;
    updateStyle();
}

void ElementButton::setTextStyle(bool textStyle)
{
    if (m_textStyle == textStyle)
        return;
    m_textStyle = textStyle;
    updateStyle();
}

void ElementButton::setButtonDisabled(bool disabled)
{
    if (m_disabled == disabled)
        return;
    m_disabled = disabled;
    setEnabled(!disabled);
    updateStyle();
}

void ElementButton::updateStyle()
{
    setMinimumSize(getSizeHint());
    m_styledHeight = std::max(height(), getSizeHint().height());
    setStyleSheet(getStyleSheet());
}

void ElementButton::resizeEvent(QResizeEvent *event)
{
    QPushButton::resizeEvent(event);
    // Only round shapes depend on the height.
    if ((m_round || m_circle) && event->size().height() != m_styledHeight) {
        m_styledHeight = event->size().height();
        setStyleSheet(getStyleSheet());
    }
}

int ElementButton::cornerRadius(int height) const
{
    const int half = std::max(height, 0) / 2;
    if (m_circle)
        return half;
    return std::min(K::f(m_round ? 13 : 3), half);
}

QString ElementButton::getStyleSheet() const
{
    const int scheme = schemeIndex(m_type);
    const Palette &p = kPalettes[scheme];

    QString background = QLatin1String(p.background), text = QLatin1String(p.text),
            border = QLatin1String(p.border);
    QString hoverBackground = QLatin1String(p.hoverBackground),
            hoverText = QLatin1String(p.hoverText), hoverBorder = QLatin1String(p.hoverBorder);
    QString pressedBackground = QLatin1String(p.pressedBackground),
            pressedText = QLatin1String(p.pressedText),
            pressedBorder = QLatin1String(p.pressedBorder);
    QString disabledBackground, disabledText, disabledBorder;

    if (m_plain && scheme == 0) {
        // The neutral scheme is already white: its plain form keeps its grey text and border.
        hoverBackground = pressedBackground = QStringLiteral("#FFFFFF");
        hoverBorder = hoverText;
        pressedBorder = pressedText;
    } else if (m_plain) {
        const QString main = background;
        background = QStringLiteral("#FFFFFF");
        text = main;
        border = main;
        hoverBackground = main;
        hoverText = QStringLiteral("#FFFFFF");
        hoverBorder = main;
        pressedBackground = main;
        pressedText = QStringLiteral("#FFFFFF");
        pressedBorder = main;
    }

    if (!m_textStyle) {
        disabledBackground = m_plain ? QStringLiteral("#FFFFFF") : QStringLiteral("#F5F7FA");
        disabledText = QStringLiteral("#C0C4CC");
        disabledBorder = QStringLiteral("#E4E7ED");
    } else {
        const TextPalette &t = kTextPalettes[scheme];
        const QString transparent = QStringLiteral("transparent");
        background = border = hoverBackground = hoverBorder = transparent;
        pressedBackground = pressedBorder = disabledBackground = disabledBorder = transparent;
        text = QLatin1String(t.text);
        hoverText = QLatin1String(t.hoverText);
        pressedText = QLatin1String(t.pressedText);
        disabledText = QStringLiteral("#C0C4CC");
    }

    const QString radius = K::s(cornerRadius(m_styledHeight > 0 ? m_styledHeight : getSizeHint().height()))
                           + QStringLiteral("px");

    int vertical = 5, horizontal = 10, fontSize = 9;
    if (m_size == Small) {
        vertical = 3;
        horizontal = 7;
        fontSize = 8;
    } else if (m_size == Large) {
        vertical = 7;
        horizontal = 13;
        fontSize = 9;
    }
    const QString padding = K::s(K::f(vertical)) + QStringLiteral("px ") + K::s(K::f(horizontal))
        + QStringLiteral("px");
    const QString font = K::s(K::f(fontSize)) + QStringLiteral("px");

    // Filled in steps so that a filled value is never read as a placeholder.
    return kTemplate.arg(background, text, border, radius, padding, font)
        .arg(hoverBackground, hoverText, hoverBorder)
        .arg(pressedBackground, pressedText, pressedBorder)
        .arg(disabledBackground, disabledText, disabledBorder);
}

QSize ElementButton::getSizeHint() const
{
    int height = 21, width = 50;
    if (m_size == Small) {
        height = 16;
        width = 40;
    } else if (m_size == Large) {
        height = 27;
        width = 60;
    }
    if (m_circle)
        width = height;
    return QSize(K::f(width), K::f(height));
}
