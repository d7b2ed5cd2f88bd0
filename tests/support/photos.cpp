#include "tests/support/photos.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace testsupport {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Detail in every 8x8 block: a gradient, a checker pattern and hashed noise.
unsigned char sample(int x, int y, int c, unsigned seed) {
    unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u ^
                 (seed + static_cast<unsigned>(c)) * 83492791u;
    h ^= h >> 13;
    const int base = (x * (3 + c) + y * (5 - c) + static_cast<int>(seed) * 17) & 0xFF;
    const int checker = ((x / 4 + y / 4) & 1) ? 40 : 0;
    return static_cast<unsigned char>((base + checker + static_cast<int>(h & 0x1F)) & 0xFF);
}

}  // namespace

QByteArray MakeJpeg(const JpegSpec& spec) {
    jpeg_compress_struct cinfo {};
    ErrorManager err {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    int components = 3;
    if (spec.sampling == Sampling::Grey) components = 1;
    if (spec.sampling == Sampling::Cmyk) components = 4;
    std::vector<unsigned char> row(static_cast<size_t>(spec.width) * components);

    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        throw std::runtime_error(std::string("libjpeg: ") + err.message);
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(spec.width);
    cinfo.image_height = static_cast<JDIMENSION>(spec.height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, spec.quality, TRUE);
    if (components == 3) {
        int h = 2, v = 2;
        if (spec.sampling == Sampling::S422) v = 1;
        if (spec.sampling == Sampling::S444) h = v = 1;
        if (spec.sampling == Sampling::S440) h = 1;
        if (spec.sampling == Sampling::S411) {
            h = 4;
            v = 1;
        }
        cinfo.comp_info[0].h_samp_factor = h;
        cinfo.comp_info[0].v_samp_factor = v;
        for (int i = 1; i < 3; ++i) cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    }
    cinfo.write_JFIF_header = spec.jfif ? TRUE : FALSE;
    cinfo.restart_interval = static_cast<unsigned>(spec.restartInterval);
    cinfo.arith_code = spec.arithmetic ? TRUE : FALSE;
    if (spec.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    for (const Segment& s : spec.segments)
        jpeg_write_marker(&cinfo, s.marker, reinterpret_cast<const JOCTET*>(s.payload.constData()),
                          static_cast<unsigned>(s.payload.size()));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < spec.width; ++x)
            for (int c = 0; c < components; ++c)
                row[static_cast<size_t>(x * components + c)] = sample(x, y, c, spec.seed);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray result(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    return result;
}

// ---- TIFF builder ------------------------------------------------------------------

TiffBuilder::TiffBuilder(bool bigEndian) : big_(bigEndian) {}

QByteArray TiffBuilder::U16(uint16_t v) const {
    QByteArray b(2, '\0');
    b[big_ ? 0 : 1] = static_cast<char>(v >> 8);
    b[big_ ? 1 : 0] = static_cast<char>(v & 0xFF);
    return b;
}

QByteArray TiffBuilder::U32(uint32_t v) const {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) {
        const char byte = static_cast<char>((v >> (8 * i)) & 0xFF);
        b[big_ ? 3 - i : i] = byte;
    }
    return b;
}

int TiffBuilder::AddIfd() {
    ifds_.emplace_back();
    return static_cast<int>(ifds_.size()) - 1;
}

void TiffBuilder::Short(int ifd, uint16_t tag, uint16_t value) { Raw(ifd, tag, 3, 1, U16(value)); }
void TiffBuilder::Long(int ifd, uint16_t tag, uint32_t value) { Raw(ifd, tag, 4, 1, U32(value)); }

void TiffBuilder::Ascii(int ifd, uint16_t tag, const QByteArray& text) {
    QByteArray v = text;
    v.append('\0');
    Raw(ifd, tag, 2, static_cast<uint32_t>(v.size()), v);
}

void TiffBuilder::Rational(int ifd, uint16_t tag, uint32_t num, uint32_t den) {
    Raw(ifd, tag, 5, 1, U32(num) + U32(den));
}

void TiffBuilder::SRational(int ifd, uint16_t tag, int32_t num, int32_t den) {
    Raw(ifd, tag, 10, 1, U32(static_cast<uint32_t>(num)) + U32(static_cast<uint32_t>(den)));
}

void TiffBuilder::Raw(int ifd, uint16_t tag, uint16_t type, uint32_t count, const QByteArray& value) {
    Entry e {tag, type, count, value};
    ifds_.at(static_cast<size_t>(ifd)).entries.push_back(e);
}

void TiffBuilder::PointTo(int ifd, uint16_t tag, int target) {
    Entry e {tag, 4, 1, QByteArray()};
    e.pointsTo = target;
    ifds_.at(static_cast<size_t>(ifd)).entries.push_back(e);
}

void TiffBuilder::LongLiteral(int ifd, uint16_t tag, uint32_t rawValue) {
    Entry e {tag, 4, 1, QByteArray()};
    e.literal = true;
    e.literalValue = rawValue;
    ifds_.at(static_cast<size_t>(ifd)).entries.push_back(e);
}

void TiffBuilder::Link(int ifd, int target) { ifds_.at(static_cast<size_t>(ifd)).next = target; }

void TiffBuilder::NextLiteral(int ifd, uint32_t raw) {
    Ifd& i = ifds_.at(static_cast<size_t>(ifd));
    i.nextLiteral = true;
    i.nextRaw = raw;
}

void TiffBuilder::Thumbnail(int ifd, const QByteArray& jpeg) {
    blobs_.push_back(jpeg);
    Entry offset {0x0201, 4, 1, QByteArray()};
    offset.blob = static_cast<int>(blobs_.size()) - 1;
    ifds_.at(static_cast<size_t>(ifd)).entries.push_back(offset);
    Long(ifd, 0x0202, static_cast<uint32_t>(jpeg.size()));
}

void TiffBuilder::HeaderOffsetLiteral(uint32_t raw) {
    headerLiteral_ = true;
    headerRaw_ = raw;
}

QByteArray TiffBuilder::Build() const {
    // Pass 1: where every IFD, every out-of-line value and every blob goes.
    std::vector<uint32_t> ifdOffset;
    uint32_t pos = 8;
    for (const Ifd& i : ifds_) {
        ifdOffset.push_back(pos);
        pos += 2 + 12 * static_cast<uint32_t>(i.entries.size()) + 4;
    }
    std::vector<std::vector<uint32_t>> valueOffset(ifds_.size());
    for (size_t i = 0; i < ifds_.size(); ++i)
        for (const Entry& e : ifds_[i].entries) {
            uint32_t off = 0;
            if (e.pointsTo < 0 && !e.literal && e.blob < 0 && e.value.size() > 4) {
                pos += pos & 1;
                off = pos;
                pos += static_cast<uint32_t>(e.value.size());
            }
            valueOffset[i].push_back(off);
        }
    std::vector<uint32_t> blobOffset;
    for (const QByteArray& b : blobs_) {
        blobOffset.push_back(pos);
        pos += static_cast<uint32_t>(b.size());
    }

    // Pass 2: the bytes.
    QByteArray out;
    out += big_ ? "MM" : "II";
    out += U16(42);
    out += U32(headerLiteral_ ? headerRaw_ : (ifds_.empty() ? 0 : ifdOffset[0]));
    for (size_t i = 0; i < ifds_.size(); ++i) {
        const Ifd& ifd = ifds_[i];
        out += U16(static_cast<uint16_t>(ifd.entries.size()));
        for (const Entry& e : ifd.entries) {
            out += U16(e.tag);
            out += U16(e.type);
            out += U32(e.count);
            if (e.pointsTo >= 0)
                out += U32(ifdOffset.at(static_cast<size_t>(e.pointsTo)));
            else if (e.literal)
                out += U32(e.literalValue);
            else if (e.blob >= 0)
                out += U32(blobOffset.at(static_cast<size_t>(e.blob)));
            else if (e.value.size() > 4)
                out += U32(valueOffset[i][static_cast<size_t>(&e - ifd.entries.data())]);
            else
                out += e.value + QByteArray(4 - e.value.size(), '\0');
        }
        if (ifd.nextLiteral)
            out += U32(ifd.nextRaw);
        else
            out += U32(ifd.next >= 0 ? ifdOffset.at(static_cast<size_t>(ifd.next)) : 0);
    }
    for (size_t i = 0; i < ifds_.size(); ++i)
        for (size_t k = 0; k < ifds_[i].entries.size(); ++k)
            if (valueOffset[i][k]) {
                while (static_cast<uint32_t>(out.size()) < valueOffset[i][k]) out += '\0';
                out += ifds_[i].entries[k].value;
            }
    for (size_t b = 0; b < blobs_.size(); ++b) {
        while (static_cast<uint32_t>(out.size()) < blobOffset[b]) out += '\0';
        out += blobs_[b];
    }
    return out;
}

QByteArray ExifPayload(const QByteArray& tiff) { return QByteArray("Exif\0\0", 6) + tiff; }

QByteArray StandardExif(uint16_t orientation, bool bigEndian, int orientationIn) {
    TiffBuilder t(bigEndian);
    const int ifd0 = t.AddIfd();
    const int exif = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    if (orientation && (orientationIn & 1)) t.Short(ifd0, 0x0112, orientation);
    t.Rational(ifd0, 0x011A, 72, 1);
    t.Rational(ifd0, 0x011B, 72, 1);
    t.Short(ifd0, 0x0128, 2);
    t.PointTo(ifd0, 0x8769, exif);
    t.Link(ifd0, ifd1);
    if (orientation && (orientationIn & 2)) t.Short(exif, 0x0112, orientation);
    t.Raw(exif, 0x9000, 7, 4, "0230");
    t.Ascii(exif, 0x9003, "2026:12:09 10:00:00");
    t.Rational(exif, 0x829A, 1, 125);
    t.Short(ifd1, 0x0103, 6);
    if (orientation && (orientationIn & 4)) t.Short(ifd1, 0x0112, orientation);
    t.Rational(ifd1, 0x011A, 72, 1);
    return t.Build();
}

QByteArray MpfPayload(bool bigEndian, const std::vector<std::pair<uint32_t, uint32_t>>& pictures) {
    auto put = [bigEndian](uint32_t v, int n) {
        QByteArray b(n, '\0');
        for (int i = 0; i < n; ++i) b[bigEndian ? n - 1 - i : i] = static_cast<char>(v >> (8 * i));
        return b;
    };
    TiffBuilder t(bigEndian);
    const int index = t.AddIfd();
    t.Raw(index, 0xB000, 7, 4, "0100");
    t.Long(index, 0xB001, static_cast<uint32_t>(pictures.size()));
    QByteArray entries;
    for (size_t i = 0; i < pictures.size(); ++i)
        entries += put(i == 0 ? 0x20030000 : 0x00010001, 4) + put(pictures[i].first, 4) +
                   put(pictures[i].second, 4) + put(0, 2) + put(0, 2);
    t.Raw(index, 0xB002, 7, static_cast<uint32_t>(entries.size()), entries);
    return QByteArray("MPF\0", 4) + t.Build();
}

QByteArray MultiPicture(JpegSpec first, const std::vector<QByteArray>& others, bool bigEndian) {
    std::vector<std::pair<uint32_t, uint32_t>> pictures(others.size() + 1, {0, 0});
    first.segments.push_back({0xE2, MpfPayload(bigEndian, pictures)});
    const QByteArray draft = MakeJpeg(first);
    const qsizetype header = FindMarkers(draft, 0xE2).back() + 8;
    pictures[0].first = static_cast<uint32_t>(draft.size());
    auto at = static_cast<uint32_t>(draft.size() - header);
    for (size_t i = 0; i < others.size(); ++i) {
        pictures[i + 1] = {static_cast<uint32_t>(others[i].size()), at};
        at += static_cast<uint32_t>(others[i].size());
    }
    first.segments.back().payload = MpfPayload(bigEndian, pictures);
    QByteArray file = MakeJpeg(first);
    for (const QByteArray& o : others) file += o;
    return file;
}

QByteArray XmpPayload(const QByteArray& xmlPacket) {
    const QByteArray packet = xmlPacket.isEmpty()
        ? QByteArray("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta "
                     "xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/"
                     "22-rdf-syntax-ns#'/></x:xmpmeta><?xpacket end='w'?>")
        : xmlPacket;
    return QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) + packet;
}

QByteArray IccPayload() {
    QByteArray profile(132, '\0');
    profile[3] = static_cast<char>(132);  // size, big-endian
    std::memcpy(profile.data() + 36, "acsp", 4);
    for (int i = 0; i < 16; ++i) profile[100 + i] = static_cast<char>(0x30 + i);  // an id
    return QByteArray("ICC_PROFILE\0", 12) + QByteArray("\x01\x01", 2) + profile;
}

QByteArray MakeExifJpeg(int width, int height, uint16_t orientation, bool bigEndian,
                        Sampling sampling, unsigned seed) {
    JpegSpec spec;
    spec.width = width;
    spec.height = height;
    spec.sampling = sampling;
    spec.seed = seed;
    spec.jfif = false;
    spec.segments.push_back({0xE1, ExifPayload(StandardExif(orientation, bigEndian))});
    return MakeJpeg(spec);
}

std::vector<qsizetype> FindMarkers(const QByteArray& jpeg, uint8_t marker) {
    std::vector<qsizetype> found;
    qsizetype p = 2;
    while (p + 4 <= jpeg.size() && static_cast<uint8_t>(jpeg[p]) == 0xFF) {
        const auto code = static_cast<uint8_t>(jpeg[p + 1]);
        if (code == 0xD9) break;
        const int len = (static_cast<uint8_t>(jpeg[p + 2]) << 8) | static_cast<uint8_t>(jpeg[p + 3]);
        if (code == marker) found.push_back(p);
        if (code == 0xDA || len < 2) break;
        p += 2 + len;
    }
    return found;
}

QByteArray SegmentPayload(const QByteArray& jpeg, uint8_t marker, int index) {
    const auto at = FindMarkers(jpeg, marker);
    if (index < 0 || static_cast<size_t>(index) >= at.size()) return QByteArray();
    const qsizetype p = at[static_cast<size_t>(index)];
    const int len = (static_cast<uint8_t>(jpeg[p + 2]) << 8) | static_cast<uint8_t>(jpeg[p + 3]);
    return jpeg.mid(p + 4, len - 2);
}

}  // namespace testsupport
