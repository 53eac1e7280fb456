// IDLIST.IDX maps a cache key to the cache file that holds the message: one entry a line,
// "%s %s %d" of cache key, cache name and lines held (-1 = the whole message, else the body
// lines fetched), read as whitespace-separated fields; the first entry with a key wins.
// IDLIST.$DL collects the cache keys visited by a running check and becomes IDLIST.IDL,
// the keys on the server at the last completed pass.
//
// A line without three fields, whose second field is not a cache name (IsCacheName) or whose
// third field is not a number, holds no entry: the readers skip it and a rewrite of the index
// leaves it out.
//
// The free functions work on the files call by call. IdIndex is the same index held in
// memory for a whole check run (linear in the number of messages); Flush leaves the file
// exactly as the same sequence of calls of the free functions would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace corvex {

struct IndexEntry {
    std::string key;
    std::string cache_name;
    int lines = 0;
};

// The lines an entry holds when it holds the whole message.
inline constexpr int kIndexWholeMessage = -1;

// Results of IndexUpdate and IdIndex::Update (IndexUpdateResult::result).
inline constexpr int kIndexEntryKept = 1;  // a usable entry is kept (cache_name, lines are its own)
inline constexpr int kIndexNoEntry = 0;    // none (cache_name, lines: the dropped entry's, if there was one)
inline constexpr int kIndexCopyError = -1; // the copy IDLIST.$DX cannot be written
inline constexpr int kIndexMissing = -2;   // there is no IDLIST.IDX

struct IndexUpdateResult {
    // kIndexEntryKept, kIndexNoEntry, kIndexCopyError or kIndexMissing.
    int result = kIndexNoEntry;
    std::string cache_name;
    int lines = 0;
};

// Whether an entry holding `stored` lines serves a request for `wanted` lines (either may be
// kIndexWholeMessage): a whole message serves everything; a partial one up to as many lines.
bool IndexEntryUsable(int stored, int wanted);

std::optional<IndexEntry> IndexLookup(const std::string& work_dir, std::string_view key);
bool IndexAppend(const std::string& work_dir, std::string_view key, std::string_view cache_name, int lines);
// Rewrites IDLIST.IDX through IDLIST.$DX when an entry is dropped: in purge mode every entry
// whose key is not in IDLIST.IDL (its cache file is deleted too; without IDLIST.IDL nothing is
// purged), and every entry with the given key that does not serve `lines_wanted` or whose
// cache file is gone.
IndexUpdateResult IndexUpdate(const std::string& work_dir, std::string_view key, int lines_wanted,
                              bool purge);

// IDLIST.$DL and IDLIST.IDL.
bool VisitListReset(const std::string& work_dir);                        // delete IDLIST.$DL
bool VisitListAppend(const std::string& work_dir, std::string_view key); // add a line to it
bool VisitListPromote(const std::string& work_dir); // IDLIST.$DL replaces IDLIST.IDL, if it exists

class IdIndex {
  public:
    // Loads IDLIST.IDX of the work directory (a missing file is an empty index that does not exist yet).
    explicit IdIndex(std::string work_dir);
    // Writes what is still pending (errors are lost; call Flush to see them).
    ~IdIndex();
    IdIndex(const IdIndex&) = delete;
    IdIndex& operator=(const IdIndex&) = delete;

    std::optional<IndexEntry> Lookup(std::string_view key) const;
    // Whether an entry read or appended since the load names this cache file (dropped entries
    // included: their names are not handed out again during the run either).
    bool NamesCacheFile(const std::string& cache_name) const { return names_.count(cache_name) != 0; }
    // Never fails here; the line reaches the file with the next Flush.
    bool Append(std::string_view key, std::string_view cache_name, int lines);
    // As IndexUpdate, deciding at once (cache files are tested and purged cache files deleted
    // now); the rewrite of IDLIST.IDX waits for Flush. Never returns kIndexCopyError: a copy
    // that cannot be written makes Flush fail. Purge mode reads IDLIST.IDL and costs one pass
    // over the index.
    IndexUpdateResult Update(std::string_view key, int lines_wanted, bool purge);
    // The cache keys visited by the running pass (what IDLIST.$DL receives).
    void Visited(std::string_view key);
    // At the end of a complete pass: drops the entries of every key not visited (the message
    // left the server) and deletes their cache files, except a file a kept entry still names.
    // Never call it after a failed pass: its visits are incomplete. The rewrite of IDLIST.IDX
    // waits for Flush. Returns the number of entries dropped.
    int DropUnvisited();
    // Brings IDLIST.IDX up to date: appends the new lines, or rewrites the file through
    // IDLIST.$DX when entries were dropped. False when the file could not be written.
    bool Flush();
    bool dirty() const { return rewritten_ || file_lines_ < lines_.size(); }

  private:
    struct Line {
        std::string raw;                 // the line as appended (empty for lines read from the file)
        std::optional<IndexEntry> entry; // the entry as the readers see the line
        bool live = true;                // false once dropped
        std::uint64_t seq = 0;           // 0 = in the file; else the operation that appended it
    };
    void Add(Line line);

    std::string work_dir_;
    std::vector<Line> lines_;
    std::unordered_map<std::string, std::vector<std::size_t>> by_key_;
    std::unordered_set<std::string> visited_;
    std::unordered_set<std::string> names_;
    bool exists_ = false;
    std::size_t file_lines_ = 0;     // lines_[0, file_lines_) are in the file as it is
    std::uint64_t op_ = 0;           // counts appends and drops
    std::uint64_t last_rewrite_ = 0; // the last operation that dropped an entry
    bool rewritten_ = false;         // an entry was dropped since the last Flush
};

} // namespace corvex
