// The header scan: the reply lines of "TOP n m" (after its "+OK" line) are fed one at a time,
// the fields that make a message summary are collected, MIME part headers among the body
// lines take part in the attachment and HTML flags, and the lines are copied to the work
// file. BuildSummary then derives the message summary from what was collected.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/engine/message_summary.h"

namespace corvex {

// Marker lines of the work file ($HBWORK$.TMP) and of the header cache.
inline constexpr char kWorkHeadStart[] = "---HEAD ST---";
inline constexpr char kWorkBodyStart[] = "---BODY ST---";

// Bounds of the scan buffers (bytes without the terminator); longer text is dropped.
inline constexpr std::size_t kScanFromMax = 1023;
inline constexpr std::size_t kScanDateMax = 99;
inline constexpr std::size_t kScanReceivedMax = 511;
inline constexpr std::size_t kScanSubjectMax = 1535;
inline constexpr std::size_t kScanMailerMax = 511;
inline constexpr std::size_t kScanUidlMax = 511;
inline constexpr std::size_t kScanContentTypeMax = 127;
inline constexpr std::size_t kScanMessageIdMax = 1535;
inline constexpr std::size_t kScanRecipientRawMax = 1023; // one raw To or Cc entry
inline constexpr std::size_t kKeySuffixMax = 36;
// What the work file keeps of one message's header lines and of its body lines (line ends
// counted as CR LF). Lines beyond are still scanned but not kept, so that a server sending
// an endless header cannot make the check hold it in memory.
inline constexpr std::size_t kWorkHeaderKeptMax = 1024 * 1024;
inline constexpr std::size_t kWorkBodyKeptMax = 1024 * 1024;

class HeaderScanner {
  public:
    // Receives one work-file line without its line end (the empty string for an empty line).
    using WorkSink = std::function<void(std::string_view line)>;
    // A sink that writes each line followed by CR LF; open the file in binary mode.
    static WorkSink FileSink(std::FILE* file);

    // Starts a scan of message `message_number`: clears every buffer and, with a sink,
    // writes "---HEAD ST---" (a TOP with a positive body line count writes the work file,
    // one with 0 lines does not). The sink receives at most kWorkHeaderKeptMax bytes of
    // header lines and kWorkBodyKeptMax of body lines, each part cut at a line.
    void Begin(int message_number, WorkSink work_file = nullptr);
    // One reply line as the POP3 line reader returns it (the empty line is "\r\n" or "\r";
    // a CR left at the end of a short line is dropped), with the reader's byte count for it.
    // The terminator "." is not fed.
    void Feed(std::string_view line, long byte_count);
    // After the terminator: settles the flags and the broken-header case. Returns the
    // attachment flag (0 or 1).
    int Finish();

    // The terminating line of a multi-line reply: "." and a carriage return (or "." alone).
    static bool IsTerminator(std::string_view line);

    int message_number() const { return message_number_; }
    // No recognised header line at all: the summary is the broken-header one.
    bool broken() const { return broken_; }
    int attachment() const { return attachment_; }
    int html() const { return html_; }
    long bytes_read() const { return bytes_read_; }

    // The collected buffers: whole lines with their continuations, as they came.
    const std::string& from_line() const { return from_; } // From, else Return-Path
    const std::string& date_line() const { return date_; }
    const std::string& received_line() const { return received_; } // the first one
    const std::vector<std::string>& to_entries() const { return to_.raw; }
    const std::vector<std::string>& cc_entries() const { return cc_.raw; }
    const std::string& subject_line() const { return subject_; }
    const std::string& mailer_line() const { return mailer_; }
    const std::string& uidl() const { return uidl_; } // the value after "X-UIDL:"
    // The first two Content-Type lines, upper-cased (their continuations as they came).
    const std::string& content_type(int index) const {
        return index == 0 ? content_type_[0] : content_type_[1];
    }
    const std::string& message_id() const { return message_id_; }

  private:
    enum class Field {
        None,
        From,
        Date,
        Received,
        To,
        Cc,
        Subject,
        Mailer,
        Uidl,
        ContentType1,
        ContentType2,
        MessageId
    };

    // A To or Cc list. The piece after the last comma of a line stays open: a folded line
    // continues it (a name and its address may sit on two lines), and when the field ends
    // an open piece of three bytes or fewer is dropped.
    struct RecipientList {
        std::vector<std::string> raw;
        bool open = false;
        void Add(std::string_view text, bool continues);
        void Close();
    };

    bool Recognise(std::string_view line, std::string_view upper);
    void Continue(std::string_view line);
    void SetCurrent(Field field);
    void EndField();
    std::string* Buffer(Field field, std::size_t& max);
    void WriteWork(std::string_view line, bool empty_line);

    int message_number_ = 0;
    WorkSink work_;
    bool body_started_ = false;
    bool recognised_ = false;
    bool finished_ = false;
    bool broken_ = false;
    Field current_ = Field::None;

    bool from_seen_ = false; // a From line (a Return-Path only holds the place until then)
    bool mailer_seen_ = false;
    bool uidl_seen_ = false;
    int content_types_ = 0;
    std::string from_, date_, received_, subject_, mailer_, uidl_, message_id_;
    std::string content_type_[2];
    RecipientList to_, cc_;
    bool to_seen_ = false, cc_seen_ = false;

    int attachment_ = 0;
    int html_ = 0;
    long bytes_read_ = 0;
    std::size_t work_kept_ = 0; // bytes of the current part (header or body) kept
    bool work_full_ = false;    // the current part reached its bound: its further lines are dropped
};

// Message key: the Message-ID (from its first "<" to its first ">"), else the X-UIDL value,
// else the From line and the Subject line with blanks, tabs and colons turned into "+"
// (synthesised). Then every blank and control character (bytes below 0x20 and 0x7F) is
// removed and "=" becomes "_".
struct MessageKey {
    std::string key;
    bool synthesised = false;
};
MessageKey BuildMessageKey(const HeaderScanner& scan);

// The first 36 bytes of the first Received line's date part (after its last ";"), or "X".
std::string BuildKeySuffix(const HeaderScanner& scan);

// One address of a From, To or Cc entry and its decoded display name, both within their
// bounds (kAddressMax for To and Cc, kFromMax for From) and without trailing blanks.
// "不明" (From) or "記述無し" (To, Cc) stand for an unusable address.
enum class AddressField { From, To, Cc };
struct ParsedAddress {
    std::string address;
    std::string name; // empty when the entry names no one
};
ParsedAddress ParseAddress(std::string_view raw, AddressField field);

// Every item of the summary. local_offset_minutes: the machine's offset east of UTC, for
// the send and received dates.
MessageSummary BuildSummary(const HeaderScanner& scan, int local_offset_minutes);

} // namespace corvex
