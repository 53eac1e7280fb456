// Runs a command in the shell of the machine the tests run on. The Windows build's tests run
// under Wine on that same Linux machine, so they reach its shell too: that is how both builds
// start the private Dovecot of the tests.
#pragma once

#include <string>

namespace pelmora_test {

// Runs `command` with /bin/sh; returns its exit status (-1 when it could not run), with its
// standard output and error together in output.
int RunHostShell(const std::string& command, std::string& output);

// A path of that machine's file system as this process opens it (under Wine: through Z:).
std::string LocalPath(const std::string& host_path);
// The reverse: a path this process made, as the machine's shell names it.
std::string HostPath(const std::string& local_path);

} // namespace pelmora_test
