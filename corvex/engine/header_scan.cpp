#include "corvex/engine/header_scan.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "corvex/engine/data_paths.h"
#include "corvex/engine/encoded_words.h"
#include "corvex/engine/mail_date.h"
#include "corvex/engine/sjis_text.h"
#include "engine_texts.h"

namespace corvex {

namespace {

// The characters of a line's start that field names are matched on (the longest name,
// "CONTENT-TYPE:", "X-MAILEDITOR:", "X-MAIL-AGENT:", has 13).
constexpr std::size_t kFieldNameSpan = 16;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}
bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

void AssignBounded(std::string& buffer, std::string_view text, std::size_t max) {
    buffer.assign(sjis::Prefix(text, max));
}

void AppendBounded(std::string& buffer, std::string_view text, std::size_t max) {
    if (buffer.size() >= max) return;
    buffer.append(sjis::Prefix(text, max - buffer.size()));
}

// A Content-Type line (upper-cased) that marks an attachment: a mixed or related multipart,
// or a type that is neither multipart nor text (a part header such as application/pdf).
bool MarksAttachment(std::string_view upper) {
    return Contains(upper, "MULTIPART/MIXED") || Contains(upper, "MULTIPART/RELATED") ||
           (!Contains(upper, "MULTIPART/") && !Contains(upper, "TEXT/"));
}

// The text after the first colon of the Date line, blanks skipped; false when there is none.
bool SendDatePart(std::string_view line, std::string_view& part) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    part = sjis::SkipBlanks(line.substr(colon + 1));
    return !part.empty();
}

// The text after the last semicolon of the Received line, blanks and tabs skipped.
bool ReceivedDatePart(std::string_view line, std::string_view& part) {
    const std::size_t semicolon = line.rfind(';');
    if (semicolon == std::string_view::npos) return false;
    part = sjis::SkipBlanks(line.substr(semicolon + 1));
    return !part.empty();
}

std::string RemoveBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t') out.push_back(c);
    }
    return out;
}

} // namespace

// ---- scanning -------------------------------------------------------------------------

HeaderScanner::WorkSink HeaderScanner::FileSink(std::FILE* file) {
    return [file](std::string_view line) {
        if (file == nullptr) return;
        std::fwrite(line.data(), 1, line.size(), file);
        std::fwrite("\r\n", 1, 2, file);
    };
}

bool HeaderScanner::IsTerminator(std::string_view line) {
    return line == ".\r" || line == ".\r\n" || line == ".";
}

void HeaderScanner::Begin(int message_number, WorkSink work_file) {
    *this = HeaderScanner{};
    message_number_ = message_number;
    work_ = std::move(work_file);
    if (work_) work_(kWorkHeadStart);
}

void HeaderScanner::Feed(std::string_view line, long byte_count) {
    if (finished_) return;
    if (byte_count > 0)
        bytes_read_ = bytes_read_ > LONG_MAX - byte_count ? LONG_MAX : bytes_read_ + byte_count;
    // The reader keeps the CR of lines of one character; it is line end, not text.
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    const bool empty_line = line.empty();
    WriteWork(line, empty_line);
    if (empty_line) {
        EndField();
        return;
    }
    // Field names are matched on the upper-cased start of the line (the longest name has 13
    // characters); only a Content-Type line is upper-cased whole, where it is kept.
    char head[kFieldNameSpan];
    const std::size_t head_size = std::min(line.size(), sizeof head);
    for (std::size_t i = 0; i < head_size; ++i)
        head[i] = line[i] >= 'a' && line[i] <= 'z' ? static_cast<char>(line[i] - 'a' + 'A') : line[i];
    if (Recognise(line, std::string_view(head, head_size))) return;
    if ((line[0] == ' ' || line[0] == '\t') && current_ != Field::None) {
        Continue(line);
    } else {
        EndField();
    }
}

// upper: the upper-cased start of line, at least as long as the longest field name.
bool HeaderScanner::Recognise(std::string_view line, std::string_view upper) {
    // Stores a line whose occurrence rule admits it; a line it excludes ends the field.
    const auto take = [&](bool admitted, std::string& buffer, std::size_t max, Field field) {
        recognised_ = true;
        if (!admitted) {
            EndField();
            return true;
        }
        SetCurrent(field);
        AssignBounded(buffer, line, max);
        return true;
    };

    if (StartsWith(upper, "FROM:")) {
        const bool first = !from_seen_;
        from_seen_ = true;
        return take(first, from_, kScanFromMax, Field::From);
    }
    if (StartsWith(upper, "RETURN-PATH:")) return take(!from_seen_, from_, kScanFromMax, Field::From);
    if (StartsWith(upper, "DATE:")) return take(date_.empty(), date_, kScanDateMax, Field::Date);
    if (StartsWith(upper, "RECEIVED:"))
        return take(received_.empty(), received_, kScanReceivedMax, Field::Received);
    if (StartsWith(upper, "TO:") || StartsWith(upper, "CC:")) {
        const bool to = upper[0] == 'T';
        bool& seen = to ? to_seen_ : cc_seen_;
        recognised_ = true;
        if (seen) {
            EndField();
            return true;
        }
        seen = true;
        SetCurrent(to ? Field::To : Field::Cc);
        (to ? to_ : cc_).Add(line, false);
        return true;
    }
    if (StartsWith(upper, "SUBJECT:"))
        return take(subject_.empty(), subject_, kScanSubjectMax, Field::Subject);
    if (StartsWith(upper, "X-MAILER:")) {
        mailer_seen_ = true;
        return take(true, mailer_, kScanMailerMax, Field::Mailer);
    }
    if (StartsWith(upper, "X-MAILEDITOR:") || StartsWith(upper, "X-MAIL-AGENT:")) {
        const bool first = !mailer_seen_;
        mailer_seen_ = true;
        return take(first, mailer_, kScanMailerMax, Field::Mailer);
    }
    if (StartsWith(upper, "X-UIDL:")) {
        recognised_ = true;
        if (uidl_seen_) {
            EndField();
            return true;
        }
        uidl_seen_ = true;
        SetCurrent(Field::Uidl);
        AssignBounded(uidl_, sjis::SkipBlanks(line.substr(7)), kScanUidlMax);
        return true;
    }
    if (StartsWith(upper, "CONTENT-TYPE:")) {
        // Every Content-Type counts for the attachment flag; the first two are kept.
        const std::string upper_line = sjis::AsciiUpper(line);
        if (MarksAttachment(upper_line)) attachment_ = 1;
        recognised_ = true;
        if (content_types_ >= 2) {
            EndField();
            return true;
        }
        const int index = content_types_++;
        SetCurrent(index == 0 ? Field::ContentType1 : Field::ContentType2);
        AssignBounded(content_type_[index], upper_line, kScanContentTypeMax);
        return true;
    }
    if (StartsWith(upper, "MESSAGE-ID:")) {
        return take(message_id_.empty(), message_id_, kScanMessageIdMax, Field::MessageId);
    }
    return false;
}

std::string* HeaderScanner::Buffer(Field field, std::size_t& max) {
    switch (field) {
    case Field::From:
        max = kScanFromMax;
        return &from_;
    case Field::Date:
        max = kScanDateMax;
        return &date_;
    case Field::Received:
        max = kScanReceivedMax;
        return &received_;
    case Field::Subject:
        max = kScanSubjectMax;
        return &subject_;
    case Field::Mailer:
        max = kScanMailerMax;
        return &mailer_;
    case Field::Uidl:
        max = kScanUidlMax;
        return &uidl_;
    case Field::ContentType1:
        max = kScanContentTypeMax;
        return &content_type_[0];
    case Field::ContentType2:
        max = kScanContentTypeMax;
        return &content_type_[1];
    case Field::MessageId:
        max = kScanMessageIdMax;
        return &message_id_;
    case Field::None:
    case Field::To:
    case Field::Cc:
        break;
    }
    return nullptr;
}

// A folded line: the text after its first character joins the current field unchanged
// (Content-Type continuations are not upper-cased); To and Cc skip all leading blanks
// and tabs and split at commas.
void HeaderScanner::Continue(std::string_view line) {
    if (current_ == Field::To || current_ == Field::Cc) {
        (current_ == Field::To ? to_ : cc_).Add(sjis::SkipBlanks(line), true);
        return;
    }
    std::size_t max = 0;
    if (std::string* buffer = Buffer(current_, max)) AppendBounded(*buffer, line.substr(1), max);
}

void HeaderScanner::SetCurrent(Field field) {
    EndField();
    current_ = field;
}

void HeaderScanner::EndField() {
    if (current_ == Field::To) to_.Close();
    if (current_ == Field::Cc) cc_.Close();
    current_ = Field::None;
}

void HeaderScanner::RecipientList::Add(std::string_view text, bool continues) {
    bool first = true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view piece =
            comma == std::string_view::npos ? text.substr(start) : text.substr(start, comma - start);
        if (first && continues && open) {
            AppendBounded(raw.back(), piece, kScanRecipientRawMax);
        } else if (raw.size() < kMaxRecipients) {
            raw.emplace_back(sjis::Prefix(piece, kScanRecipientRawMax));
            open = true;
        } else {
            open = false; // the list is full: further pieces are dropped
        }
        first = false;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

void HeaderScanner::RecipientList::Close() {
    if (open && raw.back().size() <= 3) raw.pop_back();
    open = false;
}

void HeaderScanner::WriteWork(std::string_view line, bool empty_line) {
    if (!work_) return;
    if (empty_line && !body_started_) {
        body_started_ = true;
        work_("");
        work_(kWorkBodyStart);
        work_kept_ = 0;
        work_full_ = false;
        return;
    }
    // Once a part is cut, it stays cut: what is kept is always its first lines.
    const std::size_t max = body_started_ ? kWorkBodyKeptMax : kWorkHeaderKeptMax;
    const std::size_t size = line.size() + 2;
    if (work_full_ || size > max - work_kept_) {
        work_full_ = true;
        return;
    }
    work_kept_ += size;
    work_(empty_line ? std::string_view() : line);
}

int HeaderScanner::Finish() {
    if (finished_) return attachment_;
    EndField();
    finished_ = true;

    const std::string& type1 = content_type_[0];
    const std::string& type2 = content_type_[1];
    if (Contains(type1, "MULTIPART/MIXED")) attachment_ = 1;
    if (Contains(type1, "TEXT/HTML") || Contains(type1, "MULTIPART/ALTERNATIVE") ||
        Contains(type1, "MULTIPART/RELATED") || Contains(type2, "MULTIPART/ALTERNATIVE") ||
        Contains(type2, "MULTIPART/RELATED") ||
        (Contains(type1, "MULTIPART/") && Contains(type2, "TEXT/HTML"))) {
        html_ = 1;
    }
    if (Contains(type1, "MULTIPART/RELATED") || Contains(type2, "MULTIPART/RELATED")) attachment_ = 1;

    if (!recognised_) {
        broken_ = true;
        subject_ = texts::kSummaryBrokenHeader;
        char id[32];
        std::snprintf(id, sizeof id, "%03d-HEADER-ERR", message_number_);
        message_id_ = id;
        to_.raw.clear();
        attachment_ = 0;
        html_ = 0;
    }
    return attachment_;
}

// ---- summary --------------------------------------------------------------------------

MessageKey BuildMessageKey(const HeaderScanner& scan) {
    MessageKey result;
    std::string key;
    const std::string& id = scan.message_id();
    if (!id.empty()) {
        const std::size_t gt = id.find('>');
        if (gt == std::string::npos) {
            key = id;
        } else {
            const std::string_view cut(id.data(), gt + 1);
            const std::size_t lt = cut.find('<');
            key = lt == std::string_view::npos ? cut : cut.substr(lt);
        }
    } else if (!scan.uidl().empty()) {
        key = scan.uidl();
    } else {
        key = scan.from_line().empty() ? std::string("NoFrom") : scan.from_line();
        key += scan.subject_line().empty() ? std::string("NoSubject") : scan.subject_line();
        for (char& c : key) {
            if (c == ' ' || c == '\t' || c == ':') c = '+';
        }
        result.synthesised = true;
    }
    // The key is one field of the seen list and of the index: no blank and no control
    // character (any of them would split the field or the line when it is read back).
    for (char c : key) {
        if (c == ' ' || IsControlByte(c)) continue;
        result.key.push_back(c == '=' ? '_' : c);
    }
    return result;
}

std::string BuildKeySuffix(const HeaderScanner& scan) {
    std::string_view part;
    if (!ReceivedDatePart(scan.received_line(), part)) return "X";
    return std::string(sjis::Prefix(part, kKeySuffixMax));
}

ParsedAddress ParseAddress(std::string_view raw, AddressField field) {
    ParsedAddress result;
    if (raw.empty()) return result;

    std::string address;
    std::string name;
    const std::size_t lt = raw.rfind('<');
    if (lt != std::string_view::npos) {
        const std::size_t gt = raw.find('>', lt + 1);
        address = raw.substr(lt + 1, gt == std::string_view::npos ? std::string_view::npos : gt - lt - 1);
        std::string_view name_part = raw.substr(0, lt);
        const std::size_t colon = name_part.find(':');
        if (colon != std::string_view::npos) name_part = name_part.substr(colon + 1);
        name = DecodeHeaderText(sjis::SkipBlanks(name_part));
    } else {
        std::string_view text = raw;
        const std::size_t colon = text.find(':');
        if (colon != std::string_view::npos) text = text.substr(colon + 1);
        name = DecodeHeaderText(sjis::SkipBlanks(text));
        address = name;
    }
    address = RemoveBlanks(address);

    const char* unusable = field == AddressField::From ? texts::kSummaryUnknown : texts::kSummaryNotStated;
    if (!address.empty() && address[0] == '@') {
        address = unusable;
    } else if (field != AddressField::To && sjis::FindChar(address, '@') == std::string::npos) {
        address = unusable;
    }

    const std::size_t max = field == AddressField::From ? kFromMax : kAddressMax;
    sjis::Cut(address, max);
    sjis::Cut(name, max);
    result.address = std::string(sjis::StripTrailingBlanks(address));
    result.name = std::string(sjis::StripTrailingBlanks(name));
    return result;
}

MessageSummary BuildSummary(const HeaderScanner& scan, int local_offset_minutes) {
    MessageSummary s;

    MessageKey key = BuildMessageKey(scan);
    s.key = std::move(key.key);
    s.synthesised_key = key.synthesised;

    std::string_view part;
    if (SendDatePart(scan.date_line(), part)) {
        FormatMailDate(part, local_offset_minutes, s.send_date);
    } else {
        s.send_date = texts::kSummaryUnknown;
    }
    if (ReceivedDatePart(scan.received_line(), part)) {
        FormatMailDate(part, local_offset_minutes, s.received_date);
    } else {
        s.received_date = texts::kSummaryUnknown;
    }
    s.key_suffix = BuildKeySuffix(scan);

    for (const std::string& raw : scan.to_entries()) {
        ParsedAddress a = ParseAddress(raw, AddressField::To);
        s.to.push_back(Recipient{raw, std::move(a.address), std::move(a.name)});
    }
    for (const std::string& raw : scan.cc_entries()) {
        ParsedAddress a = ParseAddress(raw, AddressField::Cc);
        s.cc.push_back(Recipient{raw, std::move(a.address), std::move(a.name)});
    }

    if (scan.from_line().empty()) {
        s.from_address = s.from_name = s.from_display = texts::kSummaryUnknown;
    } else {
        ParsedAddress from = ParseAddress(scan.from_line(), AddressField::From);
        s.from_address = from.address;
        s.from_name = from.name.empty() ? from.address : from.name;
        s.from_display = from.name.empty() ? from.address : from.name + "<" + from.address + ">";
    }

    const std::string& mailer = scan.mailer_line();
    const std::size_t mailer_colon = mailer.find(':');
    if (mailer_colon == std::string::npos) {
        s.mailer = texts::kSummaryUnknown;
    } else {
        const std::string_view value =
            sjis::StripTrailingBlanks(sjis::SkipBlanks(std::string_view(mailer).substr(mailer_colon + 1)));
        s.mailer = std::string(sjis::Prefix(value, kMailerMax));
    }

    std::string_view subject = scan.subject_line();
    const std::size_t subject_colon = subject.find(':');
    if (subject_colon != std::string_view::npos)
        subject = sjis::SkipBlanks(subject.substr(subject_colon + 1));
    const std::string decoded = DecodeHeaderText(subject);
    if (decoded.empty()) {
        s.subject = texts::kSummaryNoSubject;
        s.match_subject = s.cache_subject = texts::kSummaryNotStated;
    } else {
        s.subject = sjis::Prefix(decoded, kSubjectMax);
        s.match_subject = sjis::Prefix(decoded, kMatchSubjectMax);
        s.cache_subject = sjis::Prefix(decoded, kCacheSubjectMax);
    }

    s.attachment = scan.attachment();
    s.html = scan.html();
    s.bytes_read = scan.bytes_read();
    return s;
}

} // namespace corvex
