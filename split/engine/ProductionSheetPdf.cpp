#include "split/engine/ProductionSheetPdf.h"

#include "split/engine/FJJobFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QScopeGuard>
#include <QTextDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace ProductionSheetPdf {

namespace {

// The resolution the sheet's pixel sizes are meant for.
constexpr int kLayoutDpi = 96;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Whole when it begins as a PDF and ends with the trailer's "%%EOF": a
// printer that ran out of space leaves a file that begins well but stops short.
bool isWholePdf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16 || file.read(5) != QByteArrayLiteral("%PDF-"))
        return false;
    const qint64 tail = qMin<qint64>(file.size(), 64);
    if (!file.seek(file.size() - tail))
        return false;
    return file.read(tail).trimmed().endsWith(QByteArrayLiteral("%%EOF"));
}

// The printer closes its file itself; this puts what it wrote on the disk
// before the rename makes it the sheet.
bool syncToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    return ::close(fd) == 0 && synced;
}

} // namespace

QString fileName()
{
    return QStringLiteral("明细制作单.pdf");
}

QString targetPath(const QString &folder)
{
    return QDir(folder).absoluteFilePath(fileName());
}

bool write(const QString &html, const QString &folder, QString *error, TemporarySweep *sweep)
{
    const QString target = targetPath(folder);
    const QString dirPath = QFileInfo(target).absolutePath();
    QDir().mkpath(dirPath);
    if (!QFileInfo(dirPath).isDir())
        return fail(error, QStringLiteral("%1 无法创建文件夹").arg(dirPath));

    // A temporary name in the same folder, so the rename below cannot cross
    // file systems and a half-printed sheet never takes the real name.
    QString temporaryPath;
    {
        QFile temporary;
        temporaryPath = FJJobFile::createTemporary(dirPath, temporary, fileName(), sweep);
        if (temporaryPath.isEmpty())
            return fail(error, QStringLiteral("%1 无法写入").arg(target));
    }
    auto discard = qScopeGuard([&temporaryPath] {
        if (!temporaryPath.isEmpty())
            QFile::remove(temporaryPath);
    });

    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temporaryPath);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        QTextDocument document;
        document.setHtml(html);
        // Laid out on an A4 page in screen pixels and scaled onto the printer;
        // laid out at the printer's resolution, every pixel size (text, cells)
        // would shrink to a twelfth.
        document.setPageSize(QPageSize(QPageSize::A4).sizePixels(kLayoutDpi));
        // The 2 cm border that printing gives a document without a page size.
        document.setDocumentMargin(2 / 2.54 * kLayoutDpi);
        document.print(&printer);
        if (printer.printerState() == QPrinter::Error)
            return fail(error, QStringLiteral("%1 生成失败").arg(target));
    }

    if (!isWholePdf(temporaryPath) || !syncToDisk(temporaryPath))
        return fail(error, QStringLiteral("%1 生成失败").arg(target));

    // rename(2) replaces an existing sheet in one step.
    if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(error, QStringLiteral("%1 无法写入: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
    temporaryPath.clear();
    return true;
}

} // namespace ProductionSheetPdf
