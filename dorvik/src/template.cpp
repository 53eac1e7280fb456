// Template expansion: the text functions #MID, #LEFT and #RIGHT, the message variables,
// and the character counting they use.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cache_values.h"
#include "dorvik.h"
#include "reader/text_util.h"

namespace dorvik {
namespace {

// Deeper nesting of text functions is refused as malformed.
constexpr int kMaxFunctionDepth = 32;

// Replaces the variables in `text`: at each step the earliest variable, the longest name
// where two start at the same place. At most `cap` bytes are produced.
std::string ExpandVariables(const char* path, const std::string& text, int mode, std::size_t cap) {
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size() && out.size() < cap) {
        std::size_t at = text.find('%', pos);
        if (at == std::string::npos) break;
        int best = -1;
        std::size_t best_len = 0;
        for (int v = 0; v < kTemplateVarCount; ++v) {
            const char* name = TemplateVarName(static_cast<TemplateVar>(v));
            std::size_t len = std::strlen(name);
            if (len > best_len && text.compare(at, len, name) == 0) {
                best = v;
                best_len = len;
            }
        }
        if (best < 0) {
            out.append(text, pos, at + 1 - pos);
            pos = at + 1;
            continue;
        }
        out.append(text, pos, at - pos);
        std::size_t room = cap > out.size() ? cap - out.size() : 0;
        out += ReadCacheValue(path, static_cast<TemplateVar>(best), mode, room);
        pos = at + best_len;
    }
    if (pos < text.size() && out.size() < cap) out.append(text, pos, std::string::npos);
    return out;
}

// Copies `s` into the caller's buffer: zero-filled to `cap`, cut at a character boundary.
void CopyOut(const std::string& s, char* out, int cap) {
    std::memset(out, 0, static_cast<std::size_t>(cap));
    BoundedString dst(out, static_cast<std::size_t>(cap));
    dst.Append(s.data(), s.size());
}

// Characters of a Shift_JIS text (a double-byte character counts as one).
int CountChars(const char* s) {
    int n = 0;
    for (int step; (step = CharBytes(s)) != 0; s += step)
        ++n;
    return n;
}

const char* SkipChars(const char* s, int count) {
    for (int step; count > 0 && (step = CharBytes(s)) != 0; --count)
        s += step;
    return s;
}

const char* const kFunctions[] = {"#MID", "#LEFT", "#RIGHT"};

// Index of the function whose name (followed by "(") starts at `s`, else -1.
int FunctionCallAt(const std::string& s, std::size_t at) {
    for (int f = 0; f < 3; ++f) {
        std::size_t len = std::strlen(kFunctions[f]);
        if (s.compare(at, len, kFunctions[f]) == 0 && at + len < s.size() && s[at + len] == '(') return f;
    }
    return -1;
}

// Position of the ")" that closes the "(" at `open`, nested parentheses counted; npos if none.
std::size_t ClosingParen(const std::string& s, std::size_t open) {
    int depth = 0;
    for (std::size_t i = open; i < s.size(); ++i) {
        if (s[i] == '(') {
            ++depth;
        } else if (s[i] == ')' && --depth == 0) {
            return i;
        }
    }
    return std::string::npos;
}

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

int ToNumber(const std::string& s) {
    return static_cast<int>(std::strtol(s.c_str(), nullptr, 10));
}

struct Expander {
    const char* path;
    int mode;
    std::size_t cap;

    int Expand(const std::string& text, int depth, std::string& out);
    int Call(int function, const std::string& args, int depth, std::string& out);
};

// Evaluates one call; `args` is the text between its parentheses.
int Expander::Call(int function, const std::string& args, int depth, std::string& out) {
    // The text argument ends at the first ","; when it is itself a call, after that call.
    std::size_t lead = args.find_first_not_of(" \t");
    std::size_t comma;
    if (lead != std::string::npos && args[lead] == '#' && FunctionCallAt(args, lead) >= 0) {
        std::size_t close = ClosingParen(args, args.find('(', lead));
        if (close == std::string::npos) return -1;
        comma = args.find(',', close);
        if (comma == std::string::npos) return -1;
    } else {
        comma = args.find(',');
    }
    std::vector<std::string> numbers;
    for (std::size_t from = comma; from != std::string::npos;) {
        std::size_t next = args.find(',', from + 1);
        numbers.push_back(Trim(args.substr(from + 1, next == std::string::npos ? next : next - from - 1)));
        from = next;
    }
    const bool is_mid = function == 0;
    if (numbers.empty() || numbers.size() > (is_mid ? 2u : 1u)) return -1;

    std::string inner;
    if (Expand(Trim(args.substr(0, comma)), depth + 1, inner) != 0) return -1;
    const std::string text = ExpandVariables(path, inner, mode, cap);

    const char* s = text.c_str();
    const char* begin = s;
    const char* end = s + text.size();
    if (is_mid) {
        begin = SkipChars(s, ToNumber(numbers[0]) - 1);
        if (numbers.size() == 2) {
            int count = ToNumber(numbers[1]);
            end = count > 0 ? SkipChars(begin, count) : begin;
        }
    } else if (function == 1) {
        int count = ToNumber(numbers[0]);
        end = count > 0 ? SkipChars(s, count) : s;
    } else {
        int count = ToNumber(numbers[0]);
        int total = CountChars(s);
        begin = count <= 0 ? end : SkipChars(s, total > count ? total - count : 0);
    }
    out.append(begin, static_cast<std::size_t>(end - begin));
    return 0;
}

int Expander::Expand(const std::string& text, int depth, std::string& out) {
    if (depth > kMaxFunctionDepth) return -1;
    std::size_t pos = 0;
    for (;;) {
        std::size_t at = std::string::npos;
        int function = -1;
        for (int f = 0; f < 3; ++f) {
            std::size_t found = text.find(kFunctions[f], pos);
            if (found < at) {
                at = found;
                function = f;
            }
        }
        if (function < 0) {
            out.append(text, pos, std::string::npos);
            return 0;
        }
        out.append(text, pos, at - pos);
        std::size_t open = at + std::strlen(kFunctions[function]);
        if (open >= text.size() || text[open] != '(') {
            pos = open; // a call without "(" yields nothing
            continue;
        }
        std::size_t close = ClosingParen(text, open);
        if (close == std::string::npos) return -1;
        if (Call(function, text.substr(open + 1, close - open - 1), depth, out) != 0) return -1;
        pos = close + 1;
    }
}

} // namespace
} // namespace dorvik

using namespace dorvik;

extern "C" int CheckFunction(const char* path, const char* tmpl, char* out, int cap, int mode) {
    if (out == nullptr || cap <= 0) return -1;
    try {
        std::string text = tmpl != nullptr ? tmpl : "";
        std::string result;
        Expander expander{path, mode, static_cast<std::size_t>(cap)};
        int status = expander.Expand(text, 0, result);
        CopyOut(status == 0 ? result : std::string(), out, cap);
        return status;
    } catch (const std::bad_alloc&) {
        std::memset(out, 0, static_cast<std::size_t>(cap));
        return -1;
    }
}

extern "C" int ConvTemplate(const char* path, char* tmpl, char* out, int cap, int mode) {
    if (out == nullptr || cap <= 0) return 0;
    try {
        std::string text = tmpl != nullptr ? tmpl : "";
        CopyOut(ExpandVariables(path, text, mode, static_cast<std::size_t>(cap)), out, cap);
    } catch (const std::bad_alloc&) {
        std::memset(out, 0, static_cast<std::size_t>(cap));
    }
    return 0;
}

extern "C" int StringLenW(const char* s) {
    if (s == nullptr) return 0;
    int n = CountChars(s);
    return n == 0 ? 1 : n;
}

extern "C" intptr_t StringPlus(const char* s, int count) {
    if (s == nullptr) return 0;
    return reinterpret_cast<intptr_t>(count <= 0 ? s : SkipChars(s, count));
}
