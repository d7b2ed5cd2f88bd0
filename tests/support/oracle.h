#pragma once
// Independent oracles and process helpers: TurboJPEG decoding, jpegtran, exiftool,
// running the built orlisk program.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <vector>

namespace testsupport {

struct Pixels {
    int width = 0, height = 0, components = 0;  // 1 (grey), 3 (RGB) or 4 (CMYK)
    QByteArray data;
    bool operator==(const Pixels& o) const {
        return width == o.width && height == o.height && components == o.components &&
               data == o.data;
    }
};
// Decodes a JPEG in its own colour space (grey, RGB, CMYK); width 0 when it cannot.
Pixels Decode(const QByteArray& jpeg);

struct ProcessResult {
    int exitCode = -1;
    bool crashed = false;
    QByteArray out, err;
};
ProcessResult Run(const QString& program, const QStringList& args,
                  const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                  int timeoutMs = 120000, const QByteArray& input = QByteArray());

// jpegtran with `args` (e.g. {"-rotate", "90", "-trim", "-copy", "all"}) on the bytes.
QByteArray Jpegtran(const QStringList& args, const QByteArray& jpeg);
// The jpegtran arguments of a transform code 1..5.
QStringList JpegtranArgs(int code);

// Orientation per IFD as exiftool reads it: pairs of group ("IFD0", "ExifIFD",
// "IFD1") and numeric value, in exiftool's order.
std::vector<std::pair<QString, int>> ExiftoolOrientations(const QString& path);

// The built program (from ORLISK_EXE) and the source tree (ORLISK_SOURCE_DIR).
QString OrliskExe();
QString SourceDir();
// A file of tests/data/ (inputs that once broke the program), read whole.
QByteArray TestData(const QString& name);

// Whether the process runs as root (permission tests skip themselves then).
bool RunningAsRoot();

}  // namespace testsupport
