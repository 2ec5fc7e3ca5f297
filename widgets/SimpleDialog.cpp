#include "widgets/SimpleDialog.h"

#include "app/core/K.h"
#include "widgets/ScreenRect.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtMath>
#include <QVBoxLayout>

namespace {

struct TypeLook {
    const char *icon;
    const char *iconColour, *iconBackground;
    const char *button, *buttonHover, *buttonPressed;
};

const TypeLook kLooks[] = {
    {"i", "#3b82f6", "#dbeafe", "#3b82f6", "#2563eb", "#1d4ed8"},
    {"!", "#f59e0b", "#fef3c7", "#f59e0b", "#d97706", "#b45309"},
    {"\u00d7", "#ef4444", "#fecaca", "#ef4444", "#dc2626", "#b91c1c"},
    {"?", "#10b981", "#d1fae5", "#10b981", "#059669", "#047857"},
};

QFont buttonFont()
{
    QFont font;
    font.setPixelSize(K::f(13));
    font.setWeight(57);
    return font;
}

QPoint centredOn(const QRect &area, const QSize &size)
{
    const QPoint c((area.left() + area.right()) / 2, (area.top() + area.bottom()) / 2);
    return c - QPoint((size.width() - 1) / 2, (size.height() - 1) / 2);
}

} // namespace

SimpleDialog::SimpleDialog(QWidget *parent)
    : QDialog(parent)
{
    initUI();
}

void SimpleDialog::initUI()
{
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    setMinimumSize(K::f(320), K::f(160));
    setMaximumWidth(K::f(450));

    auto *mainLayout = new QVBoxLayout(this);
    const int margin = K::f(32);
    mainLayout->setContentsMargins(margin, margin, margin, margin);
    mainLayout->setSpacing(K::f(16));

    auto *header = new QWidget(this);
    header->setObjectName(QStringLiteral("header"));
    header->setStyleSheet(QStringLiteral("background: transparent;"));
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->setSpacing(K::f(10));

    m_iconLabel = new QLabel(header);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_iconLabel->setAlignment(Qt::AlignCenter);
    m_iconLabel->setFixedSize(K::f(32), K::f(32));
    QFont iconFont;
    iconFont.setPointSize(K::f(16));
    iconFont.setWeight(75);
    m_iconLabel->setFont(iconFont);

    m_titleLabel = new QLabel(header);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    m_titleLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_titleLabel->setWordWrap(true);
    QFont titleFont;
    titleFont.setPointSize(K::f(8));
    titleFont.setWeight(63);
    m_titleLabel->setFont(titleFont);
    m_titleLabel->setStyleSheet(QStringLiteral("color: #1f2937;"));
    headerLayout->addWidget(m_iconLabel, 0);
    headerLayout->addWidget(m_titleLabel, 1);

    m_messageView = new QTextBrowser(this);
    m_messageView->setObjectName(QStringLiteral("messageView"));
    m_messageView->setFrameShape(QFrame::NoFrame);
    m_messageView->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_messageView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messageView->setOpenExternalLinks(true);
    QFont messageFont;
    messageFont.setPointSize(K::f(11));
    m_messageView->setFont(messageFont);
    m_messageView->setStyleSheet(QStringLiteral(
        "QTextBrowser {     background: transparent;     color: #000000;     border: none; }"));
    m_messageView->verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical {     background: #f0f0f0;     width: %1px;"
                       "     margin: 0px;     border-radius: %2px; }"
                       " QScrollBar::handle:vertical {     background: #c0c0c0;"
                       "     border-radius: %2px;     min-height: %3px; }"
                       " QScrollBar::handle:vertical:hover {     background: #a0a0a0; }"
                       " QScrollBar::handle:vertical:pressed {     background: #808080; }"
                       " QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical {"
                       "     height: 0px; }"
                       " QScrollBar::up-arrow:vertical, QScrollBar::down-arrow:vertical {"
                       "     width: 0px;     height: 0px; }"
                       " QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical {"
                       "     background: none; }")
            .arg(K::s(K::f(10)), K::s(K::f(5)), K::s(K::f(30))));
    m_messageView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_messageView->setMinimumHeight(K::f(30));

    auto *buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(K::f(8));
    m_cancelButton = new QPushButton(QStringLiteral("取消"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_confirmButton = new QPushButton(QStringLiteral("确定"), this);
    m_confirmButton->setObjectName(QStringLiteral("confirmButton"));
    for (QPushButton *button : {m_cancelButton, m_confirmButton}) {
        button->setFixedHeight(K::f(24));
        button->setMinimumWidth(K::f(59));
        button->setCursor(Qt::PointingHandCursor);
        button->setFont(buttonFont());
    }
    const QString radius = K::s(K::f(4)), padding = K::s(K::f(12));
    m_cancelButton->setStyleSheet(
        QStringLiteral("QPushButton {     background: #f9fafb;     border: 1px solid #e5e7eb;"
                       "     border-radius: %1px;     color: #374151;     padding: 0px %2px; }"
                       " QPushButton:hover {     background: #f3f4f6;     border-color: #d1d5db; }"
                       " QPushButton:pressed {     background: #e5e7eb; }")
            .arg(radius, padding));
    m_confirmButton->setStyleSheet(
        QStringLiteral("QPushButton {     background: #3b82f6;     border: none;"
                       "     border-radius: %1px;     color: #ffffff;     padding: 0px %2px; }"
                       " QPushButton:hover {     background: #2563eb; }"
                       " QPushButton:pressed {     background: #1d4ed8; }")
            .arg(radius, padding));
    connect(m_cancelButton, &QPushButton::clicked, this, &SimpleDialog::handleCancel);
    connect(m_confirmButton, &QPushButton::clicked, this, &SimpleDialog::handleOk);
    buttonRow->addStretch();
    buttonRow->addWidget(m_cancelButton);
    buttonRow->addWidget(m_confirmButton);

    mainLayout->addWidget(header, 0);
    mainLayout->addWidget(m_messageView, 1);
    mainLayout->addSpacing(K::f(6));
    mainLayout->addLayout(buttonRow);
}

void SimpleDialog::setDialogType(DialogType type)
{
    m_type = type;
    const int index = static_cast<int>(type);
    if (index < 0 || index > 3)
        return;
    const TypeLook &look = kLooks[index];
    m_cancelButton->setVisible(type == Confirm);

    m_iconLabel->setText(QString::fromUtf8(look.icon));
    m_iconLabel->setStyleSheet(QStringLiteral("QLabel {     color: %1;     background: %2;"
                                              "     border-radius: %3px;     font-weight: bold; }")
                                   .arg(QLatin1String(look.iconColour),
                                        QLatin1String(look.iconBackground), K::s(K::f(16))));

    m_confirmButton->setFont(buttonFont());
    m_confirmButton->setStyleSheet(
        QStringLiteral("QPushButton {     background: %1;     border: none;     border-radius: %2px;"
                       "     color: #ffffff;     padding: 0px %3px; }"
                       " QPushButton:hover {     background: %4; }"
                       " QPushButton:pressed {     background: %5; }")
            .arg(QLatin1String(look.button), K::s(K::f(4)), K::s(K::f(12)),
                 QLatin1String(look.buttonHover), QLatin1String(look.buttonPressed)));
}

void SimpleDialog::setDialogTitle(const QString &title)
{
    m_titleLabel->setText(title);
}

QString SimpleDialog::messageHtml(const QString &body)
{
    // One arg() call so that a "%" in the message is never taken as a placeholder.
    return QStringLiteral("<div style='line-height: %1px; color: #000000; font-size: %2px;'>%3</div>")
        .arg(K::s(K::f(22)), K::s(K::f(11)), body);
}

void SimpleDialog::setDialogMessage(const QString &message, bool isHtml)
{
    m_plainLines = isHtml ? 0 : message.count(QLatin1Char('\n')) + 1;
    if (isHtml)
        m_messageView->setHtml(messageHtml(message));
    else
        setPlainMessage(message);
    adjustSize();
}

// The template's look, one paragraph a line: thousands of names parsed as
// "<br>"-separated HTML made one paragraph that the view laid out whole, more
// than once, holding the window for a tenth of a second. Separate paragraphs
// are laid out a screenful at a time, and the text needs no escaping.
void SimpleDialog::setPlainMessage(const QString &message)
{
    m_messageView->setHtml(messageHtml(QStringLiteral("x")));
    QTextDocument *document = m_messageView->document();
    const QTextBlock first = document->begin();
    const QTextBlockFormat blockFormat = first.blockFormat();
    const QTextCharFormat charFormat = first.begin().fragment().charFormat();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    const QStringList lines = message.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock(blockFormat, charFormat);
        // A service's reason may end its lines with "\r\n"; HTML showed the
        // "\r" as nothing.
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        cursor.insertText(line, charFormat);
    }
    cursor.endEditBlock();
    // The view's own cursor moved along with the insertions; at the end it
    // would make the view lay out the whole text to show it.
    m_messageView->setTextCursor(QTextCursor(document));
}

void SimpleDialog::setDialogCallback(std::function<void(bool)> callback)
{
    m_callback = std::move(callback);
}

void SimpleDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);

    QScreen *screen = QGuiApplication::primaryScreen();
    const int limit = screen ? screen->availableGeometry().height() / 2 : K::f(400);
    // The text is laid out at the view's final width; the view is then exactly
    // as tall as the text (a scroll area would otherwise ask for 192 px).
    const int viewMax = qMax(limit - K::f(200), K::f(80));
    layout()->activate();
    int wanted = 0;
    if (m_plainLines * K::f(22) >= viewMax) {
        // Taller than the view at any width: a list of thousands of names
        // would otherwise be laid out once more just to learn that.
        wanted = viewMax;
    } else {
        QTextDocument *document = m_messageView->document();
        document->setTextWidth(m_messageView->viewport()->width());
        wanted = qCeil(document->size().height()) + 2 * m_messageView->frameWidth();
    }
    m_messageView->setFixedHeight(qMin(wanted, viewMax));
    setMaximumHeight(limit);
    adjustSize();

    if (QWidget *owner = parentWidget())
        move(centredOn(ScreenRect::of(owner), size()));
    else if (screen)
        move(centredOn(screen->availableGeometry(), size()));
    // Centred on a window that reaches past the screen, the buttons could
    // land off it, out of reach.
    QScreen *shown = QGuiApplication::screenAt(geometry().center());
    if (!shown)
        shown = screen;
    if (shown) {
        const QRect area = shown->availableGeometry();
        move(qBound(area.left(), x(), qMax(area.left(), area.right() - width() + 1)),
             qBound(area.top(), y(), qMax(area.top(), area.bottom() - height() + 1)));
    }

    raise();
    activateWindow();
}

void SimpleDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width(), height()), 12, 12, Qt::AbsoluteSize);
    painter.fillPath(path, Qt::white);
    painter.strokePath(path, QPen(QColor(200, 200, 200), 1, Qt::SolidLine, Qt::SquareCap,
                                  Qt::BevelJoin));
}

void SimpleDialog::show(QWidget *parent, const QString &title, const QString &message,
                        DialogType type, std::function<void(bool)> callback, bool isHtml)
{
    auto *dialog = new SimpleDialog(parent);
    dialog->setDialogType(type);
    dialog->m_titleLabel->setText(title);
    dialog->setDialogMessage(message, isHtml);
    if (callback)
        dialog->m_callback = std::move(callback);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void SimpleDialog::info(QWidget *parent, const QString &title, const QString &message,
                        bool isHtml)
{
    show(parent, title, message, Info, {}, isHtml);
}

void SimpleDialog::warning(QWidget *parent, const QString &title, const QString &message,
                           bool isHtml)
{
    show(parent, title, message, Warning, {}, isHtml);
}

void SimpleDialog::error(QWidget *parent, const QString &title, const QString &message,
                         bool isHtml)
{
    show(parent, title, message, Error, {}, isHtml);
}

void SimpleDialog::confirm(QWidget *parent, const QString &title, const QString &message,
                           std::function<void(bool)> callback, bool isHtml)
{
    show(parent, title, message, Confirm, std::move(callback), isHtml);
}

void SimpleDialog::handleOk()
{
    if (m_callback)
        m_callback(true);
    accept();
}

void SimpleDialog::handleCancel()
{
    if (m_callback)
        m_callback(false);
    reject();
}
