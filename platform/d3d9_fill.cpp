// Fills of the target, written at once or left pending until the pixels are needed; the
// pending runs of a row are taken out as triangles draw over them.
#include <algorithm>
#include <cstring>

#include "platform/d3d9_rasteriser.h"
#include "platform/d3d9_span.h"

namespace {

void FillRow(uint32_t* row, int x1, int x2, uint32_t value)
{
    // Black (the scene's clear) is a byte fill, which the C library does fastest.
    if (value == 0) {
        std::memset(row + x1, 0, size_t(x2 - x1) * sizeof(uint32_t));
    } else {
        std::fill(row + x1, row + x2, value);
    }
}

uint32_t* RowOf(const RasterTarget& target, int y)
{
    return target.pixels + size_t(y) * size_t(target.pitch);
}

// Adds [x1, x2) to the row's runs, merging it with the runs it touches; when it does not fit,
// it is written at once (the runs left pending hold the same colour, so either order is right).
void AddPending(PendingRow& row, int x1, int x2, uint32_t colour, uint32_t* pixels)
{
    PendingRow merged = {};
    bool placed = false;
    for (int i = 0; i < row.count; i++) {
        const int b = row.begin[i], e = row.end[i];
        if (e < x1 || placed) {  // wholly before the new run, or after it once placed
            if (merged.count == PENDING_RUNS_PER_ROW) return FillRow(pixels, x1, x2, colour);
            merged.begin[merged.count] = b;
            merged.end[merged.count++] = e;
            continue;
        }
        if (b > x2) {  // wholly after: the new run goes first
            if (merged.count + 2 > PENDING_RUNS_PER_ROW) return FillRow(pixels, x1, x2, colour);
            merged.begin[merged.count] = x1;
            merged.end[merged.count++] = x2;
            merged.begin[merged.count] = b;
            merged.end[merged.count++] = e;
            placed = true;
            continue;
        }
        x1 = std::min(x1, b);  // touching or overlapping: one run
        x2 = std::max(x2, e);
    }
    if (!placed) {
        if (merged.count == PENDING_RUNS_PER_ROW) return FillRow(pixels, x1, x2, colour);
        merged.begin[merged.count] = x1;
        merged.end[merged.count++] = x2;
    }
    row = merged;
}

// Limits the rectangle [x1, x2) × [y1, y2) to the target; false when nothing is left.
bool InsideTarget(const RasterTarget& target, int& x1, int& y1, int& x2, int& y2)
{
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, target.width);
    y2 = std::min(y2, target.height);
    return target.pixels && x1 < x2 && y1 < y2;
}

}  // namespace

void RasterFill(const RasterTarget& target, int x1, int y1, int x2, int y2, uint32_t colour)
{
    if (!InsideTarget(target, x1, y1, x2, y2)) return;
    for (int y = y1; y < y2; y++) FillRow(RowOf(target, y), x1, x2, colour & 0x00FFFFFF);
}

void RasterFillLater(const RasterTarget& target, int x1, int y1, int x2, int y2, uint32_t colour)
{
    PendingFill* pending = target.pending;
    if (!pending) return RasterFill(target, x1, y1, x2, y2, colour);
    if (!InsideTarget(target, x1, y1, x2, y2)) return;
    const uint32_t value = colour & 0x00FFFFFF;
    if (pending->any && pending->colour != value) RasterFinishFills(target);
    pending->colour = value;
    pending->any = true;
    for (int y = y1; y < y2; y++) AddPending(pending->rows[y], x1, x2, value, RowOf(target, y));
}

void RasterFinishFills(const RasterTarget& target)
{
    PendingFill* pending = target.pending;
    if (!pending || !pending->any) return;
    for (int y = 0; y < target.height; y++) {
        PendingRow& row = pending->rows[y];
        for (int i = 0; i < row.count; i++) {
            FillRow(RowOf(target, y), row.begin[i], row.end[i], pending->colour);
        }
        row.count = 0;
    }
    pending->any = false;
}

void TakeOutOfPending(PendingRow* row, int begin, int end, uint32_t colour, uint32_t* row_pixels)
{
    // The runs [first, last) meet [begin, end); they give way to what is left of the first
    // before `begin` and of the last after `end`.
    int first = 0;
    while (first < row->count && row->end[first] <= begin) first++;
    int last = first;
    while (last < row->count && row->begin[last] < end) last++;
    if (first == last) return;
    const int left_begin = row->begin[first], right_end = row->end[last - 1];
    const bool left = left_begin < begin;
    bool right = right_end > end;
    int pieces = int(left) + int(right);
    if (row->count - (last - first) + pieces > PENDING_RUNS_PER_ROW) {
        FillRow(row_pixels, end, right_end, colour);
        right = false;
        pieces--;
    }
    const int tail = row->count - last;
    std::memmove(row->begin + first + pieces, row->begin + last, size_t(tail) * sizeof(int));
    std::memmove(row->end + first + pieces, row->end + last, size_t(tail) * sizeof(int));
    if (left) {
        row->begin[first] = left_begin;
        row->end[first] = begin;
    }
    if (right) {
        row->begin[first + int(left)] = end;
        row->end[first + int(left)] = right_end;
    }
    row->count = first + pieces + tail;
}
