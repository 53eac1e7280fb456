// The check report index.tmp of an account work directory: message blocks ("[%3d] %1d %1d %s",
// "CF %s", "SB %s"), the "[ERR]" and "[ZRO]" lines, an empty line, then "[CNT] %d" and
// "[INF] ..."; or one line alone ("[ERR] %s" of a run that failed early, "[OFF] ..." of a
// paused account).
//
// Readers classify a line by its first five characters. A block's first line is any other
// non-empty line that does not start with "CF" or "SB" (it starts with "["); its new flag is
// the ninth character.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "corvex/engine/crlf_file.h"

namespace corvex {

// The message number field of a block is three characters wide so the flags stay at the
// sixth and ninth characters that every reader uses; larger numbers are written as 999.
inline constexpr int kReportNumberMax = 999;

// Writes a report from the top (stage 2 of a check run). Each call writes one line or block.
// The lines go to the copy index.$$$, which replaces index.tmp at Commit: until then the last
// report stays as it was, so a check that is killed or fails leaves no half report.
class ReportWriter {
  public:
    // Creates index.$$$ in the work directory anew.
    bool Open(const std::string& work_dir);
    bool is_open() const { return writer_ != nullptr; }

    // "[%3d] %1d %1d %s", "CF %s", "SB %s".
    void Message(int number, int attachment, int new_flag, std::string_view from_name,
                 std::string_view cache_name, std::string_view subject);
    void Error(std::string_view text); // "[ERR] %s"
    void NoMail();                     // "[ZRO] メールはありません。"
    void EndOfMessages();              // the empty line
    // "[CNT] %d", then "[INF] %d %ld %d %d", or "[INF] -1 -1 0 0" when a spam match was kept.
    void Trailer(int listed, int stat_count, long long stat_size, int result, int remaining, bool kept_spam);
    // Closes index.$$$; true when every line reached it (else error() holds the errno).
    bool Finish();
    // index.$$$ takes the place of index.tmp (Finish first when it is still open).
    bool Commit();
    // Finish and Commit.
    bool Close();
    // Drops index.$$$: index.tmp stays as it was.
    void Discard();
    int error() const { return error_; }

  private:
    std::unique_ptr<CrlfWriter> writer_;
    std::string work_dir_;
    bool finished_ = false;
    int error_ = 0;
};

// index.tmp anew with the single line "[ERR] %s" (a run that failed before it listed anything).
bool WriteErrorReport(const std::string& work_dir, std::string_view error_text);
// index.tmp anew with the single line "[OFF] メールチェック一時停止中です。".
bool WritePausedReport(const std::string& work_dir);

// Unchanged mailbox: every block's new flag that is not "2" becomes "0", through index.$$$.
// False (and nothing changed) when index.tmp cannot be read or the copy cannot be written.
bool ClearNewMarks(const std::string& work_dir);

// For the result list: reads index.tmp from the top until the first "[ERR]", "[ZRO]" or
// "[OFF]" line (value -2); with entry -1 until the "[CNT]" line (value its number); with
// entry n (from 0) until the "CF" line of the n-th block (value its new flag, cache_path its
// cache file). Value -1 when the report cannot be read or the wanted line is missing.
struct ReportEntry {
    int value = -1;
    std::string cache_path;
};
ReportEntry ReadReportEntry(const std::string& work_dir, int entry);

// The values of the last report that the next check compares with. When the "[INF]" line is
// missing (or unreadable), the report holds an "[ERR]" line (the pass failed part-way), or a
// block names a cache file that is gone, count and size are -1 and the result 0; remaining is
// the "[INF]" value when there is one, else 0.
struct PreviousValues {
    bool has_info = false; // an "[INF]" line with four numbers was read
    int count = -1;
    long long size = -1;
    int result = 0;
    int remaining = 0;
};
PreviousValues ReadPreviousValues(const std::string& work_dir);

} // namespace corvex
