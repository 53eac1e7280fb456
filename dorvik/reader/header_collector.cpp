#include "reader/header_collector.h"

#include <cstring>

#include "reader/text_util.h"

namespace dorvik {
namespace {

bool IsFolded(const char* line) {
    return line[0] == ' ' || line[0] == '\t';
}

// The section markers of a cache file always stand on their own line.
bool IsCacheMarker(const char* line) {
    return std::strncmp(line, "---", 3) == 0;
}

// Adds the lines that continue a parameter list: each following line is joined while the
// previous one ends with ";"; an empty line or the end of the stream stops (and is left).
int JoinParameterLines(LineReader& reader, BoundedString& block) {
    for (;;) {
        int n = reader.Read(kReadMarkLine);
        if (n == kPositionFailed) return n;
        if (n <= 0 || IsCacheMarker(reader.raw())) {
            if (n != kEndOfStream && reader.Unread() != 0) return kPositionFailed;
            return 0;
        }
        block.Append("\r\n", 2);
        block.Append(reader.raw());
        if (!EndsWithChar(reader.raw(), ';')) return 0;
    }
}

// After a Content-Type field: joins the Content-* fields and folded lines that follow, up to
// an empty line (consumed) or the first line of another kind (joined as well).
int JoinContentFields(LineReader& reader, BoundedString& block) {
    bool after_encoding = false;
    for (;;) {
        int n = reader.Read(kReadMarkLine);
        if (n == kPositionFailed) return n;
        if (n <= 0) return 0;
        const char* line = reader.raw();
        if (IsFolded(line)) {
            while (IsFolded(line))
                ++line;
            if (after_encoding) block.Append("\r\n", 2);
            block.Append(line);
            continue;
        }
        if (IsCacheMarker(line)) return reader.Unread() == 0 ? 0 : kPositionFailed;
        block.Append("\r\n", 2);
        block.Append(line);
        if (StartsWithNoCase(line, "CONTENT-TRANSFER-ENCODING:")) {
            after_encoding = true;
        } else if (StartsWithNoCase(line, "CONTENT-DISPOSITION:") || StartsWithNoCase(line, "CONTENT-ID:")) {
            after_encoding = false;
        } else {
            return 0;
        }
    }
}

} // namespace

int CollectHeader(LineReader& reader, char* block, int block_cap, char* upper, int upper_cap) {
    BoundedString out(block, block_cap > 0 ? static_cast<std::size_t>(block_cap) : 0);
    if (upper != nullptr && upper_cap > 0) upper[0] = '\0';

    int result = reader.Read(kReadLine);
    if (result <= 0) return result;
    out.Append(reader.raw());

    const char* first = reader.raw();
    const bool content_type = StartsWithNoCase(first, "CONTENT-TYPE:");
    const bool disposition = StartsWithNoCase(first, "CONTENT-DISPOSITION:");
    const bool open_list = EndsWithChar(first, ';');
    int status = 0;
    if ((content_type || disposition) && open_list) {
        status = JoinParameterLines(reader, out);
    } else if (content_type && FindNoCase(first + 13, "TEXT/") != nullptr) {
        // "text/plain" without ";" may still have its charset on the next line.
        int peek = reader.Read(kPeekLine);
        if (peek == kPositionFailed) return peek;
        if (peek > 0 && FindNoCase(reader.raw(), "CHARSET=") != nullptr)
            status = JoinParameterLines(reader, out);
    }
    if (status == 0 && content_type) status = JoinContentFields(reader, out);
    if (status == kPositionFailed) return status;

    if (upper != nullptr && upper_cap > 0) CopyUpper(upper, static_cast<std::size_t>(upper_cap), block);
    return static_cast<int>(out.size());
}

} // namespace dorvik
