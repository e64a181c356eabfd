#include "app/Settings.h"

#include <QSettings>

namespace {

constexpr char kOrganisation[] = "Tesk51UISetting";
constexpr char kApplication[] = "OrinMedia51";
constexpr char kGroup[] = "OrinDataHeader";

QSettings OpenStore() {
  return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
}

int ReadInt(QSettings& store, const char* key) {
  bool ok = false;
  int value = store.value(key, 0).toInt(&ok);
  return ok ? value : 0;
}

}  // namespace

AppSettings ReadSettings() {
  QSettings store = OpenStore();
  store.beginGroup(kGroup);
  AppSettings s;
  s.currentPath = store.value("CurrentPath").toString();
  s.recordMode = ReadInt(store, "RecordMode");
  // Only two modes exist; anything else stored would select no entry of the box.
  if (s.recordMode != 0 && s.recordMode != 1) s.recordMode = 0;
  s.timeToRecord = ReadInt(store, "TimeToRecord");
  // A stored 0 (or nothing) means the default length. A negative length would make
  // a timed recording end before it starts, so it is treated as unset too.
  if (s.timeToRecord <= 0) s.timeToRecord = 90;
  return s;
}

void WriteSettings(const AppSettings& settings) {
  QSettings store = OpenStore();
  store.beginGroup(kGroup);
  store.setValue("CurrentPath", settings.currentPath);
  store.setValue("RecordMode", settings.recordMode);
  store.setValue("TimeToRecord", settings.timeToRecord);
  store.endGroup();
  store.sync();
}
