// The action filters and their hand-over lists as a check run meets them: AFilter.001,
// Filter.001, ACT/ACTSEND.LST and ACT/FAPL.LST made from the input, the readers of each, and
// one message run through the filters, which queue their actions in the lists.
// Input: one byte of flags, then NUL-separated pieces: AFilter.001, Filter.001, ACTSEND.LST,
// FAPL.LST, the sender address, the sender name, the subject, then the To addresses.
#include "fuzz_support.h"

#include <set>
#include <vector>

#include "corvex/engine/data_paths.h"
#include "corvex/engine/message_summary.h"
#include "corvex/filters/action_filters.h"
#include "corvex/filters/action_lists.h"

namespace {

void check_filter(const corvex::ActionFilter& f) {
    for (const std::string* t : {&f.recipient, &f.sender, &f.subject})
        if (t->size() > corvex::kFilterPatternMax) fuzz::fail("filter pattern length");
}

std::size_t leading_lines(const std::string& text, bool (*parses)(std::string_view)) {
    std::size_t n = 0;
    for (std::size_t start = 0; start < text.size(); ++n) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line = std::string_view(text).substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!parses(line)) break;
        start = end + 1;
    }
    return n;
}

bool flags_equal(const corvex::ActionFilter& a, const corvex::ActionFilter& b) {
    return a.no_notify == b.no_notify && a.notify == b.notify && a.play_sound == b.play_sound &&
           a.start_program == b.start_program && a.send_mail == b.send_mail;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_base64();
    fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const std::string afilter = in.until('\0');
    const std::string legacy = in.until('\0');
    const std::string send_list = in.until('\0');
    const std::string program_list = in.until('\0');

    const std::string dir = fuzz::temp_dir("Corvex");
    corvex::EnsureDirectory(corvex::TempDirectory(dir));
    corvex::EnsureDirectory(corvex::ActDirectory(dir));
    const corvex::FilterAccount account{dir, 1, "user_host"};
    corvex::EnsureDirectory(corvex::AccountWorkDir(dir, account.work_folder));
    fuzz::write_file(corvex::ActionFilterPath(dir, 1), afilter);
    fuzz::write_file(corvex::LegacyFilterPath(dir, 1), legacy);
    fuzz::write_file(corvex::SendSettingListPath(dir), send_list);
    fuzz::write_file(corvex::ProgramListPath(dir), program_list);
    fuzz::remove_file(corvex::SoundListPath(dir, account.work_folder));
    fuzz::remove_file(corvex::SendListPath(dir));

    // Every line up to the first that does not parse is a filter; written back, it reads
    // back with the same actions.
    std::vector<corvex::ActionFilter> filters;
    if (!corvex::ReadActionFilters(corvex::ActionFilterPath(dir, 1), filters)) fuzz::fail("AFilter not read");
    const auto parses = [](std::string_view line) {
        corvex::ActionFilter f;
        return corvex::ParseActionFilterLine(line, f);
    };
    if (filters.size() != leading_lines(afilter, parses)) fuzz::fail("AFilter count");
    for (const corvex::ActionFilter& f : filters) {
        check_filter(f);
        corvex::ActionFilter again;
        if (!corvex::ParseActionFilterLine(corvex::FormatActionFilterLine(f), again) ||
            !flags_equal(f, again))
            fuzz::fail("filter line does not read back");
    }
    // A sound file name holding a line end (only a hand-edited list has one) splits its line.
    bool plain_sounds = true;
    for (const corvex::ActionFilter& f : filters)
        if (f.sound.find_first_of("\r\n") != std::string::npos) plain_sounds = false;

    std::vector<corvex::ActionFilter> legacy_filters;
    if (!corvex::ReadLegacyFilters(corvex::LegacyFilterPath(dir, 1), flags & 1, legacy_filters))
        fuzz::fail("Filter not read");
    for (const corvex::ActionFilter& f : legacy_filters)
        check_filter(f);
    corvex::LoadProfileFilters(dir, 1, flags & 1);

    const std::vector<corvex::SendSetting> settings = corvex::ReadSendSettings(dir);
    if (settings.size() > corvex::kSendSettingsMax) fuzz::fail("send setting count");
    for (const corvex::SendSetting& s : settings)
        if (s.id.size() > corvex::kSendSettingIdMax || s.name.size() > corvex::kSendSettingNameMax)
            fuzz::fail("send setting length");

    std::string value, path;
    const int lines = corvex::ReadActionLine(corvex::ProgramListPath(dir), 1 + flags % 4, value, path);
    if (lines < 0) fuzz::fail("ReadActionLine result");

    corvex::MessageSummary message;
    message.from_address = in.until('\0');
    message.from_name = in.until('\0');
    message.match_subject = in.until('\0');
    while (!in.empty() && message.to.size() < corvex::kMaxRecipients) {
        corvex::Recipient r;
        r.address = in.until('\0');
        message.to.push_back(r);
    }
    const int mode = (flags >> 1) % 3;
    const int r = corvex::RunActionFilters(account, mode, (flags >> 3) & 1, "1-1211020304-1", message);
    if (r != corvex::kFilterDoNotNotify && r != corvex::kFilterNotify && r != corvex::kFilterNotifyQueued)
        fuzz::fail("RunActionFilters result");

    // A sound is queued once however many filters name it.
    std::set<std::string> sounds;
    for (const corvex::ActionLine& line :
         corvex::ReadActionLines(corvex::SoundListPath(dir, account.work_folder))) {
        if (plain_sounds && !sounds.insert(line.value).second) fuzz::fail("sound queued twice");
    }
    fuzz::reset_base64();
    return 0;
}
