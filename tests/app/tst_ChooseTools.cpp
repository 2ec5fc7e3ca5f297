#include "app/ChooseTools.h"
#include "app/ToolCardWidget.h"
#include "batchdelete/BatchDelete.h"
#include "importfiles/ImportFiles.h"
#include "split/ui/FJHome.h"
#include "transfer/ui/tfhome.h"

#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

class tst_ChooseTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cardsInGridOrder();
    void cardIconsAreDrawn();
    void doubleClickOpensToolWindow_data();
    void doubleClickOpensToolWindow();
    void secondDoubleClickRaisesSameWindow();
    void closingOneWindowEmptiesOnlyItsSlot();
    void importToolsAndSplitToolsHaveSeparateWindows();
    void unknownNameOrForeignSenderOpensNothing();
    void cardClicksEmitInOrder();
    void closingLauncherKeepsToolWindows();
    void onlyFirstLauncherIsCentred();

private:
    ToolCardWidget *card(const QString &name) const;
    QList<QWidget *> openToolWindows() const;

    QPointer<ChooseTools> m_launcher;
    QJsonObject m_login;
};

void tst_ChooseTools::init()
{
    m_login = QJsonObject{{QStringLiteral("UID"), QStringLiteral("u-1")},
                          {QStringLiteral("EID"), QStringLiteral("e-7")}};
    m_launcher = new ChooseTools();
    m_launcher->setAttribute(Qt::WA_DeleteOnClose);
    m_launcher->loginInfo = m_login;
    m_launcher->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_launcher));
}

void tst_ChooseTools::cleanup()
{
    for (QWidget *window : openToolWindows())
        delete window;
    delete m_launcher;
}

ToolCardWidget *tst_ChooseTools::card(const QString &name) const
{
    for (ToolCardWidget *candidate : m_launcher->findChildren<ToolCardWidget *>()) {
        if (candidate->toolName() == name)
            return candidate;
    }
    return nullptr;
}

QList<QWidget *> tst_ChooseTools::openToolWindows() const
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<tfhome *>(widget) || qobject_cast<FJHome *>(widget)
            || qobject_cast<ImportFiles *>(widget) || qobject_cast<BatchDelete *>(widget))
            windows << widget;
    }
    return windows;
}

void tst_ChooseTools::cardsInGridOrder()
{
    const QStringList expected = {
        QStringLiteral("导入原片"), QStringLiteral("下载原始档"), QStringLiteral("导片工具"),
        QStringLiteral("下载选片结果"), QStringLiteral("导入精修片"), QStringLiteral("设计分件"),
        QStringLiteral("下载照片交付"), QStringLiteral("批量删除")};
    const QList<ToolCardWidget *> cards = m_launcher->findChildren<ToolCardWidget *>();
    QCOMPARE(cards.size(), expected.size());
    auto *grid = m_launcher->findChild<QWidget *>(QStringLiteral("toolsContainer"))->findChild<QGridLayout *>();
    QVERIFY(grid);
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(cards.at(i)->toolName(), expected.at(i));
        int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(cards.at(i)), &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(row, i / 3);
        QCOMPARE(column, i % 3);
    }
}

void tst_ChooseTools::cardIconsAreDrawn()
{
    for (ToolCardWidget *toolCard : m_launcher->findChildren<ToolCardWidget *>()) {
        auto *label = toolCard->findChild<QLabel *>();
        QVERIFY(label);
        const QImage image = label->pixmap(Qt::ReturnByValue).toImage();
        QVERIFY2(!image.isNull(), qPrintable(toolCard->toolName()));
        // A missing resource leaves the transparent fill only.
        QVERIFY2(qAlpha(image.pixel(image.width() / 2, image.height() / 2)) > 0,
                 qPrintable(toolCard->toolName()));
    }
}

void tst_ChooseTools::doubleClickOpensToolWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("mode");
    QTest::newRow("导入原片") << QStringLiteral("导入原片") << "ImportFiles" << int(OriginalFiles);
    QTest::newRow("下载原始档") << QStringLiteral("下载原始档") << "FJHome" << int(DownloadOriginals);
    QTest::newRow("导片工具") << QStringLiteral("导片工具") << "tfhome" << -1;
    QTest::newRow("下载选片结果") << QStringLiteral("下载选片结果") << "FJHome" << int(DownloadSelectionResults);
    QTest::newRow("导入精修片") << QStringLiteral("导入精修片") << "ImportFiles" << int(RetouchedFiles);
    QTest::newRow("设计分件") << QStringLiteral("设计分件") << "FJHome" << int(DesignSplit);
    QTest::newRow("下载照片交付") << QStringLiteral("下载照片交付") << "FJHome" << int(DownloadPhotoDelivery);
    QTest::newRow("批量删除") << QStringLiteral("批量删除") << "BatchDelete" << -1;
}

void tst_ChooseTools::doubleClickOpensToolWindow()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(int, mode);

    QTest::mouseDClick(card(name), Qt::LeftButton);
    const QList<QWidget *> windows = openToolWindows();
    QCOMPARE(windows.size(), 1);
    QWidget *window = windows.first();
    QCOMPARE(m_launcher->toolWindow(name), window);
    QCOMPARE(QString::fromLatin1(window->metaObject()->className()), kind);
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(!window->parent());
    QTRY_VERIFY(window->windowState() & Qt::WindowMaximized);

    if (auto *split = qobject_cast<FJHome *>(window)) {
        QCOMPARE(int(split->splitType), mode);
        QCOMPARE(split->windowTitle(), name);
        QCOMPARE(split->loginData, m_login);
    } else if (auto *import = qobject_cast<ImportFiles *>(window)) {
        QCOMPARE(int(import->importType()), mode);
        QCOMPARE(import->windowTitle(), name);
    } else if (auto *transfer = qobject_cast<tfhome *>(window)) {
        QCOMPARE(transfer->loginInfo, m_login);
        QCOMPARE(transfer->windowTitle(), QStringLiteral("导片"));
    } else if (auto *batch = qobject_cast<BatchDelete *>(window)) {
        QCOMPARE(batch->loginInfo, m_login);
    }
}

void tst_ChooseTools::secondDoubleClickRaisesSameWindow()
{
    QTest::mouseDClick(card(QStringLiteral("设计分件")), Qt::LeftButton);
    QPointer<QWidget> first = m_launcher->toolWindow(QStringLiteral("设计分件"));
    QVERIFY(first);
    first->showNormal();
    QTest::mouseDClick(card(QStringLiteral("设计分件")), Qt::LeftButton);
    QCOMPARE(openToolWindows().size(), 1);
    QCOMPARE(m_launcher->toolWindow(QStringLiteral("设计分件")), first.data());
    QTRY_VERIFY(first->windowState() & Qt::WindowMaximized);

    // Closed: the next double click opens a fresh window.
    first->close();
    QTRY_VERIFY(!first);
    QVERIFY(!m_launcher->toolWindow(QStringLiteral("设计分件")));
    QTest::mouseDClick(card(QStringLiteral("设计分件")), Qt::LeftButton);
    QVERIFY(m_launcher->toolWindow(QStringLiteral("设计分件")));
    QCOMPARE(openToolWindows().size(), 1);
}

void tst_ChooseTools::closingOneWindowEmptiesOnlyItsSlot()
{
    QTest::mouseDClick(card(QStringLiteral("导片工具")), Qt::LeftButton);
    QTest::mouseDClick(card(QStringLiteral("批量删除")), Qt::LeftButton);
    QPointer<QWidget> transfer = m_launcher->toolWindow(QStringLiteral("导片工具"));
    QPointer<QWidget> batch = m_launcher->toolWindow(QStringLiteral("批量删除"));
    QVERIFY(transfer && batch && transfer != batch);

    batch->close();
    QTRY_VERIFY(!batch);
    QVERIFY(!m_launcher->toolWindow(QStringLiteral("批量删除")));
    QCOMPARE(m_launcher->toolWindow(QStringLiteral("导片工具")), transfer.data());

    QTest::mouseDClick(card(QStringLiteral("导片工具")), Qt::LeftButton);
    QCOMPARE(openToolWindows().size(), 1);
}

void tst_ChooseTools::importToolsAndSplitToolsHaveSeparateWindows()
{
    const QStringList names = {QStringLiteral("导入原片"), QStringLiteral("导入精修片"), QStringLiteral("设计分件"),
                               QStringLiteral("下载原始档"), QStringLiteral("下载选片结果"),
                               QStringLiteral("下载照片交付")};
    for (const QString &name : names)
        QTest::mouseDClick(card(name), Qt::LeftButton);
    QCOMPARE(openToolWindows().size(), names.size());
    QSet<QWidget *> distinct;
    for (const QString &name : names)
        distinct.insert(m_launcher->toolWindow(name));
    QCOMPARE(distinct.size(), names.size());
}

void tst_ChooseTools::unknownNameOrForeignSenderOpensNothing()
{
    ToolCardWidget stray(QStringLiteral(":/choosetools/image/choosetools/tools_sjfj.svg"), QStringLiteral("设计 分件"),
                         QString());
    connect(&stray, &ToolCardWidget::doubleClicked, m_launcher.data(), &ChooseTools::onToolDoubleClicked);
    QTest::mouseDClick(&stray, Qt::LeftButton);
    QVERIFY(openToolWindows().isEmpty());

    // Called directly (no card as sender) it does nothing either.
    QMetaObject::invokeMethod(m_launcher, "onToolDoubleClicked", Q_ARG(QString, QStringLiteral("批量删除")));
    QVERIFY(openToolWindows().isEmpty());
}

void tst_ChooseTools::cardClicksEmitInOrder()
{
    ToolCardWidget *toolCard = card(QStringLiteral("导入原片"));
    QStringList events;
    connect(toolCard, &ToolCardWidget::clicked, this, [&events]() { events << QStringLiteral("clicked"); });
    connect(toolCard, &ToolCardWidget::doubleClicked, this,
            [&events](const QString &name) { events << QStringLiteral("double:") + name; });
    QTest::mouseClick(toolCard, Qt::LeftButton);
    QCOMPARE(events, QStringList{QStringLiteral("clicked")});
    events.clear();
    QTest::mouseDClick(toolCard, Qt::LeftButton);
    QTest::mouseRelease(toolCard, Qt::LeftButton);
    QCOMPARE(events, (QStringList{QStringLiteral("double:导入原片"), QStringLiteral("clicked")}));
    // A release without a press on the card is no click.
    events.clear();
    QTest::mouseRelease(toolCard, Qt::LeftButton);
    QVERIFY(events.isEmpty());
}

void tst_ChooseTools::closingLauncherKeepsToolWindows()
{
    QTest::mouseDClick(card(QStringLiteral("批量删除")), Qt::LeftButton);
    QPointer<QWidget> batch = m_launcher->toolWindow(QStringLiteral("批量删除"));
    QVERIFY(batch);
    QTest::mouseClick(m_launcher->findChild<QWidget *>(QStringLiteral("closeButton")), Qt::LeftButton);
    QTRY_VERIFY(!m_launcher);
    QVERIFY(batch);
    batch->close();
    QTRY_VERIFY(!batch); // its destroyed handler must not touch the deleted launcher
}

void tst_ChooseTools::onlyFirstLauncherIsCentred()
{
    // init() showed the process's first launcher; a second one keeps its place.
    ChooseTools second;
    second.move(5, 7);
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QCOMPARE(second.pos(), QPoint(5, 7));
}

QTEST_MAIN(tst_ChooseTools)
#include "tst_ChooseTools.moc"
