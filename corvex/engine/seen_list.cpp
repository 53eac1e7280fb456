#include "corvex/engine/seen_list.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "corvex/engine/crlf_file.h"

namespace corvex {

namespace {

SeenResult Decide(int match_position, int keys, int server_count) {
    const int length = keys + 1;
    if (match_position == 0) return {length, length};
    const int state = match_position <= server_count ? kSeenToBeTrimmed : kSeenInList;
    if (state == kSeenToBeTrimmed && length < kSeenListTrimLength) return {kSeenInList, length};
    return {state, length};
}

// Writes keys [drop, end) to .NEW and puts it in place of the list.
template <typename Keys> bool RewriteWithout(const SeenFiles& files, const Keys& keys, std::size_t drop) {
    CrlfWriter out(files.trim_copy, CrlfWriter::Mode::Create);
    if (!out.is_open()) return false;
    for (std::size_t i = drop; i < keys.size(); ++i)
        out.WriteLine(keys[i]);
    if (!out.Close()) {
        RemoveFile(files.trim_copy);
        return false;
    }
    return ReplaceFile(files.trim_copy, files.list);
}

std::size_t DropCount(int server_count, int keys_before_pass, std::size_t keys) {
    const int drop = std::max(0, std::min(server_count, keys_before_pass));
    return std::min(static_cast<std::size_t>(drop), keys);
}

} // namespace

SeenResult SeenCheck(const SeenFiles& files, std::string_view key, int server_count) {
    CrlfReader in(files.list);
    if (!in.is_open()) return {kSeenNoList, 0};
    int number = 0;
    int match = 0;
    std::string line;
    while (in.ReadLine(line)) {
        for (std::string_view word : SplitFields(line)) {
            ++number;
            if (word == key) match = number;
        }
    }
    return Decide(match, number, server_count);
}

int SeenAppend(const SeenFiles& files, std::string_view key) {
    CrlfWriter out(files.list, CrlfWriter::Mode::Append);
    if (!out.is_open()) return kSeenNoList;
    out.WriteLine(OneLine(key));
    return out.Close() ? 0 : kSeenNoList;
}

bool SeenTrim(const SeenFiles& files, int server_count, int list_length, int keys_before_pass) {
    if (list_length <= kSeenListTrimLength) return false;
    std::vector<std::string> keys;
    {
        CrlfReader in(files.list);
        if (!in.is_open()) return false;
        std::string line;
        while (in.ReadLine(line))
            for (std::string_view word : SplitFields(line))
                keys.emplace_back(word);
    }
    return RewriteWithout(files, keys, DropCount(server_count, keys_before_pass, keys.size()));
}

SeenList::SeenList(SeenFiles files) : files_(std::move(files)) {
    CrlfReader in(files_.list);
    exists_ = in.is_open();
    std::string line;
    while (in.ReadLine(line))
        for (std::string_view word : SplitFields(line))
            Push(word);
    keys_before_pass_ = static_cast<int>(keys_.size());
}

void SeenList::Push(std::string_view word) {
    keys_.emplace_back(word);
    last_position_[keys_.back()] = static_cast<int>(keys_.size());
}

SeenResult SeenList::Check(std::string_view key, int server_count) const {
    if (!exists_) return {kSeenNoList, 0};
    const auto it = last_position_.find(std::string(key));
    return Decide(it == last_position_.end() ? 0 : it->second, static_cast<int>(keys_.size()), server_count);
}

int SeenList::Append(std::string_view key) {
    exists_ = true;
    changed_ = true;
    // The key may fall apart into several words, as the readers of the file will see it.
    const std::string line = OneLine(key);
    for (std::string_view word : SplitFields(line))
        Push(word);
    return 0;
}

bool SeenList::Trim(int server_count, int list_length) {
    if (list_length <= kSeenListTrimLength) return false;
    if (!exists_) return false;
    const std::size_t drop = DropCount(server_count, keys_before_pass_, keys_.size());
    keys_.erase(keys_.begin(), keys_.begin() + static_cast<std::ptrdiff_t>(drop));
    last_position_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i)
        last_position_[keys_[i]] = static_cast<int>(i + 1);
    keys_before_pass_ = static_cast<int>(keys_.size());
    changed_ = true; // the list is written anew, as the call-by-call trim does
    return true;
}

bool SeenList::WriteCopy() {
    if (!changed_) return true;
    CrlfWriter out(files_.trim_copy, CrlfWriter::Mode::Create);
    for (const std::string& key : keys_)
        out.WriteLine(key);
    if (!out.Close()) {
        error_ = out.error();
        RemoveFile(files_.trim_copy);
        return false;
    }
    copy_written_ = true;
    return true;
}

bool SeenList::Commit() {
    if (!changed_) return true;
    if (!copy_written_ && !WriteCopy()) return false;
    if (!ReplaceFile(files_.trim_copy, files_.list)) {
        error_ = errno;
        Discard();
        return false;
    }
    copy_written_ = false;
    changed_ = false;
    return true;
}

void SeenList::Discard() {
    if (copy_written_) RemoveFile(files_.trim_copy);
    copy_written_ = false;
}

bool SeenRestoreFromTl(const SeenFiles& files) {
    if (!FileExists(files.restore)) return false;
    return ReplaceFile(files.restore, files.list);
}

bool SeenCopyToGr(const SeenFiles& files) {
    CrlfReader in(files.list);
    CrlfWriter out(files.snapshot, CrlfWriter::Mode::Create);
    if (in.is_open() && out.is_open()) {
        std::string line;
        while (in.ReadLine(line))
            for (std::string_view word : SplitFields(line))
                out.WriteLine(word);
        if (out.Close()) return true;
    }
    out.Close();
    CrlfWriter empty(files.snapshot, CrlfWriter::Mode::Create);
    empty.Close();
    return false;
}

bool SeenGrToTl(const SeenFiles& files) {
    if (!FileExists(files.snapshot)) return false;
    return ReplaceFile(files.snapshot, files.restore);
}

bool SeenRemoveGr(const SeenFiles& files) {
    return RemoveFile(files.snapshot);
}
bool SeenRemoveTl(const SeenFiles& files) {
    return RemoveFile(files.restore);
}

} // namespace corvex
