// The window-less mode: one transform of one file, or the automatic orientation of
// one folder, then the process ends.

#include "app/orlisk.h"

#include "engine/common.h"
#include "platform/system/exceptions.h"
#include "platform/system/filenames.h"
#include "platform/system/inifiles.h"
#include "platform/system/settingsstore.h"
#include "platform/system/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "progress/app_wait.h"
#include "translation/lang.h"

#include <array>
#include <csignal>
#include <memory>
#include <sys/stat.h>
#include <utility>

namespace {

// The transform switches, in the order they are tested: the first present wins.
constexpr std::array<std::pair<const char*, TTransformCode>, 5> kTransformSwitches {{
    {"r", 1},  // rotate 90 clockwise
    {"l", 3},  // rotate 90 counter-clockwise
    {"u", 2},  // rotate 180
    {"v", 4},  // flip vertical
    {"h", 5},  // flip horizontal
}};

constexpr int kInterruptedStatus = 128 + SIGINT;

const char kUsage[] =
    "Invalid command line parameters (should be orlisk.exe -[r|l|u|v|h] [-s] filename)";

void runGuarded(TLanguage& language, bool keepTimestamp) {
    const QStringList& args = sys::ProcessArguments();
    auto T = [&](const char* text) { return language.TranslateUserMessage(QString::fromUtf8(text)); };

    if (args.size() != 2 && args.size() != 3) throw Exception(T(kUsage));
    // One switch and one path, and a third argument only as the silent switch: a
    // second path (a glob that matched two photos) is refused, not ignored.
    if (args.size() == 3 && !sys::FindCmdLineSwitch("s")) throw Exception(T(kUsage));

    // The path follows the switches: the second argument, or the third with "s".
    const int pathIndex = sys::FindCmdLineSwitch("s") ? 3 : 2;
    const QString path = pathIndex <= args.size() ? args[pathIndex - 1] : QString();

    const bool autoSwitch = sys::FindCmdLineSwitch("auto");
    const bool autoSubSwitch = sys::FindCmdLineSwitch("autosub");
    if (autoSwitch || autoSubSwitch) {
        if (!sys::DirectoryExists(path))
            throw Exception(sys::Format(T("Cannot open \"%s\". Invalid folder."),
                                        {sys::DisplayFileName(path)}));
        AutoOrientFolder(path, autoSubSwitch, &language, keepTimestamp, GetDesktopWindow());
        return;
    }

    TTransformCode code = 0;
    for (const auto& [name, value] : kTransformSwitches)
        if (sys::FindCmdLineSwitch(QString::fromLatin1(name))) {
            code = value;
            break;
        }
    if (code == 0) throw Exception(T(kUsage));

    struct stat file {};
    if (::stat(sys::EncodeFileName(path).constData(), &file) != 0 || S_ISDIR(file.st_mode))
        throw Exception(sys::Format(T("Cannot open \"%s\". The file has been moved or deleted."),
                                    {sys::DisplayFileName(path)}));
    TransformJpeg(&language, path, code, keepTimestamp, GetDesktopWindow());
}

}  // namespace

int RunCommandLine() {
    TLanguage language(nullptr);
    // Reading the store lies outside the guarded part: a store that cannot be read
    // ends the process as an unhandled error (OrliskMain reports it).
    std::unique_ptr<TCustomIniFile> store = OpenSettingsStore();
    // Portable mode stores the language relative to the program's folder.
    language.SetLanguageFile(ResolveStoredLanguage(store->ReadString("Main", "Language", QString())));
    const bool keepTimestamp = store->ReadBool("Main", "KeepTimestamp", true);

    try {
        runGuarded(language, keepTimestamp);
    } catch (const Exception& e) {
        MessageBoxW(GetDesktopWindow(), e.Message(), std::nullopt, MB_OK | MB_ICONERROR);
        return 1;
    }
    // Ctrl+C stopped the batch (after the photo in hand): the status of a process
    // that Ctrl+C ended, so that a script or `orlisk ... && next` stops too.
    return TProgressWindow::Interrupted() ? kInterruptedStatus : 0;
}
