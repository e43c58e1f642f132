// Reducing a true-colour picture to a 256-entry palette for the image generator: a
// variance-driven median cut, a few k-means passes to settle the entries, then
// Floyd-Steinberg error diffusion (serpentine) so smooth gradients stay smooth.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

struct Rgb {
    float r, g, b;
};

namespace quantise_detail {

struct Box {
    std::vector<uint32_t> members;  // indices into the pixel list
    double error;                   // sum of squared distances to the box mean
};

inline float Channel(const Rgb& c, int axis) { return axis == 0 ? c.r : axis == 1 ? c.g : c.b; }

inline Rgb Mean(const std::vector<Rgb>& pixels, const std::vector<uint32_t>& members)
{
    double sum[3] = {0, 0, 0};
    for (uint32_t i : members) {
        sum[0] += pixels[i].r;
        sum[1] += pixels[i].g;
        sum[2] += pixels[i].b;
    }
    const double n = members.empty() ? 1.0 : double(members.size());
    return Rgb{float(sum[0] / n), float(sum[1] / n), float(sum[2] / n)};
}

inline Box MakeBox(const std::vector<Rgb>& pixels, std::vector<uint32_t> members)
{
    const Rgb mean = Mean(pixels, members);
    double error = 0;
    for (uint32_t i : members) {
        const double dr = pixels[i].r - mean.r, dg = pixels[i].g - mean.g,
                     db = pixels[i].b - mean.b;
        error += dr * dr + dg * dg + db * db;
    }
    return Box{std::move(members), error};
}

inline float Distance2(const Rgb& a, const Rgb& b)
{
    const float dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    // Green counts most for the eye, blue least.
    return 0.30f * dr * dr + 0.59f * dg * dg + 0.11f * db * db;
}

inline int Nearest(const std::vector<Rgb>& palette, const Rgb& c)
{
    int best = 0;
    float best_distance = Distance2(palette[0], c);
    for (int i = 1; i < int(palette.size()); ++i) {
        const float d = Distance2(palette[i], c);
        if (d < best_distance) {
            best_distance = d;
            best = i;
        }
    }
    return best;
}

inline uint8_t ToByte(float v) { return uint8_t(std::clamp(v, 0.0f, 255.0f) + 0.5f); }

}  // namespace quantise_detail

// Picks up to `entries` palette colours for `pixels` (0..255 per channel).
inline std::vector<Rgb> ChoosePalette(const std::vector<Rgb>& pixels, int entries)
{
    using namespace quantise_detail;
    std::vector<uint32_t> all(pixels.size());
    for (uint32_t i = 0; i < all.size(); ++i) all[i] = i;
    std::vector<Box> boxes;
    boxes.push_back(MakeBox(pixels, std::move(all)));

    while (int(boxes.size()) < entries) {
        // Split the box that carries the most error, along its widest-spread channel.
        size_t worst = 0;
        for (size_t i = 1; i < boxes.size(); ++i) {
            if (boxes[i].error > boxes[worst].error) worst = i;
        }
        if (boxes[worst].members.size() < 2 || boxes[worst].error <= 0) break;
        std::vector<uint32_t> members = std::move(boxes[worst].members);
        int axis = 0;
        float widest = -1;
        for (int a = 0; a < 3; ++a) {
            float lo = 1e9f, hi = -1e9f;
            for (uint32_t i : members) {
                lo = std::min(lo, Channel(pixels[i], a));
                hi = std::max(hi, Channel(pixels[i], a));
            }
            if (hi - lo > widest) {
                widest = hi - lo;
                axis = a;
            }
        }
        std::stable_sort(members.begin(), members.end(), [&](uint32_t x, uint32_t y) {
            return Channel(pixels[x], axis) < Channel(pixels[y], axis);
        });
        const size_t half = members.size() / 2;
        std::vector<uint32_t> upper(members.begin() + half, members.end());
        members.resize(half);
        boxes[worst] = MakeBox(pixels, std::move(members));
        boxes.push_back(MakeBox(pixels, std::move(upper)));
    }

    std::vector<Rgb> palette;
    for (const Box& box : boxes) palette.push_back(Mean(pixels, box.members));

    // K-means passes on a sparse sample of the picture settle the entries on the colours.
    for (int pass = 0; pass < 3; ++pass) {
        std::vector<std::array<double, 4>> sums(palette.size(), {0, 0, 0, 0});
        for (size_t i = 0; i < pixels.size(); i += 3) {
            const int k = Nearest(palette, pixels[i]);
            sums[k][0] += pixels[i].r;
            sums[k][1] += pixels[i].g;
            sums[k][2] += pixels[i].b;
            sums[k][3] += 1;
        }
        for (size_t k = 0; k < palette.size(); ++k) {
            if (sums[k][3] > 0) {
                palette[k] = Rgb{float(sums[k][0] / sums[k][3]), float(sums[k][1] / sums[k][3]),
                                 float(sums[k][2] / sums[k][3])};
            }
        }
    }
    for (Rgb& c : palette) c = Rgb{float(ToByte(c.r)), float(ToByte(c.g)), float(ToByte(c.b))};
    while (int(palette.size()) < entries) palette.push_back(Rgb{0, 0, 0});
    return palette;
}

// Maps every pixel of a width x height picture to a palette index, spreading each pixel's
// error onto its unvisited neighbours.
inline std::vector<uint8_t> DitherToPalette(const std::vector<Rgb>& pixels, int width, int height,
                                            const std::vector<Rgb>& palette)
{
    using namespace quantise_detail;
    std::vector<Rgb> work = pixels;
    std::vector<uint8_t> indices(pixels.size());
    auto spread = [&](int x, int y, const Rgb& error, float weight) {
        if (x < 0 || x >= width || y >= height) return;
        Rgb& c = work[size_t(y) * width + x];
        c.r += error.r * weight;
        c.g += error.g * weight;
        c.b += error.b * weight;
    };
    for (int y = 0; y < height; ++y) {
        const bool forward = (y % 2) == 0;
        const int step = forward ? 1 : -1;
        for (int i = 0; i < width; ++i) {
            const int x = forward ? i : width - 1 - i;
            Rgb c = work[size_t(y) * width + x];
            c = Rgb{std::clamp(c.r, 0.0f, 255.0f), std::clamp(c.g, 0.0f, 255.0f),
                    std::clamp(c.b, 0.0f, 255.0f)};
            const int k = Nearest(palette, c);
            indices[size_t(y) * width + x] = uint8_t(k);
            const Rgb error{c.r - palette[k].r, c.g - palette[k].g, c.b - palette[k].b};
            spread(x + step, y, error, 7.0f / 16);
            spread(x - step, y + 1, error, 3.0f / 16);
            spread(x, y + 1, error, 5.0f / 16);
            spread(x + step, y + 1, error, 1.0f / 16);
        }
    }
    return indices;
}
