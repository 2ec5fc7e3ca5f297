#include "app/ChooseTools.h"
#include "app/ToolCardWidget.h"
#include "app/core/BaseReq.h"
#include "app/core/Config.h"
#include "app/core/FormBody.h"
#include "app/core/ServiceReply.h"
#include "batchdelete/FileScanThread.h"
#include "support/StandInService.h"
#include "transfer/ui/tfhomeorders_PhotoDisplayWidget.h"
#include "widgets/ThumbnailTableView.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPointer>
#include <QtTest>

#include <unistd.h>

#include <atomic>
#include <cstdio>

// Quitting while requests are on their way: every thread that talks to the
// service (and every other one with an event loop) has ended at the last
// point where the application object is whole. One still running when
// ~QCoreApplication clears the application pointer can call through it and
// crash the process.

namespace {

std::atomic<int> g_answersRead{0};
bool g_observed = false;
QStringList g_leftAtQuit;

// The names of this process's threads but the main one, as the kernel lists them.
QStringList otherThreads()
{
    QStringList names;
    const QString main = QString::number(::getpid());
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (task == main)
            continue;
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll()).trimmed();
    }
    return names;
}

// Every thread but pool threads (no event loop) and Qt's own bus
// thread, which the network bearer plugins start and only the exit ends.
QStringList runningThreads()
{
    QStringList names = otherThreads();
    names.removeAll(QStringLiteral("Thread (pooled)"));
    names.removeAll(QStringLiteral("QDBusConnection"));
    return names;
}

// Added first, so it runs last of the post routines: the last point where the
// application is whole. A thread waited for leaves the task list a moment later.
void observeAtQuit()
{
    g_observed = true;
    // Nothing new goes out once the quit has begun.
    BaseReq late;
    late.getResultData(QStringLiteral("&m=order&a=logreadpic"), QByteArray(),
                       [](bool, const QJsonDocument &) { ++g_answersRead; });
    ServiceReply::requestOnOwnThread(QStringLiteral("&m=order&a=order_list"), QByteArray(),
                                     [](const QString &, const QJsonDocument &) { ++g_answersRead; });
    QDeadlineTimer deadline(10000);
    while (!(g_leftAtQuit = runningThreads()).isEmpty() && !deadline.hasExpired())
        QThread::msleep(5);
}

} // namespace

class tst_quit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void requestsOnTheirWayAtQuit();

private:
    // Never deleted: its connections stay open through the quit.
    StandInService *m_service = nullptr;
};

void tst_quit::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("studio.*.debug=false"));
    m_service = new StandInService;
    QVERIFY(m_service->start());
    QVERIFY(Config::setUrlHost(m_service->baseUrl()));
    Config::k_shops = {ShopEntry{QStringLiteral("101"), QStringLiteral("旗舰店"), QString()}};
    const QByteArray replies = R"({
        "public/switch_shop": {"code": "1", "SUPERID": "9", "EID": "7", "is_all_del_photo": 1},
        "order/get_persons": {"code": "1", "persons": []}})";
    QCOMPARE(m_service->setReplies(QJsonDocument::fromJson(replies).object()), 2);
    // Waiting out a request's time-out at quit would outlast the test's own.
    BaseReq::setLimits({600000, 600000, 600000, 600000});
}

void tst_quit::requestsOnTheirWayAtQuit()
{
    m_service->setFailure(QStringLiteral("order"), QStringLiteral("order_list"), StandInService::Failure::NoAnswer);
    m_service->setFailure(QStringLiteral("order"), QStringLiteral("logreadpic"), StandInService::Failure::NoAnswer);
    for (const QString &picture : {QStringLiteral("/img/held.jpg"), QStringLiteral("/img/held2.jpg")})
        m_service->setFileFailure(picture, StandInService::Failure::NoAnswer);

    // 导入原片 closed while its search is unanswered.
    auto *launcher = new ChooseTools();
    for (ToolCardWidget *card : launcher->findChildren<ToolCardWidget *>()) {
        if (card->toolName() == QStringLiteral("导入原片"))
            QTest::mouseDClick(card, Qt::LeftButton);
    }
    QPointer<QWidget> tool = launcher->toolWindow(QStringLiteral("导入原片"));
    QVERIFY(tool);
    auto *search = tool->findChild<QAbstractButton *>(QStringLiteral("searchButton"));
    QVERIFY(search);
    QTest::mouseClick(search, Qt::LeftButton);
    QVERIFY(m_service->waitForRequests(2, 10000)); // switch_shop, order_list
    QVERIFY(tool->close());
    QTRY_VERIFY(!tool);
    delete launcher;

    // A search of its own thread and a request of the GUI thread, both held back.
    const QByteArray body = FormBody().add(QStringLiteral("keyword"), QStringLiteral("DD1")).toBytes();
    ServiceReply::requestOnOwnThread(QStringLiteral("&m=order&a=order_list"), body,
                                     [](const QString &, const QJsonDocument &) { ++g_answersRead; });
    auto *request = new BaseReq(qApp);
    request->getResultData(QStringLiteral("&m=order&a=logreadpic"), body,
                           [](bool, const QJsonDocument &) { ++g_answersRead; });

    // A grid left open with a picture on its way.
    auto *grid = new ThumbnailTableView;
    grid->show();
    ThumbnailInfo held;
    held.name = QStringLiteral("held.jpg");
    held.url = m_service->fileUrl(QStringLiteral("/img/held.jpg"));
    grid->loadThumbnails({held});

    // 导片工具's panel of imported photos left open with a photo on its way.
    auto *photos = new tfhomeorders_PhotoDisplayWidget;
    photos->resize(560, 420);
    photos->show();
    photos->preparePhotoDisplayData({m_service->fileUrl(QStringLiteral("/img/held2.jpg"))},
                                    {QStringLiteral("held2.jpg")}, {QStringLiteral("1")}, {QString()});

    // 批量删除's scanner, waiting for the next order.
    new FileScanThread;

    QVERIFY(m_service->waitForRequests(6, 10000));
    QTRY_VERIFY_WITH_TIMEOUT(otherThreads().count(QStringLiteral("QNetworkAccessM")) >= 4, 10000);
    QCOMPARE(g_answersRead.load(), 0);
}

int main(int argc, char **argv)
{
    int code = 0;
    {
        QApplication app(argc, argv);
        qAddPostRoutine(observeAtQuit);
        tst_quit test;
        code = QTest::qExec(&test, argc, argv);
    }
    if (!g_observed) {
        std::fprintf(stderr, "FAIL: the post routines did not run\n");
        return 1;
    }
    if (!g_leftAtQuit.isEmpty()) {
        std::fprintf(stderr, "FAIL: threads still running at quit: %s\n", qPrintable(g_leftAtQuit.join(", ")));
        return 1;
    }
    if (g_answersRead.load() != 0) {
        std::fprintf(stderr, "FAIL: an answer was read at quit\n");
        return 1;
    }
    return code;
}

#include "tst_quit.moc"
