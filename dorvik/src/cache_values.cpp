#include "cache_values.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "dorvik.h"
#include "reader/header_collector.h"
#include "reader/line_reader.h"
#include "reader/multipart_walker.h"
#include "reader/text_util.h"

namespace dorvik {
namespace {

constexpr int kUpperCap = 1024;
constexpr int kBlockCap = 4096;
constexpr std::size_t kAttachmentsCap = 4096;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Key of the info line that holds a variable ("" for the variables taken elsewhere).
const char* InfoKey(TemplateVar var) {
    switch (var) {
    case TemplateVar::kFrom:
        return "[XXX]";
    case TemplateVar::kFromAdrs:
        return "F1";
    case TemplateVar::kTo:
        return "TO";
    case TemplateVar::kToAdrs:
        return "T1";
    case TemplateVar::kCc:
        return "CC";
    case TemplateVar::kCcAdrs:
        return "C1";
    case TemplateVar::kSubject:
        return "SB";
    case TemplateVar::kSendDate:
        return "SD";
    case TemplateVar::kRcvDate:
        return "RD";
    default:
        return "";
    }
}

// The value of an info line for `key`, or null when the line has another key. The sender's
// name stands from the eleventh character of the "[XXX] n n name" line; keyed values from
// the fourth.
const char* InfoValue(const char* line, const char* key) {
    std::size_t n = std::strlen(key);
    if (std::strncmp(line, key, n) != 0) return nullptr;
    std::size_t skip = n == 2 ? 3 : 10;
    if (n == 2 && line[2] != ' ' && line[2] != '\0') return nullptr;
    return std::strlen(line) > skip ? line + skip : "";
}

std::string ApplyBodyMode(const std::string& body, int mode) {
    if (mode != 1 && mode != 2) return body;
    std::string out;
    out.reserve(body.size());
    bool line_start = true;
    for (std::size_t i = 0; i < body.size(); ++i) {
        char c = body[i];
        if (mode == 2) {
            if (c != '\r' && c != '\n') out += c;
            continue;
        }
        if (line_start) {
            if (c == '\n') continue;
            if (c == '\r' && i + 1 < body.size() && body[i + 1] == '\n') {
                ++i;
                continue;
            }
        }
        out += c;
        line_start = c == '\n';
    }
    return out;
}

// How the body of the message is to be read, learnt from its Content-* header fields.
struct BodyFormat {
    char charset[2] = "J";
    char encoding[4] = "";
    char boundary[DORVIK_BOUNDARY_CAP] = "";
    bool multipart = false;

    void Learn(const char* block, const char* upper) {
        char work[DORVIK_HEADER_CAP];
        char file_name[DORVIK_HEADER_CAP];
        char found_encoding[4] = "";
        int kind = 1;
        if (StartsWithNoCase(upper, "CONTENT-TRANSFER-ENCODING:")) {
            char unused_boundary[DORVIK_BOUNDARY_CAP] = "";
            char unused_charset[2] = "J";
            CheckContentHD(block, work, unused_charset, found_encoding, file_name, unused_boundary, &kind);
            std::strcpy(encoding, found_encoding);
        } else if (StartsWithNoCase(upper, "CONTENT-TYPE:")) {
            int type = CheckContentHD(block, work, charset, found_encoding, file_name, boundary, &kind);
            multipart = type == 2 || type == 3;
            if (found_encoding[0] != '\0') std::strcpy(encoding, found_encoding);
        }
    }
};

std::string ReadMultipartBody(std::FILE* f, const BodyFormat& format, std::size_t cap) {
    std::vector<char> area(cap + 1, '\0');
    std::vector<char> attachments(kAttachmentsCap, '\0');
    char upper[kUpperCap];
    FixedPartTable<kLibraryPartRoom> parts;
    MultipartContext ctx{f,
                         TextArea(area.data(), area.data() + area.size()),
                         attachments.data(),
                         attachments.data() + attachments.size(),
                         &parts,
                         upper,
                         kUpperCap};
    int result;
    do {
        result = WalkMultipart(ctx, format.boundary, nullptr);
    } while (result != kEndOfStream && result != kPositionFailed);
    return parts.count() > 0 ? std::string(parts.start(0)) : std::string();
}

std::string ReadSinglePartBody(LineReader& reader, const BodyFormat& format, std::size_t cap) {
    std::string body;
    char pending[DORVIK_PENDING_CAP] = "";
    int state = 0;
    char line[DORVIK_LINE_CAP];
    char work[DORVIK_LINE_CAP];
    const bool base64 = std::strcmp(format.encoding, "B") == 0;
    while (body.size() < cap && reader.Read(kReadLine) >= 0) {
        BoundedString in(line, sizeof line);
        in.Append(reader.raw());
        if (!base64) in.Append("\r\n", 2);
        work[0] = '\0';
        EncodeStr(line, work, &state, pending, format.charset, format.encoding);
        work[sizeof work - 1] = '\0';
        body += work;
    }
    return body;
}

enum class Section { kNone, kInfo, kHead, kBody };

} // namespace

const char* TemplateVarName(TemplateVar var) {
    static const char* const names[kTemplateVarCount] = {
        "%FROM",    "%FROM_ADRS", "%TO",      "%TO_ADRS", "%CC",   "%CC_ADRS",
        "%SUBJECT", "%SENDDATE",  "%RCVDATE", "%HEAD",    "%BODY", "%POPSVR",
    };
    return names[static_cast<int>(var)];
}

std::string ReadCacheValue(const char* path, TemplateVar var, int mode, std::size_t cap) {
    if (var == TemplateVar::kPopSvr || path == nullptr || path[0] == '\0' || cap == 0) return {};
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) return {};

    const char* key = InfoKey(var);
    char upper_line[kUpperCap];
    LineReader reader(file.get(), upper_line, kUpperCap);
    std::vector<char> block(kBlockCap);
    char upper[kUpperCap];
    Section section = Section::kNone;
    BodyFormat format;
    std::string value;

    for (;;) {
        int n = CollectHeader(reader, block.data(), kBlockCap, upper, kUpperCap);
        if (n < 0) break;
        if (n == 0) continue; // empty lines separate nothing here
        const char* line = block.data();
        if (std::strcmp(line, "---INFO ST---") == 0) {
            section = Section::kInfo;
            continue;
        }
        if (std::strcmp(line, "---HEAD ST---") == 0) {
            if (key[0] != '\0') break; // the info block is over: the value is not there
            section = Section::kHead;
            continue;
        }
        if (std::strcmp(line, "---BODY ST---") == 0) {
            section = Section::kBody;
            break;
        }
        if (section == Section::kInfo && key[0] != '\0') {
            if (const char* v = InfoValue(line, key)) {
                value = v;
                break;
            }
        } else if (section == Section::kHead) {
            if (var == TemplateVar::kHead) {
                value += line;
                value += "\r\n";
                if (value.size() >= cap) break;
            } else if (var == TemplateVar::kBody) {
                format.Learn(line, upper);
            }
        }
    }

    if (var == TemplateVar::kBody) {
        if (section != Section::kBody) return {};
        value = format.multipart ? ReadMultipartBody(file.get(), format, cap)
                                 : ReadSinglePartBody(reader, format, cap);
        value = ApplyBodyMode(value, mode);
    }
    return value;
}

} // namespace dorvik
