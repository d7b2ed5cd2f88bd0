// The JPEG frame header reader behind the status bar's pixel size, and the file and
// folder tests, on real files.
#include "platform/system/jpegheader.h"
#include "platform/system/sysutils.h"
#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace testsupport;

TEST(JpegHeader, ReadsTheStoredSizeAndIgnoresTheOrientation) {
    TempDir dir;
    WriteFile(dir.File("turned.jpg"), MakeExifJpeg(640, 480, 6));
    JpegFrameSize size;
    ASSERT_TRUE(ReadJpegFrameSize(dir.File("turned.jpg"), size));
    EXPECT_EQ(size.width, 640);
    EXPECT_EQ(size.height, 480);

    // The header alone is enough: a photo cut right after its scan header still
    // reads, since no pixel is decoded.
    JpegSpec spec;
    spec.width = 321;
    spec.height = 123;
    spec.progressive = true;
    QByteArray jpeg = MakeJpeg(spec);
    const qsizetype sos = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(sos, 0);
    WriteFile(dir.File("cut.jpg"), jpeg.left(sos + 20));
    ASSERT_TRUE(ReadJpegFrameSize(dir.File("cut.jpg"), size));
    EXPECT_EQ(size.width, 321);
    EXPECT_EQ(size.height, 123);
}

TEST(JpegHeader, TheMainPicturesBlock) {
    // 8 x Hmax by 8 x Vmax of the main frame; a thumbnail's frame inside APP1 is not it.
    TempDir dir;
    auto block = [&](const JpegSpec& spec) {
        WriteFile(dir.File("p.jpg"), MakeJpeg(spec));
        JpegFrameSize size;
        EXPECT_TRUE(ReadJpegFrameSize(dir.File("p.jpg"), size));
        return std::make_pair(size.blockWidth, size.blockHeight);
    };
    using B = std::pair<int, int>;
    const std::pair<Sampling, B> cases[] = {
        {Sampling::S420, {16, 16}}, {Sampling::S422, {16, 8}}, {Sampling::S444, {8, 8}},
        {Sampling::S440, {8, 16}},  {Sampling::S411, {32, 8}}, {Sampling::Grey, {8, 8}},
    };
    for (const auto& [sampling, expected] : cases) {
        JpegSpec spec;
        spec.sampling = sampling;
        EXPECT_EQ(block(spec), expected) << static_cast<int>(sampling);
        spec.progressive = true;
        EXPECT_EQ(block(spec), expected) << static_cast<int>(sampling) << " progressive";
    }
    JpegSpec thumb;
    thumb.sampling = Sampling::S422;
    JpegSpec withThumb;
    withThumb.segments.push_back({0xE1, QByteArray("Exif\0\0", 6) + MakeJpeg(thumb)});
    EXPECT_EQ(block(withThumb), B(16, 16));
}

TEST(JpegHeader, FailsWithAMessageAndNeverEndsTheProcess) {
    TempDir dir;
    QImage png(20, 10, QImage::Format_RGB32);
    png.fill(Qt::red);
    ASSERT_TRUE(png.save(dir.File("png.jpg"), "PNG"));
    WriteFile(dir.File("empty.jpg"), QByteArray());
    WriteFile(dir.File("garbage.jpg"), QByteArray(5000, '\x5A'));
    // SOI and the start of a frame header, then nothing.
    WriteFile(dir.File("short.jpg"), QByteArray("\xFF\xD8\xFF\xC0\x00\x11\x08", 7));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo.jpg")).constData(), 0600), 0);
    WriteFile(dir.File("folder.jpg/inside"), "x");

    for (const char* name : {"png.jpg", "empty.jpg", "garbage.jpg", "short.jpg", "fifo.jpg",
                             "folder.jpg", "missing.jpg"}) {
        JpegFrameSize size{7, 7};
        QString error;
        EXPECT_FALSE(ReadJpegFrameSize(dir.File(name), size, &error)) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
        EXPECT_EQ(size.width, 0) << name;
    }
    JpegFrameSize size;
    EXPECT_FALSE(ReadJpegFrameSize(QString(), size));
}

TEST(SysUtils, FileAndDirectoryExistence) {
    TempDir dir;
    WriteFile(dir.File("a.jpg"), "x");
    WriteFile(dir.File("sub.jpg/b"), "x");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.File("fifo.jpg")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("a.jpg", QFile::encodeName(dir.File("link.jpg")).constData()), 0);
    ASSERT_EQ(::symlink("gone", QFile::encodeName(dir.File("dangling.jpg")).constData()), 0);

    EXPECT_TRUE(sys::FileExists(dir.File("a.jpg")));
    EXPECT_TRUE(sys::FileExists(dir.File("link.jpg")));
    EXPECT_FALSE(sys::FileExists(dir.File("dangling.jpg")));
    EXPECT_FALSE(sys::FileExists(dir.File("sub.jpg")));
    EXPECT_FALSE(sys::FileExists(dir.File("fifo.jpg")));
    EXPECT_FALSE(sys::FileExists(QString()));
    EXPECT_TRUE(sys::DirectoryExists(dir.File("sub.jpg")));
    EXPECT_TRUE(sys::DirectoryExists("/"));
    EXPECT_FALSE(sys::DirectoryExists(dir.File("a.jpg")));
    EXPECT_FALSE(sys::DirectoryExists(QString()));
}
