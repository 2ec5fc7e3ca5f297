#pragma once

#include <QHash>
#include <QImage>
#include <QImageIOHandler>
#include <QList>
#include <QSize>
#include <QString>

class ShareTarget;

// One source photo as a worker sees it while writing its copies. The header is
// read once, and one decode feeds the full-size copy and every size copy.
class tfphotosource
{
public:
    explicit tfphotosource(const QString &path);

    const QString &path() const { return m_path; }

    // Reads the header once; false when no image reader accepts the file.
    bool probe();
    // Reads the whole picture once, at the scale the largest of these size
    // copies needs; false when the file is not a whole picture of the kind its
    // name says (truncated, empty, another format). Later calls return the
    // first answer. With uprightOriginal a JPEG is turned for the full-size
    // copy before anything is decoded.
    bool load(const QList<int> &sizeTargets, bool uprightOriginal = false);
    QSize storedSize() const { return m_storedSize; }
    // The format the content has, as the image reader names it; empty before probe().
    QByteArray format() const { return m_format; }
    QImageIOHandler::Transformations transformation() const { return m_transformation; }
    // Value of the rotation table (1 = nothing to do).
    int orientation() const { return m_orientation; }

    // The upright full-size copy ("all"): a byte copy when nothing needs
    // turning; false for a damaged source.
    bool copyUpright(ShareTarget &target);
    // The turning copy: a JPEG is turned losslessly where its sides allow,
    // otherwise re-encoded, keeping its metadata; an encoding failure falls
    // back to a byte copy.
    bool copyAndRotate(ShareTarget &target);
    // Size copies: the images for these long-side targets are made together from one decode.
    void prepareSizes(const QList<int> &targets);
    // The upright copy whose long side follows target; null on failure.
    QImage scaledCopy(int target);

private:
    bool plainCopy(ShareTarget &target);
    bool claimsOtherFormat() const;
    bool turnLosslessly(); // false when the data turns out damaged
    QImage decodeForSizes(const QSize &neededStored);
    QImage oversizeScaledCopy(int target);
    QImage makeScaled(int target);

    QString m_path;
    bool m_probed = false;
    bool m_readable = false;
    bool m_loaded = false;
    bool m_whole = false;
    QByteArray m_data;           // the whole file, for JPEG sources
    QByteArray m_turned;         // the upright full-size copy, turned without re-encoding
    bool m_turnTried = false;
    QByteArray m_format;
    QSize m_storedSize;
    QImageIOHandler::Transformations m_transformation = QImageIOHandler::TransformationNone;
    int m_orientation = 1;
    QList<QImage> m_storedBases; // unturned decodes and copies to scale from
    QHash<int, QImage> m_scaled; // finished size copies by target
};
