#include "app/core/Config.h"
#include "batchdelete/BatchLoginDialog.h"
#include "support/BatchDeleteStudioData.h"
#include "support/LoginDialogWatcher.h"
#include "support/StandInService.h"
#include "widgets/ToastWidget.h"

#include <QFile>
#include <QFocusEvent>
#include <QPainter>
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
    void brokenReplyKeepsDialogOpen();
    void cancelAnswersFalse();
    void centredOnItsParent_data();
    void centredOnItsParent();
    void drawnAsCardWithGlassFields_data();
    void drawnAsCardWithGlassFields();

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
        if (request.field(QStringLiteral("password")) == QLatin1String("broken"))
            return QJsonObject{{"code", 1}, {"message", QStringLiteral("成功")}};
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

// A reply whose code is a number reads "成功": it is a broken reply, no pass and no reason.
void tst_BatchLoginDialog::brokenReplyKeepsDialogOpen()
{
    LoginDialogWatcher boxes;
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    typePassword(dialog, QStringLiteral("broken"));
    dialog->handleOk();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.seen().size(), 1, 10000);
    QCOMPARE(boxes.seen().first().text, QStringLiteral("服务器返回数据格式错误"));
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(answer.calls, 0);
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

void tst_BatchLoginDialog::centredOnItsParent_data()
{
    QTest::addColumn<bool>("panel"); // the parent a panel inside the window, off its corner
    QTest::newRow("window") << false;
    QTest::newRow("panel") << true;
}

void tst_BatchLoginDialog::centredOnItsParent()
{
    QFETCH(bool, panel);
    QWidget window;
    window.setGeometry(120, 90, 900, 640);
    QWidget *parent = &window;
    if (panel) {
        parent = new QWidget(&window);
        parent->setGeometry(300, 200, 560, 400);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QPointer<BatchLoginDialog> dialog = BatchLoginDialog::show(parent, [](bool, const QString &, const QString &) {});
    const QPoint centre = QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size()).center();
    QCOMPARE(dialog->pos(), centre - QPoint(dialog->width() / 2, dialog->height() / 2));
    dialog->handleCancel();
    QTRY_VERIFY(!dialog);
}

namespace {
const int kZoom = 4;

// The dialog drawn four times over, so thin strokes cover whole pixels.
QImage zoomed(QWidget *dialog)
{
    QImage image(dialog->size() * kZoom, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(kZoom, kZoom);
    dialog->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

QColor sample(const QImage &image, QWidget *dialog, QWidget *widget, const QPointF &at)
{
    const QPointF point = (QPointF(widget->mapTo(dialog, QPoint(0, 0))) + at) * kZoom;
    return image.pixelColor(int(point.x()), int(point.y()));
}

// Source-over onto a possibly translucent pixel, as the dialog's painter composes.
QColor over(const QColor &below, const QColor &paint)
{
    const double a = paint.alphaF();
    const double under = below.alphaF() * (1 - a);
    const double alpha = a + under;
    const auto mix = [&](double top, double bottom) { return (top * a + bottom * under) / alpha; };
    return QColor::fromRgbF(mix(paint.redF(), below.redF()), mix(paint.greenF(), below.greenF()),
                            mix(paint.blueF(), below.blueF()), alpha);
}

bool near(const QColor &actual, const QColor &expected, int tolerance)
{
    return qAbs(actual.red() - expected.red()) <= tolerance && qAbs(actual.green() - expected.green()) <= tolerance
           && qAbs(actual.blue() - expected.blue()) <= tolerance;
}
} // namespace

void tst_BatchLoginDialog::drawnAsCardWithGlassFields_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<QColor>("expected"); // invalid: three glow strokes over the card beside the field
    QTest::addColumn<int>("tolerance");
    const QColor card(250, 250, 252);
    QTest::newRow("card fill") << "dialog" << QPointF(16, 110) << card << 4;
    QTest::newRow("idle field fill") << "accountEdit" << QPointF(150, 20) << over(card, QColor(255, 255, 255, 200)) << 2;
    QTest::newRow("idle field outline") << "accountEdit" << QPointF(112, 1) << QColor(200, 200, 205) << 2;
    QTest::newRow("focused field fill") << "passwordEdit" << QPointF(150, 20) << QColor(255, 255, 255) << 2;
    QTest::newRow("focused field outline") << "passwordEdit" << QPointF(112, 1) << QColor(0, 122, 255) << 2;
    QTest::newRow("glow outside the outline") << "passwordEdit" << QPointF(112, 0.1) << QColor() << 2;
    QTest::newRow("filled lock body") << "lockIcon" << QPointF(8, 13) << QColor(142, 142, 147) << 3;
    QTest::newRow("lock body left edge") << "lockIcon" << QPointF(4.3, 12) << QColor(142, 142, 147) << 3;
    QTest::newRow("beside the lock body") << "lockIcon" << QPointF(2.5, 13) << QColor(255, 255, 255) << 2;
    QTest::newRow("head ring") << "userIcon" << QPointF(8, 3) << QColor(142, 142, 147) << 3;
    QTest::newRow("inside the head") << "userIcon" << QPointF(8, 6) << over(card, QColor(255, 255, 255, 200)) << 3;
}

void tst_BatchLoginDialog::drawnAsCardWithGlassFields()
{
    QFETCH(QString, widget);
    QFETCH(QPointF, at);
    QFETCH(QColor, expected);
    QFETCH(int, tolerance);
    QVERIFY(QFile::remove(BatchLoginDialog::credentialsPath())); // an empty account: nothing drawn over its field
    Answer answer;
    QPointer<BatchLoginDialog> dialog = open(&answer);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    auto *account = dialog->findChild<QLineEdit *>(QStringLiteral("accountEdit"));
    auto *password = dialog->findChild<QLineEdit *>(QStringLiteral("passwordEdit"));
    QFocusEvent focusIn(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(password, &focusIn);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(account, &focusOut);

    QWidget *target = widget == QLatin1String("dialog") ? dialog.data() : dialog->findChild<QWidget *>(widget);
    QVERIFY(target);
    const QImage image = zoomed(dialog);
    const QColor actual = sample(image, dialog, target, at);
    if (!expected.isValid()) {
        // Beside the field at the same height lies plain card.
        const QColor card = sample(image, dialog, target, QPointF(-12, at.y()));
        expected = over(over(over(card, QColor(0, 122, 255, 20)), QColor(0, 122, 255, 40)), QColor(0, 122, 255, 60));
    }
    QVERIFY2(near(actual, expected, tolerance), qPrintable(actual.name() + QStringLiteral(" not ") + expected.name()));
    dialog->handleCancel();
}

QTEST_MAIN(tst_BatchLoginDialog)
#include "tst_BatchLoginDialog.moc"
