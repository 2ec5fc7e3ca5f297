#pragma once

#include <QHash>
#include <QImage>
#include <QImageIOHandler>
#include <QList>
#include <QSize>
#include <QString>

// One source photo as a worker sees it while writing its copies. The header is
// read once, and one decode feeds the full-size copy and every size copy.
class tfphotosource
{
public:
    explicit tfphotosource(const QString &path);

    const QString &path() const { return m_path; }

    // Reads the header once; false when no image reader accepts the file.
    bool probe();
    QSize storedSize() const { return m_storedSize; }
    QImageIOHandler::Transformations transformation() const { return m_transformation; }
    // Value of the rotation table (1 = nothing to do).
    int orientation() const { return m_orientation; }

    // The upright full-size copy ("all"): a byte copy when nothing needs turning.
    bool copyUpright(const QString &target);
    // The turning copy; any failure falls back to a byte copy.
    bool copyAndRotate(const QString &target);
    // Size copies: the images for these long-side targets are made together from one decode.
    void prepareSizes(const QList<int> &targets);
    // The upright copy whose long side follows target; null on failure.
    QImage scaledCopy(int target);

private:
    bool plainCopy(const QString &target);
    QImage decodeForSizes(const QSize &neededStored);
    QImage oversizeScaledCopy(int target);
    QImage makeScaled(int target);

    QString m_path;
    bool m_probed = false;
    bool m_readable = false;
    QByteArray m_format;
    QSize m_storedSize;
    QImageIOHandler::Transformations m_transformation = QImageIOHandler::TransformationNone;
    int m_orientation = 1;
    QImage m_upright;            // full decode turned by the reader, kept for the size copies
    QList<QImage> m_storedBases; // unturned decodes and copies to scale from
    QHash<int, QImage> m_scaled; // finished size copies by target
};
