#include "transfer/engine/JpegFile.h"

#include <QHash>
#include <QSemaphore>
#include <QtEndian>

#include <turbojpeg.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace JpegFile {

namespace {

using Handle = std::unique_ptr<void, int (*)(tjhandle)>;

struct Segment
{
    int start = 0; // offset of the 0xFF of the marker
    int end = 0;   // one past the segment's last byte
    uchar marker = 0;
};

// Marker segments between SOI and the first scan; false when they do not parse.
bool headerSegments(const QByteArray &data, QList<Segment> *segments, int *scanStart)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    const int size = data.size();
    if (!isJpeg(data))
        return false;
    int pos = 2;
    while (pos + 4 <= size) {
        if (bytes[pos] != 0xFF)
            return false;
        while (pos + 1 < size && bytes[pos + 1] == 0xFF)
            ++pos; // fill bytes
        const uchar marker = bytes[pos + 1];
        if (marker == 0xDA) {
            *scanStart = pos;
            return true;
        }
        if (pos + 4 > size)
            return false;
        const int length = (bytes[pos + 2] << 8) | bytes[pos + 3];
        if (length < 2 || pos + 2 + length > size)
            return false;
        segments->append({pos, pos + 2 + length, marker});
        pos += 2 + length;
    }
    return false;
}

bool isCarriedMetadata(uchar marker)
{
    // APP0 (JFIF) and APP14 (Adobe colour transform) describe the encoding itself.
    return (marker >= 0xE1 && marker <= 0xEF && marker != 0xEE) || marker == 0xFE;
}

class Tiff
{
public:
    Tiff(uchar *data, int size) : m_data(data), m_size(size)
    {
        m_valid = size >= 8 && ((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M'));
        m_little = data[0] == 'I';
    }
    bool valid() const { return m_valid; }
    quint32 u32(int at) const
    {
        if (at < 0 || at + 4 > m_size)
            return 0;
        return m_little ? qFromLittleEndian<quint32>(m_data + at) : qFromBigEndian<quint32>(m_data + at);
    }
    quint16 u16(int at) const
    {
        if (at < 0 || at + 2 > m_size)
            return 0;
        return m_little ? qFromLittleEndian<quint16>(m_data + at) : qFromBigEndian<quint16>(m_data + at);
    }
    void setU16(int at, quint16 value)
    {
        if (at < 0 || at + 2 > m_size)
            return;
        m_data[at + (m_little ? 0 : 1)] = uchar(value & 0xFF);
        m_data[at + (m_little ? 1 : 0)] = uchar(value >> 8);
    }
    // Offset of the entry with tag in the IFD at offset ifd; -1 when absent.
    int entry(quint32 ifd, quint16 tag) const
    {
        if (ifd < 8 || qint64(ifd) + 2 > m_size)
            return -1;
        const int count = u16(int(ifd));
        for (int i = 0; i < count; ++i) {
            const qint64 at = qint64(ifd) + 2 + 12 * i;
            if (at + 12 > m_size)
                return -1;
            if (u16(int(at)) == tag)
                return int(at);
        }
        return -1;
    }
    uchar *data() const { return m_data; }

private:
    uchar *m_data;
    int m_size;
    bool m_valid = false;
    bool m_little = true;
};

// Out of line: inlined, GCC 12 takes the bounds-checked writes for overflows.
__attribute__((noinline)) void resetExif(uchar *tiffData, int size, bool quarterTurn)
{
    Tiff tiff(tiffData, size);
    if (!tiff.valid())
        return;
    const quint32 ifd0 = tiff.u32(4);
    const int orientation = tiff.entry(ifd0, 0x0112);
    if (orientation >= 0 && tiff.u16(orientation + 2) == 3)
        tiff.setU16(orientation + 8, 1);
    const int exifPointer = tiff.entry(ifd0, 0x8769);
    if (!quarterTurn || exifPointer < 0)
        return;
    const quint32 exifIfd = tiff.u32(exifPointer + 8);
    const int width = tiff.entry(exifIfd, 0xA002);
    const int height = tiff.entry(exifIfd, 0xA003);
    if (width < 0 || height < 0)
        return;
    // Type, count and value move together; the tags stay where they are.
    for (int i = 2; i < 12; ++i)
        std::swap(tiff.data()[width + i], tiff.data()[height + i]);
}

void resetXmp(char *begin, char *end)
{
    QByteArray view = QByteArray::fromRawData(begin, int(end - begin));
    for (const char *key : {"tiff:Orientation=\"", "<tiff:Orientation>"}) {
        const int at = view.indexOf(key);
        const int digit = at < 0 ? -1 : at + int(qstrlen(key));
        if (digit >= 0 && digit < view.size() && begin[digit] >= '2' && begin[digit] <= '8')
            begin[digit] = '1';
    }
}

QSemaphore &sharedMemory()
{
    static QSemaphore budget(kSharedMemoryMiB);
    return budget;
}

bool isPrematureEnd(tjhandle handle)
{
    return QByteArray(tjGetErrorStr2(handle)).contains("remature end");
}

// The inverted CMYK that Adobe writes (and YCCK decodes to), turned into RGB as the image reader does.
void cmykToRgb(const uchar *cmyk, QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x, cmyk += 4) {
            const int k = cmyk[3];
            line[x] = qRgb(k * cmyk[0] / 255, k * cmyk[1] / 255, k * cmyk[2] / 255);
        }
    }
}

// Colour components of the first frame; 0 when there is none.
int frameComponents(const QByteArray &data, const QList<Segment> &segments)
{
    for (const Segment &s : segments) {
        const bool frame = s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8
                           && s.marker != 0xCC;
        if (frame && s.end - s.start > 9)
            return uchar(data.at(s.start + 9));
    }
    return 0;
}

// An ICC profile describes one colour model; it only belongs to pixels of that model.
QByteArray iccColourSpace(const QByteArray &data, const QList<Segment> &segments)
{
    static const QByteArray tag("ICC_PROFILE\0", 12);
    for (const Segment &s : segments) {
        const QByteArray payload = QByteArray::fromRawData(data.constData() + s.start + 4, s.end - s.start - 4);
        // Chunk 1 holds the profile header; the colour space is at offset 16 of it.
        if (s.marker == 0xE2 && payload.startsWith(tag) && payload.size() >= 14 + 20 && payload.at(12) == 1)
            return payload.mid(14 + 16, 4);
    }
    return QByteArray();
}

bool isIccSegment(const QByteArray &data, const Segment &s)
{
    return s.marker == 0xE2 && data.mid(s.start + 4, 12) == QByteArray("ICC_PROFILE\0", 12);
}

} // namespace

MemoryShare::MemoryShare(int mib) : m_mib(std::clamp(mib, 1, kSharedMemoryMiB))
{
    sharedMemory().acquire(m_mib);
}

MemoryShare::~MemoryShare()
{
    sharedMemory().release(m_mib);
}

bool isJpeg(const QByteArray &data)
{
    return data.size() >= 4 && uchar(data[0]) == 0xFF && uchar(data[1]) == 0xD8 && uchar(data[2]) == 0xFF;
}

QSize decodedSize(const QSize &stored, const QSize &minimum)
{
    for (int denominator : {8, 4, 2}) {
        const tjscalingfactor factor{1, denominator};
        const QSize candidate(TJSCALED(stored.width(), factor), TJSCALED(stored.height(), factor));
        if (candidate.width() >= minimum.width() && candidate.height() >= minimum.height())
            return candidate;
    }
    return stored;
}

QImage decode(const QByteArray &data, const QSize &minimum, Decode *result)
{
    *result = Decode::Damaged;
    Handle handle(tjInitDecompress(), tjDestroy);
    if (!handle || !isJpeg(data))
        return QImage();
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, ulong(data.size()), &width, &height, &subsampling, &colorspace) != 0)
        return QImage();
    const QSize scaled = decodedSize(QSize(width, height), minimum);
    QImage image(scaled, QImage::Format_RGB32);
    if (image.isNull())
        return QImage();
    // Warnings such as stray bytes before a marker leave a whole picture.
    const auto decoded = [&handle](int rc) {
        return rc == 0 || (tjGetErrorCode(handle.get()) == TJERR_WARNING && !isPrematureEnd(handle.get()));
    };
    if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
        // Decoded like any other picture, so a truncated one shows as damaged.
        QByteArray cmyk;
        cmyk.resize(int(qint64(scaled.width()) * scaled.height() * 4));
        if (!decoded(tjDecompress2(handle.get(), bytes, ulong(data.size()), reinterpret_cast<uchar *>(cmyk.data()),
                                   scaled.width(), scaled.width() * 4, scaled.height(), TJPF_CMYK, 0)))
            return QImage();
        cmykToRgb(reinterpret_cast<const uchar *>(cmyk.constData()), image);
        *result = Decode::Whole;
        return image;
    }
    const int format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRA : TJPF_ARGB;
    if (!decoded(tjDecompress2(handle.get(), bytes, ulong(data.size()), image.bits(), scaled.width(),
                               int(image.bytesPerLine()), scaled.height(), format, 0)))
        return QImage();
    *result = Decode::Whole;
    return image;
}

QByteArray turnedUpright(const QByteArray &data, int orientation, bool *damaged)
{
    *damaged = false;
    static const int operations[] = {TJXOP_NONE, TJXOP_NONE, TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                                     TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
    if (orientation < 2 || orientation > 8)
        return QByteArray();
    Handle handle(tjInitTransform(), tjDestroy);
    if (!handle)
        return QByteArray();
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    if (tjDecompressHeader3(handle.get(), bytes, ulong(data.size()), &width, &height, &subsampling, &colorspace) != 0) {
        *damaged = true;
        return QByteArray();
    }
    tjtransform transform = {};
    transform.op = operations[orientation];
    transform.options = TJXOPT_PERFECT;
    // The turned data is the source's size give or take a little: written straight
    // into a buffer of that size, no growing copies; the rare larger one is redone.
    QByteArray turned;
    int rc = -1;
    // Source and result coefficients at once, two bytes each: about 6 bytes a
    // pixel with the usual 4:2:0 colour.
    const MemoryShare share(int((qint64(width) * height * 6) >> 20) + 1);
    for (const int flags : {int(TJFLAG_NOREALLOC), 0}) {
        unsigned char *out = nullptr;
        unsigned long outSize = 0;
        if (flags) {
            turned.resize(data.size() + data.size() / 8 + 65536);
            out = reinterpret_cast<unsigned char *>(turned.data());
            outSize = ulong(turned.size());
        }
        rc = tjTransform(handle.get(), bytes, ulong(data.size()), 1, &out, &outSize, &transform, flags);
        const bool produced = rc == 0 || (tjGetErrorCode(handle.get()) == TJERR_WARNING && outSize > 0);
        if (!flags) {
            if (produced)
                turned = QByteArray(reinterpret_cast<const char *>(out), int(outSize));
            tjFree(out);
            break;
        }
        if (produced) {
            turned.resize(int(outSize));
            break;
        }
        turned.clear();
        if (!QByteArray(tjGetErrorStr2(handle.get())).contains("too small"))
            break;
    }
    if (rc != 0 && isPrematureEnd(handle.get())) {
        *damaged = true;
        return QByteArray();
    }
    // Empty also for "Transform is not perfect": the caller re-encodes instead.
    return turned.isEmpty() ? turned : withOrientationReset(std::move(turned), orientation >= 5);
}

QByteArray withMetadataOf(const QByteArray &encoded, const QByteArray &source, bool quarterTurn)
{
    QList<Segment> own, carried;
    int ownScan = 0, sourceScan = 0;
    if (!headerSegments(encoded, &own, &ownScan) || !headerSegments(source, &carried, &sourceScan))
        return encoded;
    QByteArray out = encoded.left(2);
    out.reserve(encoded.size() + sourceScan);
    for (const Segment &s : own) {
        if (s.marker == 0xE0)
            out += encoded.mid(s.start, s.end - s.start);
    }
    // A CMYK source's profile would recolour the RGB pixels of the new encoding.
    static const QHash<int, QByteArray> modelOf{{1, "GRAY"}, {3, "RGB "}, {4, "CMYK"}};
    const bool profileFits = iccColourSpace(source, carried) == modelOf.value(frameComponents(encoded, own));
    for (const Segment &s : carried) {
        if (isCarriedMetadata(s.marker) && (profileFits || !isIccSegment(source, s)))
            out += source.mid(s.start, s.end - s.start);
    }
    for (const Segment &s : own) {
        if (s.marker != 0xE0 && !isCarriedMetadata(s.marker))
            out += encoded.mid(s.start, s.end - s.start);
    }
    out += encoded.mid(ownScan);
    return withOrientationReset(out, quarterTurn);
}

QByteArray withOrientationReset(QByteArray data, bool quarterTurn)
{
    QList<Segment> segments;
    int scan = 0;
    if (!headerSegments(data, &segments, &scan))
        return data;
    char *base = data.data(); // detaches once
    static const QByteArray exif("Exif\0\0", 6);
    static const QByteArray xmp("http://ns.adobe.com/xap/1.0/\0", 29);
    for (const Segment &s : segments) {
        if (s.marker != 0xE1)
            continue;
        char *payload = base + s.start + 4;
        const int length = s.end - s.start - 4;
        const QByteArray head = QByteArray::fromRawData(payload, std::min(length, 29));
        if (head.startsWith(exif))
            resetExif(reinterpret_cast<uchar *>(payload + 6), length - 6, quarterTurn);
        else if (head.startsWith(xmp))
            resetXmp(payload + xmp.size(), payload + length);
    }
    return data;
}

} // namespace JpegFile
