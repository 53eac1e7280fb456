// The quoted-printable line decoder behind DecodeLineQ and DecodeLineQ_ML, for the body-line
// decoder, which needs the decoded length (a decoded NUL byte ends the text, not the line).
#ifndef DORVIK_QUOTED_PRINTABLE_H
#define DORVIK_QUOTED_PRINTABLE_H

namespace dorvik {

// Decodes `in` into `out` (at most `cap` bytes, terminator included; DORVIK_LINE_CAP when cap
// is 0 or less) and returns the number of bytes decoded. With `stop_at_soft` decoding ends at
// the first soft break, also one whose "=" is followed by a single byte before the line end.
int decode_qp(const char* in, char* out, int cap, bool stop_at_soft);

} // namespace dorvik

#endif
