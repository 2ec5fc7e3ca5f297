#include "transfer/engine/JpegFile.h"

#include <QHash>
#include <QSemaphore>
#include <QtEndian>

#include <turbojpeg.h>

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <sys/mman.h>
#include <unistd.h>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

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

// Picture size and each component's sampling factors, from the frame header.
bool jpegGeometry(const QByteArray &data, int *width, int *height, QList<QPair<int, int>> *sampling)
{
    QList<Segment> segments;
    int scan = 0;
    if (!headerSegments(data, &segments, &scan))
        return false;
    const auto *bytes = reinterpret_cast<const uchar *>(data.constData());
    for (const Segment &s : segments) {
        const bool frame = s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8
                           && s.marker != 0xCC;
        if (!frame || s.end - s.start < 10)
            continue;
        const uchar *f = bytes + s.start + 4;
        *height = (f[1] << 8) | f[2];
        *width = (f[3] << 8) | f[4];
        const int components = f[5];
        if (*width <= 0 || *height <= 0 || components < 1 || s.start + 10 + 3 * components > s.end)
            return false;
        for (int c = 0; c < components; ++c) {
            const int factors = f[6 + 3 * c + 1];
            if ((factors >> 4) < 1 || (factors & 15) < 1)
                return false;
            sampling->append({factors >> 4, factors & 15});
        }
        return true;
    }
    return false;
}

qint64 coefficientBytes(const QSize &size, const QList<QPair<int, int>> &sampling)
{
    int maxH = 1, maxV = 1;
    for (const auto &f : sampling) {
        maxH = std::max(maxH, f.first);
        maxV = std::max(maxV, f.second);
    }
    const auto ceilDiv = [](qint64 a, qint64 b) { return (a + b - 1) / b; };
    qint64 bytes = 0;
    for (const auto &f : sampling) {
        // Block rows and columns as the decoder stores them: padded to whole MCUs.
        const qint64 columns = ceilDiv(ceilDiv(qint64(size.width()) * f.first, maxH * 8), f.first) * f.first;
        const qint64 rows = ceilDiv(ceilDiv(qint64(size.height()) * f.second, maxV * 8), f.second) * f.second;
        bytes += columns * rows * qint64(sizeof(JBLOCK));
    }
    return bytes;
}

// A lossless turn done with the coefficients of the source only: each block row
// of the result is made from them when the encoder asks for it, so a turn holds
// one copy of the picture's coefficients instead of two.
class Turn
{
public:
    Turn(const QByteArray &data, int orientation) : m_data(data), m_orientation(orientation) { planBlocks(); }

    QByteArray run(bool *damaged)
    {
        std::memset(&m_src, 0, sizeof m_src);
        std::memset(&m_dst, 0, sizeof m_dst);
        // One error manager for both sides: any error ends the turn at the jump below.
        m_src.err = jpeg_std_error(&m_trap.pub);
        m_dst.err = m_src.err;
        m_trap.pub.error_exit = &ErrorTrap::exit;
        m_trap.pub.emit_message = &ErrorTrap::message;
        jpeg_create_decompress(&m_src);
        jpeg_create_compress(&m_dst);
        QByteArray result;
        if (setjmp(m_trap.jump) == 0)
            result = transform();
        *damaged = m_trap.prematureEnd || m_headerFailed;
        jpeg_destroy_compress(&m_dst);
        jpeg_destroy_decompress(&m_src);
        return *damaged ? QByteArray() : result;
    }

private:
    struct ErrorTrap
    {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        bool prematureEnd = false;

        static void exit(j_common_ptr cinfo)
        {
            auto *trap = reinterpret_cast<ErrorTrap *>(cinfo->err);
            if (cinfo->err->msg_code == JERR_INPUT_EOF)
                trap->prematureEnd = true;
            std::longjmp(trap->jump, 1);
        }
        static void message(j_common_ptr cinfo, int level)
        {
            // Stray bytes and the like leave a whole picture; a missing end does not.
            if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
                reinterpret_cast<ErrorTrap *>(cinfo->err)->prematureEnd = true;
        }
    };

    // Stands in for one result component's coefficient array.
    struct LazyArray
    {
        int component = 0;
        JDIMENSION first = 0; // result row of rows[0]
        std::vector<JCOEF> coefficients;
        std::vector<JBLOCKROW> rows;
    };

    static JBLOCKARRAY accessLazy(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION startRow,
                                  JDIMENSION numRows, boolean writable)
    {
        auto *turn = static_cast<Turn *>(cinfo->client_data);
        for (LazyArray &lazy : turn->m_lazy) {
            if (reinterpret_cast<jvirt_barray_ptr>(&lazy) == array)
                return turn->fill(lazy, startRow, numRows);
        }
        return turn->m_dstAccess(cinfo, array, startRow, numRows, writable);
    }

    bool transposes() const { return m_orientation >= 5; }

    // The turn moves partial edge blocks unless the mirrored sides are whole MCUs.
    bool isPerfect() const
    {
        const int mcuW = m_src.max_h_samp_factor * DCTSIZE;
        const int mcuH = m_src.max_v_samp_factor * DCTSIZE;
        const bool wholeW = m_src.image_width % mcuW == 0;
        const bool wholeH = m_src.image_height % mcuH == 0;
        switch (m_orientation) {
        case 2: return wholeW;           // mirror
        case 3: return wholeW && wholeH; // half turn
        case 4: return wholeH;           // flip
        case 5: return true;             // transpose
        case 6: return wholeH;           // quarter turn clockwise
        case 7: return wholeW && wholeH; // transverse
        case 8: return wholeW;           // quarter turn anticlockwise
        }
        return false;
    }

    QByteArray transform()
    {
        jpeg_mem_src(&m_src, reinterpret_cast<const unsigned char *>(m_data.constData()), ulong(m_data.size()));
        // The coefficient arrays are the turn's largest buffers: on large pages.
        m_src.client_data = this;
        m_srcRequest = m_src.mem->request_virt_barray;
        m_srcRealize = m_src.mem->realize_virt_arrays;
        m_src.mem->request_virt_barray = [](j_common_ptr cinfo, int pool, boolean preZero, JDIMENSION columns,
                                            JDIMENSION rows, JDIMENSION maxAccess) {
            auto *turn = static_cast<Turn *>(cinfo->client_data);
            const jvirt_barray_ptr array = turn->m_srcRequest(cinfo, pool, preZero, columns, rows, maxAccess);
            turn->m_sourceArrays.push_back({array, qint64(columns) * rows * qint64(sizeof(JBLOCK))});
            return array;
        };
        m_src.mem->realize_virt_arrays = [](j_common_ptr cinfo) {
            auto *turn = static_cast<Turn *>(cinfo->client_data);
            turn->m_srcRealize(cinfo);
            for (const auto &array : turn->m_sourceArrays)
                adviseLargePages(cinfo->mem->access_virt_barray(cinfo, array.first, 0, 1, TRUE)[0], array.second);
        };
        jpeg_save_markers(&m_src, JPEG_COM, 0xFFFF);
        for (int m = 0; m < 16; ++m)
            jpeg_save_markers(&m_src, JPEG_APP0 + m, 0xFFFF);
        m_headerFailed = true;
        if (jpeg_read_header(&m_src, TRUE) != JPEG_HEADER_OK)
            return QByteArray();
        m_headerFailed = false;
        if (!isPerfect())
            return QByteArray();
        jvirt_barray_ptr *source = jpeg_read_coefficients(&m_src);
        if (!source || m_trap.prematureEnd)
            return QByteArray();

        jpeg_copy_critical_parameters(&m_src, &m_dst);
        if (transposes()) {
            std::swap(m_dst.image_width, m_dst.image_height);
            for (int c = 0; c < m_dst.num_components; ++c)
                std::swap(m_dst.comp_info[c].h_samp_factor, m_dst.comp_info[c].v_samp_factor);
            for (JQUANT_TBL *table : m_dst.quant_tbl_ptrs) {
                if (!table)
                    continue;
                for (int i = 0; i < DCTSIZE; ++i)
                    for (int j = 0; j < i; ++j)
                        std::swap(table->quantval[i * DCTSIZE + j], table->quantval[j * DCTSIZE + i]);
            }
        }
        // A camera file starts with its EXIF segment; a JFIF one is not put before it.
        if (m_src.marker_list && m_src.marker_list->marker == JPEG_APP0 + 1 && m_src.marker_list->data_length >= 6
            && std::memcmp(m_src.marker_list->data, "Exif\0\0", 6) == 0)
            m_dst.write_JFIF_header = FALSE;

        // Every source row's blocks, looked up once: the arrays are wholly in memory.
        m_sourceRows.resize(size_t(m_src.num_components));
        for (int c = 0; c < m_src.num_components; ++c) {
            const jpeg_component_info &comp = m_src.comp_info[c];
            std::vector<JBLOCKROW> &rows = m_sourceRows[size_t(c)];
            rows.resize(comp.height_in_blocks);
            for (JDIMENSION r = 0; r < comp.height_in_blocks; ++r)
                rows[r] = m_src.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&m_src), source[c], r, 1,
                                                        FALSE)[0];
        }

        m_lazy.resize(size_t(m_dst.num_components));
        m_arrays.resize(size_t(m_dst.num_components));
        for (int c = 0; c < m_dst.num_components; ++c) {
            m_lazy[size_t(c)].component = c;
            m_arrays[size_t(c)] = reinterpret_cast<jvirt_barray_ptr>(&m_lazy[size_t(c)]);
        }
        m_dst.client_data = this;
        m_dstAccess = m_dst.mem->access_virt_barray;
        m_dst.mem->access_virt_barray = &Turn::accessLazy;
        // Written straight into the result, sized for the source's bytes give or take a little.
        m_result.resize(m_data.size() + m_data.size() / 8 + 65536);
        adviseLargePages(m_result.data(), m_result.size());
        m_dest.init_destination = [](j_compress_ptr cinfo) {
            QByteArray &result = static_cast<Turn *>(cinfo->client_data)->m_result;
            cinfo->dest->next_output_byte = reinterpret_cast<JOCTET *>(result.data());
            cinfo->dest->free_in_buffer = size_t(result.size());
        };
        m_dest.empty_output_buffer = [](j_compress_ptr cinfo) -> boolean {
            QByteArray &result = static_cast<Turn *>(cinfo->client_data)->m_result;
            const int used = result.size();
            result.resize(used + used / 2);
            cinfo->dest->next_output_byte = reinterpret_cast<JOCTET *>(result.data()) + used;
            cinfo->dest->free_in_buffer = size_t(result.size() - used);
            return TRUE;
        };
        m_dest.term_destination = [](j_compress_ptr cinfo) {
            QByteArray &result = static_cast<Turn *>(cinfo->client_data)->m_result;
            result.resize(result.size() - int(cinfo->dest->free_in_buffer));
        };
        m_dst.dest = &m_dest;
        jpeg_write_coefficients(&m_dst, m_arrays.data());
        for (jpeg_saved_marker_ptr m = m_src.marker_list; m; m = m->next) {
            if (m_dst.write_JFIF_header && m->marker == JPEG_APP0 && m->data_length >= 5
                && std::memcmp(m->data, "JFIF\0", 5) == 0)
                continue;
            if (m_dst.write_Adobe_marker && m->marker == JPEG_APP0 + 14 && m->data_length >= 5
                && std::memcmp(m->data, "Adobe", 5) == 0)
                continue;
            jpeg_write_marker(&m_dst, int(m->marker), m->data, m->data_length);
        }
        jpeg_finish_compress(&m_dst);
        jpeg_finish_decompress(&m_src);
        if (m_trap.prematureEnd)
            return QByteArray();
        return std::exchange(m_result, QByteArray());
    }

    // Result block rows [start, start + count) of one component, from the source's
    // blocks. Rows are made a band at a time: a transposed band reads neighbouring
    // source columns together instead of striding over the picture once a row.
    JBLOCKARRAY fill(LazyArray &lazy, JDIMENSION start, JDIMENSION count)
    {
        if (start >= lazy.first && start + count <= lazy.first + JDIMENSION(lazy.rows.size()))
            return lazy.rows.data() + (start - lazy.first);
        const int c = lazy.component;
        const jpeg_component_info &dst = m_dst.comp_info[c];
        const jpeg_component_info &src = m_src.comp_info[c];
        const JDIMENSION width = dst.width_in_blocks;
        const JDIMENSION band = std::max<JDIMENSION>(count, kBandRows);
        lazy.coefficients.resize(size_t(width) * band * DCTSIZE2);
        lazy.rows.resize(band);
        lazy.first = start;
        for (JDIMENSION i = 0; i < band; ++i)
            lazy.rows[i] = reinterpret_cast<JBLOCKROW>(lazy.coefficients.data() + size_t(i) * width * DCTSIZE2);
        const std::vector<JBLOCKROW> &rows = m_sourceRows[size_t(c)];
        const JDIMENSION srcW = src.width_in_blocks;
        const JDIMENSION srcH = src.height_in_blocks;
        const auto source = [&](JDIMENSION x, JDIMENSION y) -> const JCOEF * {
            JDIMENSION sx = 0, sy = 0;
            switch (m_orientation) {
            case 2: sx = srcW - 1 - x; sy = y; break;
            case 3: sx = srcW - 1 - x; sy = srcH - 1 - y; break;
            case 4: sx = x; sy = srcH - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = srcH - 1 - x; break;
            case 7: sx = srcW - 1 - y; sy = srcH - 1 - x; break;
            case 8: sx = srcW - 1 - y; sy = x; break;
            }
            return sx < srcW && sy < srcH ? rows[sy][sx] : nullptr;
        };
        // Column by column of the band when transposing, row by row otherwise.
        const bool across = transposes();
        const JDIMENSION outer = across ? width : band;
        const JDIMENSION inner = across ? band : width;
        for (JDIMENSION o = 0; o < outer; ++o) {
            for (JDIMENSION n = 0; n < inner; ++n) {
                const JDIMENSION x = across ? o : n;
                const JDIMENSION i = across ? n : o;
                const JDIMENSION y = start + i;
                JCOEF *out = lazy.rows[i][x];
                const JCOEF *in = y < dst.height_in_blocks ? source(x, y) : nullptr;
                if (!in) {
                    std::fill(out, out + DCTSIZE2, JCOEF(0)); // past the picture: never encoded
                    continue;
                }
                for (int k = 0; k < DCTSIZE2; ++k)
                    out[k] = JCOEF(in[m_from[k]] * m_sign[k]);
            }
        }
        return lazy.rows.data();
    }

    // Where each coefficient of a turned block comes from, and its sign:
    // mirroring negates the odd frequencies along the mirrored axis, a
    // transpose swaps the axes.
    void planBlocks()
    {
        bool oddU = false, oddV = false;
        switch (m_orientation) {
        case 2: case 6: oddU = true; break;
        case 3: case 7: oddU = oddV = true; break;
        case 4: case 8: oddV = true; break;
        }
        for (int v = 0; v < DCTSIZE; ++v) {
            for (int u = 0; u < DCTSIZE; ++u) {
                const int k = v * DCTSIZE + u;
                m_from[k] = uchar(transposes() ? u * DCTSIZE + v : k);
                m_sign[k] = (((u & 1) && oddU) != ((v & 1) && oddV)) ? -1 : 1;
            }
        }
    }

    static constexpr JDIMENSION kBandRows = 16;
    uchar m_from[DCTSIZE2] = {};
    int m_sign[DCTSIZE2] = {};
    const QByteArray &m_data;
    const int m_orientation;
    jpeg_decompress_struct m_src;
    jpeg_compress_struct m_dst;
    ErrorTrap m_trap;
    jpeg_destination_mgr m_dest = {};
    QByteArray m_result;
    bool m_headerFailed = false;
    std::vector<std::vector<JBLOCKROW>> m_sourceRows;
    std::vector<LazyArray> m_lazy;
    std::vector<jvirt_barray_ptr> m_arrays; // members, not locals: an error jumps past destructors
    std::vector<std::pair<jvirt_barray_ptr, qint64>> m_sourceArrays; // with their bytes
    jvirt_barray_ptr (*m_srcRequest)(j_common_ptr, int, boolean, JDIMENSION, JDIMENSION, JDIMENSION) = nullptr;
    void (*m_srcRealize)(j_common_ptr) = nullptr;
    JBLOCKARRAY (*m_dstAccess)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;
};

} // namespace

void adviseLargePages(void *data, qint64 bytes)
{
#ifdef MADV_HUGEPAGE
    // Only buffers that span several large pages gain; the advice is a hint either way.
    constexpr quintptr kLargePage = 2 << 20;
    if (bytes < qint64(4 * kLargePage))
        return;
    const quintptr page = quintptr(sysconf(_SC_PAGESIZE));
    const quintptr begin = (quintptr(data) + page - 1) & ~(page - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes)) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

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
    adviseLargePages(image.bits(), image.sizeInBytes());
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
    if (orientation < 2 || orientation > 8)
        return QByteArray();
    const qint64 bytes = turnBytes(data);
    if (bytes <= 0) {
        *damaged = true;
        return QByteArray();
    }
    const MemoryShare share(int((bytes + (1 << 20) - 1) >> 20));
    Turn turn(data, orientation);
    QByteArray turned = turn.run(damaged);
    // Empty also when the sides are not whole blocks: the caller re-encodes instead.
    return turned.isEmpty() ? turned : withOrientationReset(std::move(turned), orientation >= 5);
}

qint64 turnBytes(const QByteArray &data)
{
    int width = 0, height = 0;
    QList<QPair<int, int>> sampling;
    if (!jpegGeometry(data, &width, &height, &sampling))
        return 0;
    // The source's coefficients and the encoded result, about the source's size.
    return coefficientBytes(QSize(width, height), sampling) + data.size();
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
