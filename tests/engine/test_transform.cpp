// The transform driver: orientation table, crop question, read-only question, file
// times, failures. Real files, the real transform library, a registry in a temporary
// HOME and scripted dialogs.

#include "engine/common.h"
#include "platform/system/exceptions.h"
#include "platform/system/filenames.h"
#include "platform/system/registry.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/application.h"
#include "platform/vcl/scripted_dialogs.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"
#include "translation/lang.h"

#include <QFile>
#include <QWidget>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace testsupport;

namespace {

const QString kCropText = QStringLiteral(
    "The image %1 cannot be rotated fully lossless. Image may be cropped by up to 15 pixels "
    "for lossless rotation. Do you want to rotate it anyway?");

class Transform : public ::testing::Test {
protected:
    void SetUp() override {
        sys::SetProcessArguments({});
        Application()->SetTitle("Orlisk under test");
    }
    void TearDown() override { sys::SetProcessArguments({}); }

    QString Photo(const QString& name, const QByteArray& bytes) {
        const QString path = dir.File(name);
        WriteFile(path, bytes);
        return path;
    }
    static QByteArray Sized(int w, int h, Sampling s = Sampling::S420, uint16_t orientation = 0) {
        return MakeExifJpeg(w, h, orientation, false, s);
    }
    void Run(const QString& path, int code, bool keepTimestamp = false,
             WindowHandle parent = nullptr) {
        TransformJpeg(&language, path, code, keepTimestamp, parent);
    }
    size_t CropQuestions() const {
        size_t n = 0;
        for (const ScriptedBox& b : dialogs->boxes) n += b.kind == ScriptedBox::Crop;
        return n;
    }
    static void StoreCropWarning(const QString& value) {
        OpenRegistrySettings()->WriteString("Main", "DisplayCropWarning", value);
    }
    static mode_t Mode(const QString& path) { return Stat(path).mode & 07777; }

    TempHome home;
    TempDir dir;
    ScopedDialogs dialogs;
    TLanguage language {nullptr};
};

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

// ---- orientation table ----------------------------------------------------------------

TEST(OrientationTable, EveryCell) {
    const TExifOrientation expected[5][8] = {
        {1, 7, 6, 5, 2, 1, 4, 3},
        {1, 4, 1, 2, 7, 8, 5, 6},
        {1, 5, 8, 7, 4, 3, 2, 1},
        {1, 3, 2, 1, 6, 5, 8, 7},
        {1, 1, 4, 3, 8, 7, 6, 5},
    };
    for (int code = 0; code < 5; ++code)
        for (int old = 0; old < 8; ++old)
            EXPECT_EQ(OrientationTable[code][old], expected[code][old])
                << "code " << code + 1 << ", old orientation " << old + 1;
}

TEST(OrientationTable, CellsShowTheSamePictureAsBefore) {
    // Orientations and transforms as 2x2 matrices on image coordinates (y down). For
    // an old orientation 2..8, the new one applied to the transformed pixels must
    // give what the old one gave on the old pixels: D[new] * P[code] == D[old].
    using M = std::array<int, 4>;
    const M display[9] = {{}, {1, 0, 0, 1}, {-1, 0, 0, 1}, {-1, 0, 0, -1}, {1, 0, 0, -1},
                          {0, 1, 1, 0}, {0, -1, 1, 0}, {0, -1, -1, 0}, {0, 1, -1, 0}};
    const M transform[6] = {{}, display[6], display[3], display[8], display[4], display[2]};
    auto mul = [](const M& a, const M& b) {
        return M {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3],
                  a[2] * b[0] + a[3] * b[2], a[2] * b[1] + a[3] * b[3]};
    };
    for (int code = 1; code <= 5; ++code)
        for (int old = 2; old <= 8; ++old) {
            const int n = OrientationTable[code - 1][old - 1];
            ASSERT_TRUE(n >= 1 && n <= 8);
            EXPECT_EQ(mul(display[n], transform[code]), display[old]) << code << " " << old;
        }
}

// ---- crop question ----------------------------------------------------------------------

TEST_F(Transform, WholeBlocksNeedNoQuestion) {
    const QString path = Photo("big.jpg", Sized(1024, 768, Sampling::S444));
    Run(path, 1);
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_NE(ReadFile(path), Sized(1024, 768, Sampling::S444));
}

TEST_F(Transform, PartialBlocksAskForEveryCodeAndCancelLeavesTheFile) {
    const QByteArray bytes = Sized(1000, 768);
    const QString path = Photo("wide.jpg", bytes);
    for (int code = 1; code <= 5; ++code) {
        dialogs->Answer(IDCANCEL);
        Run(path, code);
        EXPECT_EQ(CropQuestions(), static_cast<size_t>(code));
        EXPECT_EQ(ReadFile(path), bytes) << code;
    }
    // Cancel with the box checked stores nothing.
    dialogs->Answer(IDCANCEL, true);
    Run(path, 1);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_TRUE(OpenRegistrySettings()->ReadBool("Main", "DisplayCropWarning", true));
}

TEST_F(Transform, CropQuestionTextCaptionAndCheckBox) {
    const QString path = Photo("odd size.jpg", Sized(100, 75));
    QWidget owner;
    dialogs->Answer(IDCANCEL);
    Run(path, 3, false, &owner);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    const ScriptedBox& box = dialogs->boxes[0];
    EXPECT_EQ(box.kind, ScriptedBox::Crop);
    EXPECT_EQ(box.text, kCropText.arg("odd size.jpg"));
    EXPECT_EQ(box.checkBoxCaption, "Don't ask again");
    EXPECT_EQ(box.caption, std::optional<QString>("Orlisk under test"));
    EXPECT_EQ(box.owner, &owner);
}

TEST_F(Transform, TheMainPicturesBlockDecides) {
    struct Case {
        const char* what;
        QByteArray bytes;
        bool asks;
    };
    auto spec = [](int w, int h, Sampling s, bool progressive = false) {
        JpegSpec j;
        j.width = w;
        j.height = h;
        j.sampling = s;
        j.progressive = progressive;
        return j;
    };
    // A 4:2:2 thumbnail (8-row blocks) ahead of a 4:2:0 main picture (16-row blocks).
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Short(ifd0, 0x0112, 1);
    t.Link(ifd0, ifd1);
    t.Short(ifd1, 0x0103, 6);
    t.Thumbnail(ifd1, MakeJpeg(spec(32, 24, Sampling::S422)));
    JpegSpec withThumb = spec(800, 600, Sampling::S420);
    withThumb.segments.push_back({0xE1, ExifPayload(t.Build())});

    const std::vector<Case> cases = {
        {"4:2:2", Sized(800, 600, Sampling::S422), false},
        {"4:2:0", Sized(800, 600, Sampling::S420), true},
        {"4:4:4", Sized(800, 600, Sampling::S444), false},
        {"4:4:0", Sized(800, 600, Sampling::S440), true},
        {"progressive 4:2:2", MakeJpeg(spec(800, 600, Sampling::S422, true)), false},
        {"4:2:2 thumbnail ahead of 4:2:0", MakeJpeg(withThumb), true},
        {"4:1:1 32-pixel blocks", Sized(784, 600, Sampling::S411), true},
        {"4:1:1 whole blocks", Sized(800, 600, Sampling::S411), false},
        {"grey 8-pixel blocks", MakeJpeg(spec(808, 600, Sampling::Grey)), false},
        {"grey partial", MakeJpeg(spec(804, 600, Sampling::Grey)), true},
        {"smaller than one block", Sized(10, 10, Sampling::S420), false},
    };
    for (const Case& c : cases) {
        dialogs->boxes.clear();
        const QString path = Photo("s.jpg", c.bytes);
        dialogs->Answer(IDCANCEL);
        Run(path, 2);
        EXPECT_EQ(CropQuestions(), c.asks ? 1u : 0u) << c.what;
        if (c.asks) {
            EXPECT_EQ(ReadFile(path), c.bytes) << c.what;
        }
        dialogs->answers.clear();
    }
}

TEST_F(Transform, StoredFalseOrSilentSwitchAsksNothing) {
    const QString path = Photo("wide.jpg", Sized(1000, 600));
    StoreCropWarning("0");
    Run(path, 1);
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_NE(ReadFile(path), Sized(1000, 600));

    StoreCropWarning("1");
    const QString other = Photo("wide2.jpg", Sized(1000, 600));
    sys::SetProcessArguments({"-s", "-r", other});
    Run(other, 1);
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_NE(ReadFile(other), Sized(1000, 600));
}

TEST_F(Transform, DontAskAgainStoresFalseAndTransforms) {
    const QByteArray bytes = Sized(1000, 600, Sampling::S420, 6);
    const QString path = Photo("wide.jpg", bytes);
    dialogs->Answer(IDOK, true);
    Run(path, 1);
    EXPECT_EQ(CropQuestions(), 1u);
    EXPECT_NE(ReadFile(path), bytes);
    EXPECT_EQ(GetFileOrientation(path), 1);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\TolvaneStudio\\Orlisk\\Main", false));
    EXPECT_EQ(reg.GetDataType("DisplayCropWarning"), rdString);
    EXPECT_EQ(reg.ReadString("DisplayCropWarning"), "0");

    // The next call reads the value anew and asks no more.
    Run(path, 1);
    EXPECT_EQ(CropQuestions(), 1u);
}

TEST_F(Transform, OkWithoutTheBoxKeepsAsking) {
    const QString path = Photo("wide.jpg", Sized(1000, 600));
    dialogs->Answer(IDOK, false);
    Run(path, 5);
    EXPECT_NE(ReadFile(path), Sized(1000, 600));
    EXPECT_FALSE(OpenRegistrySettings()->ValueExists("Main", "DisplayCropWarning"));
    dialogs->Answer(IDCANCEL);
    Run(path, 5);
    EXPECT_EQ(CropQuestions(), 2u);
}

// ---- orientation rewrite and internal error ---------------------------------------------

TEST_F(Transform, NoOrWildOrientationWritesNothing) {
    for (uint16_t o : {uint16_t {0}, uint16_t {9}, uint16_t {0xFFFF}}) {
        TiffBuilder t;
        const int ifd0 = t.AddIfd();
        t.Ascii(ifd0, 0x010F, "Cam");
        if (o) t.Short(ifd0, 0x0112, o);
        JpegSpec spec;
        spec.segments.push_back({0xE1, ExifPayload(t.Build())});
        const QByteArray bytes = MakeJpeg(spec);
        const QString path = Photo("o.jpg", bytes);
        Run(path, 1);
        // Exactly what the lossless rotation alone gives.
        EXPECT_EQ(ReadFile(path), Jpegtran(JpegtranArgs(1), bytes)) << o;
        EXPECT_EQ(GetFileOrientation(path), o);
    }
}

TEST_F(Transform, EveryTypeCountAndByteOrderReadsTurnsAndReadsUpright) {
    // An Orientation entry of a type the writer rewrites reads 6, is turned once and
    // reads 1: its first value rewritten in its own width, the others kept. Any other
    // type reads as no orientation, and the entry stays as it was.
    const struct {
        uint16_t type;
        int width;  // of one value; 0: not an orientation
    } types[] = {{1, 1}, {6, 1}, {3, 2}, {8, 2}, {4, 4}, {9, 4},
                 {2, 0}, {5, 0}, {7, 0}, {10, 0}, {11, 0}, {12, 0}};
    const int typeSize[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    for (bool big : {false, true}) {
        for (const auto& t : types) {
            for (uint32_t count : {1u, 2u, 3u, 5u}) {
                // Values 6, then 3, 4, 5...; filler bytes for the other types.
                auto block = [&](uint32_t first) {
                    const int unit = typeSize[t.type];
                    QByteArray value;
                    for (uint32_t i = 0; i < count; ++i) {
                        QByteArray one(unit, '\0');
                        const uint32_t v = t.width == 0 ? 0x36 : i == 0 ? first : 2 + i;
                        for (int b = 0; b < unit; ++b)
                            one[big ? unit - 1 - b : b] = static_cast<char>(b < 4 ? v >> (8 * b) : 0);
                        value += one;
                    }
                    TiffBuilder tiff(big);
                    const int ifd0 = tiff.AddIfd();
                    tiff.Ascii(ifd0, 0x010F, "Cam");
                    tiff.Raw(ifd0, 0x0112, t.type, count, value);
                    return ExifPayload(tiff.Build());
                };
                SCOPED_TRACE(::testing::Message() << "big " << big << " type " << t.type
                                                  << " count " << count);
                JpegSpec spec;
                spec.segments.push_back({0xE1, block(6)});
                const QString path = Photo("t.jpg", MakeJpeg(spec));
                const bool turns = t.width != 0;
                EXPECT_EQ(GetFileOrientation(path), turns ? 6 : 0);
                Run(path, 1);
                EXPECT_EQ(GetFileOrientation(path), turns ? 1 : 0);
                EXPECT_EQ(SegmentPayload(ReadFile(path), 0xE1), block(turns ? 1 : 6));
            }
        }
    }
}

TEST_F(Transform, CodeOutsideOneToFiveWithAnOrientationIsAnInternalError) {
    const QByteArray bytes = Sized(1000, 600, Sampling::S420, 6);
    const QString path = Photo("ro.jpg", bytes);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    for (int code : {0, 6, -1, 0x10001}) {
        dialogs->boxes.clear();
        dialogs->Answer(IDOK);
        try {
            Run(path, code);
            ADD_FAILURE() << "no exception for code " << code;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Internal error");
        }
        // After the crop question, before the read-only question.
        ASSERT_EQ(dialogs->boxes.size(), 1u);
        EXPECT_EQ(dialogs->boxes[0].kind, ScriptedBox::Crop);
        EXPECT_EQ(ReadFile(path), bytes);
        EXPECT_EQ(Mode(path), 0444u);
    }
}

TEST_F(Transform, CodeOutsideOneToFiveWithoutOrientationFailsInTheLibrary) {
    const QByteArray bytes = Sized(64, 48);
    const QString path = Photo("plain.jpg", bytes);
    try {
        Run(path, 7);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to rotate the image: plain.jpg");
    }
    EXPECT_EQ(ReadFile(path), bytes);
}

// ---- read-only files --------------------------------------------------------------------

TEST_F(Transform, ReadOnlyQuestionAndNo) {
    const QByteArray bytes = Sized(64, 48, Sampling::S420, 6);
    const QString path = Photo("ro.jpg", bytes);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    QWidget owner;
    dialogs->Answer(IDNO);
    Run(path, 1, false, &owner);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    const ScriptedBox& box = dialogs->boxes[0];
    EXPECT_EQ(box.kind, ScriptedBox::Message);
    EXPECT_EQ(box.text, QString("Image \"%1\" is read-only. Do you want to rotate it anyway?").arg(path));
    ASSERT_TRUE(box.caption.has_value());
    EXPECT_TRUE(box.caption->isEmpty());
    EXPECT_EQ(box.type, MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(box.owner, &owner);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_EQ(Mode(path), 0444u);
}

TEST_F(Transform, ReadOnlyYesTransformsAndLeavesItWritable) {
    const QByteArray bytes = Sized(64, 48, Sampling::S420, 6);
    const QString path = Photo("ro.jpg", bytes);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0440), 0);
    dialogs->Answer(IDYES);
    Run(path, 1);
    EXPECT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_NE(ReadFile(path), bytes);
    EXPECT_EQ(GetFileOrientation(path), 1);
    EXPECT_EQ(Mode(path), 0640u);
}

TEST_F(Transform, ReadOnlyWithTheSilentSwitchAsksNothing) {
    const QByteArray bytes = Sized(1000, 48, Sampling::S420, 3);
    const QString path = Photo("ro.jpg", bytes);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    sys::SetProcessArguments({"-u", "-s", path});
    Run(path, 2);
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_NE(ReadFile(path), bytes);
    EXPECT_EQ(GetFileOrientation(path), 1);
    EXPECT_EQ(Mode(path), 0644u);
}

TEST_F(Transform, DecliningTheReadOnlyQuestionKeepsDontAskAgain) {
    const QByteArray bytes = Sized(1000, 600);
    const QString path = Photo("ro.jpg", bytes);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    dialogs->Answer(IDOK, true);
    dialogs->Answer(IDNO);
    Run(path, 1);
    EXPECT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(ReadFile(path), bytes);
    EXPECT_FALSE(OpenRegistrySettings()->ReadBool("Main", "DisplayCropWarning", true));
}

// ---- file times ------------------------------------------------------------------------

TEST_F(Transform, KeepTimestampRestoresBothTimesToTheNanosecond) {
    const QString path = Photo("t.jpg", Sized(64, 48, Sampling::S420, 8));
    SetTimes(path, 1234567890, 123456789);
    const FileStat before = Stat(path);
    Run(path, 3, true);
    const FileStat after = Stat(path);
    EXPECT_TRUE(SameTime(after.mtime, before.mtime));
    EXPECT_TRUE(SameTime(after.atime, before.atime));
    EXPECT_EQ(GetFileOrientation(path), 1);

    // Without it the modification time is the transform's.
    Run(path, 3, false);
    EXPECT_FALSE(SameTime(Stat(path).mtime, before.mtime));
}

TEST_F(Transform, AReadOnlyFileKeepsItsTimesToo) {
    const QString path = Photo("t.jpg", Sized(64, 48, Sampling::S420, 6));
    SetTimes(path, 1000000000, 999999999);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const FileStat before = Stat(path);
    dialogs->Answer(IDYES);
    Run(path, 1, true);
    const FileStat after = Stat(path);
    EXPECT_TRUE(SameTime(after.mtime, before.mtime));
    EXPECT_TRUE(SameTime(after.atime, before.atime));
    EXPECT_EQ(GetFileOrientation(path), 1);
}

// ---- failures of the library ------------------------------------------------------------

TEST_F(Transform, LibraryFailureNamesTheFileAndChangesNothing) {
    QByteArray truncated = Sized(64, 48, Sampling::S420, 6);
    truncated.chop(truncated.size() / 3);
    const std::vector<std::pair<QString, QByteArray>> files = {
        {"name.jpg", "This is not a photo.\n"},
        {"cut.jpg", truncated},
    };
    for (const auto& [name, bytes] : files) {
        const QString path = Photo(name, bytes);
        SetTimes(path, 1500000000, 5);
        try {
            Run(path, 1, true);
            ADD_FAILURE() << "no exception for " << name.toStdString();
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Unable to rotate the image: " + name);
        }
        EXPECT_EQ(ReadFile(path), bytes);
        EXPECT_EQ(Stat(path).mtime.tv_sec, 1500000000);
    }
    EXPECT_TRUE(dialogs->boxes.empty());
}

TEST_F(Transform, MessagesAreTranslated) {
    const QString lng = dir.File("test.lng");
    WriteFile(lng, "[Messages]\n"
                   "Unable to rotate the image=Kuvaa ei voi kääntää\n"
                   "Don't ask again=Älä kysy uudelleen\n");
    language.SetLanguageFile(lng);
    const QString bad = Photo("bad.jpg", "text");
    try {
        Run(bad, 1);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8("Kuvaa ei voi kääntää: bad.jpg"));
    }
    const QString wide = Photo("wide.jpg", Sized(1000, 48));
    Run(wide, 1);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].checkBoxCaption, QString::fromUtf8("Älä kysy uudelleen"));
    EXPECT_EQ(dialogs->boxes[0].text, kCropText.arg("wide.jpg"));
}

// ---- names that are not UTF-8 -----------------------------------------------------------

TEST_F(Transform, ALatin1NameIsTurnedAndShownWithReplacementCharacters) {
    const QString fffd(QChar::ReplacementCharacter);
    const QByteArray bytes = Sized(64, 48, Sampling::S420, 6);
    const QString path = Photo(sys::DecodeFileName("caf\xe9.jpg"), bytes);
    SetTimes(path, 1500000000, 5);
    EXPECT_EQ(GetFileOrientation(path), 6);
    Run(path, 1, true);
    EXPECT_TRUE(dialogs->boxes.empty());
    EXPECT_EQ(Decode(ReadFile(path)), Decode(Jpegtran(JpegtranArgs(1), bytes)));
    EXPECT_EQ(GetFileOrientation(path), 1);
    EXPECT_EQ(Stat(path).mtime.tv_sec, 1500000000);

    // Every question and message names it with U+FFFD for the byte.
    const QString wide = Photo(sys::DecodeFileName("wid\xe9.jpg"), Sized(1000, 48));
    Run(wide, 1);
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0].text, kCropText.arg("wid" + fffd + ".jpg"));
    const QString ro = Photo(sys::DecodeFileName("r\xf6.jpg"), bytes);
    ASSERT_EQ(::chmod(sys::EncodeFileName(ro).constData(), 0444), 0);
    dialogs->Answer(IDNO);
    Run(ro, 1);
    ASSERT_EQ(dialogs->boxes.size(), 2u);
    EXPECT_EQ(dialogs->boxes[1].text,
              QString("Image \"%1\" is read-only. Do you want to rotate it anyway?")
                  .arg(sys::DisplayFileName(ro)));
    EXPECT_TRUE(dialogs->boxes[1].text.contains("r" + fffd + ".jpg"));
    const QString bad = Photo(sys::DecodeFileName("b\xe4" "d.jpg"), "text");
    try {
        Run(bad, 1);
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Unable to rotate the image: b" + fffd + "d.jpg");
    }
}
