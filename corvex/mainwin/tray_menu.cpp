#include "corvex/mainwin/tray_menu.h"

#include <cstdio>

#include "corvex/mainwin/suspension.h"
#include "corvex/settings/profile_settings.h"
#include "mainwin_texts.h"

namespace corvex {

namespace {

constexpr std::size_t kMailerCommandMax = 199;
constexpr std::size_t kMailerStyleMax = 29;

std::string Format(const char* pattern, int number, const std::string& text) {
    char line[512];
    std::snprintf(line, sizeof line, pattern, number, text.c_str());
    return line;
}
std::string Format(const char* pattern, const std::string& text) {
    char line[512];
    std::snprintf(line, sizeof line, pattern, text.c_str());
    return line;
}

bool IsUnused(const std::string& name) {
    return name == settings::kUnusedProfileName;
}

// Profile n's name, with profile 1's default name when it is marked unused.
std::string NameOf(const ProfileNameList& names, int n) {
    const std::string& name = names[static_cast<std::size_t>(n - 1)];
    if (n == 1 && (IsUnused(name) || name.empty())) return texts::kProfileDefaultName;
    return name;
}

MenuEntry Item(int id, const char* text, bool greyed = false) {
    MenuEntry e;
    e.id = id;
    e.text = text;
    e.greyed = greyed;
    return e;
}
MenuEntry Separator() {
    MenuEntry e;
    e.kind = MenuKind::Separator;
    return e;
}
MenuEntry Submenu(int id, const char* text, bool greyed, std::vector<MenuEntry> items) {
    MenuEntry e;
    e.kind = MenuKind::Submenu;
    e.id = id;
    e.text = text;
    e.greyed = greyed;
    e.items = std::move(items);
    return e;
}

std::vector<MenuEntry> SwitchItems(const TrayMenuState& state) {
    std::vector<MenuEntry> items;
    for (int n = 1; n <= kMenuProfiles; ++n) {
        const std::optional<std::string> text = ProfileSwitchText(state.profile_names, n);
        if (!text) continue;
        MenuEntry e;
        e.id = ProfileSwitchCommand(n);
        e.text = *text;
        e.checked = n == state.active_profile;
        items.push_back(std::move(e));
    }
    return items;
}

std::vector<MenuEntry> EditItems(const TrayMenuState& state) {
    std::vector<MenuEntry> items;
    for (int n = 1; n <= kMenuProfiles; ++n) {
        MenuEntry e;
        e.id = menu_id::kEditProfile1 + n - 1;
        e.text = ProfileEditText(state.profile_names, n);
        items.push_back(std::move(e));
    }
    return items;
}

std::vector<MenuEntry> MailerItems(const TrayMenuState& state) {
    if (state.mailers.empty()) return {Item(menu_id::kFirstAccountMailer, texts::kMenuNoMailer)};
    std::vector<MenuEntry> items;
    for (const AccountMailer& m : state.mailers) {
        MenuEntry e;
        e.id = m.command;
        e.text = m.text;
        items.push_back(std::move(e));
    }
    return items;
}

} // namespace

std::vector<AccountMailer> AccountMailers(const std::vector<MailerAccount>& accounts) {
    std::vector<AccountMailer> table;
    for (std::size_t slot = 0; slot < accounts.size() && slot < kMenuAccountSlots; ++slot) {
        const MailerAccount& a = accounts[slot];
        if (a.user.empty() || a.mail_agent2.empty()) continue;
        AccountMailer m;
        const int k = static_cast<int>(table.size());
        m.command = k == 0 ? menu_id::kFirstAccountMailer : menu_id::kAccountMailer1 + k - 1;
        m.command_line = a.mail_agent2.substr(0, kMailerCommandMax);
        m.window_style = a.win_style2.substr(0, kMailerStyleMax);
        const std::string program = CommandFileName(m.command_line);
        const std::string label = a.mail_address.empty() ? a.user + "@" + a.server : a.mail_address;
        // Only the part after a backslash or drive colon of the whole text is shown.
        m.text = PathFileName(label + "(" + program + ")");
        table.push_back(std::move(m));
    }
    return table;
}

std::optional<std::string> ProfileSwitchText(const ProfileNameList& names, int n) {
    if (n < 1 || n > kMenuProfiles) return std::nullopt;
    const std::string name = NameOf(names, n);
    if (n == 1) return name == texts::kProfileDefaultName ? name : Format(texts::kProfileDefaultMark, name);
    if (IsUnused(name) || name.empty()) return std::nullopt;
    return name;
}

std::string ProfileEditText(const ProfileNameList& names, int n) {
    const std::string name = NameOf(names, n);
    if (n == 1)
        return name == texts::kProfileDefaultName ? Format(texts::kProfileEditLine, 1, name)
                                                  : Format(texts::kProfileEditDefaultLine, 1, name);
    if (IsUnused(name) || name.empty()) return Format(texts::kProfileEditUnused, n, std::string());
    return Format(texts::kProfileEditLine, n, name);
}

int ProfileSwitchCommand(int n) {
    return n == 1 ? menu_id::kSwitchProfile1 : menu_id::kSwitchProfile2 + n - 2;
}

std::optional<int> ProfileOfSwitchCommand(int command) {
    if (command == menu_id::kSwitchProfile1) return 1;
    if (command >= menu_id::kSwitchProfile2 && command <= menu_id::kSwitchProfile2 + kMenuProfiles - 2)
        return command - menu_id::kSwitchProfile2 + 2;
    return std::nullopt;
}

std::optional<int> ProfileOfEditCommand(int command) {
    if (command >= menu_id::kEditProfile1 && command < menu_id::kEditProfile1 + kMenuProfiles)
        return command - menu_id::kEditProfile1 + 1;
    return std::nullopt;
}

std::optional<int> AccountMailerOfCommand(int command) {
    if (command == menu_id::kFirstAccountMailer) return 0;
    if (command >= menu_id::kAccountMailer1 && command < menu_id::kAccountMailer1 + kMenuAccountSlots - 1)
        return command - menu_id::kAccountMailer1 + 1;
    return std::nullopt;
}

std::vector<MenuEntry> BuildTrayMenu(const TrayMenuState& state) {
    const bool busy = state.busy;
    MenuEntry away = Item(menu_id::kAway, state.away ? texts::kMenuAwayOff : texts::kMenuAwayOn);
    away.checked = state.away;
    return {
        away,
        Separator(),
        Item(menu_id::kCheck, texts::kMenuCheck, busy),
        Item(menu_id::kResultList, texts::kMenuResultList, busy || !state.results_available),
        Separator(),
        Submenu(menu_id::kProfileSwitchMenu, texts::kMenuProfileSwitch, busy, SwitchItems(state)),
        Submenu(0, texts::kMenuProfileEdit, busy, EditItems(state)),
        Separator(),
        Item(menu_id::kHelp, texts::kMenuHelp, busy),
        Separator(),
        Item(menu_id::kShortcut, texts::kMenuShortcut, busy),
        Separator(),
        Item(menu_id::kVersion, texts::kMenuVersion, busy),
        Separator(),
        Item(menu_id::kStandardMailer, texts::kMenuStandardMailer, busy),
        Submenu(menu_id::kOtherMailerMenu, texts::kMenuOtherMailer, busy, MailerItems(state)),
        Separator(),
        Item(menu_id::kSpamLog, texts::kMenuSpamLog),
        Separator(),
        Item(menu_id::kExit, texts::kMenuExit, busy),
    };
}

} // namespace corvex
