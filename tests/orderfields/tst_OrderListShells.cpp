#include "orderfields/FixedOrderList.h"
#include "orderfields/MainOrderList.h"
#include "orderfields/OrderList.h"
#include "orderfields/OrderTypeList.h"
#include "orderfields/SetShowField.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

using ShellFactory = std::function<QWidget *(QWidget *)>;
Q_DECLARE_METATYPE(ShellFactory)

namespace {

// Answers one source text in one context, as an installed catalogue would.
class OneEntryTranslator : public QTranslator
{
public:
    OneEntryTranslator(const char *context, const char *source, const QString &translation)
        : m_context(context), m_source(source), m_translation(translation)
    {
    }

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (m_context == context && m_source == sourceText)
            return m_translation;
        return QString();
    }

private:
    QByteArray m_context;
    QByteArray m_source;
    QString m_translation;
};

template<typename Shell>
ShellFactory factory()
{
    return [](QWidget *parent) -> QWidget * { return new Shell(parent); };
}

} // namespace

class tst_OrderListShells : public QObject
{
    Q_OBJECT

private slots:
    void mainWindowShell();
    void mainWindowTitleIsTranslatedInItsContext();
    void formShells_data();
    void formShells();
    void formTitleIsTranslatedInItsOwnContext_data();
    void formTitleIsTranslatedInItsOwnContext();
    void closingOnlyHides();
    void deletingTheParentDeletesShellAndChildren();
};

void tst_OrderListShells::mainWindowShell()
{
    OrderList window;
    QCOMPARE(window.objectName(), QStringLiteral("OrderList"));
    QCOMPARE(QString::fromLatin1(window.metaObject()->className()), QStringLiteral("OrderList"));
    QCOMPARE(window.size(), QSize(800, 600));
    QCOMPARE(window.windowTitle(), QStringLiteral("MainWindow"));

    QWidget *central = window.centralWidget();
    QVERIFY(central);
    QCOMPARE(central->objectName(), QStringLiteral("centralwidget"));
    QCOMPARE(QString::fromLatin1(central->metaObject()->className()), QStringLiteral("QWidget"));
    QVERIFY(central->children().isEmpty());

    auto *menuBar = window.findChild<QMenuBar *>(QStringLiteral("menubar"));
    QVERIFY(menuBar);
    QCOMPARE(window.menuBar(), menuBar);
    QCOMPARE(menuBar->geometry(), QRect(0, 0, 800, 21));
    QVERIFY(menuBar->actions().isEmpty());

    auto *statusBar = window.findChild<QStatusBar *>(QStringLiteral("statusbar"));
    QVERIFY(statusBar);
    QCOMPARE(window.statusBar(), statusBar);
    QVERIFY(statusBar->currentMessage().isEmpty());

    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.size(), QSize(800, 600));
    QVERIFY(menuBar->actions().isEmpty());
}

void tst_OrderListShells::mainWindowTitleIsTranslatedInItsContext()
{
    OneEntryTranslator translator("OrderList", "MainWindow", QStringLiteral("订单列表"));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    OrderList window;
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(window.windowTitle(), QStringLiteral("订单列表"));

    // The same source text in another context stays untranslated.
    OneEntryTranslator other("MainOrderList", "MainWindow", QStringLiteral("别的"));
    QVERIFY(QCoreApplication::installTranslator(&other));
    OrderList untouched;
    QCoreApplication::removeTranslator(&other);
    QCOMPARE(untouched.windowTitle(), QStringLiteral("MainWindow"));
}

void tst_OrderListShells::formShells_data()
{
    QTest::addColumn<ShellFactory>("create");
    QTest::addColumn<QString>("className");

    QTest::newRow("OrderTypeList") << factory<OrderTypeList>() << "OrderTypeList";
    QTest::newRow("MainOrderList") << factory<MainOrderList>() << "MainOrderList";
    QTest::newRow("FixedOrderList") << factory<FixedOrderList>() << "FixedOrderList";
    QTest::newRow("SetShowField") << factory<SetShowField>() << "SetShowField";
}

void tst_OrderListShells::formShells()
{
    QFETCH(ShellFactory, create);
    QFETCH(QString, className);

    std::unique_ptr<QWidget> form(create(nullptr));
    QCOMPARE(form->objectName(), className);
    QCOMPARE(QString::fromLatin1(form->metaObject()->className()), className);
    QVERIFY(!form->inherits("QMainWindow"));
    QCOMPARE(form->size(), QSize(400, 300));
    QCOMPARE(form->windowTitle(), QStringLiteral("Form"));
    QVERIFY(form->findChildren<QWidget *>().isEmpty());
    QVERIFY(!form->layout());

    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->size(), QSize(400, 300));
}

void tst_OrderListShells::formTitleIsTranslatedInItsOwnContext_data()
{
    formShells_data();
}

void tst_OrderListShells::formTitleIsTranslatedInItsOwnContext()
{
    QFETCH(ShellFactory, create);
    QFETCH(QString, className);

    const QByteArray context = className.toLatin1();
    OneEntryTranslator translator(context.constData(), "Form", QStringLiteral("表单"));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    std::unique_ptr<QWidget> form(create(nullptr));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(form->windowTitle(), QStringLiteral("表单"));
}

void tst_OrderListShells::closingOnlyHides()
{
    QPointer<OrderList> window = new OrderList;
    QPointer<QWidget> form = new SetShowField;
    for (QWidget *shell : {static_cast<QWidget *>(window.data()), form.data()}) {
        QVERIFY(!shell->testAttribute(Qt::WA_DeleteOnClose));
        shell->show();
        QVERIFY(QTest::qWaitForWindowExposed(shell));
        QVERIFY(shell->close());
        QVERIFY(!shell->isVisible());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(window);
    QVERIFY(form);
    delete window.data();
    delete form.data();
}

void tst_OrderListShells::deletingTheParentDeletesShellAndChildren()
{
    auto *owner = new QWidget;
    QPointer<OrderList> window = new OrderList(owner);
    QPointer<QWidget> form = new FixedOrderList(owner);
    QCOMPARE(window->parentWidget(), owner);
    QCOMPARE(form->parentWidget(), owner);
    QPointer<QWidget> central = window->centralWidget();
    QPointer<QMenuBar> menuBar = window->menuBar();
    QPointer<QStatusBar> statusBar = window->statusBar();

    delete owner;
    QVERIFY(!window);
    QVERIFY(!form);
    QVERIFY(!central);
    QVERIFY(!menuBar);
    QVERIFY(!statusBar);
}

QTEST_MAIN(tst_OrderListShells)

#include "tst_OrderListShells.moc"
