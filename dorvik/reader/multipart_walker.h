// The multipart walker: splits a MIME body into its parts, decodes the text parts into the
// text area and records them in a part table, and lists the names of the other parts.
#ifndef DORVIK_READER_MULTIPART_WALKER_H
#define DORVIK_READER_MULTIPART_WALKER_H

#include <cstdio>

#include "reader/part_table.h"
#include "reader/text_area.h"

namespace dorvik {

inline constexpr int kPartHeaderCap = 512; // a part's header lines joined with CR LF; cut at 511
inline constexpr int kFileNameCap = 512;
inline constexpr int kBoundaryCap = 128;

// Multipart bodies nested deeper than this are skipped like attachments without a name.
inline constexpr int kMaxNesting = 16;

struct MultipartContext {
    std::FILE* stream;
    TextArea text;         // decoded text parts
    char* attachments;     // ";"-separated names of the other parts
    char* attachments_end; // one past its last usable byte, or null
    PartTable* parts;      // where each text part starts, and its kind
    char* upper;           // upper-cased copy of the last line read (may be null)
    int upper_cap;
};

// Reads parts separated by "--" `boundary` lines until the end marker "--boundary--", a line
// of the `outer` boundary (null or "" for none; the line is left unread) or the end of the
// stream. Nested multipart parts are walked recursively with `boundary` as their outer one.
// Returns the last line-read result: kEndOfStream at the end of the stream.
int WalkMultipart(MultipartContext& ctx, const char* boundary, const char* outer);

} // namespace dorvik

#endif
