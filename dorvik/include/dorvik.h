/*
 * Dorvik: the text-codec library of Pelmora.
 *
 * Plain C interface, exported by name (Dorvik.dll on Windows, libdorvik.so natively).
 * Text is NUL-terminated Shift_JIS (code page 932) unless said otherwise. Output buffers
 * belong to the caller; the library never allocates them and never writes past the
 * capacity it is given (results that do not fit are cut) nor past the fixed sizes
 * documented below for buffers whose size is not passed.
 */
#ifndef DORVIK_H
#define DORVIK_H

#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Fixed sizes of the buffers whose capacity is not passed. */
enum {
    DORVIK_LINE_CAP = 1536,   /* work areas, decoded lines, StrCheck_Head / StrCheckSHR / EncodeStr outputs */
    DORVIK_JIS_CAP = 1024,    /* ISO-2022-JP intermediate of EncodeLine / DecodeLine */
    DORVIK_PENDING_CAP = 256, /* line-to-line pending buffer of StrUTF2SJIS, StrCheckSHR, EncodeStr */
    DORVIK_DIGEST_CAP = 33,   /* MDString output: 32 hex digits and NUL */
    DORVIK_HEADER_CAP = 512,  /* CheckContentHD work buffer and file name */
    DORVIK_BOUNDARY_CAP = 128 /* CheckContentHD nested boundary */
};

/* ---- Transfer-encoding line codecs ---------------------------------------------------- */

/* Base64 of `len` input bytes, NUL-terminated, no line breaks. 0; -1 (output untouched)
 * when `cap` is below 5 or too small for the whole result. */
int EncodeLineB64(char* out, unsigned int cap, const char* in, int len);

/* Decodes Base64 characters of `len` input bytes, continuing the process-wide pending
 * group of up to four characters left by the previous call. Returns the number of bytes
 * decoded, or -1 (output untouched) when `cap` is reached. */
int DecodeLineB64(const char* in, int len, char* out, int cap);

/* Storage encoding: Base64 of the ISO-2022-JP form of a Shift_JIS text and its NUL. 0. */
int EncodeLine(char* out, int cap, const char* sjis, int size);

/* Inverse of EncodeLine. 0. */
int DecodeLine(const char* b64, int size, char* out, int cap);

/* Quoted-printable line, soft breaks joined. 0. Output is cut at `cap` when cap > 0,
 * else at DORVIK_LINE_CAP bytes. */
int DecodeLineQ(const char* in, int size, char* out, int cap);

/* Quoted-printable line, decoding stops at the first soft break. 0. Bounded as DecodeLineQ. */
int DecodeLineQ_ML(const char* in, int size, char* out, int cap);

/* ---- Japanese charset conversion ------------------------------------------------------ */

/* ISO-2022-JP to Shift_JIS. Scans at most `len` bytes (callers pass strlen + 1; inputs
 * beyond 1535 bytes are cut). Returns `len`. */
int StrJIS2SJIS(const char* jis, int len, char* out, int cap);

/* Shift_JIS to ISO-2022-JP (runs closed with ESC ( H). 0. */
int StrSJIS2JIS(const char* sjis, int size, char* out, int cap);

/* EUC-JP to Shift_JIS, byte positions kept. 0. */
int StrEUC2SJIS(const char* euc, int size, char* out, int cap);

/* Shift_JIS to EUC-JP, byte positions kept. 0. */
int sjtoeuc(const char* sjis, char* out, int cap);

/* UTF-8 (kind != 7) or UTF-7 (kind 7) to Shift_JIS; a unit with no CP932 form becomes a
 * blank. For UTF-7 the unfinished tail of a shifted run goes to `pending` (at least
 * DORVIK_PENDING_CAP bytes; a longer tail is cut). A leading "-" of UTF-7 text is
 * removed from `utf` in place. 0. */
int StrUTF2SJIS(char* utf, int size, char* out, int cap, int kind, char* pending);

/* Does a JIS line end inside a double-byte run? 0 no, 1 yes, 2 cut inside a pair. */
int CheckKIN(const char* jis);

/* The same on quoted-printable JIS text (ESC written =1B); 3 = pair whose first byte is
 * an encoded "=" cut by a soft break. */
int CheckKIN_Q(const char* qp);

/* ---- MIME part reader ----------------------------------------------------------------- */

/* Limits of the caller-owned areas of ReadMultiPart, passed as its last argument.
 * Ends are one past the last usable byte; a NULL end means "not bounded by the caller". */
typedef struct DorvikReadLimits {
    char* text_end;
    char* attachments_end;
} DorvikReadLimits;

/* Walks a multipart body with boundary `boundary` (without "--") inside `outer` (or
 * NULL), writing decoded text parts into the text area at `text` and recording them in
 * the library's part table (room for 138 parts); non-text part names are appended to
 * `attachments`, each followed by ";". `limits` is a DorvikReadLimits* or NULL.
 * Returns the last line-read result (-1 at end of stream). */
int ReadMultiPart(FILE* stream, char* text, char* attachments, char* upper, int upper_cap,
                  const char* boundary, const char* outer, void* limits);

/* Classifies a part's header block: 1 text, 2 multipart, 3 multipart/alternative,
 * 4 attachment or enclosed message. See DORVIK_*_CAP for the output sizes. */
int CheckContentHD(const char* header, char* work, char* charset, char* encoding, char* filename,
                   char* boundary, int* kind);

/* HTML to text; `out` at least as large as `in`. 0. */
int TagDeleteStr(char* out, const char* in);

/* Address of the terminating NUL of `s`, as a pointer-sized integer. */
intptr_t GetLastPointer(const char* s);

/* ---- Template expansion --------------------------------------------------------------- */

/* Evaluates #MID, #LEFT and #RIGHT in `tmpl` against the cache file at `path`. 0; -1 on a
 * malformed call or when no memory is available. */
int CheckFunction(const char* path, const char* tmpl, char* out, int cap, int mode);

/* Replaces the message variables (%FROM, %SUBJECT, %BODY, ...) in `tmpl`. Mode 0 body as
 * is, 1 blank lines of %BODY removed, 2 line breaks of %BODY removed. 0. */
int ConvTemplate(const char* path, char* tmpl, char* out, int cap, int mode);

/* Number of characters (a Shift_JIS double-byte character counts as one); "" counts 1. */
int StringLenW(const char* s);

/* Address after the first `count` characters of `s` (pointer-sized integer). */
intptr_t StringPlus(const char* s, int count);

/* ---- Encoded-word and body-line decoding ---------------------------------------------- */

/* Decodes RFC 2047 encoded words of a header value into `out` (DORVIK_LINE_CAP bytes).
 * `value` is rewritten in place. 0 after a value with encoded words, else strlen + 1. */
int StrCheck_Head(char* value, char* out);

/* Decodes one body line by encoding code ("B", "Q", "7", "") and charset code ("J", "S",
 * "E", "8", "7") into `out` (DORVIK_LINE_CAP bytes), carrying shift state in `pending`
 * (DORVIK_PENDING_CAP bytes). `line` may be shortened in place. */
int StrCheckSHR(char* line, char* out, const char* encoding, const char* charset, char* pending);

/* Per-line entry point of the body readers: puts the pending text in front of `line`
 * (DORVIK_LINE_CAP bytes) where needed, decodes into `work` (DORVIK_LINE_CAP bytes) and
 * keeps `*state`. Returns the new state when positive, else 0. */
int EncodeStr(char* line, char* work, int* state, char* pending, const char* charset, const char* encoding);

/* ---- Digest --------------------------------------------------------------------------- */

/* Lower-case hex MD5 of the bytes of `text` into `out` (DORVIK_DIGEST_CAP bytes). 0. */
int MDString(const char* text, char* out);

#ifdef __cplusplus
}
#endif

#endif
