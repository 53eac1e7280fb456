// Deterministic corpus of mail-length lines (about 70 bytes, Japanese mixed with ASCII),
// generated as Shift_JIS from a fixed seed; the other forms are derived with iconv(3).
#ifndef PELMORA_BENCH_CORPUS_H
#define PELMORA_BENCH_CORPUS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct Corpus {
    std::vector<std::string> sjis; // the generated lines
    std::vector<std::string> jis;  // ISO-2022-JP form of each line
    std::vector<std::string> euc;  // EUC-JP form
    std::vector<std::string> utf8; // UTF-8 form

    // The ISO-2022-JP lines joined by CR LF as one body, Base64-encoded in 76-character lines.
    std::string b64_source;
    std::vector<std::string> b64_lines;

    // The UTF-8 lines in quoted-printable, each cut into lines of at most 76 characters with
    // soft breaks; qp_ends[i] is one past the last physical line of logical line i.
    std::vector<std::string> qp_lines;
    std::vector<size_t> qp_ends;

    // Subject-like header values of RFC 2047 encoded words (ISO-2022-JP B, UTF-8 B and Q),
    // with the Shift_JIS text each should decode to.
    std::vector<std::string> headers;
    std::vector<std::string> header_texts;
};

Corpus make_corpus(uint64_t seed, size_t lines);

size_t total_bytes(const std::vector<std::string>& lines);

} // namespace bench

#endif
