// The three per-user settings: the PC pane's folder, the recording mode and
// the length of a timed recording. Stored through QSettings in the native
// format under organisation "Tesk51UISetting", application "OrinMedia51",
// group "OrinDataHeader" (XDG_CONFIG_HOME moves the file).
#pragma once
#include <QString>

struct AppSettings {
  QString currentPath;  // empty: the process's current directory at start
  int recordMode = 0;   // 0 "Timed  Record", 1 "Toggle Record"
  int timeToRecord = 90;  // seconds
};

// Reads the settings. A missing or zero "TimeToRecord" reads as 90.
AppSettings ReadSettings();
// Writes all three values.
void WriteSettings(const AppSettings& settings);

// Longest and shortest timed recording the recording-time dialog accepts.
constexpr int kMinTimeToRecord = 5;
constexpr int kMaxTimeToRecord = 180 * 60;
