// One value at a time: the key of each selector, which writes create their key, the 254-byte limit.
#include "corvex/settings/settings_values.h"
#include "support/settings_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace corvex::settings;
using platform::RegKind;
using platform::RegStatus;

namespace {

TEST(KeySelector, PathsOfEveryKind) {
    const std::string root = kRootKeyPath;
    EXPECT_EQ(root, "Software\\Quillon\\Ravelin98");
    const struct {
        KeySelector key;
        std::string path;
    } cases[] = {
        {KeySelector::Root(), root},
        {KeySelector::Profile(1), root},
        {KeySelector::Profile(2), root + "\\002"},
        {KeySelector::Profile(10), root + "\\010"},
        {KeySelector::Account(1, 0), root + "\\0"},
        {KeySelector::Account(1, 29), root + "\\29"},
        {KeySelector::Account(3, 7), root + "\\003\\7"},
        {KeySelector::Work(), root + "\\Work"},
    };
    for (const auto& c : cases) {
        std::string path;
        EXPECT_TRUE(c.key.Path(root, path));
        EXPECT_EQ(path, c.path);
    }
    for (const KeySelector bad :
         {KeySelector::Profile(0), KeySelector::Profile(11), KeySelector::Account(1, 30),
          KeySelector::Account(1, -1), KeySelector::Account(11, 0)}) {
        std::string path = "x";
        EXPECT_FALSE(bad.Path(root, path));
        EXPECT_EQ(path, "");
    }
}

TEST(KeySelector, WorkValueNames) {
    EXPECT_EQ(MailCountName(0), "$$$MailCount_0");
    EXPECT_EQ(MailCount2Name(29), "$$$MailCount2_29");
}

class ValueStoreTest : public settings_test::RegistryTest {
  protected:
    void SetUp() override {
        RegistryTest::SetUp();
        store_.emplace(reg_, root_);
    }
    ValueStore& store() { return *store_; }
    std::optional<ValueStore> store_;
};

TEST_F(ValueStoreTest, MissingKeyOrValueReadsEmptyWithFailure) {
    std::string text = "old";
    EXPECT_EQ(store().Read(KeySelector::Root(), "pName", text), RegStatus::not_found);
    EXPECT_EQ(text, "");
    EXPECT_EQ(store().ReadOr(KeySelector::Profile(2), "CheckTime", "60"), "60");
    PutRaw("", "CheckTime", "");
    EXPECT_EQ(store().ReadOr(KeySelector::Root(), "CheckTime", "60"), "") << "an empty value is a value";
}

TEST_F(ValueStoreTest, ProfileWriteNeedsItsKeyAccountAndWorkWritesCreateTheirs) {
    EXPECT_EQ(store().Write(KeySelector::Profile(2), "pName", "x"), RegStatus::not_found);
    EXPECT_FALSE(reg_.key_exists(HKCU, root_ + "\\002")) << "a failed write creates nothing";

    EXPECT_EQ(store().Write(KeySelector::Account(2, 5), "POP3Server", "pop.example.com"), RegStatus::ok);
    EXPECT_EQ(Raw("002\\5", "POP3Server"), "pop.example.com");
    EXPECT_EQ(store().Write(KeySelector::Work(), "MODE", "NEW"), RegStatus::ok);
    EXPECT_EQ(Raw("Work", "MODE"), "NEW");

    // The account key brought its profile's key with it.
    EXPECT_EQ(store().Write(KeySelector::Profile(2), kSTOPModeWork, "OFF"), RegStatus::ok);
    EXPECT_EQ(Raw("002", "STOPModeWork"), "OFF");
    EXPECT_EQ(store().Write(KeySelector::Account(1, 30), "POP3Server", "x"), RegStatus::invalid_name);
}

TEST_F(ValueStoreTest, TextOf254BytesIsStoredAnd255Refused) {
    ASSERT_EQ(store().CreateKey(KeySelector::Root()), RegStatus::ok);
    const std::string longest(254, 'a');
    ASSERT_EQ(store().Write(KeySelector::Root(), "SoundFile", longest), RegStatus::ok);
    EXPECT_EQ(Raw("", "SoundFile"), longest);
    std::size_t bytes = 0;
    ASSERT_EQ(reg_.data_size(HKCU, root_, "SoundFile", bytes), RegStatus::ok);
    EXPECT_EQ(bytes, reg_.kind() == RegKind::win32 ? platform::kRegDataBytes : longest.size() + 1);

    EXPECT_EQ(store().Write(KeySelector::Root(), "SoundFile", std::string(255, 'b')), RegStatus::too_long);
    EXPECT_EQ(Raw("", "SoundFile"), longest) << "the old text stays, nothing is cut";
    EXPECT_EQ(store().Write(KeySelector::Account(1, 3), "MailAgent2", std::string(255, 'b')),
              RegStatus::too_long);
    EXPECT_FALSE(reg_.key_exists(HKCU, root_ + "\\3")) << "a refused text leaves no key behind";
}

TEST_F(ValueStoreTest, ShortTextIsPaddedTo255BytesOnWindows) {
    ASSERT_EQ(store().CreateKey(KeySelector::Root()), RegStatus::ok);
    ASSERT_EQ(store().Write(KeySelector::Root(), "CheckTime", "60"), RegStatus::ok);
    std::size_t bytes = 0;
    ASSERT_EQ(reg_.data_size(HKCU, root_, "CheckTime", bytes), RegStatus::ok);
    EXPECT_EQ(bytes, reg_.kind() == RegKind::win32 ? platform::kRegDataBytes : 3u);
    EXPECT_EQ(Raw("", "CheckTime"), "60");
}

} // namespace
