// The transform driver end to end against the oracles: the pixels are exactly what
// jpegtran gives, exiftool reads the new orientation in every IFD that had one, and
// the other metadata comes through unchanged.

#include "engine/common.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/scripted_dialogs.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"
#include "translation/lang.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <map>

using namespace testsupport;

namespace {

struct Params {
    bool bigEndian;
    int code;
};

void PrintTo(const Params& p, std::ostream* os) {
    *os << (p.bigEndian ? "big-endian" : "little-endian") << ", code " << p.code;
}

class TransformEndToEnd : public ::testing::TestWithParam<Params> {
protected:
    void SetUp() override { sys::SetProcessArguments({}); }

    TempHome home;
    TempDir dir;
    ScopedDialogs dialogs;
    TLanguage language {nullptr};
};

QByteArray Photo(int width, int height, Sampling sampling, uint16_t orientation, bool big) {
    JpegSpec spec;
    spec.width = width;
    spec.height = height;
    spec.sampling = sampling;
    spec.seed = orientation + 11u * width;
    spec.segments.push_back({0xE1, ExifPayload(StandardExif(orientation, big, 1 | 2 | 4))});
    spec.segments.push_back({0xE1, XmpPayload()});
    spec.segments.push_back({0xE2, IccPayload()});
    spec.segments.push_back({0xFE, "a comment that stays"});
    return MakeJpeg(spec);
}

TEST(TransformEndToEndThumbnail, Ifd1OrientationFollowsOnlyATurnedThumbnail) {
    TempHome home;
    TempDir dir;
    ScopedDialogs dialogs;
    TLanguage language(nullptr);
    sys::SetProcessArguments({});
    JpegSpec thumbSpec;
    thumbSpec.width = 48;
    thumbSpec.height = 32;
    thumbSpec.jfif = false;
    JpegSpec arithmetic = thumbSpec;
    arithmetic.arithmetic = true;  // not turned: IFD1 still describes it as it was
    const struct {
        const char* what;
        QByteArray thumbnail;
        int ifd1;  // IFD1's Orientation afterwards
    } cases[] = {
        {"turned", MakeJpeg(thumbSpec), 1},
        {"kept", MakeJpeg(arithmetic), 6},
        {"none", QByteArray(), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TiffBuilder t(false);
        const int ifd0 = t.AddIfd();
        const int ifd1 = t.AddIfd();
        t.Short(ifd0, 0x0112, 6);
        t.Link(ifd0, ifd1);
        t.Short(ifd1, 0x0103, 6);
        t.Short(ifd1, 0x0112, 6);
        if (!c.thumbnail.isEmpty()) t.Thumbnail(ifd1, c.thumbnail);
        JpegSpec spec;
        spec.segments.push_back({0xE1, ExifPayload(t.Build())});
        const QString path = dir.File("thumb.jpg");
        WriteFile(path, MakeJpeg(spec));
        TransformJpeg(&language, path, 1, false, nullptr);
        const auto found = ExiftoolOrientations(path);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[0], std::make_pair(QString("IFD0"), 1));
        EXPECT_EQ(found[1], std::make_pair(QString("IFD1"), c.ifd1));
    }
}

}  // namespace

TEST_P(TransformEndToEnd, EveryOldOrientation) {
    const Params p = GetParam();
    for (uint16_t old = 1; old <= 8; ++old) {
        const QByteArray before = Photo(96, 64, Sampling::S420, old, p.bigEndian);
        const QString path = dir.File(QString("p%1.jpg").arg(old));
        WriteFile(path, before);
        TransformJpeg(&language, path, p.code, false, nullptr);
        const QByteArray after = ReadFile(path);

        const QByteArray oracle = Jpegtran(JpegtranArgs(p.code), before);
        ASSERT_FALSE(oracle.isEmpty());
        const Pixels expected = Decode(oracle);
        ASSERT_GT(expected.width, 0);
        EXPECT_TRUE(Decode(after) == expected) << "old " << old;

        const int want = OrientationTable[p.code - 1][old - 1];
        const auto found = ExiftoolOrientations(path);
        ASSERT_EQ(found.size(), 3u) << "old " << old;
        for (const auto& [group, value] : found) EXPECT_EQ(value, want) << group.toStdString();

        EXPECT_EQ(SegmentPayload(after, 0xE1, 1), XmpPayload());
        EXPECT_EQ(SegmentPayload(after, 0xE2), IccPayload());
        EXPECT_EQ(SegmentPayload(after, 0xFE), QByteArray("a comment that stays"));
        // Nothing but the Orientation value fields differs from the oracle's EXIF block.
        EXPECT_EQ(SegmentPayload(after, 0xE1), ExifPayload(StandardExif(want, p.bigEndian, 7)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, TransformEndToEnd,
    ::testing::Values(Params {false, 1}, Params {false, 2}, Params {false, 3}, Params {false, 4},
                      Params {false, 5}, Params {true, 1}, Params {true, 2}, Params {true, 3},
                      Params {true, 4}, Params {true, 5}),
    [](const ::testing::TestParamInfo<Params>& pi) {
        return std::string(pi.param.bigEndian ? "BigEndian" : "LittleEndian") + "Code" +
               std::to_string(pi.param.code);
    });

TEST(TransformEndToEndCrop, PartialBlocksAreTrimmedLikeJpegtran) {
    TempHome home;
    TempDir dir;
    ScopedDialogs dialogs;
    TLanguage language(nullptr);
    sys::SetProcessArguments({});
    OpenRegistrySettings()->WriteString("Main", "DisplayCropWarning", "0");
    for (Sampling s : {Sampling::S420, Sampling::S422, Sampling::S444}) {
        for (int code = 1; code <= 5; ++code) {
            const QByteArray before = Photo(101, 75, s, 6, false);
            const QString path = dir.File("odd.jpg");
            WriteFile(path, before);
            TransformJpeg(&language, path, code, false, nullptr);
            const Pixels expected = Decode(Jpegtran(JpegtranArgs(code), before));
            ASSERT_GT(expected.width, 0);
            EXPECT_TRUE(Decode(ReadFile(path)) == expected) << code;
            EXPECT_EQ(GetFileOrientation(path), OrientationTable[code - 1][5]);
        }
    }
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST(TransformEndToEndMpf, EveryPictureReadsUprightByItsOwnTags) {
    // Each picture of a multi-picture file, read by exiftool from its own EXIF block,
    // shows upright after the turn: its own old orientation through the same table.
    TempHome home;
    TempDir dir;
    ScopedDialogs dialogs;
    TLanguage language(nullptr);
    sys::SetProcessArguments({});
    auto picture = [](int w, int h, uint16_t orientation, bool big, unsigned seed) {
        JpegSpec spec;
        spec.width = w;
        spec.height = h;
        spec.jfif = false;
        spec.seed = seed;
        spec.segments = {{0xE1, ExifPayload(StandardExif(orientation, big, 1 | 4))}};
        return spec;
    };
    const uint16_t old[] = {6, 3, 8};
    for (bool big : {false, true}) {
        const QByteArray input =
            MultiPicture(picture(64, 48, old[0], big, 1),
                         {MakeJpeg(picture(48, 32, old[1], big, 5)), MakeJpeg(picture(32, 16, old[2], big, 9))},
                         big);
        for (int code = 1; code <= 5; ++code) {
            SCOPED_TRACE(::testing::Message() << "big " << big << " code " << code);
            const QString path = dir.File("multi.jpg");
            WriteFile(path, input);
            TransformJpeg(&language, path, code, false, nullptr);
            // Lines "[Doc2:IFD0] Orientation : v", the first picture's without a DocN.
            const ProcessResult r =
                testsupport::Run("exiftool", {"-ee", "-n", "-G3:1", "-a", "-s", "-Orientation", path});
            std::map<std::string, int> seen;
            static const QRegularExpression line(R"(^\[(?:(Doc\d+):)?(IFD[01])\]\s+Orientation\s*:\s*(\d+))");
            for (const QByteArray& l : r.out.split('\n')) {
                const auto m = line.match(QString::fromUtf8(l));
                if (m.hasMatch())
                    seen[(m.captured(1) + "/" + m.captured(2)).toStdString()] = m.captured(3).toInt();
            }
            std::map<std::string, int> expected;
            for (int i = 0; i < 3; ++i) {
                const int want = OrientationTable[code - 1][old[i] - 1];
                const std::string doc = i == 0 ? "" : "Doc" + std::to_string(i + 1);
                expected[doc + "/IFD0"] = want;
                expected[doc + "/IFD1"] = want;
            }
            EXPECT_EQ(seen, expected) << r.out.toStdString();
        }
    }
}
