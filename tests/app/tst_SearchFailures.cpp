#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "batchdelete/BatchDelete.h"
#include "importfiles/ImportFiles.h"
#include "split/ui/FJHome.h"
#include "support/ImportFilesMessageBoxes.h"
#include "support/RawHttpServer.h"
#include "support/StandInService.h"
#include "transfer/ui/tfhome.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QPointer>
#include <QtTest>

namespace {

const QString kUnreachable = QStringLiteral("无法连接服务器，请检查网络或服务地址");
const QString kBadReply = QStringLiteral("服务器返回异常，请稍后再试");
const QString kTimedOut = QStringLiteral("请求超时，请稍后再试");

// How the service lets a search down.
enum class Fault { ClosedPort, Http500, NotJson, Silence, SwitchRefused, ListRefused, ListHttp500 };

QJsonObject listedOrder()
{
    return {{QStringLiteral("id"), QStringLiteral("11")},
            {QStringLiteral("order_photo_id"), QStringLiteral("501")},
            {QStringLiteral("orderpayforkey"), QStringLiteral("A100")},
            {QStringLiteral("servicetimes"), QStringLiteral("1")},
            {QStringLiteral("mname"), QStringLiteral("张三")}};
}

} // namespace

Q_DECLARE_METATYPE(Fault)

// Every tool's order search against a service that fails it: the client's
// text (or the refusal's own) is shown, the search button is busy while the
// request is out and back afterwards, and the earlier orders are gone.
class tst_SearchFailures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void failedSearchIsSeen_data();
    void failedSearchIsSeen();

private:
    QWidget *openTool(const QString &tool);
    static QAbstractItemView *orderTable(QWidget *window);
    static QAbstractButton *searchButton(QWidget *window);
    void serveOrders(StandInService &service);

    StandInService m_service;
    ImportFilesMessageBoxes *m_boxes = nullptr;
    QPointer<QWidget> m_window;
    BaseReq::Limits m_savedLimits;
};

void tst_SearchFailures::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    QVERIFY(m_service.start());
    m_boxes = new ImportFilesMessageBoxes(this);
    m_savedLimits = BaseReq::limits();
    Config::k_shops = {ShopEntry{QStringLiteral("101"), QStringLiteral("旗舰店"), QString()}};
}

void tst_SearchFailures::init()
{
    m_service.reset();
    serveOrders(m_service);
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_boxes->clear();
}

void tst_SearchFailures::cleanup()
{
    delete m_window;
    BaseReq::setLimits(m_savedLimits);
}

void tst_SearchFailures::serveOrders(StandInService &service)
{
    service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"),
                     {{QStringLiteral("code"), QStringLiteral("1")},
                      {QStringLiteral("SUPERID"), QStringLiteral("9")},
                      {QStringLiteral("EID"), QStringLiteral("7")},
                      {QStringLiteral("is_all_del_photo"), 1}});
    const QJsonObject list{{QStringLiteral("code"), QStringLiteral("1")},
                           {QStringLiteral("openypml"), 1},
                           {QStringLiteral("delyp"), 1},
                           {QStringLiteral("data"), QJsonArray{listedOrder()}}};
    service.setReply(QStringLiteral("order"), QStringLiteral("order_list"), list);
    service.setReply(QStringLiteral("order"), QStringLiteral("order_list_type_1"), list);
    service.setReply(QStringLiteral("order"), QStringLiteral("get_persons"),
                     {{QStringLiteral("code"), QStringLiteral("1")}, {QStringLiteral("persons"), QJsonArray()}});
}

QWidget *tst_SearchFailures::openTool(const QString &tool)
{
    QWidget *window = nullptr;
    const QStringList splitModes = {QStringLiteral("设计分件"), QStringLiteral("下载原始档"),
                                    QStringLiteral("下载选片结果"), QStringLiteral("下载照片交付")};
    if (tool == QStringLiteral("导片工具")) {
        window = new tfhome();
    } else if (tool == QStringLiteral("批量删除")) {
        window = new BatchDelete();
    } else if (splitModes.contains(tool)) {
        auto *split = new FJHome();
        split->splitType = static_cast<DesignFileSplitTypes>(splitModes.indexOf(tool));
        split->setInitData({{QStringLiteral("windowtitle"), tool}});
        window = split;
    } else {
        auto *import = new ImportFiles();
        import->setImportType(tool == QStringLiteral("导入精修片") ? RetouchedFiles : OriginalFiles);
        window = import;
    }
    window->show();
    return window;
}

QAbstractItemView *tst_SearchFailures::orderTable(QWidget *window)
{
    if (auto *table = window->findChild<QAbstractItemView *>(QStringLiteral("orderTable")))
        return table;
    return window->findChild<QAbstractItemView *>(QStringLiteral("orderListTable"));
}

QAbstractButton *tst_SearchFailures::searchButton(QWidget *window)
{
    return window->findChild<QAbstractButton *>(QStringLiteral("searchButton"));
}

void tst_SearchFailures::failedSearchIsSeen_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<QString>("window"); // its class
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("shown");
    const struct { const char *name; Fault fault; QString shown; } faults[] = {
        {"closed port", Fault::ClosedPort, kUnreachable},
        {"HTTP 500", Fault::Http500, kBadReply},
        {"not JSON", Fault::NotJson, kBadReply},
        {"silence", Fault::Silence, kTimedOut},
        {"branch refused", Fault::SwitchRefused, QStringLiteral("分店已停用")},
        {"list refused", Fault::ListRefused, QStringLiteral("搜索条件有误")},
        {"list HTTP 500", Fault::ListHttp500, kBadReply},
    };
    const struct { const char *tool; const char *window; } tools[] = {
        {"导入原片", "ImportFiles"}, {"下载原始档", "FJHome"}, {"导片工具", "tfhome"}, {"下载选片结果", "FJHome"},
        {"导入精修片", "ImportFiles"}, {"设计分件", "FJHome"}, {"下载照片交付", "FJHome"}, {"批量删除", "BatchDelete"},
    };
    for (const auto &t : tools) {
        for (const auto &f : faults) {
            QTest::addRow("%s, %s", t.tool, f.name)
                << QString::fromUtf8(t.tool) << QString::fromLatin1(t.window) << f.fault << f.shown;
        }
    }
}

void tst_SearchFailures::failedSearchIsSeen()
{
    QFETCH(QString, tool);
    QFETCH(QString, window);
    QFETCH(Fault, fault);
    QFETCH(QString, shown);
    m_window = openTool(tool);
    QCOMPARE(QString::fromLatin1(m_window->metaObject()->className()), window);
    QAbstractItemView *table = orderTable(m_window);
    QAbstractButton *button = searchButton(m_window);
    QVERIFY(table && button);

    // A first search that works fills the table.
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 1, 10000);
    QTRY_VERIFY(button->isEnabled());
    m_boxes->clear();

    RawHttpServer raw;
    const QString list = tool == QStringLiteral("下载原始档") ? QStringLiteral("order_list_type_1")
                                                             : QStringLiteral("order_list");
    switch (fault) {
    case Fault::ClosedPort:
        QVERIFY(Config::setUrlHost(RawHttpServer::closedPortUrl()));
        break;
    case Fault::Http500:
        QVERIFY(raw.start());
        raw.answer(RawHttpServer::response(500, "text/html", "<h1>Internal Server Error</h1>"));
        QVERIFY(Config::setUrlHost(raw.baseUrl()));
        break;
    case Fault::NotJson:
        QVERIFY(raw.start());
        raw.answer(RawHttpServer::response(200, "text/html", "<html>maintenance</html>"));
        QVERIFY(Config::setUrlHost(raw.baseUrl()));
        break;
    case Fault::Silence:
        QVERIFY(raw.start());
        raw.stayQuiet();
        QVERIFY(Config::setUrlHost(raw.baseUrl()));
        BaseReq::setLimits({300, 600, 300, 600});
        break;
    case Fault::SwitchRefused:
        m_service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"),
                           {{QStringLiteral("code"), QStringLiteral("0")},
                            {QStringLiteral("msg"), QStringLiteral("分店已停用")},
                            {QStringLiteral("message"), QStringLiteral("分店已停用")}});
        break;
    case Fault::ListRefused:
        m_service.setReply(QStringLiteral("order"), list,
                           {{QStringLiteral("code"), QStringLiteral("0")},
                            {QStringLiteral("message"), QStringLiteral("搜索条件有误")}});
        break;
    case Fault::ListHttp500:
        m_service.setFailure(QStringLiteral("order"), list, StandInService::Failure::Http500);
        break;
    }

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY2(!button->isEnabled(), "the button shows the search is out");
    QTRY_VERIFY_WITH_TIMEOUT(m_boxes->countOf(shown) == 1, 15000);
    QVERIFY(m_boxes->contains(QStringLiteral("温馨提示"), shown));
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(table->model()->rowCount(), 0);
}

QTEST_MAIN(tst_SearchFailures)
#include "tst_SearchFailures.moc"
