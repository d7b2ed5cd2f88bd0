// Real camera photos nobody here made: the EXIF samples of many makers that the
// Debian package golang-github-rwcarlsen-goexif-dev ships. Every row the listing
// makes agrees with exiftool -n for that tag, and no sample (the damaged ones
// included) brings the listing down.
#include "exif/exif_display.h"
#include "exif/exif_format.h"
#include "exif/exif_tags.h"
#include "platform/gdiplus/gpimage.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/listview.h"
#include "tests/exif/exif_values.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <map>

using namespace testsupport;

namespace {

const QString kPackage = QStringLiteral("golang-github-rwcarlsen-goexif-dev");

// The package's folder that holds "samples", found through its file list.
QString PackageExifFolder() {
    const ProcessResult r = Run(QStringLiteral("dpkg"), {QStringLiteral("-L"), kPackage});
    if (r.exitCode != 0) return {};
    for (const QString& line : QString::fromUtf8(r.out).split(u'\n'))
        if (line.endsWith(QStringLiteral("/exif/samples"))) return line.chopped(8);
    return {};
}

// The camera photos, or with `damaged` the files damaged on purpose too.
QStringList SampleFiles(const QString& folder, bool damaged) {
    QStringList files;
    for (const QFileInfo& f : QDir(folder + "/samples").entryInfoList(QDir::Files, QDir::Name))
        files << f.filePath();
    files << folder + QStringLiteral("/sample1.jpg");
    if (damaged)
        for (const QFileInfo& f : QDir(folder + "/corrupt").entryInfoList(QDir::Files, QDir::Name))
            files << f.filePath();
    return files;
}

// The sample's first complete EXIF APP1 segment (marker to end), or empty.
QByteArray ExifSegment(const QByteArray& file) {
    qsizetype p = 2;
    if (file.size() < 4 || !file.startsWith("\xFF\xD8")) return {};
    while (p + 4 <= file.size() && static_cast<uint8_t>(file[p]) == 0xFF) {
        const auto marker = static_cast<uint8_t>(file[p + 1]);
        const int length = (static_cast<uint8_t>(file[p + 2]) << 8) | static_cast<uint8_t>(file[p + 3]);
        if (marker == 0xDA || length < 2 || p + 2 + length > file.size()) return {};
        if (marker == 0xE1 && file.mid(p + 4, 6) == QByteArray("Exif\0\0", 6))
            return file.mid(p, 2 + length);
        p += 2 + length;
    }
    return {};
}

// The camera's EXIF segment in front of a whole picture, so that both readers see a
// decodable photo (the samples keep only their files' first segments).
QByteArray WithPicture(const QByteArray& exifSegment) {
    JpegSpec spec;
    spec.jfif = false;
    const QByteArray picture = MakeJpeg(spec);
    return picture.left(2) + exifSegment + picture.mid(2);
}

struct Item {
    uint32_t id;
    uint16_t type;
    QByteArray value;
};

// The known items of a photo, in the image services' order.
std::vector<Item> KnownItems(const QString& path) {
    std::vector<Item> items;
    TGPImage image(path);
    uint32_t size = 0, count = 0;
    if (image.GetPropertySize(&size, &count) != Ok || size == 0) return items;
    std::vector<uint64_t> block((size + 7) / 8);
    if (image.GetAllPropertyItems(size, count, reinterpret_cast<PropertyItem*>(block.data())) != Ok)
        return items;
    for (uint32_t i = 0; i < count; ++i) {
        PropertyItem p;
        std::memcpy(&p, reinterpret_cast<const char*>(block.data()) + i * sizeof p, sizeof p);
        if (!FindExifTag(p.id)) continue;
        items.push_back({p.id, p.type, QByteArray(static_cast<const char*>(p.value), p.length)});
    }
    return items;
}

struct Row {
    QString label, value;
};
std::vector<Row> ListRows(const QString& path) {
    TForm form(nullptr);
    auto* list = new TListView(&form);
    TGPImage image(path);
    ListExifProperties(image, *list);
    std::vector<Row> rows;
    for (int i = 0; i < list->Items()->Count(); ++i)
        rows.push_back({list->Items()->Item(i)->Caption(),
                        list->Items()->Item(i)->SubItems()->Strings(0)});
    return rows;
}

// exiftool -n for IFD0 and the Exif IFD of many files: per file, per tag number, the
// values in exiftool's order.
using ToolValues = std::map<QString, std::map<uint32_t, QStringList>>;
ToolValues Exiftool(const QStringList& files) {
    ToolValues out;
    const ProcessResult r =
        Run(QStringLiteral("exiftool"),
            QStringList{"-n", "-a", "-G1", "-D", "-s", "-charset", "exif=utf8", "-IFD0:all",
                        "-ExifIFD:all"} + files);
    static const QRegularExpression line(R"(^\[(IFD0|ExifIFD)\]\s+(\d+)\s+\S+\s*: ?(.*)$)");
    QString current;
    for (const QString& l : QString::fromUtf8(r.out).split(u'\n')) {
        if (l.startsWith(QStringLiteral("======== "))) {
            current = l.mid(9);
            continue;
        }
        const auto m = line.match(l);
        if (m.hasMatch()) out[current][m.captured(2).toUInt()] << m.captured(3);
    }
    // A single file has no "========" line.
    if (files.size() == 1 && out.count(QString()) != 0) out[files[0]] = out[QString()];
    return out;
}

// Our text as a number: a decimal, or a mixed fraction "w r/d" ("" is 0).
bool Number(const QString& text, long double& v) {
    static const QRegularExpression mixed(R"(^(?:(\d+) )?(\d+)/(\d+)$)");
    bool ok = text.isEmpty();
    v = ok ? 0 : text.toDouble(&ok);
    if (ok) return true;
    const auto m = mixed.match(text);
    if (!m.hasMatch()) return false;
    v = m.captured(1).toDouble() + m.captured(2).toDouble() / m.captured(3).toDouble();
    return true;
}

bool Near(long double a, long double b, long double absolute, long double relative = 1e-8L) {
    return std::fabs(a - b) <= absolute + relative * std::max<long double>(1, std::fabs(b));
}

// Whether our row agrees with exiftool's value (the Parts' rules, read from the other
// side: exiftool -n still converts the APEX values to seconds and f-numbers).
QString Disagreement(const Item& item, const QString& ours, const QString& tool) {
    const TExifTag* tag = FindExifTag(item.id);
    const QString first = tool.section(u' ', 0, 0);
    const auto why = [&](const char* rule) {
        return QStringLiteral("%1 tag 0x%2 type %3: ours \"%4\", exiftool \"%5\"")
            .arg(QLatin1String(rule))
            .arg(item.id, 4, 16, QLatin1Char('0'))
            .arg(item.type)
            .arg(ours, tool);
    };
    if (!tag->names.empty() && item.value.size() >= 2) {
        uint16_t number;
        std::memcpy(&number, item.value.constData(), 2);
        for (const TExifValueName& n : tag->names)
            if (n.value == number) {
                const bool agrees = ours == QLatin1String(n.name) &&
                                    (first.toUInt() & 0xFFFF) == number;
                return agrees ? QString() : why("value name");
            }
    }
    long double toolValue = first.toDouble();
    long double value = 0;
    switch (item.type) {
    case 1:
    case 3:
    case 4: return ours == first ? QString() : why("integer");
    case 2: return ours.trimmed() == tool.trimmed() ? QString() : why("text");
    case 5: {
        uint32_t n, d;
        std::memcpy(&n, item.value.constData(), 4);
        std::memcpy(&d, item.value.constData() + 4, 4);
        if (d == 0) return ours == kValueNotAvailable ? QString() : why("zero denominator");
        if (!Number(ours, value)) return why("not a number");
        switch (item.id) {
        case 0x829D: return Near(value, toolValue, 0.05L) ? QString() : why("F-number");
        case 0x9205: return Near(value, toolValue, 0.005L) ? QString() : why("max aperture");
        case 0x9202:  // ours is the APEX value, exiftool's the f-number
            return Near(std::pow(std::sqrt(2.0L), value), toolValue, 0) ? QString()
                                                                         : why("aperture");
        default: return Near(value, toolValue, 0) ? QString() : why("fraction");
        }
    }
    case 10: {
        int32_t n, d;
        std::memcpy(&n, item.value.constData(), 4);
        std::memcpy(&d, item.value.constData() + 4, 4);
        if (d == 0) return ours == kValueNotAvailable ? QString() : why("zero denominator");
        if (!Number(ours, value)) return why("not a number");
        if (item.id == 0x9201 && std::fabs(static_cast<long double>(n) / d) < 100)
            return Near(value, toolValue, 0.00005L) ? QString() : why("shutter speed");
        if (item.id == 0x9201) return QString();  // exiftool gives up on such speeds
        return Near(value, toolValue, 0) ? QString() : why("general");
    }
    default: return ours == kValueNotAvailable ? QString() : why("no text for the type");
    }
}

}  // namespace

TEST(CameraSamples, EveryRowAgreesWithExiftool) {
    const QString folder = PackageExifFolder();
    if (folder.isEmpty()) GTEST_SKIP() << "package " << kPackage.toStdString() << " is not installed (scripts/deps.sh)";
    exif_test::ScopedNumericLocale locale("C");

    TempDir dir;
    QStringList rebuilt;
    for (const QString& sample : SampleFiles(folder, false)) {
        const QByteArray segment = ExifSegment(ReadFile(sample));
        if (segment.isEmpty()) continue;
        const QString path = dir.File(QFileInfo(sample).fileName() + ".jpg");
        WriteFile(path, WithPicture(segment));
        rebuilt << path;
    }
    ASSERT_GE(rebuilt.size(), 50) << "the package's samples changed";
    const ToolValues tool = Exiftool(rebuilt);

    int photosWithRows = 0, rowsChecked = 0;
    std::map<uint32_t, int> tagsSeen;
    for (const QString& path : rebuilt) {
        SCOPED_TRACE(path.toStdString());
        const std::vector<Item> items = KnownItems(path);
        const std::vector<Row> rows = ListRows(path);
        ASSERT_EQ(rows.size(), items.size());
        if (!rows.empty()) ++photosWithRows;
        std::map<uint32_t, int> occurrence;
        for (size_t i = 0; i < rows.size(); ++i) {
            const Item& item = items[i];
            EXPECT_EQ(rows[i].label, QLatin1String(FindExifTag(item.id)->label));
            const auto file = tool.find(path);
            const int k = occurrence[item.id]++;
            if (file == tool.end() || !file->second.count(item.id) ||
                file->second.at(item.id).size() <= k) {
                ADD_FAILURE() << "exiftool has no value for tag 0x" << std::hex << item.id;
                continue;
            }
            const QString why = Disagreement(item, rows[i].value, file->second.at(item.id)[k]);
            EXPECT_TRUE(why.isEmpty()) << why.toStdString();
            ++rowsChecked;
            ++tagsSeen[item.id];
        }
    }
    std::cout << "[          ] " << rebuilt.size() << " camera EXIF blocks, " << photosWithRows
              << " with rows, " << rowsChecked << " rows checked, " << tagsSeen.size()
              << " of the 36 tags met\n";
    EXPECT_GE(photosWithRows, 50);
    EXPECT_GE(tagsSeen.size(), 30u);
}

TEST(CameraSamples, NoSampleBringsTheListingDown) {
    const QString folder = PackageExifFolder();
    if (folder.isEmpty()) GTEST_SKIP() << "package " << kPackage.toStdString() << " is not installed (scripts/deps.sh)";
    // The files as they stand (cut after their first segments, or damaged on purpose:
    // an IFD loop, a huge tag, 32-bit limits), and the same EXIF blocks before a
    // whole picture.
    TempDir dir;
    int listed = 0;
    for (const QString& sample : SampleFiles(folder, true)) {
        SCOPED_TRACE(sample.toStdString());
        for (const Row& row : ListRows(sample)) EXPECT_FALSE(row.label.isEmpty());
        const QByteArray segment = ExifSegment(ReadFile(sample));
        if (!segment.isEmpty()) {
            WriteFile(dir.File("whole.jpg"), WithPicture(segment));
            for (const Row& row : ListRows(dir.File("whole.jpg"))) EXPECT_FALSE(row.label.isEmpty());
        }
        ++listed;
    }
    EXPECT_GE(listed, 60);
}
