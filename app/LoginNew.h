#pragma once

#include <QPoint>
#include <QWidget>

class BaseReq;
class CustomCheckBoxNew;
class QJsonDocument;
class QLabel;
class QLineEdit;
class QPropertyAnimation;
class QPushButton;

// The login window: a frameless card with account, password, "记住密码" and
// the login button; a successful login opens the tool launcher.
class LoginNew : public QWidget
{
    Q_OBJECT

public:
    explicit LoginNew(QWidget *parent = nullptr);
    ~LoginNew() override;

    // "login_config.txt" in the application's configuration folder.
    static QString getConfigFilePath();

    static QString encryptPassword(const QString &password);
    static QString decryptPassword(const QString &text);

    void startWindowAnimation();
    void restoreWindowAttributes();

private slots:
    void onLoginClicked();
    void onCloseClicked();
    void onMinimizeClicked();
    void onInputFocused();
    void onInputUnfocused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setupUI();
    void setupStyles();
    void setupAnimations();
    void createInputField(QLineEdit *&field, const QString &placeholder, bool isPassword);
    void addFocusAnimation(QLineEdit *field);
    void saveLoginInfo();
    void loadLoginInfo();
    void showWarning(const QString &message);
    void handleLoginReply(bool ok, const QJsonDocument &document, BaseReq *request);

    QLineEdit *usernameEdit = nullptr;
    QLineEdit *passwordEdit = nullptr;
    QPushButton *loginButton = nullptr;
    QPushButton *closeButton = nullptr;
    QPushButton *minimizeButton = nullptr;
    QLabel *logoLabel = nullptr;
    QLabel *versionLabel = nullptr;
    CustomCheckBoxNew *rememberPasswordBox = nullptr;
    QPoint dragPosition;
    bool isDragging = false;
    QPropertyAnimation *windowAnimation = nullptr;
    bool isLoggingIn = false;
};
