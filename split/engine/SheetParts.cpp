#include "split/engine/SheetParts.h"

#include <QRegularExpression>
#include <QSet>

namespace SheetParts {

QString escaped(const QString &value)
{
    return value.toHtmlEscaped();
}

QString shopMarkup(const QString &markup)
{
    static const QSet<QString> kept = {"br", "p", "b", "strong", "i", "em", "u", "span", "div", "font",
                                       "ol", "ul", "li"};
    static const QRegularExpression tag(QStringLiteral("<\\s*(/?)\\s*([A-Za-z][A-Za-z0-9]*)[^>]*>"));
    QString out;
    int from = 0;
    auto it = tag.globalMatch(markup);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += markup.midRef(from, m.capturedStart() - from);
        const QString name = m.captured(2).toLower();
        if (kept.contains(name))
            out += QLatin1Char('<') + m.captured(1) + name + QLatin1Char('>');
        from = m.capturedEnd();
    }
    out += markup.midRef(from);
    return out;
}

void appendStyle(QString &html)
{
    static const char *const pieces[] = {
        // No "<!--" wrapper: Qt's rich text drops a style block wrapped in one.
        "<style type=\"text/css\">",
        ".style1 {", "\tfont-size: 24px;", "\tfont-weight: bold;", "}",
        ".style2 {", "\tfont-size: 16px;", "\tfont-weight: bold;", "}",
        ".style4 {", "\tfont-size: 16px;", "\tfont-weight: bold;", "}",
        ".style3 {", "\tfont-size: 12px;", "}",
        ".justify1 {", "\tdisplay:inline-block;", "\twidth:100%;;", "   overflow:hidden;", "}",
        "body,td,th {", "\tfont-size: 14px;", "}",
        "p { margin: 0px; padding: 0px;}",
        "</style>",
    };
    for (const char *piece : pieces)
        html += QString::fromUtf8(piece);
}

QSize barcodeDrawSize(const QSize &pixels)
{
    // A third of the page is about 210 pixels wide; a wider barcode drawn at
    // its own size would squeeze the shop name into one character per line.
    const QSize cell(160, 80);
    if (!pixels.isValid() || pixels.isEmpty() || (pixels.width() <= cell.width() && pixels.height() <= cell.height()))
        return QSize();
    return pixels.scaled(cell, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

void appendHeader(QString &html, const QString &shopName, const QString &barcodeSource, const QSize &barcodePixels)
{
    html += QStringLiteral("<p><table width=100%  border=0 cellspacing=0 cellpadding=1;><tr bgcolor=\"#FFFFFF\">"
                           "<td width=33%><div align=\"center\"></div></td><td width=33%><div align=\"center\">");
    html += QStringLiteral("<span align=\"center\" class=\"style1\">") + shopName + QStringLiteral("</span>");
    html += QStringLiteral("</div></td><td width=33%><div align=\"center\">");
    const QSize drawn = barcodeDrawSize(barcodePixels);
    html += QStringLiteral("<img  align=\"center\"  ");
    if (drawn.isValid())
        html += QStringLiteral("width=\"%1\" height=\"%2\" ").arg(drawn.width()).arg(drawn.height());
    html += QStringLiteral("src=\"") + barcodeSource + QStringLiteral("\" />");
    html += QStringLiteral("</div></td></tr></table></p>");
    html += QStringLiteral("<br>");
}

void appendProductHeader(QString &html)
{
    // Headers do not wrap: their widths keep a grid of six pictures below
    // from widening the narrow columns and squeezing the last ones.
    static const char *const columns[][2] = {
        {"5%", "序号"}, {"10%", "名称"}, {"5%", "类别"}, {"5%", "P数"}, {"5%", "加P数"}, {"5%", "张数"},
        {"5%", "数量"}, {"20%", "制作要求"}, {"15%", "产品说明(对内)"}, {"20%", "授权备注(对外)"},
    };
    html += QStringLiteral("  <tr bgcolor=\"#CCCCCC\">");
    for (const auto &column : columns)
        html += QStringLiteral("    <td width=\"%1\" style=\"white-space: nowrap;\"><div align=\"center\">%2</div></td>")
                    .arg(QString::fromUtf8(column[0]), QString::fromUtf8(column[1]));
    html += QStringLiteral("  </tr>");
}

void appendRequirementBlock(QString &html, const QString &label, const QString &text)
{
    html += QStringLiteral("<table width=\"100%\"  border=\"0\">");
    html += QStringLiteral("  <tr>");
    html += QStringLiteral("    <td align=\"left\"><span class=\"style2\">") + label + QStringLiteral("</span></td>");
    html += QStringLiteral("  </tr>");
    html += QStringLiteral("</table>");
    html += QStringLiteral("<table width=\"100%\" cellspacing=\"0\" border=\"1\">");
    html += QStringLiteral("  <tr>  <td align=\"left\"><span>") + text + QStringLiteral("&nbsp;")
        + QStringLiteral("</span></td></tr>");
    html += QStringLiteral("</table>");
    html += QStringLiteral("<BR>");
}

void appendDisclaimer(QString &html, const QString &markup)
{
    html += QStringLiteral("<table width=\"100%\"  border=\"0\">");
    html += QStringLiteral("  <tr>");
    html += QStringLiteral("    <td align=\"left\"><span>") + markup + QStringLiteral("<BR></span></td>");
    html += QStringLiteral("  </tr>");
    html += QStringLiteral("</table>");
    html += QStringLiteral("<BR>");
}

void appendSignatureRow(QString &html, const QString &selector)
{
    html += QStringLiteral("<table width=\"100%\"  border=\"0\" cellspacing=\"0\" cellpadding=\"1\">");
    html += QStringLiteral("  <tr>");
    html += QStringLiteral("    <td align=\"left\" class=\"style2\" width=\"18%\">选片人：") + selector
        + QStringLiteral("</td>");
    html += QStringLiteral("    <td align=\"left\" class=\"style2\" width=\"25%\">核单员：___________&nbsp;</td>");
    html += QStringLiteral("    <td align=\"left\" class=\"style2\" width=\"25%\">收发人：___________&nbsp;</td>");
    html += QStringLiteral("    <td align=\"left\" class=\"style2\" width=\"32%\">客人确认签名：___________&nbsp;</td>");
    html += QStringLiteral("  </tr>");
    html += QStringLiteral("</table>");
}

void appendClosing(QString &html, const QDateTime &printTime)
{
    html += QStringLiteral("</div>");
    html += QStringLiteral("<BR>");
    html += QStringLiteral("<div style=\"font-size:12px\" align=\"center\"><p align=\"right\">")
        + printTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) + QStringLiteral("</p></div>");
    html += QStringLiteral("</body>");
    html += QStringLiteral("</HTML>");
}

QString gridImage(int box)
{
    return QStringLiteral("width=\"%1\" height=\"%1\"").arg(box);
}

} // namespace SheetParts
