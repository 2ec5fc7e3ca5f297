#include "app/LoginNew.h"

#include "app/core/BaseReq.h"
#include "app/ChooseTools.h"
#include "app/core/Config.h"
#include "app/CustomCheckBoxNew.h"
#include "app/FramelessWindow.h"
#include "app/LoginReply.h"
#include "app/core/FormBody.h"
#include "app/core/K.h"
#include "app/core/LoginCredentials.h"
#include "app/core/Logging.h"
#include "platform/MacWindowManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>

LoginNew::LoginNew(QWidget *parent)
    : QWidget(parent)
{
    setupUI();
    setupStyles();

    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);

    resize(K::f(381), K::f(551));
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        move((geometry.width() - width()) / 2, (geometry.height() - height()) / 2);
    }

    usernameEdit->installEventFilter(this);
    passwordEdit->installEventFilter(this);

    setupAnimations();

    connect(MacWindowManager::instance(), &MacWindowManager::windowRestored, this, [this](QWidget *widget) {
        if (widget == this)
            qCDebug(lcApp) << "LoginNew: 收到窗口恢复信号";
    });

    loadLoginInfo();
}

LoginNew::~LoginNew()
{
    MacWindowManager::removeWindowListener(this);
}

void LoginNew::setupUI()
{
    auto *mainLayout = new QVBoxLayout(this);
    mainLayout->setContentsMargins(K::f(40), K::f(30), K::f(40), K::f(30));
    mainLayout->setSpacing(0);

    mainLayout->addLayout(FramelessWindow::titleBar(this, K::f(21), &minimizeButton, &closeButton));
    connect(minimizeButton, &QPushButton::clicked, this, &LoginNew::onMinimizeClicked);
    connect(closeButton, &QPushButton::clicked, this, &LoginNew::onCloseClicked);

    mainLayout->addSpacing(K::f(40));

    auto *logoRow = new QHBoxLayout();
    logoRow->setContentsMargins(0, 0, 0, 0);
    logoLabel = new QLabel(this);
    logoLabel->setAlignment(Qt::AlignCenter);
    logoLabel->setObjectName(QStringLiteral("logoLabel"));
    logoLabel->setFixedSize(K::f(210), K::f(75));
    logoLabel->setScaledContents(true);
    logoLabel->setPixmap(QPixmap(QStringLiteral(":/login/image/login/logo1.png")));
    logoRow->addStretch();
    logoRow->addWidget(logoLabel);
    logoRow->addStretch();
    mainLayout->addLayout(logoRow);

    mainLayout->addSpacing(K::f(21));
    mainLayout->addSpacing(K::f(40));

    auto *inputBlock = new QVBoxLayout();
    inputBlock->setSpacing(K::f(21));
    createInputField(usernameEdit, QStringLiteral("请输入账号"), false);
    createInputField(passwordEdit, QStringLiteral("请输入密码"), true);
    inputBlock->addWidget(usernameEdit);
    inputBlock->addWidget(passwordEdit);
    auto *rememberRow = new QHBoxLayout();
    rememberRow->setContentsMargins(0, 0, 0, 0);
    rememberPasswordBox = new CustomCheckBoxNew(QStringLiteral("记住密码"));
    rememberPasswordBox->setObjectName(QStringLiteral("rememberPasswordBox"));
    rememberPasswordBox->setFixedHeight(K::f(21));
    rememberPasswordBox->setFixedWidth(K::f(100));
    rememberPasswordBox->setCursor(Qt::PointingHandCursor);
    rememberRow->addWidget(rememberPasswordBox);
    rememberRow->addStretch();
    inputBlock->addLayout(rememberRow);
    mainLayout->addLayout(inputBlock);

    mainLayout->addSpacing(K::f(30));

    loginButton = new QPushButton(QStringLiteral("登录"), this);
    loginButton->setFixedHeight(K::f(45));
    loginButton->setObjectName(QStringLiteral("loginButton"));
    connect(loginButton, &QPushButton::clicked, this, &LoginNew::onLoginClicked);
    mainLayout->addWidget(loginButton);

    mainLayout->addStretch();

    versionLabel = new QLabel(QStringLiteral("版本号:") + Config::k_version, this);
    versionLabel->setAlignment(Qt::AlignCenter);
    versionLabel->setObjectName(QStringLiteral("versionLabel"));
    mainLayout->addWidget(versionLabel);

    mainLayout->addSpacing(K::f(21));
}

void LoginNew::setupStyles()
{
    setStyleSheet(QStringLiteral("QWidget { background: transparent; }")
                  + FramelessWindow::titleButtonStyle()
                  + QStringLiteral(
                        "QLineEdit#inputField { background: rgba(60, 70, 90, 0.8);"
                        "  border: 1px solid rgba(100, 110, 130, 0.5); border-radius: %1px;"
                        "  padding: 0 %2px; color: white; font-size: %2px; }"
                        "QLineEdit#inputField:focus { border: 1px solid rgba(41, 128, 255, 0.8);"
                        "  background: rgba(70, 80, 100, 0.9); }"
                        "QPushButton#loginButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                        "  stop:0 #2980ff, stop:1 #1967d2); border: none; border-radius: %1px;"
                        "  color: white; font-size: %3px; font-weight: bold; }"
                        "QPushButton#loginButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                        "  stop:0 #3a8bff, stop:1 #2077e2); }"
                        "QPushButton#loginButton:pressed { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                        "  stop:0 #1970ef, stop:1 #1557c2); }"
                        "QLabel#versionLabel { color: rgba(160, 170, 190, 0.8); font-size: %4px; }")
                        .arg(K::f(6))
                        .arg(K::f(15))
                        .arg(K::f(16))
                        .arg(K::f(12)));
}

void LoginNew::setupAnimations()
{
    windowAnimation = new QPropertyAnimation(this, "windowOpacity", this);
    windowAnimation->setDuration(300);
    windowAnimation->setStartValue(0.0);
    windowAnimation->setEndValue(1.0);
    windowAnimation->setEasingCurve(QEasingCurve::OutCubic);
    windowAnimation->start();
}

void LoginNew::startWindowAnimation()
{
    if (windowAnimation)
        windowAnimation->start();
}

void LoginNew::restoreWindowAttributes()
{
    MacWindowManager::restoreWindowTransparency(this);
}

void LoginNew::createInputField(QLineEdit *&field, const QString &placeholder, bool isPassword)
{
    field = new QLineEdit();
    field->setPlaceholderText(placeholder);
    field->setFixedHeight(K::f(45));
    field->setObjectName(QStringLiteral("inputField"));
    field->setStyleSheet(QStringLiteral("   font-size:") + K::s(15) + QStringLiteral("px;"));
    if (isPassword)
        field->setEchoMode(QLineEdit::Password);
    connect(field, &QLineEdit::textChanged, this, &LoginNew::onInputFocused);
}

void LoginNew::addFocusAnimation(QLineEdit *field)
{
    connect(field, &QLineEdit::textChanged, this, &LoginNew::onInputFocused);
}

void LoginNew::onInputFocused()
{
}

void LoginNew::onInputUnfocused()
{
}

void LoginNew::onMinimizeClicked()
{
    qCDebug(lcApp) << "最小化窗口";
    FramelessWindow::minimize(this);
}

void LoginNew::onCloseClicked()
{
    QCoreApplication::quit();
}

bool LoginNew::eventFilter(QObject *watched, QEvent *event)
{
    // Style sheets cannot set the placeholder colour in Qt 5 and reset the
    // palette when they polish; set it again once the field is shown.
    if ((event->type() == QEvent::Polish || event->type() == QEvent::Show)
        && (watched == usernameEdit || watched == passwordEdit)) {
        auto *field = static_cast<QLineEdit *>(watched);
        QPalette palette = field->palette();
        palette.setColor(QPalette::PlaceholderText, QColor(180, 190, 210, 204));
        field->setPalette(palette);
    }
    return QWidget::eventFilter(watched, event);
}

QString LoginNew::getConfigFilePath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    qCDebug(lcApp) << "文件保存路径：" << folder;
    return folder + QStringLiteral("/login_config.txt");
}

QString LoginNew::encryptPassword(const QString &password)
{
    return LoginCredentials::base64Encode(password);
}

QString LoginNew::decryptPassword(const QString &text)
{
    return LoginCredentials::base64Decode(text);
}

void LoginNew::saveLoginInfo()
{
    const QString path = getConfigFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QStringList lines{QStringLiteral("username=") + usernameEdit->text()};
    if (rememberPasswordBox->isChecked())
        lines << QStringLiteral("password=") + encryptPassword(passwordEdit->text());
    lines << (rememberPasswordBox->isChecked() ? QStringLiteral("remember=1") : QStringLiteral("remember=0"));
    if (!LoginCredentials::write(path, lines))
        qCDebug(lcApp) << "无法保存登录信息:" << path;
}

void LoginNew::loadLoginInfo()
{
    bool ok = false;
    const LoginCredentials::Entries entries = LoginCredentials::read(getConfigFilePath(), &ok);
    if (!ok)
        return;
    usernameEdit->setText(entries.username);
    if (entries.remember == QLatin1String("1")) {
        passwordEdit->setText(entries.hasPassword ? decryptPassword(entries.password) : QString());
        rememberPasswordBox->setChecked(true);
    }
}

void LoginNew::showWarning(const QString &message)
{
    QMessageBox box(this);
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("温馨提示"));
    // The service's message is shown as it is, never interpreted as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setStyleSheet(QStringLiteral(
        "QMessageBox { background-color: white; color: black; }"
        "QMessageBox QLabel { color: black; }"
        "QMessageBox QPushButton { background-color: #2980ff; color: white; border: none;"
        "  border-radius: 4px; padding: 6px 12px; min-width: 60px; }"
        "QMessageBox QPushButton:hover { background-color: #3a8bff; }"));
    box.exec();
}

void LoginNew::onLoginClicked()
{
    if (isLoggingIn)
        return;
    const QString user = usernameEdit->text().trimmed();
    const QString password = passwordEdit->text().trimmed();
    if (user.isEmpty()) {
        qCDebug(lcApp) << "请输入账号";
        showWarning(QStringLiteral("请输入账号"));
        return;
    }
    if (password.isEmpty()) {
        qCDebug(lcApp) << "请输入密码";
        showWarning(QStringLiteral("请输入密码"));
        return;
    }
    // The file is written only after a successful login, so a mistyped
    // password never replaces the remembered one.
    isLoggingIn = true;
    loginButton->setEnabled(false);
    loginButton->setText(QStringLiteral("登录中..."));
    auto *request = new BaseReq(this);
    const QByteArray body = FormBody()
                                .add(QStringLiteral("username"), user)
                                .add(QStringLiteral("password"), password)
                                .toBytes();
    QPointer<LoginNew> guard(this);
    request->getResultData(QStringLiteral("&m=public&a=dologin"), body,
                           [guard, request](bool ok, const QJsonDocument &document) {
                               if (guard)
                                   guard->handleLoginReply(ok, document, request);
                           });
}

void LoginNew::handleLoginReply(bool ok, const QJsonDocument &document, BaseReq *request)
{
    request->deleteLater();
    const QString problem = LoginReply::problem(ok, document, request->lastFailure());
    if (!problem.isEmpty()) {
        loginButton->setText(QStringLiteral("登录"));
        loginButton->setStyleSheet(QString());
        loginButton->setEnabled(true);
        isLoggingIn = false;
        showWarning(problem);
        return;
    }
    QJsonObject obj = document.object();
    obj.remove(QStringLiteral("code"));

    loginButton->setText(QStringLiteral("✓ 登录成功"));
    loginButton->setStyleSheet(QStringLiteral("background: #27ae60 !important; font-size: ") + K::s(13)
                               + QStringLiteral("px;"));

    K::saveLoginData(obj);
    Config::applyLoginIdentity(obj, true);
    saveLoginInfo();

    QTimer::singleShot(1000, this, [this, obj]() {
        FramelessWindow::fadeOutAndClose(this, 500);

        auto *launcher = new ChooseTools();
        launcher->setAttribute(Qt::WA_DeleteOnClose);
        launcher->loginInfo = obj;
        launcher->show();
    });
}

void LoginNew::mousePressEvent(QMouseEvent *event)
{
    FramelessWindow::startDrag(this, event, dragPosition, isDragging);
}

void LoginNew::mouseMoveEvent(QMouseEvent *event)
{
    FramelessWindow::continueDrag(this, event, dragPosition, isDragging);
}

void LoginNew::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillRect(rect(), Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    FramelessWindow::paintDarkCard(this, painter);
    painter.end();
    QWidget::paintEvent(event);
}

void LoginNew::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const Qt::WindowStates oldState = static_cast<QWindowStateChangeEvent *>(event)->oldState();
    qCDebug(lcApp) << "窗口状态变化: 从" << oldState << "到" << windowState();
    if ((oldState & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
        qCDebug(lcApp) << "从最小化恢复";
}
