#include "engine/common.h"

#include "platform/system/filenames.h"

#include <QStringView>

#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

// A folder's resolved identity, so that a link back into the descent is recognised
// whatever path leads to it.
struct FolderId {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderId& o) const { return dev == o.dev && ino == o.ino; }
};

// Keeps the folders of the current descent, popping on every way out.
class DescentGuard {
public:
    DescentGuard(std::vector<FolderId>& path, FolderId id) : path_(path) { path_.push_back(id); }
    ~DescentGuard() { path_.pop_back(); }
    DescentGuard(const DescentGuard&) = delete;
    DescentGuard& operator=(const DescentGuard&) = delete;

private:
    std::vector<FolderId>& path_;
};

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

void Scan(const QString& folder, TStringList& list, bool recurse, std::vector<FolderId>& descent) {
    DirHandle dir(::opendir(sys::EncodeFileName(folder).constData()));
    if (!dir) return;

    struct stat self {};
    if (::fstat(::dirfd(dir.get()), &self) != 0) return;
    const FolderId id{self.st_dev, self.st_ino};
    for (const FolderId& f : descent)
        if (f == id) return;  // a link back into the descent: entered once per path
    DescentGuard guard(descent, id);

    while (const dirent* entry = ::readdir(dir.get())) {
        const QString name = sys::DecodeFileName(entry->d_name);
        const QString path = folder + u'/' + name;
        if (recurse && name != QLatin1String(".") && name != QLatin1String("..") &&
            IsFolder(dir.get(), entry))
            Scan(path, list, recurse, descent);
        if (HasJpegExtension(name)) list.Add(path);
    }
}

}  // namespace

void FindJpegFiles(const QString& Folder, TStringList& List, bool Recurse) {
    std::vector<FolderId> descent;
    Scan(Folder, List, Recurse, descent);
}
