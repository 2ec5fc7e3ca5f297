#pragma once

#include <QString>

namespace FolderRead {

// 0 when folder can be listed to its end, else the errno of the failure. A
// share whose server went away may still answer a look-up from its cache;
// only a listing reaches the server.
int listingError(const QString &folder);

} // namespace FolderRead
