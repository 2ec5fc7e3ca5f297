#include "transfer/engine/JpegFile.h"

#include <QRandomGenerator>
#include <QtTest>

#include <turbojpeg.h>

#include <memory>

namespace {

using Handle = std::unique_ptr<void, int (*)(tjhandle)>;

// Grain in every block, so each coefficient of the picture counts.
QByteArray encodeNoise(int width, int height, int subsampling)
{
    QRandomGenerator random(quint32(width * 131 + height * 7 + subsampling));
    QByteArray rgb(width * height * 3, Qt::Uninitialized);
    for (int i = 0; i < rgb.size(); ++i)
        rgb[i] = char(random.bounded(256));
    Handle handle(tjInitCompress(), tjDestroy);
    unsigned char *jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle.get(), reinterpret_cast<const uchar *>(rgb.constData()), width, 0, height, TJPF_RGB,
                    &jpeg, &size, subsampling, 90, 0)
        != 0)
        return QByteArray();
    const QByteArray out(reinterpret_cast<const char *>(jpeg), int(size));
    tjFree(jpeg);
    return out;
}

// The library's own lossless transform: empty when it is not perfect.
QByteArray referenceTurn(const QByteArray &data, int orientation)
{
    static const int operations[] = {TJXOP_NONE, TJXOP_NONE, TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                                     TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
    Handle handle(tjInitTransform(), tjDestroy);
    tjtransform transform = {};
    transform.op = operations[orientation];
    transform.options = TJXOPT_PERFECT;
    unsigned char *out = nullptr;
    unsigned long size = 0;
    const int rc = tjTransform(handle.get(), reinterpret_cast<const uchar *>(data.constData()), ulong(data.size()), 1,
                               &out, &size, &transform, 0);
    const QByteArray result = rc == 0 ? QByteArray(reinterpret_cast<const char *>(out), int(size)) : QByteArray();
    tjFree(out);
    return result;
}

// The EXIF block a camera writes, little-endian: the orientation and the
// stored pixel size (width a LONG, height a SHORT), right after SOI.
QByteArray withExif(const QByteArray &jpeg, int orientation, const QSize &size)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    const auto u16 = [&tiff](quint32 v) { tiff.append(char(v & 0xFF)).append(char(v >> 8 & 0xFF)); };
    const auto u32 = [&u16](quint32 v) { u16(v & 0xFFFF); u16(v >> 16); };
    const auto entry = [&](int tag, int type, quint32 value) {
        u16(quint32(tag));
        u16(quint32(type));
        u32(1);
        u32(type == 3 ? value & 0xFFFF : value); // a SHORT sits in the first two bytes
    };
    // IFD0 at 8 (two entries, 30 bytes), the EXIF IFD right after it.
    u16(2);
    entry(0x0112, 3, quint32(orientation));
    entry(0x8769, 4, 8 + 30);
    u32(0);
    u16(2);
    entry(0xA002, 4, quint32(size.width()));
    entry(0xA003, 3, quint32(size.height()));
    u32(0);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const int length = payload.size() + 2;
    return jpeg.left(2) + "\xFF\xE1" + char(length >> 8) + char(length & 0xFF) + payload + jpeg.mid(2);
}

// The orientation and EXIF pixel size of a block written as above: each read by its tag, with its own type.
QPair<int, QSize> exifOf(const QByteArray &jpeg)
{
    const int at = jpeg.indexOf(QByteArray("Exif\0\0", 6));
    const QByteArray tiff = at < 0 ? QByteArray() : jpeg.mid(at + 6);
    const auto u16 = [&tiff](int p) { return p + 2 <= tiff.size() ? quint32(uchar(tiff[p]) | uchar(tiff[p + 1]) << 8) : 0u; };
    const auto u32 = [&u16](int p) { return u16(p) | u16(p + 2) << 16; };
    const auto value = [&](int ifd, quint32 tag) {
        for (int i = 0; i < int(u16(ifd)); ++i) {
            const int entry = ifd + 2 + 12 * i;
            if (u16(entry) == tag)
                return int(u16(entry + 2) == 3 ? u16(entry + 8) : u32(entry + 8));
        }
        return -1;
    };
    const int exif = value(8, 0x8769);
    return {value(8, 0x0112), QSize(value(exif, 0xA002), value(exif, 0xA003))};
}

QByteArray decodeRgb(const QByteArray &data, QSize *size)
{
    Handle handle(tjInitDecompress(), tjDestroy);
    int w = 0, h = 0, sub = 0, cs = 0;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    if (tjDecompressHeader3(handle.get(), bytes, ulong(data.size()), &w, &h, &sub, &cs) != 0)
        return QByteArray();
    QByteArray rgb(w * h * 3, Qt::Uninitialized);
    if (tjDecompress2(handle.get(), bytes, ulong(data.size()), reinterpret_cast<uchar *>(rgb.data()), w, 0, h,
                      TJPF_RGB, 0)
        != 0)
        return QByteArray();
    *size = QSize(w, h);
    return rgb;
}

} // namespace

class TestJpegFile : public QObject
{
    Q_OBJECT

private slots:
    void turnMatchesLibraryTransform_data();
    void turnMatchesLibraryTransform();
    void turnBytesFollowSubsampling_data();
    void turnBytesFollowSubsampling();
    void truncatedTurnIsDamaged();
};

void TestJpegFile::turnMatchesLibraryTransform_data()
{
    QTest::addColumn<int>("subsampling");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("orientation");
    const QList<QPair<const char *, int>> samplings{
        {"444", TJSAMP_444}, {"422", TJSAMP_422}, {"420", TJSAMP_420}, {"grey", TJSAMP_GRAY}, {"440", TJSAMP_440}};
    // Whole MCUs, sides that are not (some turns refused, as the library refuses them), and
    // a picture taller than one band of turned rows.
    for (const QSize &size : {QSize(64, 48), QSize(72, 40), QSize(70, 50), QSize(64, 50), QSize(70, 48), QSize(320, 144)}) {
        for (const auto &sampling : samplings) {
            for (int o = 2; o <= 8; ++o)
                QTest::addRow("%s %dx%d o%d", sampling.first, size.width(), size.height(), o)
                    << sampling.second << size << o;
        }
    }
}

// Same coefficients and tables as the library's transform: the decoded pixels are identical.
void TestJpegFile::turnMatchesLibraryTransform()
{
    QFETCH(int, subsampling);
    QFETCH(QSize, size);
    QFETCH(int, orientation);
    const QByteArray plain = encodeNoise(size.width(), size.height(), subsampling);
    QVERIFY(!plain.isEmpty());
    const QByteArray source = withExif(plain, orientation, size);
    const QByteArray expected = referenceTurn(source, orientation);
    bool damaged = true;
    const QByteArray turned = JpegFile::turnedUpright(source, orientation, &damaged);
    QVERIFY(!damaged);
    QCOMPARE(turned.isEmpty(), expected.isEmpty());
    if (expected.isEmpty())
        return;
    QSize expectedSize, turnedSize;
    const QByteArray want = decodeRgb(expected, &expectedSize);
    const QByteArray got = decodeRgb(turned, &turnedSize);
    QVERIFY(!want.isEmpty());
    QCOMPARE(turnedSize, expectedSize);
    QCOMPARE(turnedSize, orientation >= 5 ? size.transposed() : size);
    QVERIFY(got == want);
    // Upright now, and the EXIF pixel size is the turned picture's.
    QCOMPARE(exifOf(turned), qMakePair(1, turnedSize));
}

void TestJpegFile::turnBytesFollowSubsampling_data()
{
    QTest::addColumn<int>("subsampling");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<qint64>("coefficientBytes");
    // Two bytes a coefficient, one coefficient a stored sample.
    QTest::newRow("444") << int(TJSAMP_444) << QSize(160, 96) << qint64(160 * 96 * 6);
    QTest::newRow("422") << int(TJSAMP_422) << QSize(160, 96) << qint64(160 * 96 * 4);
    QTest::newRow("440") << int(TJSAMP_440) << QSize(160, 96) << qint64(160 * 96 * 4);
    QTest::newRow("420") << int(TJSAMP_420) << QSize(160, 96) << qint64(160 * 96 * 3);
    QTest::newRow("grey") << int(TJSAMP_GRAY) << QSize(160, 96) << qint64(160 * 96 * 2);
    // Partial MCUs are stored whole: 4x4 luma blocks and 2x2 of each chroma, 128 bytes each.
    QTest::newRow("420 partial") << int(TJSAMP_420) << QSize(17, 17) << qint64((16 + 4 + 4) * 128);
    QTest::newRow("422 partial") << int(TJSAMP_422) << QSize(17, 9) << qint64((4 * 2 + 2 * 2 * 2) * 128);
}

void TestJpegFile::turnBytesFollowSubsampling()
{
    QFETCH(int, subsampling);
    QFETCH(QSize, size);
    QFETCH(qint64, coefficientBytes);
    const QByteArray source = encodeNoise(size.width(), size.height(), subsampling);
    QVERIFY(!source.isEmpty());
    QCOMPARE(JpegFile::turnBytes(source), coefficientBytes + source.size());
    QCOMPARE(JpegFile::turnBytes(QByteArray("not a picture")), qint64(0));
}

void TestJpegFile::truncatedTurnIsDamaged()
{
    const QByteArray source = encodeNoise(64, 48, TJSAMP_420);
    for (int keep : {source.size() / 2, source.size() - 2}) {
        bool damaged = false;
        QVERIFY(JpegFile::turnedUpright(source.left(keep), 6, &damaged).isEmpty());
        QVERIFY2(damaged, qPrintable(QString::number(keep)));
    }
    bool damaged = true;
    QVERIFY(!JpegFile::turnedUpright(source, 6, &damaged).isEmpty());
    QVERIFY(!damaged);
}

QTEST_GUILESS_MAIN(TestJpegFile)
#include "tst_jpegfile.moc"
