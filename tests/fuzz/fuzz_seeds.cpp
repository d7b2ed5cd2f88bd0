// Writes the seed corpus of every harness: photos made by the tests' own makers
// (both byte orders, every IFD layout, each sampling, progressive, restart markers,
// sizes off the block grid), the language files that ship, settings files, and the
// regression files of tests/data/.
//   fuzz_seeds <corpus root> <source folder>

#include "tests/support/files.h"
#include "tests/support/photos.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

using namespace testsupport;

namespace {

QString root;

void Seed(const QString& harness, const QString& name, const QByteArray& bytes) {
    WriteFile(root + "/" + harness + "/" + name, bytes);
}

void CopyFolder(const QString& harness, const QString& folder, const QStringList& patterns) {
    for (const QFileInfo& f : QDir(folder).entryInfoList(patterns, QDir::Files))
        Seed(harness, f.fileName(), ReadFile(f.filePath()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus root> <source folder>\n");
        return 2;
    }
    root = QString::fromLocal8Bit(argv[1]);
    const QString source = QString::fromLocal8Bit(argv[2]);
    const QString data = source + "/tests/data";

    // Photos for the EXIF writer and the image services.
    int n = 0;
    for (bool big : {false, true})
        for (int layout : {1, 2, 4, 7})
            for (uint16_t o : {uint16_t {0}, uint16_t {3}, uint16_t {6}}) {
                JpegSpec spec;
                spec.width = 32;
                spec.height = 16;
                spec.segments = {{0xE1, XmpPayload()}, {0xE1, ExifPayload(StandardExif(o, big, layout))}};
                if (n % 2) spec.segments.erase(spec.segments.begin());
                const QByteArray photo = MakeJpeg(spec);
                const QString name = QString("photo-%1.jpg").arg(n++);
                Seed("fuzz_exif_writer", name, photo);
                Seed("fuzz_image_services", name, photo);
            }
    {
        TiffBuilder t(true);
        const int ifd0 = t.AddIfd(), exif = t.AddIfd(), ifd1 = t.AddIfd();
        t.Raw(ifd0, 0x0112, 4, 1, QByteArray("\0\0\0\x06", 4));
        t.PointTo(ifd0, 0x8769, exif);
        t.Short(exif, 0x0112, 8);
        t.Link(ifd0, ifd1);
        t.Short(ifd1, 0x0112, 3);
        t.Thumbnail(ifd1, MakeJpeg(JpegSpec {}));
        JpegSpec spec;
        spec.segments = {{0xE1, ExifPayload(t.Build())}};
        Seed("fuzz_exif_writer", "long-and-thumbnail.jpg", MakeJpeg(spec));
        Seed("fuzz_image_services", "long-and-thumbnail.jpg", MakeJpeg(spec));
    }
    CopyFolder("fuzz_exif_writer", data, {"*.jpg"});
    CopyFolder("fuzz_image_services", data, {"*.jpg"});

    // Small photos of every coding the transform meets.
    n = 0;
    for (Sampling s : {Sampling::S420, Sampling::S422, Sampling::S444, Sampling::S440, Sampling::Grey,
                       Sampling::Cmyk})
        for (const auto& [w, h] : std::vector<std::pair<int, int>>{{32, 16}, {21, 13}})
            for (int variant = 0; variant < 3; ++variant) {
                JpegSpec spec;
                spec.width = w;
                spec.height = h;
                spec.sampling = s;
                spec.progressive = variant == 1;
                spec.restartInterval = variant == 2 ? 1 : 0;
                spec.seed = static_cast<unsigned>(n);
                spec.segments = {{0xE1, ExifPayload(StandardExif(6))}, {0xFE, "comment"}};
                Seed("fuzz_transform", QString("photo-%1.jpg").arg(n++), MakeJpeg(spec));
            }
    CopyFolder("fuzz_transform", data, {"header-error-*.jpg", "orientation-*.jpg", "transform-*.jpg"});

    CopyFolder("fuzz_language_file", source + "/lang", {"*.lng"});
    Seed("fuzz_language_file", "small.lng",
         "\xEF\xBB\xBF[Translations]\r\nFormOrlisk.Caption=Orlisk\r\n[Messages]\r\n"
         "Unable to rotate the image=Bild kann nicht gedreht werden\r\n");

    CopyFolder("fuzz_registry", data, {"*.reg"});
    Seed("fuzz_registry", "store.reg",
         "REGEDIT4\r\n\r\n; note\r\n[HKEY_CURRENT_USER\\Software\\TolvaneStudio\\Orlisk\\Main]\r\n"
         "\"Language\"=\"lang/English.lng\"\r\n\"Count\"=dword:00000003\r\n"
         "\"Expand\"=hex(2):25,00,00,00\r\n\"Text\"=hex(1):41,00,0a,00,00,00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"Blob\"=hex:de,ad,\\\r\n  be,ef\r\n");
    Seed("fuzz_ini", "orlisk.ini",
         "\xEF\xBB\xBF; settings\r\n[Main]\r\nLanguage=\"lang/English.lng\"\r\nKeepTimestamp=1\r\n"
         "ThumbnailsInRow=0x10\r\n\r\n[Other]\r\nx=1\r\r\n");
    return 0;
}
