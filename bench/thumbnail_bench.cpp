// Fills a thumbnail grid with N local 24-megapixel JPEGs and reports how fast
// the first screen shows its pictures, when all cards exist, peak memory and
// the longest time the GUI thread was blocked. The first screen is set against
// a floor: decoding that screen's pictures at reduced scale on all cores.
//
// Usage: thumbnail_bench [N] [pool folder]   (default N = 500; without a
// folder, or with an empty one, a pool of JPEGs is generated first)

#include "widgets/ThumbnailInfo.h"
#include "widgets/ThumbnailLoadWorker.h"
#include "widgets/ThumbnailTableView.h"

#include "bench/BenchSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr int kPoolSize = 24;
constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// Photo-like content: gradient, shapes and sensor-like noise, so the files
// have the size and entropy of real camera JPEGs.
void writePoolImage(const QString &path, int seed)
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, kWidth, kHeight);
    gradient.setColorAt(0, QColor::fromHsv((seed * 29) % 360, 170, 220));
    gradient.setColorAt(1, QColor::fromHsv((seed * 29 + 150) % 360, 150, 90));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv((i * 37 + seed * 11) % 360, 150, 200));
        painter.drawEllipse(QPoint((i * 733 + seed * 97) % kWidth, (i * 911 + seed * 53) % kHeight),
                            300 + i * 10, 200 + i * 7);
    }
    painter.end();
    QRandomGenerator rng(static_cast<quint32>(seed));
    for (int y = 0; y < kHeight; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int n = int(rng.bounded(17)) - 8;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255),
                           qBound(0, qBlue(c) + n, 255));
        }
    }
    image.save(path, "JPG", 90);
}

QStringList generatePool(const QString &folder)
{
    QStringList paths;
    for (int i = 0; i < kPoolSize; ++i)
        paths << QDir(folder).filePath(QStringLiteral("pool_%1.jpg").arg(i, 2, 10, QChar('0')));
    std::vector<std::thread> workers;
    const int threads = 3;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&paths, t, threads] {
            for (int i = t; i < paths.size(); i += threads)
                writePoolImage(paths.at(i), i + 1);
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    return paths;
}

// Starts the peak-memory figure afresh, so generating the pool does not count.
void resetPeakMemory()
{
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

// CPU time of the calling thread: tells real GUI work from time the shared
// machine did not schedule the thread.
qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 statusKb(const char *key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Wall time of decoding the given pictures to tile size, one thread per core.
qint64 decodeFloorMs(const QStringList &paths)
{
    QElapsedTimer timer;
    timer.start();
    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    std::vector<std::thread> workers;
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (int i = next++; i < paths.size(); i = next++) {
                const QSize box(ThumbnailLoadWorker::kTileSize, ThumbnailLoadWorker::kTileSize);
                if (ThumbnailLoadWorker::readScaled(paths.at(i), box).isNull())
                    ++failed;
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    if (failed)
        std::fprintf(stderr, "%d pictures did not decode\n", failed.load());
    return timer.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    BenchSupport::offscreenUnlessSet();
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 500;

    QTemporaryDir tempDir;
    QStringList pool;
    QElapsedTimer clock;
    const QString folder = argc > 2 ? QString::fromLocal8Bit(argv[2]) : tempDir.path();
    const QDir dir(folder);
    for (const QString &name : dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.JPG")},
                                             QDir::Files, QDir::Name))
        pool << dir.filePath(name);
    if (pool.isEmpty()) {
        clock.start();
        pool = generatePool(folder);
        std::printf("generated %d JPEGs of %dx%d in %.1f s (%.1f MB each)\n", int(pool.size()),
                    kWidth, kHeight, clock.elapsed() / 1000.0,
                    QFileInfo(pool.first()).size() / 1e6);
    }
    if (pool.isEmpty() || count < 1) {
        std::fprintf(stderr, "no pictures\n");
        return 1;
    }

    QList<ThumbnailInfo> list;
    list.reserve(count);
    for (int i = 0; i < count; ++i) {
        ThumbnailInfo info;
        info.id = QString::number(i);
        info.name = QStringLiteral("IMG_%1.JPG").arg(i, 5, 10, QChar('0'));
        info.localPath = pool.at(i % pool.size());
        list << info;
    }

    // The application has read pictures before it shows a grid: the image
    // plugins are loaded by then, as they are for the floor measured later.
    QImageReader(pool.first()).size();

    ThumbnailTableView grid;
    grid.resize(800, 600);
    grid.show();
    app.processEvents();

    auto *scroll = grid.findChild<QScrollArea *>(QStringLiteral("scrollArea"));
    const int viewportHeight = scroll->viewport()->height();
    resetPeakMemory();
    const qint64 rssBefore = statusKb("VmRSS:");

    // GUI-thread stall probe: the gap between ticks of a 1 ms timer.
    QElapsedTimer probeClock;
    qint64 lastTick = 0;
    qint64 longestGapNs = 0;
    qint64 longestGapAtNs = 0;
    qint64 longestGapCpuNs = 0;
    qint64 longestCpuGapNs = 0;
    qint64 lastCpu = threadCpuNs();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.nsecsElapsed();
        const qint64 cpu = threadCpuNs();
        if (now - lastTick > longestGapNs) {
            longestGapNs = now - lastTick;
            longestGapAtNs = now;
            longestGapCpuNs = cpu - lastCpu;
        }
        longestCpuGapNs = qMax(longestCpuGapNs, cpu - lastCpu);
        lastTick = now;
        lastCpu = cpu;
    });

    qint64 firstScreenMs = -1;
    qint64 allCardsMs = -1;
    int firstScreenCards = 0;
    int largestPixmapSide = 0;

    // The watcher looks only at the cards it needs, by where they are drawn:
    // walking thousands of children every few milliseconds would itself stall
    // the GUI thread and spoil the figures. Cards are 100x125, 5 px apart.
    const auto cardAt = [&](int index) -> QWidget * {
        const int perRow = grid.photosPerRowCount();
        QWidget *container = scroll->widget();
        QWidget *widget = container->childAt(5 + (index % perRow) * 105 + 50,
                                             5 + (index / perRow) * 130 + 62);
        while (widget && widget->parentWidget() != container)
            widget = widget->parentWidget();
        if (!widget || widget->objectName() != QLatin1String("thumbnailCard")
            || widget->property("photoIndex").toInt() != index)
            return nullptr;
        return widget;
    };
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int perRow = grid.photosPerRowCount();
        int rows = 0;
        while (5 + rows * 130 < viewportHeight)
            ++rows;
        firstScreenCards = qMin(count, perRow * rows);
        if (firstScreenMs < 0) {
            int shown = 0;
            for (int i = 0; i < firstScreenCards; ++i) {
                QWidget *card = cardAt(i);
                if (!card)
                    break;
                auto *label = static_cast<QLabel *>(card->property("photoLabel").value<void *>());
                const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
                if (pixmap.isNull())
                    break;
                ++shown;
                largestPixmapSide = qMax(largestPixmapSide, qMax(pixmap.width(), pixmap.height()));
            }
            if (shown == firstScreenCards)
                firstScreenMs = clock.elapsed();
        }
        if (allCardsMs < 0 && cardAt(count - 1))
            allCardsMs = clock.elapsed();
        if (firstScreenMs >= 0 && allCardsMs >= 0)
            app.quit();
    });

    // A first load into the empty grid, then a reload over all its cards.
    QTextStream out(stdout);
    bool complete = true;
    for (const char *pass : {"load", "reload"}) {
        firstScreenMs = allCardsMs = -1;
        longestGapNs = longestGapAtNs = longestGapCpuNs = longestCpuGapNs = 0;
        largestPixmapSide = 0;
        lastTick = 0;
        probeClock.start();
        lastCpu = threadCpuNs();
        probe.start();
        clock.start();
        const qint64 passCpuStart = threadCpuNs();
        grid.loadThumbnails(list);
        watch.start();
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &app, &QApplication::quit);
        limit.start(120000);
        app.exec();
        const qint64 passCpuNs = threadCpuNs() - passCpuStart;
        probe.stop();
        watch.stop();
        complete = complete && firstScreenMs >= 0 && allCardsMs >= 0;

        out << "== " << pass << "\n";
        out << "N = " << count << " (pool " << pool.size() << " files, viewport " << scroll->viewport()->width()
            << "x" << viewportHeight << ", " << grid.photosPerRowCount() << " per row, first screen "
            << firstScreenCards << " cards)\n";
        // The floor is taken right after the pass, on the same files and machine load.
        QStringList firstScreenPaths;
        for (int i = 0; i < firstScreenCards; ++i)
            firstScreenPaths << list.at(i).localPath;
        QList<qint64> floors;
        for (int run = 0; run < 3; ++run)
            floors << decodeFloorMs(firstScreenPaths);
        std::sort(floors.begin(), floors.end());
        out << "first screen decoded:  " << firstScreenMs << " ms\n";
        out << "decode floor:          " << floors.at(1) << " ms (median of " << floors.at(0) << "/"
            << floors.at(1) << "/" << floors.at(2) << ", " << firstScreenPaths.size()
            << " pictures on " << std::max(1u, std::thread::hardware_concurrency())
            << " threads), first screen at "
            << QString::number(floors.at(1) > 0 ? double(firstScreenMs) / floors.at(1) : 0, 'f', 2)
            << "x the floor\n";
        out << "all cards created:     " << allCardsMs << " ms\n";
        out << "longest GUI stall:     " << QString::number(longestGapNs / 1e6, 'f', 1) << " ms (ending "
            << longestGapAtNs / 1000000 << " ms after the load began, GUI thread busy "
            << QString::number(longestGapCpuNs / 1e6, 'f', 1) << " ms of it)\n";
        out << "GUI-thread CPU in all:  " << passCpuNs / 1000000 << " ms until all cards were made\n";
        out << "longest GUI busy spell: " << QString::number(longestCpuGapNs / 1e6, 'f', 1)
            << " ms of GUI-thread CPU between two probe ticks\n";
        out << "largest tile pixmap:   " << largestPixmapSide << " px\n";
        out << "RSS before load:       " << rssBefore / 1024 << " MB\n";
        out << "RSS after load:        " << statusKb("VmRSS:") / 1024 << " MB\n";
        out << "peak RSS (VmHWM):      " << statusKb("VmHWM:") / 1024 << " MB\n";
    }
    return complete ? 0 : 2;
}
