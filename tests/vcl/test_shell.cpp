// The desktop's default application for a file or an address.
#include "platform/vcl/shell.h"

#include "platform/system/filenames.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Stands in for the desktop: records what it was asked to open.
class Desktop : public QObject {
    Q_OBJECT
public:
    Desktop() {
        QDesktopServices::setUrlHandler("file", this, "open");
        QDesktopServices::setUrlHandler("https", this, "open");
    }
    ~Desktop() override {
        QDesktopServices::unsetUrlHandler("file");
        QDesktopServices::unsetUrlHandler("https");
    }
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

}  // namespace

TEST(Shell, APathIsOpenedAsALocalFileWhateverItsCharacters) {
    Desktop desktop;
    EXPECT_TRUE(ShellOpen(nullptr, "/photos/2024 #1/a?b.jpg"));
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_TRUE(desktop.opened[0].isLocalFile());
    EXPECT_EQ(desktop.opened[0].toLocalFile(), "/photos/2024 #1/a?b.jpg");

    // A name that is not UTF-8 is handed on as its own bytes.
    EXPECT_TRUE(ShellOpen(nullptr, sys::DecodeFileName("/photos/caf\xe9.jpg")));
    ASSERT_EQ(desktop.opened.size(), 2u);
    EXPECT_TRUE(desktop.opened[1].isLocalFile());
    EXPECT_EQ(desktop.opened[1].toEncoded(), "file:///photos/caf%E9.jpg");
}

TEST(Shell, AnAddressIsOpenedAsAnAddressAndNothingIsNotOpened) {
    Desktop desktop;
    EXPECT_TRUE(ShellOpen(nullptr, "https://example.org/orlisk"));
    EXPECT_FALSE(ShellOpen(nullptr, ""));
    ASSERT_EQ(desktop.opened.size(), 1u);
    EXPECT_EQ(desktop.opened[0].toString(), "https://example.org/orlisk");
}

#include "test_shell.moc"
