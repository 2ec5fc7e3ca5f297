#pragma once

#include <QByteArray>

// Renames without ever replacing a file: a copy placed on the share must not
// take the name of one that appeared there meanwhile.
namespace NoReplaceRename {

// Gives from the name to (both relative to the folder dir, or absolute with
// AT_FDCWD), only while no file has it; false with errno EEXIST otherwise.
// Falls back to a hard link, then to a look before the rename, on file
// systems that know no such flag.
bool rename(int dir, const QByteArray &from, const QByteArray &to);

// For tests only: makes this machine's disks behave like shares that know no
// such flag (WithoutFlag) or, in addition, no hard links (WithoutFlagOrLinks),
// so the fallbacks run. Off (None) in the program.
enum class Fallback { None, WithoutFlag, WithoutFlagOrLinks };
void forceFallbackForTests(Fallback fallback);

} // namespace NoReplaceRename
