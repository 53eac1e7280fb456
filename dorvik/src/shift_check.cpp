// CheckKIN and CheckKIN_Q: does a JIS line (raw, or quoted-printable with ESC written "=1B")
// end inside a double-byte run? Used to carry the shift state over to the next body line.
#include <cstring>

#include "dorvik.h"
#include "jis_rules.h"

namespace {

using dorvik::kEsc;

bool backslash_pair(const char* p) {
    return p[0] == '\\' && (p[1] == '\\' || p[1] == '(' || p[1] == ')');
}

bool raw_enter(const char* p) {
    return p[0] == kEsc && p[1] == '$' && (p[2] == '@' || p[2] == 'B');
}
bool raw_leave(const char* p) {
    return p[0] == kEsc && p[1] == '(' && (p[2] == 'B' || p[2] == 'J' || p[2] == 'H');
}
bool raw_any_enter(const char* p) {
    return p[0] == kEsc && p[1] == '$' && p[2] != '\0';
}

bool qp_esc(const char* p) {
    return p[0] == '=' && p[1] == '1' && p[2] == 'B';
}
bool qp_enter(const char* p) {
    return qp_esc(p) && p[3] == '$' && (p[4] == '@' || p[4] == 'B');
}
bool qp_leave(const char* p) {
    return qp_esc(p) && p[3] == '(' && (p[4] == 'B' || p[4] == 'J' || p[4] == 'H');
}
bool qp_any_enter(const char* p) {
    return qp_esc(p) && p[3] == '$' && p[4] != '\0';
}

// "=" followed by CR LF, by LF or by the end of the text: a soft line break.
bool soft_break(const char* p) {
    return p[0] == '=' && (p[1] == '\0' || p[1] == '\n' || (p[1] == '\r' && (p[2] == '\n' || p[2] == '\0')));
}

bool line_end(char c) {
    return c == '\0' || c == '\r' || c == '\n';
}

} // namespace

extern "C" int CheckKIN(const char* jis) {
    if (!jis) return 0;
    int result = 0;
    bool dbcs = false;
    const char* p = jis;
    while (*p) {
        if (!dbcs) {
            if (raw_enter(p)) {
                dbcs = true;
                result = 1;
                p += 3;
            } else if (raw_leave(p)) {
                p += 3;
            } else {
                p += backslash_pair(p) ? 2 : 1;
            }
        } else if (raw_any_enter(p)) {
            p += 3;
        } else if (raw_leave(p)) {
            dbcs = false;
            result = 0;
            p += 3;
        } else {
            if (line_end(p[1])) return 2; // the pair is cut after its first byte
            p += 2;
        }
    }
    return result;
}

extern "C" int CheckKIN_Q(const char* qp) {
    if (!qp) return 0;
    int result = 0;
    bool dbcs = false;
    const char* p = qp;
    while (*p) {
        if (!dbcs) {
            if (qp_enter(p)) {
                dbcs = true;
                result = 1;
                p += 5;
            } else if (qp_leave(p)) {
                p += 5;
            } else {
                p += backslash_pair(p) ? 2 : 1;
            }
        } else if (qp_any_enter(p)) {
            p += 5;
        } else if (qp_leave(p)) {
            dbcs = false;
            result = 0;
            p += 5;
        } else {
            if (soft_break(p)) return result; // the run is cut between two pairs
            if (soft_break(p + 1)) return 2;  // pair cut after its first byte
            if (std::strncmp(p, "=3D", 3) == 0 && soft_break(p + 3)) return 3; // first byte "=3D"
            if (p[1] == '\0') return 2; // text ends after the first byte of a pair
            p += 2;
        }
    }
    return result;
}
