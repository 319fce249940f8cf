#include "headless/script.h"

#include <algorithm>

#include "front/recorder.h"
#include "live/text.h"

namespace {

constexpr int MAX_WORDS = 2 + FLT_VALUE_COUNT; // the longest command has ten; one more tells "too many"

struct Words {
    std::string w[MAX_WORDS];
    int n; // words seen, counted past MAX_WORDS
};

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Blanks separate words; '#' at the start of a word starts a comment. A word in double quotes may hold
// blanks and '#', with \" for a quote and \\ for a backslash. Returns why the line cannot be split, else
// nothing.
std::string split_words(std::string_view line, Words* out) {
    *out = Words{};
    size_t i = 0;
    for (;;) {
        while (i < line.size() && is_blank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') return {};
        std::string word;
        if (line[i] == '"') {
            for (++i;; ++i) {
                if (i == line.size()) return "missing closing quote";
                char c = line[i];
                if (c == '"') break;
                if (c == '\\') {
                    if (i + 1 == line.size() || (line[i + 1] != '"' && line[i + 1] != '\\'))
                        return "bad escape " + headless_quoted(line.substr(i, 2)) +
                               " in quotes (only \\\" and \\\\)";
                    c = line[++i];
                }
                word += c;
            }
            if (++i < line.size() && !is_blank(line[i])) return "no blank after the closing quote";
        } else {
            size_t start = i;
            while (i < line.size() && !is_blank(line[i])) ++i;
            word.assign(line.substr(start, i - start));
        }
        if (out->n < MAX_WORDS) out->w[out->n] = std::move(word);
        ++out->n;
    }
}

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Decimal digits only, at most `limit`.
bool parse_unsigned(std::string_view s, uint64_t limit, uint64_t* out) {
    if (!all_digits(s)) return false;
    uint64_t v = 0;
    for (char c : s) {
        uint64_t d = static_cast<uint64_t>(c - '0');
        if (v > (limit - d) / 10) return false;
        v = v * 10 + d;
    }
    *out = v;
    return true;
}

// A signed decimal that fits 32 bits.
bool parse_int32(std::string_view s, int32_t* out) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    uint64_t v = 0;
    if (!parse_unsigned(s, negative ? 2147483648ull : 2147483647ull, &v)) return false;
    *out = static_cast<int32_t>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
    return true;
}

enum DurationResult { DURATION_OK, DURATION_BAD, DURATION_TOO_LONG };

DurationResult parse_duration(std::string_view s, uint64_t* ms) {
    uint64_t unit = 0;
    if (s.ends_with("ms")) {
        unit = 1;
        s.remove_suffix(2);
    } else if (s.ends_with("s")) {
        unit = 1000;
        s.remove_suffix(1);
    } else {
        return DURATION_BAD;
    }
    if (!all_digits(s)) return DURATION_BAD;
    uint64_t v = 0;
    if (!parse_unsigned(s, HEADLESS_MAX_WAIT_MS / unit, &v)) return DURATION_TOO_LONG;
    *ms = v * unit;
    return DURATION_OK;
}

bool parse_color(std::string_view s, uint32_t* out) {
    if (s.size() != 10 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
    uint32_t v = 0;
    for (char c : s.substr(2)) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else
            return false;
        v = v << 4 | d;
    }
    *out = v;
    return true;
}

bool parse_button(std::string_view s, HostButton* out) {
    if (s == "view")
        *out = HOST_BUTTON_VIEW;
    else if (s == "left")
        *out = HOST_BUTTON_LEFT;
    else if (s == "right")
        *out = HOST_BUTTON_RIGHT;
    else if (s == "both")
        *out = HOST_BUTTON_BOTH;
    else
        return false;
    return true;
}

struct CommandForm {
    const char* name;
    HeadlessOp op;
    int min_args, max_args;
    const char* usage;
};

constexpr CommandForm COMMAND_FORMS[] = {
    {"wait", HL_WAIT, 1, 1, "wait DURATION"},
    {"press", HL_PRESS, 1, 1, "press BUTTON"},
    {"release", HL_RELEASE, 1, 1, "release BUTTON"},
    {"click", HL_CLICK, 1, 1, "click BUTTON"},
    {"hold", HL_HOLD, 2, 2, "hold BUTTON DURATION"},
    {"mouse", HL_MOUSE_DOWN, 3, 3, "mouse down|up X Y"},
    {"local-time", HL_LOCAL_TIME, 1, 1, "local-time HH:MM:SS"},
    {"probe", HL_PROBE, 2, 2, "probe X Y"},
    {"expect", HL_EXPECT, 3, 3, "expect X Y 0xAARRGGBB"},
    {"shot", HL_SHOT, 1, 2, "shot FILE [SCALE]"},
    {"window", HL_WINDOW, 1, 1, "window FILE"},
    {"dump", HL_DUMP, 1, 1, "dump FILE"},
    {"flight", HL_FLIGHT, 1, FLT_VALUE_COUNT, "flight KEY=VALUE ... or flight clear"},
};

std::string flight_keys() {
    std::string keys;
    for (int32_t i = 0; i < FLT_VALUE_COUNT; ++i)
        keys += std::string(i == 0 ? "" : i + 1 == FLT_VALUE_COUNT ? " or " : ", ") + FLT_VALUES[i].key;
    return keys;
}

// "clear", or KEY=VALUE and KEY=- pairs, each key at most once.
std::string parse_flight(const Words& words, HeadlessCommand* cmd) {
    const int args = words.n - 1;
    if (words.w[1] == "clear") {
        if (args != 1) return "'clear' stands alone: flight clear";
        cmd->flight_unset = FLT_ALL_GIVEN;
        return {};
    }
    for (int a = 1; a <= args; ++a) {
        std::string_view word = words.w[a];
        size_t eq = word.find('=');
        if (eq == std::string_view::npos) return "expected KEY=VALUE or clear, got " + headless_quoted(word);
        std::string_view key = word.substr(0, eq), value = word.substr(eq + 1);
        int32_t id = flt_key_id(key);
        if (id < 0) return "unknown flight value " + headless_quoted(key) + " (" + flight_keys() + ")";
        if (((cmd->flight_set | cmd->flight_unset) >> id & 1u) != 0)
            return headless_quoted(key) + " given twice";
        if (value == "-") {
            cmd->flight_unset |= 1u << id;
            continue;
        }
        if (!live_parse_number(value, &cmd->flight_value[id]))
            return "bad number " + headless_quoted(value) + " for " + std::string(key) +
                   " (a decimal number such as -12.5, or - for not given)";
        cmd->flight_set |= 1u << id;
    }
    return {};
}

// A file name as written: any bytes but control characters.
std::string file_name(const std::string& word, std::string* out) {
    if (word.empty()) return "empty file name";
    for (char c : word)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return "control character in file name " + headless_quoted(word);
    *out = word;
    return {};
}

// Parses one line that has at least one word; returns the reason when it is malformed, else empty.
std::string parse_command(const Words& words, HeadlessCommand* cmd) {
    const CommandForm* form = nullptr;
    for (const CommandForm& f : COMMAND_FORMS)
        if (words.w[0] == f.name) form = &f;
    if (!form) return "unknown command " + headless_quoted(words.w[0]) + " (see --help)";
    int args = words.n - 1;
    if (args < form->min_args || args > form->max_args)
        return "wrong number of words for " + headless_quoted(words.w[0]) + ": expected '" + form->usage +
               "'";
    cmd->op = form->op;
    std::string_view a1 = words.w[1], a2 = words.w[2], a3 = words.w[3];

    auto duration = [&](std::string_view s) -> std::string {
        DurationResult d = parse_duration(s, &cmd->duration_ms);
        if (d == DURATION_OK) return {};
        if (d == DURATION_TOO_LONG)
            return "duration " + headless_quoted(s) + " is over the limit of " +
                   std::to_string(HEADLESS_MAX_WAIT_HOURS) + " hours (" +
                   std::to_string(HEADLESS_MAX_WAIT_MS / 1000) + "s)";
        return "bad duration " + headless_quoted(s) +
               " (a whole number followed by ms or s, e.g. 10ms or 2s)";
    };
    auto button = [&](std::string_view s) -> std::string {
        if (parse_button(s, &cmd->button)) return {};
        return "unknown button " + headless_quoted(s) + " (view, left, right or both)";
    };
    auto coordinate = [&](std::string_view s, const char* axis, int32_t limit, int32_t* out) -> std::string {
        if (!parse_int32(s, out)) return "bad number " + headless_quoted(s) + " for " + axis;
        if (limit > 0 && (*out < 0 || *out >= limit))
            return std::string(axis) + " " + std::to_string(*out) + " is outside the frame (0-" +
                   std::to_string(limit - 1) + ")";
        return {};
    };

    std::string e;
    switch (form->op) {
    case HL_WAIT:
        return duration(a1);
    case HL_PRESS:
    case HL_RELEASE:
    case HL_CLICK:
        return button(a1);
    case HL_HOLD:
        if (!(e = button(a1)).empty()) return e;
        return duration(a2);
    case HL_MOUSE_DOWN:
    case HL_MOUSE_UP:
        if (a1 == "up")
            cmd->op = HL_MOUSE_UP;
        else if (a1 != "down")
            return "bad mouse action " + headless_quoted(a1) + " (down or up)";
        if (!(e = coordinate(a2, "X", 0, &cmd->x)).empty()) return e;
        return coordinate(a3, "Y", 0, &cmd->y);
    case HL_LOCAL_TIME:
        if (headless_parse_time(a1, &cmd->time)) return {};
        return "bad time " + headless_quoted(a1) + " (HH:MM:SS, hours 0-23)";
    case HL_EXPECT:
        if (!parse_color(a3, &cmd->color))
            return "bad colour " + headless_quoted(a3) + " (0x and 8 hex digits: 0xAARRGGBB)";
        [[fallthrough]];
    case HL_PROBE:
        if (!(e = coordinate(a1, "X", FRAME_WIDTH, &cmd->x)).empty()) return e;
        return coordinate(a2, "Y", FRAME_HEIGHT, &cmd->y);
    case HL_SHOT:
        cmd->scale = 1;
        if (args == 2) {
            uint64_t s = 0;
            if (!parse_unsigned(a2, 1000, &s) || s < 1 || s > HEADLESS_MAX_SCALE)
                return "bad scale " + headless_quoted(a2) + " (a whole number 1-8)";
            cmd->scale = static_cast<int32_t>(s);
        }
        return file_name(words.w[1], &cmd->file);
    case HL_WINDOW:
    case HL_DUMP:
        return file_name(words.w[1], &cmd->file);
    case HL_FLIGHT:
        return parse_flight(words, cmd);
    }
    return "unknown command " + headless_quoted(words.w[0]);
}

// A recording of the window starts with its header line and is complete only with its end line; one
// without would replay to exit 0 though it never reached the frame the window showed last.
bool unfinished_recording(std::string_view text) {
    std::string_view first = text.substr(0, text.find('\n'));
    if (!first.starts_with(RECORDER_HEADER_START) ||
        first.find(" session recorded ") == std::string_view::npos)
        return false;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line == RECORDER_END_LINE) return false;
        pos = end + 1;
    }
    return true;
}

} // namespace

// A word as it may appear inside a one-line message: quoted, control bytes escaped, long words cut.
std::string headless_quoted(std::string_view word) {
    constexpr size_t MAX_SHOWN = 40;
    std::string s = "'";
    for (size_t i = 0; i < word.size() && i < MAX_SHOWN; ++i) {
        auto c = static_cast<unsigned char>(word[i]);
        if (c >= 0x20 && c < 0x7F) {
            s += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            s += hex;
        }
    }
    if (word.size() > MAX_SHOWN) s += "...";
    return s + "'";
}

std::string headless_shown_name(std::string_view name) {
    constexpr size_t MAX_SHOWN = 60, HEAD = 28;
    if (name.size() <= MAX_SHOWN) return std::string(name);
    // Cut between characters, never inside one of UTF-8's several bytes.
    auto starts_char = [&](size_t i) { return (static_cast<unsigned char>(name[i]) & 0xC0) != 0x80; };
    size_t head = HEAD, tail = name.size() - (MAX_SHOWN - HEAD - 3);
    while (head > 0 && !starts_char(head)) --head;
    while (tail < name.size() && !starts_char(tail)) ++tail;
    return std::string(name.substr(0, head)) + "..." + std::string(name.substr(tail));
}

bool headless_parse_time(std::string_view text, ClockTime* out) {
    size_t c1 = text.find(':');
    if (c1 == std::string_view::npos || c1 < 1 || c1 > 2 || text.size() != c1 + 6 || text[c1 + 3] != ':')
        return false;
    std::string_view h = text.substr(0, c1), m = text.substr(c1 + 1, 2), s = text.substr(c1 + 4, 2);
    uint64_t hv, mv, sv;
    if (!parse_unsigned(h, 23, &hv) || !parse_unsigned(m, 59, &mv) || !parse_unsigned(s, 59, &sv))
        return false;
    // Any fixed date will do: Saturday, 1 January 2000.
    *out = ClockTime{
        2000, 1, 6, 1, static_cast<uint16_t>(hv), static_cast<uint16_t>(mv), static_cast<uint16_t>(sv), 0};
    return true;
}

bool headless_parse(std::string_view name, std::string_view text, HeadlessScript* out, std::string* error) {
    out->name.assign(name);
    out->commands.clear();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    int line_no = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++line_no;
        Words words;
        std::string why = split_words(line, &words);
        if (why.empty() && words.n == 0) continue;
        HeadlessCommand cmd{};
        cmd.line = line_no;
        if (why.empty()) why = parse_command(words, &cmd);
        if (!why.empty()) {
            *error = out->name + ":" + std::to_string(line_no) + ": " + why;
            return false;
        }
        out->commands.push_back(std::move(cmd));
    }
    if (unfinished_recording(text)) {
        *error = out->name + ": an unfinished recording (no '" + RECORDER_END_LINE +
                 "' line): the window never completed it; delete its first line to replay what it holds";
        return false;
    }
    return true;
}
