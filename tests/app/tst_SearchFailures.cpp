#include "app/ChooseTools.h"
#include "app/ToolCardWidget.h"
#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "support/ImportFilesMessageBoxes.h"
#include "support/RawHttpServer.h"
#include "support/StandInService.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QtTest>

// How the service lets a search down.
enum class Fault { ClosedPort, Http500, NotJson, Silence, SwitchRefused, ListRefused, ListHttp500, ListCodeNumber, ListCodeMissing };
Q_DECLARE_METATYPE(Fault)

// Every tool's order search, opened from the launcher, against a service that
// fails it: the client's text (or the refusal's own) is shown, the search
// button is busy while the request is out and back afterwards, and the
// earlier orders are gone.
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
    StandInService m_service;
    ChooseTools *m_launcher = nullptr;
    ImportFilesMessageBoxes *m_boxes = nullptr;
    QPointer<QWidget> m_window;
    BaseReq::Limits m_savedLimits;
};

void tst_SearchFailures::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    QVERIFY(m_service.start());
    m_launcher = new ChooseTools();
    m_boxes = new ImportFilesMessageBoxes(this);
    m_savedLimits = BaseReq::limits();
    Config::k_shops = {ShopEntry{QStringLiteral("101"), QStringLiteral("旗舰店"), QString()}};
}

void tst_SearchFailures::init()
{
    m_service.reset();
    const QByteArray replies = R"({
        "public/switch_shop": {"code": "1", "SUPERID": "9", "EID": "7", "is_all_del_photo": 1},
        "order/get_persons": {"code": "1", "persons": []},
        "order/order_list": {"code": "1", "data": [{"id": "11", "order_photo_id": "501", "orderpayforkey": "A100"}]},
        "order/order_list_type_1": {"code": "1", "data": [{"id": "11", "order_photo_id": "501"}]}})";
    QCOMPARE(m_service.setReplies(QJsonDocument::fromJson(replies).object()), 4);
    QVERIFY(Config::setUrlHost(m_service.baseUrl()));
    m_boxes->clear();
}

void tst_SearchFailures::cleanup()
{
    delete m_window;
    BaseReq::setLimits(m_savedLimits);
}

void tst_SearchFailures::failedSearchIsSeen_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QString>("shown");
    const QString unreachable = QStringLiteral("无法连接服务器，请检查网络或服务地址");
    const QString badReply = QStringLiteral("服务器返回异常，请稍后再试");
    const struct { const char *name; Fault fault; QString shown; } faults[] = {
        {"closed port", Fault::ClosedPort, unreachable},
        {"HTTP 500", Fault::Http500, badReply},
        {"not JSON", Fault::NotJson, badReply},
        {"silence", Fault::Silence, QStringLiteral("请求超时，请稍后再试")},
        {"branch refused", Fault::SwitchRefused, QStringLiteral("分店已停用")},
        {"list refused", Fault::ListRefused, QStringLiteral("搜索条件有误")},
        {"list HTTP 500", Fault::ListHttp500, badReply},
        {"list code a number", Fault::ListCodeNumber, QStringLiteral("服务器返回数据格式错误")},
        {"list code missing", Fault::ListCodeMissing, QStringLiteral("服务器返回数据格式错误")},
    };
    for (const char *tool : {"导入原片", "下载原始档", "导片工具", "下载选片结果", "导入精修片", "设计分件", "下载照片交付",
                             "批量删除"}) {
        for (const auto &f : faults)
            QTest::addRow("%s, %s", tool, f.name) << QString::fromUtf8(tool) << f.fault << f.shown;
    }
}

void tst_SearchFailures::failedSearchIsSeen()
{
    QFETCH(QString, tool);
    QFETCH(Fault, fault);
    QFETCH(QString, shown);
    for (ToolCardWidget *card : m_launcher->findChildren<ToolCardWidget *>()) {
        if (card->toolName() == tool)
            QTest::mouseDClick(card, Qt::LeftButton);
    }
    m_window = m_launcher->toolWindow(tool);
    QVERIFY(m_window);
    const auto tables = m_window->findChildren<QAbstractItemView *>(QRegularExpression(QStringLiteral("^order(List)?Table$")));
    auto *button = m_window->findChild<QAbstractButton *>(QStringLiteral("searchButton"));
    QVERIFY(tables.size() == 1 && button);
    QAbstractItemView *table = tables.first();

    // A first search that works fills the table.
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(table->model()->rowCount(), 1, 10000);
    QTRY_VERIFY(button->isEnabled());
    m_boxes->clear();

    RawHttpServer raw;
    QVERIFY(raw.start());
    const QString list = tool == QStringLiteral("下载原始档") ? QStringLiteral("order_list_type_1")
                                                              : QStringLiteral("order_list");
    switch (fault) {
    case Fault::ClosedPort:
        QVERIFY(Config::setUrlHost(RawHttpServer::closedPortUrl()));
        break;
    case Fault::Http500:
    case Fault::NotJson:
        raw.answer(fault == Fault::Http500 ? RawHttpServer::response(500, "text/html", "<h1>Internal Server Error</h1>")
                                           : RawHttpServer::response(200, "text/html", "<html>maintenance</html>"));
        QVERIFY(Config::setUrlHost(raw.baseUrl()));
        break;
    case Fault::Silence:
        raw.stayQuiet();
        QVERIFY(Config::setUrlHost(raw.baseUrl()));
        BaseReq::setLimits({300, 600, 300, 600});
        break;
    case Fault::SwitchRefused:
        m_service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"),
                           {{QStringLiteral("code"), QStringLiteral("0")}, {QStringLiteral("msg"), shown},
                            {QStringLiteral("message"), shown}});
        break;
    case Fault::ListRefused:
        m_service.setReply(QStringLiteral("order"), list,
                           {{QStringLiteral("code"), QStringLiteral("0")}, {QStringLiteral("message"), shown}});
        break;
    case Fault::ListHttp500:
        m_service.setFailure(QStringLiteral("order"), list, StandInService::Failure::Http500);
        break;
    case Fault::ListCodeNumber:
    case Fault::ListCodeMissing: {
        // "成功" must not be shown as a refusal's reason.
        QJsonObject reply{{QStringLiteral("message"), QStringLiteral("成功")}, {QStringLiteral("data"), QJsonArray()}};
        if (fault == Fault::ListCodeNumber)
            reply.insert(QStringLiteral("code"), 0);
        m_service.setReply(QStringLiteral("order"), list, reply);
        break;
    }
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
