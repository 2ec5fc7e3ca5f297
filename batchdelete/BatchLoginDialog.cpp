#include "batchdelete/BatchLoginDialog.h"

#include "app/core/BaseReq.h"
#include "app/core/K.h"
#include "app/core/LoginCredentials.h"
#include "batchdelete/BatchDeleteLogic.h"
#include "widgets/FullScreenLoading.h"
#include "widgets/ScreenRect.h"
#include "widgets/ToastWidget.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QStandardPaths>
#include <QVBoxLayout>

GlassLineEdit::GlassLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
}

void GlassLineEdit::focusInEvent(QFocusEvent *event)
{
    focused = true;
    update();
    QLineEdit::focusInEvent(event);
}

void GlassLineEdit::focusOutEvent(QFocusEvent *event)
{
    focused = false;
    update();
    QLineEdit::focusOutEvent(event);
}

void GlassLineEdit::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal radius = K::f(8);
        const QRectF field(1, 1, width() - 2, height() - 2);
        painter.setBrush(Qt::NoBrush);
        if (focused) {
            // Three soft strokes, widest and faintest outside, make the glow.
            const struct { qreal grow; qreal pen; int alpha; qreal radius; } glow[] = {
                {1.5, 3, 20, 8.9}, {1, 2, 40, 8.6}, {0.5, 1, 60, 8.3}};
            for (const auto &ring : glow) {
                painter.setPen(QPen(QColor(0, 122, 255, ring.alpha), ring.pen));
                painter.drawRoundedRect(field.adjusted(-ring.grow, -ring.grow, ring.grow, ring.grow), ring.radius,
                                        ring.radius);
            }
            painter.setBrush(QColor(255, 255, 255, 252));
            painter.setPen(QPen(QColor(0, 122, 255, 255), 1.5));
        } else {
            painter.setBrush(QColor(255, 255, 255, 200));
            painter.setPen(QPen(QColor(200, 200, 205), 1));
        }
        painter.drawRoundedRect(field, radius, radius);
    }
    QLineEdit::paintEvent(event);
}

GlassIconWidget::GlassIconWidget(int type, QWidget *parent)
    : QWidget(parent)
    , iconType(type)
{
}

void GlassIconWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor colour(142, 142, 147);
    const int w = width();
    const int h = height();
    const int cx = w / 2;
    const int cy = h / 2;
    if (iconType == 0) {
        QPen pen(colour, 1.3);
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const int head = int(w / 4.5);
        painter.drawEllipse(QPointF(cx, cy - h / 6), head, head);
        const int d = int(w / 3.2);
        const int s = cy + h / 8;
        QPainterPath shoulders(QPointF(cx - d, h - 1));
        shoulders.quadTo(QPointF(cx - d, s), QPointF(cx, s));
        shoulders.quadTo(QPointF(cx + d, s), QPointF(cx + d, h - 1));
        painter.drawPath(shoulders);
        return;
    }
    const int a = int(w / 3.5);
    const int b = int(h / 3.5);
    const int c = int(w / 4.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(cx - a, cy + 2, 2 * a, b + 2), 2, 2);
    QPen shackle(colour, 1.5);
    shackle.setCapStyle(Qt::RoundCap);
    painter.setPen(shackle);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(cx - c, cy - b + 4, 2 * c, 2 * b), 0, 180 * 16);
}

BatchLoginDialog::BatchLoginDialog(QWidget *parent)
    : QDialog(parent)
{
    initUI();
}

BatchLoginDialog *BatchLoginDialog::show(QWidget *parent, Callback callback)
{
    auto *dialog = new BatchLoginDialog(parent);
    if (callback)
        dialog->setCallback(std::move(callback));
    dialog->QDialog::show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

QString BatchLoginDialog::credentialsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/login_config.txt");
}

void BatchLoginDialog::initUI()
{
    setObjectName(QStringLiteral("BatchLoginDialog"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);
    setFixedSize(K::f(280), K::f(220));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(K::f(28), K::f(24), K::f(28), K::f(20));
    layout->setSpacing(0);

    titleLabel = new QLabel(QStringLiteral("账号验证"), this);
    titleLabel->setAlignment(Qt::AlignCenter);
    QFont titleFont = titleLabel->font();
    titleFont.setPointSize(K::f(8));
    titleFont.setWeight(63);
    titleLabel->setFont(titleFont);
    titleLabel->setStyleSheet(QStringLiteral("color: #1d1d1f; background: transparent; margin-bottom: 6px;"));
    layout->addWidget(titleLabel);

    auto *inputs = new QVBoxLayout();
    inputs->setContentsMargins(0, K::f(14), 0, 0);
    inputs->setSpacing(K::f(10));
    const QString editStyle = QStringLiteral(
        "QLineEdit {     background: transparent;     border: none;     border-radius: %1px;     padding: %2px %3px %2px %4px;"
        "     font-size: %5px;     color: #1d1d1f;     selection-background-color: rgba(0, 122, 255, 0.25); }"
        " QLineEdit::placeholder { color: #8e8e93; }")
                                  .arg(K::f(8))
                                  .arg(9)
                                  .arg(10)
                                  .arg(32)
                                  .arg(13);
    const auto makeRow = [&](GlassLineEdit *&edit, const QString &placeholder, int icon, const QString &name) {
        auto *row = new QWidget(this);
        row->setStyleSheet(QStringLiteral("background: transparent;"));
        row->setFixedHeight(K::f(40));
        edit = new GlassLineEdit(row);
        edit->setObjectName(name);
        edit->setPlaceholderText(placeholder);
        edit->setGeometry(0, 0, K::f(224), K::f(40));
        edit->setStyleSheet(editStyle);
        // Qt 5 style sheets have no placeholder colour and reset the palette's at each restyle.
        edit->installEventFilter(this);
        setPlaceholderColour(edit);
        auto *iconWidget = new GlassIconWidget(icon, row);
        iconWidget->setObjectName(icon == 0 ? QStringLiteral("userIcon") : QStringLiteral("lockIcon"));
        iconWidget->setAttribute(Qt::WA_TranslucentBackground);
        iconWidget->setGeometry(K::f(10), K::f(12), K::f(16), K::f(16));
        iconWidget->raise();
        inputs->addWidget(row);
    };
    makeRow(accountEdit, QStringLiteral("账号"), 0, QStringLiteral("accountEdit"));
    makeRow(passwordEdit, QStringLiteral("密码"), 1, QStringLiteral("passwordEdit"));
    accountEdit->setEnabled(false);
    passwordEdit->setEchoMode(QLineEdit::Password);
    layout->addLayout(inputs);
    layout->addStretch();

    auto *buttons = new QHBoxLayout();
    buttons->setContentsMargins(0, K::f(16), 0, 0);
    buttons->setSpacing(K::f(10));
    cancelButton = new QPushButton(QStringLiteral("取消"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    okButton = new QPushButton(QStringLiteral("登录"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    for (QPushButton *button : {cancelButton, okButton}) {
        button->setFixedHeight(K::f(32));
        button->setCursor(Qt::PointingHandCursor);
        QFont font = button->font();
        font.setPointSize(K::f(5));
        font.setWeight(57);
        button->setFont(font);
        buttons->addWidget(button, 1);
    }
    cancelButton->setStyleSheet(QStringLiteral(
        "QPushButton {     background: rgba(255, 255, 255, 0.7);     border: 1px solid rgba(0, 0, 0, 0.1);"
        "     border-radius: %1px;     color: #1d1d1f; } QPushButton:hover {     background: rgba(255, 255, 255, 0.9); }"
        " QPushButton:pressed {     background: rgba(220, 220, 225, 0.9); }")
                                    .arg(K::f(8)));
    okButton->setStyleSheet(QStringLiteral(
        "QPushButton {     background: qlineargradient(x1:0, y1:0, x2:0, y2:1,         stop:0 #4da3ff, stop:1 #007aff);"
        "     border: none;     border-radius: %1px;     color: #ffffff;     font-weight: 500; } QPushButton:hover {"
        "     background: qlineargradient(x1:0, y1:0, x2:0, y2:1,         stop:0 #66b3ff, stop:1 #1a8cff); }"
        " QPushButton:pressed {     background: #0066cc; } QPushButton:disabled {     background: rgba(0, 122, 255, 0.35);"
        "     color: rgba(255, 255, 255, 0.6); }")
                                .arg(K::f(8)));
    okButton->setEnabled(false);
    layout->addLayout(buttons);

    connect(accountEdit, &QLineEdit::textChanged, this, &BatchLoginDialog::onInputChanged);
    connect(passwordEdit, &QLineEdit::textChanged, this, &BatchLoginDialog::onInputChanged);
    connect(cancelButton, &QPushButton::clicked, this, &BatchLoginDialog::handleCancel);
    connect(okButton, &QPushButton::clicked, this, &BatchLoginDialog::handleOk);

    passwordEdit->setFocus();
    loadLoginInfo();
}

void BatchLoginDialog::setPlaceholderColour(QLineEdit *edit)
{
    const QColor grey(QStringLiteral("#8e8e93"));
    // Set only when it differs: setting it sends the palette change that brought us here.
    if (edit->palette().color(QPalette::Active, QPalette::PlaceholderText) == grey
        && edit->palette().color(QPalette::Inactive, QPalette::PlaceholderText) == grey)
        return;
    QPalette palette = edit->palette();
    palette.setColor(QPalette::All, QPalette::PlaceholderText, grey);
    edit->setPalette(palette);
}

bool BatchLoginDialog::eventFilter(QObject *watched, QEvent *event)
{
    // The style sheet's polish sets the palette anew, also after the polish event itself.
    if ((watched == accountEdit || watched == passwordEdit)
        && (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange
            || event->type() == QEvent::PaletteChange))
        setPlaceholderColour(static_cast<QLineEdit *>(watched));
    return QDialog::eventFilter(watched, event);
}

void BatchLoginDialog::loadLoginInfo()
{
    bool ok = false;
    const LoginCredentials::Entries entries = LoginCredentials::read(credentialsPath(), &ok);
    if (!ok)
        return;
    accountEdit->setText(entries.username);
}

QString BatchLoginDialog::getUsername() const
{
    return accountEdit->text().trimmed();
}

QString BatchLoginDialog::getPassword() const
{
    return passwordEdit->text();
}

void BatchLoginDialog::onInputChanged()
{
    okButton->setEnabled(!getUsername().isEmpty() && !getPassword().isEmpty());
}

void BatchLoginDialog::handleOk()
{
    // One verification at a time: a second press would post the password again.
    if (m_verifying || m_answered)
        return;
    m_verifying = true;
    FullScreenLoading::show(this, QStringLiteral("验证中..."), false);
    auto *request = new BaseReq(this);
    QPointer<BatchLoginDialog> self(this);
    const QString username = getUsername();
    const QString password = getPassword();
    request->getResultData(QStringLiteral("&m=public&a=dologin"), BatchDeleteLogic::loginBody(username, password),
                           [self, request, username, password](bool ok, const QJsonDocument &document) {
                               if (!self)
                                   return;
                               self->m_verifying = false;
                               if (FullScreenLoading *overlay = FullScreenLoading::getInstance(self))
                                   overlay->dismiss();
                               request->deleteLater();
                               if (!ok) {
                                   ToastWidget::showMessage(self, QStringLiteral("验证失败!"), 2000);
                                   return;
                               }
                               const QJsonObject reply = document.object();
                               if (BatchDeleteLogic::isAccepted(reply)) {
                                   self->m_answered = true;
                                   if (self->m_callback)
                                       self->m_callback(true, username, password);
                                   if (self)
                                       self->accept();
                                   return;
                               }
                               QMessageBox box(QMessageBox::Warning, QStringLiteral("温馨提示"),
                                               BatchDeleteLogic::refusalText(reply), QMessageBox::Ok,
                                               self);
                               box.setStyleSheet(QStringLiteral(
                                   "QMessageBox {    background-color: white;    color: black;}QMessageBox QLabel {"
                                   "    color: black;}QMessageBox QPushButton {    background-color: #2980ff;"
                                   "    color: white;    border: none;    border-radius: 4px;    padding: 6px 12px;"
                                   "    min-width: 60px;}QMessageBox QPushButton:hover {    background-color: #3a8bff;}"));
                               box.exec();
                           });
}

void BatchLoginDialog::handleCancel()
{
    if (m_answered)
        return;
    m_answered = true;
    if (m_callback)
        m_callback(false, QString(), QString());
    reject();
}

void BatchLoginDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (okButton->isEnabled())
            handleOk();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        handleCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void BatchLoginDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QRect area;
    if (parentWidget())
        area = ScreenRect::of(parentWidget());
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
    setWindowOpacity(0.0);
    auto *fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(180);
    fade->setStartValue(0.0);
    fade->setEndValue(1.0);
    fade->setEasingCurve(QEasingCurve::OutCubic);
    fade->start(QAbstractAnimation::DeleteWhenStopped);
    raise();
    activateWindow();
}

void BatchLoginDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int m = K::f(10);
    const int r = K::f(14);
    const int w = width();
    const int h = height();
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < m; ++i) {
        const double ratio = double(i) / m;
        painter.setBrush(QColor(0, 0, 0, int(15 * ratio * ratio)));
        painter.drawRoundedRect(QRectF(i, i - 1, w - 2 * i, h + 3 - 2 * i), r + 0.3 * i, r + 0.3 * i);
    }
    QLinearGradient gradient(0, m - 2, 0, h - 1 - m);
    gradient.setColorAt(0, QColor(252, 252, 254, 245));
    gradient.setColorAt(1, QColor(248, 248, 250, 240));
    const QRectF card(m, m - 2, w - 2 * m, h + 2 - 2 * m);
    painter.setBrush(gradient);
    painter.drawRoundedRect(card, r, r);

    // Faint grain; a fixed seed keeps it in place when only part of the card repaints.
    {
        QPainterPath cardPath;
        cardPath.addRoundedRect(card, r, r);
        painter.save();
        painter.setClipPath(cardPath);
        painter.setOpacity(0.015);
        painter.setBrush(Qt::black);
        QRandomGenerator grain(1);
        const int cardWidth = qMax(1, int(card.width()));
        const int cardHeight = qMax(1, int(card.height()));
        for (int i = 0; i < 400; ++i) {
            const int x = m + int(grain.generate() % quint32(cardWidth));
            const int y = m - 2 + int(grain.generate() % quint32(cardHeight));
            painter.drawRect(QRectF(x, y, 1, 1));
        }
        painter.restore();
    }

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0, 0, 0, 12), 0.5));
    painter.drawRoundedRect(card, r, r);
    painter.setPen(QPen(QColor(255, 255, 255, 180), 1));
    painter.drawRoundedRect(QRectF(m + 1, m - 1, w - 2 * m - 2, h - 2 * m), r - 1, r - 1);
}
