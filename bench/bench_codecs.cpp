// Throughput of Dorvik's line codecs against glibc iconv(3) on the same corpus of
// mail-length lines, both converting line by line. Prints Google Benchmark's figures and
// then a table of MB/s and ratios.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "corpus.h"
#include "dorvik.h"
#include "iconv_line.h"

namespace {

constexpr uint64_t kSeed = 20240501;
constexpr size_t kLines = 40000;
// Output capacity of every call: the body-line size the readers pass.
constexpr int kOutCap = DORVIK_LINE_CAP;

bench::Corpus g_corpus;

// One Dorvik call on one line; the output buffer has kOutCap bytes.
using DorvikCall = std::function<void(std::string& line, char* out)>;

struct Contest {
    const char* id;    // benchmark name prefix
    const char* label; // row of the table
    std::vector<std::string>* input;
    DorvikCall dorvik;
    const char* iconv_from; // charset of the iconv twin, or nullptr
    // Checks the outputs against the corpus; returns the number of lines that differ.
    std::function<size_t(const std::vector<std::string>& outputs)> check;
    size_t dorvik_mismatch = 0;
    size_t iconv_mismatch = 0;
};

size_t compare_lines(const std::vector<std::string>& got, const std::vector<std::string>& want) {
    size_t bad = 0;
    for (size_t i = 0; i < want.size(); ++i)
        if (i >= got.size() || got[i] != want[i]) ++bad;
    return bad;
}

std::vector<std::string> run_dorvik(Contest& c) {
    std::vector<std::string> outputs;
    std::vector<char> out(kOutCap);
    for (auto& line : *c.input) {
        std::string copy = line; // some calls rewrite their input in place
        c.dorvik(copy, out.data());
        outputs.emplace_back(out.data());
    }
    return outputs;
}

std::vector<std::string> run_iconv(const Contest& c) {
    bench::IconvLine cd("CP932", c.iconv_from);
    std::vector<std::string> outputs;
    std::vector<char> out(kOutCap);
    for (const auto& line : *c.input) {
        cd.convert(line.data(), line.size(), out.data(), out.size());
        outputs.emplace_back(out.data());
    }
    return outputs;
}

void bench_dorvik(benchmark::State& state, Contest* c) {
    std::vector<char> out(kOutCap);
    const size_t bytes = bench::total_bytes(*c->input);
    for (auto _ : state) {
        for (auto& line : *c->input) {
            c->dorvik(line, out.data());
            benchmark::DoNotOptimize(out.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void bench_iconv(benchmark::State& state, Contest* c) {
    bench::IconvLine cd("CP932", c->iconv_from);
    std::vector<char> out(kOutCap);
    const size_t bytes = bench::total_bytes(*c->input);
    for (auto _ : state) {
        for (const auto& line : *c->input) {
            benchmark::DoNotOptimize(cd.convert(line.data(), line.size(), out.data(), out.size()));
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// Console output as usual, and the bytes per second of each benchmark kept for the table
// (the median when repetitions are asked for).
class TableReporter : public benchmark::ConsoleReporter {
  public:
    TableReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const auto it = run.counters.find("bytes_per_second");
            if (it == run.counters.end()) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                rate[run.run_name.function_name] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rate;
};

std::vector<Contest> make_contests() {
    bench::Corpus& k = g_corpus;
    std::vector<Contest> contests;
    contests.push_back({"JIS_to_SJIS", "ISO-2022-JP -> Shift_JIS", &k.jis,
                        [](std::string& l, char* out) {
                            StrJIS2SJIS(l.c_str(), static_cast<int>(l.size() + 1), out, kOutCap);
                        },
                        "ISO-2022-JP", [&k](const auto& got) { return compare_lines(got, k.sjis); }});
    contests.push_back({"EUC_to_SJIS", "EUC-JP -> Shift_JIS", &k.euc,
                        [](std::string& l, char* out) {
                            StrEUC2SJIS(l.c_str(), static_cast<int>(l.size() + 1), out, kOutCap);
                        },
                        "EUC-JP", [&k](const auto& got) { return compare_lines(got, k.sjis); }});
    contests.push_back({"UTF8_to_SJIS", "UTF-8 -> Shift_JIS", &k.utf8,
                        [](std::string& l, char* out) {
                            char pending[DORVIK_PENDING_CAP] = "";
                            StrUTF2SJIS(l.data(), static_cast<int>(l.size() + 1), out, kOutCap, 8, pending);
                        },
                        "UTF-8", [&k](const auto& got) { return compare_lines(got, k.sjis); }});
    contests.push_back({"DecodeLineB64", "Base64 body lines (76 chars)", &k.b64_lines,
                        [](std::string& l, char* out) {
                            DecodeLineB64(l.c_str(), static_cast<int>(l.size() + 1), out, kOutCap);
                        },
                        nullptr,
                        [&k](const auto& got) {
                            std::string joined;
                            for (const auto& s : got)
                                joined += s;
                            return static_cast<size_t>(joined == k.b64_source ? 0 : 1);
                        }});
    contests.push_back({"DecodeLineQ", "Quoted-printable UTF-8 lines", &k.qp_lines,
                        [](std::string& l, char* out) {
                            DecodeLineQ(l.c_str(), static_cast<int>(l.size() + 1), out, kOutCap);
                        },
                        nullptr,
                        [&k](const auto& got) {
                            std::vector<std::string> joined;
                            size_t begin = 0;
                            for (size_t end : k.qp_ends) {
                                std::string s;
                                for (size_t i = begin; i < end; ++i)
                                    s += got[i];
                                joined.push_back(std::move(s));
                                begin = end;
                            }
                            return compare_lines(joined, k.utf8);
                        }});
    contests.push_back({"StrCheck_Head", "Header values (encoded words)", &k.headers,
                        [](std::string& l, char* out) {
                            char value[DORVIK_LINE_CAP];
                            std::memcpy(value, l.c_str(), l.size() + 1);
                            StrCheck_Head(value, out);
                        },
                        nullptr, [&k](const auto& got) { return compare_lines(got, k.header_texts); }});
    return contests;
}

void print_table(const std::vector<Contest>& contests, const std::map<std::string, double>& rate) {
    auto mbps = [&rate](const std::string& name) {
        const auto it = rate.find(name);
        return it == rate.end() ? -1.0 : it->second / 1e6;
    };
    std::printf("\nLine-by-line throughput, MB/s of input (1 MB = 10^6 bytes)\n");
    std::printf("%-32s %12s %12s %14s\n", "conversion", "Dorvik", "iconv", "Dorvik/iconv");
    for (const Contest& c : contests) {
        const double d = mbps(std::string(c.id) + "/dorvik");
        const double i = c.iconv_from ? mbps(std::string(c.id) + "/iconv") : -1.0;
        char dtext[32] = "-", itext[32] = "-", rtext[32] = "-";
        if (d >= 0) std::snprintf(dtext, sizeof dtext, "%.1f", d);
        if (i >= 0) std::snprintf(itext, sizeof itext, "%.1f", i);
        if (d >= 0 && i > 0) std::snprintf(rtext, sizeof rtext, "%.2f", d / i);
        std::printf("%-32s %12s %12s %14s\n", c.label, dtext, itext, rtext);
    }
    std::printf("\nOutput checked against the corpus before timing (lines that differ):\n");
    for (const Contest& c : contests) {
        std::printf("  %-30s Dorvik %zu", c.label, c.dorvik_mismatch);
        if (c.iconv_from) std::printf(", iconv %zu", c.iconv_mismatch);
        std::printf("\n");
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    g_corpus = bench::make_corpus(kSeed, kLines);
    std::printf("Corpus: %zu lines, seed %llu; Shift_JIS %.2f MB, ISO-2022-JP %.2f MB, EUC-JP %.2f MB, "
                "UTF-8 %.2f MB, Base64 %.2f MB, quoted-printable %.2f MB, headers %.2f MB\n",
                g_corpus.sjis.size(), static_cast<unsigned long long>(kSeed),
                bench::total_bytes(g_corpus.sjis) / 1e6, bench::total_bytes(g_corpus.jis) / 1e6,
                bench::total_bytes(g_corpus.euc) / 1e6, bench::total_bytes(g_corpus.utf8) / 1e6,
                bench::total_bytes(g_corpus.b64_lines) / 1e6, bench::total_bytes(g_corpus.qp_lines) / 1e6,
                bench::total_bytes(g_corpus.headers) / 1e6);

    std::vector<Contest> contests = make_contests();
    for (Contest& c : contests) {
        c.dorvik_mismatch = c.check(run_dorvik(c));
        benchmark::RegisterBenchmark((std::string(c.id) + "/dorvik").c_str(), bench_dorvik, &c);
        if (c.iconv_from) {
            c.iconv_mismatch = c.check(run_iconv(c));
            benchmark::RegisterBenchmark((std::string(c.id) + "/iconv").c_str(), bench_iconv, &c);
        }
    }
    std::fflush(stdout);

    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    print_table(contests, reporter.rate);
    return 0;
}
