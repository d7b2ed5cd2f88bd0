// The transformed file while it is made: pieces appended by the transform, read by
// the writer and the decode check on their own threads.

#include "platform/vantrel/vantrel_internal.h"

#include <new>

namespace vantrel {

uint8_t* Output::NewChunk() noexcept {
    uint8_t* chunk = new (std::nothrow) uint8_t[kChunk];
    if (chunk == nullptr) return nullptr;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        chunks_.emplace_back(chunk);
    } catch (...) {
        delete[] chunk;
        return nullptr;
    }
    return chunk;
}

bool Output::Append(const uint8_t* data, size_t size) noexcept {
    if (size == 0) return true;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return false;
        pieces_.push_back(Piece{data, size});
        size_ += size;
    } catch (...) {
        return false;
    }
    more_.notify_all();
    return true;
}

void Output::Finish(bool complete) noexcept {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return;
        finished_ = true;
        complete_ = complete;
    }
    more_.notify_all();
}

uint8_t* Output::Own(size_t size) noexcept {
    uint8_t* bytes = new (std::nothrow) uint8_t[size == 0 ? 1 : size];
    if (bytes == nullptr) return nullptr;
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        chunks_.emplace_back(bytes);
    } catch (...) {
        delete[] bytes;
        return nullptr;
    }
    return bytes;
}

bool Output::AppendDeferred(const uint8_t* data, size_t size, size_t& index) noexcept {
    try {
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return false;
        index = pieces_.size();
        pieces_.push_back(Piece{data, size, true});
        size_ += size;
    } catch (...) {
        return false;
    }
    more_.notify_all();
    return true;
}

void Output::Settle(size_t index, const uint8_t* data) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!finished_ && index < pieces_.size() && pieces_[index].deferred) pieces_[index].data = data;
}

bool Output::Adopt(Output& other) noexcept {
    try {
        std::vector<std::unique_ptr<uint8_t[]>> chunks;
        std::vector<Piece> pieces;
        {
            std::lock_guard<std::mutex> theirs(other.mutex_);
            if (!other.finished_ || !other.complete_) return false;
            chunks.reserve(other.chunks_.size());
            pieces = other.pieces_;
            for (auto& chunk : other.chunks_) chunks.push_back(std::move(chunk));
            other.chunks_.clear();
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (finished_) return false;
        chunks_.reserve(chunks_.size() + chunks.size());
        pieces_.reserve(pieces_.size() + pieces.size());
        for (auto& chunk : chunks) chunks_.push_back(std::move(chunk));
        for (const Piece& p : pieces) {
            pieces_.push_back(Piece{p.data, p.size, false});
            size_ += p.size;
        }
    } catch (...) {
        return false;
    }
    more_.notify_all();
    return true;
}

bool Output::Get(size_t index, Piece& piece) noexcept {
    std::unique_lock<std::mutex> lock(mutex_);
    more_.wait(lock, [&] { return index < pieces_.size() || finished_; });
    if (finished_ && !complete_) return false;  // no use reading a failed result
    if (index >= pieces_.size()) return false;
    piece = pieces_[index];
    return true;
}

bool Output::Complete() const noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_ && complete_;
}

size_t Output::Size() const noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    return size_;
}

std::vector<Output::Piece> Output::Pieces() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pieces_;
}

}  // namespace vantrel
