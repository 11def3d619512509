// For tests: where the remote output looks for its option file.
#pragma once

namespace kiln::net {

// The next remote send reads this file, whatever was read or set up before.
void SetOptionFile(const char *path);
// Sends to this host whatever the option file names (null: as named); the
// fuzzing harness keeps every datagram on loopback this way.
void SetRemoteHostOverride(const char *host);

}  // namespace kiln::net
