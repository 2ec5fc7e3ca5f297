#pragma once

#include "transfer/records/OrderInfo.h"
#include "transfer/records/PhotoInfo.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

// Rules for the picked entries of one order. An entry's kind always comes
// from its own sizeTag, never from the current import kind, so orders that
// were picked under another kind keep counting and grouping correctly.
namespace PickedEntries {

extern const QString kTagAll;
extern const QString kTagTrialVideo;
extern const QString kTagRetouchedVideo;

bool isVideoTag(const QString &sizeTag);
// The "all" entry of a photo or a video entry: one per picked file.
bool isFileEntry(const PhotoInfo &entry);

// Entries for the chosen files under the given import kind, in file order.
QList<PhotoInfo> build(const QStringList &files, const OrderInfo &order, int importType);

// Names of picked files that would land on one target name (equal, or equal
// but for letter case), in pick order; empty when every name is distinct.
QStringList collidingNames(const QStringList &files);

// The tool's own previews live in this folder beside the photos, under the photos' names.
extern const QString kPreviewFolder;
// Picked files that lie in a preview folder, in pick order.
QStringList previewFiles(const QStringList &files);

// Names of picked files that the import would write over in the order's
// folder (names compared as the share does, after case and Unicode folding),
// in pick order. Photos count by their full-size copy alone. A file whose
// full-size copy holds the same bytes is done already and not listed.
QStringList existingNames(const QStringList &files, const QString &orderFolder, int importType);

// The same files, each with the form of its name found in the order's
// folder (the name the service holds): picked name, name on the share.
QList<QPair<QString, QString>> existingForms(const QStringList &files, const QString &orderFolder, int importType);

// Picked files done already under a look-alike name (the full-size copy in
// the order's folder holds the same bytes): picked name -> name on the share.
QHash<QString, QString> doneLookAlikes(const QStringList &files, const QString &orderFolder, int importType);

// Picked photos without a full-size copy in the order's folder: what their
// names find in its size folders is left over and may be replaced (empty for videos).
QSet<QString> withoutFullCopy(const QStringList &files, const QString &orderFolder, int importType);

// The "Cmd+A"/"Ctrl+A" hint of the picking dialog: the key this system uses.
QString selectAllHint();

// Number of picked files (photos or videos) the entries stand for.
int fileCount(const QList<PhotoInfo> &entries);

// Position of the entry that carries the file's state: the group head of a
// photo entry, a video entry itself; -1 for an index out of range.
int fileEntryIndex(const QList<PhotoInfo> &entries, int entryIndex);

// Position of the tile (one per file) that shows the entry at entryIndex.
int tileIndexOf(const QList<PhotoInfo> &entries, int entryIndex);

// Records one import result. Photos: the reported copy's state lands on the
// group head ("all" entry) and the head's statusOrigin is recombined.
// Videos: the entry takes the state. A failure's reason, when given, is kept
// on that entry until the file is uploaded. Returns the index of the entry
// whose statusOrigin describes the file, or -1 for an index out of range.
int applyStatus(QList<PhotoInfo> &entries, int entryIndex, int status, const QString &failure = QString());

// Files whose last import failed.
int failedFiles(const QList<PhotoInfo> &entries);

// True when some entry's own status is Failed.
bool hasFailedEntry(const QList<PhotoInfo> &entries);

// "\n<number>-<round>  总数:n  成功:m[  失败:k]"
QString summaryLine(const OrderInfo &order, int total, int failed);

// Why the failed files failed, for the summary: "\n  <name>：<reason>" for the
// first few, then "\n  …另有n张失败"; empty when none failed.
QString failureLines(const QList<PhotoInfo> &entries);

struct Uploaded
{
    int count = 0;
    QString names; // joined with "|:|"
};
// Files of the list that are fully uploaded, with their names.
Uploaded uploaded(const QList<PhotoInfo> &entries);

} // namespace PickedEntries
