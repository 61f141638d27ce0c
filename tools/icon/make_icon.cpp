// Draws Clipveil's icon and writes it as a Windows .ico: a window pane whose body is a
// translucent veil, holding an opaque video frame with a play mark. 15 images, 16 to 256 px:
// 32-bit at 16, 20, 24, 32, 40, 48 and 256 (PNG), 8-bit and 4-bit at 16, 24, 32, 48.
//
//   make_icon OUTPUT.ico
//
// Only integer arithmetic is used, so the bytes are the same on every machine and compiler;
// a test rebuilds the icon and compares it with the committed resources/Clipveil.ico.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgba {
    int r = 0, g = 0, b = 0, a = 0;  // straight (not premultiplied), 0..255
};

// ---- Drawing ----------------------------------------------------------------------------
// A layout places the shapes on a grid of `grid` units across the icon. A sample point is
// (x, y) / d in grid units, with x, y and d integers, so every test below is exact. Small
// sizes get layouts drawn on their own pixel grid; the others snap box edges to pixels.

struct Box {
    int l, t, r, b;
};

struct Layout {
    int grid;
    Box pane;
    int paneRadius;
    Box body;  // the translucent part of the pane
    int bodyRadius;
    Box captionLine;
    int dotRadius;  // 0: no caption dots
    int dot1x, dot2x, doty;
    Box rim;
    Box video;
    std::array<int, 6> play;  // clockwise
};

const Layout kLarge{.grid = 256,
                    .pane = {14, 24, 242, 232},
                    .paneRadius = 24,
                    .body = {26, 64, 230, 220},
                    .bodyRadius = 10,
                    .captionLine = {38, 38, 132, 50},
                    .dotRadius = 8,
                    .dot1x = 180,
                    .dot2x = 208,
                    .doty = 44,
                    .rim = {36, 78, 220, 208},
                    .video = {44, 86, 212, 200},
                    .play = {108, 113, 160, 143, 108, 173}};
// Half-pixel grids for 16 and 20 px, without the caption dots.
const Layout k16{.grid = 32,
                 .pane = {0, 2, 32, 30},
                 .paneRadius = 3,
                 .body = {2, 8, 30, 28},
                 .bodyRadius = 0,
                 .captionLine = {4, 4, 14, 6},
                 .dotRadius = 0,
                 .dot1x = 0,
                 .dot2x = 0,
                 .doty = 0,
                 .rim = {4, 10, 28, 26},
                 .video = {6, 12, 26, 24},
                 .play = {12, 13, 20, 18, 12, 23}};
const Layout k20{.grid = 40,
                 .pane = {0, 2, 40, 38},
                 .paneRadius = 4,
                 .body = {2, 10, 38, 36},
                 .bodyRadius = 0,
                 .captionLine = {6, 4, 20, 6},
                 .dotRadius = 0,
                 .dot1x = 0,
                 .dot2x = 0,
                 .doty = 0,
                 .rim = {4, 12, 36, 34},
                 .video = {6, 14, 34, 32},
                 .play = {16, 17, 25, 23, 16, 29}};

struct Point {
    std::int64_t x, y;
};

class Canvas {
public:
    Canvas(const Layout& layout, int size, int samples)
        : layout_(layout),
          size_(size),
          samples_(samples),
          d_(2LL * size * samples),
          snap_(size <= 48 && layout.grid > 2 * size) {}
    const Layout& layout() const { return layout_; }
    std::int64_t d() const { return d_; }
    // Sample (sx, sy) of pixel (px, py).
    Point sample(int px, int py, int sx, int sy) const {
        return {(2LL * (px * samples_ + sx) + 1) * layout_.grid,
                (2LL * (py * samples_ + sy) + 1) * layout_.grid};
    }
    // A box edge, on the nearest pixel boundary when snapping.
    std::int64_t edge(int e) const {
        if (!snap_) return e * d_;
        const std::int64_t pixel = (2LL * e * size_ + layout_.grid) / (2LL * layout_.grid);
        return pixel * 2 * samples_ * layout_.grid;
    }
    bool inBox(const Point& p, const Box& b) const {
        return p.x >= edge(b.l) && p.x < edge(b.r) && p.y >= edge(b.t) && p.y < edge(b.b);
    }
    bool inCircle(const Point& p, std::int64_t cx, std::int64_t cy, int radius) const {
        const std::int64_t dx = p.x - cx, dy = p.y - cy, rr = radius * d_;
        return dx * dx + dy * dy <= rr * rr;
    }
    bool inRoundBox(const Point& p, const Box& b, int radius) const {
        if (!inBox(p, b)) return false;
        const std::int64_t l = edge(b.l), t = edge(b.t), r = edge(b.r), bottom = edge(b.b), rr = radius * d_;
        const std::int64_t cx = p.x < l + rr ? l + rr : p.x >= r - rr ? r - rr : -1;
        const std::int64_t cy = p.y < t + rr ? t + rr : p.y >= bottom - rr ? bottom - rr : -1;
        return cx < 0 || cy < 0 || inCircle(p, cx, cy, radius);
    }
    bool inTriangle(const Point& p, const std::array<int, 6>& v) const {
        for (int i = 0; i < 3; ++i) {
            const std::int64_t ax = v[2 * i] * d_, ay = v[2 * i + 1] * d_;
            const std::int64_t bx = v[(2 * i + 2) % 6] * d_, by = v[(2 * i + 3) % 6] * d_;
            if ((bx - ax) * (p.y - ay) - (by - ay) * (p.x - ax) < 0) return false;
        }
        return true;
    }

private:
    const Layout& layout_;
    int size_, samples_;
    std::int64_t d_;
    bool snap_;
};

// Premultiplied colour being built up, back to front.
struct Accum {
    int r = 0, g = 0, b = 0, a = 0;
    void over(int cr, int cg, int cb, int ca) {
        r = (cr * ca + r * (255 - ca) + 127) / 255;
        g = (cg * ca + g * (255 - ca) + 127) / 255;
        b = (cb * ca + b * (255 - ca) + 127) / 255;
        a = (255 * ca + a * (255 - ca) + 127) / 255;
    }
};

// `flat`: one colour for the video instead of a gradient, which palettes can't show.
Accum scene(const Canvas& cv, const Point& p, bool flat) {
    const Layout& lay = cv.layout();
    Accum c;
    // Pane: dark frame and caption around a translucent body.
    const bool inPane = cv.inRoundBox(p, lay.pane, lay.paneRadius);
    const bool inBody = cv.inRoundBox(p, lay.body, lay.bodyRadius);
    if (inPane && !inBody) c.over(0x1D, 0x35, 0x57, 255);
    if (inBody) c.over(0xA8, 0xD8, 0xFF, 120);
    if (cv.inBox(p, lay.captionLine)) c.over(0xE8, 0xEE, 0xF5, 170);
    if (lay.dotRadius > 0) {
        if (cv.inCircle(p, lay.dot1x * cv.d(), lay.doty * cv.d(), lay.dotRadius))
            c.over(0xE8, 0xEE, 0xF5, 230);
        if (cv.inCircle(p, lay.dot2x * cv.d(), lay.doty * cv.d(), lay.dotRadius))
            c.over(0xFF, 0x6B, 0x5B, 230);
    }
    // The video the pane is clipped to: a light rim, a dark picture and a play mark.
    if (cv.inBox(p, lay.rim) && !cv.inBox(p, lay.video)) c.over(0xFF, 0xFF, 0xFF, 240);
    if (cv.inBox(p, lay.video)) {
        const std::int64_t top = cv.edge(lay.video.t), height = cv.edge(lay.video.b) - top;
        std::int64_t t = flat ? 96 : (p.y - top) * 256 / height;
        t = t < 0 ? 0 : t > 256 ? 256 : t;
        const auto mix = [t](int from, int to) { return static_cast<int>(from + (to - from) * t / 256); };
        c.over(mix(0x2E, 0x0A), mix(0x4A, 0x12), mix(0x86, 0x26), 255);
    }
    if (cv.inTriangle(p, lay.play)) c.over(0xFF, 0xB7, 0x03, 255);
    return c;
}

// Renders one size with samples x samples points per pixel, averaged.
std::vector<Rgba> render(int size, bool flat) {
    const Layout& layout = size == 16 ? k16 : size == 20 ? k20 : kLarge;
    const int samples = size <= 48 ? 16 : 8;
    const Canvas cv(layout, size, samples);
    std::vector<Rgba> out(static_cast<size_t>(size * size));
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            std::int64_t sr = 0, sg = 0, sb = 0, sa = 0;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const Accum c = scene(cv, cv.sample(px, py, sx, sy), flat);
                    sr += c.r, sg += c.g, sb += c.b, sa += c.a;
                }
            }
            const std::int64_t n = samples * samples;
            Rgba& o = out[static_cast<size_t>(py * size + px)];
            o.a = static_cast<int>((sa + n / 2) / n);
            if (sa > 0) {
                o.r = static_cast<int>((sr * 255 + sa / 2) / sa);
                o.g = static_cast<int>((sg * 255 + sa / 2) / sa);
                o.b = static_cast<int>((sb * 255 + sa / 2) / sa);
            }
        }
    }
    return out;
}

// ---- Byte output -------------------------------------------------------------------------

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void put32be(Bytes& b, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<std::uint8_t>(v >> s));
}

// ---- Palettes for the 8-bit and 4-bit images ---------------------------------------------

using Palette = std::vector<std::array<int, 3>>;

Palette vgaPalette() {
    return {{0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
            {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
            {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
}

Palette palette256() {
    Palette p = vgaPalette();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p.push_back({r * 51, g * 51, b * 51});
    for (int i = 0; i < 24; ++i) p.push_back({8 + 10 * i, 8 + 10 * i, 8 + 10 * i});
    return p;
}

int nearest(const Palette& pal, int r, int g, int b) {
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < pal.size(); ++i) {
        const long dr = r - pal[i][0], dg = g - pal[i][1], db = b - pal[i][2];
        const long dist = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (bestDist < 0 || dist < bestDist) bestDist = dist, best = static_cast<int>(i);
    }
    return best;
}

// ---- BMP images (the icon's DIB form) ----------------------------------------------------

int rowBytes(int width, int bits) {
    return (width * bits + 31) / 32 * 4;
}

// 32-bit images keep their alpha; palette images are opaque where alpha reaches 96, with
// the translucent parts laid over white, and transparent elsewhere.
Bytes dibImage(const std::vector<Rgba>& px, int size, int bits) {
    Bytes b;
    const int xorRow = rowBytes(size, bits), andRow = rowBytes(size, 1);
    const Palette pal = bits == 8 ? palette256() : bits == 4 ? vgaPalette() : Palette{};
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(size));
    put32(b, static_cast<std::uint32_t>(size * 2));
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(bits));
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>((xorRow + andRow) * size));
    for (int i = 0; i < 4; ++i) put32(b, 0);
    for (const auto& c : pal) {
        b.push_back(static_cast<std::uint8_t>(c[2]));
        b.push_back(static_cast<std::uint8_t>(c[1]));
        b.push_back(static_cast<std::uint8_t>(c[0]));
        b.push_back(0);
    }
    Bytes mask;
    for (int y = size - 1; y >= 0; --y) {
        Bytes row(static_cast<size_t>(xorRow)), maskRow(static_cast<size_t>(andRow));
        for (int x = 0; x < size; ++x) {
            const Rgba& p = px[static_cast<size_t>(y * size + x)];
            const bool transparent = bits == 32 ? p.a == 0 : p.a < 96;
            if (transparent)
                maskRow[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            if (bits == 32) {
                row[static_cast<size_t>(4 * x)] = static_cast<std::uint8_t>(p.b);
                row[static_cast<size_t>(4 * x + 1)] = static_cast<std::uint8_t>(p.g);
                row[static_cast<size_t>(4 * x + 2)] = static_cast<std::uint8_t>(p.r);
                row[static_cast<size_t>(4 * x + 3)] = static_cast<std::uint8_t>(p.a);
                continue;
            }
            int index = 0;
            if (!transparent) {
                const auto onWhite = [&p](int v) { return (v * p.a + 255 * (255 - p.a) + 127) / 255; };
                index = nearest(pal, onWhite(p.r), onWhite(p.g), onWhite(p.b));
            }
            if (bits == 8) {
                row[static_cast<size_t>(x)] = static_cast<std::uint8_t>(index);
            } else {
                row[static_cast<size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
            }
        }
        b.insert(b.end(), row.begin(), row.end());
        mask.insert(mask.end(), maskRow.begin(), maskRow.end());
    }
    b.insert(b.end(), mask.begin(), mask.end());
    return b;
}

// ---- PNG (for 256 px): zlib stream with fixed-Huffman deflate and greedy LZ77 ------------

class BitWriter {
public:
    explicit BitWriter(Bytes& out) : out_(out) {}
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) {
            acc_ |= ((value >> i) & 1u) << fill_;
            if (++fill_ == 8) flushByte();
        }
    }
    // Huffman codes go out most significant bit first.
    void code(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bits((value >> i) & 1u, 1);
    }
    void finish() {
        if (fill_) flushByte();
    }

private:
    void flushByte() {
        out_.push_back(static_cast<std::uint8_t>(acc_));
        acc_ = 0, fill_ = 0;
    }
    Bytes& out_;
    std::uint32_t acc_ = 0;
    int fill_ = 0;
};

void literal(BitWriter& w, int v) {
    if (v < 144)
        w.code(0x30 + v, 8);
    else if (v < 256)
        w.code(0x190 + v - 144, 9);
    else if (v < 280)
        w.code(v - 256, 7);
    else
        w.code(0xC0 + v - 280, 8);
}

void match(BitWriter& w, int length, int distance) {
    static const int lenBase[] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int lenExtra[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const int distBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const int distExtra[] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int l = 28;
    while (lenBase[l] > length) --l;
    literal(w, 257 + l);
    w.bits(static_cast<std::uint32_t>(length - lenBase[l]), lenExtra[l]);
    int d = 29;
    while (distBase[d] > distance) --d;
    w.code(static_cast<std::uint32_t>(d), 5);
    w.bits(static_cast<std::uint32_t>(distance - distBase[d]), distExtra[d]);
}

Bytes zlibCompress(const Bytes& in) {
    Bytes out{0x78, 0x01};
    BitWriter w(out);
    w.bits(1, 1);  // last block
    w.bits(1, 2);  // fixed Huffman codes
    constexpr int kWindow = 32768, kMaxChain = 64, kMaxLen = 258;
    std::vector<int> head(1 << 16, -1), prev(in.size(), -1);
    const auto hash = [&in](size_t i) { return ((in[i] << 10) ^ (in[i + 1] << 5) ^ in[i + 2]) & 0xFFFF; };
    const auto insert = [&](size_t i) {
        if (i + 2 >= in.size()) return;
        const int h = hash(i);
        prev[i] = head[static_cast<size_t>(h)];
        head[static_cast<size_t>(h)] = static_cast<int>(i);
    };
    size_t i = 0;
    while (i < in.size()) {
        int bestLen = 0, bestDist = 0;
        if (i + 2 < in.size()) {
            int candidate = head[static_cast<size_t>(hash(i))];
            for (int chain = 0; candidate >= 0 && chain < kMaxChain; ++chain) {
                const size_t c = static_cast<size_t>(candidate);
                if (i - c > kWindow) break;
                int len = 0;
                while (len < kMaxLen && i + static_cast<size_t>(len) < in.size() &&
                       in[c + static_cast<size_t>(len)] == in[i + static_cast<size_t>(len)])
                    ++len;
                if (len > bestLen) bestLen = len, bestDist = static_cast<int>(i - c);
                candidate = prev[c];
            }
        }
        if (bestLen >= 3) {
            match(w, bestLen, bestDist);
            for (int k = 0; k < bestLen; ++k) insert(i + static_cast<size_t>(k));
            i += static_cast<size_t>(bestLen);
        } else {
            literal(w, in[i]);
            insert(i);
            ++i;
        }
    }
    literal(w, 256);
    w.finish();
    std::uint32_t s1 = 1, s2 = 0;
    for (std::uint8_t v : in) s1 = (s1 + v) % 65521, s2 = (s2 + s1) % 65521;
    put32be(out, (s2 << 16) | s1);
    return out;
}

std::uint32_t crc32(const std::uint8_t* p, size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void chunk(Bytes& png, const char* type, const Bytes& data) {
    put32be(png, static_cast<std::uint32_t>(data.size()));
    const size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32be(png, crc32(&png[start], png.size() - start));
}

int paeth(int a, int b, int c) {
    const int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p,
              pc = p > c ? p - c : c - p;
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

Bytes pngImage(const std::vector<Rgba>& px, int size) {
    const size_t stride = static_cast<size_t>(size) * 4;
    Bytes raw, prior(stride, 0);
    for (int y = 0; y < size; ++y) {
        Bytes line(stride);
        for (int x = 0; x < size; ++x) {
            const Rgba& p = px[static_cast<size_t>(y * size + x)];
            const size_t o = static_cast<size_t>(x) * 4;
            line[o] = static_cast<std::uint8_t>(p.r), line[o + 1] = static_cast<std::uint8_t>(p.g);
            line[o + 2] = static_cast<std::uint8_t>(p.b), line[o + 3] = static_cast<std::uint8_t>(p.a);
        }
        // Each row takes the filter with the smallest sum of magnitudes.
        Bytes best;
        long bestCost = -1;
        for (int f = 0; f < 5; ++f) {
            Bytes out{static_cast<std::uint8_t>(f)};
            long cost = 0;
            for (size_t i = 0; i < stride; ++i) {
                const int a = i >= 4 ? line[i - 4] : 0, b = prior[i], c = i >= 4 ? prior[i - 4] : 0;
                const int pred = f == 0 ? 0 : f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : paeth(a, b, c);
                const auto v = static_cast<std::uint8_t>(line[i] - pred);
                out.push_back(v);
                cost += v < 128 ? v : 256 - v;
            }
            if (bestCost < 0 || cost < bestCost) bestCost = cost, best = std::move(out);
        }
        raw.insert(raw.end(), best.begin(), best.end());
        prior = line;
    }
    Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    put32be(ihdr, static_cast<std::uint32_t>(size));
    put32be(ihdr, static_cast<std::uint32_t>(size));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, no interlace
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", zlibCompress(raw));
    chunk(png, "IEND", {});
    return png;
}

// ---- The icon file -----------------------------------------------------------------------

struct Image {
    int size;
    int bits;
    Bytes data;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.ico\n");
        return 2;
    }
    const int sizes32[] = {16, 20, 24, 32, 40, 48, 256};
    const int sizesPalette[] = {16, 24, 32, 48};
    std::vector<Image> images;
    for (int s : sizes32) {
        const auto px = render(s, false);
        images.push_back({s, 32, s == 256 ? pngImage(px, s) : dibImage(px, s, 32)});
    }
    for (int bits : {8, 4}) {
        for (int s : sizesPalette) images.push_back({s, bits, dibImage(render(s, true), s, bits)});
    }

    Bytes ico;
    put16(ico, 0);
    put16(ico, 1);  // icon
    put16(ico, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const Image& im : images) {
        ico.push_back(static_cast<std::uint8_t>(im.size & 0xFF));  // 256 is written as 0
        ico.push_back(static_cast<std::uint8_t>(im.size & 0xFF));
        ico.push_back(static_cast<std::uint8_t>(im.bits == 4 ? 16 : 0));
        ico.push_back(0);
        put16(ico, 1);
        put16(ico, static_cast<std::uint32_t>(im.bits));
        put32(ico, static_cast<std::uint32_t>(im.data.size()));
        put32(ico, offset);
        offset += static_cast<std::uint32_t>(im.data.size());
    }
    for (const Image& im : images) ico.insert(ico.end(), im.data.begin(), im.data.end());

    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool ok = std::fwrite(ico.data(), 1, ico.size(), f) == ico.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
