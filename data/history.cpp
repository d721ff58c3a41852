#include "data/history.h"

namespace {

// appended steps back by whole rings once it reaches this multiple of the ring
// size, so a long playback never overflows it.
constexpr int32_t kAppendedWrap = kHistorySize * 400000;
static_assert(kAppendedWrap % kHistorySize == 0 && kAppendedWrap > kHistorySize);

}  // namespace

TrajPoint& history_append(HistoryRing& ring, const TrajPoint& box, int32_t owner) {
    const int slot = ring.appended % kHistorySize;
    ring.boxes[static_cast<std::size_t>(slot)] = box;
    ring.owners[static_cast<std::size_t>(slot)] = owner;
    ++ring.appended;
    // Whole rings back: the slot sequence and a full ring are kept.
    if (ring.appended >= kAppendedWrap) ring.appended -= kAppendedWrap - kHistorySize;
    return ring.boxes[static_cast<std::size_t>(slot)];
}

int history_size(const HistoryRing& ring) {
    return ring.appended < kHistorySize ? ring.appended : kHistorySize;
}

int history_slot(const HistoryRing& ring, int n) {
    if (ring.appended < kHistorySize) return n;
    return (ring.appended % kHistorySize + n) % kHistorySize;
}

void clear_history(HistoryRing& ring) {
    ring.appended = 0;
    // The frame on screen is no longer in the ring: its next paint records it again.
    ring.recorded_serial = 0;
}

int32_t last_drawn(const HistoryRing& ring, int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= ring.last_drawn.size()) return 0;
    return ring.last_drawn[static_cast<std::size_t>(index)];
}
