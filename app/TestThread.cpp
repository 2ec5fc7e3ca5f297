#include "app/TestThread.h"

#include "app/core/Logging.h"

#include <QDir>

QMutex mutex;

TestThread::TestThread(QString path, QMap<QString, QString> data, QWidget *parent)
    : parent(parent)
    , path(path)
    , data(data)
{
}

TestThread::~TestThread() = default;

void TestThread::run()
{
    const QString filepath = data[QStringLiteral("filepath")];
    const QString imgname = data[QStringLiteral("imgname")];
    const QString importpath = data[QStringLiteral("importpath")];
    Q_UNUSED(filepath)

    const QDir importDir(importpath);
    if (!QDir(importpath).exists())
        QDir().mkpath(importpath);
    QStringList sizeFolders;
    for (const char *size : {"1920", "190", "90"}) {
        const QString folder = importDir.absoluteFilePath(QLatin1String(size));
        if (!QDir(folder).exists())
            QDir().mkpath(folder);
        sizeFolders << folder;
    }
    qCDebug(lcApp) << "线程1------------------------1";
    const QString bigPath = sizeFolders.at(0) + QLatin1Char('/') + imgname;
    qCDebug(lcApp) << "线程1------------------------2";
    const QString middlePath = sizeFolders.at(1) + QLatin1Char('/') + imgname;
    const QString smallPath = sizeFolders.at(2) + QLatin1Char('/') + imgname;
    qCDebug(lcApp) << "线程1------------------------3";
    Q_UNUSED(bigPath)
    Q_UNUSED(middlePath)
    Q_UNUSED(smallPath)
}

void TestThread::scaleimg(QString source, int size, QString target)
{
    Q_UNUSED(source)
    Q_UNUSED(size)
    Q_UNUSED(target)
}
