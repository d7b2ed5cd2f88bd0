// A FIFO, a socket or a device named like a photo: refused at once with a non-zero
// status, nothing left behind, never a hang.

#include "helpers.h"

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vantreltest;
using testsupport::TempDir;

namespace {

// The status of the transform, or nullopt when it has not returned within a while.
// A call that hangs on a FIFO is set free by opening the FIFO's other end.
std::optional<uint16_t> TransformWithin(const QString& path, const QString& fifoToRelease = {}) {
    auto status = std::async(std::launch::async, [path] { return Transform(path, 1); });
    if (status.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return status.get();
    if (!fifoToRelease.isEmpty()) {
        const int fd = ::open(QFile::encodeName(fifoToRelease).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    }
    status.wait();
    return std::nullopt;
}

}  // namespace

TEST(SpecialFiles, AreRefusedWithoutWaiting) {
    TempDir dir;
    const QString fifo = dir.File("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const QString sock = dir.File("socket.jpg");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const QByteArray p = QFile::encodeName(sock);
    ASSERT_LT(static_cast<size_t>(p.size()), sizeof addr.sun_path);
    std::memcpy(addr.sun_path, p.constData(), static_cast<size_t>(p.size()));
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    // A link to a device: followed, and the device is no photo.
    const QString device = dir.File("zero.jpg");
    ASSERT_TRUE(QFile::link("/dev/zero", device));

    const QStringList before = Entries(dir.Path());
    for (const QString& path : {fifo, sock, device}) {
        const std::optional<uint16_t> status = TransformWithin(path, path == fifo ? fifo : QString());
        ASSERT_TRUE(status.has_value()) << path.toStdString() << " hung";
        EXPECT_NE(*status, 0) << path.toStdString();
    }
    EXPECT_EQ(Entries(dir.Path()), before);
    ::close(s);
}
