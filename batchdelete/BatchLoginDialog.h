#pragma once

#include <QDialog>
#include <QLineEdit>
#include <functional>

class QLabel;
class QPushButton;

// Line edit drawn as a rounded field that glows while it has focus.
class GlassLineEdit : public QLineEdit
{
public:
    explicit GlassLineEdit(QWidget *parent = nullptr);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool focused = false;
};

// 16 x 16 user (0) or lock (1) pictogram inside a field.
class GlassIconWidget : public QWidget
{
public:
    GlassIconWidget(int iconType, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int iconType = 0;
};

// Asks for the password of the remembered account once more and checks it
// with the service before a batch deletion.
class BatchLoginDialog : public QDialog
{
    Q_OBJECT

public:
    using Callback = std::function<void(bool, const QString &, const QString &)>;

    explicit BatchLoginDialog(QWidget *parent = nullptr);

    static BatchLoginDialog *show(QWidget *parent, Callback callback);
    // "login_config.txt" in the application configuration folder.
    static QString credentialsPath();

    void setCallback(Callback callback) { m_callback = std::move(callback); }
    QString getUsername() const;
    QString getPassword() const;

public slots:
    void handleOk();
    void handleCancel();
    void onInputChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void initUI();
    static void setPlaceholderColour(QLineEdit *edit);
    void loadLoginInfo();

    QLabel *titleLabel = nullptr;
    GlassLineEdit *accountEdit = nullptr;
    GlassLineEdit *passwordEdit = nullptr;
    QPushButton *okButton = nullptr;
    QPushButton *cancelButton = nullptr;
    Callback m_callback;
    bool m_answered = false;
    bool m_verifying = false;
};
