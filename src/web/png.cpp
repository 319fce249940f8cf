#include "web/png.h"

#include <array>
#include <cstring>

namespace {

// The filtered rows of the largest picture, each a filter byte and RGB triples: deflate looks back over
// them, so they are laid out whole before compressing.
constexpr size_t RAW_MAX = (1 + 3 * static_cast<size_t>(WEB_PNG_MAX_WIDTH)) * WEB_PNG_MAX_HEIGHT;
uint8_t raw[RAW_MAX];

// LZ77 match finder: the latest position of each 3-byte hash, and the previous one with the same hash
// within the 32 KiB window.
constexpr int HASH_BITS = 15;
constexpr int WINDOW = 32768;
constexpr int MAX_CHAIN = 16;
constexpr int MIN_MATCH = 3, MAX_MATCH = 258;
int32_t head[1 << HASH_BITS];
int32_t prev[WINDOW];

constexpr std::array<uint32_t, 256> CRC_TABLE = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}();

uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) c = CRC_TABLE[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(const uint8_t* p, size_t n) {
    uint32_t a = 1, b = 0;
    while (n > 0) {
        size_t run = n < 5552 ? n : 5552; // the most bytes before the sums can overflow
        n -= run;
        while (run-- > 0) {
            a += *p++;
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return b << 16 | a;
}

struct Out {
    uint8_t* p;
    size_t n, cap;
    bool full;
    uint32_t acc; // bits not yet written, the first in the lowest bit
    int bits;
};

void put_byte(Out* o, uint8_t b) {
    if (o->n < o->cap)
        o->p[o->n++] = b;
    else
        o->full = true;
}

void put_be32(Out* o, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) put_byte(o, static_cast<uint8_t>(v >> s));
}

// Deflate packs values from the lowest bit up.
void put_bits(Out* o, uint32_t v, int n) {
    o->acc |= v << o->bits;
    o->bits += n;
    while (o->bits >= 8) {
        put_byte(o, static_cast<uint8_t>(o->acc));
        o->acc >>= 8;
        o->bits -= 8;
    }
}

// Huffman codes go highest bit first.
void put_code(Out* o, uint32_t code, int len) {
    uint32_t r = 0;
    for (int i = 0; i < len; ++i) r |= (code >> i & 1) << (len - 1 - i);
    put_bits(o, r, len);
}

// The fixed literal/length code of deflate.
void put_symbol(Out* o, int s) {
    if (s < 144)
        put_code(o, 0x30 + s, 8);
    else if (s < 256)
        put_code(o, 0x190 + s - 144, 9);
    else if (s < 280)
        put_code(o, s - 256, 7);
    else
        put_code(o, 0xC0 + s - 280, 8);
}

constexpr int LEN_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                              31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int LEN_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int DIST_BASE[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int DIST_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void put_match(Out* o, int len, int dist) {
    int l = 28;
    while (LEN_BASE[l] > len) --l;
    put_symbol(o, 257 + l);
    put_bits(o, static_cast<uint32_t>(len - LEN_BASE[l]), LEN_EXTRA[l]);
    int d = 29;
    while (DIST_BASE[d] > dist) --d;
    put_code(o, static_cast<uint32_t>(d), 5);
    put_bits(o, static_cast<uint32_t>(dist - DIST_BASE[d]), DIST_EXTRA[d]);
}

uint32_t hash3(const uint8_t* p) {
    return ((p[0] << 16 | p[1] << 8 | p[2]) * 2654435761u) >> (32 - HASH_BITS);
}

// One final block with the fixed codes, matches found greedily along short hash chains: pictures of
// flat colours and enlarged pixels shrink well enough without code tables of their own.
void deflate(Out* o, const uint8_t* in, size_t n) {
    std::memset(head, 0xFF, sizeof head);
    put_bits(o, 1, 1); // last block
    put_bits(o, 1, 2); // fixed codes
    size_t i = 0;
    auto insert = [&](size_t at) {
        uint32_t h = hash3(in + at);
        prev[at % WINDOW] = head[h];
        head[h] = static_cast<int32_t>(at);
    };
    while (i < n && !o->full) {
        int best = 0, best_dist = 0;
        if (i + MIN_MATCH <= n) {
            int32_t cand = head[hash3(in + i)];
            size_t limit = n - i < MAX_MATCH ? n - i : MAX_MATCH;
            for (int chain = 0; cand >= 0 && i - cand <= WINDOW - 1 && chain < MAX_CHAIN; ++chain) {
                size_t len = 0;
                while (len < limit && in[cand + len] == in[i + len]) ++len;
                if (static_cast<int>(len) > best) {
                    best = static_cast<int>(len);
                    best_dist = static_cast<int>(i - cand);
                    if (len == limit) break;
                }
                int32_t next = prev[cand % WINDOW];
                if (next >= cand) break; // the slot was reused by a newer position
                cand = next;
            }
        }
        if (best >= MIN_MATCH) {
            put_match(o, best, best_dist);
            for (int k = 0; k < best; ++k, ++i)
                if (i + MIN_MATCH <= n) insert(i);
        } else {
            put_symbol(o, in[i]);
            if (i + MIN_MATCH <= n) insert(i);
            ++i;
        }
    }
    put_symbol(o, 256);
    if (o->bits > 0) put_bits(o, 0, 8 - o->bits);
}

void put_chunk(Out* o, const char* type, const uint8_t* data, size_t len) {
    put_be32(o, static_cast<uint32_t>(len));
    size_t start = o->n;
    for (int i = 0; i < 4; ++i) put_byte(o, static_cast<uint8_t>(type[i]));
    for (size_t i = 0; i < len; ++i) put_byte(o, data[i]);
    put_be32(o, o->full ? 0 : crc32(o->p + start, o->n - start));
}

} // namespace

size_t web_png_encode(const uint32_t* top, int width, int height, ptrdiff_t stride, int scale, uint8_t* out,
                      size_t cap) {
    if (width < 1 || height < 1 || scale < 1 || width * scale > WEB_PNG_MAX_WIDTH ||
        height * scale > WEB_PNG_MAX_HEIGHT)
        return 0;
    const int w = width * scale, h = height * scale;
    const size_t row_bytes = 1 + 3 * static_cast<size_t>(w);
    for (int y = 0; y < h; ++y) {
        uint8_t* r = raw + static_cast<size_t>(y) * row_bytes;
        const uint32_t* src = top + (y / scale) * stride;
        *r++ = 0; // no filter
        for (int x = 0; x < w; ++x) {
            uint32_t c = src[x / scale];
            *r++ = static_cast<uint8_t>(c >> 16);
            *r++ = static_cast<uint8_t>(c >> 8);
            *r++ = static_cast<uint8_t>(c);
        }
    }
    const size_t raw_size = row_bytes * static_cast<size_t>(h);

    Out o{out, 0, cap, false, 0, 0};
    static constexpr uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (uint8_t b : SIGNATURE) put_byte(&o, b);
    uint8_t ihdr[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0, 0}; // 8 bits a channel, RGB
    for (int i = 0; i < 4; ++i) {
        ihdr[i] = static_cast<uint8_t>(static_cast<uint32_t>(w) >> (24 - 8 * i));
        ihdr[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(h) >> (24 - 8 * i));
    }
    put_chunk(&o, "IHDR", ihdr, sizeof ihdr);

    // The image data chunk: its length is known only once the zlib stream is written.
    size_t length_at = o.n;
    put_be32(&o, 0);
    size_t type_at = o.n;
    for (char c : {'I', 'D', 'A', 'T'}) put_byte(&o, static_cast<uint8_t>(c));
    put_byte(&o, 0x78); // zlib: deflate, 32 KiB window
    put_byte(&o, 0x01);
    deflate(&o, raw, raw_size);
    put_be32(&o, adler32(raw, raw_size));
    if (o.full) return 0;
    size_t data_len = o.n - type_at - 4;
    for (int i = 0; i < 4; ++i) out[length_at + i] = static_cast<uint8_t>(data_len >> (24 - 8 * i));
    put_be32(&o, crc32(out + type_at, o.n - type_at));
    put_chunk(&o, "IEND", nullptr, 0);
    return o.full ? 0 : o.n;
}
