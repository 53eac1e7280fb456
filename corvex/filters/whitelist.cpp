#include "corvex/filters/whitelist.h"

#include "corvex/engine/data_paths.h"
#include "corvex/filters/text_file.h"

namespace corvex {

namespace {

// Every white-space separated token of the file, in order; false when it cannot be opened.
bool ReadTokens(std::string_view data_dir, std::vector<std::string>& tokens, std::size_t max) {
    std::vector<std::string> lines;
    if (!filefmt::ReadLines(FriendListPath(data_dir), lines)) return false;
    for (const std::string& line : lines) {
        filefmt::FieldScanner scan(line);
        std::string token;
        while (tokens.size() < max && scan.Word(token))
            tokens.push_back(token);
    }
    return true;
}

} // namespace

std::string FriendListPath(std::string_view data_dir) {
    return JoinPath(data_dir, "FriendList.dat");
}
std::string FriendListWorkPath(std::string_view data_dir) {
    return JoinPath(data_dir, "FriendList.$$$");
}

bool IsWhitelisted(std::string_view data_dir, std::string& address) {
    filefmt::LowerAscii(address);
    std::vector<std::string> tokens;
    ReadTokens(data_dir, tokens, static_cast<std::size_t>(-1));
    for (std::string& token : tokens) {
        filefmt::LowerAscii(token);
        if (token == address) return true;
    }
    return false;
}

std::vector<std::string> ReadWhitelist(std::string_view data_dir, std::size_t max_entries) {
    std::vector<std::string> tokens;
    ReadTokens(data_dir, tokens, max_entries);
    return tokens;
}

bool WriteWhitelistWorkCopy(std::string_view data_dir, const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        std::string text = line.substr(0, line.find_first_of("\r\n"));
        if (!text.empty()) out.push_back(filefmt::CutText(text, kWhitelistLineMax));
    }
    return filefmt::WriteLines(FriendListWorkPath(data_dir), out);
}

} // namespace corvex
