// Decoding ahead of a folder load: workers open and decode the listed files in the
// list's order, a bounded window ahead of the thread that takes the results.

#include "platform/gdiplus/gpdecodeahead.h"

#include "platform/gdiplus/gpimage_data.h"
#include "platform/system/filenames.h"

#include <QHash>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace gdiplus_detail {

namespace {

// What tells a file changed after it was prepared.
struct FileIdentity {
    bool valid = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime {}, ctime {};

    static FileIdentity Of(const QString& fileName) {
        FileIdentity id;
        struct stat st {};
        const QByteArray path = sys::EncodeFileName(fileName);
        if (path.isEmpty() || ::stat(path.constData(), &st) != 0) return id;
        id.valid = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime = st.st_mtim;
        id.ctime = st.st_ctim;
        return id;
    }
    bool operator==(const FileIdentity& o) const {
        return valid && o.valid && dev == o.dev && ino == o.ino && size == o.size &&
               mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
               ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

struct Item {
    enum class State { Pending, Working, Done, Gone } state = State::Pending;
    std::unique_ptr<TGPImage::Data> data;
    GpStatus status = Ok;
    FileIdentity identity;
};

// The size a photo of w x h is drawn at for a box: its own when it fits, else scaled
// to fit, a side never below one pixel.
QSize SizeInBox(int w, int h, int boxWidth, int boxHeight, bool* ownSize) {
    *ownSize = w <= boxWidth && h <= boxHeight;
    if (*ownSize) return {w, h};
    int64_t tw, th;
    if (w > h) {
        tw = boxWidth;
        th = int64_t(h) * boxWidth / w;
    } else {
        th = boxHeight;
        tw = int64_t(w) * boxHeight / h;
    }
    return {static_cast<int>(std::max<int64_t>(1, tw)), static_cast<int>(std::max<int64_t>(1, th))};
}

}  // namespace

// A prepared decode up to this size is kept for a request of another size than the
// one foreseen (a small photo drawn at its own size or enlarged); larger ones (a
// 12-megapixel photo at 1/8 is 187,500 pixels) would hold memory for a rare case.
constexpr int64_t kKeptDecodePixels = 256 * 256;

// Set on the workers' threads: the images they open never take prepared results (so
// no worker ever holds a job, nor ends one).
thread_local bool isWorker = false;

class DecodeAheadJob {
public:
    DecodeAheadJob(const QStringList& files, int boxWidth, int boxHeight, bool embedded)
        : files_(files),
          boxWidth_(boxWidth),
          boxHeight_(boxHeight),
          embedded_(embedded),
          owner_(std::this_thread::get_id()),
          items_(static_cast<size_t>(files.size())) {
        for (int i = 0; i < files_.size(); ++i) index_[files_[i]].push_back(i);
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const unsigned threads = std::min<unsigned>(cores, static_cast<unsigned>(files_.size()));
        window_ = static_cast<int>(std::max(8u, 3 * cores));
        for (unsigned t = 0; t < threads; ++t)
            workers_.emplace_back([this] {
                isWorker = true;
                Work();
            });
    }

    ~DecodeAheadJob() { Stop(); }

    // Cancels and waits for the workers to finish the files they are on.
    void Stop() {
        Cancel();
        for (std::thread& t : workers_)
            if (t.joinable() && t.get_id() != std::this_thread::get_id()) t.join();
    }

    void Cancel() {
        std::lock_guard<std::mutex> lock(mutex_);
        cancelled_ = true;
        for (Item& item : items_) {
            item.data.reset();
            item.state = Item::State::Gone;
        }
        wake_.notify_all();
    }

    bool Take(const QString& fileName, TGPImage::Data*& d, GpStatus& status) {
        if (std::this_thread::get_id() != owner_) return false;
        std::unique_lock<std::mutex> lock(mutex_);
        if (cancelled_) return false;
        const auto found = index_.constFind(fileName);
        if (found == index_.constEnd()) return false;
        const auto at = std::find_if(found->begin(), found->end(), [&](int i) { return i >= cursor_; });
        if (at == found->end()) return false;
        const int i = *at;
        // Files the caller passed over are dropped (it never opened them).
        for (int k = cursor_; k < i; ++k) {
            items_[static_cast<size_t>(k)].data.reset();
            items_[static_cast<size_t>(k)].state = Item::State::Gone;
        }
        cursor_ = i + 1;
        next_ = std::max(next_, cursor_);
        wake_.notify_all();
        Item& item = items_[static_cast<size_t>(i)];
        if (item.state == Item::State::Pending) {
            // Not started yet: the caller is as quick doing it itself.
            item.state = Item::State::Gone;
            return false;
        }
        wake_.wait(lock, [&] { return item.state != Item::State::Working || cancelled_; });
        if (item.state != Item::State::Done) return false;
        std::unique_ptr<TGPImage::Data> data = std::move(item.data);
        const FileIdentity identity = item.identity;
        const GpStatus prepared = item.status;
        item.state = Item::State::Gone;
        lock.unlock();

        if (!(FileIdentity::Of(fileName) == identity)) return false;
        delete d;
        d = data.release();
        status = prepared;
        return true;
    }

private:
    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] {
                return cancelled_ || next_ >= files_.size() || next_ < cursor_ + window_;
            });
            if (cancelled_ || next_ >= files_.size()) return;
            const int j = next_++;
            Item& item = items_[static_cast<size_t>(j)];
            if (item.state != Item::State::Pending) continue;
            item.state = Item::State::Working;
            const QString fileName = files_[j];
            lock.unlock();

            Item result;
            Prepare(fileName, result);

            lock.lock();
            // Still wanted unless it was passed over or the work was cancelled meanwhile.
            if (item.state == Item::State::Working && !cancelled_) {
                item.data = std::move(result.data);
                item.status = result.status;
                item.identity = result.identity;
                item.state = Item::State::Done;
            }
            wake_.notify_all();
        }
    }

    // Opens the file as TGPImage does and makes the picture the load will ask for.
    void Prepare(const QString& fileName, Item& out) const {
        out.identity = FileIdentity::Of(fileName);
        TGPImage image(fileName);
        out.status = image.GetLastStatus();
        out.data.reset(ImageAccess::Release(image));
        TGPImage::Data& d = *out.data;
        if (d.kind == TGPImage::Data::Kind::None || d.width == 0 || d.height == 0) return;
        bool ownSize = false;
        const QSize size = SizeInBox(static_cast<int>(std::min(d.width, 1u << 30)),
                                     static_cast<int>(std::min(d.height, 1u << 30)), boxWidth_,
                                     boxHeight_, &ownSize);
        using Use = TGPImage::Data::Prepared::Use;
        TGPImage::Data::Prepared p;
        p.width = size.width();
        p.height = size.height();
        if (embedded_ && !ownSize) {
            p.use = Use::Thumbnail;
            p.how = Resample::Smooth;
            p.picture = ThumbnailPicture(d, p.width, p.height);
        } else {
            p.use = Use::Draw;
            p.how = Resample::Bilinear;  // the interpolation a thumbnail is drawn with
            QImage decoded = DecodedFor(d, p.width, p.height);
            p.picture = Resampled(decoded, p.width, p.height, p.how);
            if (int64_t(decoded.width()) * decoded.height() <= kKeptDecodePixels)
                p.decoded = std::move(decoded);
        }
        if (!p.picture.isNull()) d.prepared = std::move(p);
    }

    const QStringList files_;
    const int boxWidth_, boxHeight_;
    const bool embedded_;
    const std::thread::id owner_;
    QHash<QString, std::vector<int>> index_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Item> items_;
    int next_ = 0;     // the next file a worker takes
    int cursor_ = 0;   // files before it are taken or passed over
    int window_ = 8;   // how far the workers run ahead of the cursor
    bool cancelled_ = false;
    std::vector<std::thread> workers_;
};

namespace {

std::mutex registryMutex;
std::shared_ptr<DecodeAheadJob> activeJob;

}  // namespace

bool TakePrepared(const QString& fileName, TGPImage::Data*& d, GpStatus& status) {
    if (isWorker) return false;
    std::shared_ptr<DecodeAheadJob> job;
    {
        std::lock_guard<std::mutex> lock(registryMutex);
        job = activeJob;
    }
    return job && job->Take(fileName, d, status);
}

}  // namespace gdiplus_detail

using gdiplus_detail::DecodeAheadJob;

TGPDecodeAhead::TGPDecodeAhead(const QStringList& files, int boxWidth, int boxHeight,
                               bool embeddedThumbnails) {
    if (files.isEmpty() || boxWidth <= 0 || boxHeight <= 0) return;
    job_ = std::make_shared<DecodeAheadJob>(files, boxWidth, boxHeight, embeddedThumbnails);
    std::lock_guard<std::mutex> lock(gdiplus_detail::registryMutex);
    gdiplus_detail::activeJob = job_;
}

TGPDecodeAhead::~TGPDecodeAhead() {
    Cancel();
    // The workers end here, on the load's thread, whoever holds the job last.
    if (job_) job_->Stop();
}

void TGPDecodeAhead::Cancel() {
    if (!job_) return;
    {
        std::lock_guard<std::mutex> lock(gdiplus_detail::registryMutex);
        if (gdiplus_detail::activeJob == job_) gdiplus_detail::activeJob.reset();
    }
    job_->Cancel();
}
