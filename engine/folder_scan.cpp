#include "engine/common.h"

#include "platform/system/filenames.h"

#include <QStringView>

#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>
#include <set>
#include <utility>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// A folder's resolved identity, so that a folder reached again through a link (a loop,
// or a second way in) is recognised whatever path leads to it.
using FolderId = std::pair<dev_t, ino_t>;

// The extension is the text from the last "." on; "." and ".." are their own
// extension and never match.
bool HasJpegExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0) return false;
    const QStringView ext = QStringView(name).mid(dot);
    return ext.compare(u".JPEG", Qt::CaseInsensitive) == 0 ||
           ext.compare(u".JPG", Qt::CaseInsensitive) == 0;
}

// Whether the entry is a folder to descend into: a link to a folder counts as one.
bool IsFolder(DIR* dir, const dirent* entry) {
    if (entry->d_type == DT_DIR) return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) return false;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, 0) != 0) return false;
    return S_ISDIR(st.st_mode);
}

void Scan(const QString& folder, TStringList& list, bool recurse, std::set<FolderId>& listed) {
    DirHandle dir(::opendir(sys::EncodeFileName(folder).constData()));
    if (!dir) return;

    struct stat self {};
    if (::fstat(::dirfd(dir.get()), &self) != 0) return;
    // Each folder once per scan: a photo reached by two paths would get two cells.
    if (!listed.insert({self.st_dev, self.st_ino}).second) return;

    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = sys::DecodeFileName(entry->d_name);
        const QString path = folder + u'/' + name;
        if (recurse && name != QLatin1String(".") && name != QLatin1String("..") &&
            IsFolder(dir.get(), entry))
            Scan(path, list, recurse, listed);
        if (HasJpegExtension(name)) list.Add(path);
    }
}

}  // namespace

void FindJpegFiles(const QString& Folder, TStringList& List, bool Recurse) {
    std::set<FolderId> listed;
    Scan(Folder, List, Recurse, listed);
}
