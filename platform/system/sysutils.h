#pragma once
// Small runtime-library routines the whole program shares: message formatting,
// path pieces, trimming, and the process's own command line.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <sys/types.h>

namespace sys {

// Fills a message pattern the way the program's messages are written: "%s" takes a
// string, "%d" a signed and "%u" an unsigned decimal number, "%%" is a percent sign.
// Arguments are used in order; a placeholder without an argument stays as written.
QString Format(const QString& pattern, const QList<QVariant>& args);

// The name of a path without its folder ("/a/b.jpg" -> "b.jpg").
QString ExtractFileName(const QString& path);
// The folder of a path, with its trailing "/" ("/a/b.jpg" -> "/a/").
QString ExtractFilePath(const QString& path);
// Text to a 32-bit integer: optional blanks and sign, then decimal digits or "$" and
// up to 8 hexadecimal digits ("$FFFFFFFF" is -1). Nothing may follow the digits.
// TryStrToInt reports whether the text is such a number; StrToIntDef gives `def`
// when it is not.
bool TryStrToInt(const QString& s, int& value);
int StrToIntDef(const QString& s, int def);

// Removes every character up to U+0020 (blanks and control characters) from both ends.
QString Trim(const QString& s);

// The process's arguments without the program name, as main() received them.
// SetProcessArguments is called once by the entry point (and by tests).
void SetProcessArguments(const QStringList& args);
const QStringList& ProcessArguments();
// Whether an argument is "-" or "/" followed by the whole name, ignoring case.
bool IsSwitch(const QString& argument, const QString& name);
// Whether any process argument is the switch `name`.
bool FindCmdLineSwitch(const QString& name);

// The running executable's full path and folder (without a trailing "/").
QString ExecutablePath();
QString ExecutableFolder();

// Whether `path` names a regular file (FileExists) or a folder (DirectoryExists),
// symbolic links followed. A FIFO, socket or device named like a photo is no file:
// nothing that would block a reader passes. Both are false for an empty path.
bool FileExists(const QString& path);
bool DirectoryExists(const QString& path);
// Makes the folder and its missing parents with the given mode (less the umask); an
// existing folder (the current one for an empty path) is kept. False with errno set when it cannot be made.
bool ForceDirectories(const QString& path, mode_t mode = 0777);

}  // namespace sys
