#include "corvex/mainwin/seen_prep.h"

#include "corvex/engine/data_paths.h"
#include "corvex/engine/seen_list.h"

namespace corvex {

bool PrepareSeenList(const std::string& data_dir, std::string_view user, std::string_view host) {
    const SeenFiles files = SeenListFiles(data_dir, user, host);
    const bool restored = SeenRestoreFromTl(files);
    SeenCopyToGr(files);
    return restored;
}

void FinishSeenList(const std::string& data_dir, std::string_view user, std::string_view host,
                    bool unacknowledged, std::string_view check_renew) {
    const SeenFiles files = SeenListFiles(data_dir, user, host);
    if (unacknowledged && check_renew == "ON") {
        SeenRemoveTl(files);
        SeenGrToTl(files);
    }
    SeenRemoveGr(files);
}

} // namespace corvex
