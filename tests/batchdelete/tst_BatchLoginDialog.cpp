#include "app/core/Config.h"
#include "batchdelete/BatchLoginDialog.h"
#include "support/BatchDeleteStudioData.h"
#include "support/LoginDialogWatcher.h"
#include "support/StandInService.h"
#include "widgets/ToastWidget.h"

#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace BatchDeleteStudioData;

class tst_BatchLoginDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void accountFromRememberedCredentials();
    void noCredentialsFileLeavesAccountEmpty();
    void wrongPasswordKeepsDialogOpenRightOnePasses();
    void failedRequestToastsAndStaysOpen();
    void cancelAnswersFalse();

private:
    struct Answer
    {
        int calls = 0;
        bool ok = false;
        QString user;
        QString password;
    };
    BatchLoginDialog *open(Answer *answer);
    void typePassword(BatchLoginDialog *dialog, const QString &password);

    StandInService m_service;
};

void tst_BatchLoginDialog::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("studiotools"));
    QVERIFY(m_service.start());
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_service.setHandler(QStringLiteral("public"), QStringLiteral("dologin"), [](const StandInService::Request &request) {
        if (request.field(QStringLiteral("username")) == kAccount && request.field(QStringLiteral("password")) == kPassword)
            return accepted();
        return refused(QStringLiteral("密码错误"));
    });
}

void tst_BatchLoginDialog::init()
{
    m_service.clearRequests();
    QVERIFY(writeCredentials(kAccount));
}

BatchLoginDialog *tst_BatchLoginDialog::open(Answer *answer)
{
    return BatchLoginDialog::show(nullptr, [answer](bool ok, const QString &user, const QString &password) {
        ++answer->calls;
        answer->ok = ok;
        answer->user = user;
        answer->password = password;
    });
}

void tst_BatchLoginDialog::typePassword(BatchLoginDialog *dialog, const QString &password)
{
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
    QVERIFY(edit);
    edit->setText(password);
}

void tst_BatchLoginDialog::accountFromRememberedCredentials()
{
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    auto *account = dialog->findChild<QLineEdit *>(QStringLiteral("accountEdit"));
    auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
    auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton"));
    QCOMPARE(account->text(), kAccount);
    QVERIFY(!account->isEnabled());
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QVERIFY(!ok->isEnabled());
    password->setText(QStringLiteral(" "));
    QVERIFY(ok->isEnabled()); // the password is taken as typed, blanks included
    password->clear();
    QVERIFY(!ok->isEnabled());
    dialog->handleCancel();
}

void tst_BatchLoginDialog::noCredentialsFileLeavesAccountEmpty()
{
    QVERIFY(QFile::remove(BatchLoginDialog::credentialsPath()));
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    typePassword(dialog, kPassword);
    QVERIFY(dialog->getUsername().isEmpty());
    QVERIFY(!dialog->findChild<QPushButton *>(QStringLiteral("okButton"))->isEnabled());
    QTest::keyClick(dialog, Qt::Key_Return);
    QCOMPARE(m_service.requests().size(), 0);
    dialog->handleCancel();
}

void tst_BatchLoginDialog::wrongPasswordKeepsDialogOpenRightOnePasses()
{
    LoginDialogWatcher boxes;
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    typePassword(dialog, QStringLiteral("wrong"));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), 1, 10000);
    QCOMPARE(boxes.seen().first().title, QStringLiteral("温馨提示"));
    QCOMPARE(boxes.seen().first().text, QStringLiteral("密码错误"));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(answer.calls, 0);

    // The user may try again in the same dialog.
    typePassword(dialog, kPassword);
    QTest::keyClick(dialog, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(answer.calls, 1, 10000);
    QVERIFY(answer.ok);
    QCOMPARE(answer.user, kAccount);
    QCOMPARE(answer.password, kPassword);
    QTRY_VERIFY(!dialog);
    const QList<StandInService::Request> logins = m_service.requests(QStringLiteral("public"), QStringLiteral("dologin"));
    QCOMPARE(logins.size(), 2);
    QCOMPARE(logins.last().field(QStringLiteral("username")), kAccount);
    QCOMPARE(logins.last().field(QStringLiteral("password")), kPassword);
}

void tst_BatchLoginDialog::failedRequestToastsAndStaysOpen()
{
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::NotJson);
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    typePassword(dialog, kPassword);
    dialog->handleOk();
    QTRY_VERIFY_WITH_TIMEOUT(dialog->findChild<ToastWidget *>(), 10000);
    const QList<QLabel *> labels = dialog->findChild<ToastWidget *>()->findChildren<QLabel *>();
    QStringList texts;
    for (QLabel *label : labels)
        texts << label->text();
    QVERIFY2(texts.contains(QStringLiteral("验证失败!")), qPrintable(texts.join('|')));
    QVERIFY(dialog->isVisible());
    QCOMPARE(answer.calls, 0);
    m_service.setFailure(QStringLiteral("public"), QStringLiteral("dologin"), StandInService::Failure::None);
    dialog->handleCancel();
}

void tst_BatchLoginDialog::cancelAnswersFalse()
{
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    typePassword(dialog, kPassword);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QCOMPARE(answer.calls, 1);
    QVERIFY(!answer.ok);
    QVERIFY(answer.user.isEmpty() && answer.password.isEmpty());
    QTRY_VERIFY(!dialog);
    QCOMPARE(m_service.requests().size(), 0);
}

QTEST_MAIN(tst_BatchLoginDialog)
#include "tst_BatchLoginDialog.moc"
