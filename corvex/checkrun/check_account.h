// The account check run: the engine's one entry for all work on one POP3 account. Mode 1
// checks the mailbox (header scan of every message, seen list, spam deletion, action
// filters, header cache and index, the report index.tmp); mode 2 does the same while it
// deletes the selected messages; mode 3 fetches one selected message into its cache file.
//
// The run is synchronous. It keeps the user interface alive through EngineUi::pump while it
// waits, and it gives up a wait when the cancel request of platform/Wait.h is raised. It is
// linear in the number of messages: the seen list and the index are held in memory for the
// pass and leave the files the step-by-step algorithm leaves. An unchanged mailbox costs the
// login, one STAT and QUIT.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/engine/engine_ui.h"

namespace corvex {

// Run modes.
inline constexpr int kRunCheck = 1;
inline constexpr int kRunDelete = 2;
inline constexpr int kRunFetch = 3;

// Login methods.
inline constexpr int kLoginUserPass = 1;
inline constexpr int kLoginApop = 2;

// Previous values that force a full check: every header is fetched, no cache file reused.
inline constexpr int kForcedPreviousCount = -1;
inline constexpr long long kForcedPreviousSize = -1;
inline constexpr int kForcedPreviousResult = -99;

// The result of a run that failed (modes 1 and 2), that could not start (an unknown mode, an
// empty selection in mode 3) or that ran out of memory.
inline constexpr int kCheckFailed = -1;

// Results of mode 3.
inline constexpr int kFetchNothingDone = 0;
inline constexpr int kFetchCached = 1;
inline constexpr int kFetchGone = 2; // the selected message is no longer on the server
inline constexpr int kFetchFailed = 3;
inline constexpr int kFetchCancelled = 4;

// The selection handed from the result list: at most kSelectionMax entries are read, up to
// the first entry whose cache key is empty; each field counts up to kSelectionFieldMax bytes
// (the rest is cut). Mode 3 reads the first entry only.
inline constexpr std::size_t kSelectionMax = 100;
inline constexpr std::size_t kSelectionFieldMax = 1023;

struct SelectionEntry {
    std::string cache_key;    // the message's cache key, optionally prefixed "S-"
    std::string cache_name;   // the cache file's name (without ".emf")
    std::string fetch_option; // "ALL" asks mode 3 for the whole message
};

// What the caller gives for one account. All texts are Shift_JIS.
struct CheckInput {
    std::string host;     // POP3Server
    int port = 110;       // POP3PortNum
    std::string user;     // POP3UserName
    std::string password; // the run-time password
    int login_method = kLoginUserPass;
    int run_mode = kRunCheck;
    int filter_mode = 0;                   // 0 no action filters; 1 or 2 handed to the filters
    int spam_check = 0;                    // 1 applies spam deletion (modes 1 and 2)
    std::vector<SelectionEntry> selection; // modes 2 and 3
    int timeout_seconds = 60;              // ToutTime: bounds every single wait for the server
    int account = 0;                       // slot of the account in the profile; part of every cache name
    // Mode 1: the values of the last report and the last result (kForced... force a full check).
    int previous_count = kForcedPreviousCount;
    long long previous_size = kForcedPreviousSize;
    int previous_result = kForcedPreviousResult;
    // In: the count the caller holds; out: the messages left on the server.
    int remaining = 0;
    // Out (modes 1 and 2): the text of the failure that ended the run, else of the first error
    // line of the report; "" when nothing failed. report_written is false when the report could
    // not be written at all (a read-only data folder): the last report is then stale, and its
    // mail must not be shown as new again.
    std::string error_text;
    bool report_written = true;
};

// The settings the run reads, as the settings store keeps them (texts), and where the data is.
struct CheckSettings {
    std::string data_dir;               // ".../Quillon/Corvex"; created with Temp, ID and ACT when missing
    int profile = 1;                    // the current profile, for its action filter file
    std::string dsp_sort = "ON";        // CHKDspSort: "ON" visits the highest message number first
    std::string rcv_opt = "LINE";       // RcvOpt: "ALL" makes mode 3 always fetch with RETR
    std::string read_line_num = "200";  // ReadLineNum: body lines of a mode 3 fetch with TOP
    std::string read_line_num_c = "20"; // ReadLineNumC: body lines fetched with each header
    std::string spam_close_sec = "30";  // SpamCloseSec: countdown of the spam confirmation
};

// The report's text for a file that could not be written: its path and, from the errno, why
// (a full disk, no permission to write, an input/output error, or the error number).
std::string WriteErrorText(const std::string& path, int error);

// ReadLineNumC as the run uses it: empty counts as 20; the decimal value clamped to 20..200.
int CheckLineCount(std::string_view read_line_num_c);
// ReadLineNum as mode 3 uses it: empty counts as 200; otherwise its decimal value.
int FetchLineCount(std::string_view read_line_num);

// Runs one account. The account's work directory (Temp/<user>_<host>) is the caller's to
// create. Modes 1 and 2 return the new messages minus those taken by an action filter,
// kCheckFailed when that is 0 and something failed (or a file could not be written), or in
// mode 1 with an unchanged mailbox the previous result (kForcedPreviousResult included); mode 3
// returns one of the kFetch... results, kCheckFailed with an empty selection. An unknown mode
// returns kCheckFailed at once, and so does a run out of memory. input.remaining receives the
// messages left on the server.
int CheckAccount(CheckInput& input, EngineUi& ui, const CheckSettings& settings);

} // namespace corvex
