// Mode 3: the selected message is looked for by its cache key, fetched whole (RETR) or with
// the configured body lines (TOP) into the work file, and its cache file written from it.
#include "checkrun_texts.h"
#include "corvex/checkrun/check_run.h"
#include "platform/clock.h"

namespace corvex::checkrun {

void CheckRun::FetchMessages() {
    const int n = stat_count_;
    for (int k = 1; k <= n; ++k) {
        const int u = descending_ ? n - k + 1 : k;
        if (!FetchMessage(k, u)) return;
    }
    result_ = kFetchGone;
}

int CheckRun::FailedFetchResult(int result) const {
    return Cancelled() ? kFetchCancelled : result;
}

bool CheckRun::FetchMessage(int k, int u) {
    const SelectionEntry& selected = selection_.front();
    const std::string cache_path = CacheFilePath(work_dir_, selected.cache_name);

    std::string size_text;
    int rc = session_.PopList(u, size_text);
    if (rc < 0) {
        error_ = true;
        result_ = FailedFetchResult(kFetchNothingDone);
        return false;
    }
    rc = Scan(u, 0, false);
    if (rc < 0) {
        error_ = true;
        result_ = FailedFetchResult(kFetchNothingDone);
        return false;
    }
    const std::string key = MakeCacheKey(BuildMessageKey(scan_).key, BuildKeySuffix(scan_));
    if (key != WithoutSynthPrefix(selected.cache_key)) return true;

    // The flags the cache file holds so far (none when it does not exist yet).
    CacheFlags flags;
    ReadCacheInfo(cache_path, flags);
    rc = Scan(u, lines_c_, false);
    if (rc < 0) {
        result_ = FailedFetchResult(kFetchNothingDone);
        return false;
    }
    const MessageSummary message = BuildSummary(scan_, platform::utc_offset_minutes());
    if (Cancelled()) {
        ui_.status(texts::kRunCancelling);
        result_ = kFetchCancelled;
        return false;
    }

    if (!work_.Create(WorkPath())) {
        error_ = true;
        return false;
    }
    ui_.status(texts::kRunFetchStart);
    const bool whole = receive_all_ || selected.fetch_option == "ALL";
    const std::string command =
        whole ? "RETR " + std::to_string(u) : "TOP " + std::to_string(u) + " " + std::to_string(fetch_lines_);
    rc = session_.PopFetchToFile(command, [this](std::string_view line) { work_.WriteLine(line); });
    work_.Close();
    if (rc < 0) {
        ui_.status(StatusText(texts::kRunMessageError, k));
        result_ = FailedFetchResult(kFetchFailed);
        return false;
    }
    ui_.status(texts::kRunFetchDone);
    result_ = kFetchCached;
    // A cache file that cannot be written leaves nothing for the viewer: the fetch failed.
    if (WriteCacheFile(cache_path, WorkPath(), message,
                       CacheMarks{flags.new_flag, flags.display_flag, size_text}) != kCacheOk)
        result_ = kFetchFailed;
    return false;
}

} // namespace corvex::checkrun
