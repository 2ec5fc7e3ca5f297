#pragma once

#include <QPoint>
#include <QWidget>

namespace Ui {
class Login;
}

class BaseReq;
class CustomCheckBox;
class QJsonDocument;
class QLabel;
class QLineEdit;
class QPropertyAnimation;
class QPushButton;

// The earlier, light login window; a successful login opens the photo
// transfer tool directly. Its credentials file lies next to the program.
class Login : public QWidget
{
    Q_OBJECT

public:
    explicit Login(QWidget *parent = nullptr);
    ~Login() override;

    // "login_config.txt" in the program's own folder.
    static QString getConfigFilePath();
    static QString encryptPassword(const QString &password);
    static QString decryptPassword(const QString &text);

    void startWindowAnimation();

private slots:
    void onLoginClicked();
    void onCloseClicked();
    void onInputFocused();
    void onInputUnfocused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setupUI();
    void setupStyles();
    void setupAnimations();
    void createInputField(QLineEdit *&field, const QString &placeholder, bool isPassword);
    void addFocusAnimation(QLineEdit *field);
    void saveLoginInfo();
    void loadLoginInfo();
    void restoreLoginButton();
    void handleLoginReply(bool ok, const QJsonDocument &document, BaseReq *request);
    void fadeInLater(QWidget *widget, int delayMs, int durationMs);

    Ui::Login *ui;
    QLineEdit *usernameEdit = nullptr;
    QLineEdit *passwordEdit = nullptr;
    QPushButton *loginButton = nullptr;
    QPushButton *closeButton = nullptr;
    QLabel *logoLabel = nullptr;
    CustomCheckBox *rememberPasswordBox = nullptr;
    QPoint dragPosition;
    bool isDragging = false;
    QPropertyAnimation *windowAnimation = nullptr;
};
