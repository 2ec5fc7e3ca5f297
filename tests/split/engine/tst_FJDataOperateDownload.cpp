#include "split/engine/FJDataOperate.h"

#include "support/StandInService.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct DataUrlResult
{
    int calls = 0;
    bool ok = false;
    QString url;
    QString dataUrl;
};

std::shared_ptr<DataUrlResult> fetch(FJDataOperate &holder, const QString &url)
{
    auto result = std::make_shared<DataUrlResult>();
    holder.downloadImageAsDataUrl(url, [result](bool ok, const QString &givenUrl, const QString &dataUrl) {
        ++result->calls;
        result->ok = ok;
        result->url = givenUrl;
        result->dataUrl = dataUrl;
    });
    return result;
}

QByteArray pngBytes()
{
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

class TestFJDataOperateDownload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_service.start()); }
    void pictureArrivesAsDataUrlForItsUrl();
    void failedDownloadCallsBackOnceWithoutData();

private:
    StandInService m_service;
};

void TestFJDataOperateDownload::pictureArrivesAsDataUrlForItsUrl()
{
    const QByteArray png = pngBytes();
    m_service.serveFile("/pics/a.png", png, "image/png");
    FJDataOperate holder;
    const QString url = m_service.fileUrl("/pics/a.png");
    auto result = fetch(holder, url);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 20000);
    QVERIFY(result->ok);
    QCOMPARE(result->url, url);
    QVERIFY(result->dataUrl.startsWith("data:image/png;base64,"));
    QCOMPARE(QByteArray::fromBase64(result->dataUrl.section(',', 1).toLatin1()), png);
    QVERIFY(holder.imageSources.isEmpty());
}

void TestFJDataOperateDownload::failedDownloadCallsBackOnceWithoutData()
{
    FJDataOperate holder;
    const QString url = m_service.fileUrl("/pics/missing.jpg");
    auto result = fetch(holder, url);
    QTRY_COMPARE_WITH_TIMEOUT(result->calls, 1, 20000);
    QVERIFY(!result->ok);
    QCOMPARE(result->url, url);
    QVERIFY(result->dataUrl.isEmpty());
}

QTEST_MAIN(TestFJDataOperateDownload)
#include "tst_FJDataOperateDownload.moc"
