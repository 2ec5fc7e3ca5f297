#include "orderfields/FixedOrderList.h"
#include "orderfields/MainOrderList.h"
#include "orderfields/OrderList.h"
#include "orderfields/OrderTypeList.h"
#include "orderfields/SetShowField.h"

#include <QPointer>
#include <QTranslator>
#include <QtTest>

#include <functional>

using ShellFactory = std::function<QWidget *(QWidget *)>;
Q_DECLARE_METATYPE(ShellFactory)

namespace {

// Answers one source text in one context, as an installed catalogue would.
class OneEntryTranslator : public QTranslator
{
public:
    OneEntryTranslator(const QByteArray &context, const char *source)
        : m_context(context), m_source(source) {}
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return m_context == context && m_source == sourceText ? QStringLiteral("译") : QString();
    }

private:
    QByteArray m_context;
    QByteArray m_source;
};

template<typename Shell>
ShellFactory factory()
{
    return [](QWidget *parent) -> QWidget * { return new Shell(parent); };
}

} // namespace

// The empty shells of the order-list tool: built from their forms, owned by
// their parent.
class tst_OrderListShells : public QObject
{
    Q_OBJECT

private slots:
    void shell_data();
    void shell();
};

void tst_OrderListShells::shell_data()
{
    QTest::addColumn<ShellFactory>("create");
    QTest::addColumn<QByteArray>("className");
    QTest::addColumn<QByteArray>("title");
    QTest::newRow("OrderList") << factory<OrderList>() << QByteArray("OrderList") << QByteArray("MainWindow");
    QTest::newRow("OrderTypeList") << factory<OrderTypeList>() << QByteArray("OrderTypeList") << QByteArray("Form");
    QTest::newRow("MainOrderList") << factory<MainOrderList>() << QByteArray("MainOrderList") << QByteArray("Form");
    QTest::newRow("FixedOrderList") << factory<FixedOrderList>() << QByteArray("FixedOrderList") << QByteArray("Form");
    QTest::newRow("SetShowField") << factory<SetShowField>() << QByteArray("SetShowField") << QByteArray("Form");
}

void tst_OrderListShells::shell()
{
    QFETCH(ShellFactory, create);
    QFETCH(QByteArray, className);
    QFETCH(QByteArray, title);

    OneEntryTranslator translator(className, title.constData());
    QVERIFY(QCoreApplication::installTranslator(&translator));
    auto *owner = new QWidget;
    QPointer<QWidget> shell = create(owner);
    QCoreApplication::removeTranslator(&translator);

    QCOMPARE(shell->objectName().toLatin1(), className);
    QCOMPARE(shell->windowTitle(), QStringLiteral("译"));
    QCOMPARE(shell->parentWidget(), owner);
    delete owner;
    QVERIFY(!shell);
}

QTEST_MAIN(tst_OrderListShells)

#include "tst_OrderListShells.moc"
