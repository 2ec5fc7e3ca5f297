// Times the production sheet job of a large order: 200 selected photos, 20
// products each with a 24-megapixel crop, and four 24-megapixel marker
// pictures, all camera-like noisy JPEGs of 8 to 10 MB.
//
// Usage: sheet_bench [runs] [picture folder]   (default 3 runs; the 24
// large pictures are generated into the folder once and reused)

#include "split/engine/FJDataThread.h"
#include "split/engine/FJSheetHtml.h"
#include "split/engine/ProductionSheetPdf.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Sensor-like grain over broad colour bands: the entropy, and so the decode
// time, of a real camera file, unlike a smooth test picture.
QImage cameraLike(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    const int hue = int(seed * 47 % 360);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const QColor band = QColor::fromHsv((hue + y * 120 / height) % 360, 140, 80 + 120 * y / height);
        for (int x = 0; x < width; ++x) {
            const quint32 r = rng.generate();
            const int n = int(r % 29) - 14;
            const int shade = (x * 60) / width;
            line[x] = qRgb(qBound(0, band.red() + shade + n, 255), qBound(0, band.green() + n, 255),
                           qBound(0, band.blue() - shade + n, 255));
        }
    }
    return image;
}

bool ensureLarge(const QString &path, quint32 seed)
{
    if (QFileInfo(path).size() > 1000000)
        return true;
    return cameraLike(6000, 4000, seed).save(path, "JPG", 92);
}

QJsonArray entries(const QString &prefix, int count, bool cropped = false)
{
    QJsonArray list;
    for (int i = 0; i < count; ++i) {
        QJsonObject entry{{"img_name", QStringLiteral("%1%2.jpg").arg(prefix).arg(i)}};
        if (cropped)
            entry.insert("cropping_imgurl", QStringLiteral("https://studio.example/crop/%1.jpg").arg(i));
        list.append(entry);
    }
    return list;
}

bool link(const QString &from, const QString &to)
{
    QDir().mkpath(QFileInfo(to).path());
    return QFile::exists(to) || QFile::link(from, to) || QFile::copy(from, to);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    const QString pool = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QDir::temp().filePath(QStringLiteral("sheet_bench_pictures"));
    QDir().mkpath(pool);

    std::printf("generating the large pictures in %s ...\n", qPrintable(pool));
    std::vector<QString> large;
    for (int i = 0; i < 24; ++i)
        large.push_back(QDir(pool).filePath(QStringLiteral("large_%1.jpg").arg(i)));
    {
        std::vector<QThread *> workers;
        for (int t = 0; t < 4; ++t) {
            workers.push_back(QThread::create([&large, t] {
                for (size_t i = size_t(t); i < large.size(); i += 4)
                    ensureLarge(large[i], quint32(i + 1));
            }));
            workers.back()->start();
        }
        for (QThread *worker : workers) {
            worker->wait();
            delete worker;
        }
    }
    qint64 bytes = 0;
    for (const QString &path : large)
        bytes += QFileInfo(path).size();
    std::printf("24 large pictures, %.1f MB each on average\n", bytes / 24.0 / 1e6);

    QTemporaryDir dir;
    const QString orderDir = dir.path() + QStringLiteral("/A1-服务1 甲-乙 自取/");
    const QString other = orderDir + QStringLiteral("其他/");
    QDir().mkpath(other + QStringLiteral("缩略图"));
    cameraLike(240, 80, 7).save(other + QStringLiteral("条形码.jpg"), "JPG", 90);
    // The 90-pixel copies the copy jobs put into "缩略图".
    for (int i = 0; i < 200; ++i)
        cameraLike(90, 60, quint32(100 + i)).save(other + QStringLiteral("缩略图/sel%1.jpg").arg(i), "JPG", 90);
    for (int i = 0; i < 20; ++i)
        link(large[size_t(i)], other + QStringLiteral("裁剪/crop%1.jpg").arg(i));
    for (int i = 0; i < 4; ++i)
        link(large[size_t(20 + i)], other + QStringLiteral("标记/mark%1.jpg").arg(i));

    QJsonArray goods;
    const QJsonArray crops = entries(QStringLiteral("crop"), 20, true);
    for (int i = 0; i < 20; ++i)
        goods.append(QJsonObject{{"goodname", QStringLiteral("相册%1").arg(i)}, {"isurgent", "0"},
                                 {"goodtypeid", "33"}, {"imgs", QJsonArray{crops.at(i)}}});
    QJsonArray marks;
    for (const QJsonValue &mark : entries(QStringLiteral("mark"), 4))
        marks.append(QJsonObject{{"img_name", mark.toObject().value("img_name")},
                                 {"remark", R"([{"text":"提亮"},{"text":"去痘"}])"}});
    const QJsonObject reply{
        {"order", QJsonObject{{"shopname", "基准门店"}, {"orderpayforkey", "A1"}, {"pickuptime", "2026-01-01"}}},
        {"orderpicdescr", marks},
        {"servicetime", QJsonArray{QJsonObject{{"goods", goods}, {"order_sample_infoservicetimes", "1"}}}},
        {"images", entries(QStringLiteral("sel"), 200)},
        {"images_rudi", QJsonArray()},
    };

    std::vector<qint64> times;
    bool written = true;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(other + QStringLiteral("明细制作单.pdf"));
        FJDataThread job(QStringLiteral("生成Html"), nullptr);
        job.setAutoDelete(false);
        job.detailData = reply;
        job.orderDir = orderDir;
        QElapsedTimer timer;
        timer.start();
        job.run();
        times.push_back(timer.elapsed());
        written = written && QFileInfo(other + QStringLiteral("明细制作单.pdf")).size() > 0;
        std::printf("run %d: %lld ms, sheet %s (%lld KB)\n", run + 1, static_cast<long long>(times.back()),
                    QFile::exists(other + QStringLiteral("明细制作单.pdf")) ? "written" : "MISSING",
                    static_cast<long long>(QFileInfo(other + QStringLiteral("明细制作单.pdf")).size() / 1024));
    }
    // Where the time goes: the markup with its decoded pictures, then the printing.
    QElapsedTimer phase;
    phase.start();
    const QString html = FJSheetHtml::build(reply, orderDir, QDateTime::currentDateTime());
    const qint64 building = phase.restart();
    ProductionSheetPdf::write(html, other);
    std::printf("breakdown: markup and pictures %lld ms (%lld KB of HTML), printing %lld ms\n",
                static_cast<long long>(building), static_cast<long long>(html.size() / 1024),
                static_cast<long long>(phase.elapsed()));

    std::sort(times.begin(), times.end());
    std::printf("sheet of 200 photos, 20 crops and 4 markers: median %lld ms, best %lld ms (%d runs, %d cores)\n",
                static_cast<long long>(times[times.size() / 2]), static_cast<long long>(times.front()), runs,
                QThread::idealThreadCount());
    if (!written)
        std::printf("NOT DONE: a run wrote no sheet\n");
    return written ? 0 : 1;
}
