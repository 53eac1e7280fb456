// The in-memory settings record: the active profile's values and its thirty account slots as
// fixed-width texts (Shift_JIS bytes), the names of all ten profiles, and the run-time password
// tables that keep passwords the user typed but chose not to store.
#pragma once

#include "corvex/settings/key_selector.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace corvex::settings {

// A NUL-terminated text of at most Max bytes in a fixed buffer. Assigning a longer text keeps the
// longest prefix that ends on a Shift_JIS character boundary and says so.
template <std::size_t Max> class BoundedText {
  public:
    static constexpr std::size_t kMax = Max;

    BoundedText() = default;
    BoundedText(std::string_view text) { assign(text); }

    // False when the text had to be cut to fit.
    bool assign(std::string_view text);
    void clear() {
        size_ = 0;
        data_[0] = '\0';
    }

    std::string_view view() const { return std::string_view(data_, size_); }
    operator std::string_view() const { return view(); }
    std::string str() const { return std::string(data_, size_); }
    const char* c_str() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    friend bool operator==(const BoundedText& a, std::string_view b) { return a.view() == b; }
    friend bool operator==(const BoundedText& a, const BoundedText& b) { return a.view() == b.view(); }

  private:
    char data_[Max + 1] = {};
    std::size_t size_ = 0;
};

// The byte length of the longest prefix of text within max bytes that does not split a
// Shift_JIS double-byte character.
std::size_t FitSjis(std::string_view text, std::size_t max);

template <std::size_t Max> bool BoundedText<Max>::assign(std::string_view text) {
    const std::size_t n = text.size() <= Max ? text.size() : FitSjis(text, Max);
    for (std::size_t i = 0; i < n; ++i)
        data_[i] = text[i];
    data_[n] = '\0';
    size_ = n;
    return n == text.size();
}

// Widths (bytes without the terminator).
inline constexpr std::size_t kFlagWidth = 7;   // "ON", "OFF"
inline constexpr std::size_t kModeWidth = 7;   // "CHK"/"EXE"/"DSP", "ALL"/"LINE", "POP3"/"APOP"
inline constexpr std::size_t kNumberWidth = 9; // decimal numbers, the port number
inline constexpr std::size_t kPathWidth = 199; // sound files, mailer commands, the phone book
inline constexpr std::size_t kWinStyleWidth = 15;
inline constexpr std::size_t kProfileNameWidth = platform::kRegTextMax;
inline constexpr std::size_t kDialupNameWidth = 47;
inline constexpr std::size_t kDialupUserWidth = 29;
inline constexpr std::size_t kPasswordWidth = 19; // a password before encoding
inline constexpr std::size_t kServerWidth = 49;
inline constexpr std::size_t kAddressWidth = 79; // MailAdrs and POP3UserName

using Flag = BoundedText<kFlagWidth>;
using Mode = BoundedText<kModeWidth>;
using Number = BoundedText<kNumberWidth>;
using PathText = BoundedText<kPathWidth>;
using WinStyleText = BoundedText<kWinStyleWidth>;
using ProfileName = BoundedText<kProfileNameWidth>;
using Password = BoundedText<kPasswordWidth>;

// The name that marks an unused profile slot.
inline constexpr char kUnusedProfileName[] = "__XXX__";

// One account slot. POP3PassWord holds the password in plain text (it is encoded only in the
// registry).
struct AccountSettings {
    BoundedText<kServerWidth> POP3Server;
    BoundedText<kAddressWidth> MailAdrs;
    BoundedText<kAddressWidth> POP3UserName;
    Password POP3PassWord;
    Flag SavePass;
    Number POP3PortNum;
    Mode POP3Mode;
    Flag CHKACC;
    Flag ErrJump;
    PathText ASoundFile;
    PathText MailAgent2;
    WinStyleText WinStyle2;

    // Set by the profile load: the account has a user name but no password to log in with.
    bool password_missing = false;

    // In use when it names a server or a user.
    bool InUse() const { return !POP3Server.empty() || !POP3UserName.empty(); }
};

// The active profile. DialupPassWord holds the password in plain text.
struct ProfileSettings {
    int profile = 0;                              // the active profile 1..10; 0 until one has been chosen
    std::array<ProfileName, kProfileCount> names; // pName of profiles 1..10

    ProfileName pName;
    Mode LCMode;
    Flag CheckStart;
    Flag CheckMode;
    Number CheckTime;
    Number CheckTime2;
    Number ReadLineNumC;
    Mode RcvOpt;
    Number ReadLineNum;
    Flag CheckNew;
    Flag CheckReNew;
    Number ToutTime;
    Flag CheckScr;
    Flag CHKAPL1;
    Flag CHKAPL2;
    Flag CheckDispMode;
    Flag CheckSubject;
    Flag CheckTitle;
    Flag CheckTitle2;
    Flag CheckTitle3;
    Number CheckTitleNum;
    Number ScrollNum;
    Number DisplayNum;
    Number DSPTime;
    Flag CHKAteSel;
    Flag CHKNoDlg;
    Flag CHKAdrDsp;
    Flag CHKLvChk;
    Flag CHKDelMsg1;
    Flag CHKDelMsg2;
    Flag CHKDspSort;
    Flag CheckSound;
    PathText SoundFile;
    Number SoundNum;
    PathText ErrSoundFile;
    PathText MailAgent;
    WinStyleText WinStyle;
    BoundedText<kDialupNameWidth> DialupName;
    Flag ChkOSSave;
    BoundedText<kDialupUserWidth> DialupUserName;
    Password DialupPassWord;
    Flag DSavePass;
    PathText PhoneBook;
    Flag DSConNow;
    Flag THDiscon;
    Flag ALDiscon;
    Flag THNone;
    Flag CheckFilter;
    Flag CheckFilter2;
    Flag CheckSpam;
    Flag SpmDel;
    Flag SpmEnt;
    Number SpamCloseSec;

    std::array<AccountSettings, kAccountSlots> accounts;
};

// Calls f(name, field) for every profile value in the order they are loaded and saved.
template <class Settings, class F> void ForEachProfileValue(Settings& s, F&& f) {
    f("pName", s.pName);
    f("LCMode", s.LCMode);
    f("CheckStart", s.CheckStart);
    f("CheckMode", s.CheckMode);
    f("CheckTime", s.CheckTime);
    f("CheckTime2", s.CheckTime2);
    f("ReadLineNumC", s.ReadLineNumC);
    f("RcvOpt", s.RcvOpt);
    f("ReadLineNum", s.ReadLineNum);
    f("CheckNew", s.CheckNew);
    f("CheckReNew", s.CheckReNew);
    f("ToutTime", s.ToutTime);
    f("CheckScr", s.CheckScr);
    f("CHKAPL1", s.CHKAPL1);
    f("CHKAPL2", s.CHKAPL2);
    f("CheckDispMode", s.CheckDispMode);
    f("CheckSubject", s.CheckSubject);
    f("CheckTitle", s.CheckTitle);
    f("CheckTitle2", s.CheckTitle2);
    f("CheckTitle3", s.CheckTitle3);
    f("CheckTitleNum", s.CheckTitleNum);
    f("ScrollNum", s.ScrollNum);
    f("DisplayNum", s.DisplayNum);
    f("DSPTime", s.DSPTime);
    f("CHKAteSel", s.CHKAteSel);
    f("CHKNoDlg", s.CHKNoDlg);
    f("CHKAdrDsp", s.CHKAdrDsp);
    f("CHKLvChk", s.CHKLvChk);
    f("CHKDelMsg1", s.CHKDelMsg1);
    f("CHKDelMsg2", s.CHKDelMsg2);
    f("CHKDspSort", s.CHKDspSort);
    f("CheckSound", s.CheckSound);
    f("SoundFile", s.SoundFile);
    f("SoundNum", s.SoundNum);
    f("ErrSoundFile", s.ErrSoundFile);
    f("MailAgent", s.MailAgent);
    f("WinStyle", s.WinStyle);
    f("DialupName", s.DialupName);
    f("ChkOSSave", s.ChkOSSave);
    f("DialupUserName", s.DialupUserName);
    f("DialupPassWord", s.DialupPassWord);
    f("DSavePass", s.DSavePass);
    f("PhoneBook", s.PhoneBook);
    f("DSConNow", s.DSConNow);
    f("THDiscon", s.THDiscon);
    f("ALDiscon", s.ALDiscon);
    f("THNone", s.THNone);
    f("CheckFilter", s.CheckFilter);
    f("CheckFilter2", s.CheckFilter2);
    f("CheckSpam", s.CheckSpam);
    f("SpmDel", s.SpmDel);
    f("SpmEnt", s.SpmEnt);
    f("SpamCloseSec", s.SpamCloseSec);
}

// Calls f(name, field) for every account value in the order they are loaded and saved.
template <class Account, class F> void ForEachAccountValue(Account& a, F&& f) {
    f("POP3Server", a.POP3Server);
    f("MailAdrs", a.MailAdrs);
    f("POP3UserName", a.POP3UserName);
    f("POP3PassWord", a.POP3PassWord);
    f("SavePass", a.SavePass);
    f("POP3PortNum", a.POP3PortNum);
    f("POP3Mode", a.POP3Mode);
    f("CHKACC", a.CHKACC);
    f("ErrJump", a.ErrJump);
    f("ASoundFile", a.ASoundFile);
    f("MailAgent2", a.MailAgent2);
    f("WinStyle2", a.WinStyle2);
}

// Passwords typed during this run, per profile 1..10: one per account slot and one for dialling.
// They are never written to the registry and live until the program ends.
class RuntimePasswords {
  public:
    // Profile 1..10 and slot 0..29; outside that range a shared dummy that is cleared each time.
    Password& account(int profile, int index);
    const Password& account(int profile, int index) const;
    Password& dialup(int profile);
    const Password& dialup(int profile) const;
    // Forgets every password of one profile.
    void ClearProfile(int profile);

  private:
    std::array<std::array<Password, kAccountSlots>, kProfileCount> accounts_;
    std::array<Password, kProfileCount> dialup_;
    mutable Password none_;
};

} // namespace corvex::settings
