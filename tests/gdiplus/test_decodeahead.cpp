// Decoding ahead of a folder load: the same thumbnails as without, whatever order the
// files are taken in, files changed meanwhile opened afresh, pending work dropped.

#include "platform/gdiplus/gpdecodeahead.h"
#include "platform/gdiplus/gpgraphics.h"
#include "platform/gdiplus/gpimage_data.h"
#include "tests/support/child_process.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sys/resource.h>
#include <thread>

using namespace testsupport;

namespace {

constexpr int kBoxW = 143, kBoxH = 143;

// A photo with an embedded EXIF thumbnail made from another picture (seed + 100).
QByteArray PhotoWithThumbnail(int w, int h, unsigned seed) {
    JpegSpec thumb;
    thumb.width = 160;
    thumb.height = 120;
    thumb.seed = seed + 100;
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Ascii(ifd0, 0x010F, "TestCam");
    t.Link(ifd0, ifd1);
    t.Short(ifd1, 0x0103, 6);
    t.Thumbnail(ifd1, MakeJpeg(thumb));
    JpegSpec spec;
    spec.width = w;
    spec.height = h;
    spec.seed = seed;
    spec.segments.push_back({0xE1, ExifPayload(t.Build())});
    return MakeJpeg(spec);
}

// A folder as a load meets it: photos of every shape, with and without embedded
// thumbnails, a PNG under a JPEG name, a broken file, a folder named like a photo.
QStringList MakeFolder(const TempDir& dir) {
    QStringList files;
    auto add = [&](const QString& name, const QByteArray& bytes) {
        WriteFile(dir.File(name), bytes);
        files << dir.File(name);
    };
    add("landscape.jpg", PhotoWithThumbnail(800, 600, 1));
    add("portrait.jpg", PhotoWithThumbnail(600, 800, 2));
    JpegSpec plain;
    plain.width = 1000;
    plain.height = 1000;
    add("square_plain.jpg", MakeJpeg(plain));
    add("small.jpg", PhotoWithThumbnail(100, 80, 3));
    JpegSpec panorama;
    panorama.width = 4000;
    panorama.height = 16;
    add("panorama.jpg", MakeJpeg(panorama));
    JpegSpec progressive;
    progressive.width = 640;
    progressive.height = 480;
    progressive.progressive = true;
    add("progressive.jpg", MakeJpeg(progressive));
    QImage png(300, 200, QImage::Format_RGB32);
    png.fill(Qt::darkCyan);
    png.save(dir.File("png.jpg"), "PNG");
    files << dir.File("png.jpg");
    add("broken.jpg", "\xFF\xD8\xFF garbage");
    QDir(dir.Path()).mkdir("folder.jpg");
    files << dir.File("folder.jpg");
    for (int i = 0; i < 20; ++i)
        add(QString("many%1.jpg").arg(i), PhotoWithThumbnail(400 + 8 * i, 300, 10 + i));
    return files;
}

struct Thumb {
    GpStatus imageStatus = Ok;
    unsigned w = 0, h = 0;
    GpStatus thumbStatus = Ok;
    QImage pixels;
};

// What a folder load makes of one file: the box-fitted size, then a bitmap drawn
// with low interpolation (high quality) or the image's thumbnail (low quality); a
// photo that fits the box keeps its size.
Thumb MakeThumb(const QString& file, bool high, int boxW = kBoxW, int boxH = kBoxH) {
    Thumb t;
    TGPImage image(file);
    t.imageStatus = image.GetLastStatus();
    t.w = image.GetWidth();
    t.h = image.GetHeight();
    if (t.w == 0 || t.h == 0) return t;
    const int w = static_cast<int>(t.w), h = static_cast<int>(t.h);
    const bool fits = w <= boxW && h <= boxH;
    int tw = w, th = h;
    if (!fits) {
        tw = w > h ? boxW : std::max(1, w * boxH / h);
        th = w > h ? std::max(1, h * boxW / w) : boxH;
    }
    std::unique_ptr<TGPImage> thumb;
    if (high || fits) {
        auto bitmap = std::make_unique<TGPBitmap>(tw, th, PixelFormat32bppARGB);
        TGPGraphics g(bitmap.get());
        g.SetInterpolationMode(InterpolationModeLowQuality);
        g.DrawImage(&image, 0, 0, tw, th);
        thumb = std::move(bitmap);
    } else {
        thumb.reset(image.GetThumbnailImage(static_cast<unsigned>(tw), static_cast<unsigned>(th)));
    }
    t.thumbStatus = thumb->GetLastStatus();
    t.pixels = thumb->GetData()->pixels;
    return t;
}

void ExpectSame(const Thumb& a, const Thumb& b, const QString& file) {
    EXPECT_EQ(a.imageStatus, b.imageStatus) << file.toStdString();
    EXPECT_EQ(a.w, b.w) << file.toStdString();
    EXPECT_EQ(a.h, b.h) << file.toStdString();
    EXPECT_EQ(a.thumbStatus, b.thumbStatus) << file.toStdString();
    EXPECT_TRUE(a.pixels == b.pixels) << file.toStdString();
}

}  // namespace

TEST(GpDecodeAhead, SameThumbnailsAsWithoutInBothQualities) {
    TempDir dir;
    const QStringList files = MakeFolder(dir);
    for (bool high : {true, false}) {
        std::vector<Thumb> plain;
        for (const QString& f : files) plain.push_back(MakeThumb(f, high));
        TGPDecodeAhead ahead(files, kBoxW, kBoxH, !high);
        for (int i = 0; i < files.size(); ++i) ExpectSame(MakeThumb(files[i], high), plain[i], files[i]);
    }
}

TEST(GpDecodeAhead, AnyOrderAnyQualityAndOtherThreadsGetTheSameResults) {
    TempDir dir;
    const QStringList files = MakeFolder(dir);
    std::vector<Thumb> plain;
    for (const QString& f : files) plain.push_back(MakeThumb(f, true));
    {
        // Backwards, skipping some, one file twice, and the hint of the other quality.
        TGPDecodeAhead ahead(files, kBoxW, kBoxH, true);
        for (int i : {5, 3, 3, 12, 0, 28, 27, 1})
            if (i < files.size()) ExpectSame(MakeThumb(files[i], true), plain[i], files[i]);
    }
    {
        TGPDecodeAhead ahead(files, kBoxW, kBoxH, false);
        std::thread other([&] {
            for (int i = 0; i < files.size(); ++i) ExpectSame(MakeThumb(files[i], true), plain[i], files[i]);
        });
        other.join();
        for (int i = 0; i < files.size(); ++i) ExpectSame(MakeThumb(files[i], true), plain[i], files[i]);
    }
}

TEST(GpDecodeAhead, ACellChangedDuringTheLoadGivesTheSameThumbnails) {
    TempDir dir;
    const QStringList files = MakeFolder(dir);
    for (int box : {120, 200, 60}) {
        std::vector<Thumb> plain;
        for (const QString& f : files) plain.push_back(MakeThumb(f, true, box, box));
        TGPDecodeAhead ahead(files, kBoxW, kBoxH, false);
        for (int i = 0; i < files.size(); ++i)
            ExpectSame(MakeThumb(files[i], true, box, box), plain[i], files[i]);
    }
}

TEST(GpDecodeAhead, FileChangedAfterItWasPreparedIsOpenedAfresh) {
    TempDir dir;
    const QStringList files = MakeFolder(dir);
    const QString changed = dir.File("many3.jpg");
    const int at = static_cast<int>(files.indexOf(changed));
    TGPDecodeAhead ahead(files, kBoxW, kBoxH, false);
    MakeThumb(files[0], false);  // the workers run ahead of this one
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    WriteFile(changed, PhotoWithThumbnail(500, 700, 77));
    for (int i = 1; i < at; ++i) MakeThumb(files[i], false);
    const Thumb seen = MakeThumb(changed, false);
    EXPECT_EQ(seen.w, 500u);
    EXPECT_EQ(seen.h, 700u);

    // The same as a plain open gives (a file behind the load's position is not taken).
    ExpectSame(seen, MakeThumb(changed, false), changed);
}

TEST(GpDecodeAhead, CancelAndDestructionDropTheWorkAndLeaveNothingBehind) {
    TempDir dir;
    const QStringList files = MakeFolder(dir);
    std::vector<Thumb> plain;
    for (const QString& f : files) plain.push_back(MakeThumb(f, false));
    {
        TGPDecodeAhead ahead(files, kBoxW, kBoxH, true);
        ExpectSame(MakeThumb(files[0], false), plain[0], files[0]);
        ahead.Cancel();
        ahead.Cancel();
        for (int i = 1; i < files.size(); ++i) ExpectSame(MakeThumb(files[i], false), plain[i], files[i]);
    }
    for (int round = 0; round < 5; ++round) {
        TGPDecodeAhead dropped(files, kBoxW, kBoxH, round % 2 == 0);  // never taken from
    }
    for (int i = 0; i < files.size(); ++i) ExpectSame(MakeThumb(files[i], false), plain[i], files[i]);
}

// A progressive JPEG of a few bytes whose frame declares w x h: decoding it still
// takes the coefficient buffers of the whole declared picture.
QByteArray DeclaringSize(int w, int h) {
    JpegSpec spec;
    spec.sampling = Sampling::S444;
    spec.progressive = true;
    QByteArray jpeg = MakeJpeg(spec);
    const qsizetype sof = jpeg.indexOf("\xFF\xC2");
    jpeg[sof + 5] = static_cast<char>(h >> 8);
    jpeg[sof + 6] = static_cast<char>(h & 0xFF);
    jpeg[sof + 7] = static_cast<char>(w >> 8);
    jpeg[sof + 8] = static_cast<char>(w & 0xFF);
    return jpeg;
}

constexpr int kHeavyCount = 8;

// A load of a folder holding a picture whose decode would take more memory than the
// machine has, and pictures that each take a third of what all decodes may take
// together, in a process of its own so that its peak memory is its own. A cap on its
// address space keeps a failure from taking the machine's memory. Prints the peak
// resident size in KiB; the exit status says what went wrong.
ORLISK_TEST_CHILD(LoadAFolderWithDecodeBombs) {
    const rlimit cap{rlim_t(4) << 30, rlim_t(4) << 30};
    ::setrlimit(RLIMIT_AS, &cap);
    const QString folder = qEnvironmentVariable("ORLISK_TEST_FOLDER");
    QStringList files;
    for (const char* name : {"before.jpg", "bomb.jpg", "bomb-thumbnail.jpg"})
        files << folder + "/" + QString::fromLatin1(name);
    for (int i = 0; i < kHeavyCount; ++i) files << folder + QString("/heavy%1.jpg").arg(i);
    files << folder + "/after.jpg";
    const int after = static_cast<int>(files.size()) - 1;
    for (bool high : {true, false}) {
        std::map<int, Thumb> plain;
        for (int i : {0, 1, 2, after}) plain[i] = MakeThumb(files[i], high);
        TGPDecodeAhead ahead(files, kBoxW, kBoxH, !high);
        std::vector<Thumb> loaded;
        for (const QString& f : files) loaded.push_back(MakeThumb(f, high));
        // The bomb keeps its size, cannot be read, and is never decoded.
        for (const Thumb& t : {plain[1], loaded[1]})
            if (t.imageStatus != OutOfMemory || t.w != 64250 || t.h != 64250) return 3;
        // A photo whose embedded thumbnail is the bomb shows the photo itself.
        for (const Thumb& t : {plain[2], loaded[2]})
            if (t.imageStatus != Ok || t.thumbStatus != Ok || t.pixels.isNull()) return 4;
        // The photos around them are drawn as without the decode-ahead.
        for (int i : {0, 2, after})
            if (loaded[i].pixels.isNull() || loaded[i].pixels != plain[i].pixels) return 5;
        for (int i = 3; i < after; ++i)
            if (loaded[i].thumbStatus != Ok) return 6;
    }
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

TEST(GpDecodeAhead, ALoadKeepsItsMemoryBoundedAndGoesOnPastAPictureTooLargeToDecode) {
    TempDir dir;
    // 1,407 bytes declaring 64250 x 64250, progressive: 24 GB of coefficient buffers
    // even at 1/8.
    const QByteArray bomb = TestData("decode-bomb-progressive-64250.jpg");
    WriteFile(dir.File("bomb.jpg"), bomb);
    {
        // Its EXIF properties are read all the same, as for the EXIF viewer.
        TGPImage image(dir.File("bomb.jpg"));
        uint32_t size = 0, count = 0;
        EXPECT_EQ(image.GetPropertySize(&size, &count), Ok);
        EXPECT_GT(count, 0u);
    }
    TiffBuilder t;
    const int ifd0 = t.AddIfd();
    const int ifd1 = t.AddIfd();
    t.Link(ifd0, ifd1);
    t.Short(ifd1, 0x0103, 6);
    t.Thumbnail(ifd1, bomb);
    JpegSpec spec;
    spec.width = 800;
    spec.height = 600;
    spec.segments.push_back({0xE1, ExifPayload(t.Build())});
    WriteFile(dir.File("bomb-thumbnail.jpg"), MakeJpeg(spec));
    WriteFile(dir.File("before.jpg"), PhotoWithThumbnail(640, 480, 1));
    WriteFile(dir.File("after.jpg"), PhotoWithThumbnail(480, 640, 2));
    // 5500 x 5500, three components: 182 MB of coefficients each, 1.5 GB for eight
    // decoded at once.
    for (int i = 0; i < kHeavyCount; ++i)
        WriteFile(dir.File(QString("heavy%1.jpg").arg(i)), DeclaringSize(5500, 5500));

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ORLISK_TEST_FOLDER", dir.Path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                testsupport::ChildArguments("LoadAFolderWithDecodeBombs"));
    ASSERT_TRUE(child.waitForFinished(120000));
    ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << child.readAllStandardError().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    const long peakKiB = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toLong();
    EXPECT_GT(peakKiB, 0);
    EXPECT_LT(peakKiB, 768 * 1024) << "peak resident memory in KiB";
}
