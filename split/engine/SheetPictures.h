#pragma once

#include <QHash>
#include <QSize>
#include <QString>
#include <QStringList>

// The pictures of one production sheet. While the markup is put together,
// each picture gets a placeholder for its src attribute; resolve() then
// decodes every distinct picture once, scaled to its box, in parallel, and
// puts the data URLs in place. Decoding 24-megapixel files one after the
// other inside the markup loop is what made a sheet take seconds.
class SheetPictures
{
public:
    SheetPictures();

    // A picture file, fitted onto a white box x box canvas (box 0: the file's
    // own bytes). Empty text when path is empty.
    QString file(const QString &path, int box);
    // A picture the caller already holds as a "data:image/..." URL, fitted
    // the same way. Anything else (a file path, a remote or file: URL) is
    // refused with an empty source, so the sheet never reads a file of its own accord.
    QString dataUrl(const QString &url, int box);

    // The pixel size of a picture file or of a "data:image/..." URL, read
    // from its header only; invalid when it is neither or does not say.
    static QSize fileSize(const QString &path);
    static QSize dataUrlSize(const QString &url);

    // html with every placeholder replaced by its data URL (empty when the
    // picture could not be read).
    QString resolve(const QString &html) const;

    // The data URL of an in-memory "data:image/..." URL fitted into box; null
    // text when it is not such a URL or does not decode.
    static QString fitDataUrl(const QString &url, int box);

private:
    struct Request {
        QString source;
        int box = 0;
        bool inMemory = false;
    };
    QString placeholder(const Request &request);

    QString m_prefix;
    QList<Request> m_requests;
    QHash<QString, int> m_index;
};
