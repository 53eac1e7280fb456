#include "corvex/dialup/line_state.h"

#include "dialup_texts.h"

namespace corvex {

bool IsLanEntry(std::string_view dialup_name) {
    return dialup_name == texts::kLanEntry;
}

} // namespace corvex
