#pragma once

#include <QString>

// The remembered-credentials file "login_config.txt": lines of key=value.
namespace LoginCredentials {

struct Entries {
    QString username;
    QString password; // as stored (encoded); null when no line gave one
    QString remember; // the raw value of the "remember=" line
    bool hasPassword = false;
};

// Writes the lines to a temporary file readable by the owner only and
// renames it into place. False when the file cannot be written.
bool write(const QString &path, const QStringList &lines);

// Reads the file; a later line of a key replaces an earlier one; other
// lines ("enterprise_id=" among them) are ignored. ok is false when the file
// cannot be opened.
Entries read(const QString &path, bool *ok);

// Base64 of the UTF-8 bytes, and back (stopping at the first zero byte).
QString base64Encode(const QString &text);
QString base64Decode(const QString &text);

// The older window's scrambling: UTF-8 bytes XORed with a repeating key, in Base64.
QString xorEncode(const QString &text);
QString xorDecode(const QString &text);

} // namespace LoginCredentials
