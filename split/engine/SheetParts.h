#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>

// The markup both production sheets share: the style block, the header row,
// a requirement block, the disclaimer, the signature row and the closing
// time line. Each appends to the sheet's HTML text; values are given ready
// for the markup (escaped or passed through shopMarkup by the caller).
namespace SheetParts {

// A service value as HTML text.
QString escaped(const QString &value);
// The shop's own markup ("shopdisclaimer", "getphotodate_html"): its line
// breaks and text formatting stay; every other tag, and every attribute,
// is dropped, so it cannot bring pictures, links or styles onto the sheet.
QString shopMarkup(const QString &markup);

void appendStyle(QString &html);
// Shop name (24 px bold) centred, the barcode picture in the right column.
// barcodePixels is the picture's own size (invalid when unknown).
void appendHeader(QString &html, const QString &shopName, const QString &barcodeSource,
                  const QSize &barcodePixels);
// The size a barcode of pixels is drawn at so it fits its third of the
// header row; invalid when its own size fits.
QSize barcodeDrawSize(const QSize &pixels);
// The grey header row of a product table, its ten columns.
void appendProductHeader(QString &html);
// A heading table with label, then a bordered table with one cell of text.
void appendRequirementBlock(QString &html, const QString &label, const QString &text);
void appendDisclaimer(QString &html, const QString &markup);
// 选片人, 核单员, 收发人 and 客人确认签名.
void appendSignatureRow(QString &html, const QString &selector);
// Closes the centred division, then the print time right-aligned, then the document.
void appendClosing(QString &html, const QDateTime &printTime);

// Attributes of a picture cell of a six-to-a-row grid: a sixth of the row
// and the picture at its box size, so a full row stays on the page.
QString gridImage(int box);

} // namespace SheetParts
