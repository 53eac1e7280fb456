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
    MessageVisit visit;
    visit.u = u;
    visit.cache_name = VisitCacheName(work_dir_, in_.account, k, index_ ? &*index_ : nullptr);
    if (!StartWorkLines(k) || !ReadSize(visit) || !ScanMessage(visit)) return false;
    Summarise(visit);
    CheckSeen(visit);
    VisitListAppend(visit.cache_key);
    if (in_.run_mode == kRunCheck) ShowProgress(k);

    if (in_.run_mode == kRunDelete) {
        visit.outcome = DeleteStep(k, u, visit.cache_key, visit.cache_name, visit.cached);
        if (visit.outcome == DeleteOutcome::NextMessage) return true;
    }
    if (SpamDeleted(visit)) return true;
    work_.Close();

    if (!UpdateIndex(visit)) return false;
    ApplyActionFilters(visit);
    if (!WriteMessageCache(visit)) return false;
    CountMessage(visit);
    ReportLine(visit);
    return true;
}

bool CheckRun::StartWorkLines(int k) {
    // The work lines of a message stay in memory (work_text_); the work file itself is made
    // anew at the first message, so a folder that refuses it fails the pass as it would, and
    // gets the last message's lines when the pass ends (SaveWorkFile), as if it had been
    // rewritten for every message. That saves creating and reading back a file per message.
    work_text_.clear();
    if (k != 1) return true;
    if (!work_.Create(WorkPath())) {
        ReportError(std::string(texts::kRunWorkFileError) + " " + WriteErrorText(WorkPath(), errno));
        return false;
    }
    work_.Close();
    work_file_made_ = true;
    return true;
}

bool CheckRun::ReadSize(MessageVisit& visit) {
    const int rc = session_.PopList(visit.u, visit.size_text);
    if (rc < 0) {
        ReportError(CodeText(rc));
        return false;
    }
    return true;
}

bool CheckRun::ScanMessage(MessageVisit& visit) {
    // The header scan: a cached message needs the header alone; any other (and every message
    // of a forced full check) is scanned with its first body lines into the work file.
    int rc = 0;
    if (in_.run_mode == kRunCheck && in_.previous_result == kForcedPreviousResult) {
        rc = Scan(visit.u, lines_c_, true);
    } else {
        rc = Scan(visit.u, 0, false);
        if (rc >= 0) {
            const std::string key = MakeCacheKey(BuildMessageKey(scan_).key, BuildKeySuffix(scan_));
            const std::optional<IndexEntry> entry = index_->Lookup(key);
            if (entry &&
                ReadCacheInfo(CacheFilePath(work_dir_, entry->cache_name), visit.flags) == kCacheOk) {
                visit.cached = true;
                visit.cache_name = entry->cache_name;
            } else {
                rc = Scan(visit.u, lines_c_, true);
            }
        }
    }
    if (rc < 0) {
        ReportError(CodeText(rc));
        return false;
    }
    return true;
}

void CheckRun::Summarise(MessageVisit& visit) {
    visit.message = BuildSummary(scan_, platform::utc_offset_minutes());
    if (visit.cached) {
        visit.message.attachment = visit.flags.attachment ? 1 : 0;
        visit.message.html = visit.flags.html ? 1 : 0;
    }
    visit.cache_key = MakeCacheKey(visit.message.key, visit.message.key_suffix);
}

void CheckRun::CheckSeen(MessageVisit& visit) {
    visit.seen = seen_->Check(visit.message.key, stat_count_);
    last_list_length_ = visit.seen.list_length;
    // New exactly when it is counted as new below: not in the seen list, or no list at all.
    visit.new_flag = visit.seen.is_new() ? kNewFlagNew : kNewFlagSeen;
}

void CheckRun::ShowProgress(int k) {
    const int tenth = static_cast<int>(static_cast<long long>(k) * 10 / stat_count_);
    if (tenth != shown_tenth_) {
        shown_tenth_ = tenth;
        ui_.progress(tenth);
    }
}

bool CheckRun::SpamDeleted(MessageVisit& visit) {
    if (visit.outcome != DeleteOutcome::Continue || in_.spam_check != 1) return false;
    const SpamStepContext context{settings_.data_dir, settings_.spam_close_sec, session_, ui_, *spam_log_};
    if (SpamStep(context, visit.message, visit.u, visit.new_flag, spam_state_) != SpamVerdict::Deleted)
        return false;
    work_.Close();
    return true;
}

bool CheckRun::UpdateIndex(MessageVisit& visit) {
    // The index: a usable entry keeps its cache file's name (the message's cache file takes
    // it); otherwise the message gets a new entry and counts as newly cached.
    if (visit.outcome != DeleteOutcome::Continue) return true;
    const long long size = session_.list_octets();
    // An unknown size (LIST without one) cannot prove the whole message was read.
    const int lines = size <= 0 || scan_.bytes_read() < size ? lines_c_ : kIndexWholeMessage;
    const IndexUpdateResult update = index_->Update(visit.cache_key, lines, false);
    if (update.result != kIndexEntryKept) {
        index_->Append(visit.cache_key, visit.cache_name, lines);
        visit.newly_cached = 1;
        return true;
    }
    if (update.cache_name == visit.cache_name) return true;
    if (visit.cached && !AdoptCacheFile(work_dir_, visit.cache_name, update.cache_name)) {
        WriteFailed(CacheFilePath(work_dir_, update.cache_name), errno);
        return false;
    }
    visit.cache_name = update.cache_name;
    return true;
}

void CheckRun::ApplyActionFilters(MessageVisit& visit) {
    // Only this check's action filters hide a message: one hidden by an earlier check and no
    // longer hidden is listed and counted like any other.
    if (in_.filter_mode == kFilterModeOff) return;
    const FilterAccount account{settings_.data_dir, settings_.profile, AccountName(in_.user, in_.host)};
    if (RunActionFilters(account, in_.filter_mode, visit.newly_cached, visit.cache_name, visit.message) !=
        kFilterDoNotNotify)
        return;
    visit.display = 1;
    ++filtered_;
    if (spam_state_.remaining > 0) --spam_state_.remaining;
}

bool CheckRun::WriteMessageCache(const MessageVisit& visit) {
    // Written after the filters so that the cache records a message taken by one as "FL NODISP".
    if (visit.cached || visit.outcome != DeleteOutcome::Continue) return true;
    const std::string path = CacheFilePath(work_dir_, visit.cache_name);
    if (WriteCacheFileFromText(path, work_text_, visit.message,
                               CacheMarks{visit.new_flag, visit.display, visit.size_text}) != kCacheOk) {
        WriteFailed(path, errno);
        RemoveFile(path); // a cut cache file must not pass for the message's summary
        return false;
    }
    return true;
}

void CheckRun::CountMessage(const MessageVisit& visit) {
    const SeenResult& seen = visit.seen;
    if (visit.display == 1) {
        ++new_count_;
    } else if (seen.result == kSeenToBeTrimmed && seen.list_length > kSeenListTrimLength) {
        seen_->Append(visit.message.key); // seen, but the trim would drop it: kept, not counted
    } else if (seen.is_new()) {
        seen_->Append(visit.message.key);
        ++new_count_;
    }
}

void CheckRun::ReportLine(const MessageVisit& visit) {
    if (visit.display != 0) return;
    ++listed_;
    const MessageSummary& message = visit.message;
    report_.Message(listed_, message.attachment, visit.new_flag, message.from_name, visit.cache_name,
                    message.subject);
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
