// Quoted-printable line decoders. "=XY" gives one byte, soft line breaks ("=" CR LF,
// "=" LF) join lines; "_" stays an underscore. The output is bounded by the capacity
// when one is given, else by the line size of the library.
#include "quoted_printable.h"

#include "dorvik.h"

namespace dorvik {
namespace {

// Hex digit value as quoted-printable decoding takes it: letters run on past F (so a
// malformed pair still yields a byte), any other byte counts 0.
int qp_value(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return 0;
}

} // namespace

int decode_qp(const char* in, char* out, int cap, bool stop_at_soft) {
    if (out == nullptr) return 0;
    const int limit = cap > 0 ? cap : DORVIK_LINE_CAP;
    int n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(in ? in : "");
    while (*p != '\0' && n < limit - 1) {
        if (*p != '=') {
            out[n++] = static_cast<char>(*p++);
            continue;
        }
        const unsigned char a = p[1];
        if (a == '\0') break; // "=" at the end of the input
        if (a == '\n') {
            if (stop_at_soft) break;
            p += 2;
            continue;
        }
        const unsigned char b = p[2];
        if (a == '\r' && b == '\n') {
            if (stop_at_soft) break;
            p += 3;
            continue;
        }
        // "=" and one byte before the end: an escape cut short, nothing to decode.
        if (b == '\0') break;
        if (b == '\n' && stop_at_soft) break;
        out[n++] = static_cast<char>((qp_value(a) * 16 + qp_value(b)) & 0xFF);
        p += 3;
    }
    out[n] = '\0';
    return n;
}

} // namespace dorvik

extern "C" int DecodeLineQ(const char* in, int /*size*/, char* out, int cap) {
    dorvik::decode_qp(in, out, cap, false);
    return 0;
}

extern "C" int DecodeLineQ_ML(const char* in, int /*size*/, char* out, int cap) {
    dorvik::decode_qp(in, out, cap, true);
    return 0;
}
