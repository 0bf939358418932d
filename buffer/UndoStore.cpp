#include "buffer/UndoStore.h"

#include <algorithm>
#include <cstring>

namespace modFunc {
UndoStore BufferHistory;
}

namespace {
qint64 Cost(const QByteArray& bytes) { return UndoStore::EntryCost + bytes.size(); }
}  // namespace

void UndoStore::Begin(const Image& image)
{
    if (!before_)
        before_ = std::make_unique<Image>();
    *before_ = image;
    begun_ = true;
}

bool UndoStore::Commit(const Image& image, Redraw redraw, const What& what, bool merge)
{
    if (!begun_)
        return false;
    begun_ = false;
    const auto [a, b] = std::mismatch(before_->begin(), before_->end(), image.begin());
    if (a == before_->end())
        return false;
    const int32_t first = int32_t(a - before_->begin());
    int32_t last = modFunc::BufferLast;
    while (last > first && (*before_)[size_t(last)] == image[size_t(last)])
        --last;
    for (const Change& c : redo_)
        bytes_ -= Cost(c.bytes);
    const bool hadRedo = !redo_.empty();
    redo_.clear();
    if (merge && lastIsNew_ && first == last && !undo_.empty() && undo_.back().first == first && undo_.back().bytes.size() == 1 &&
        undo_.back().redraw == redraw) {
        if (hadRedo)
            Notify();
        return true;  // the last change already holds the byte as it was before
    }
    undo_.push_back({first, QByteArray(reinterpret_cast<const char*>(before_->data()) + first, last - first + 1), redraw,
                     what});
    bytes_ += Cost(undo_.back().bytes);
    lastIsNew_ = true;
    while (MemoryUsed() > MemoryLimit && undo_.size() > 1) {
        bytes_ -= Cost(undo_.front().bytes);
        undo_.pop_front();
    }
    Notify();
    return true;
}

std::optional<UndoStore::Applied> UndoStore::Swap(std::deque<Change>& from, std::deque<Change>& to, Image& image,
                                                  const QString& fileNow)
{
    if (from.empty())
        return std::nullopt;
    lastIsNew_ = false;
    Change c = std::move(from.back());
    from.pop_back();
    // The stored bytes go into the image and the image's bytes into the
    // change, which then does the opposite step.
    const int32_t length = int32_t(c.bytes.size());
    if (c.first < 0 || length > modFunc::BufferSize - c.first) {
        Notify();
        return std::nullopt;
    }
    std::swap_ranges(c.bytes.begin(), c.bytes.end(), reinterpret_cast<char*>(image.data()) + c.first);
    Applied done{c.first, length, c.redraw, c.what.file};
    if (c.what.file)
        c.what.file = fileNow;
    to.push_back(std::move(c));
    Notify();
    return done;
}

std::optional<UndoStore::Applied> UndoStore::Undo(Image& image, const QString& fileNow)
{
    return Swap(undo_, redo_, image, fileNow);
}
std::optional<UndoStore::Applied> UndoStore::Redo(Image& image, const QString& fileNow)
{
    return Swap(redo_, undo_, image, fileNow);
}

void UndoStore::Notify() const
{
    if (Changed)
        Changed();
}

qint64 UndoStore::MemoryUsed() const { return bytes_ + (before_ ? qint64(sizeof(Image)) : 0); }

void UndoStore::Clear()
{
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    begun_ = false;
    lastIsNew_ = false;
    Notify();
}
