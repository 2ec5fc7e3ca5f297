#include "split/engine/FJSheetPdf.h"

#include <QFile>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryFile>
#include <QTextDocument>

#include <cerrno>
#include <cstdio>
#include <cstring>

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
    return file.open(QIODevice::ReadOnly) && file.read(5) == "%PDF-";
}

} // namespace

bool FJSheetPdf::write(const QString &html, const QString &target, QString *error)
{
    const QFileInfo info(target);
    if (target.isEmpty() || !info.isAbsolute())
        return fail(error, QStringLiteral("输出路径无效: %1").arg(target));
    if (!QFileInfo(info.path()).isDir())
        return fail(error, QStringLiteral("目录不存在: %1").arg(info.path()));

    // Reserve a unique temporary name beside the target; the printer writes to it.
    QTemporaryFile temp(info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    temp.setAutoRemove(true);
    if (!temp.open())
        return fail(error, QStringLiteral("无法写入目录: %1 (%2)").arg(info.path(), temp.errorString()));
    const QString tempPath = temp.fileName();
    temp.close();

    bool printed = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(tempPath);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
        QTextDocument document;
        document.setHtml(html);
        document.print(&printer);
        printed = printer.printerState() != QPrinter::Error;
    } // the printer finishes the file when it goes

    if (!printed || QFileInfo(tempPath).size() == 0 || !looksLikePdf(tempPath))
        return fail(error, QStringLiteral("PDF 打印失败: %1").arg(target));

    // rename() replaces an older sheet in one step.
    if (std::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(error, QStringLiteral("无法替换 %1: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
    temp.setAutoRemove(false);
    if (!QFileInfo(target).isFile())
        return fail(error, QStringLiteral("目标文件不存在: %1").arg(target));
    return true;
}
