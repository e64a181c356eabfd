#include "camera/CameraLog.h"

#include <QString>

#include "platform/camproto/CameraWire.h"

Q_LOGGING_CATEGORY(lcCamera, "orin.camera", QtWarningMsg)

namespace {

QString Name(int request) {
  const std::string_view name = RequestCodeName(request);
  if (name.empty()) return QString("request 0x%1").arg(request & 0xFF, 2, 16, QChar('0'));
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString Outcome(int result) { return result ? QStringLiteral("ok") : QStringLiteral("FAILED"); }

// The reply's bytes in hex, as many as the reply has.
QString Bytes(const void* data, int length) {
  const auto* p = static_cast<const uint8_t*>(data);
  QStringList bytes;
  for (int i = 0; i < length; ++i) bytes << QString("%1").arg(p[i], 2, 16, QChar('0'));
  return bytes.join(' ');
}

// The zero-ended text of a name field of `width` bytes at `data`.
QString FieldText(const uint8_t* data, int width) {
  int n = 0;
  while (n < width && data[n] != 0) ++n;
  return QString::fromLatin1(reinterpret_cast<const char*>(data), n);
}

// The names a request carries in its name fields, quoted: the folder of a
// change or a new folder, the file of a delete, read or write, both of a rename.
QString Names(int request, const void* data, int length) {
  const auto* p = static_cast<const uint8_t*>(data);
  auto quoted = [](const QString& name) { return " \"" + name + "\""; };
  switch (request) {
    case REQ_CHANGE_DIR:
    case REQ_MAKE_DIR:
      return length >= kFolderNameField ? quoted(FieldText(p, kFolderNameField)) : QString();
    case REQ_DELETE:
    case REQ_READ_FILE:
    case REQ_WRITE_FILE:
      return length >= kFileNameField ? quoted(FieldText(p, kFileNameField)) : QString();
    case REQ_RENAME:
      return length >= 2 * kFileNameField
                 ? quoted(FieldText(p, kFileNameField)) + quoted(FieldText(p + kFileNameField, kFileNameField))
                 : QString();
    default:
      return {};
  }
}

}  // namespace

int LoggedDriver::Device_Open() {
  const int result = driver_.Device_Open();
  qCDebug(lcCamera).noquote() << "Device_Open ->" << (result ? "open" : "no camera");
  return result;
}

void LoggedDriver::Device_Close() {
  qCDebug(lcCamera) << "Device_Close";
  driver_.Device_Close();
}

int LoggedDriver::Vendor_Write(int request, int value, int index, int length, void* data) {
  const int result = driver_.Vendor_Write(request, value, index, length, data);
  qCDebug(lcCamera).noquote() << Name(request) + (data ? Names(request, data, length) : QString())
                              << QString("value 0x%1 index %2 length %3 ->").arg(value, 0, 16).arg(index).arg(length)
                              << Outcome(result);
  return result;
}

int LoggedDriver::Vendor_Read(int request, int value, int index, int length, void* data) {
  const int result = driver_.Vendor_Read(request, value, index, length, data);
  if (!lcCamera().isDebugEnabled()) return result;
  const bool nothingWaiting = request == REQ_STREAM_POLL && result && length > 0 &&
                              static_cast<const uint8_t*>(data)[0] == 0;
  if (nothingWaiting) return result;
  QString line = Name(request) + " -> " + Outcome(result);
  if (result && length > 0 && length <= 16) line += " [" + Bytes(data, length) + "]";
  if (result && request == REQ_GET_STATUS && length >= 1)
    line += QString(" status 0x%1").arg(static_cast<const uint8_t*>(data)[0], 2, 16, QChar('0'));
  qCDebug(lcCamera).noquote() << line;
  return result;
}
