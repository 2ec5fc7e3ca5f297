#include "PdfReadback.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTextDocumentFragment>

namespace PdfReadback {

namespace {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

} // namespace

QString Document::text() const
{
    QString all;
    for (const Word &word : words)
        all += word.text;
    return all;
}

QStringList Document::offPage() const
{
    QStringList off;
    for (const Word &word : words) {
        const QRectF page(QPointF(0, 0), pages.value(word.page));
        if (!page.contains(word.box))
            off << QStringLiteral("%1 (page %2, x %3..%4)").arg(word.text).arg(word.page + 1)
                       .arg(word.box.left()).arg(word.box.right());
    }
    return off;
}

QStringList Document::smallerThan(double points) const
{
    QStringList small;
    for (const Word &word : words)
        if (word.box.height() < points)
            small << QStringLiteral("%1 (%2 pt)").arg(word.text).arg(word.box.height());
    return small;
}

QList<Image> Document::pictures() const
{
    QList<Image> real;
    for (const Image &image : images)
        if (image.width > 16 || image.height > 16)
            real << image;
    return real;
}

int Document::count(const QString &needle) const
{
    int n = 0;
    for (const Word &word : words)
        n += word.text.contains(needle) ? 1 : 0;
    return n;
}

Word Document::find(const QString &needle) const
{
    for (const Word &word : words)
        if (word.text.contains(needle))
            return word;
    return Word();
}

Document read(const QString &pdf)
{
    Document doc;
    const QString xhtml = QString::fromUtf8(run(QStringLiteral("pdftotext"), {"-bbox", pdf, "-"}));
    static const QRegularExpression pageTag(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression wordTag(QStringLiteral(
        "<word xMin=\"([0-9.-]+)\" yMin=\"([0-9.-]+)\" xMax=\"([0-9.-]+)\" yMax=\"([0-9.-]+)\">([^<]*)</word>"));
    int page = -1;
    int from = 0;
    for (;;) {
        const QRegularExpressionMatch nextPage = pageTag.match(xhtml, from);
        const QRegularExpressionMatch nextWord = wordTag.match(xhtml, from);
        if (nextPage.hasMatch() && (!nextWord.hasMatch() || nextPage.capturedStart() < nextWord.capturedStart())) {
            doc.pages << QSizeF(nextPage.captured(1).toDouble(), nextPage.captured(2).toDouble());
            ++page;
            from = nextPage.capturedEnd();
        } else if (nextWord.hasMatch()) {
            Word word;
            word.page = qMax(0, page);
            word.box = QRectF(QPointF(nextWord.captured(1).toDouble(), nextWord.captured(2).toDouble()),
                              QPointF(nextWord.captured(3).toDouble(), nextWord.captured(4).toDouble()));
            word.text = QTextDocumentFragment::fromHtml(nextWord.captured(5)).toPlainText();
            doc.words << word;
            from = nextWord.capturedEnd();
        } else {
            break;
        }
    }
    // "page num type width height ... x-ppi y-ppi size ratio" after two header lines.
    const QStringList lines = QString::fromUtf8(run(QStringLiteral("pdfimages"), {"-list", pdf})).split('\n');
    for (int i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines.at(i).simplified().split(' ');
        if (cols.size() > 13 && cols.at(2) == QLatin1String("image")) {
            Image image{cols.at(0).toInt() - 1, cols.at(3).toInt(), cols.at(4).toInt(), QSizeF()};
            const double xppi = cols.at(12).toDouble(), yppi = cols.at(13).toDouble();
            if (xppi > 0 && yppi > 0)
                image.drawn = QSizeF(image.width * 72 / xppi, image.height * 72 / yppi);
            doc.images << image;
        }
    }
    doc.ok = !doc.pages.isEmpty();
    return doc;
}

} // namespace PdfReadback
