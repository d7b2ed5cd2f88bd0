// Tag labels and value names.
#include "exif/exif_tags.h"
#include "tests/exif/exif_values.h"

#include <gtest/gtest.h>

using namespace exif_test;

namespace {

// The value text of a property item, or "<no row>".
QString ValueOf(uint32_t id, uint16_t type, const QByteArray& value) {
    const auto row = DescribeExifProperty(id, type, static_cast<uint32_t>(value.size()),
                                          value.isEmpty() ? nullptr : value.constData());
    return row ? row->value : QStringLiteral("<no row>");
}
QString Short(uint32_t id, uint16_t v) { return ValueOf(id, 3, Bytes(v)); }

}  // namespace

TEST(ExifTags, ValueNamesAndTheirFallbacks) {
    EXPECT_EQ(Short(0x0112, 6), "Right-hand side/top (Rotate 90 CW)");
    EXPECT_EQ(Short(0x0112, 0), "0");
    EXPECT_EQ(Short(0x9209, 16), "Flash did not fire, compulsory flash mode");
    EXPECT_EQ(Short(0x9209, 65), "Flash fired, red-eye reduction mode");
    EXPECT_EQ(Short(0x9209, 2), "2");
    EXPECT_EQ(Short(0x9207, 255), "Other");
    EXPECT_EQ(Short(0x9208, 255), "Other light source");
    EXPECT_EQ(Short(0x9208, 16), "16");
    EXPECT_EQ(Short(0x9208, 6), "6");
    EXPECT_EQ(Short(0xA403, 2), "2");
    EXPECT_EQ(Short(0xA402, 2), "Auto bracket");
    // A LONG finds its name by its low 16 bits.
    EXPECT_EQ(ValueOf(0x0112, 4, Bytes(uint32_t{3})), "Bottom/right-hand side (Rotate 180)");
    // "Flash" is a label and a light source.
    EXPECT_EQ(DescribeExifProperty(0x9209, 3, 2, Bytes(uint16_t{0}).constData())->label, "Flash");
    EXPECT_EQ(Short(0x9208, 4), "Flash");
}

TEST(ExifTags, LabelsOfFormattedTags) {
    const QByteArray make("Canon\0", 6);
    const auto row = DescribeExifProperty(0x010F, 2, 6, make.constData());
    ASSERT_TRUE(row);
    EXPECT_EQ(row->label, "Digicam manufacturer");
    EXPECT_EQ(row->value, "Canon");
    EXPECT_EQ(DescribeExifProperty(0x8822, 3, 2, Bytes(uint16_t{2}).constData())->label,
              "Explosure program");
    EXPECT_EQ(DescribeExifProperty(0xA40C, 3, 2, Bytes(uint16_t{3}).constData())->value,
              "Distant view");
}

TEST(ExifTags, UnknownIdsGiveNoRow) {
    const QByteArray v = Bytes(uint16_t{1});
    for (uint32_t id : {0x927Cu /* maker note */, 0x5029u /* thumbnail orientation */,
                        0x0002u /* GPS latitude */, 0xA404u /* between two known ones */,
                        0x00010112u /* a known number in the high half */, 0u})
        EXPECT_FALSE(DescribeExifProperty(id, 3, 2, v.constData())) << std::hex << id;
}

TEST(ExifTags, TheTableHoldsThirtySixTagsInOrder) {
    const auto tags = ExifTags();
    ASSERT_EQ(tags.size(), 36u);
    int named = 0;
    for (size_t i = 0; i < tags.size(); ++i) {
        EXPECT_EQ(FindExifTag(tags[i].number), &tags[i]);
        if (i > 0) {
            EXPECT_LT(tags[i - 1].number, tags[i].number);
        }
        named += tags[i].names.empty() ? 0 : 1;
    }
    EXPECT_EQ(named, 15);
    EXPECT_EQ(FindExifTag(0x9209)->names.size(), 22u);
}

TEST(ExifTags, EnumeratedValuesShorterThanTwoBytes) {
    // Exactly sized buffers, so a read past the value would leave them.
    const std::unique_ptr<char[]> one(new char[1]{6});
    EXPECT_EQ(DescribeExifProperty(0x0112, 1, 1, one.get())->value, "N/A");
    EXPECT_EQ(DescribeExifProperty(0x0112, 3, 0, nullptr)->value, "N/A");
    EXPECT_EQ(DescribeExifProperty(0x9209, 3, 0, one.get())->value, "N/A");
}
