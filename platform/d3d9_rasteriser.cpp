// The triangle stage: orientation, the three edge equations with their fill-convention
// tie-break, attribute planes, and for every pixel row the exact run of covered centres,
// handed to the pixel stage (d3d9_span.cpp).
#include "platform/d3d9_rasteriser.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d9_span.h"

namespace {

// E(px, py) = dx × (py − ay) − dy × (px − ax): positive on the triangle's side of the edge
// a → b once the triangle is oriented so that its interior is positive for every edge.
struct Edge {
    double ax, ay, dx, dy;
    bool inclusive;  // top or left edge: a centre exactly on it is drawn
};

Edge MakeEdge(double ax, double ay, double bx, double by)
{
    Edge e;
    e.ax = ax;
    e.ay = ay;
    e.dx = bx - ax;
    e.dy = by - ay;
    // With the interior on the positive side (y grows downwards): a horizontal edge walked
    // to the right has the triangle below it (top edge); an edge walked upwards has the
    // triangle to its right (left edge).
    e.inclusive = (e.dy == 0 && e.dx > 0) || e.dy < 0;
    return e;
}

bool Covers(const Edge& e, double px, double py)
{
    double value = e.dx * (py - e.ay) - e.dy * (px - e.ax);
    return value > 0 || (value == 0 && e.inclusive);
}

// Narrows the run [lo, hi] of row py to the centres on the inner side of edge e, which is
// not horizontal. The edge's crossing with the row only gives a first guess; the exact edge
// test settles the last pixel, so the result does not depend on the guess: along a row the
// edge test, as computed, is monotonic (every rounded operation in it is), so the covered
// centres are one run and the search finds its end from anywhere. Empty runs end with lo > hi.
void NarrowRun(const Edge& e, double py, double crossing, int& lo, int& hi)
{
    if (e.dy < 0) {  // inside to the right of the crossing: raises lo
        int first;
        if (crossing > hi)
            first = hi + 1;
        else if (crossing > lo)
            first = int(std::ceil(crossing));
        else
            first = lo;  // also NaN
        while (first > lo && Covers(e, first - 1, py)) first--;
        while (first <= hi && !Covers(e, first, py)) first++;
        lo = first;
    } else {  // inside to the left of the crossing: lowers hi
        int last;
        if (crossing < lo)
            last = lo - 1;
        else if (crossing < hi)
            last = int(std::floor(crossing));
        else
            last = hi;  // also NaN
        while (last < hi && Covers(e, last + 1, py)) last++;
        while (last >= lo && !Covers(e, last, py)) last--;
        hi = last;
    }
}

// f(x, y) = at_a + ddx × (x − ax) + ddy × (y − ay)
struct Plane {
    double at_a, ddx, ddy;
};

Plane MakePlane(double fa, double fb, double fc, double abx, double aby, double acx, double acy,
                double area)
{
    Plane p;
    p.at_a = fa;
    p.ddx = ((fb - fa) * acy - (fc - fa) * aby) / area;
    p.ddy = ((fc - fa) * abx - (fb - fa) * acx) / area;
    return p;
}

double Channel(uint32_t colour, int index) { return double(colour >> (8 * index) & 0xFF); }

bool Finite(const RasterVertex& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace

void RasterTriangle(const RasterTarget& target, const RasterTexture* texture, const RasterVertex& a,
                    const RasterVertex& b_in, const RasterVertex& c_in, const RasterBlend& blend)
{
    if (!target.pixels || target.width <= 0 || target.height <= 0) return;
    if (!Finite(a) || !Finite(b_in) || !Finite(c_in)) return;
    if (texture && (!texture->texels || texture->width <= 0 || texture->height <= 0))
        texture = nullptr;

    const double ax = a.x, ay = a.y;
    double area = (double(b_in.x) - ax) * (double(c_in.y) - ay) -
                  (double(b_in.y) - ay) * (double(c_in.x) - ax);
    if (!(area != 0) || !std::isfinite(area)) return;  // degenerate
    // Orient so that the interior is on the positive side of every edge.
    const bool flip = area < 0;
    const RasterVertex& b = flip ? c_in : b_in;
    const RasterVertex& c = flip ? b_in : c_in;
    if (flip) area = -area;

    const double bx = b.x, by = b.y, cx = c.x, cy = c.y;
    const Edge edges[3] = {MakeEdge(ax, ay, bx, by), MakeEdge(bx, by, cx, cy),
                           MakeEdge(cx, cy, ax, ay)};

    const double top = std::min({ay, by, cy});
    const double bottom = std::max({ay, by, cy});
    if (bottom < 0 || top > target.height - 1) return;
    const int first_row = top <= 0 ? 0 : int(std::ceil(top));
    const int last_row = bottom >= target.height - 1 ? target.height - 1 : int(std::floor(bottom));

    const double abx = bx - ax, aby = by - ay, acx = cx - ax, acy = cy - ay;
    const double tex_w = texture ? texture->width : 0, tex_h = texture ? texture->height : 0;
    const Plane u = MakePlane(a.u * tex_w, b.u * tex_w, c.u * tex_w, abx, aby, acx, acy, area);
    const Plane v = MakePlane(a.v * tex_h, b.v * tex_h, c.v * tex_h, abx, aby, acx, acy, area);
    Plane colour[4];
    SpanSource source = {texture, false, blend, 0, 0};
    if (texture) {
        source.du = TexelStep(u.ddx, texture->width);
        source.dv = TexelStep(v.ddx, texture->height);
    }
    for (int i = 0; i < 4; i++) {
        colour[i] = MakePlane(Channel(a.diffuse, i), Channel(b.diffuse, i), Channel(c.diffuse, i),
                              abx, aby, acx, acy, area);
        if (colour[i].ddx != 0) source.colour_varies = true;
    }

    // Edges along a pixel axis are settled once, here; the others narrow row by row. A
    // horizontal edge's test is the same along a row (dy × (px − ax) is zero) and keeps the
    // rows on its inner side, which ends the triangle's run of rows. A vertical edge's test is
    // the same on every row (dx × (py − ay) is zero), so it narrows every row alike. A slanted
    // edge's crossing with the row, the search's first guess, steps from row to row.
    int first = first_row, last = last_row;
    int row_lo = 0, row_hi = target.width - 1;
    Edge slanted[3];
    double crossing[3], crossing_step[3];
    int slanted_count = 0;
    for (const Edge& e : edges) {
        if (e.dy == 0) {
            while (first <= last && !Covers(e, 0, first)) first++;
            while (last >= first && !Covers(e, 0, last)) last--;
        } else if (e.dx == 0) {
            NarrowRun(e, first_row, e.ax, row_lo, row_hi);
        } else {
            crossing[slanted_count] = e.ax + e.dx * (first - e.ay) / e.dy;
            crossing_step[slanted_count] = e.dx / e.dy;
            slanted[slanted_count++] = e;
        }
    }
    if (first > last || row_lo > row_hi) return;

    for (int row = first; row <= last; row++) {
        const double py = row;
        int lo = row_lo, hi = row_hi;
        for (int i = 0; i < slanted_count; i++) {
            if (lo <= hi) NarrowRun(slanted[i], py, crossing[i], lo, hi);
            crossing[i] += crossing_step[i];
        }
        if (lo > hi) continue;

        uint32_t* row_pixels = target.pixels + size_t(row) * size_t(target.pitch);
        PendingRow* pending =
            target.pending && target.pending->any ? &target.pending->rows[row] : nullptr;
        if (pending && pending->count == 0) pending = nullptr;
        Span span;
        span.dest = row_pixels + lo;
        span.x = lo;
        span.count = hi - lo + 1;
        span.pending = pending;
        span.pending_colour = pending ? target.pending->colour : 0;
        const double x0 = lo - ax, x1 = hi - ax, y = py - ay;
        span.u = u.at_a + u.ddx * x0 + u.ddy * y;
        span.v = v.at_a + v.ddx * x0 + v.ddy * y;
        for (int i = 0; i < 4; i++) {
            span.first[i] = colour[i].at_a + colour[i].ddx * x0 + colour[i].ddy * y;
        }
        if (source.colour_varies) {
            for (int i = 0; i < 4; i++) {
                span.last[i] = colour[i].at_a + colour[i].ddx * x1 + colour[i].ddy * y;
            }
        }
        const DrawnColumns drawn = DrawSpan(source, span);
        if (pending && drawn.begin < drawn.end) {
            TakeOutOfPending(pending, drawn.begin, drawn.end, span.pending_colour, row_pixels);
        }
    }
}
