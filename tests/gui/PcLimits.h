// Limits of the PC for the window tests, each for as long as its guard
// lives: file permissions that hold even for a test running as root, and a
// folder that takes no more than a given number of bytes per file
// (FileSizeLimit, shared with the recording tests).
#pragma once
#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

// FileSizeLimit stands in for a full PC folder.
#include "tests/support/FileSizeLimit.h"

// A process with root's powers overrides every read-only folder and
// unreadable file. This thread gives up those powers (its effective
// CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH and CAP_FOWNER) and takes them back
// at the end; threads it starts meanwhile (a copy's transfer thread) are
// made without them, as for any user. For anyone else nothing changes.
class PermissionsHold {
 public:
  PermissionsHold() {
    if (::syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    held_ = ::syscall(SYS_capset, &header_, lowered) == 0;
  }
  ~PermissionsHold() {
    if (held_) ::syscall(SYS_capset, &header_, saved_);
  }
  PermissionsHold(const PermissionsHold&) = delete;
  PermissionsHold& operator=(const PermissionsHold&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
  bool held_ = false;
};
