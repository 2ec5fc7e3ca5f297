#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

// A printed PDF read back with poppler's pdftotext and pdfimages, so tests
// check what the page shows rather than the bytes of the file.
namespace PdfReadback {

struct Word {
    int page = 0;
    QRectF box; // points, origin top left
    QString text;
};

struct Image {
    int page = 0;
    int width = 0;
    int height = 0;
    QSizeF drawn; // points on the page
};

struct Document {
    bool ok = false;
    QList<QSizeF> pages;
    QList<Word> words;
    QList<Image> images;

    // All words in reading order, joined without separators.
    QString text() const;
    // Words whose box is not wholly on their page.
    QStringList offPage() const;
    // Words less than points high.
    QStringList smallerThan(double points) const;
    // Images larger than the 16-pixel icon the text layout draws for a
    // picture without source.
    QList<Image> pictures() const;
    // How many words contain needle.
    int count(const QString &needle) const;
    // The first word that contains needle; null box when none.
    Word find(const QString &needle) const;
};

Document read(const QString &pdf);

} // namespace PdfReadback
