#include "corvex/mainwin/previous_values.h"

#include "corvex/engine/data_paths.h"
#include "corvex/engine/report_file.h"
#include "platform/files.h"

namespace corvex {

std::string SpamListPath(const std::string& data_dir) {
    return JoinPath(data_dir, "SpamList.999");
}

PreviousRunValues DeterminePreviousValues(CheckState& state, const std::string& data_dir,
                                          const std::string& work_dir, bool restored) {
    bool spam_changed = false;
    const std::string spam_path = SpamListPath(data_dir);
    std::string bytes;
    if (platform::file_exists(spam_path) && platform::read_file(spam_path, bytes)) {
        std::string stamp = std::to_string(bytes.size());
        if (stamp != state.spam_stamp) {
            state.spam_stamp = std::move(stamp);
            spam_changed = true;
        }
    }

    PreviousRunValues v; // the kForcedPrevious... values: a full run
    if (spam_changed || !state.first_check_done) {
        state.first_check_done = true;
        return v;
    }
    const PreviousValues report = ReadPreviousValues(work_dir);
    v.count = report.count;
    v.size = report.size;
    v.result = restored ? report.result : 0;
    v.has_remaining = true;
    v.remaining = report.remaining;
    return v;
}

} // namespace corvex
