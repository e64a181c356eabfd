#include "app/WindowTimers.h"

namespace {

struct TimerSpec {
  TimerId id;
  int periodMs;
  bool singleShot;
};
constexpr TimerSpec kTimers[] = {
    {TimerId::StoragePoll, 500, false},
    {TimerId::DeferredPreviewStart, 400, true},
    {TimerId::TimedRecordingClock, 1000, false},
    {TimerId::ToggleRecordingClock, 1000, false},
    {TimerId::CameraReopen, 1000, false},
    {TimerId::PlayClock, 1000, false},
};

}  // namespace

WindowTimers::WindowTimers(QObject* owner) {
  for (const TimerSpec& t : kTimers) {
    auto* timer = new QTimer(owner);
    // The default coarse timers may fire up to 5 % early; a recording clock
    // that did would end a timed recording short.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(t.periodMs);
    timer->setSingleShot(t.singleShot);
    timers_.emplace(t.id, timer);
  }
}

void WindowTimers::StopRepeating() {
  for (const TimerSpec& t : kTimers)
    if (!t.singleShot) timers_.at(t.id)->stop();
}
