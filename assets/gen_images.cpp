// Generates the intro's three palettized images as a C++ source file (argv[1]):
//   sprite_sheet_data   256 x 256, 32 entries: three glass bubbles, large to small, stacked
//                       in the left column at v = 0, 0.27 and 0.54 (cells 0.27 = ~69 texels);
//   left_panel_data,
//   right_panel_data    the halves of one 1024 x 512 title picture, 256 entries each: a dusk
//                       sea under a rising moon, headlands, and the title lettered in strokes,
//                       painted light (a pastel twilight) because the show dims it to 75/255
//                       for most of the time, with highlights that roll off below full scale.
// Each is a RIFF "PAL " palette header, its entries (red, green, blue, flags) and one index
// per pixel. Everything is computed here, deterministically; no file is read.
// An optional argv[2] names a directory that receives PPM previews of the pictures.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "palette_quantise.h"
#include "write_array.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// ---------------------------------------------------------------- noise

uint32_t Hash(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

double Random01(uint32_t a, uint32_t b, uint32_t seed)
{
    return Hash(a * 0x9E3779B1u ^ Hash(b + 0x632BE5ABu * seed)) / 4294967296.0;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

double ValueNoise(double x, double y, uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const double tx = Smooth(x - fx), ty = Smooth(y - fy);
    const double a = Random01(ix, iy, seed), b = Random01(ix + 1, iy, seed);
    const double c = Random01(ix, iy + 1, seed), d = Random01(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double Fbm(double x, double y, uint32_t seed, int octaves)
{
    double sum = 0, amplitude = 0.5, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x, y, seed + i);
        total += amplitude;
        x *= 2.03;
        y *= 2.03;
        amplitude *= 0.5;
    }
    return sum / total;
}

// ---------------------------------------------------------------- colour helpers

Rgb Mix(const Rgb& a, const Rgb& b, double t)
{
    return Rgb{float(a.r + (b.r - a.r) * t), float(a.g + (b.g - a.g) * t),
               float(a.b + (b.b - a.b) * t)};
}
Rgb Add(const Rgb& a, const Rgb& b, double k)
{
    return Rgb{float(a.r + b.r * k), float(a.g + b.g * k), float(a.b + b.b * k)};
}
Rgb Scale(const Rgb& a, double k) { return Rgb{float(a.r * k), float(a.g * k), float(a.b * k)}; }

struct Stop {
    double at;
    Rgb colour;
};

Rgb Gradient(const std::vector<Stop>& stops, double t)
{
    if (t <= stops.front().at) return stops.front().colour;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            const double u = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return Mix(stops[i - 1].colour, stops[i].colour, Smooth(u));
        }
    }
    return stops.back().colour;
}

double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// ---------------------------------------------------------------- the title picture

constexpr int PICTURE_WIDTH = 1024;
constexpr int PICTURE_HEIGHT = 512;
constexpr double HORIZON = 330;
constexpr double MOON_X = 806, MOON_Y = 104, MOON_RADIUS = 36;
constexpr double TITLE_CENTRE_Y = 390, TITLE_HEIGHT = 66;

// A late dusk, light enough to read when the show dims the picture to under a third: deep
// periwinkle overhead through violet and rose to a peach glow on the horizon.
const std::vector<Stop> SKY = {
    {0.00, {138, 134, 200}}, {0.30, {164, 148, 212}}, {0.55, {192, 148, 202}},
    {0.74, {226, 162, 178}}, {0.88, {242, 186, 154}}, {0.96, {246, 204, 156}},
    {1.00, {248, 216, 168}},
};

Rgb SkyAt(double x, double y)
{
    const double t = Clamp01(y / HORIZON);
    Rgb sky = Gradient(SKY, t);
    // The sun has just gone down a little left of centre: a warm glow over the horizon.
    const double dx = (x - 470) / 330, dy = (HORIZON - y) / 120;
    const double glow = std::exp(-(dx * dx + dy * dy));
    sky = Add(sky, Rgb{50, 30, 10}, glow);
    return sky;
}

// Thin streaks of cloud low in the sky, dark above and lit from below by the afterglow.
Rgb WithClouds(Rgb sky, double x, double y)
{
    if (y < 150 || y > HORIZON) return sky;
    const double band = Fbm(x / 260.0, y / 9.0, 11, 5);
    const double density = Clamp01((band - 0.56) * 4.0) * Clamp01((y - 150) / 60);
    if (density <= 0) return sky;
    const double lit = Clamp01((y - 220) / 110);
    const Rgb cloud = Mix(Rgb{92, 64, 120}, Rgb{250, 160, 120}, lit * 0.8);
    return Mix(sky, cloud, density * 0.75);
}

Rgb WithStars(Rgb sky, int x, int y)
{
    const double darkness = Clamp01(1.0 - y / 210.0);
    if (darkness <= 0) return sky;
    const double r = Random01(x, y, 7);
    if (r > 0.9965) {
        const double bright = (0.35 + 0.65 * Random01(x, y, 8)) * darkness;
        return Add(sky, Rgb{235, 230, 255}, bright);
    }
    // A few larger stars with a faint cross.
    const int cx = x / 23, cy = y / 23;
    if (Random01(cx, cy, 9) > 0.93) {
        const int sx = cx * 23 + int(Random01(cx, cy, 10) * 20);
        const int sy = cy * 23 + int(Random01(cx, cy, 11) * 20);
        const int ax = std::abs(x - sx), ay = std::abs(y - sy);
        double k = 0;
        if (ax == 0 && ay == 0)
            k = 1.0;
        else if ((ax == 0 && ay <= 2) || (ay == 0 && ax <= 2))
            k = 0.45 / (ax + ay);
        if (k > 0) return Add(sky, Rgb{255, 245, 235}, k * darkness);
    }
    return sky;
}

Rgb WithMoon(Rgb sky, double x, double y)
{
    const double dx = x - MOON_X, dy = y - MOON_Y;
    const double d = std::sqrt(dx * dx + dy * dy);
    // Halo first, then the disc over it, with soft antialiased edge.
    const double halo = std::exp(-std::max(0.0, d - MOON_RADIUS) / 34.0) * 0.22 +
                        std::exp(-std::max(0.0, d - MOON_RADIUS) / 8.0) * 0.12;
    sky = Add(sky, Rgb{210, 190, 200}, halo);
    const double cover = Clamp01(MOON_RADIUS + 0.5 - d);
    if (cover <= 0) return sky;
    const double rim = d / MOON_RADIUS;
    const double limb = 1.0 - 0.18 * rim * rim;
    const double maria = Fbm(x / 14.0, y / 14.0, 21, 4);
    const double shade = limb * (1.0 - 0.22 * Clamp01((maria - 0.45) * 3.0));
    const Rgb disc = Scale(Rgb{255, 246, 226}, shade);
    return Mix(sky, disc, cover);
}

// Ridge lines: a far, hazy range along the horizon and two dark headlands at the sides.
double FarRidge(double x) { return HORIZON - 10 - 46 * Fbm(x / 150.0, 3.5, 31, 5); }
double NearRidge(double x)
{
    const double left = Clamp01((300 - x) / 200), right = Clamp01((x - 700) / 240);
    const double edge = Smooth(std::max(left, right));
    const double rough = 0.55 + 0.45 * Fbm(x / 70.0, 8.5, 41, 5);
    return HORIZON + 2 - (8 + 150 * edge) * rough;
}

Rgb WithLand(Rgb colour, double x, double y)
{
    const double far_top = FarRidge(x);
    if (y >= far_top - 0.5 && y < HORIZON + 1) {
        const double cover = Clamp01(y - far_top + 0.5);
        const double haze = Clamp01((y - far_top) / 40.0);
        const Rgb hill = Mix(Rgb{170, 132, 180}, Rgb{198, 148, 176}, haze);
        colour = Mix(colour, hill, cover * 0.92);
    }
    const double near_top = NearRidge(x);
    if (y >= near_top - 0.5 && y < HORIZON + 3) {
        const double cover = Clamp01(y - near_top + 0.5);
        // The crest catches the afterglow; below it the land is a deep dusky violet, dark
        // against the sky but not black.
        const double rim = std::exp(-(y - near_top) / 2.5);
        const Rgb land = Add(Rgb{114, 94, 146}, Rgb{190, 100, 90}, rim * 0.55);
        colour = Mix(colour, land, cover);
    }
    return colour;
}

Rgb SeaAt(double x, double y)
{
    const double depth = y - HORIZON;  // 0 at the horizon
    // Ripples get wider and taller towards the viewer.
    const double perspective = 6.0 / (depth + 6.0);
    const double wave = Fbm(x / (40.0 + depth * 1.5), depth * perspective * 2.2, 51, 4);
    const double mirror_y = HORIZON - depth * 0.8 - (wave - 0.5) * (6 + depth * 0.25);
    Rgb reflected = SkyAt(x + (wave - 0.5) * depth * 0.4, std::max(0.0, mirror_y));
    reflected = WithLand(reflected, x, HORIZON - (HORIZON - std::max(0.0, mirror_y)) * 0.9);
    const double fade = 0.78 - 0.18 * Clamp01(depth / 180);
    Rgb sea = Mix(Rgb{118, 124, 178}, reflected, fade);
    // Crests catch the sky, troughs go dark.
    sea = Scale(sea, 0.78 + 0.44 * wave);

    // The moon's path: glitter on the crests in a band that widens towards the viewer.
    const double half_width = 10 + depth * 0.28;
    const double across = std::abs(x - MOON_X) / half_width;
    if (across < 1.6) {
        const double band = std::exp(-across * across * 1.8);
        const double sparkle = Fbm(x / (3.0 + depth * 0.05), depth * perspective * 9.0, 61, 3);
        const double glint = Clamp01((sparkle - 0.52) * 5.0) * band;
        sea = Add(sea, Rgb{255, 236, 210}, glint * 0.9);
    }
    // The afterglow's broad warm reflection near the horizon.
    const double gx = (x - 470) / 300;
    sea = Add(sea, Rgb{120, 60, 24},
              std::exp(-gx * gx) * std::exp(-depth / 45.0) * (0.5 + 0.5 * wave));
    return sea;
}

// The title in strokes: each letter is a list of polylines in a box of height 1 (y down).
struct Letter {
    double width;
    std::vector<std::vector<std::pair<double, double>>> strokes;
};

std::vector<std::pair<double, double>> Arc(double cx, double cy, double rx, double ry, double from,
                                           double to, int steps)
{
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i <= steps; ++i) {
        const double a = from + (to - from) * i / steps;
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}

std::vector<Letter> TitleLetters()
{
    std::vector<Letter> title;
    // O
    title.push_back({0.92, {Arc(0.46, 0.5, 0.46, 0.5, 0, 2 * PI, 64)}});
    // R
    {
        auto bowl = Arc(0.40, 0.26, 0.30, 0.26, -PI / 2, PI / 2, 24);
        bowl.insert(bowl.begin(), {0.0, 0.0});
        bowl.push_back({0.0, 0.52});
        title.push_back({0.74, {{{0, 0}, {0, 1}}, bowl, {{0.34, 0.52}, {0.74, 1}}}});
    }
    title.push_back({0.86, {{{0, 0}, {0.43, 1}, {0.86, 0}}}});                                // V
    title.push_back({0.86, {{{0, 1}, {0.43, 0}, {0.86, 1}}, {{0.17, 0.64}, {0.69, 0.64}}}});  // A
    title.push_back({0.78, {{{0, 1}, {0, 0}, {0.78, 1}, {0.78, 0}}}});                        // N
    title.push_back({0.82, {{{0, 0}, {0.82, 0}}, {{0.41, 0}, {0.41, 1}}}});                   // T
    title.push_back(
        {0.78, {{{0, 0}, {0, 1}}, {{0.78, 0}, {0.78, 1}}, {{0, 0.5}, {0.78, 0.5}}}});  // H
    title.push_back(
        {0.66, {{{0.66, 0}, {0, 0}, {0, 1}, {0.66, 1}}, {{0, 0.5}, {0.54, 0.5}}}});  // E
    return title;
}

struct Segment {
    double x0, y0, x1, y1;
};

double SegmentDistance(const Segment& s, double x, double y)
{
    const double vx = s.x1 - s.x0, vy = s.y1 - s.y0;
    const double wx = x - s.x0, wy = y - s.y0;
    const double length2 = vx * vx + vy * vy;
    const double t = length2 > 0 ? Clamp01((wx * vx + wy * vy) / length2) : 0;
    const double dx = wx - vx * t, dy = wy - vy * t;
    return std::sqrt(dx * dx + dy * dy);
}

// Lays the title out in picture pixels so that the seam of the two panels (x = 512) falls in
// the middle of the gap between its fourth and fifth letters.
std::vector<Segment> TitleSegments()
{
    const std::vector<Letter> letters = TitleLetters();
    const double tracking = 0.42;
    std::vector<double> left(letters.size());
    double pen = 0;
    for (size_t i = 0; i < letters.size(); ++i) {
        left[i] = pen;
        pen += letters[i].width + tracking;
    }
    const double gap_centre = left[3] + letters[3].width + tracking / 2;
    const double origin_x = 512 - gap_centre * TITLE_HEIGHT;
    const double origin_y = TITLE_CENTRE_Y - TITLE_HEIGHT / 2;
    std::vector<Segment> segments;
    for (size_t i = 0; i < letters.size(); ++i) {
        for (const auto& stroke : letters[i].strokes) {
            for (size_t p = 1; p < stroke.size(); ++p) {
                segments.push_back({origin_x + (left[i] + stroke[p - 1].first) * TITLE_HEIGHT,
                                    origin_y + stroke[p - 1].second * TITLE_HEIGHT,
                                    origin_x + (left[i] + stroke[p].first) * TITLE_HEIGHT,
                                    origin_y + stroke[p].second * TITLE_HEIGHT});
            }
        }
    }
    return segments;
}

Rgb WithTitle(Rgb colour, double x, double y, const std::vector<Segment>& segments)
{
    if (y < TITLE_CENTRE_Y - TITLE_HEIGHT || y > TITLE_CENTRE_Y + TITLE_HEIGHT * 0.95)
        return colour;
    double d = 1e9;
    for (const Segment& s : segments) d = std::min(d, SegmentDistance(s, x, y));
    const double half_stroke = TITLE_HEIGHT * 0.052;
    const double edge = d - half_stroke;  // < 0 inside the stroke
    // A warm glow behind, a dark outline, then the gilded fill.
    colour = Add(colour, Rgb{255, 140, 70}, 0.55 * std::exp(-std::max(0.0, edge) / 9.0));
    colour = Mix(colour, Rgb{24, 8, 30}, 0.85 * Clamp01(2.8 - edge));
    const double fill = Clamp01(0.5 - edge);
    if (fill > 0) {
        const double t = Clamp01((y - (TITLE_CENTRE_Y - TITLE_HEIGHT / 2)) / TITLE_HEIGHT);
        Rgb gold = Gradient({{0.0, {255, 250, 222}},
                             {0.45, {255, 214, 140}},
                             {0.55, {236, 150, 70}},
                             {1.0, {255, 196, 120}}},
                            t);
        // A bright rim along the stroke's upper edge.
        gold = Add(gold, Rgb{40, 40, 40}, Clamp01(1.0 + edge / 1.5));
        colour = Mix(colour, gold, fill);
    }
    return colour;
}

// A thin rule under the title that fades out towards both ends, broken at the seam by a
// small diamond.
Rgb WithRule(Rgb colour, double x, double y)
{
    const double rule_y = TITLE_CENTRE_Y + TITLE_HEIGHT * 0.5 + 17;
    const double along = std::abs(x - 512) / 300;
    if (along < 1) {
        const double line = Clamp01(1.2 - std::abs(y - rule_y));
        colour = Add(colour, Rgb{255, 206, 150}, line * 0.8 * (1 - along * along));
    }
    const double diamond = std::abs(x - 511.5) + std::abs(y - rule_y);
    colour = Mix(colour, Rgb{255, 236, 196}, Clamp01(5.5 - diamond));
    return colour;
}

// Highlights roll off towards HIGHLIGHT_LIMIT instead of clipping, so the moon, the lettering
// and the glow keep their detail at full brightness, with room left for the bubbles that are
// added on top.
constexpr double HIGHLIGHT_KNEE = 176, HIGHLIGHT_LIMIT = 212;
Rgb SoftHighlights(const Rgb& c)
{
    auto roll = [](double v) {
        if (v <= HIGHLIGHT_KNEE) return v;
        const double room = HIGHLIGHT_LIMIT - HIGHLIGHT_KNEE;
        return HIGHLIGHT_KNEE + room * std::tanh((v - HIGHLIGHT_KNEE) / room);
    };
    return Rgb{float(roll(c.r)), float(roll(c.g)), float(roll(c.b))};
}

std::vector<Rgb> PaintTitlePicture()
{
    const std::vector<Segment> segments = TitleSegments();
    std::vector<Rgb> picture(size_t(PICTURE_WIDTH) * PICTURE_HEIGHT);
    for (int py = 0; py < PICTURE_HEIGHT; ++py) {
        for (int px = 0; px < PICTURE_WIDTH; ++px) {
            const double x = px, y = py;
            Rgb c;
            if (y < HORIZON) {
                c = SkyAt(x, y);
                c = WithStars(c, px, py);
                c = WithMoon(c, x, y);
                c = WithClouds(c, x, y);
            } else {
                c = SeaAt(x, y);
            }
            c = WithLand(c, x, y);
            c = WithTitle(c, x, y, segments);
            c = WithRule(c, x, y);
            // Darken the outer corners a little to frame the picture.
            const double vx = (x - 512) / 560, vy = (y - 256) / 420;
            c = Scale(c, 1.0 - 0.18 * Clamp01(vx * vx + vy * vy - 0.35));
            picture[size_t(py) * PICTURE_WIDTH + px] = SoftHighlights(c);
        }
    }
    return picture;
}

// ---------------------------------------------------------------- the bubbles

constexpr int SHEET = 256;
constexpr int SHEET_ENTRIES = 32;
constexpr double CELL = 0.27 * SHEET;  // 69.12 texels

// Brightness 0..1 of a glass bubble at (x, y) relative to its centre, radius r.
double BubbleLight(double x, double y, double r)
{
    const double t = std::sqrt(x * x + y * y) / r;
    if (t > 1.08) return 0;
    double light = 0;
    // The glass is seen edge-on at the rim: a bright ring, fading inwards.
    light += 0.85 * std::exp(-std::pow((t - 0.93) / 0.075, 2));
    light += 0.30 * std::pow(Clamp01(t), 4);
    light += 0.05;  // a faint body so the bubble reads as filled
    // A window-like highlight up left and a soft crescent reflection down right.
    const double hx = x / r + 0.38, hy = y / r + 0.40;
    light += 0.95 * std::exp(-(hx * hx + hy * hy) / (0.16 * 0.16));
    const double crescent =
        std::exp(-std::pow((t - 0.78) / 0.07, 2)) * Clamp01((x + y) / (r * 0.9));
    light += 0.35 * crescent;
    // Soft outer edge.
    return Clamp01(light) * Clamp01((1.08 - t) / 0.08);
}

std::vector<Rgb> BubblePalette()
{
    std::vector<Rgb> palette;
    // Added onto a light picture: bright enough to read as glass, dim enough that a rim over
    // the sky does not burn out.
    const std::vector<Stop> ramp = {{0.0, {0, 0, 0}},
                                    {0.25, {4, 22, 36}},
                                    {0.55, {12, 54, 70}},
                                    {0.8, {26, 72, 80}},
                                    {1.0, {40, 84, 88}}};
    for (int i = 0; i < SHEET_ENTRIES; ++i) palette.push_back(Gradient(ramp, i / 31.0));
    return palette;
}

std::vector<uint8_t> PaintSpriteSheet()
{
    std::vector<uint8_t> indices(size_t(SHEET) * SHEET, 0);
    static const int BAYER[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    const double radii[3] = {CELL * 0.47, CELL * 0.34, CELL * 0.22};
    for (int cell = 0; cell < 3; ++cell) {
        const double cx = CELL / 2, cy = CELL * cell + CELL / 2;
        const double r = radii[cell];
        const int top = int(std::ceil(CELL * cell)), bottom = int(std::floor(CELL * (cell + 1)));
        for (int y = top; y < bottom && y < SHEET; ++y) {
            for (int x = 0; x < int(CELL); ++x) {
                // 4 x 4 samples per texel for smooth edges.
                double light = 0;
                for (int s = 0; s < 16; ++s) {
                    const double sx = x + (s % 4 + 0.5) / 4, sy = y + (s / 4 + 0.5) / 4;
                    light += BubbleLight(sx - cx, sy - cy, r);
                }
                light /= 16;
                const double level = light * 31 + (BAYER[y & 3][x & 3] + 0.5) / 16 - 0.5;
                indices[size_t(y) * SHEET + x] =
                    uint8_t(std::clamp(int(std::lround(level)), 0, 31));
            }
        }
    }
    return indices;
}

// ---------------------------------------------------------------- output

std::vector<uint8_t> RiffPaletteImage(const std::vector<Rgb>& palette,
                                      const std::vector<uint8_t>& pixels)
{
    const uint32_t entries = uint32_t(palette.size());
    const uint32_t data_size = 4 + 4 * entries;
    std::vector<uint8_t> out;
    auto word = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
    };
    auto text = [&](const char* s) { out.insert(out.end(), s, s + 4); };
    text("RIFF");
    word(4 + 8 + data_size);  // form type + chunk header + chunk
    text("PAL ");
    text("data");
    word(data_size);
    out.push_back(0x00);  // version 0x0300, little-endian
    out.push_back(0x03);
    out.push_back(uint8_t(entries));
    out.push_back(uint8_t(entries >> 8));
    for (const Rgb& c : palette) {
        out.push_back(uint8_t(c.r));
        out.push_back(uint8_t(c.g));
        out.push_back(uint8_t(c.b));
        out.push_back(0);
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

void WritePreview(const std::string& path, const std::vector<uint8_t>& indices,
                  const std::vector<Rgb>& palette, int width, int height)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    for (uint8_t i : indices) {
        const uint8_t rgb[3] = {uint8_t(palette[i].r), uint8_t(palette[i].g),
                                uint8_t(palette[i].b)};
        std::fwrite(rgb, 1, 3, file);
    }
    std::fclose(file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    const std::string preview_dir = argc > 2 ? argv[2] : "";

    const std::vector<Rgb> bubble_palette = BubblePalette();
    const std::vector<uint8_t> sheet = PaintSpriteSheet();

    const std::vector<Rgb> picture = PaintTitlePicture();
    std::vector<Rgb> halves[2];
    for (int half = 0; half < 2; ++half) {
        halves[half].reserve(size_t(512) * 512);
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                halves[half].push_back(picture[size_t(y) * PICTURE_WIDTH + half * 512 + x]);
            }
        }
    }
    std::vector<Rgb> panel_palette[2];
    std::vector<uint8_t> panel_pixels[2];
    for (int half = 0; half < 2; ++half) {
        panel_palette[half] = ChoosePalette(halves[half], 256);
        panel_pixels[half] = DitherToPalette(halves[half], 512, 512, panel_palette[half]);
    }

    FILE* file = std::fopen(argv[1], "w");
    if (!file) return 1;
    std::fprintf(file, "// Generated by assets/gen_images.cpp.\n#include \"assets/assets.h\"\n");
    bool ok = WriteByteArray(
        file, "const uint8_t sprite_sheet_data[RIFF_PALETTE_HEADER + 4 * 32 + 256 * 256]",
        RiffPaletteImage(bubble_palette, sheet));
    ok = ok && WriteByteArray(
                   file, "const uint8_t left_panel_data[RIFF_PALETTE_HEADER + 4 * 256 + 512 * 512]",
                   RiffPaletteImage(panel_palette[0], panel_pixels[0]));
    ok = ok &&
         WriteByteArray(file,
                        "const uint8_t right_panel_data[RIFF_PALETTE_HEADER + 4 * 256 + 512 * 512]",
                        RiffPaletteImage(panel_palette[1], panel_pixels[1]));
    if (std::fclose(file) != 0 || !ok) return 1;

    if (!preview_dir.empty()) {
        WritePreview(preview_dir + "/sprite_sheet.ppm", sheet, bubble_palette, SHEET, SHEET);
        FILE* preview = std::fopen((preview_dir + "/title_picture.ppm").c_str(), "wb");
        if (preview) {
            std::fprintf(preview, "P6\n%d %d\n255\n", PICTURE_WIDTH, PICTURE_HEIGHT);
            for (int y = 0; y < 512; ++y) {
                for (int x = 0; x < PICTURE_WIDTH; ++x) {
                    const int half = x / 512;
                    const Rgb& c =
                        panel_palette[half][panel_pixels[half][size_t(y) * 512 + x % 512]];
                    const uint8_t rgb[3] = {uint8_t(c.r), uint8_t(c.g), uint8_t(c.b)};
                    std::fwrite(rgb, 1, 3, preview);
                }
            }
            std::fclose(preview);
        }
    }
    return 0;
}
