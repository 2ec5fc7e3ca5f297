#include "app/Login.h"

#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/CustomCheckBox.h"
#include "app/core/FormBody.h"
#include "app/FramelessWindow.h"
#include "app/core/K.h"
#include "app/core/LoginCredentials.h"
#include "app/core/Logging.h"
#include "app/LoginReply.h"
#include "transfer/ui/tfhome.h"
#include "ui_Login.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kButtonRestoreStyle = QStringLiteral(
    " QPushButton:hover {   background: #0056CC; } QPushButton:pressed {   background: #004499; }"
    " QPushButton:disabled {   background: #86868B;   color: rgba(255, 255, 255, 0.8); }");

// n × scaleDpi, truncated toward zero.
int scaled(double n)
{
    return int(n * double(Config::scaleDpi));
}

// n × scaleDpi as style sheet text.
QString scaledText(double n)
{
    return QString::number(n * double(Config::scaleDpi), 'g', 6);
}

} // namespace

Login::Login(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Login)
{
    ui->setupUi(this);
    setupUI();
    setupStyles();

    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_TranslucentBackground);
    resize(scaled(250), scaled(300));
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        move((geometry.width() - width()) / 2, (geometry.height() - height()) / 2);
    }

    usernameEdit->installEventFilter(this);
    passwordEdit->installEventFilter(this);
    setupAnimations();
    loadLoginInfo();
}

Login::~Login()
{
    delete ui;
}

void Login::setupUI()
{
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(30, 25, 30, 30);
    mainLayout->setSpacing(0);

    mainLayout->addLayout(FramelessWindow::titleBar(this, scaled(15), nullptr, &closeButton));
    connect(closeButton, &QPushButton::clicked, this, &Login::onCloseClicked);

    mainLayout->addSpacing(20);

    auto *logoRow = new QHBoxLayout();
    logoRow->setContentsMargins(0, 0, 0, 0);
    logoLabel = new QLabel(this);
    logoLabel->setAlignment(Qt::AlignCenter);
    logoLabel->setObjectName(QStringLiteral("logoLabel"));
    logoLabel->setFixedSize(scaled(40), scaled(40));
    logoLabel->setScaledContents(true);
    const QPixmap logo(QStringLiteral(":/login/image/login/logo.png"));
    if (!logo.isNull()) {
        logoLabel->setPixmap(logo);
    } else {
        logoLabel->setText(QStringLiteral("Pindle"));
        logoLabel->setStyleSheet(QStringLiteral("background: rgba(255, 255, 255, 0.9); color: #1D1D1F; border-radius: ")
                                 + scaledText(30) + QStringLiteral("px; font-size: ") + scaledText(20)
                                 + QStringLiteral("px; font-weight: bold; border: 1px solid rgba(0, 0, 0, 0.06);"));
    }
    logoRow->addStretch();
    logoRow->addWidget(logoLabel);
    logoRow->addStretch();
    mainLayout->addLayout(logoRow);

    mainLayout->addSpacing(15);

    auto *softwareLabel = new QLabel(QStringLiteral("Pindle软件"), this);
    softwareLabel->setAlignment(Qt::AlignCenter);
    softwareLabel->setObjectName(QStringLiteral("softwareLabel"));
    mainLayout->addWidget(softwareLabel);

    mainLayout->addSpacing(scaled(25));

    auto *inputBlock = new QVBoxLayout();
    inputBlock->setSpacing(scaled(10));
    createInputField(usernameEdit, QStringLiteral("账号"), false);
    createInputField(passwordEdit, QStringLiteral("密码"), true);
    inputBlock->addWidget(usernameEdit);
    inputBlock->addWidget(passwordEdit);

    rememberPasswordBox = new CustomCheckBox(QStringLiteral("记住密码"));
    rememberPasswordBox->setObjectName(QStringLiteral("rememberPasswordBox"));
    rememberPasswordBox->setFixedHeight(scaled(15));
    rememberPasswordBox->setCursor(Qt::PointingHandCursor);
    rememberPasswordBox->setEnabled(true);
    rememberPasswordBox->setCheckable(true);
    rememberPasswordBox->setFocusPolicy(Qt::StrongFocus);
    connect(rememberPasswordBox, &QCheckBox::stateChanged, rememberPasswordBox,
            [this](int) { rememberPasswordBox->update(); });
    connect(rememberPasswordBox, &QCheckBox::stateChanged, this, [](int state) {
        qCDebug(lcApp) << "记住密码状态改变:" << state;
        if (state == Qt::Unchecked)
            QFile::remove(getConfigFilePath());
    });
    connect(rememberPasswordBox, &QCheckBox::clicked, this, [](bool checked) {
        qCDebug(lcApp) << "记住密码被点击:" << (checked ? "true" : "false");
    });
    inputBlock->addWidget(rememberPasswordBox);
    mainLayout->addLayout(inputBlock);

    mainLayout->addSpacing(scaled(30));

    loginButton = new QPushButton(QStringLiteral("登录"), this);
    loginButton->setFixedHeight(scaled(25));
    loginButton->setObjectName(QStringLiteral("loginButton"));
    connect(loginButton, &QPushButton::clicked, this, &Login::onLoginClicked);
    mainLayout->addWidget(loginButton);

    mainLayout->addSpacing(10);

    auto *versionLabel = new QLabel(QStringLiteral("版本号:") + Config::k_version, this);
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    mainLayout->addWidget(versionLabel);

    mainLayout->addSpacing(scaled(20));
    mainLayout->addStretch();
}

void Login::setupStyles()
{
    QString sheet;
    sheet += QStringLiteral("Login { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                            " stop:0 rgba(255, 255, 255, 0.95), stop:1 rgba(250, 250, 252, 0.92));"
                            " border-radius: %1px; border: 1px solid rgba(0, 0, 0, 0.06); }")
                 .arg(scaledText(16));
    sheet += QStringLiteral("#closeButton { background: #FF5F56; border: none; border-radius: %1px;"
                            " color: white; font-size: %2px; font-weight: 300; }"
                            "#closeButton:hover { background: #FF6B63; }"
                            "#closeButton:pressed { background: #E04A41; }")
                 .arg(scaledText(5), scaledText(13));
    sheet += QStringLiteral("#logoLabel { border-radius: %1; border: 1px solid rgba(0, 0, 0, 0.06);"
                            " background: rgba(255, 255, 255, 0.8); }")
                 .arg(scaledText(15));
    sheet += QStringLiteral("#softwareLabel { font-size: %1px; font-weight: 600; color: #1D1D1F;"
                            " letter-spacing: -1px; }"
                            "#versionLabel { font-size: %2px; font-weight: 400; color: #86868B;"
                            " letter-spacing: 0px; }"
                            "#titleLabel { font-size: %3px; font-weight: 500; color: #1D1D1F;"
                            " margin: 20px 0px; letter-spacing: -0.5px; }")
                 .arg(scaledText(12), scaledText(8), scaledText(20));
    sheet += QStringLiteral("#inputField { border: 2px solid rgba(0, 0, 0, 0.1); border-radius: %1px;"
                            " padding: 0 %2px; font-size: %3px; background: rgba(255, 255, 255, 0.8);"
                            " color: #1D1D1F; selection-background-color: rgba(0, 122, 255, 0.2);"
                            " font-weight: 400; }"
                            "#inputField:focus { border: 2px solid #007AFF; background: rgba(255, 255, 255, 1);"
                            " outline: none; }"
                            "#inputField:hover { border: 2px solid rgba(0, 122, 255, 0.3);"
                            " background: rgba(255, 255, 255, 0.9); }")
                 .arg(scaledText(9), scaledText(12), scaledText(12));
    sheet += QStringLiteral("#loginButton { background: #007AFF; border: none; border-radius: %1px; color: white;"
                            " font-size: %2px; font-weight: 600; letter-spacing: -0.5px; }"
                            "#loginButton:hover { background: #0056CC; }"
                            "#loginButton:pressed { background: #004499; }"
                            "#loginButton:disabled { background: #86868B; color: rgba(255, 255, 255, 0.8); }")
                 .arg(scaledText(8), scaledText(13));
    sheet += QStringLiteral("QCheckBox#rememberPasswordBox { font-size: %1px; color: #1D1D1F; font-weight: 400;"
                            " spacing: 12px; outline: none; }"
                            "QCheckBox#rememberPasswordBox::indicator { width: %2px; height: %2px;"
                            " border-radius: 6px; border: 2px solid #86868B; background: white; }"
                            "QCheckBox#rememberPasswordBox::indicator:hover { border: 2px solid #007AFF; }"
                            "QCheckBox#rememberPasswordBox::indicator:checked { background: #007AFF;"
                            " border: 2px solid #007AFF; }"
                            "QCheckBox#rememberPasswordBox::indicator:checked:hover { background: #0056CC;"
                            " border: 2px solid #0056CC; }")
                 .arg(scaledText(12), scaledText(12));
    setStyleSheet(sheet);
    for (QLineEdit *field : {usernameEdit, passwordEdit}) {
        QPalette palette = field->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(0x86, 0x86, 0x8B));
        field->setPalette(palette);
    }
}

void Login::setupAnimations()
{
    windowAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    windowAnimation->setDuration(500);
    windowAnimation->setStartValue(0.0);
    windowAnimation->setEndValue(1.0);
    windowAnimation->setEasingCurve(QEasingCurve::OutQuart);
}

void Login::fadeInLater(QWidget *widget, int delayMs, int durationMs)
{
    QTimer::singleShot(delayMs, this, [this, widget, durationMs]() {
        widget->show();
        auto *fade = new QPropertyAnimation(widget, "windowOpacity", this);
        fade->setDuration(durationMs);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        fade->setEasingCurve(QEasingCurve::OutQuad);
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

void Login::startWindowAnimation()
{
    setWindowOpacity(0);
    logoLabel->hide();
    usernameEdit->hide();
    passwordEdit->hide();
    loginButton->hide();
    windowAnimation->start();
    fadeInLater(logoLabel, 200, 400);
    fadeInLater(usernameEdit, 400, 300);
    fadeInLater(passwordEdit, 500, 300);
    fadeInLater(loginButton, 750, 300);
}

void Login::createInputField(QLineEdit *&field, const QString &placeholder, bool isPassword)
{
    field = new QLineEdit();
    field->setPlaceholderText(placeholder);
    field->setFixedHeight(scaled(30));
    field->setObjectName(QStringLiteral("inputField"));
    if (isPassword)
        field->setEchoMode(QLineEdit::Password);
    addFocusAnimation(field);
}

void Login::addFocusAnimation(QLineEdit *field)
{
    connect(field, &QLineEdit::textChanged, field, [field](const QString &text) {
        field->setProperty("hasText", !text.isEmpty());
        field->style()->unpolish(field);
        field->style()->polish(field);
    });
    connect(field, &QLineEdit::editingFinished, this, &Login::onInputUnfocused);
}

void Login::onInputFocused()
{
}

void Login::onInputUnfocused()
{
}

void Login::onCloseClicked()
{
    close();
}

bool Login::eventFilter(QObject *watched, QEvent *event)
{
    return QWidget::eventFilter(watched, event);
}

QString Login::getConfigFilePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/login_config.txt");
}

QString Login::encryptPassword(const QString &password)
{
    return LoginCredentials::xorEncode(password);
}

QString Login::decryptPassword(const QString &text)
{
    return LoginCredentials::xorDecode(text);
}

void Login::saveLoginInfo()
{
    const QStringList lines{
        QStringLiteral("username=") + usernameEdit->text(),
        QStringLiteral("password=") + encryptPassword(passwordEdit->text()),
        rememberPasswordBox->isChecked() ? QStringLiteral("remember=1") : QStringLiteral("remember=0")};
    if (!LoginCredentials::write(getConfigFilePath(), lines))
        qCDebug(lcApp) << "无法保存登录信息:" << getConfigFilePath();
}

void Login::loadLoginInfo()
{
    bool ok = false;
    const LoginCredentials::Entries entries = LoginCredentials::read(getConfigFilePath(), &ok);
    if (!ok)
        return;
    if (!entries.username.isEmpty())
        usernameEdit->setText(entries.username);
    if (!entries.password.isEmpty())
        passwordEdit->setText(decryptPassword(entries.password));
    if (entries.remember == QLatin1String("1"))
        rememberPasswordBox->setChecked(true);
}

void Login::restoreLoginButton()
{
    loginButton->setText(QStringLiteral("登录"));
    loginButton->setEnabled(true);
    loginButton->setStyleSheet(kButtonRestoreStyle);
}

void Login::onLoginClicked()
{
    const QString user = usernameEdit->text();
    const QString password = passwordEdit->text();
    if (user.isEmpty() || password.isEmpty()) {
        loginButton->setText(QStringLiteral("请填写完整信息"));
        loginButton->setStyleSheet(QStringLiteral("background: #e74c3c !important;"));
        QTimer::singleShot(2000, this, [this]() {
            loginButton->setText(QStringLiteral("登录"));
            loginButton->setStyleSheet(kButtonRestoreStyle);
        });
        return;
    }

    loginButton->setText(QStringLiteral("登录中..."));
    loginButton->setEnabled(false);
    // After a restore the button's sheet holds rules, behind which a bare declaration does not parse.
    const QString sheet = loginButton->styleSheet();
    loginButton->setStyleSheet(sheet.contains(QLatin1Char('{'))
                                   ? sheet + QStringLiteral(" QPushButton { background: #95a5a6; }")
                                   : sheet + QStringLiteral("background: #95a5a6 !important;"));

    auto *request = new BaseReq(this);
    const QByteArray body = FormBody()
                                .add(QStringLiteral("username"), user)
                                .add(QStringLiteral("password"), password)
                                .toBytes();
    QPointer<Login> guard(this);
    request->getResultData(QStringLiteral("&m=public&a=dologin"), body,
                           [guard, request](bool ok, const QJsonDocument &document) {
                               if (guard)
                                   guard->handleLoginReply(ok, document, request);
                           });
}

void Login::handleLoginReply(bool ok, const QJsonDocument &document, BaseReq *request)
{
    request->deleteLater();
    const QString problem = LoginReply::problem(ok, document, request->lastFailure());
    if (!problem.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("温馨提示"), QString(), QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.setText(problem);
        box.exec();
        restoreLoginButton();
        return;
    }
    QJsonObject obj = document.object();
    obj.remove(QStringLiteral("code"));

    qCDebug(lcApp) << "登录成功, UID:" << obj.value(QStringLiteral("UID")).toString();
    loginButton->setText(QStringLiteral("✓ 登录成功"));
    loginButton->setStyleSheet(QStringLiteral("background: #27ae60 !important; "));

    Config::applyLoginIdentity(obj, true);
    if (rememberPasswordBox->isChecked())
        saveLoginInfo();

    QTimer::singleShot(1000, this, [this, obj]() {
        FramelessWindow::fadeOutAndClose(this, 500);

        auto *transfer = new tfhome();
        transfer->setAttribute(Qt::WA_DeleteOnClose);
        transfer->loginInfo = obj;
        transfer->showMaximized();
    });
}

void Login::mousePressEvent(QMouseEvent *event)
{
    FramelessWindow::startDrag(this, event, dragPosition, isDragging);
}

void Login::mouseMoveEvent(QMouseEvent *event)
{
    FramelessWindow::continueDrag(this, event, dragPosition, isDragging);
}

void Login::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = width();
    const int h = height();

    painter.setPen(Qt::NoPen);
    for (int i = 7; i >= 0; --i) {
        painter.setBrush(QColor(0, 0, 0, i >= 4 ? 1 : 2));
        painter.drawRoundedRect(QRectF(3 - i, 6 - i, w - 6 + 2 * i, h - 6 + 2 * i), 32 + i, 32 + i);
    }

    QLinearGradient card(0, 0, 0, h);
    card.setColorAt(0, QColor(255, 255, 255, 252));
    card.setColorAt(0.5, QColor(250, 250, 252, 248));
    card.setColorAt(1, QColor(245, 245, 247, 245));
    painter.setBrush(card);
    painter.setPen(QPen(QColor(0, 0, 0, 8), 1));
    painter.drawRoundedRect(QRectF(3, 3, w - 6, h - 6), 32, 32);

    QLinearGradient sheen(0, 0, 0, 40);
    sheen.setColorAt(0, QColor(255, 255, 255, 40));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sheen);
    painter.drawRoundedRect(QRectF(4, 4, w - 8, 40), 31, 31);
    painter.end();

    QWidget::paintEvent(event);
}
