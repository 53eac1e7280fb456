// The pass over the mailbox in modes 1 and 2: for every message its size, its header scan,
// the seen check, the delete step of mode 2, spam deletion, the header cache and the index,
// the action filters, the count and the report line.
#include <cerrno>
#include <cstdio>

#include "checkrun_texts.h"
#include "corvex/checkrun/check_run.h"
#include "corvex/filters/action_filters.h"
#include "platform/clock.h"

namespace corvex::checkrun {

std::string StatusText(const char* format, int k) {
    std::string text = format;
    char number[16];
    std::snprintf(number, sizeof number, "%4d", k);
    if (const auto at = text.find("%4d"); at != std::string::npos) text.replace(at, 3, number);
    return text;
}

std::string_view WithoutSynthPrefix(std::string_view cache_key) {
    if (cache_key.substr(0, 2) == "S-") cache_key.remove_prefix(2);
    return cache_key;
}

std::string VisitCacheName(const std::string& work_dir, int account, int k, const IdIndex* index) {
    return FreeCacheName(work_dir, account, platform::format_time(platform::local_now(), "%m%d%H%M%S"), k,
                         [index](const std::string& name) { return index && index->NamesCacheFile(name); });
}

void CheckRun::CheckMessages() {
    const int n = stat_count_;
    for (int k = 1; k <= n; ++k) {
        const int u = descending_ ? n - k + 1 : k;
        if (!CheckMessage(k, u)) { // a failure leaves the pass for the end of the run
            SaveWorkFile();
            return;
        }
    }
    SaveWorkFile();
    AfterLoop();
}

void CheckRun::SaveWorkFile() {
    if (!work_file_made_) return;
    if (work_.Create(WorkPath())) {
        std::fwrite(work_text_.data(), 1, work_text_.size(), work_.file());
        work_.Close();
    }
}

bool CheckRun::CheckMessage(int k, int u) {
    std::string cache_name = VisitCacheName(work_dir_, in_.account, k, index_ ? &*index_ : nullptr);
    // The work lines of a message stay in memory (work_text_); the work file itself is made
    // anew at the first message, so a folder that refuses it fails the pass as it would, and
    // gets the last message's lines when the pass ends (SaveWorkFile), as if it had been
    // rewritten for every message. That saves creating and reading back a file per message.
    work_text_.clear();
    if (k == 1) {
        if (!work_.Create(WorkPath())) {
            ReportError(std::string(texts::kRunWorkFileError) + " " + WriteErrorText(WorkPath(), errno));
            return false;
        }
        work_.Close();
        work_file_made_ = true;
    }

    std::string size_text;
    int rc = session_.PopList(u, size_text);
    if (rc < 0) {
        ReportError(CodeText(rc));
        return false;
    }

    // The header scan: a cached message needs the header alone; any other (and every message
    // of a forced full check) is scanned with its first body lines into the work file.
    bool cached = false;
    CacheFlags flags;
    if (in_.run_mode == kRunCheck && in_.previous_result == kForcedPreviousResult) {
        rc = Scan(u, lines_c_, true);
    } else {
        rc = Scan(u, 0, false);
        if (rc >= 0) {
            const std::string key = MakeCacheKey(BuildMessageKey(scan_).key, BuildKeySuffix(scan_));
            const std::optional<IndexEntry> entry = index_->Lookup(key);
            if (entry && ReadCacheInfo(CacheFilePath(work_dir_, entry->cache_name), flags) == 0) {
                cached = true;
                cache_name = entry->cache_name;
            } else {
                rc = Scan(u, lines_c_, true);
            }
        }
    }
    if (rc < 0) {
        ReportError(CodeText(rc));
        return false;
    }

    MessageSummary message = BuildSummary(scan_, platform::utc_offset_minutes());
    if (cached) {
        message.attachment = flags.attachment ? 1 : 0;
        message.html = flags.html ? 1 : 0;
    }
    const std::string cache_key = MakeCacheKey(message.key, message.key_suffix);

    const SeenResult seen = seen_->Check(message.key, stat_count_);
    last_list_length_ = seen.list_length;
    // New exactly when it is counted as new below: not in the seen list, or no list at all.
    int new_flag = seen.result > 0 || seen.result == -2 ? 1 : 0;
    // Only this check's action filters hide a message: one hidden by an earlier check and no
    // longer hidden is listed and counted like any other.
    int display = 0;

    VisitListAppend(cache_key);

    if (in_.run_mode == kRunCheck) {
        const int tenth = static_cast<int>(static_cast<long long>(k) * 10 / stat_count_);
        if (tenth != shown_tenth_) {
            shown_tenth_ = tenth;
            ui_.progress(tenth);
        }
    }

    DeleteOutcome outcome = DeleteOutcome::Continue;
    if (in_.run_mode == kRunDelete) {
        outcome = DeleteStep(k, u, cache_key, cache_name, cached);
        if (outcome == DeleteOutcome::NextMessage) return true;
    }

    if (outcome == DeleteOutcome::Continue && in_.spam_check == 1) {
        const SpamStepContext context{settings_.data_dir, settings_.spam_close_sec, session_, ui_,
                                      *spam_log_};
        if (SpamStep(context, message, u, new_flag, spam_state_) == SpamVerdict::Deleted) {
            work_.Close();
            return true;
        }
    }
    work_.Close();

    // The index: a usable entry keeps its cache file's name (the message's cache file takes
    // it); otherwise the message gets a new entry and counts as newly cached.
    int newly_cached = 0;
    if (outcome == DeleteOutcome::Continue) {
        const long long size = session_.list_octets();
        // An unknown size (LIST without one) cannot prove the whole message was read.
        const int lines = size <= 0 || scan_.bytes_read() < size ? lines_c_ : -1;
        const IndexUpdateResult update = index_->Update(cache_key, lines, false);
        if (update.result == 1) {
            if (update.cache_name != cache_name) {
                if (cached && !AdoptCacheFile(work_dir_, cache_name, update.cache_name)) {
                    WriteFailed(CacheFilePath(work_dir_, update.cache_name), errno);
                    return false;
                }
                cache_name = update.cache_name;
            }
        } else {
            index_->Append(cache_key, cache_name, lines);
            newly_cached = 1;
        }
    }

    if (in_.filter_mode != 0) {
        const FilterAccount account{settings_.data_dir, settings_.profile, AccountName(in_.user, in_.host)};
        if (RunActionFilters(account, in_.filter_mode, newly_cached, cache_name, message) ==
            kFilterDoNotNotify) {
            display = 1;
            ++filtered_;
            if (spam_state_.remaining > 0) --spam_state_.remaining;
        }
    }

    // Written after the filters so that the cache records a message taken by one as "FL NODISP".
    if (!cached && outcome == DeleteOutcome::Continue) {
        const std::string path = CacheFilePath(work_dir_, cache_name);
        if (WriteCacheFileFromText(path, work_text_, message, CacheMarks{new_flag, display, size_text}) !=
            0) {
            WriteFailed(path, errno);
            RemoveFile(path); // a cut cache file must not pass for the message's summary
            return false;
        }
    }

    if (display == 1) {
        ++new_count_;
    } else if (seen.result == -1 && seen.list_length > kSeenListTrimLength) {
        seen_->Append(message.key); // seen, but the trim would drop it: kept, not counted
    } else if (seen.result > 0 || seen.result == -2) {
        seen_->Append(message.key);
        ++new_count_;
    }

    if (display == 0) {
        ++listed_;
        report_.Message(listed_, message.attachment, new_flag, message.from_name, cache_name,
                        message.subject);
    }
    return true;
}

DeleteOutcome CheckRun::DeleteStep(int k, int u, const std::string& cache_key, const std::string& cache_name,
                                   bool cached) {
    if (Cancelled()) {
        ui_.status(texts::kRunCancellingDelete);
        return DeleteOutcome::Continue;
    }
    const int tenth = static_cast<int>(static_cast<long long>(k) * 10 / stat_count_);
    if (tenth != shown_tenth_) {
        shown_tenth_ = tenth;
        ui_.status(StatusText(texts::kRunSearching, k));
        ui_.progress(tenth);
    }

    bool selected = false;
    for (std::size_t i = 0; i < selection_.size(); ++i) {
        if (WithoutSynthPrefix(selection_[i].cache_key) == cache_key) {
            selected = true;
            break;
        }
        if (i + 1 < selection_.size()) {
            ui_.pump();
            if (Cancelled()) {
                ui_.status(texts::kRunCancellingDelete);
                work_.Close();
                return DeleteOutcome::NextMessage;
            }
        }
    }

    if (selected) {
        ui_.status(StatusText(texts::kRunDeleting, k));
        if (session_.PopCommand("DELE " + std::to_string(u)) >= 0) {
            RemoveFile(CacheFilePath(work_dir_, cache_name));
            ++deleted_;
            if (spam_state_.remaining > 0) --spam_state_.remaining;
            work_.Close();
            return DeleteOutcome::NextMessage;
        }
        ui_.status(StatusText(texts::kRunMessageError, k));
    }
    return cached ? DeleteOutcome::SkipToFilter : DeleteOutcome::Continue;
}

void CheckRun::AfterLoop() {
    // Every message on the server was visited: what the index holds beyond them left the server.
    index_->DropUnvisited();
    if (stat_count_ > 0) seen_->Trim(stat_count_, last_list_length_);
    if (spam_state_.remaining == 0) report_.NoMail();
    report_.EndOfMessages();
    if (in_.run_mode == kRunDelete) {
        // Messages marked for deletion no longer count: the summary line shows what stays.
        const int count = session_.PopCommand("STAT");
        if (count < 0) error_ = true;
        stat_count_ = count;
        stat_size_ = session_.mailbox_octets();
    }
}

} // namespace corvex::checkrun
