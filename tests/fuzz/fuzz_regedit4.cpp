// The REGEDIT4 reader of the settings file store. Any text either fails with a line number,
// leaving an empty tree, or loads; a loaded tree written back must load again to the same
// tree (a rewrite of the settings file never loses or changes a value). Settings texts are
// C strings: a file with a NUL byte is only checked for crashes.
#include "fuzz_support.h"

#include <string_view>

#include "reg_file_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    platform::detail::RegTree tree;
    std::string error;
    if (!platform::detail::parse_regedit4(bytes, tree, error)) {
        if (error.rfind("line ", 0) != 0) fuzz::fail("error without a line number");
        if (!tree.current_user.values().empty() || !tree.current_user.children.empty() ||
            !tree.local_machine.values().empty() || !tree.local_machine.children.empty())
            fuzz::fail("tree left after a failed load");
        return 0;
    }
    if (bytes.find('\0') != std::string_view::npos) return 0;
    const std::string written = platform::detail::write_regedit4(tree);
    platform::detail::RegTree again;
    if (!platform::detail::parse_regedit4(written, again, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        fuzz::fail("written file does not load");
    }
    if (platform::detail::write_regedit4(again) != written) fuzz::fail("rewrite changed the tree");
    return 0;
}
