// Header collector for cache files: reads one header field with the lines that belong to
// it (parameters of Content-Type and Content-Disposition, and the Content-* fields and
// folded lines that follow a Content-Type).
#ifndef DORVIK_READER_HEADER_COLLECTOR_H
#define DORVIK_READER_HEADER_COLLECTOR_H

#include "reader/line_reader.h"

namespace dorvik {

// Collects the next field into `block` (lines joined with CR LF, cut to `block_cap` bytes
// with its NUL) and its upper-cased copy into `upper` (cut to `upper_cap`; may be null).
// Returns the block's length, or the line-read result when nothing was collected: 0 for an
// empty line, kEndOfStream, kPositionFailed.
int CollectHeader(LineReader& reader, char* block, int block_cap, char* upper, int upper_cap);

} // namespace dorvik

#endif
