// The cache index: an IDLIST.IDX and an IDLIST.IDL made from the input are looked up,
// appended to and updated through the call-by-call functions in one work folder and through
// the in-memory IdIndex in another; every answer and the index files left behind must be
// the same.
// Input: one byte of flags, IDLIST.IDX up to the first NUL, IDLIST.IDL up to the next, then
// operations: one byte (the kind and its arguments) and a key up to the next NUL.
// Cache files exist for the index entries whose cache name starts with an odd byte.
#include "fuzz_support.h"

#include <filesystem>
#include <optional>
#include <vector>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/id_index.h"

namespace {

// A file next to the work folders that a cache name such as "../victim" would reach: no file
// operation of the index may touch it.
std::string canary() {
    return fuzz::temp_dir() + "/victim.emf";
}

void create_cache_files(const std::string& dir, const std::string& index) {
    std::size_t start = 0;
    while (start < index.size()) {
        std::size_t end = index.find('\n', start);
        if (end == std::string::npos) end = index.size();
        const std::vector<std::string_view> f =
            corvex::SplitFields(std::string_view(index).substr(start, end - start));
        if (f.size() >= 2 && !f[1].empty() && (f[1][0] & 1) && f[1].find('\0') == std::string_view::npos) {
            // A name that is not a cache name has no file (its path is empty).
            const std::string path = corvex::CacheFilePath(dir, f[1]);
            if (!path.empty()) fuzz::write_file(path, "x");
        }
        start = end + 1;
    }
}

bool same(const std::optional<corvex::IndexEntry>& a, const std::optional<corvex::IndexEntry>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->key == b->key && a->cache_name == b->cache_name && a->lines == b->lines);
}

// An empty folder: nothing of the last input stays behind.
std::string fresh_dir(const char* name) {
    const std::string dir = fuzz::temp_dir(name);
    std::filesystem::remove_all(dir);
    return fuzz::temp_dir(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const std::string index = in.until('\0');
    const std::string visited = in.until('\0');

    fuzz::write_file(canary(), "canary");
    const std::string calls = fresh_dir("calls");
    const std::string memory = fresh_dir("memory");
    for (const std::string* dir : {&calls, &memory}) {
        if (!(flags & 1)) fuzz::write_file(corvex::WorkFilePath(*dir, corvex::kIndexFileName), index);
        if (!(flags & 2)) fuzz::write_file(corvex::WorkFilePath(*dir, corvex::kLastVisitListName), visited);
        create_cache_files(*dir, index);
    }

    bool flushed_ok = true;
    {
        corvex::IdIndex held(memory);
        int n = 0;
        while (!in.empty()) {
            const uint8_t op = in.byte();
            const std::string key = in.until('\0');
            const int lines = static_cast<int>(op >> 3) - 4; // -4 .. 27
            switch (op % 3) {
            case 0:
                if (!same(corvex::IndexLookup(calls, key), held.Lookup(key))) fuzz::fail("lookup differs");
                break;
            case 1: {
                const std::string cache_name = "1-1211020304-" + std::to_string(++n);
                if (!corvex::IndexAppend(calls, key, cache_name, lines) ||
                    !held.Append(key, cache_name, lines))
                    fuzz::fail("append failed");
                if (op & 4) {
                    fuzz::write_file(corvex::CacheFilePath(calls, cache_name), "x");
                    fuzz::write_file(corvex::CacheFilePath(memory, cache_name), "x");
                }
                break;
            }
            default: {
                const bool purge = (op & 4) != 0;
                const corvex::IndexUpdateResult a = corvex::IndexUpdate(calls, key, lines, purge);
                const corvex::IndexUpdateResult b = held.Update(key, lines, purge);
                if (a.result != b.result || a.cache_name != b.cache_name || a.lines != b.lines)
                    fuzz::fail("update differs");
                break;
            }
            }
            if (op & 0x80 && !held.Flush()) flushed_ok = false;
        }
        if (!held.Flush()) flushed_ok = false;
    }
    if (!flushed_ok) fuzz::fail("flush failed");
    if (fuzz::read_file(corvex::WorkFilePath(calls, corvex::kIndexFileName)) !=
        fuzz::read_file(corvex::WorkFilePath(memory, corvex::kIndexFileName)))
        fuzz::fail("index files differ");

    if (fuzz::read_file(canary()) != "canary") fuzz::fail("a file outside the work folder was touched");

    corvex::VisitListReset(calls);
    corvex::VisitListAppend(calls, "k");
    corvex::VisitListPromote(calls);
    return 0;
}
