#include "app/core/LoginCredentials.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace {

const QByteArray kScrambleKey = QByteArrayLiteral("NorvaFieldwork1987");

QString utf8UpToZero(const QByteArray &bytes)
{
    const int zero = bytes.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
}

QByteArray xorBytes(QByteArray bytes)
{
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes.at(i) ^ kScrambleKey.at(i % kScrambleKey.size()));
    return bytes;
}

} // namespace

namespace LoginCredentials {

bool write(const QString &path, const QStringList &lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    // The file holds a recoverable password: nobody but the owner may read it.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    for (const QString &line : lines)
        stream << line << '\n';
    stream.flush();
    if (stream.status() != QTextStream::Ok) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

Entries read(const QString &path, bool *ok)
{
    Entries entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (ok)
            *ok = false;
        return entries;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    QString line;
    while (stream.readLineInto(&line)) {
        if (line.startsWith(QLatin1String("username="))) {
            entries.username = line.mid(9);
        } else if (line.startsWith(QLatin1String("password="))) {
            entries.password = line.mid(9);
            entries.hasPassword = true;
        } else if (line.startsWith(QLatin1String("remember="))) {
            entries.remember = line.mid(9);
        }
    }
    if (ok)
        *ok = true;
    return entries;
}

QString base64Encode(const QString &text)
{
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString base64Decode(const QString &text)
{
    const QByteArray decoded = QByteArray::fromBase64(text.toUtf8());
    if (decoded.isNull())
        return QString();
    return utf8UpToZero(decoded);
}

QString xorEncode(const QString &text)
{
    return QString::fromLatin1(xorBytes(text.toUtf8()).toBase64());
}

QString xorDecode(const QString &text)
{
    const QByteArray decoded = QByteArray::fromBase64(text.toUtf8());
    if (decoded.isEmpty())
        return QString(QLatin1String(""));
    return utf8UpToZero(xorBytes(decoded));
}

} // namespace LoginCredentials
