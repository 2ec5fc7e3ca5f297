#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTextBrowser;

// Frameless message and confirm card. The static functions return at once;
// a confirmation's answer arrives through the callback.
class SimpleDialog : public QDialog
{
    Q_OBJECT

public:
    enum DialogType : qint32 {
        Info = 0,
        Warning = 1,
        Error = 2,
        Confirm = 3
    };

    explicit SimpleDialog(QWidget *parent = nullptr);

    void setDialogType(DialogType type);
    void setDialogTitle(const QString &title);
    void setDialogMessage(const QString &message, bool isHtml = false);
    void setDialogCallback(std::function<void(bool)> callback);

    using QDialog::show;
    static void show(QWidget *parent, const QString &title, const QString &message,
                     DialogType type, std::function<void(bool)> callback, bool isHtml = false);
    static void info(QWidget *parent, const QString &title, const QString &message,
                     bool isHtml = false);
    static void warning(QWidget *parent, const QString &title, const QString &message,
                        bool isHtml = false);
    static void error(QWidget *parent, const QString &title, const QString &message,
                      bool isHtml = false);
    static void confirm(QWidget *parent, const QString &title, const QString &message,
                        std::function<void(bool)> callback, bool isHtml = false);

    DialogType dialogType() const { return m_type; }
    // The message's HTML around an already escaped or HTML body.
    static QString messageHtml(const QString &body);

public slots:
    void handleOk();
    void handleCancel();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void initUI();
    void setPlainMessage(const QString &message);

    QLabel *m_iconLabel = nullptr;
    QLabel *m_titleLabel = nullptr;
    QTextBrowser *m_messageView = nullptr;
    QPushButton *m_confirmButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    DialogType m_type = Info;
    // Lines of a plain message: each is at least one line height tall, which
    // tells a long text's height without laying it all out.
    int m_plainLines = 0;
    std::function<void(bool)> m_callback;
};
