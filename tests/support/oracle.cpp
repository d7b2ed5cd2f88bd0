#include "tests/support/oracle.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <cstdlib>
#include <stdexcept>
#include <turbojpeg.h>
#include <unistd.h>

namespace testsupport {

Pixels Decode(const QByteArray& jpeg) {
    Pixels p;
    tjhandle h = tjInitDecompress();
    if (!h) return p;
    int w = 0, ht = 0, subsamp = 0, colorspace = 0;
    auto* src = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    if (tjDecompressHeader3(h, src, size, &w, &ht, &subsamp, &colorspace) == 0) {
        int format = TJPF_RGB;
        p.components = 3;
        if (colorspace == TJCS_GRAY) {
            format = TJPF_GRAY;
            p.components = 1;
        } else if (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK) {
            format = TJPF_CMYK;
            p.components = 4;
        }
        p.data.resize(static_cast<qsizetype>(w) * ht * p.components);
        if (tjDecompress2(h, src, size, reinterpret_cast<unsigned char*>(p.data.data()), w, 0, ht,
                          format, TJFLAG_ACCURATEDCT) == 0) {
            p.width = w;
            p.height = ht;
        } else {
            p = Pixels();
        }
    }
    tjDestroy(h);
    return p;
}

ProcessResult Run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                  int timeoutMs, const QByteArray& input) {
    ProcessResult r;
    QProcess proc;
    proc.setProcessEnvironment(env);
    proc.start(program, args);
    if (!proc.waitForStarted(10000)) {
        r.crashed = true;
        return r;
    }
    if (!input.isEmpty()) proc.write(input);
    proc.closeWriteChannel();
    if (!proc.waitForFinished(timeoutMs)) {
        proc.kill();
        proc.waitForFinished();
        r.crashed = true;
    }
    r.out = proc.readAllStandardOutput();
    r.err = proc.readAllStandardError();
    r.crashed = r.crashed || proc.exitStatus() == QProcess::CrashExit;
    r.exitCode = proc.exitCode();
    return r;
}

QByteArray Jpegtran(const QStringList& args, const QByteArray& jpeg) {
    const ProcessResult r = Run("jpegtran", args, QProcessEnvironment::systemEnvironment(), 60000,
                                jpeg);
    return r.exitCode == 0 && !r.crashed ? r.out : QByteArray();
}

QStringList JpegtranArgs(int code) {
    QStringList op;
    switch (code) {
        case 1: op = {"-rotate", "90"}; break;
        case 2: op = {"-rotate", "180"}; break;
        case 3: op = {"-rotate", "270"}; break;
        case 4: op = {"-flip", "vertical"}; break;
        case 5: op = {"-flip", "horizontal"}; break;
        default: break;
    }
    return op + QStringList{"-trim", "-copy", "all"};
}

std::vector<std::pair<QString, int>> ExiftoolOrientations(const QString& path) {
    std::vector<std::pair<QString, int>> out;
    const ProcessResult r = Run("exiftool", {"-n", "-G1", "-a", "-s", "-Orientation", path});
    static const QRegularExpression line(R"(^\[([^\]]+)\]\s+Orientation\s*:\s*(\d+))");
    for (const QByteArray& l : r.out.split('\n')) {
        const auto m = line.match(QString::fromUtf8(l));
        if (m.hasMatch()) out.emplace_back(m.captured(1), m.captured(2).toInt());
    }
    return out;
}

QString OrliskExe() {
    const char* e = std::getenv("ORLISK_EXE");
    return QString::fromLocal8Bit(e ? e : ORLISK_DEFAULT_EXE);
}

QString SourceDir() {
    const char* e = std::getenv("ORLISK_SOURCE_DIR");
    return QString::fromLocal8Bit(e ? e : ORLISK_DEFAULT_SOURCE_DIR);
}

QByteArray TestData(const QString& name) {
    QFile f(SourceDir() + QStringLiteral("/tests/data/") + name);
    if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("no test data " + name.toStdString());
    return f.readAll();
}

bool RunningAsRoot() { return ::geteuid() == 0; }

}  // namespace testsupport
