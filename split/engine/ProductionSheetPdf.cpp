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

bool looksLikePdf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.size() > 0 && file.read(5) == QByteArrayLiteral("%PDF-");
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

bool write(const QString &html, const QString &folder, QString *error)
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
        temporaryPath = FJJobFile::createTemporary(dirPath, temporary);
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
    }

    if (!looksLikePdf(temporaryPath))
        return fail(error, QStringLiteral("%1 生成失败").arg(target));

    // rename(2) replaces an existing sheet in one step.
    if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(error, QStringLiteral("%1 无法写入: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
    temporaryPath.clear();
    return true;
}

} // namespace ProductionSheetPdf
