// The main window's timers by name: the storage poll, the deferred preview
// start and the camera re-open of the connection, the two recording clocks
// and the play clock, each with its period; none of them ever fires early.
#pragma once
#include <QTimer>
#include <map>

class QObject;

enum class TimerId {
  StoragePoll,           // 500 ms while the storage layout is shown
  DeferredPreviewStart,  // 400 ms once, after a start-up that reached camera mode
  TimedRecordingClock,   // 1000 ms, counting a timed recording down
  ToggleRecordingClock,  // 1000 ms, counting a toggle recording up
  CameraReopen,          // 1000 ms while the camera is away in the camera layout
  PlayClock,             // 1000 ms while a movie plays
};

class WindowTimers {
 public:
  // The timers live as children of `owner`.
  explicit WindowTimers(QObject* owner);

  QTimer& operator()(TimerId id) const { return *timers_.at(id); }
  // The clock of the recording mode (0 timed, 1 toggle).
  TimerId RecordingClock(int recordMode) const {
    return recordMode == 0 ? TimerId::TimedRecordingClock : TimerId::ToggleRecordingClock;
  }
  // Stops every repeating timer, as the shutdown does; the deferred preview
  // start is a single shot that is not stopped there.
  void StopRepeating();

 private:
  std::map<TimerId, QTimer*> timers_;
};
