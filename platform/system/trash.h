#pragma once
// The freedesktop.org trash: what "delete to the recycle bin" means here. A file is
// moved, never copied and never deleted:
//   - into the home trash $XDG_DATA_HOME/Trash (default ~/.local/share/Trash) when it
//     lies on the same file system;
//   - else into the trash of its mount's top folder: $topdir/.Trash/$uid when
//     $topdir/.Trash is a real folder with the sticky bit, otherwise
//     $topdir/.Trash-$uid (made on first use, mode 0700).
// The information file info/<name>.trashinfo (original Path, DeletionDate) is made
// first, exclusively, so two trashings of equal names never meet; the file then goes
// to files/<name> under the same unique name (shortened, extension kept, when
// <name>.trashinfo would pass NAME_MAX bytes). A file that cannot be moved stays where
// it is, untouched, and no information file is left behind.

#include <QString>

struct TrashResult {
    bool Ok = false;
    QString TrashedPath;  // files/<unique name> in the trash used
    QString InfoPath;     // info/<unique name>.trashinfo
    QString Reason;       // why the file stays where it is (the system's words)
};

// Moves the file (or folder, or link itself) at `path` to its trash.
TrashResult MoveToTrash(const QString& path);
