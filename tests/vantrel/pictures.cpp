#include "tests/vantrel/pictures.h"

#include <QRegularExpression>

using namespace testsupport;

namespace vantreltest {

namespace {

int U16(const QByteArray& b, qsizetype at) {
    return static_cast<uint8_t>(b[at]) << 8 | static_cast<uint8_t>(b[at + 1]);
}

uint32_t Get(const QByteArray& b, qsizetype at, int n, bool big) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t byte = static_cast<uint8_t>(b[at + (big ? i : n - 1 - i)]);
        v = v << 8 | byte;
    }
    return v;
}

}  // namespace

QByteArray Put32(uint32_t v, bool big) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) b[big ? 3 - i : i] = static_cast<char>(v >> (8 * i));
    return b;
}

QByteArray Put16(uint16_t v, bool big) {
    QByteArray b(2, '\0');
    b[big ? 0 : 1] = static_cast<char>(v >> 8);
    b[big ? 1 : 0] = static_cast<char>(v);
    return b;
}

std::vector<ListedSegment> ListSegments(const QByteArray& jpeg) {
    std::vector<ListedSegment> out;
    if (jpeg.size() < 4 || static_cast<uint8_t>(jpeg[0]) != 0xFF || static_cast<uint8_t>(jpeg[1]) != 0xD8)
        return {};
    qsizetype p = 2;
    int scans = 0;
    while (p + 2 <= jpeg.size()) {
        if (static_cast<uint8_t>(jpeg[p]) != 0xFF) return {};
        while (p + 1 < jpeg.size() && static_cast<uint8_t>(jpeg[p + 1]) == 0xFF) ++p;  // fill
        const auto marker = static_cast<uint8_t>(jpeg[p + 1]);
        if (marker == 0xD9) {
            out.push_back({marker, jpeg.mid(p, 2), scans});
            return out;
        }
        if (p + 4 > jpeg.size()) return {};
        const int length = U16(jpeg, p + 2);
        out.push_back({marker, jpeg.mid(p, 2 + length), scans});
        p += 2 + length;
        if (marker == 0xDA) {  // step over the entropy-coded data
            ++scans;
            while (p + 1 < jpeg.size()) {
                if (static_cast<uint8_t>(jpeg[p]) == 0xFF) {
                    const auto next = static_cast<uint8_t>(jpeg[p + 1]);
                    if (next != 0x00 && next != 0xFF && (next < 0xD0 || next > 0xD7)) break;
                }
                ++p;
            }
        }
    }
    return {};
}

QStringList Skeleton(const QByteArray& jpeg) {
    QStringList out;
    const std::vector<ListedSegment> segments = ListSegments(jpeg);
    int total = 0;
    for (const ListedSegment& s : segments) total = std::max(total, s.scansBefore);
    for (const ListedSegment& s : segments) {
        const bool metadata = (s.marker >= 0xE0 && s.marker <= 0xEF) || s.marker == 0xFE;
        if (metadata) {
            // between the scans counts as after them (the scan plan may change)
            out << QString::fromLatin1(s.bytes.toHex()) + (s.scansBefore > 0 ? " after scans" : "");
        } else if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 &&
                   s.marker != 0xCC) {
            out << "SOF";
        } else if (s.marker == 0xDA && s.scansBefore == 0) {
            out << "SCANS";
        } else if (s.marker == 0xD9) {
            out << "EOI";
        }
    }
    (void)total;
    return out;
}

QByteArray TiffWithThumbnail(const QByteArray& thumbnail, bool bigEndian, int width, int height,
                             const ThumbnailLayout& layout) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    t.Short(ifd0, 0x0112, 1);
    t.Rational(ifd0, 0x011A, 72, 1);
    t.PointTo(ifd0, 0x8769, exif);
    t.Link(ifd0, ifd1);
    t.Raw(exif, 0x9000, 7, 4, "0230");
    t.Short(exif, 0xA002, static_cast<uint16_t>(width));
    t.Long(exif, 0xA003, static_cast<uint32_t>(height));
    if (!layout.maker.isEmpty())
        t.Raw(exif, 0x927C, 7, static_cast<uint32_t>(layout.maker.size()), layout.maker);
    t.Short(ifd1, 0x0103, 6);
    t.Short(ifd1, 0x0112, 1);
    t.Rational(ifd1, 0x011A, 72, 1);
    if (layout.at == 0) {
        t.Thumbnail(ifd1, thumbnail);
    } else {
        t.LongLiteral(ifd1, 0x0201, layout.at);
        t.Long(ifd1, 0x0202, static_cast<uint32_t>(thumbnail.size()));
    }
    if (layout.next != 0) t.NextLiteral(ifd1, layout.next);
    return t.Build();
}

QByteArray ExifWithThumbnail(const QByteArray& thumbnail, bool bigEndian, int width, int height,
                             int slack) {
    return ExifPayload(TiffWithThumbnail(thumbnail, bigEndian, width, height) +
                       QByteArray(slack, '\0'));
}

qsizetype ValueField(const QByteArray& jpeg, int which, uint16_t tag) {
    const auto app1 = FindMarkers(jpeg, 0xE1);
    if (app1.empty()) return -1;
    const qsizetype tiff = app1[0] + 10;
    const bool big = jpeg[tiff] == 'M';
    auto find = [&](qsizetype ifd, uint32_t wanted) -> qsizetype {
        const int n = static_cast<int>(Get(jpeg, ifd, 2, big));
        for (int i = 0; i < n; ++i)
            if (Get(jpeg, ifd + 2 + 12 * i, 2, big) == wanted) return ifd + 2 + 12 * i + 8;
        return -1;
    };
    const qsizetype ifd0 = tiff + Get(jpeg, tiff + 4, 4, big);
    if (which == 0) return find(ifd0, tag);
    if (which == 1) {
        const int n0 = static_cast<int>(Get(jpeg, ifd0, 2, big));
        return find(tiff + Get(jpeg, ifd0 + 2 + 12 * n0, 4, big), tag);
    }
    const qsizetype pointer = find(ifd0, 0x8769);
    return pointer < 0 ? -1 : find(tiff + Get(jpeg, pointer, 4, big), tag);
}

ThumbnailAt FindThumbnail(const QByteArray& jpeg) {
    const auto app1 = FindMarkers(jpeg, 0xE1);
    if (app1.empty()) return {};
    const qsizetype tiff = app1[0] + 10;
    const bool big = jpeg[tiff] == 'M';
    const qsizetype ifd0 = tiff + Get(jpeg, tiff + 4, 4, big);
    const int n0 = static_cast<int>(Get(jpeg, ifd0, 2, big));
    const qsizetype ifd1 = tiff + Get(jpeg, ifd0 + 2 + 12 * n0, 4, big);
    const int n1 = static_cast<int>(Get(jpeg, ifd1, 2, big));
    ThumbnailAt at;
    for (int i = 0; i < n1; ++i) {
        const qsizetype e = ifd1 + 2 + 12 * i;
        const uint32_t tag = Get(jpeg, e, 2, big);
        const uint32_t type = Get(jpeg, e + 2, 2, big);
        const uint32_t value = Get(jpeg, e + 8, type == 3 ? 2 : 4, big);
        if (tag == 0x0201) at.offset = tiff + value;
        if (tag == 0x0202) at.length = value;
    }
    return at;
}

QByteArray TwoPictures(JpegSpec first, const QByteArray& second, bool bigEndian) {
    return MultiPicture(std::move(first), {second}, bigEndian);
}

MpfSeen ExiftoolSecondPicture(const QString& path) {
    const ProcessResult r =
        Run("exiftool", {"-a", "-n", "-s", "-s", "-s", "-MPImageStart", "-MPImageLength", path});
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    MpfSeen seen;
    if (r.exitCode != 0 || lines.size() != 4) return seen;
    // -a lists every MPImageStart, then every MPImageLength
    seen.firstStart = lines[0].trimmed().toLongLong();
    seen.start = lines[1].trimmed().toLongLong();
    seen.firstLength = lines[2].trimmed().toLongLong();
    seen.length = lines[3].trimmed().toLongLong();
    seen.ok = true;
    return seen;
}

std::string ExiftoolWarnings(const QString& path) {
    const ProcessResult r = Run("exiftool", {"-a", "-s", "-s", "-s", "-Warning", "-Error", path});
    return r.out.trimmed().toStdString();
}

}  // namespace vantreltest
