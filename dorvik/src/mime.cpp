// MIME exports: the content-header classifier, the HTML-to-text filter and the multipart
// reader with the library's own part table.
#include <cstring>

#include "dorvik.h"
#include "reader/multipart_walker.h"
#include "reader/text_util.h"

namespace dorvik {
namespace {

// The library's part table: one per process, like the viewer's own.
FixedPartTable<kLibraryPartRoom> library_parts;

void SetCode(char* out, char code) {
    out[0] = code;
    out[1] = '\0';
}

// The nested boundary: the parameter value after "BOUNDARY=", unquoted. A quoted value runs
// to its closing quote; a bare one ends at the line end, a ";" or a blank.
void TakeBoundary(const char* value, char* boundary) {
    BoundedString out(boundary, DORVIK_BOUNDARY_CAP);
    const char* end;
    if (*value == '"') {
        ++value;
        end = value;
        while (*end != '\0' && *end != '"' && *end != '\r' && *end != '\n')
            ++end;
    } else {
        end = value;
        while (*end != '\0' && std::strchr("\r\n; \t", *end) == nullptr)
            ++end;
    }
    out.Append(value, static_cast<std::size_t>(end - value));
}

// The file name parameter (the first "name=", which also matches inside "filename="),
// decoded and stripped of any drive, folder and path part.
void TakeFileName(const char* raw, const char* upper, char* file_name) {
    BoundedString out(file_name, DORVIK_HEADER_CAP);
    const char* at = std::strstr(upper, "NAME=");
    if (at == nullptr) return;
    const char* value = raw + (at - upper) + 5;
    const char* end;
    if (*value == '"' || *value == '\'') {
        char quote = *value++;
        end = value;
        while (*end != '\0' && *end != quote && *end != '\r' && *end != '\n')
            ++end;
    } else {
        end = value;
        while (*end != '\0' && *end != '\r' && *end != '\n' && *end != ';')
            ++end;
        while (end > value && (end[-1] == ' ' || end[-1] == '\t'))
            --end;
    }
    char encoded[DORVIK_LINE_CAP];
    BoundedString in(encoded, sizeof encoded);
    in.Append(value, static_cast<std::size_t>(end - value));
    char decoded[DORVIK_LINE_CAP];
    decoded[0] = '\0';
    StrCheck_Head(encoded, decoded);
    decoded[sizeof decoded - 1] = '\0';

    const char* name = decoded;
    if (const char* colon = FindCharSjis(name, ':')) name = colon + 1;
    if (const char* slash = FindLastCharSjis(name, '\\')) name = slash + 1;
    if (const char* slash = FindLastCharSjis(name, '/')) name = slash + 1;
    out.Append(name);
}

} // namespace
} // namespace dorvik

using namespace dorvik;

extern "C" int CheckContentHD(const char* header, char* work, char* charset, char* encoding, char* filename,
                              char* boundary, int* kind) {
    // The block is looked at up to DORVIK_HEADER_CAP - 1 bytes, in both cases.
    char raw[DORVIK_HEADER_CAP];
    BoundedString raw_copy(raw, sizeof raw);
    raw_copy.Append(header, BoundedLength(header, sizeof raw - 1));
    CopyUpper(work, DORVIK_HEADER_CAP, raw);
    const char* up = work;
    auto has = [up](const char* s) { return std::strstr(up, s) != nullptr; };

    int result;
    if (has("TEXT/") && !has("MULTIPART/")) {
        result = 1;
        if (has("CHARSET=")) {
            static const struct {
                const char* name;
                char code;
            } charsets[] = {
                {"ISO-2022-JP", 'J'}, {"SHIFT_JIS", 'S'}, {"EUC-JP", 'E'}, {"UTF-8", '8'}, {"UTF-7", '7'}};
            for (const auto& c : charsets) {
                if (has(c.name)) SetCode(charset, c.code);
            }
        }
        *kind = has("TEXT/PLAIN") ? 1 : has("TEXT/HTML") ? 2 : 9;
    } else if (has("MULTIPART/")) {
        const char* semicolon = std::strchr(up, ';');
        std::size_t head = semicolon != nullptr ? static_cast<std::size_t>(semicolon - up) : std::strlen(up);
        const char* alt = std::strstr(up, "ALTERNATIVE");
        result = (alt != nullptr && static_cast<std::size_t>(alt - up) < head) ? 3 : 2;
        if (const char* at = std::strstr(up, "BOUNDARY=")) TakeBoundary(raw + (at - up) + 9, boundary);
    } else {
        result = 4;
    }

    encoding[0] = '\0';
    if (has("CONTENT-TRANSFER-ENCODING:")) {
        if (has("BASE64")) {
            SetCode(encoding, 'B');
        } else if (has("QUOTED-PRINTABLE")) {
            SetCode(encoding, 'Q');
        } else if (has("7-BIT")) {
            SetCode(encoding, '7');
        }
    }

    if (has("MESSAGE/")) {
        if (has("MESSAGE/DELIVERY-STATUS")) {
            SetCode(charset, 'J');
            encoding[0] = '\0';
            *kind = 3;
            return 1;
        }
        if (has("MESSAGE/RFC822")) {
            std::strcpy(filename, "message");
            return 4;
        }
        return result;
    }
    filename[0] = '\0';
    if (!has("NAME=")) return result;
    TakeFileName(raw, up, filename);
    return 4;
}

extern "C" int TagDeleteStr(char* out, const char* in) {
    bool in_tag = false;
    bool in_script = false;
    const char* tag_start = in;
    char* o = out;
    for (const char* p = in; *p != '\0'; ++p) {
        if (*p == '<') {
            tag_start = p;
            if (!in_script) in_tag = true;
        } else if (*p == '>') {
            // A ">" outside any tag is dropped and closes nothing.
            if (!in_tag) continue;
            // The tag's first bytes, upper-cased, with blanks and tabs moved to the end.
            char tag[20];
            int n = 0;
            int blanks = 0;
            for (int i = 0; i < 19 && tag_start[i] != '\0'; ++i) {
                char c = tag_start[i];
                if (c == ' ' || c == '\t') {
                    ++blanks;
                } else {
                    tag[n++] = UpperAscii(c);
                }
            }
            while (blanks-- > 0)
                tag[n++] = ' ';
            tag[n] = '\0';
            auto begins = [&tag](const char* s) { return std::strncmp(tag, s, std::strlen(s)) == 0; };
            if (in_script) {
                if (begins("</SCRIPT")) in_script = false;
            } else if (begins("<SCRIPT")) {
                in_script = true;
            }
            if (in_script) continue;
            in_tag = false;
            if (begins("<BR>") || begins("</P>") || begins("</DIV>") || begins("</TR>")) {
                *o++ = '\r';
                *o++ = '\n';
            }
        } else if (!in_tag && *p != '\r' && *p != '\n') {
            *o++ = *p;
        }
    }
    *o = '\0';
    return 0;
}

extern "C" intptr_t GetLastPointer(const char* s) {
    return reinterpret_cast<intptr_t>(s + std::strlen(s));
}

extern "C" int ReadMultiPart(FILE* stream, char* text, char* attachments, char* upper, int upper_cap,
                             const char* boundary, const char* outer, void* limits) {
    if (stream == nullptr || text == nullptr || attachments == nullptr) return -1;
    const auto* ends = static_cast<const DorvikReadLimits*>(limits);
    MultipartContext ctx{stream,         TextArea(text, ends != nullptr ? ends->text_end : nullptr),
                         attachments,    ends != nullptr ? ends->attachments_end : nullptr,
                         &library_parts, upper,
                         upper_cap};
    return WalkMultipart(ctx, boundary, outer);
}
