// Inside the account check run: the state of one run and its steps. check_account.cpp holds
// the start and the end, check_message.cpp the per-message steps of modes 1 and 2, and
// check_fetch.cpp the fetch of mode 3.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/checkrun/check_account.h"
#include "corvex/checkrun/spam_step.h"
#include "corvex/engine/cache_file.h"
#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/header_scan.h"
#include "corvex/engine/id_index.h"
#include "corvex/engine/pop3_session.h"
#include "corvex/engine/report_file.h"
#include "corvex/engine/seen_list.h"

namespace corvex::checkrun {

// The work file $HBWORK$.TMP of one message: deleted and created anew, written in binary with
// CR LF line ends by the header scan or the body fetch.
class WorkFile {
  public:
    WorkFile() = default;
    ~WorkFile() { Close(); }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    bool Create(const std::string& path);
    void Close();
    std::FILE* file() const { return file_; }
    void WriteLine(std::string_view line);

  private:
    std::FILE* file_ = nullptr;
};

// A status text with its "%4d" filled with the visit counter k.
std::string StatusText(const char* format, int k);
// A selection's cache key without its "S-" prefix (a synthesised key).
std::string_view WithoutSynthPrefix(std::string_view cache_key);
// "%d-%s-%d": account number, the local time now as "%m%d%H%M%S", visit counter; the counter
// is advanced past every name whose cache file exists or that the index names.
std::string VisitCacheName(const std::string& work_dir, int account, int k, const IdIndex* index);

// What happens to a message after the delete step of mode 2.
enum class DeleteOutcome {
    Continue,     // spam deletion and the rest of the steps
    SkipToFilter, // a cached message that was not selected: no spam step, no cache update
    NextMessage,  // deleted, or cancelled while the selection was searched
};

// What the steps of one message's visit (modes 1 and 2) learn and hand on.
struct MessageVisit {
    int u = 0; // message number on the server
    std::string cache_name;
    std::string size_text; // the LIST reply's size
    bool cached = false;   // the index named a readable cache file: header scan only
    CacheFlags flags;      // that cache file's flags
    MessageSummary message;
    std::string cache_key;
    SeenResult seen;
    int new_flag = kNewFlagSeen; // kNewFlagNew when not in the seen list, or no list
    int display = 0;             // 1: hidden by this check's action filters
    DeleteOutcome outcome = DeleteOutcome::Continue;
    int newly_cached = 0; // the message got a new index entry
};

class CheckRun {
  public:
    CheckRun(CheckInput& input, EngineUi& ui, const CheckSettings& settings);
    // The result CheckAccount returns (kCheckFailed, a kFetch... result, the new count or the
    // previous result).
    int Run();

  private:
    // Start and end (check_account.cpp).
    void ReadSettings();
    bool ConnectAndLogin();
    bool UnchangedMailbox();
    bool OpenFiles();
    void Finish();
    void EndDeletions(bool committed); // committed: the server accepted QUIT
    void CommitPass();                 // the report, the index and the seen list, in that order
    // A file could not be written: the pass fails with the text of the first such file.
    void WriteFailed(const std::string& path, int error);
    int Result() const;          // the result of Run once the run has ended
    void Fail(std::string text); // error flag and the pending error line

    // Modes 1 and 2 (check_message.cpp).
    void CheckMessages();
    // false: leave the loop.
    bool CheckMessage(int k, int u);
    // The steps of CheckMessage, in order; those returning bool give false to leave the loop.
    bool StartWorkLines(int k);            // clears the work lines; makes the work file at the first message
    bool ReadSize(MessageVisit& visit);    // the size via LIST
    bool ScanMessage(MessageVisit& visit); // the header scan, with the cache lookup
    void Summarise(MessageVisit& visit);   // the summary and the cache key
    void CheckSeen(MessageVisit& visit);   // the seen check: whether the message is new
    void ShowProgress(int k);              // mode 1: the progress in tenths
    bool SpamDeleted(MessageVisit& visit); // the spam step; true: the message was deleted as spam
    bool UpdateIndex(MessageVisit& visit); // the index entry, and the cache file name it keeps
    void ApplyActionFilters(MessageVisit& visit);      // the action filters may hide the message
    bool WriteMessageCache(const MessageVisit& visit); // the cache file of a message not cached
    void CountMessage(const MessageVisit& visit);      // the new count and the seen list
    void ReportLine(const MessageVisit& visit);        // the report line of a listed message
    DeleteOutcome DeleteStep(int k, int u, const std::string& cache_key, const std::string& cache_name,
                             bool cached);
    void AfterLoop();
    // At the end of the pass the work file gets the last message's lines.
    void SaveWorkFile();

    // Mode 3 (check_fetch.cpp).
    void FetchMessages();
    // false: stop the loop (result_ is final).
    bool FetchMessage(int k, int u);
    int FailedFetchResult(int result) const; // cancelled by the user: kFetchCancelled, else result

    // Shared steps.
    int Scan(int u, int body_lines, bool write_work_file); // attachment flag or a negative kPop... code
    std::string CodeText(int code) const;
    void ReportError(std::string text); // an "[ERR]" line of the report; sets the error flag
    bool Cancelled() const;             // the cancel request is raised or a wait was given up for it
    std::string WorkPath() const { return JoinPath(work_dir_, kWorkFileName); }
    void VisitListAppend(std::string_view cache_key);

    CheckInput& in_;
    EngineUi& ui_;
    const CheckSettings& settings_;
    Pop3Session session_;

    // Settings as the run reads them.
    bool descending_ = true;
    bool receive_all_ = false;
    int lines_c_ = 20;
    int fetch_lines_ = 200;
    std::vector<SelectionEntry> selection_;

    std::string work_dir_;
    SeenFiles seen_files_;
    int report_stage_ = 1;
    bool error_ = false;
    std::string pending_error_; // the report's only line when the run fails before stage 2
    std::string write_error_;   // the first file that could not be written, and why
    bool connected_ = false;

    int stat_count_ = 0;
    long long stat_size_ = 0;
    int listed_ = 0;
    int new_count_ = 0;
    int filtered_ = 0;
    int deleted_ = 0;         // selected messages marked for deletion (mode 2)
    SpamRunState spam_state_; // remaining count and the kept-spam flag
    int last_list_length_ = 0;
    int shown_tenth_ = 0;
    int result_ = 0; // mode 3

    std::unique_ptr<SpamLog> spam_log_;
    ReportWriter report_;
    std::optional<SeenList> seen_;
    std::optional<IdIndex> index_;
    std::unique_ptr<CrlfWriter> visits_; // IDLIST.$DL, opened at its first key
    WorkFile work_;
    std::string work_text_; // the work lines of the message being checked (modes 1 and 2)
    bool work_file_made_ = false;
    HeaderScanner scan_;
};

} // namespace corvex::checkrun
