// The seen list of an account (ID/<user>_<host>.$ID): the message keys the user has been told
// about, one a line, read as whitespace-separated words numbered from 1. It decides which
// messages are new; past 500 keys a pass drops the oldest ones.
//
// The free functions read and write the file call by call. SeenList is the same list loaded
// once for a pass and answered from memory; its appends and trim reach the file together at
// the end of the pass, one key a line, as the free functions would have left it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "corvex/engine/data_paths.h"

namespace corvex {

// A trim happens after a pass whose last seen check found a list length above this.
inline constexpr int kSeenListTrimLength = 500;

// The states of SeenResult::result. Any positive result means the key is not in the list
// (the result is then the list length).
inline constexpr int kSeenNoList = -2; // no seen list: every message is new
inline constexpr int kSeenInList = 0;  // seen
// Seen, at a position the next trim drops (the run appends the key again).
inline constexpr int kSeenToBeTrimmed = -1;

struct SeenResult {
    // kSeenNoList, kSeenInList, kSeenToBeTrimmed, or positive: not in the list.
    int result = kSeenNoList;
    // Number of keys + 1; 0 when there is no list.
    int list_length = 0;

    // New to the user: not in the list, or no list at all.
    bool is_new() const { return result > 0 || result == kSeenNoList; }
};

// Looks the key up: the last occurrence decides; kSeenToBeTrimmed when it is among the first
// `server_count` keys and the list length is at least 500, else kSeenInList; kSeenNoList
// without a list; the list length when the key is not in it.
SeenResult SeenCheck(const SeenFiles& files, std::string_view key, int server_count);
// Adds the key as a line. 0, or kSeenNoList when the list cannot be opened or written.
int SeenAppend(const SeenFiles& files, std::string_view key);
// After a pass with at least one message: when `list_length` is above 500, the oldest keys
// are dropped through the .NEW copy: as many as `server_count`, but never more than
// `keys_before_pass` (the keys the list held before the pass; the keys this pass appended
// must survive). True when the list was rewritten.
bool SeenTrim(const SeenFiles& files, int server_count, int list_length, int keys_before_pass);

class SeenList {
  public:
    // Loads the list; the key count at this point is the pass's keys_before_pass.
    explicit SeenList(SeenFiles files);

    bool exists() const { return exists_; }
    std::size_t size() const { return keys_.size(); }

    // As SeenCheck, from memory.
    SeenResult Check(std::string_view key, int server_count) const;
    // Adds the key in memory (the list then exists); the file changes at Commit. Always 0.
    int Append(std::string_view key);
    // SeenTrim with the key count of the load (or of the last trim) as keys_before_pass, in
    // memory. True when the list is to be written anew.
    bool Trim(int server_count, int list_length);

    // The pass's changes reach the file in two steps, so that a check that is killed or fails
    // before it has written its report leaves the list as it was: WriteCopy writes the whole
    // new list to .NEW (false: nothing changed, error() holds the errno), Commit puts .NEW in
    // place of the list (false: the old list stays). Both are true at once when nothing
    // changed. Discard drops a copy that will not be committed.
    bool WriteCopy();
    bool Commit();
    void Discard();
    bool changed() const { return changed_; }
    int error() const { return error_; }
    const SeenFiles& files() const { return files_; }

  private:
    void Push(std::string_view word);

    SeenFiles files_;
    bool exists_ = false;
    bool changed_ = false;
    bool copy_written_ = false;
    int error_ = 0;
    std::vector<std::string> keys_;
    std::unordered_map<std::string, int> last_position_; // from 1
    int keys_before_pass_ = 0;
};

// The check driver's handling before and after a check:
// before: an existing .$TL replaces the list (true = the account is restored), then the list
// is copied word by word to .$GR (an empty .$GR when it cannot be read; false then).
bool SeenRestoreFromTl(const SeenFiles& files);
bool SeenCopyToGr(const SeenFiles& files);
// after an unacknowledged announcement: .$GR becomes .$TL.
bool SeenGrToTl(const SeenFiles& files);
bool SeenRemoveGr(const SeenFiles& files);
bool SeenRemoveTl(const SeenFiles& files);

} // namespace corvex
