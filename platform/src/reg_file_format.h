// The key tree of the file store and its REGEDIT4 text form.
#pragma once

#include "platform/registry.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::detail {

struct RegValue {
    std::string name;
    bool is_text = true;
    // is_text: the text. Otherwise the value's data as it stood after "=" in the file (dword:...,
    // hex:...), kept so that a value this program does not use survives a rewrite.
    std::string data;
};

class RegNode {
  public:
    std::string name;                                         // as first written (case kept)
    std::map<std::string, std::unique_ptr<RegNode>> children; // by folded name

    // In the order first written.
    const std::vector<RegValue>& values() const { return values_; }
    RegValue* find_value(std::string_view value_name);
    // Replaces the value of the same name (in its place) or appends it.
    RegValue& set_value(RegValue value);
    bool remove_value(std::string_view value_name);

    RegNode* find_child(std::string_view child_name);
    RegNode& add_child(std::string_view child_name); // finds or creates

  private:
    std::vector<RegValue> values_;
    // Folded name -> position in values_, so that a key of many values loads in linear time.
    std::unordered_map<std::string, std::size_t> index_;
};

struct RegTree {
    RegNode current_user;
    RegNode local_machine;
    RegNode& root(Hive hive) { return hive == Hive::current_user ? current_user : local_machine; }
    void clear();
};

// Parses a REGEDIT4 file into tree. An empty file is an empty tree. On failure error says which
// line and why; tree is then left empty.
bool parse_regedit4(std::string_view bytes, RegTree& tree, std::string& error);
// The file's text: "REGEDIT4", then every key with values (or without subkeys) as a section of
// "[path]" and its values, each section followed by an empty line; CR LF line ends. Keys come in
// case-insensitive order, parents first; values in their own order.
std::string write_regedit4(const RegTree& tree);

} // namespace platform::detail
