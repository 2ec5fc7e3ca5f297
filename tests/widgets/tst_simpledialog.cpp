#include "widgets/SimpleDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

namespace {

SimpleDialog *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *dialog = qobject_cast<SimpleDialog *>(w); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

QPushButton *button(SimpleDialog *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class TestSimpleDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void informingDialogs_data();
    void informingDialogs();
    void confirmAnswers_data();
    void confirmAnswers();
    void escapeRejectsWithoutCallback();
    void plainTextIsEscaped();
    void htmlIsInterpreted();
    void viewHeightFollowsMessage();
    void centredOnParent_data();
    void centredOnParent();
    void buttonTextsAreReadable();
    void plainMessageLooksAsItsHtml_data();
    void plainMessageLooksAsItsHtml();
    void longListOpensAtTheTop();
    void longListKeepsButtonsOnScreen_data();
    void longListKeepsButtonsOnScreen();
};

void TestSimpleDialog::cleanup()
{
    while (SimpleDialog *dialog = openDialog())
        delete dialog;
}

void TestSimpleDialog::informingDialogs_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("colour");
    QTest::newRow("info") << 0 << "i" << "#3b82f6";
    QTest::newRow("warning") << 1 << "!" << "#f59e0b";
    QTest::newRow("error") << 2 << QString(QChar(0x00d7)) << "#ef4444";
}

void TestSimpleDialog::informingDialogs()
{
    QFETCH(int, type);
    QFETCH(QString, icon);
    QFETCH(QString, colour);

    QWidget parent;
    parent.resize(800, 600);
    parent.show();
    const QString title = QStringLiteral("温馨提示");
    if (type == 0)
        SimpleDialog::info(&parent, title, QStringLiteral("已保存"), false);
    else if (type == 1)
        SimpleDialog::warning(&parent, title, QStringLiteral("已保存"), false);
    else
        SimpleDialog::error(&parent, title, QStringLiteral("已保存"), false);

    QPointer<SimpleDialog> dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog->findChild<QLabel *>("titleLabel")->text(), title);
    auto *iconLabel = dialog->findChild<QLabel *>("iconLabel");
    QCOMPARE(iconLabel->text(), icon);
    QVERIFY(iconLabel->styleSheet().contains(QStringLiteral("color: ") + colour));
    QVERIFY(button(dialog, "confirmButton")->isVisible());
    QVERIFY(!button(dialog, "cancelButton")->isVisible());

    QTest::mouseClick(button(dialog, "confirmButton"), Qt::LeftButton);
    QTRY_VERIFY(dialog.isNull());
}

void TestSimpleDialog::confirmAnswers_data()
{
    QTest::addColumn<QString>("press");
    QTest::addColumn<bool>("answer");
    QTest::newRow("确定") << "confirmButton" << true;
    QTest::newRow("取消") << "cancelButton" << false;
}

void TestSimpleDialog::confirmAnswers()
{
    QFETCH(QString, press);
    QFETCH(bool, answer);

    QList<bool> answers;
    bool openDuringCallback = false;
    QPointer<SimpleDialog> dialog;
    SimpleDialog::confirm(nullptr, QStringLiteral("确认删除"), QStringLiteral("删除选中的 3 张照片？"),
                          [&](bool ok) {
                              answers << ok;
                              openDuringCallback = dialog && dialog->isVisible();
                          },
                          false);
    dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->dialogType(), SimpleDialog::Confirm);
    QPushButton *cancel = button(dialog, "cancelButton");
    QPushButton *ok = button(dialog, "confirmButton");
    QVERIFY(cancel->isVisible());
    QVERIFY(cancel->x() < ok->x());

    QTest::mouseClick(button(dialog, press.toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(answers, QList<bool>{answer});
    QVERIFY(openDuringCallback);
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(answers.size(), 1);
}

void TestSimpleDialog::escapeRejectsWithoutCallback()
{
    int calls = 0;
    SimpleDialog::confirm(nullptr, QStringLiteral("确认"), QStringLiteral("继续？"),
                          [&](bool) { ++calls; }, false);
    QPointer<SimpleDialog> dialog = openDialog();
    QVERIFY(dialog);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(calls, 0);
}

void TestSimpleDialog::plainTextIsEscaped()
{
    SimpleDialog::info(nullptr, QString(), QStringLiteral("文件 <a&b>.jpg\n无法读取"), false);
    SimpleDialog *dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->findChild<QLabel *>("titleLabel")->text().isEmpty());
    const QString shown = dialog->findChild<QTextBrowser *>("messageView")->toPlainText();
    QVERIFY2(shown.contains(QStringLiteral("<a&b>.jpg")), qPrintable(shown));
    const QStringList lines = shown.split(QRegularExpression(QStringLiteral("[\\n\\x{2028}]")));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.last(), QStringLiteral("无法读取"));
}

void TestSimpleDialog::htmlIsInterpreted()
{
    SimpleDialog::info(nullptr, QStringLiteral("结果"), QStringLiteral("成功 <b>12</b> 张"), true);
    SimpleDialog *dialog = openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QTextBrowser *>("messageView")->toPlainText(), QStringLiteral("成功 12 张"));
}

void TestSimpleDialog::viewHeightFollowsMessage()
{
    const int available = QGuiApplication::primaryScreen()->availableGeometry().height() / 2;
    const int viewMax = qMax(available - 200, 80);

    // One line: the message area is as tall as its text, the card has no empty band.
    SimpleDialog::info(nullptr, QStringLiteral("短"), QStringLiteral("一行"), false);
    SimpleDialog *shortDialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(shortDialog));
    auto *view = shortDialog->findChild<QTextBrowser *>("messageView");
    QVERIFY2(view->height() >= 22 && view->height() <= 40, qPrintable(QString::number(view->height())));
    const QImage card = shortDialog->grab().toImage();
    const int from = shortDialog->findChild<QLabel *>("titleLabel")->mapTo(shortDialog, QPoint(0, 0)).y();
    const int to = button(shortDialog, "confirmButton")->mapTo(shortDialog, QPoint(0, 0)).y();
    int blank = 0, longestBlank = 0;
    for (int y = from; y < to; ++y) {
        bool ink = false;
        for (int x = 40; x < card.width() - 40 && !ink; ++x)
            ink = qGray(card.pixel(x, y)) < 200;
        blank = ink ? 0 : blank + 1;
        longestBlank = qMax(longestBlank, blank);
    }
    QVERIFY2(longestBlank < 40, qPrintable(QString::number(longestBlank)));
    QCOMPARE(shortDialog->maximumHeight(), available);
    delete shortDialog;

    QStringList many;
    for (int i = 0; i < 200; ++i)
        many << QStringLiteral("订单 %1 导入失败").arg(i);
    SimpleDialog::error(nullptr, QStringLiteral("长"), many.join('\n'), false);
    SimpleDialog *longDialog = openDialog();
    view = longDialog->findChild<QTextBrowser *>("messageView");
    QCOMPARE(view->height(), viewMax);
    QVERIFY(longDialog->height() <= available);
}

void TestSimpleDialog::centredOnParent_data()
{
    QTest::addColumn<int>("depth"); // how far below the window the parent lies
    QTest::newRow("window") << 0;
    QTest::newRow("panel inside a window") << 1;
    QTest::newRow("panel two levels down") << 2;
}

void TestSimpleDialog::centredOnParent()
{
    QFETCH(int, depth);
    QWidget window;
    window.setGeometry(100, 80, 700, 500);
    // Panels off their own parent's corner: a card taking their place inside
    // the parent for a screen position opens far from them.
    QWidget *parent = &window;
    for (int level = 0; level < depth; ++level) {
        auto *panel = new QWidget(parent);
        panel->setGeometry(150 - 40 * level, 120 - 30 * level, 500 - 150 * level, 360 - 100 * level);
        parent = panel;
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SimpleDialog::info(parent, QStringLiteral("温馨提示"), QStringLiteral("完成"), false);
    SimpleDialog *dialog = openDialog();
    const QRect g(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    if (depth == 0)
        QCOMPARE(g, window.geometry());
    const QPoint centre((g.left() + g.right()) / 2, (g.top() + g.bottom()) / 2);
    QCOMPARE(dialog->pos(), centre - QPoint((dialog->width() - 1) / 2, (dialog->height() - 1) / 2));
    QVERIFY(dialog->width() >= 320 && dialog->width() <= 450);
}

void TestSimpleDialog::buttonTextsAreReadable()
{
    SimpleDialog::confirm(nullptr, QStringLiteral("确认"), QStringLiteral("继续？"), {}, false);
    SimpleDialog *dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    for (const char *name : {"confirmButton", "cancelButton"}) {
        const QImage face = button(dialog, name)->grab().toImage();
        const QRgb body = face.pixel(3, face.height() / 2);
        // Rows the text leaves ink in: a readable label is at least 10 px tall.
        int inkRows = 0;
        for (int y = 2; y < face.height() - 2; ++y) {
            for (int x = 6; x < face.width() - 6; ++x) {
                if (qAbs(qGray(face.pixel(x, y)) - qGray(body)) > 60) {
                    ++inkRows;
                    break;
                }
            }
        }
        QVERIFY2(inkRows >= 10, qPrintable(QStringLiteral("%1: %2").arg(name).arg(inkRows)));
    }
    // An empty callback is simply not called.
    QPointer<SimpleDialog> guard = dialog;
    QTest::mouseClick(button(dialog, "cancelButton"), Qt::LeftButton);
    QTRY_VERIFY(guard.isNull());
}

void TestSimpleDialog::plainMessageLooksAsItsHtml_data()
{
    QTest::addColumn<QString>("message");
    QTest::newRow("two lines") << QStringLiteral("文件 <a&b>.jpg\n无法读取");
    QTest::newRow("empty line between") << QStringLiteral("以下文件已存在：\n\nIMG_1.jpg");
    QTest::newRow("leading and trailing breaks") << QStringLiteral("\n开头\n\n");
    QTest::newRow("wrapping line") << QStringLiteral("很长的照片名称_").repeated(30) + QStringLiteral("\n短");
    QTest::newRow("percent signs") << QStringLiteral("%1 %2 100%\n%3");
    QTest::newRow("windows line ends") << QStringLiteral("服务器返回：\r\n订单不存在\r\n");
}

// A plain message is shown exactly as its escaped, "<br>"-separated HTML would be.
void TestSimpleDialog::plainMessageLooksAsItsHtml()
{
    QFETCH(QString, message);
    SimpleDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto *view = dialog.findChild<QTextBrowser *>("messageView");
    const auto shown = [&] {
        view->setFixedHeight(300);
        QApplication::processEvents();
        return qMakePair(view->viewport()->grab().toImage(), view->toPlainText());
    };
    dialog.setDialogMessage(message, false);
    const auto plain = shown();
    dialog.setDialogMessage(message.toHtmlEscaped().replace("\n", "<br>"), true);
    const auto html = shown();
    QVERIFY(plain.first == html.first);
    // HTML turned a "\r" before a break into a space nobody sees.
    QCOMPARE(plain.second, QString(html.second)
                               .replace(QChar::LineSeparator, QLatin1Char(10))
                               .replace(QRegularExpression(QStringLiteral(" (\n|$)")), QStringLiteral("\\1")));
}

void TestSimpleDialog::longListOpensAtTheTop()
{
    QStringList names;
    for (int i = 0; i < 3000; ++i)
        names << QStringLiteral("IMG_%1.jpg").arg(i);
    SimpleDialog::confirm(nullptr, QStringLiteral("温馨提示"),
                          QStringLiteral("以下文件已存在：\n") + names.join('\n'), [](bool) {});
    SimpleDialog *dialog = openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    auto *view = dialog->findChild<QTextBrowser *>("messageView");
    QCOMPARE(view->verticalScrollBar()->value(), 0);
    QCOMPARE(view->textCursor().position(), 0);
    // Every name can be scrolled to.
    QTRY_VERIFY(view->verticalScrollBar()->maximum() > 3000 * 20 - view->height());
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    QCOMPARE(view->cursorForPosition(QPoint(10, view->viewport()->height() - 12)).block().text(),
             QStringLiteral("IMG_2999.jpg"));
}

void TestSimpleDialog::longListKeepsButtonsOnScreen_data()
{
    QTest::addColumn<int>("names");
    QTest::addColumn<QRect>("parent"); // relative to the screen's available area; empty: none
    QTest::newRow("60 names, no parent") << 60 << QRect();
    QTest::newRow("60 names, parent over the screen") << 60 << QRect(0, 0, 1, 1);
    QTest::newRow("60 names, parent reaching below the screen") << 60 << QRect(0, 300, 1, 1000);
    QTest::newRow("60 names, parent taller than the screen") << 60 << QRect(-50, -400, 1, 2400);
    QTest::newRow("3000 names, parent left of the screen") << 3000 << QRect(-900, 0, 1000, 1);
}

// A list longer than the screen scrolls inside the card; both buttons stay on the screen.
void TestSimpleDialog::longListKeepsButtonsOnScreen()
{
    QFETCH(int, names);
    QFETCH(QRect, parent);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QStringList list;
    for (int i = 0; i < names; ++i)
        list << QStringLiteral("DSC_%1.ARW").arg(i, 5, 10, QLatin1Char('0'));
    QScopedPointer<QWidget> owner;
    if (!parent.isEmpty()) {
        // Width or height 1 stands for the screen's own.
        owner.reset(new QWidget);
        owner->setGeometry(screen.x() + parent.x(), screen.y() + parent.y(),
                           parent.width() == 1 ? screen.width() : parent.width(),
                           parent.height() == 1 ? screen.height() : parent.height());
        owner->show();
    }
    SimpleDialog::confirm(owner.data(), QStringLiteral("温馨提示"),
                          QStringLiteral("以下文件已存在，替换后无法恢复：\n") + list.join('\n'), [](bool) {});
    SimpleDialog *dialog = openDialog();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY2(screen.contains(dialog->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                 .arg(dialog->x()).arg(dialog->y())
                                                                 .arg(dialog->width()).arg(dialog->height())));
    for (const char *name : {"confirmButton", "cancelButton"}) {
        QPushButton *b = button(dialog, name);
        QVERIFY(b->isVisible());
        QVERIFY(screen.contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size())));
    }
    auto *view = dialog->findChild<QTextBrowser *>("messageView");
    QTRY_VERIFY(view->verticalScrollBar()->maximum() > 0);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    QCOMPARE(view->cursorForPosition(QPoint(10, view->viewport()->height() - 12)).block().text(), list.last());
}

QTEST_MAIN(TestSimpleDialog)
#include "tst_simpledialog.moc"
