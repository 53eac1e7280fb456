// REGEDIT4 text, as regedit writes it on Japanese Windows: code page 932 bytes, CR LF, texts in
// quotes with backslash and quote escaped. The escaping skips Shift_JIS double-byte characters
// (their second byte may be 0x5C). A text that quotes cannot carry (control bytes, a broken
// double-byte character) is written as hex(1): its bytes, then 00.
#include "reg_file_format.h"

#include "reg_backend.h"
#include "sjis.h"

#include <cstdio>

namespace platform::detail {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kCurrentUser = "HKEY_CURRENT_USER";
constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kHexText = "hex(1):";

bool fits_in_quotes(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 && c != '\t') return false;
    return sjis_well_formed(text);
}

void append_quoted(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = sjis_char_length(text, i);
        if (n == 1 && (text[i] == '\\' || text[i] == '"')) out += '\\';
        out.append(text.substr(i, n));
        i += n;
    }
    out += '"';
}

void append_hex_text(std::string& out, std::string_view text) {
    static const char digits[] = "0123456789abcdef";
    out += kHexText;
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ',';
    }
    out += "00";
}

void write_node(std::string& out, const RegNode& node, const std::string& path, bool is_root) {
    if (!node.values().empty() || (!is_root && node.children.empty())) {
        out += '[';
        out += path;
        out += "]\r\n";
        for (const RegValue& v : node.values()) {
            if (v.name.empty())
                out += '@';
            else
                append_quoted(out, v.name);
            out += '=';
            if (!v.is_text)
                out += v.data;
            else if (fits_in_quotes(v.data))
                append_quoted(out, v.data);
            else
                append_hex_text(out, v.data);
            out += "\r\n";
        }
        out += "\r\n";
    }
    for (const auto& [folded, child] : node.children)
        write_node(out, *child, path + '\\' + child->name, false);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Reads a quoted text at s[0] == '"'; rest receives what follows the closing quote.
bool parse_quoted(std::string_view s, std::string& out, std::string_view& rest, std::string& why) {
    out.clear();
    for (std::size_t i = 1; i < s.size();) {
        const std::size_t n = sjis_char_length(s, i);
        if (n == 2) {
            out.append(s.substr(i, 2));
            i += 2;
        } else if (s[i] == '"') {
            rest = s.substr(i + 1);
            return true;
        } else if (s[i] == '\\') {
            if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"')) {
                why = "unknown escape in quoted text";
                return false;
            }
            out += s[i + 1];
            i += 2;
        } else {
            out += s[i++];
        }
    }
    why = "quoted text without its closing quote";
    return false;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "41,42,00" (blanks allowed around the bytes) to the text before the first NUL.
bool parse_hex_text(std::string_view s, std::string& out, std::string& why) {
    out.clear();
    bool ended = false;
    s = trim(s);
    while (!s.empty()) {
        const std::size_t comma = s.find(',');
        const std::string_view item = trim(s.substr(0, comma));
        s = comma == std::string_view::npos ? std::string_view() : s.substr(comma + 1);
        if (item.empty() && s.empty() && comma != std::string_view::npos) break; // trailing comma
        if (item.empty() || item.size() > 2 || hex_digit(item[0]) < 0 ||
            (item.size() == 2 && hex_digit(item[1]) < 0)) {
            why = "bad byte in hex(1) data";
            return false;
        }
        int byte = hex_digit(item[0]);
        if (item.size() == 2) byte = byte * 16 + hex_digit(item[1]);
        if (byte == 0) ended = true;
        if (!ended) out += static_cast<char>(byte);
    }
    return true;
}

bool starts_with_folded(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && fold_name(s.substr(0, prefix.size())) == fold_name(prefix);
}

} // namespace

RegValue* RegNode::find_value(std::string_view value_name) {
    const auto it = index_.find(fold_name(value_name));
    return it == index_.end() ? nullptr : &values_[it->second];
}

RegValue& RegNode::set_value(RegValue value) {
    const auto [it, added] = index_.try_emplace(fold_name(value.name), values_.size());
    if (added) return values_.emplace_back(std::move(value));
    values_[it->second] = std::move(value);
    return values_[it->second];
}

bool RegNode::remove_value(std::string_view value_name) {
    const auto it = index_.find(fold_name(value_name));
    if (it == index_.end()) return false;
    const std::size_t at = it->second;
    index_.erase(it);
    values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
    for (auto& [folded, position] : index_)
        if (position > at) --position;
    return true;
}

RegNode* RegNode::find_child(std::string_view child_name) {
    auto it = children.find(fold_name(child_name));
    return it == children.end() ? nullptr : it->second.get();
}

RegNode& RegNode::add_child(std::string_view child_name) {
    auto& slot = children[fold_name(child_name)];
    if (!slot) {
        slot = std::make_unique<RegNode>();
        slot->name = std::string(child_name);
    }
    return *slot;
}

void RegTree::clear() {
    current_user = RegNode();
    local_machine = RegNode();
}

std::string write_regedit4(const RegTree& tree) {
    std::string out(kHeader);
    out += "\r\n\r\n";
    write_node(out, tree.current_user, std::string(kCurrentUser), true);
    write_node(out, tree.local_machine, std::string(kLocalMachine), true);
    return out;
}

bool parse_regedit4(std::string_view bytes, RegTree& tree, std::string& error) {
    tree.clear();
    if (bytes.empty()) return true;

    // Lines without their CR LF (or LF).
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }

    std::size_t line_no = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(line_no + 1) + ": " + why;
        tree.clear();
        return false;
    };

    if (trim(lines[0]) != kHeader) return fail("not a REGEDIT4 file (the first line must be REGEDIT4)");
    RegNode* key = nullptr;
    for (line_no = 1; line_no < lines.size(); ++line_no) {
        std::string_view line = trim(lines[line_no]);
        if (line.empty() || line.front() == ';') continue;

        if (line.front() == '[') {
            if (line.back() != ']') return fail("key line without its closing ]");
            const std::string_view path = line.substr(1, line.size() - 2);
            if (!path.empty() && path.front() == '-') return fail("key deletion lines are not supported");
            const std::string_view hive_name = path.substr(0, path.find('\\'));
            RegNode* node = nullptr;
            if (fold_name(hive_name) == kCurrentUser)
                node = &tree.current_user;
            else if (fold_name(hive_name) == kLocalMachine)
                node = &tree.local_machine;
            else
                return fail("unknown hive " + std::string(hive_name));
            const std::string_view sub = path.substr(hive_name.size());
            if (!sub.empty()) {
                if (sub.size() == 1) return fail("empty key name");
                for (const std::string& part : split_key_path(sub.substr(1))) {
                    if (part.empty()) return fail("empty key name");
                    node = &node->add_child(part);
                }
            }
            key = node;
            continue;
        }

        if (line.front() != '"' && line.front() != '@') return fail("neither a key nor a value");
        if (!key) return fail("value before the first key");
        RegValue value;
        std::string_view rest;
        std::string why;
        if (line.front() == '@') {
            rest = line.substr(1);
        } else if (!parse_quoted(line, value.name, rest, why)) {
            return fail(why);
        }
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=') return fail("value name without =");
        rest = trim(rest.substr(1));
        if (rest.empty()) return fail("value without data");

        if (rest.front() == '"') {
            std::string_view after;
            if (!parse_quoted(rest, value.data, after, why)) return fail(why);
            if (!trim(after).empty()) return fail("text after the closing quote");
        } else {
            // hex(1), dword and the other typed forms may continue on further lines after a '\'.
            std::string data(rest);
            while (!data.empty() && data.back() == '\\') {
                // Blanks before the '\' go too: data never ends in a blank, which the next read
                // of the written line would trim, turning a '\' before it into a continuation.
                data.pop_back();
                data.resize(trim(data).size());
                if (++line_no >= lines.size()) return fail("continued line at the end of the file");
                data += trim(lines[line_no]);
            }
            // Written back, these would not read again.
            if (data.empty()) return fail("value without data");
            if (data.front() == '"') return fail("quoted text on a continued line");
            if (data == "-") return fail("value deletion lines are not supported");
            if (starts_with_folded(data, kHexText)) {
                if (!parse_hex_text(std::string_view(data).substr(kHexText.size()), value.data, why))
                    return fail(why);
            } else {
                value.is_text = false;
                value.data = std::move(data);
            }
        }
        key->set_value(std::move(value));
    }
    return true;
}

} // namespace platform::detail
