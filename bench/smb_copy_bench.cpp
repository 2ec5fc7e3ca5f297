// Byte-copy throughput to an SMB share: one 10 MB file, 40 files of 5 MB and 200 of
// 100 KB, each written under a temporary name and renamed into place, as the tools do.
//
//   smb_copy_bench                 starts a private share (scripts/smb-share, root and /dev/fuse
//                                  needed), measures it and a local folder, stops the share
//   smb_copy_bench <folder>...     measures the given folders (e.g. a share mounted by hand)
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qint64 kMB = 1000 * 1000;
constexpr qint64 kChunk = 1024 * 1024;
constexpr int kRuns = 3;

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

bool makeSource(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    QRandomGenerator generator{quint32(size)};
    for (qint64 left = size; left > 0; left -= chunk.size()) {
        generator.fillRange(reinterpret_cast<quint32 *>(chunk.data()), int(chunk.size() / 4));
        if (file.write(chunk.constData(), std::min<qint64>(left, chunk.size())) < 0)
            return false;
    }
    return true;
}

bool copyIntoPlace(const QString &source, const QString &target, QString *error)
{
    QFile in(source);
    QFile part(target + QStringLiteral(".part"));
    if (!in.open(QIODevice::ReadOnly) || !part.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot open %1 or %2").arg(source, part.fileName());
        return false;
    }
    QByteArray buffer(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0 || (got > 0 && part.write(buffer.constData(), got) != got)) {
            *error = QStringLiteral("copy to %1 failed: %2").arg(part.fileName(), part.errorString());
            return false;
        }
        if (got == 0)
            break;
    }
    part.close();
    if (part.error() != QFileDevice::NoError || !part.rename(target)) {
        *error = QStringLiteral("cannot finish %1: %2").arg(target, part.errorString());
        return false;
    }
    return true;
}

struct Case
{
    QString name;
    int count;
    qint64 size;
};

// Returns MB/s of every run, empty on failure.
std::vector<double> measure(const QString &targetRoot, const Case &c, const QString &sourceDir)
{
    std::vector<double> rates;
    for (int run = 0; run < kRuns; ++run) {
        const QString folder = QStringLiteral("%1/bench-%2-%3").arg(targetRoot, c.name).arg(run);
        QDir(folder).removeRecursively();
        if (!QDir().mkpath(folder)) {
            out() << "cannot create " << folder << "\n";
            return {};
        }
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < c.count; ++i) {
            QString error;
            const QString name = QStringLiteral("%1-%2.jpg").arg(c.name).arg(i, 3, 10, QLatin1Char('0'));
            if (!copyIntoPlace(QStringLiteral("%1/%2.src").arg(sourceDir, c.name), folder + '/' + name, &error)) {
                out() << error << "\n";
                return {};
            }
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        rates.push_back(double(c.count * c.size) / kMB / seconds);
        QDir(folder).removeRecursively();
    }
    return rates;
}

QByteArray sha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

QString shareScript()
{
    return QDir::cleanPath(QStringLiteral(STUDIO_SOURCE_DIR "/scripts/smb-share"));
}

QString runScript(const QStringList &arguments, bool *ok)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral("bash"), QStringList{shareScript()} + arguments);
    *ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit
          && process.exitCode() == 0;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::vector<Case> cases{{QStringLiteral("1x10MB"), 1, 10 * kMB},
                                  {QStringLiteral("40x5MB"), 40, 5 * kMB},
                                  // Per-file cost (create, rename) dominates here.
                                  {QStringLiteral("200x100KB"), 200, 100 * 1000}};

    QTemporaryDir work(QDir::tempPath() + QStringLiteral("/smb_copy_bench-XXXXXX"));
    const QString sourceDir = work.filePath(QStringLiteral("source"));
    QDir().mkpath(sourceDir);
    for (const Case &c : cases) {
        if (!makeSource(QStringLiteral("%1/%2.src").arg(sourceDir, c.name), c.size)) {
            out() << "cannot write the source files in " << sourceDir << "\n";
            return 1;
        }
    }

    QStringList targets = app.arguments().mid(1);
    QString mount;
    QString served;
    if (targets.isEmpty()) {
        served = work.filePath(QStringLiteral("served"));
        mount = work.filePath(QStringLiteral("mount"));
        bool ok = false;
        const QString share = runScript({QStringLiteral("start"), served, mount}, &ok);
        if (!ok) {
            out() << "the share did not start\n";
            return 1;
        }
        const QString local = work.filePath(QStringLiteral("local"));
        QDir().mkpath(local);
        targets << share << local;
    }

    int status = 0;
    out() << "MB = 10^6 bytes, " << kRuns << " runs each, 1 MiB chunks, written as .part then renamed\n";
    for (const QString &target : targets) {
        for (const Case &c : cases) {
            std::vector<double> rates = measure(target, c, sourceDir);
            if (rates.empty()) {
                status = 1;
                continue;
            }
            std::sort(rates.begin(), rates.end());
            const double median = rates[rates.size() / 2];
            out() << QStringLiteral("%1  %2: median %3 MB/s, %4 files/s (min %5, max %6 MB/s)\n")
                         .arg(target, -50)
                         .arg(c.name, -9)
                         .arg(median, 0, 'f', 1)
                         .arg(median * kMB / c.size, 0, 'f', 0)
                         .arg(rates.front(), 0, 'f', 1)
                         .arg(rates.back(), 0, 'f', 1);
            out().flush();
        }
    }

    if (!mount.isEmpty()) {
        // One last copy checked in the served folder: speed means nothing if the bytes are wrong.
        QString error;
        const QString source = QStringLiteral("%1/%2.src").arg(sourceDir, cases[1].name);
        if (!copyIntoPlace(source, targets.first() + QStringLiteral("/check.jpg"), &error)
            || sha256(source) != sha256(served + QStringLiteral("/check.jpg"))) {
            out() << "bytes on the share differ from the source " << error << "\n";
            status = 1;
        }
        bool ok = false;
        runScript({QStringLiteral("stop"), mount}, &ok);
        if (!ok)
            status = 1;
    }
    return status;
}
