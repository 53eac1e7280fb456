#include "reader/multipart_walker.h"

#include <cstring>
#include <string>

#include "dorvik.h"
#include "reader/line_reader.h"
#include "reader/text_util.h"

namespace dorvik {
namespace {

// Where the walk is within the current part.
enum Phase {
    kSeekingPart = 0, // before the first boundary line, or after a nested multipart
    kPartStart = 1,   // just after a boundary line: no header seen yet
    kPartHeader = 2,  // reading the part's header lines
    kPartBody = 3,    // inside a text part's body (or a part that is not shown)
    kSkippedBody = 4, // inside an attachment, skipped
};

// Per-part state: reset at every boundary line.
struct PartState {
    char charset[2];
    char encoding[4];
    int kind;
    bool is_text;
    char header[kPartHeaderCap];
    BoundedString header_block{header, sizeof header};
    char file_name[kFileNameCap];
    char nested[kBoundaryCap];
    char pending[DORVIK_PENDING_CAP];
    int line_state;

    void Reset() {
        std::strcpy(charset, "J");
        encoding[0] = '\0';
        kind = kPartPlain;
        is_text = false;
        header_block = BoundedString(header, sizeof header);
        file_name[0] = '\0';
        nested[0] = '\0';
        pending[0] = '\0';
        line_state = 0;
    }
};

bool Contains(const char* line, const std::string& needle) {
    return !needle.empty() && std::strstr(line, needle.c_str()) != nullptr;
}

void StartText(MultipartContext& ctx, PartState& part, int kind) {
    part.kind = kind;
    part.is_text = true;
    ctx.text.Terminate();
    if (ctx.text.usable() && ctx.parts != nullptr) ctx.parts->Record(ctx.text.cursor(), kind);
}

// Decodes one body line of a text part and appends it to the text area. The line keeps its
// CR LF (except in Base64, where line ends carry no data), so a quoted-printable soft break
// joins the line with the next one.
void AppendBodyLine(MultipartContext& ctx, PartState& part, const char* raw) {
    char line[DORVIK_LINE_CAP];
    char work[DORVIK_LINE_CAP];
    BoundedString in(line, sizeof line);
    in.Append(raw);
    if (std::strcmp(part.encoding, "B") != 0) in.Append("\r\n");
    work[0] = '\0';
    EncodeStr(line, work, &part.line_state, part.pending, part.charset, part.encoding);
    work[sizeof work - 1] = '\0';
    ctx.text.Append(work);
}

int Walk(MultipartContext& ctx, const char* boundary_text, const char* outer_text, int depth) {
    const std::string boundary = boundary_text != nullptr ? boundary_text : "";
    const std::string outer = outer_text != nullptr ? outer_text : "";
    const std::string end_marker = boundary.empty() ? std::string() : "--" + boundary + "--";

    LineReader reader(ctx.stream, ctx.upper, ctx.upper_cap);
    PartState part;
    part.Reset();
    int phase = kSeekingPart;

    for (;;) {
        const int result = reader.Read(kReadMarkLine);
        if (result == kPositionFailed) return result;
        const bool at_end = result == kEndOfStream;
        if (at_end && (phase == kSeekingPart || phase >= kPartBody)) return result;
        const char* line = at_end ? "" : reader.raw();

        if (phase == kSeekingPart) {
            if (Contains(line, boundary)) {
                // An end marker here closes a walk that has no part left (e.g. after a
                // nested multipart): it must not start a part of its own.
                if (Contains(line, end_marker)) return result;
                part.Reset();
                phase = kPartStart;
            } else if (Contains(line, outer)) {
                // A nested walk never reads past its enclosing boundary.
                return reader.Unread() == 0 ? result : kPositionFailed;
            }
            continue;
        }

        if (line[0] == '\0') {
            if (phase == kPartStart) {
                // A part without headers is plain text.
                std::strcpy(part.charset, "J");
                part.encoding[0] = '\0';
                StartText(ctx, part, kPartPlain);
                phase = kPartBody;
            } else if (phase == kPartHeader) {
                char work[DORVIK_HEADER_CAP];
                int kind = part.kind;
                int type = CheckContentHD(part.header, work, part.charset, part.encoding, part.file_name,
                                          part.nested, &kind);
                if (type == 1) {
                    StartText(ctx, part, kind);
                    phase = kPartBody;
                } else if (type == 2 || type == 3) {
                    if (depth + 1 < kMaxNesting) {
                        int nested = Walk(ctx, part.nested, boundary.c_str(), depth + 1);
                        if (nested == kPositionFailed) return nested;
                        phase = kSeekingPart;
                    } else {
                        phase = kSkippedBody;
                    }
                } else if (type == 4) {
                    AppendListName(ctx.attachments, ctx.attachments_end, part.file_name);
                    phase = kSkippedBody;
                } else {
                    phase = kPartBody;
                }
            } else {
                // A blank line in a body: kept unless the next line is a boundary line
                // (that line break belongs to the boundary).
                int peek = reader.Read(kPeekLine);
                if (peek == kPositionFailed) return peek;
                const char* next = peek == kEndOfStream ? "" : reader.raw();
                bool boundary_next = Contains(next, boundary) || Contains(next, outer);
                if (!boundary_next && phase == kPartBody && part.is_text) ctx.text.Append("\r\n", 2);
            }
            continue;
        }

        const bool has_boundary = Contains(line, boundary);
        if (!has_boundary && !Contains(line, outer)) {
            if (phase == kPartStart || phase == kPartHeader) {
                part.header_block.Append(line);
                part.header_block.Append("\r\n", 2);
                phase = kPartHeader;
            } else if (phase == kPartBody && part.is_text) {
                AppendBodyLine(ctx, part, line);
            }
            continue;
        }

        // A boundary line ends the current part.
        ctx.text.Next();
        if (has_boundary && Contains(line, end_marker)) return result;
        if (reader.Unread() != 0) return kPositionFailed;
        if (!has_boundary) return result; // the enclosing boundary: left for the outer walk
        phase = kSeekingPart;
    }
}

} // namespace

int WalkMultipart(MultipartContext& ctx, const char* boundary, const char* outer) {
    if (ctx.stream == nullptr) return kEndOfStream;
    return Walk(ctx, boundary, outer, 0);
}

} // namespace dorvik
