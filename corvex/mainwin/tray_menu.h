// The tray icon's popup menu as plain data: its entries, ids, texts and their greyed and
// checked states as a function of the main window's state, with the profile switch, profile
// edit and account mailer submenus. The Windows build turns it into a menu; the tests check it
// as a table, since another process cannot read a menu under Wine.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace corvex {

namespace menu_id {
inline constexpr int kAway = 32776;
inline constexpr int kCheck = 32795;
inline constexpr int kResultList = 32779;
inline constexpr int kProfileSwitchMenu = 9500;
inline constexpr int kHelp = 32777;
inline constexpr int kShortcut = 32778;
inline constexpr int kVersion = 32774;
inline constexpr int kStandardMailer = 32797;
inline constexpr int kOtherMailerMenu = 9700;
inline constexpr int kSpamLog = 32805;
inline constexpr int kExit = 32773;
inline constexpr int kSwitchProfile1 = 32783;     // profile 1
inline constexpr int kSwitchProfile2 = 9000;      // profiles 2..10: 9000..9008
inline constexpr int kEditProfile1 = 32784;       // profiles 1..10: 32784..32793
inline constexpr int kFirstAccountMailer = 32804; // entry 0
inline constexpr int kAccountMailer1 = 9600;      // entries 1..29: 9600..9628
} // namespace menu_id

inline constexpr int kMenuProfiles = 10;
inline constexpr int kMenuAccountSlots = 30;

enum class MenuKind { Item, Separator, Submenu };

struct MenuEntry {
    MenuKind kind = MenuKind::Item;
    int id = 0;       // command, or the submenu item's id; 0 for a separator or an unnamed submenu
    std::string text; // Shift_JIS
    bool greyed = false;
    bool checked = false;
    std::vector<MenuEntry> items; // a submenu's entries
};

// One account's values for the account mailer submenu.
struct MailerAccount {
    std::string user;         // POP3UserName
    std::string server;       // POP3Server
    std::string mail_address; // MailAdrs
    std::string mail_agent2;  // MailAgent2: the account's own mailer command
    std::string win_style2;   // WinStyle2
};

// An entry of the account mailer table: the command that starts it, its menu text, and what
// the program start receives.
struct AccountMailer {
    int command = 0;
    std::string text;
    std::string command_line; // up to 199 bytes
    std::string window_style; // up to 29 bytes
};

// The table in account order: one entry per slot whose user name and MailAgent2 are both set.
std::vector<AccountMailer> AccountMailers(const std::vector<MailerAccount>& accounts);

// Profile names of slots 1..10 as stored; "__XXX__" marks an unused slot. A profile 1 marked
// unused is named "標準のﾌﾟﾛﾌｧｲﾙ".
using ProfileNameList = std::array<std::string, kMenuProfiles>;

// Text of profile n (1..10) in the switch submenu and the profile combo box; nothing for an
// unused profile, which is not listed.
std::optional<std::string> ProfileSwitchText(const ProfileNameList& names, int n);
// Text of profile n in the edit submenu and the edit combo box: always one.
std::string ProfileEditText(const ProfileNameList& names, int n);

// Commands of the profile submenus and back.
int ProfileSwitchCommand(int n);
std::optional<int> ProfileOfSwitchCommand(int command);
std::optional<int> ProfileOfEditCommand(int command);
// Index into the account mailer table of an account mailer command.
std::optional<int> AccountMailerOfCommand(int command);

struct TrayMenuState {
    bool away = false;
    bool busy = false;              // a check runs or the settings sheet is open
    bool results_available = false; // the result list has something to show
    int active_profile = 1;
    ProfileNameList profile_names;
    std::vector<AccountMailer> mailers;
};

// The popup menu, top to bottom. While busy only away mode and the spam log stay available.
std::vector<MenuEntry> BuildTrayMenu(const TrayMenuState& state);

} // namespace corvex
