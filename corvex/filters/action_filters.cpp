#include "corvex/filters/action_filters.h"

#include <algorithm>
#include <cstdio>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/filters/stored_text.h"
#include "corvex/filters/text_file.h"
#include "corvex/filters/wildcard.h"

namespace corvex {

namespace {

std::string NumberedName(const char* stem, int profile) {
    char name[32];
    std::snprintf(name, sizeof name, "%s.%03d", stem, profile);
    return name;
}

std::string DecodePattern(std::string_view token) {
    return filefmt::CutText(DecodeStoredText(token), kFilterPatternMax);
}

// A prefixed field: the three-letter prefix, then the stored text.
std::string DecodePrefixed(std::string_view token) {
    return DecodeStoredText(token.substr(std::min<std::size_t>(3, token.size())));
}

bool IsAbsent(const std::string& pattern) {
    return pattern == texts::kFilterNoCondition;
}

bool RecipientHolds(const std::string& pattern, std::vector<Recipient>& to) {
    if (IsAbsent(pattern)) return true;
    for (Recipient& recipient : to) {
        filefmt::LowerAscii(recipient.address);
        if (WildcardMatch(recipient.address, pattern) || WildcardMatch(recipient.name, pattern)) return true;
    }
    return false;
}

bool SenderHolds(const std::string& pattern, MessageSummary& message) {
    if (IsAbsent(pattern)) return true;
    filefmt::LowerAscii(message.from_address);
    return WildcardMatch(message.from_address, pattern) || WildcardMatch(message.from_name, pattern);
}

bool SubjectHolds(const std::string& pattern, const MessageSummary& message) {
    return IsAbsent(pattern) || WildcardMatch(message.match_subject, pattern);
}

} // namespace

std::string ActionFilterPath(std::string_view data_dir, int profile) {
    return JoinPath(data_dir, NumberedName("AFilter", profile));
}
std::string ActionFilterWorkPath(std::string_view data_dir) {
    return JoinPath(data_dir, "AFilter.$$$");
}
std::string LegacyFilterPath(std::string_view data_dir, int profile) {
    return JoinPath(data_dir, NumberedName("Filter", profile));
}

bool ParseActionFilterLine(std::string_view line, ActionFilter& out) {
    filefmt::FieldScanner scan(line);
    std::string tokens[6];
    for (std::string& token : tokens)
        if (!scan.Word(token)) return false;
    int flags[5];
    for (int& flag : flags)
        if (!scan.Number(flag)) return false;
    out.recipient = DecodePattern(tokens[0]);
    out.sender = DecodePattern(tokens[1]);
    out.subject = DecodePattern(tokens[2]);
    out.sound = DecodePrefixed(tokens[3]);
    out.program = DecodePrefixed(tokens[4]);
    out.send_setting = DecodePrefixed(tokens[5]);
    out.no_notify = flags[0];
    out.notify = flags[1];
    out.play_sound = flags[2];
    out.start_program = flags[3];
    out.send_mail = flags[4];
    return true;
}

std::string FormatActionFilterLine(const ActionFilter& filter) {
    std::string line = EncodeStoredText(filter.recipient) + " " + EncodeStoredText(filter.sender) + " " +
                       EncodeStoredText(filter.subject) + " SND" + EncodeStoredText(filter.sound) + " APL" +
                       EncodeStoredText(filter.program) + " ACT" + EncodeStoredText(filter.send_setting);
    for (int flag :
         {filter.no_notify, filter.notify, filter.play_sound, filter.start_program, filter.send_mail}) {
        line += ' ';
        line += std::to_string(flag);
    }
    return line;
}

bool ReadActionFilters(const std::string& path, std::vector<ActionFilter>& out) {
    out.clear();
    std::vector<std::string> lines;
    if (!filefmt::ReadLines(path, lines)) return false;
    for (const std::string& line : lines) {
        ActionFilter filter;
        if (!ParseActionFilterLine(line, filter)) break;
        out.push_back(std::move(filter));
    }
    return true;
}

bool ReadLegacyFilters(const std::string& path, bool no_notify, std::vector<ActionFilter>& out) {
    out.clear();
    std::vector<std::string> lines;
    if (!filefmt::ReadLines(path, lines)) return false;
    for (const std::string& line : lines) {
        filefmt::FieldScanner scan(line);
        int field;
        std::string token;
        if (!scan.Number(field) || !scan.Word(token)) break;
        ActionFilter filter;
        std::string* target = field == 1   ? &filter.sender
                              : field == 2 ? &filter.recipient
                              : field == 3 ? &filter.subject
                                           : nullptr;
        if (!target) continue;
        *target = DecodePattern(token);
        filter.no_notify = no_notify ? 1 : 0;
        filter.notify = no_notify ? 0 : 1;
        out.push_back(std::move(filter));
    }
    return true;
}

std::vector<ActionFilter> LoadProfileFilters(std::string_view data_dir, int profile, bool legacy_no_notify) {
    std::vector<ActionFilter> filters;
    if (!ReadActionFilters(ActionFilterPath(data_dir, profile), filters))
        ReadLegacyFilters(LegacyFilterPath(data_dir, profile), legacy_no_notify, filters);
    return filters;
}

bool WriteActionFilterWorkCopy(std::string_view data_dir, const std::vector<ActionFilter>& filters) {
    std::vector<std::string> lines;
    lines.reserve(filters.size());
    for (const ActionFilter& filter : filters)
        lines.push_back(FormatActionFilterLine(filter));
    return filefmt::WriteLines(ActionFilterWorkPath(data_dir), lines);
}

bool CommitActionFilterWorkCopy(std::string_view data_dir, int profile) {
    if (!filefmt::ReplaceWithWorkCopy(ActionFilterWorkPath(data_dir), ActionFilterPath(data_dir, profile)))
        return false;
    RemoveFile(LegacyFilterPath(data_dir, profile));
    return true;
}

int RunActionFilters(const FilterAccount& account, int mode, int newly_cached, const std::string& cache_name,
                     MessageSummary& message) {
    std::vector<ActionFilter> filters;
    if (!ReadActionFilters(ActionFilterPath(account.data_dir, account.profile), filters))
        return kFilterNotify;
    int result = 0;
    int matched = 0;
    for (const ActionFilter& filter : filters) {
        if (!RecipientHolds(filter.recipient, message.to) || !SenderHolds(filter.sender, message) ||
            !SubjectHolds(filter.subject, message))
            continue;
        ++matched;
        if (filter.no_notify == 1) {
            result = kFilterDoNotNotify;
            continue;
        }
        result = kFilterNotify;
        // A list that cannot be opened drops its action silently.
        if (filter.play_sound == 1) {
            AppendActionLine(SoundListPath(account.data_dir, account.work_folder), filter.sound);
            result = kFilterNotifyQueued;
        }
        if (newly_cached != 1) continue;
        if (filter.start_program == 1) {
            AppendActionLine(ProgramListPath(account.data_dir), account.work_folder, cache_name,
                             filter.program);
            result = kFilterNotifyQueued;
        }
        if (filter.send_mail == 1) {
            AppendActionLine(SendListPath(account.data_dir), account.work_folder, cache_name,
                             filter.send_setting);
            result = kFilterNotifyQueued;
        }
    }
    if (matched == 0) result = mode == kFilterModeOnlyMatching ? kFilterDoNotNotify : kFilterNotify;
    return result;
}

} // namespace corvex
