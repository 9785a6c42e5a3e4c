#pragma once
// The previous-instance test: one lock file per user and executable name, taken by the
// first copy and held until that copy ends.
#include <string>

namespace platform {

// True when another copy of this executable is running for this user. The first call
// decides (taking the lock when it is free) and later calls repeat that answer. A lock
// left behind by a copy that crashed does not count.
bool PrevInstance();

// The lock file: in the user's runtime folder (else the temporary folder), named after the
// executable and the user id.
std::string instance_lock_file();

// Tests choose another lock file; a lock held so far is released and the next PrevInstance
// decides afresh. "" returns to the default file.
void set_instance_lock_file(const std::string& path);

} // namespace platform
