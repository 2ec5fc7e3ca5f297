#include "split/engine/ProductionSheetPdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTextDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace ProductionSheetPdf {

namespace {

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
    QTemporaryFile temporary(QDir(dirPath).filePath(QStringLiteral(".明细制作单-XXXXXX.pdf.part")));
    if (!temporary.open())
        return fail(error, QStringLiteral("%1 无法写入: %2").arg(target, temporary.errorString()));
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(temporaryPath);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        QTextDocument document;
        document.setHtml(html);
        document.print(&printer);
    }

    if (!looksLikePdf(temporaryPath))
        return fail(error, QStringLiteral("%1 生成失败").arg(target));
    // Temporary files are private to their owner; the sheet is for the whole studio.
    QFile::setPermissions(temporaryPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                             | QFileDevice::ReadOther);

    // rename(2) replaces an existing sheet in one step.
    if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(error, QStringLiteral("%1 无法写入: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
    temporary.setAutoRemove(false);
    return true;
}

} // namespace ProductionSheetPdf
