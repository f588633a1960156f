// Test pictures for the benchmarks: 8-bit grey frames with 4-byte row stride.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

struct benchframe {
    uint32_t width = 0, height = 0, stride = 0;
    std::vector<uint8_t> pixels;
};

inline benchframe blankFrame(uint32_t width, uint32_t height) {
    benchframe frame;
    frame.width = width;
    frame.height = height;
    frame.stride = (width + 3) / 4 * 4;
    frame.pixels.assign(size_t(frame.stride) * height, 0);
    return frame;
}

// A white figure on black: a few overlapping ellipses whose edges fade over
// 1 to 3 pixels of grey, as an anti-aliased silhouette does.
inline benchframe silhouetteFrame(uint32_t width = 1920, uint32_t height = 1080) {
    benchframe frame = blankFrame(width, height);
    struct ellipse {
        double cx, cy, rx, ry;
    };
    const ellipse body[] = {{0.50, 0.30, 0.06, 0.09}, {0.50, 0.55, 0.09, 0.20},
                            {0.44, 0.80, 0.03, 0.18}, {0.57, 0.78, 0.03, 0.18},
                            {0.40, 0.50, 0.02, 0.15}, {0.61, 0.47, 0.02, 0.15}};
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            double inside = -1e9;  // largest signed depth into any ellipse, in pixels
            for (const ellipse& e : body) {
                double dx = (x - e.cx * width) / (e.rx * width);
                double dy = (y - e.cy * height) / (e.ry * height);
                double depth = (1.0 - (dx * dx + dy * dy)) * e.rx * width / 2;
                if (depth > inside) inside = depth;
            }
            double edge = 2.0;  // edge width in pixels
            double level = inside >= edge ? 255 : inside <= 0 ? 0 : 255 * inside / edge;
            frame.pixels[size_t(y) * frame.stride + x] = static_cast<uint8_t>(level);
        }
    }
    return frame;
}

inline benchframe noiseFrame(uint32_t width = 1920, uint32_t height = 1080) {
    benchframe frame = blankFrame(width, height);
    std::mt19937 random(12345);
    for (uint8_t& pixel : frame.pixels) pixel = static_cast<uint8_t>(random());
    return frame;
}
