// Header cache files (cache name + ".emf"): the info block of one message summary,
// "---INFO ST---" up to "---HEAD ST---", followed by the message's fetched lines taken from
// the work file $HBWORK$.TMP. Also the names that tie a message to its cache file.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "corvex/engine/message_summary.h"

namespace corvex {

// Message key, "-", key suffix, with blanks and colons turned into "+". The cache key is one
// field of the index: control characters are dropped from the message key, and in the key
// suffix (a date) they become "+" like blanks.
std::string MakeCacheKey(std::string_view message_key, std::string_view key_suffix);
// Local time as "%m%d%H%M%S".
std::string FormatVisitTime(const std::tm& local_time);
// "%d-%s-%d": account number, visit time, visit counter (1 for the first message visited).
std::string MakeCacheName(int account, const std::tm& local_time, int visit);
// The cache name of a message that gets a new cache file: "%d-%s-%d" of account number, visit
// time and the visit counter, the counter advanced from `visit` until no cache file of that name
// exists in the work directory. The name holds no year and only seconds, so a check in the same
// second as the last one, a clock set back, or the same date a year later would otherwise hand
// out the name of another message's cache file. A name for which `in_use` answers true (one the
// index still names, its file lost) is passed over too.
std::string FreeCacheName(const std::string& work_dir, int account, std::string_view visit_time, int visit,
                          const std::function<bool(const std::string&)>& in_use = {});

// The new flag of a message, in its cache file and in the report.
inline constexpr int kNewFlagSeen = 0;
inline constexpr int kNewFlagNew = 1;
inline constexpr int kNewFlagSpamKept = 2; // a spam match the user chose to keep

// What the check run adds to the summary in a cache file.
struct CacheMarks {
    int new_flag = kNewFlagSeen; // one of the kNewFlag... values
    int display_flag = 0;        // 0 "FL DISP", 1 "FL NODISP" (taken by an action filter)
    std::string size_text;       // "SZ" line: the size text of the message's LIST reply
};

// Results of WriteCacheFile, WriteCacheFileFromText and ReadCacheInfo.
inline constexpr int kCacheOk = 0;
inline constexpr int kCacheFileError = -1;  // the cache file cannot be created, written or read back
inline constexpr int kCacheNoWorkFile = -2; // the work file cannot be read

// Creates (overwrites) the cache file, writes the info block from the summary and appends
// the work file line by line; a last work-file line without a line feed is not copied.
// kCacheOk = written; kCacheFileError = the cache file cannot be created or written;
// kCacheNoWorkFile = the work file cannot be read (the info block is written alone).
int WriteCacheFile(const std::string& cache_path, const std::string& work_file_path,
                   const MessageSummary& summary, const CacheMarks& marks);

// The same with the work lines held in memory: work_text is what the work file would hold,
// complete lines each ending in CR LF. kCacheOk = written; kCacheFileError = the cache file
// cannot be written.
int WriteCacheFileFromText(const std::string& cache_path, std::string_view work_text,
                           const MessageSummary& summary, const CacheMarks& marks);

// Flags read back from a cache file's info block.
struct CacheFlags {
    int new_flag = 0;
    int display_flag = 0;
    int html = 0;
    int attachment = 0;
};
// Reads the info block up to "---HEAD ST---": "[XXX]" gives the new flag (ninth character),
// "FL" the display flag (1 unless its text begins with "DISP"), "TP" and "AT" their numbers.
// kCacheFileError when the file cannot be opened or the new flag is kNewFlagSpamKept (the
// message must be scanned again), else kCacheOk.
int ReadCacheInfo(const std::string& cache_path, CacheFlags& flags);

// A message found in the index under another cache name: the freshly written cache file
// replaces the indexed one and takes its name. True when the indexed name holds it now.
bool AdoptCacheFile(const std::string& work_dir, std::string_view written_name,
                    std::string_view indexed_name);

} // namespace corvex
