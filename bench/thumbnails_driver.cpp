// Helper of thumbnails.sh.
//
//   thumbnails_driver photo WIDTH HEIGHT SEED PHOTO THUMB
//       writes a camera-like photo (noise over gradients and edges, quality 92, 4:2:0)
//       and its 160x120 thumbnail as JPEG files
//   thumbnails_driver load FOLDER BOXW BOXH high|low [noahead]
//       makes the thumbnails of every .jpg of FOLDER as the main window's folder load
//       does (image, width and height, then a bitmap drawn with low interpolation for
//       high quality or the image's thumbnail for low quality; the GUI thread pumps
//       events once per file; the thumbnails are kept); prints the elapsed
//       milliseconds, the number of thumbnails and the peak resident memory in KiB
#include "platform/gdiplus/gpdecodeahead.h"
#include "platform/gdiplus/gpgraphics.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <sys/resource.h>
#include <turbojpeg.h>
#include <vector>

namespace {

bool WriteJpeg(const QImage& picture, const char* path) {
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    tjhandle tj = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool ok = tj && tjCompress2(tj, rgb.constBits(), rgb.width(),
                                      static_cast<int>(rgb.bytesPerLine()), rgb.height(),
                                      TJPF_BGRX, &out, &size, TJSAMP_420, 92, 0) == 0;
    if (ok) {
        QFile f(QString::fromLocal8Bit(path));
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(reinterpret_cast<const char*>(out), static_cast<qint64>(size)) !=
                static_cast<qint64>(size))
            return false;
    }
    tjFree(out);
    if (tj) tjDestroy(tj);
    return ok;
}

int MakePhoto(int width, int height, unsigned seed, const char* photo, const char* thumb) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-14, 14);
    const double phase = seed * 0.7;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double g = 0.5 + 0.5 * std::sin((x + 1.7 * y) / 230.0 + phase);
            const double s = 0.5 + 0.5 * std::cos((x - y) / 57.0 + phase * 2);
            const int edge = ((x / 97 + y / 61 + static_cast<int>(seed)) % 9 == 0) ? 50 : 0;
            const int n = noise(rng);
            auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
            line[x] = qRgb(clamp(static_cast<int>(60 + 150 * g) + n + edge),
                           clamp(static_cast<int>(40 + 120 * s * g) + n),
                           clamp(static_cast<int>(200 - 140 * s) + n - edge / 2));
        }
    }
    if (!WriteJpeg(image, photo)) return 1;
    const QImage small = image.scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return WriteJpeg(small, thumb) ? 0 : 1;
}

long PeakKiB() {
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Load(const QString& folder, int boxW, int boxH, bool high, bool ahead) {
    QStringList files;
    for (const QString& name : QDir(folder).entryList({"*.jpg", "*.JPG"}, QDir::Files, QDir::Unsorted))
        files << folder + "/" + name;

    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<TGPImage>> thumbnails;
    {
        std::unique_ptr<TGPDecodeAhead> hint;
        if (ahead) hint = std::make_unique<TGPDecodeAhead>(files, boxW, boxH, !high);
        for (const QString& file : files) {
            QCoreApplication::processEvents();
            TGPImage image(file);
            const int w = static_cast<int>(image.GetWidth());
            const int h = static_cast<int>(image.GetHeight());
            if (w == 0 || h == 0) continue;
            int tw, th;
            if (w > h) {
                tw = boxW;
                th = std::max(1, h * boxW / w);
            } else {
                th = boxH;
                tw = std::max(1, w * boxH / h);
            }
            if (high) {
                auto bitmap = std::make_unique<TGPBitmap>(tw, th, PixelFormat32bppARGB);
                TGPGraphics g(bitmap.get());
                g.SetInterpolationMode(InterpolationModeLowQuality);
                g.DrawImage(&image, 0, 0, tw, th);
                thumbnails.push_back(std::move(bitmap));
            } else {
                thumbnails.emplace_back(image.GetThumbnailImage(static_cast<unsigned>(tw),
                                                                static_cast<unsigned>(th)));
            }
        }
    }
    const qint64 ms = timer.elapsed();
    std::printf("%lld %zu %ld\n", static_cast<long long>(ms), thumbnails.size(), PeakKiB());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == "photo" && argc == 7)
        return MakePhoto(std::atoi(argv[2]), std::atoi(argv[3]),
                         static_cast<unsigned>(std::atoi(argv[4])), argv[5], argv[6]);
    if (mode == "load" && (argc == 6 || argc == 7)) {
        QGuiApplication app(argc, argv);
        return Load(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                    QByteArray(argv[5]) == "high", argc == 6);
    }
    std::fprintf(stderr,
                 "usage: %s photo WIDTH HEIGHT SEED PHOTO THUMB\n"
                 "       %s load FOLDER BOXW BOXH high|low [noahead]\n",
                 argv[0], argv[0]);
    return 2;
}
