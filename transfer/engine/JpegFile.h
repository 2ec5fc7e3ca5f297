#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// JPEG work the image reader cannot do: decodes that tell a damaged file from
// a whole one, lossless turns of the coefficients, and the metadata segments
// (EXIF, ICC, XMP) carried from a source to a new encoding.
namespace JpegFile {

enum class Decode {
    Whole,       // every scan line came from the file
    Damaged,     // truncated or unreadable: the picture is not the photo
};

// Decodes data at the smallest DCT scale whose size covers minimum (stored
// orientation; an empty minimum means the smallest scale).
QImage decode(const QByteArray &data, const QSize &minimum, Decode *result);
// The size decode gives for a picture of this stored size.
QSize decodedSize(const QSize &stored, const QSize &minimum);

// The picture turned upright by its EXIF orientation without re-encoding,
// every metadata segment kept and the orientation set to 1. Empty when the
// sides are not whole blocks (the turn would move or cut edge pixels) or
// the data is damaged (*damaged set).
QByteArray turnedUpright(const QByteArray &data, int orientation, bool *damaged);

// encoded with the source's APP1 to APP13, APP15 and comment segments in
// place of its own (the ICC profile only when it describes encoded's colour
// model); the EXIF orientation is set to 1 (pixel dimensions
// swapped when the picture was given a quarter turn).
QByteArray withMetadataOf(const QByteArray &encoded, const QByteArray &source, bool quarterTurn);

// EXIF orientation (and XMP tiff:Orientation) set to 1, pixel dimensions
// swapped when quarterTurn; other bytes untouched.
QByteArray withOrientationReset(QByteArray data, bool quarterTurn);

bool isJpeg(const QByteArray &data);

// The import workers' large buffers (decoded pictures, coefficients of a
// turn) share this many MiB: a worker waits until its share is free, so the
// peak memory of a run stays bounded whatever the photos' size. A share
// larger than the whole waits for all of it.
constexpr int kSharedMemoryMiB = 300;

class MemoryShare
{
public:
    explicit MemoryShare(int mib);
    ~MemoryShare();
    MemoryShare(const MemoryShare &) = delete;
    MemoryShare &operator=(const MemoryShare &) = delete;

private:
    int m_mib;
};

} // namespace JpegFile
