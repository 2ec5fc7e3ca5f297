// Two runs of the split window against the stand-in studio service:
//
//   fjhome_bench delivery [COUNT] [MEGAPIXELS]
//       One "下载照片交付" order of COUNT retouched pictures (default 100 of
//       24 megapixels), each downloaded, decoded and written again. Reports
//       the run time, the longest stall of the GUI thread during it, and what
//       decoding and writing one such picture takes where it runs.
//   fjhome_bench search [COUNT]
//       One order search answered with COUNT orders (default 5000).
//       Reports the time from the click until the first rows show and until
//       the search button is back, the longest GUI stall then, while paging,
//       jumping to the end and ticking all, and the time the window takes to close.
//
// Offscreen; the service is the tests' stand-in on loopback.

#include "app/core/Config.h"
#include "platform/MountRoot.h"
#include "split/ui/FJDownloadFile.h"
#include "split/ui/FJHome.h"
#include "split/ui/FJLeftPanel.h"
#include "split/ui/FJRightPanel.h"
#include "support/SplitStudioData.h"
#include "support/StandInService.h"

#include "bench/BenchSupport.h"
#include "bench/StallProbe.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <cmath>

namespace {


QByteArray bigJpeg(double megapixels)
{
    const int width = int(std::sqrt(megapixels * 1e6 * 3 / 2));
    const int height = width * 2 / 3;
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, Qt::darkBlue);
    gradient.setColorAt(1, Qt::yellow);
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 400; ++i)
        painter.fillRect((i * 7919) % width, (i * 104729) % height, 120, 80, QColor::fromHsv(i % 360, 180, 220));
    painter.end();
    // Grain, so the file is as large as a photo's.
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int d = int(seed >> 27) - 16;
            const QRgb p = line[x];
            line[x] = qRgb(qBound(0, qRed(p) + d, 255), qBound(0, qGreen(p) + d, 255), qBound(0, qBlue(p) + d, 255));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

FJHome *openWindow(DesignFileSplitTypes mode, const QString &output)
{
    auto *window = new FJHome();
    window->splitType = mode;
    window->setInitData({{QStringLiteral("windowtitle"), QStringLiteral("bench")}});
    window->rightPanel->dirPath = output;
    window->resize(1400, 900);
    window->show();
    return window;
}

bool waitFor(const std::function<bool()> &done, int seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

// Files written into "精修" folders below folder.
int retouchedWritten(const QString &folder)
{
    int written = 0;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        it.next();
        written += it.fileInfo().dir().dirName() == QStringLiteral("精修") ? 1 : 0;
    }
    return written;
}

int delivery(QTextStream &out, int count, double megapixels)
{
    // The order's folder on a share below a temporary mount root, as in a studio.
    QTemporaryDir root;
    BenchSupport::declareLocalShares();
    MountRoot::setPath(root.path());
    QDir(root.path()).mkpath(QStringLiteral("photo/orders/B1/原始档"));
    StandInService service;
    service.start();
    Config::setUrlHost(service.baseUrl());
    SplitStudioData::installShops();
    service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), SplitStudioData::switchShopReply());
    service.setReply(QStringLiteral("order"), QStringLiteral("order_list"), SplitStudioData::orderListReply(1));
    const QByteArray picture = bigJpeg(megapixels);
    QJsonArray retouched;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("/files/j%1.jpg").arg(i);
        service.serveFile(path, picture);
        retouched.append(QJsonObject{{QStringLiteral("img_name"), QStringLiteral("J%1.jpg").arg(i)},
                                     {QStringLiteral("url"), service.fileUrl(path)}});
    }
    const QJsonObject order{{QStringLiteral("orderpayforkey"), QStringLiteral("B1")},
                            {QStringLiteral("servicetimes"), QStringLiteral("1")},
                            {QStringLiteral("netpath"), QStringLiteral("\\\\NAS\\photo\\orders\\B1")}};
    service.setReply(QStringLiteral("order"), QStringLiteral("orderphotodetail"),
                     QJsonObject{{QStringLiteral("code"), QStringLiteral("1")},
                                 {QStringLiteral("order"), order},
                                 {QStringLiteral("images_jingxiu"), retouched}});

    // What the old road did on the GUI thread for each picture.
    QTemporaryDir scratch;
    QElapsedTimer one;
    one.start();
    FJDownloadFile::save(picture, QStringLiteral("image/jpeg"), scratch.filePath(QStringLiteral("one.jpg")), false);
    const qint64 perPicture = one.elapsed();

    QTemporaryDir output;
    FJHome *window = openWindow(DownloadPhotoDelivery, output.path());
    (void)QTest::qWaitForWindowExposed(window);
    window->rightPanel->searchButton->click();
    if (!waitFor([window] { return window->leftPanel->orderList.size() == 1
                                   && window->rightPanel->searchButton->isEnabled(); }, 30)) {
        out << "NOT DONE: the search did not list the order\n";
        return 1;
    }
    QString summary;
    QObject::connect(window, &FJHome::runFinished, [&summary](const QString &text) { summary = text; });
    window->leftPanel->tableWidget->cellWidget(0, 0)->findChild<QCheckBox *>()->setChecked(true);
    // Only the retouched pictures: picking the order ticks its own options too.
    for (QCheckBox *box : window->rightPanel->findChildren<QCheckBox *>())
        box->setChecked(box == window->rightPanel->fullRetouchCheckBox);
    StallProbe probe;
    QElapsedTimer clock;
    probe.start();
    clock.start();
    window->rightPanel->startButton->click();
    if (!waitFor([&summary] { return !summary.isEmpty(); }, 1800)) {
        out << "NOT DONE: the run did not end\n";
        return 1;
    }
    probe.stop();
    out << "delivery of " << count << " pictures of " << QString::number(picture.size() / 1e6, 'f', 1)
        << " MB (" << megapixels << " MP): " << clock.elapsed() / 1000.0 << " s, longest GUI stall "
        << probe.longestMs() << " ms; one decode and write " << perPicture << " ms; summary \""
        << QString(summary).replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\"\n";
    delete window;
    // Any line past the count is a refusal or a failure.
    const int written = retouchedWritten(output.path());
    if (summary != QStringLiteral("1个订单分件完成!") || written != count) {
        out << "NOT DONE: refused or left undone, " << written << " of " << count << " pictures written\n";
        return 1;
    }
    return 0;
}

int search(QTextStream &out, int count, const BenchSupport::MessageBoxAnswerer &boxes)
{
    StandInService service;
    service.start();
    Config::setUrlHost(service.baseUrl());
    SplitStudioData::installShops();
    service.setReply(QStringLiteral("public"), QStringLiteral("switch_shop"), SplitStudioData::switchShopReply());
    service.setReply(QStringLiteral("order"), QStringLiteral("order_list"), SplitStudioData::orderListReply(count));
    // The stand-in answers on this same thread: what its answer and the
    // client's parse cost are measured apart from the window's own share.
    const QJsonObject reply = SplitStudioData::orderListReply(count);
    QElapsedTimer part;
    part.start();
    const QByteArray text = QJsonDocument(reply).toJson(QJsonDocument::Compact);
    const qint64 serialise = part.restart();
    const QJsonArray data = QJsonDocument::fromJson(text).object().value(QStringLiteral("data")).toArray();
    const qint64 parse = part.restart();
    QList<OrderData> records;
    for (const QJsonValue &element : data)
        records.append(OrderData::fromJson(element));
    const qint64 build = part.restart();
    out << "reply of " << text.size() / 1e6 << " MB: the stand-in writes it in " << serialise << " ms, the client parses it in "
        << parse << " ms, records built in " << build << " ms\n";

    QTemporaryDir output;
    FJHome *window = openWindow(DesignSplit, output.path());
    (void)QTest::qWaitForWindowExposed(window);
    StallProbe probe;
    QElapsedTimer clock;
    probe.start();
    clock.start();
    window->rightPanel->searchButton->click();
    qint64 firstRows = -1;
    const auto listed = [window, count] {
        return window->leftPanel->orderList.size() == count && window->rightPanel->searchButton->isEnabled();
    };
    // A box during the search is its refusal: no need to wait for rows that will not come.
    waitFor([&] {
        if (firstRows < 0 && window->leftPanel->tableWidget->cellWidget(0, 0))
            firstRows = clock.elapsed();
        return listed() || !boxes.texts().isEmpty();
    }, 600);
    if (!listed() || !boxes.texts().isEmpty()) {
        out << "NOT DONE: " << window->leftPanel->orderList.size() << " of " << count << " orders listed"
            << (boxes.texts().isEmpty() ? QString() : QStringLiteral(", the window said: ") + boxes.texts().join(QStringLiteral(" | ")))
            << "\n";
        return 1;
    }
    const qint64 searched = clock.elapsed();
    waitFor([] { return false; }, 1); // the first paint of the rows
    probe.stop();
    const qreal stall = probe.longestMs();
    // Paging down the table moves every row's widget.
    StallProbe paging;
    paging.start();
    QScrollBar *bar = window->leftPanel->tableWidget->verticalScrollBar();
    for (int page = 0; page < 20; ++page) {
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QCoreApplication::processEvents();
    }
    paging.stop();
    // A jump to the last row makes a screenful of row widgets at once.
    StallProbe jumping;
    jumping.start();
    bar->setValue(bar->maximum());
    waitFor([] { return false; }, 1);
    jumping.stop();
    // Ticking every row and locking the table for a run repaint every row's box.
    StallProbe ticking;
    ticking.start();
    window->leftPanel->selectAllBtn->click();
    window->leftPanel->setBtnEnable(false);
    waitFor([] { return false; }, 1);
    ticking.stop();
    clock.restart();
    window->close();
    delete window;
    out << "search of " << count << " orders: first rows after " << firstRows / 1000.0 << " s, " << searched / 1000.0
        << " s until the button is back, longest GUI stall " << stall << " ms; paging down: longest stall "
        << paging.longestMs() << " ms; jump to the end: longest stall " << jumping.longestMs()
        << " ms; select all and lock: longest stall " << ticking.longestMs() << " ms; closing "
        << clock.elapsed() / 1000.0 << " s\n";
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    BenchSupport::quietLogs();
    QTextStream out(stdout);
    // Answers the end-of-run summary box.
    const BenchSupport::MessageBoxAnswerer boxes(20);

    const QStringList args = app.arguments().mid(1);
    const QString what = args.value(0, QStringLiteral("delivery"));
    if (what == QLatin1String("search"))
        return search(out, args.value(1, QStringLiteral("5000")).toInt(), boxes);
    return delivery(out, args.value(1, QStringLiteral("100")).toInt(), args.value(2, QStringLiteral("24")).toDouble());
}
