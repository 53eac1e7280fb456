// mail-show: decodes one message file (RFC 822, as a server holds it) with Dorvik and prints
// its main header fields and its text parts on a UTF-8 terminal.
//   mail-show FILE...
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "corvex/engine/encoded_words.h"
#include "cp932.h"
#include "dorvik.h"
#include "reader/line_reader.h"
#include "reader/multipart_walker.h"
#include "reader/part_table.h"

namespace {

struct BodyForm {
    char charset[2] = {'J', 0};
    char encoding[DORVIK_HEADER_CAP] = {};
    char boundary[DORVIK_BOUNDARY_CAP] = {};
    int content = 1; // 1 text, 2/3 multipart, 4 attachment
    int kind = 1;
};

void PrintUtf8(const std::string& sjis) {
    std::fputs(dorvik::cp932_to_utf8(sjis).c_str(), stdout);
}

bool StartsWithField(const char* upper, const char* name) {
    return std::strncmp(upper, name, std::strlen(name)) == 0;
}

// Reads the header up to its empty line, unfolding continuation lines, and prints the fields
// a reader looks at. Content-Type and Content-Transfer-Encoding form the block that tells how
// the body is written. Leaves the stream at the body.
BodyForm ReadHeader(dorvik::LineReader& reader) {
    static const char* const shown[] = {"FROM:", "TO:", "CC:", "DATE:", "SUBJECT:"};
    std::vector<std::string> fields;
    while (reader.Read(dorvik::kReadLine) > 0) {
        std::string line = reader.raw();
        if ((line[0] == ' ' || line[0] == '\t') && !fields.empty())
            fields.back() += line;
        else
            fields.push_back(line);
    }
    BodyForm form;
    std::string content;
    for (const std::string& field : fields) {
        std::string upper = field;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        for (const char* name : shown) {
            if (StartsWithField(upper.c_str(), name)) {
                PrintUtf8(corvex::DecodeHeaderText(field));
                std::fputc('\n', stdout);
            }
        }
        if (StartsWithField(upper.c_str(), "CONTENT-TYPE:") ||
            StartsWithField(upper.c_str(), "CONTENT-TRANSFER-ENCODING:"))
            content += field + "\r\n";
    }
    if (!content.empty()) {
        char work[DORVIK_HEADER_CAP] = {}, name[DORVIK_HEADER_CAP] = {};
        content.resize(std::min<std::size_t>(content.size(), DORVIK_HEADER_CAP - 1));
        form.content = CheckContentHD(content.c_str(), work, form.charset, form.encoding, name, form.boundary,
                                      &form.kind);
    }
    return form;
}

void PrintPart(const char* text, int kind) {
    std::string shown = text;
    if (kind == dorvik::kPartHtml) {
        std::vector<char> plain(shown.size() + 1);
        TagDeleteStr(plain.data(), shown.c_str());
        shown = plain.data();
    }
    PrintUtf8(shown);
    if (!shown.empty() && shown.back() != '\n') std::fputc('\n', stdout);
}

int Show(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "mail-show: cannot open %s\n", path);
        return 1;
    }
    char upper[dorvik::kLineCap] = {};
    dorvik::LineReader reader(f, upper, sizeof upper);
    BodyForm form = ReadHeader(reader);
    std::fputs("----\n", stdout);

    std::vector<char> text(1 << 20);
    std::string attachments(4096, '\0');
    dorvik::FixedPartTable<dorvik::kLibraryPartRoom> parts;
    if ((form.content == 2 || form.content == 3) && form.boundary[0]) {
        dorvik::MultipartContext ctx{f,
                                     dorvik::TextArea(text.data(), text.data() + text.size()),
                                     attachments.data(),
                                     attachments.data() + attachments.size(),
                                     &parts,
                                     upper,
                                     static_cast<int>(sizeof upper)};
        dorvik::WalkMultipart(ctx, form.boundary, nullptr);
        for (int i = 0; i < parts.count(); ++i) {
            std::printf("[part %d]\n", i + 1);
            PrintPart(parts.start(i), parts.kind(i));
        }
        if (attachments[0])
            std::printf("[attachments] %s\n", dorvik::cp932_to_utf8(attachments.c_str()).c_str());
    } else if (form.content == 1) {
        std::string body;
        char line[DORVIK_LINE_CAP], work[DORVIK_LINE_CAP], pending[DORVIK_PENDING_CAP] = {};
        int state = 0;
        while (reader.Read(dorvik::kReadLine) >= 0) {
            std::snprintf(line, sizeof line, "%s%s", reader.raw(),
                          std::strcmp(form.encoding, "B") ? "\r\n" : "");
            std::memset(work, 0, sizeof work);
            EncodeStr(line, work, &state, pending, form.charset, form.encoding);
            body += work;
        }
        PrintPart(body.c_str(), form.kind);
    } else {
        std::puts("[no text part]");
    }
    std::fclose(f);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help")) {
        std::fprintf(argc < 2 ? stderr : stdout, "usage: mail-show FILE...\n");
        return argc < 2 ? 2 : 0;
    }
    int rc = 0;
    for (int i = 1; i < argc; ++i) {
        if (argc > 2) std::printf("==== %s\n", argv[i]);
        rc |= Show(argv[i]);
    }
    return rc;
}
