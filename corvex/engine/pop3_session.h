// The POP3 session: one TCP connection to one account's server. Logs in with USER/PASS or
// APOP, sends one-line commands, reads one-line and multi-line replies with a timeout on
// every wait, and closes with QUIT. Every operation returns 0 (or a count) on success and a
// negative result code on failure; PopErrorText turns a code into the text of the report.
//
// While it waits the session keeps the user interface alive (EngineUi::pump), animates the
// tray icon around every line read, and gives up at once when the user raises the cancel
// request (platform/Wait.h); the session then stays cancelled, every code reads as the
// cancel text, and further commands fail without talking to the server.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/engine/engine_ui.h"
#include "platform/socket.h"

namespace corvex {

// Result codes.
inline constexpr int kPopStartupError = -1; // socket layer did not start (also: a wait failed)
inline constexpr int kPopHostError = -2;    // host name not resolved
inline constexpr int kPopSocketError = -3;  // socket not created
inline constexpr int kPopConnectError = -4; // connect failed
inline constexpr int kPopTimeout = -5;      // no greeting, a "-ERR" greeting, or a one-line reply timed out
inline constexpr int kPopNoApop = -6;       // APOP wanted but the greeting has no time-stamp
inline constexpr int kPopAuthError = -8;    // login refused
inline constexpr int kPopWaitTimeout = -9;  // a wait for data timed out
inline constexpr int kPopCommError = -10;   // send failed, negative reply, reply cut short
inline constexpr int kPopTooLong = -11;     // user name or password does not fit a command line
inline constexpr int kPopNotPop3 = -12;     // the greeting is neither "+OK" nor "-ERR": no POP3 server
inline constexpr int kPopBadCredentials = -13; // CR, LF or NUL in the user name or password

// A command line holds at most this many characters before CR LF.
inline constexpr std::size_t kPopCommandMax = 127;
// The reply line buffer: a longer line is cut to kPopReplySize - 1 bytes.
inline constexpr std::size_t kPopReplySize = 512;
// After a failed operation the reply to QUIT is waited for this long at most.
inline constexpr std::chrono::seconds kPopQuitWaitAfterFailure{3};
// The time-stamp buffer's content on entry to PopConnect for a USER/PASS login.
inline constexpr char kPopNoTimestamp[] = "NONE";

class Pop3Session {
  public:
    // One line of a multi-line reply, as PopReadLine leaves it (the empty line is "\r\n";
    // a line of one or two characters may keep its CR), with a leading ".." reduced to ".".
    // byte_count: the bytes the line took on the wire, line end included.
    using LineHandler = std::function<void(std::string_view line, long byte_count)>;
    // One line of the work file, without its line end ("" for an empty line).
    using LineSink = std::function<void(std::string_view line)>;

    Pop3Session(); // shows nothing
    explicit Pop3Session(EngineUi& ui);
    ~Pop3Session(); // closes the connection without QUIT
    Pop3Session(const Pop3Session&) = delete;
    Pop3Session& operator=(const Pop3Session&) = delete;

    // Bounds the whole reply of each command (the greeting included): the command is sent and
    // its reply, every line of a multi-line reply, arrives within this time, or the operation
    // fails as a timeout. Default 60 seconds.
    void SetTimeout(std::chrono::milliseconds timeout);
    void SetTimeoutSeconds(int seconds) { SetTimeout(std::chrono::seconds(seconds)); }

    // Tray animation phase: 0 until the mailbox is known to hold mail, then 2.
    void SetTrayPhase(int phase) { tray_phase_ = phase >= 2 ? 2 : 0; }
    int tray_phase() const { return tray_phase_; }
    // Deleting mode: the tray shows the deleting icons and the tip "ﾒｰﾙ削除中...".
    void SetDeleting(bool deleting) { deleting_ = deleting; }
    bool deleting() const { return deleting_; }

    // Set when a wait was given up for the cancel request; cleared by PopConnect and here.
    bool cancelled() const { return cancelled_; }
    void ResetCancelled() { cancelled_ = false; }

    bool is_open() const { return socket_.is_open(); }
    // Mailbox size in octets from the last "STAT".
    long long mailbox_octets() const { return mailbox_octets_; }
    // Size in octets from the last PopList (0 when its reply did not give one).
    long long list_octets() const { return list_octets_; }

    // Connects and reads the greeting. timestamp: "NONE" for USER/PASS (left as it is);
    // otherwise it receives the greeting's "<...>" time-stamp. On failure nothing stays open.
    // 0, kPopStartupError, kPopHostError, kPopSocketError, kPopConnectError, kPopTimeout (no
    // greeting, or "-ERR"), kPopNoApop, or kPopNotPop3 (a greeting that is no POP3 reply at all).
    int PopConnect(std::string_view host, int port, std::string& timestamp);
    // "USER %s" (reply not judged), then "PASS %s". 0, kPopAuthError, or before anything is
    // sent kPopTooLong or kPopBadCredentials (CR, LF or NUL in either text).
    int PopLoginUser(std::string_view user, std::string_view password);
    // "APOP %s %s" with the MD5 digest of time-stamp and password. 0, kPopAuthError, or
    // before anything is sent kPopTooLong or kPopBadCredentials.
    int PopLoginApop(std::string_view user, std::string_view password, std::string_view timestamp);
    // Whether a user name or password can go into a command line: 0, or kPopBadCredentials
    // when it holds a CR, LF or NUL (which would end the command early and start another).
    static int CheckCredential(std::string_view text);
    // One command and its one-line reply. "STAT" returns the message count and stores the
    // mailbox size; other commands return 0. kPopTimeout (reply timed out) or kPopCommError.
    int PopCommand(std::string_view command);
    // "LIST %d": size_text gets the formatted size, or "???" when the reply timed out, is
    // negative or does not parse. 0, or kPopCommError when the command could not be sent.
    int PopList(int message_number, std::string& size_text);
    // Reads one reply line into buffer (size bytes, size - 1 characters at most; the rest of
    // a longer line is read and dropped). Strips trailing LF, CR and blanks while the text is
    // longer than two characters. Returns the bytes the line took (> 0), 0 when the server
    // closed, kPopWaitTimeout when the line does not arrive within the timeout,
    // kPopStartupError on any other failure (the buffer is then empty).
    int PopReadLine(char* buffer, std::size_t size);
    // Sends a command with a multi-line reply ("TOP %d %d", "RETR %d") and hands every line
    // up to the terminator to on_line. 0; kPopWaitTimeout when the whole reply does not arrive
    // within the timeout; kPopCommError for a send failure, a negative first line, or a
    // connection that ended before the terminator.
    int PopMultiLine(std::string_view command, const LineHandler& on_line);
    // The lines of a multi-line reply whose first line has been read, within what is left of
    // the reply's time. 0, kPopWaitTimeout or kPopCommError.
    int PopReadLines(const LineHandler& on_line);
    // Fetches a message for the viewer: writes "---HEAD ST---", the header lines, an empty
    // line and "---BODY ST---" at the first empty line, then the body lines, into the work
    // file; progress (tenths of the PopList size) and "受信中..." go to the user interface.
    // 0, kPopWaitTimeout or kPopCommError.
    int PopFetchToFile(std::string_view command, const LineSink& work_file);
    // "QUIT", its reply, then closes. True when the server answered "+OK" (it has then
    // carried out the deletions of the session); false when not connected or on any other
    // reply. After a failed send or read its reply is waited for kPopQuitWaitAfterFailure
    // at most.
    bool PopQuit();
    // Closes the connection without QUIT.
    void Close();

    // The report text of a code; the cancel text whatever the code once cancelled. An
    // unknown code leaves text as it is.
    void PopErrorText(int code, std::string& text) const { ErrorText(code, cancelled_, text); }
    static void ErrorText(int code, bool cancelled, std::string& text);

    // "%ld" up to 1023 octets, then "%3.1fk" of octets / 1024, from 1024 k on "%3.1fM".
    static std::string FormatSize(long long octets);
    // The terminating line of a multi-line reply as PopReadLine returns it (".\r").
    static bool IsTerminator(std::string_view line);
    // The empty line of a multi-line reply: nothing but CR and LF.
    static bool IsEmptyLine(std::string_view line);

  private:
    bool SendLine(std::string_view command); // also starts the reply's time limit
    std::chrono::milliseconds ReplyLimit() const;
    void StartReply();
    int ReadLine(char* buffer, std::size_t size);
    int ReadReply(char* buffer); // one line into a kPopReplySize buffer
    void Failed(platform::IoStatus status);
    void ShowStep(int step); // 1 before a wait, 2 after it

    EngineUi quiet_ui_;
    EngineUi* ui_;
    platform::Socket socket_;
    std::chrono::milliseconds timeout_{std::chrono::seconds(60)};
    int tray_phase_ = 0;
    bool deleting_ = false;
    bool cancelled_ = false;
    bool quitting_ = false; // PopQuit still talks after a cancel
    bool failed_ = false;   // a send or a read failed since the connect
    std::chrono::steady_clock::time_point reply_deadline_{};
    long long mailbox_octets_ = 0;
    long long list_octets_ = 0;
    // Bytes received that no line has taken yet: the reader serves lines from here and asks
    // the socket again only when it runs dry. Emptied with the connection.
    std::vector<char> input_;
    std::size_t input_pos_ = 0;
    std::size_t input_end_ = 0;
};

} // namespace corvex
