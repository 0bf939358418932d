// The changes made to the Buffer from the window, for Undo and Redo. Each
// change keeps only the range of bytes it changed, so a typed byte costs one
// byte and even a change of the whole Buffer less than 70 KB; the oldest
// changes go when the store would grow past MemoryLimit.
#pragma once

#include "core/modFunc.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class UndoStore {
public:
    using Image = std::array<uint8_t, modFunc::BufferSize>;
    // How the hex view showed the change: redrawn in place, or reopened.
    enum Redraw { Update, Reopen };
    // The bytes a change (or its undoing) touched, and how to show it.
    struct Applied {
        int32_t first;
        int32_t length;
        Redraw redraw;
        // The status bar's file text to show now, for a change that named a file.
        std::optional<QString> file;
    };
    // What a change was, for the menu ("Fill"), and for a change that names
    // a file (a load) the status bar's file text before it.
    struct What {
        QString name;
        std::optional<QString> file;
    };

    // All the store may hold: the copy taken by Begin and every change,
    // each counted with EntryCost for its bookkeeping.
    static constexpr qint64 MemoryLimit = qint64(16) << 20;
    static constexpr qint64 EntryCost = 64;

    // Before a change: remembers the image as it is.
    void Begin(const Image& image);
    // After it: stores what changed since Begin, and forgets what could be
    // redone. With `merge`, a change of the same single byte as the last
    // one joins it (the two digits of a typed byte). Returns whether
    // anything changed.
    bool Commit(const Image& image, Redraw redraw, const What& what, bool merge = false);

    // Takes the last change back (or does the last undone one again) in
    // `image`; nothing when there is none. `fileNow` is the status bar's
    // file text as it stands, kept for the opposite step of a change that
    // named a file.
    std::optional<Applied> Undo(Image& image, const QString& fileNow = {});
    std::optional<Applied> Redo(Image& image, const QString& fileNow = {});

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    // The names of the changes Undo and Redo would take; empty for none.
    QString UndoName() const { return undo_.empty() ? QString() : undo_.back().what.name; }
    QString RedoName() const { return redo_.empty() ? QString() : redo_.back().what.name; }
    // Called whenever what can be undone or redone changes.
    std::function<void()> Changed;
    int UndoCount() const { return int(undo_.size()); }
    // What the store holds now, by the count MemoryLimit bounds.
    qint64 MemoryUsed() const;
    void Clear();

private:
    struct Change {
        int32_t first;
        QByteArray bytes;  // the bytes the image did not hold at the time
        Redraw redraw;
        What what;  // its file text is the one the opposite step shows
    };
    std::optional<Applied> Swap(std::deque<Change>& from, std::deque<Change>& to, Image& image, const QString& fileNow);
    void Notify() const;

    std::unique_ptr<Image> before_;
    bool begun_ = false;
    bool lastIsNew_ = false;  // the last change was stored by Commit, not moved by Undo or Redo
    std::deque<Change> undo_, redo_;
    qint64 bytes_ = 0;  // EntryCost and bytes of every change in both lists
};

namespace modFunc {
// The changes of the Buffer made from the window.
extern UndoStore BufferHistory;
}  // namespace modFunc
