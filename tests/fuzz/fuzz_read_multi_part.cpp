// The MIME part reader on any stream: the export ReadMultiPart (the library's part table)
// with a text area and an attachment list bounded by DorvikReadLimits, then the same walk
// as the viewer runs it (its own part table of the viewer's room), then the header
// collector over the stream. Every area is an exact heap allocation.
// Input: one byte picking the text area's size and whether there is an outer boundary,
// the boundary line, the outer boundary line (when picked), then the stream.
#include "fuzz_support.h"

#include "reader/header_collector.h"
#include "reader/line_reader.h"
#include "reader/multipart_walker.h"
#include "reader/part_table.h"

namespace {

// The stream over the fuzz bytes.
struct Stream {
    explicit Stream(const std::string& bytes) : bytes_(bytes) {
        file = bytes_.empty() ? std::tmpfile() : fmemopen(bytes_.data(), bytes_.size(), "rb");
    }
    ~Stream() {
        if (file != nullptr) std::fclose(file);
    }
    std::string bytes_;
    std::FILE* file = nullptr;
};

size_t text_area_size(uint8_t selector) {
    static const size_t sizes[] = {1, 64, 1536, 8192};
    return sizes[selector & 3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t selector = in.byte();
    const std::string boundary = in.until('\n').substr(0, 100);
    const bool has_outer = (selector & 4) != 0;
    const std::string outer = has_outer ? in.until('\n').substr(0, 100) : std::string();
    const std::string body = in.rest();
    fuzz::reset_base64();

    const fuzz::Buffer boundary_text(boundary);
    const fuzz::Buffer outer_text(outer);
    const size_t area = text_area_size(selector);

    {
        Stream stream(body);
        if (stream.file == nullptr) return 0;
        fuzz::Buffer text(area, 't');
        text.data()[0] = '\0';
        fuzz::Buffer attachments(DORVIK_HEADER_CAP, 'a');
        attachments.data()[0] = '\0';
        fuzz::Buffer upper(1024, 'u');
        DorvikReadLimits limits{text.data() + text.size(), attachments.data() + attachments.size()};
        ReadMultiPart(stream.file, text.data(), attachments.data(), upper.data(), upper.cap(),
                      boundary_text.data(), has_outer ? outer_text.data() : nullptr, &limits);
        fuzz::require_terminated(attachments, "ReadMultiPart attachments");
        fuzz::require_terminated(upper, "ReadMultiPart upper-case line");
    }
    {
        Stream stream(body);
        if (stream.file == nullptr) return 0;
        fuzz::Buffer text(area, 't');
        text.data()[0] = '\0';
        fuzz::Buffer attachments(DORVIK_HEADER_CAP, 'a');
        attachments.data()[0] = '\0';
        fuzz::Buffer upper(1024, 'u');
        dorvik::FixedPartTable<dorvik::kViewerPartRoom> parts;
        dorvik::MultipartContext ctx{stream.file,
                                     dorvik::TextArea(text.data(), text.data() + text.size()),
                                     attachments.data(),
                                     attachments.data() + attachments.size(),
                                     &parts,
                                     upper.data(),
                                     upper.cap()};
        dorvik::WalkMultipart(ctx, boundary_text.data(), has_outer ? outer_text.data() : nullptr);
        for (int i = 0; i < parts.count(); ++i)
            if (parts.start(i) < text.data() || parts.start(i) >= text.data() + text.size())
                fuzz::fail("part recorded outside the text area");
    }
    {
        Stream stream(body);
        if (stream.file == nullptr) return 0;
        fuzz::Buffer upper(1024, 'u');
        dorvik::LineReader reader(stream.file, upper.data(), upper.cap());
        fuzz::Buffer block(DORVIK_HEADER_CAP, 'k');
        fuzz::Buffer block_upper(1024, 'K');
        for (int i = 0; i < 10000; ++i) {
            const int r = dorvik::CollectHeader(reader, block.data(), block.cap(), block_upper.data(),
                                                block_upper.cap());
            if (r < 0) break;
            fuzz::require_terminated(block, "CollectHeader block");
        }
    }
    fuzz::reset_base64();
    return 0;
}
