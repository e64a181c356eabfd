// The pacing service: every fixed protocol wait goes through here.
//
// In the product the waits are real sleeps; they are part of the camera's
// timing and are never skipped. Tests install an instant pacing that only
// records what was asked, so that a whole protocol run takes no time and the
// waits themselves can be checked.
#pragma once
#include <mutex>
#include <vector>

class Pacing {
 public:
  virtual ~Pacing() = default;
  // Waits `ms` milliseconds (the Windows Sleep of the design).
  virtual void Wait(int ms) = 0;
};

// Real sleeps; ORIN_PACING_LOG=1 in the environment logs each to stderr.
class RealPacing final : public Pacing {
 public:
  void Wait(int ms) override;
};

// Returns at once and remembers every wait, in order. Safe across threads.
class InstantPacing final : public Pacing {
 public:
  void Wait(int ms) override;
  std::vector<int> Waits() const;
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::vector<int> waits_;
};

// The process-wide pacing: RealPacing unless a test replaced it.
Pacing& GetPacing();
// Tests only: make `pacing` the process-wide one (nullptr restores the real one).
void SetPacing(Pacing* pacing);
