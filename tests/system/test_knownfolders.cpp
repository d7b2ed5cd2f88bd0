// The documents folder, as the XDG user directories name it.
#include "platform/system/knownfolders.h"
#include "tests/support/files.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace testsupport;

TEST(KnownFolders, DocumentsFolderFollowsTheUserDirectories) {
    TempHome home;
    // No Documents folder yet: the home folder, as xdg-user-dir answers.
    EXPECT_EQ(DocumentsFolder(), home.Path());

    QDir().mkpath(home.Path() + "/Documents");
    EXPECT_EQ(DocumentsFolder(), home.Path() + "/Documents");

    // The user renamed it in user-dirs.dirs.
    QDir().mkpath(home.Path() + "/Papiere");
    WriteFile(home.ConfigHome() + "/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n");
    EXPECT_EQ(DocumentsFolder(), home.Path() + "/Papiere");
}
