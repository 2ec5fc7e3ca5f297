#include "split/engine/SheetPictures.h"

#include "split/engine/FJDataThread.h"

#include <QBuffer>
#include <QImageReader>
#include <QThread>
#include <QThreadPool>
#include <QUuid>

#include <atomic>

namespace {

// The placeholder carries a random part, so no service text can forge one.
const QString kTail = QStringLiteral("~");

} // namespace

SheetPictures::SheetPictures()
    : m_prefix(QStringLiteral("sheetpic-%1-").arg(QUuid::createUuid().toString(QUuid::Id128)))
{
}

QString SheetPictures::placeholder(const Request &request)
{
    const QString key = QString::number(request.box) + (request.inMemory ? QLatin1Char('m') : QLatin1Char('f'))
        + request.source;
    auto it = m_index.constFind(key);
    int n = 0;
    if (it != m_index.constEnd()) {
        n = it.value();
    } else {
        n = m_requests.size();
        m_requests.append(request);
        m_index.insert(key, n);
    }
    return m_prefix + QString::number(n) + kTail;
}

QString SheetPictures::file(const QString &path, int box)
{
    if (path.isEmpty())
        return QString();
    return placeholder({path, box, false});
}

QString SheetPictures::dataUrl(const QString &url, int box)
{
    if (!url.startsWith(QLatin1String("data:image/"), Qt::CaseInsensitive))
        return QString();
    return placeholder({url, box, true});
}

namespace {

// The bytes of a base64 "data:image/..." URL; null when it is none.
QByteArray dataUrlBytes(const QString &url)
{
    if (!url.startsWith(QLatin1String("data:image/"), Qt::CaseInsensitive))
        return QByteArray();
    const int comma = url.indexOf(QLatin1Char(','));
    if (comma < 0 || !url.left(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
        return QByteArray();
    return QByteArray::fromBase64(url.mid(comma + 1).toLatin1());
}

} // namespace

QSize SheetPictures::fileSize(const QString &path)
{
    return path.isEmpty() ? QSize() : QImageReader(path).size();
}

QSize SheetPictures::dataUrlSize(const QString &url)
{
    QByteArray bytes = dataUrlBytes(url);
    if (bytes.isEmpty())
        return QSize();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).size();
}

QString SheetPictures::fitDataUrl(const QString &url, int box)
{
    QByteArray bytes = dataUrlBytes(url);
    if (bytes.isEmpty())
        return QString();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead())
        return QString();
    if (box < 1)
        return url;
    return FJDataThread::fittedDataUrl(reader, QStringLiteral("jpg"), box, box);
}

QString SheetPictures::resolve(const QString &html) const
{
    QVector<QString> urls(m_requests.size());
    if (!m_requests.isEmpty()) {
        // A pool of the sheet's own: the job itself runs on the window's pool.
        QThreadPool pool;
        pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
        std::atomic<int> next{0};
        const int workers = qMin(pool.maxThreadCount(), m_requests.size());
        for (int w = 0; w < workers; ++w) {
            pool.start([this, &urls, &next] {
                for (int i = next++; i < m_requests.size(); i = next++) {
                    const Request &r = m_requests.at(i);
                    urls[i] = r.inMemory ? fitDataUrl(r.source, r.box)
                                         : FJDataThread::convertImageToBase64DataUrl(r.source, r.box, r.box);
                }
            });
        }
        pool.waitForDone();
    }

    QString out;
    out.reserve(html.size() + 8 * 1024 * m_requests.size());
    int from = 0;
    for (;;) {
        const int at = html.indexOf(m_prefix, from);
        if (at < 0)
            break;
        const int numberStart = at + m_prefix.size();
        const int end = html.indexOf(kTail, numberStart);
        bool ok = false;
        const int n = end < 0 ? -1 : html.midRef(numberStart, end - numberStart).toInt(&ok);
        out += html.midRef(from, at - from);
        if (!ok || n < 0 || n >= urls.size()) {
            out += m_prefix;
            from = numberStart;
            continue;
        }
        out += urls.at(n);
        from = end + kTail.size();
    }
    out += html.midRef(from);
    return out;
}
