// --watch: checks on the profile's schedule like the tray program's 10-second timer, until
// the interrupt key.
#pragma once

#include "check_job.h"

namespace corvex_check {

// Runs the first check at once, then one whenever the schedule is due. Returns the exit
// status: that of the first check when it could not run or no periodic check is set up,
// kExitInterrupted (130) after the interrupt key.
int Watch(CheckJob& job);

} // namespace corvex_check
