// The seen list: a list file made from the input is read, looked up and appended to through
// the call-by-call functions in one folder and through the loaded SeenList in another; every
// answer and the keys of the files left behind must be the same.
// Input: one byte of flags, one byte giving the server's message count, the list file up
// to the first NUL, then NUL-separated keys: each is looked up, and appended when its first
// byte is odd.
#include "fuzz_support.h"

#include <vector>

#include "corvex/engine/crlf_file.h"
#include "corvex/engine/data_paths.h"
#include "corvex/engine/seen_list.h"

namespace {

// The keys of a list file as its readers see them (how they are spread over lines does not
// matter to them).
std::vector<std::string> words(const std::string& path) {
    std::vector<std::string> out;
    const std::string text = fuzz::read_file(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        for (std::string_view w : corvex::SplitFields(std::string_view(text).substr(start, end - start)))
            out.emplace_back(w);
        start = end + 1;
    }
    return out;
}

// A loaded list holds its changes until the end of the pass: write them now.
void end_pass(corvex::SeenList& list) {
    if (!list.WriteCopy() || !list.Commit()) fuzz::fail("seen list not written");
}

corvex::SeenFiles files_in(const std::string& dir) {
    corvex::EnsureDirectory(corvex::IdDirectory(dir));
    return corvex::SeenListFiles(dir, "user", "host");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t flags = in.byte();
    const int server_count = in.byte() * 3;
    const std::string list = in.until('\0');

    const corvex::SeenFiles calls = files_in(fuzz::temp_dir("calls"));
    const corvex::SeenFiles loaded = files_in(fuzz::temp_dir("loaded"));
    for (const corvex::SeenFiles* f : {&calls, &loaded}) {
        for (const std::string* path : {&f->list, &f->trim_copy, &f->snapshot, &f->restore})
            fuzz::remove_file(*path);
        if (!(flags & 1)) fuzz::write_file(f->list, list);
    }

    corvex::SeenList seen(loaded);
    const int keys_before_pass = static_cast<int>(seen.size());
    int list_length = 0;
    while (!in.empty()) {
        const std::string key = in.until('\0');
        const corvex::SeenResult a = corvex::SeenCheck(calls, key, server_count);
        const corvex::SeenResult b = seen.Check(key, server_count);
        if (a.result != b.result || a.list_length != b.list_length) fuzz::fail("seen check differs");
        if (a.result < -2 || (a.result > 0 && a.result != a.list_length)) fuzz::fail("seen check result");
        list_length = a.list_length;
        if (!key.empty() && (key[0] & 1)) {
            if (corvex::SeenAppend(calls, key) != 0 || seen.Append(key) != 0) fuzz::fail("append failed");
            // A key of one word is seen from now on (the last occurrence counts, and with no
            // messages on the server none of them is about to be dropped).
            if (key.find_first_of(" \t\r\n\v\f") == std::string::npos && seen.Check(key, 0).result != 0)
                fuzz::fail("appended key not seen");
        }
    }
    if (flags & 2) list_length = static_cast<int>(seen.size()) + 1;
    const bool trimmed_calls = corvex::SeenTrim(calls, server_count, list_length, keys_before_pass);
    const bool trimmed_loaded = seen.Trim(server_count, list_length);
    if (trimmed_calls != trimmed_loaded) fuzz::fail("trim differs");
    end_pass(seen);
    if (words(calls.list) != words(loaded.list)) fuzz::fail("list files differ");
    const std::string last_key = "zz-last";
    if (corvex::SeenCheck(calls, last_key, server_count).result != seen.Check(last_key, server_count).result)
        fuzz::fail("seen check after trim differs");

    corvex::SeenCopyToGr(calls);
    corvex::SeenGrToTl(calls);
    corvex::SeenRestoreFromTl(calls);
    return 0;
}
