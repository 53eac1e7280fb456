#include "corvex/engine/id_index.h"

#include <unordered_set>
#include <utility>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"

namespace corvex {

namespace {

std::optional<IndexEntry> ParseLine(std::string_view line) {
    const std::vector<std::string_view> f = SplitFields(line);
    IndexEntry e;
    // A second field that is not a cache name is no entry: it never becomes a path.
    if (f.size() < 3 || !IsCacheName(f[1]) || !ParseDecimal(f[2], e.lines)) return std::nullopt;
    e.key = std::string(f[0]);
    e.cache_name = std::string(f[1]);
    return e;
}

// The line IndexAppend writes.
std::string AppendedLine(std::string_view key, std::string_view cache_name, int lines) {
    return OneLine(key) + " " + OneLine(cache_name) + " " + std::to_string(lines);
}

// The line a rewrite writes for an entry read from the index.
std::string CanonicalLine(const IndexEntry& e) {
    return e.key + " " + e.cache_name + " " + std::to_string(e.lines);
}

std::string IndexPath(const std::string& work_dir) {
    return JoinPath(work_dir, kIndexFileName);
}
std::string IndexTempPath(const std::string& work_dir) {
    return JoinPath(work_dir, kIndexTempName);
}

bool Usable(const std::string& work_dir, const IndexEntry& e, int wanted) {
    return IndexEntryUsable(e.lines, wanted) && FileExists(CacheFilePath(work_dir, e.cache_name));
}

// The keys of IDLIST.IDL, or nothing when it is missing.
std::optional<std::unordered_set<std::string>> LastVisitKeys(const std::string& work_dir) {
    CrlfReader in(JoinPath(work_dir, kLastVisitListName));
    if (!in.is_open()) return std::nullopt;
    std::unordered_set<std::string> keys;
    std::string line;
    while (in.ReadLine(line))
        for (std::string_view word : SplitFields(line))
            keys.emplace(word);
    return keys;
}

// Result bookkeeping shared by both forms: the first kept entry names the result, else the
// first dropped one.
struct KeyOutcome {
    IndexUpdateResult r;
    bool named = false;
    void Kept(const IndexEntry& e) {
        if (r.result == kIndexEntryKept) return;
        r = {kIndexEntryKept, e.cache_name, e.lines};
        named = true;
    }
    void Dropped(const IndexEntry& e) {
        if (named) return;
        r = {kIndexNoEntry, e.cache_name, e.lines};
        named = true;
    }
};

} // namespace

bool IndexEntryUsable(int stored, int wanted) {
    return (wanted >= 0 || stored == wanted) && (wanted <= 0 || stored <= 0 || stored >= wanted);
}

std::optional<IndexEntry> IndexLookup(const std::string& work_dir, std::string_view key) {
    CrlfReader in(IndexPath(work_dir));
    std::string line;
    while (in.ReadLine(line)) {
        std::optional<IndexEntry> e = ParseLine(line);
        if (e && e->key == key) return e;
    }
    return std::nullopt;
}

bool IndexAppend(const std::string& work_dir, std::string_view key, std::string_view cache_name, int lines) {
    CrlfWriter out(IndexPath(work_dir), CrlfWriter::Mode::Append);
    out.WriteLine(AppendedLine(key, cache_name, lines));
    return out.Close();
}

IndexUpdateResult IndexUpdate(const std::string& work_dir, std::string_view key, int lines_wanted,
                              bool purge) {
    CrlfReader in(IndexPath(work_dir));
    if (!in.is_open()) return {kIndexMissing, {}, 0};
    const std::string temp = IndexTempPath(work_dir);
    CrlfWriter out(temp, CrlfWriter::Mode::Create);
    if (!out.is_open()) return {kIndexCopyError, {}, 0};
    std::optional<std::unordered_set<std::string>> on_server;
    if (purge) on_server = LastVisitKeys(work_dir);

    KeyOutcome outcome;
    bool dropped = false;
    std::string line;
    while (in.ReadLine(line)) {
        std::optional<IndexEntry> e = ParseLine(line);
        if (!e) continue;
        if (on_server && !on_server->count(e->key)) {
            RemoveFile(CacheFilePath(work_dir, e->cache_name));
            dropped = true;
            continue;
        }
        if (e->key == key) {
            if (!Usable(work_dir, *e, lines_wanted)) {
                outcome.Dropped(*e);
                dropped = true;
                continue;
            }
            outcome.Kept(*e);
        }
        out.WriteLine(CanonicalLine(*e));
    }
    in.Close();
    const bool written = out.Close();
    if (!dropped) {
        RemoveFile(temp);
        return outcome.r;
    }
    if (!written || !ReplaceFile(temp, IndexPath(work_dir))) {
        RemoveFile(temp);
        return {kIndexCopyError, {}, 0};
    }
    return outcome.r;
}

bool VisitListReset(const std::string& work_dir) {
    return RemoveFile(JoinPath(work_dir, kVisitListName));
}

bool VisitListAppend(const std::string& work_dir, std::string_view key) {
    CrlfWriter out(JoinPath(work_dir, kVisitListName), CrlfWriter::Mode::Append);
    out.WriteLine(OneLine(key));
    return out.Close();
}

bool VisitListPromote(const std::string& work_dir) {
    const std::string visits = JoinPath(work_dir, kVisitListName);
    if (!FileExists(visits)) return false;
    return ReplaceFile(visits, JoinPath(work_dir, kLastVisitListName));
}

IdIndex::IdIndex(std::string work_dir) : work_dir_(std::move(work_dir)) {
    CrlfReader in(IndexPath(work_dir_));
    exists_ = in.is_open();
    std::string line;
    while (in.ReadLine(line))
        Add({std::string(), ParseLine(line), true, 0});
    file_lines_ = lines_.size();
}

IdIndex::~IdIndex() {
    if (dirty()) Flush();
}

void IdIndex::Add(Line line) {
    if (line.entry) {
        by_key_[line.entry->key].push_back(lines_.size());
        names_.insert(line.entry->cache_name);
    }
    lines_.push_back(std::move(line));
}

std::optional<IndexEntry> IdIndex::Lookup(std::string_view key) const {
    const auto it = by_key_.find(std::string(key));
    if (it == by_key_.end()) return std::nullopt;
    for (std::size_t i : it->second)
        if (lines_[i].live) return lines_[i].entry;
    return std::nullopt;
}

bool IdIndex::Append(std::string_view key, std::string_view cache_name, int lines) {
    std::string raw = AppendedLine(key, cache_name, lines);
    std::optional<IndexEntry> entry = ParseLine(raw);
    Add({std::move(raw), std::move(entry), true, ++op_});
    exists_ = true;
    return true;
}

IndexUpdateResult IdIndex::Update(std::string_view key, int lines_wanted, bool purge) {
    if (!exists_) return {kIndexMissing, {}, 0};
    KeyOutcome outcome;
    bool dropped = false;
    // Entries are decided in file order, as the call-by-call update reads them: a purged cache
    // file is gone for the entries after it.
    auto decide = [&](Line& l, const std::unordered_set<std::string>* on_server) {
        if (!l.live || !l.entry) return;
        if (on_server && !on_server->count(l.entry->key)) {
            RemoveFile(CacheFilePath(work_dir_, l.entry->cache_name));
            l.live = false;
            dropped = true;
            return;
        }
        if (l.entry->key != key) return;
        if (Usable(work_dir_, *l.entry, lines_wanted)) {
            outcome.Kept(*l.entry);
        } else {
            outcome.Dropped(*l.entry);
            l.live = false;
            dropped = true;
        }
    };
    const auto on_server = purge ? LastVisitKeys(work_dir_) : std::nullopt;
    const auto it = by_key_.find(std::string(key));
    if (on_server) {
        for (Line& l : lines_)
            decide(l, &*on_server);
    } else if (it != by_key_.end()) {
        for (std::size_t i : it->second)
            decide(lines_[i], nullptr);
    }
    if (it != by_key_.end()) std::erase_if(it->second, [&](std::size_t i) { return !lines_[i].live; });
    if (dropped) {
        rewritten_ = true;
        last_rewrite_ = ++op_;
    }
    return outcome.r;
}

void IdIndex::Visited(std::string_view key) {
    visited_.emplace(key);
}

int IdIndex::DropUnvisited() {
    std::unordered_set<std::string> kept_names;
    std::vector<std::string> gone_names;
    int dropped = 0;
    for (Line& l : lines_) {
        if (!l.live || !l.entry) continue;
        if (visited_.count(l.entry->key)) {
            kept_names.insert(l.entry->cache_name);
            continue;
        }
        l.live = false;
        ++dropped;
        gone_names.push_back(l.entry->cache_name);
        by_key_.erase(l.entry->key);
    }
    for (const std::string& name : gone_names)
        if (!kept_names.count(name)) RemoveFile(CacheFilePath(work_dir_, name));
    if (dropped > 0) {
        rewritten_ = true;
        last_rewrite_ = ++op_;
    }
    return dropped;
}

bool IdIndex::Flush() {
    if (!dirty()) return true;
    const std::string path = IndexPath(work_dir_);
    if (!rewritten_) {
        CrlfWriter out(path, CrlfWriter::Mode::Append);
        for (std::size_t i = file_lines_; i < lines_.size(); ++i)
            out.WriteLine(lines_[i].raw);
        if (!out.Close()) return false;
        for (std::size_t i = file_lines_; i < lines_.size(); ++i) {
            lines_[i].raw.clear();
            lines_[i].seq = 0;
        }
        file_lines_ = lines_.size();
        return true;
    }

    // Lines appended after the last drop are still as appended; everything before it went
    // through that rewrite: entries in their canonical form, lines without an entry left out.
    const std::string temp = IndexTempPath(work_dir_);
    std::vector<Line> kept;
    CrlfWriter out(temp, CrlfWriter::Mode::Create);
    for (const Line& l : lines_) {
        const bool as_appended = l.seq > last_rewrite_;
        if (l.entry ? !l.live : !as_appended) continue;
        out.WriteLine(as_appended ? l.raw : CanonicalLine(*l.entry));
        kept.push_back({std::string(), l.entry, true, 0});
    }
    if (!out.Close() || !ReplaceFile(temp, path)) {
        RemoveFile(temp);
        return false;
    }
    lines_.clear();
    by_key_.clear();
    for (Line& l : kept)
        Add(std::move(l));
    file_lines_ = lines_.size();
    rewritten_ = false;
    exists_ = true;
    return true;
}

} // namespace corvex
