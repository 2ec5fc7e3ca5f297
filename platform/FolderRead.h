#pragma once

#include <QString>

namespace FolderRead {

// 0 when folder can be listed to its end, else the errno of the failure. A
// share whose server went away may still answer a look-up from its cache;
// only a listing reaches the server.
int listingError(const QString &folder);

// For tests only: once a listing has read afterEntries entries, its next read
// fails with error, as on a share whose server goes away part way through a
// folder. error 0 (the program's) turns it off.
void failListingForTests(int error, int afterEntries);

} // namespace FolderRead
