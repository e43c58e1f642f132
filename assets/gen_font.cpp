// Generates the font strip, its glyph tables and its grey palette.
//
// Every glyph is drawn from strokes: straight segments and elliptic arcs traced by a round pen
// of radius 1 (strokes two pixels wide). Each pixel is sampled 8 x 8 times; its covered share
// picks an entry of the 16-entry grey ramp, index 1 white for full cover and darker greys for
// partly covered edge pixels, index 0 (black, drawn transparent) for pixels barely touched.
//
// Glyph coordinates are in pixels, y downwards, with pixel (c, r) covering [c, c+1] x [r, r+1].
// A stroke whose centre lies on a whole number covers exactly two pixel columns or rows, so
// stems and bars stay crisp. Vertical metrics (stroke centres):
//   ascender 4, digit top 5, x-height 10, baseline 18, descender 22
// so ink lies in rows 3..22 of the strip, within the rows 1..23 the pager copies.
//
// Usage: gen_font OUTPUT.cpp
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "write_array.h"

namespace {

constexpr int STRIP_WIDTH = 800;
constexpr int STRIP_ROWS = 30;
constexpr int PALETTE_ENTRIES = 16;
constexpr int SUBSAMPLES = 8;
constexpr double PEN_RADIUS = 1.0;
constexpr double PI = 3.14159265358979323846;

const char GLYPH_CHARS[] = "abcdefghijklmnopqrstuvwxyz!.()+:-0123456789 ";
constexpr int GLYPH_COUNT = 44;
const int32_t GLYPH_X[GLYPH_COUNT + 1] = {
    0,   13,  26,  38,  52,  63,  71,  85,  99,  103, 111, 122, 129, 145, 157,
    172, 185, 200, 210, 219, 230, 241, 253, 270, 282, 295, 307, 316, 326, 335,
    348, 370, 377, 386, 402, 409, 422, 433, 447, 459, 471, 483, 495, 506, 520};

// Grey value of each palette entry; 0 is black, 1 white, then ever darker greys.
const uint8_t GREYS[PALETTE_ENTRIES] = {0,   255, 248, 240, 233, 225, 217, 208,
                                        199, 189, 178, 167, 154, 140, 124, 104};

// Vertical metrics: stroke centre lines.
constexpr double ASC = 4;    // top of b, d, h, k, l
constexpr double CAP = 5;    // top of digits
constexpr double XH = 10;    // x-height
constexpr double BASE = 18;  // baseline
constexpr double DESC = 22;  // bottom of g, j, p, q, y
constexpr double MID = 14;   // middle of the x-height

struct Point {
    double x, y;
};
struct Segment {
    Point a, b;
};

// The strokes of one glyph, in the glyph's own coordinates (x = 0 is its left ink edge).
struct Glyph {
    std::vector<Segment> segments;
    std::vector<Segment> boxes;  // filled rectangles, corner a to corner b

    void Line(double x0, double y0, double x1, double y1)
    {
        segments.push_back({{x0, y0}, {x1, y1}});
    }
    // Polyline through the given points.
    void Path(std::initializer_list<Point> points)
    {
        const Point* previous = nullptr;
        for (const Point& p : points) {
            if (previous) Line(previous->x, previous->y, p.x, p.y);
            previous = &p;
        }
    }
    // Elliptic arc about (cx, cy) from angle a0 to a1 in degrees; 0 points right, 90 up.
    void Arc(double cx, double cy, double rx, double ry, double a0, double a1)
    {
        const int steps = std::max(4, static_cast<int>(std::fabs(a1 - a0) / 6.0));
        Point previous = ArcPoint(cx, cy, rx, ry, a0);
        for (int i = 1; i <= steps; ++i) {
            const Point p = ArcPoint(cx, cy, rx, ry, a0 + (a1 - a0) * i / steps);
            segments.push_back({previous, p});
            previous = p;
        }
    }
    void Ellipse(double cx, double cy, double rx, double ry) { Arc(cx, cy, rx, ry, 0, 360); }
    // A square dot two pixels wide centred on (x, y); whole-number centres keep it crisp.
    void Dot(double x, double y) { boxes.push_back({{x - 1, y - 1}, {x + 1, y + 1}}); }

    static Point ArcPoint(double cx, double cy, double rx, double ry, double degrees)
    {
        const double a = degrees * PI / 180.0;
        return {cx + rx * std::cos(a), cy - ry * std::sin(a)};
    }
};

double DistanceToSegment(Point p, const Segment& s)
{
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double length2 = dx * dx + dy * dy;
    double t = 0.0;
    if (length2 > 0.0)
        t = std::clamp(((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / length2, 0.0, 1.0);
    const double ex = p.x - (s.a.x + t * dx), ey = p.y - (s.a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

bool Inked(const Glyph& glyph, Point p)
{
    for (const Segment& s : glyph.segments) {
        if (DistanceToSegment(p, s) <= PEN_RADIUS) return true;
    }
    for (const Segment& box : glyph.boxes) {
        if (p.x >= box.a.x && p.x <= box.b.x && p.y >= box.a.y && p.y <= box.b.y) return true;
    }
    return false;
}

// Covered share 0..1 -> palette index. Below a quarter the pixel stays transparent; above
// it the share is mapped onto the grey ramp, full cover giving white.
uint8_t CoverageIndex(double coverage)
{
    if (coverage < 0.25) return 0;
    const double grey = 104.0 + (coverage - 0.25) / 0.75 * (255.0 - 104.0);
    int best = 1;
    for (int i = 2; i < PALETTE_ENTRIES; ++i) {
        if (std::fabs(GREYS[i] - grey) < std::fabs(GREYS[best] - grey)) best = i;
    }
    return static_cast<uint8_t>(best);
}

// The design of each glyph, its ink starting at x = 0 (the stroke edge), ink width returned
// through `ink_width` so that the glyph can be centred in its cell.
Glyph Design(char c, double* ink_width)
{
    Glyph g;
    double w = 0;  // ink width
    switch (c) {
    case 'a':
        w = 10;
        g.Ellipse(5, MID, 4, 4);
        g.Line(9, XH, 9, BASE);
        break;
    case 'b':
        w = 10;
        g.Line(1, ASC, 1, BASE);
        g.Ellipse(5, MID, 4, 4);
        break;
    case 'c':
        w = 9;
        g.Arc(5, MID, 4, 4, 50, 310);
        break;
    case 'd':
        w = 10;
        g.Ellipse(5, MID, 4, 4);
        g.Line(9, ASC, 9, BASE);
        break;
    case 'e':
        w = 9;
        g.Line(1, MID, 8, MID);
        g.Arc(4.5, MID, 3.5, 4, 0, 310);
        break;
    case 'f':
        w = 6;
        g.Line(2, BASE, 2, 7);
        g.Arc(4, 7, 2, 3, 180, 60);
        g.Line(1, XH, 5, XH);
        break;
    case 'g':
        w = 10;
        g.Ellipse(5, MID, 4, 4);
        g.Line(9, XH, 9, 19);
        g.Arc(5, 19, 4, 3, 0, -160);
        break;
    case 'h':
        w = 10;
        g.Line(1, ASC, 1, BASE);
        g.Line(9, 14, 9, BASE);
        g.Arc(5, 14, 4, 4, 180, 0);
        break;
    case 'i':
        w = 2;
        g.Line(1, XH, 1, BASE);
        g.Dot(1, 6);
        break;
    case 'j':
        w = 5;
        g.Line(4, XH, 4, 20);
        g.Arc(2.5, 20, 1.5, 2, 0, -180);
        g.Dot(4, 6);
        break;
    case 'k':
        w = 9;
        g.Line(1, ASC, 1, BASE);
        g.Line(7.5, XH, 1.5, 15);
        g.Line(4, 13.5, 8, BASE);
        break;
    case 'l':
        w = 4;
        g.Line(1, ASC, 1, 16);
        g.Arc(3, 16, 2, 2, 180, 270);
        break;
    case 'm':
        w = 13;
        g.Line(1, XH, 1, BASE);
        g.Line(7, 13, 7, BASE);
        g.Line(12, 13, 12, BASE);
        g.Arc(4, 13, 3, 3, 180, 0);
        g.Arc(9.5, 13, 2.5, 3, 180, 0);
        break;
    case 'n':
        w = 9;
        g.Line(1, XH, 1, BASE);
        g.Line(8, 13.5, 8, BASE);
        g.Arc(4.5, 13.5, 3.5, 3.5, 180, 0);
        break;
    case 'o':
        w = 11;
        g.Ellipse(5.5, MID, 4.5, 4);
        break;
    case 'p':
        w = 10;
        g.Line(1, XH, 1, DESC);
        g.Ellipse(5, MID, 4, 4);
        break;
    case 'q':
        w = 10;
        g.Ellipse(5, MID, 4, 4);
        g.Line(9, XH, 9, DESC);
        break;
    case 'r':
        w = 7;
        g.Line(1, XH, 1, BASE);
        g.Arc(5, 14, 4, 4, 180, 75);
        break;
    case 's':
        w = 7;
        g.Arc(3.5, 12, 2.5, 2, 20, 270);
        g.Arc(3.5, 16, 2.5, 2, 90, -160);
        break;
    case 't':
        w = 7;
        g.Line(2, 6, 2, 16);
        g.Arc(4, 16, 2, 2, 180, 270);
        g.Line(4, BASE, 6, BASE);
        g.Line(0, XH, 6, XH);
        break;
    case 'u':
        w = 9;
        g.Line(1, XH, 1, 14.5);
        g.Arc(4.5, 14.5, 3.5, 3.5, 180, 360);
        g.Line(8, XH, 8, BASE);
        break;
    case 'v':
        w = 10;
        g.Path({{1, XH}, {5, BASE}, {9, XH}});
        break;
    case 'w':
        w = 14;
        g.Path({{1, XH}, {4, BASE}, {7, 12}, {10, BASE}, {13, XH}});
        break;
    case 'x':
        w = 9;
        g.Line(1, XH, 8, BASE);
        g.Line(8, XH, 1, BASE);
        break;
    case 'y':
        w = 10;
        g.Line(1, XH, 5.2, 17.5);
        g.Line(9, XH, 3.5, DESC);
        g.Line(3.5, DESC, 1.5, DESC);
        break;
    case 'z':
        w = 9;
        g.Path({{1, XH}, {8, XH}, {1, BASE}, {8, BASE}});
        break;
    case '!':
        w = 2;
        g.Line(1, ASC, 1, 14);
        g.Dot(1, BASE);
        break;
    case '.':
        w = 2;
        g.Dot(1, BASE);
        break;
    case '(':
        w = 5;
        g.Arc(5.5, 13, 4.5, 9, 115, 245);
        break;
    case ')':
        w = 5;
        g.Arc(-0.5, 13, 4.5, 9, 65, -65);
        break;
    case '+':
        w = 12;
        g.Line(1, MID, 11, MID);
        g.Line(6, 9, 6, 19);
        break;
    case ':':
        w = 2;
        g.Dot(1, 11);
        g.Dot(1, BASE);
        break;
    case '-':
        w = 6;
        g.Line(1, MID, 5, MID);
        break;
    case '0':
        w = 10;
        g.Ellipse(5, 11.5, 4, 6.5);
        break;
    case '1':
        w = 5;
        g.Line(4, CAP, 4, BASE);
        g.Line(4, CAP, 1, 8);
        break;
    case '2':
        w = 9;
        g.Arc(4.5, 8.5, 3.5, 3.5, 160, -35);
        g.Line(7.4, 10.5, 1, BASE);
        g.Line(1, BASE, 8, BASE);
        break;
    case '3':
        w = 8;
        g.Arc(4, 8, 3, 3, 150, -90);
        g.Arc(4, 14.5, 3.5, 3.5, 90, -150);
        break;
    case '4':
        w = 11;
        g.Line(8, BASE, 8, CAP);
        g.Line(8, CAP, 1, 14);
        g.Line(1, 14, 10, 14);
        break;
    case '5':
        w = 9;
        g.Path({{7.5, CAP}, {2, CAP}, {1.5, 11}});
        g.Arc(4.5, 14.5, 3.5, 3.5, 140, -150);
        break;
    case '6':
        w = 9;
        g.Ellipse(4.5, 14.5, 3.5, 3.5);
        g.Arc(7.5, 14.5, 6.5, 9.5, 180, 100);
        break;
    case '7':
        w = 9;
        g.Line(1, CAP, 8, CAP);
        g.Line(8, CAP, 3.5, BASE);
        break;
    case '8':
        w = 9;
        g.Ellipse(4.5, 8, 3, 3);
        g.Ellipse(4.5, 14.5, 3.5, 3.5);
        break;
    case '9':
        w = 9;
        g.Ellipse(4.5, 8.5, 3.5, 3.5);
        g.Arc(1.5, 8.5, 6.5, 9.5, 0, -80);
        break;
    default: w = 0; break;  // the blank: no ink
    }
    *ink_width = w;
    return g;
}

// Draws glyph i into its cell of the strip, centred horizontally on a whole pixel so that
// strokes keep their crisp alignment; the strip's row 0 is the cell's row 0.
void DrawGlyph(std::vector<uint8_t>& strip, int i)
{
    double ink = 0;
    const Glyph glyph = Design(GLYPH_CHARS[i], &ink);
    const int cell = GLYPH_X[i + 1] - GLYPH_X[i];
    const int left = static_cast<int>(std::floor((cell - ink) / 2.0));
    for (int r = 1; r <= 24; ++r) {
        for (int k = 0; k < cell; ++k) {
            int covered = 0;
            for (int sy = 0; sy < SUBSAMPLES; ++sy) {
                for (int sx = 0; sx < SUBSAMPLES; ++sx) {
                    const Point p{k - left + (sx + 0.5) / SUBSAMPLES, r + (sy + 0.5) / SUBSAMPLES};
                    if (Inked(glyph, p)) ++covered;
                }
            }
            const double coverage = static_cast<double>(covered) / (SUBSAMPLES * SUBSAMPLES);
            strip[r * STRIP_WIDTH + GLYPH_X[i] + k] = CoverageIndex(coverage);
        }
    }
}

std::vector<uint8_t> MakeFontData()
{
    std::vector<uint8_t> data;
    auto put32 = [&data](uint32_t v) {
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put_tag = [&data](const char* tag) { data.insert(data.end(), tag, tag + 4); };
    const uint32_t data_chunk = 4 + 4 * PALETTE_ENTRIES;
    put_tag("RIFF");
    put32(4 + 8 + data_chunk);
    put_tag("PAL ");
    put_tag("data");
    put32(data_chunk);
    data.push_back(0x00);  // LOGPALETTE version 0x0300, little-endian
    data.push_back(0x03);
    data.push_back(PALETTE_ENTRIES);
    data.push_back(0);
    for (uint8_t grey : GREYS) {
        data.insert(data.end(), {grey, grey, grey, 0});
    }
    std::vector<uint8_t> strip(STRIP_WIDTH * STRIP_ROWS, 0);
    for (int i = 0; i < GLYPH_COUNT; ++i) DrawGlyph(strip, i);
    data.insert(data.end(), strip.begin(), strip.end());
    return data;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_font OUTPUT.cpp\n");
        return 1;
    }
    FILE* file = std::fopen(argv[1], "w");
    if (!file) return 1;
    std::fprintf(file,
                 "// Generated by assets/gen_font.cpp: the font strip and its glyph tables.\n");
    std::fprintf(file, "#include \"assets/assets.h\"\n");
    WriteByteArray(file, "const uint8_t font_strip_data[RIFF_PALETTE_HEADER + 4 * 16 + 800 * 30]",
                   MakeFontData());
    std::fprintf(file, "const char glyph_chars[45] = \"%s\";\n", GLYPH_CHARS);
    std::fprintf(file, "const int32_t glyph_x[45] = {");
    for (int i = 0; i <= GLYPH_COUNT; ++i) std::fprintf(file, "%s%d", i ? ", " : "", GLYPH_X[i]);
    std::fprintf(file, "};\n");
    return std::fclose(file) == 0 ? 0 : 1;
}
