// The tray popup menu as data: entries and their states for the main window's states, the
// profile submenus' texts and commands, and the account mailer table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvex/mainwin/tray_menu.h"
#include "cp932.h"
#include "support/sjis.h"

namespace {

using namespace corvex;
using test_support::Sj;
using ::testing::ElementsAre;

std::string Utf8(const std::string& sjis) {
    return dorvik::cp932_to_utf8(sjis);
}

ProfileNameList Names(std::vector<std::string> utf8) {
    ProfileNameList names;
    names.fill("__XXX__");
    for (std::size_t i = 0; i < utf8.size(); ++i)
        names[i] = Sj(utf8[i]);
    return names;
}

// "text/g" for a greyed entry, "text/c" for a checked one, "-" for a separator.
std::vector<std::string> Describe(const std::vector<MenuEntry>& entries) {
    std::vector<std::string> out;
    for (const MenuEntry& e : entries) {
        if (e.kind == MenuKind::Separator) {
            out.push_back("-");
            continue;
        }
        out.push_back(Utf8(e.text) + (e.greyed ? "/g" : "") + (e.checked ? "/c" : ""));
    }
    return out;
}

const MenuEntry* Find(const std::vector<MenuEntry>& entries, int id) {
    for (const MenuEntry& e : entries)
        if (e.id == id) return &e;
    return nullptr;
}

TEST(TrayMenu, EntriesTopToBottomAndTheirStates) {
    TrayMenuState state;
    state.profile_names = Names({});
    EXPECT_THAT(Describe(BuildTrayMenu(state)),
                ElementsAre("離席ﾓｰﾄﾞにする(&R)", "-", "ﾒｰﾙ着信状況をﾁｪｯｸする(&C)", "通知ﾀﾞｲｱﾛｸﾞの表示(&D)/g",
                            "-", "ﾌﾟﾛﾌｧｲﾙの切り替え(&S)", "ﾌﾟﾛﾌｧｲﾙの編集(&P)", "-", "設定方法の説明(&H)", "-",
                            "ｽﾀｰﾄｱｯﾌﾟにｼｮｰﾄｶｯﾄを作成(&M)", "-", "ﾊﾞｰｼﾞｮﾝ情報...(&V)", "-",
                            "標準のﾒｰﾗｰを起動(&Z)", "その他のﾒｰﾗｰ起動(&O)", "-",
                            "削除したｽﾊﾟﾑのﾛｸﾞを表示(&L)", "-", "終了(&X)"));

    // Away, with results to show.
    state.away = true;
    state.results_available = true;
    std::vector<MenuEntry> menu = BuildTrayMenu(state);
    EXPECT_EQ(Describe(menu)[0], "離席ﾓｰﾄﾞを解除する(&R)/c");
    EXPECT_FALSE(Find(menu, menu_id::kResultList)->greyed);

    // Busy: only away mode and the spam log stay available.
    state.busy = true;
    menu = BuildTrayMenu(state);
    for (const MenuEntry& e : menu) {
        if (e.kind == MenuKind::Separator) continue;
        const bool stays = e.id == menu_id::kAway || e.id == menu_id::kSpamLog;
        EXPECT_EQ(e.greyed, !stays) << Utf8(e.text);
    }
}

TEST(TrayMenu, ProfileSubmenusListTheProfilesByTheirNames) {
    TrayMenuState state;
    state.profile_names = Names({"標準のﾌﾟﾛﾌｧｲﾙ"});
    std::vector<MenuEntry> menu = BuildTrayMenu(state);
    const MenuEntry* switching = Find(menu, menu_id::kProfileSwitchMenu);
    ASSERT_NE(switching, nullptr);
    EXPECT_THAT(Describe(switching->items), ElementsAre("標準のﾌﾟﾛﾌｧｲﾙ/c"));
    EXPECT_EQ(switching->items[0].id, 32783);
    const MenuEntry& editing = menu[6];
    ASSERT_EQ(editing.items.size(), 10u);
    EXPECT_EQ(Utf8(editing.items[0].text), "[ 1] 標準のﾌﾟﾛﾌｧｲﾙ");
    EXPECT_EQ(Utf8(editing.items[1].text), "[ 2] --- 未使用 ---");
    EXPECT_EQ(Utf8(editing.items[9].text), "[10] --- 未使用 ---");
    EXPECT_EQ(editing.items[9].id, 32793);

    // Profile 1 named Home, profile 3 used and active.
    state.profile_names = Names({"Home", "__XXX__", "出張先"});
    state.active_profile = 3;
    menu = BuildTrayMenu(state);
    switching = Find(menu, menu_id::kProfileSwitchMenu);
    EXPECT_THAT(Describe(switching->items), ElementsAre("Home(標準)", "出張先/c"));
    EXPECT_EQ(switching->items[1].id, 9001);
    EXPECT_EQ(Utf8(menu[6].items[0].text), "[ 1] Home(標準)");
    EXPECT_EQ(Utf8(menu[6].items[2].text), "[ 3] 出張先");

    // A profile 1 marked unused takes the default name.
    EXPECT_EQ(Utf8(*ProfileSwitchText(Names({}), 1)), "標準のﾌﾟﾛﾌｧｲﾙ");
    EXPECT_FALSE(ProfileSwitchText(Names({}), 2));
}

TEST(TrayMenu, CommandsLeadBackToTheirProfileOrMailer) {
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(ProfileOfSwitchCommand(ProfileSwitchCommand(n)), n);
        EXPECT_EQ(ProfileOfEditCommand(32784 + n - 1), n);
    }
    EXPECT_EQ(ProfileSwitchCommand(10), 9008);
    EXPECT_FALSE(ProfileOfSwitchCommand(9009));
    EXPECT_FALSE(ProfileOfEditCommand(32794));
    EXPECT_EQ(AccountMailerOfCommand(32804), 0);
    EXPECT_EQ(AccountMailerOfCommand(9600), 1);
    EXPECT_EQ(AccountMailerOfCommand(9628), 29);
    EXPECT_FALSE(AccountMailerOfCommand(9629));
}

TEST(TrayMenu, AccountMailersOfAccountsWithTheirOwnMailer) {
    std::vector<MailerAccount> accounts(3);
    accounts[0] = {"taro", "pop.example.jp", "", "C:\\Program Files\\Mail\\mailer.exe", "NORMAL"};
    accounts[1] = {"hanako", "pop.example.jp", "", "", ""}; // no mailer of its own
    accounts[2] = {"jiro", "pop.example.com", "jiro@example.com",
                   "\"C:\\Mail\\mail.exe\" /f \"D:\\box\\in.mbx\"", "MAX"};
    const std::vector<AccountMailer> table = AccountMailers(accounts);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[0].command, 32804);
    EXPECT_EQ(table[0].text, "taro@pop.example.jp(mailer.exe)");
    EXPECT_EQ(table[0].window_style, "NORMAL");
    EXPECT_EQ(table[1].command, 9600);
    // The program's name, not the last path of its arguments.
    EXPECT_EQ(table[1].text, "jiro@example.com(mail.exe)");
    EXPECT_EQ(table[1].command_line, accounts[2].mail_agent2);

    TrayMenuState state;
    state.profile_names = Names({});
    EXPECT_THAT(Describe(Find(BuildTrayMenu(state), menu_id::kOtherMailerMenu)->items),
                ElementsAre("（未登録）"));
    state.mailers = table;
    EXPECT_THAT(Describe(Find(BuildTrayMenu(state), menu_id::kOtherMailerMenu)->items),
                ElementsAre("taro@pop.example.jp(mailer.exe)", "jiro@example.com(mail.exe)"));
}

} // namespace
