// The copy of a finished recording ("Temp.ASF") to the name the user chose.
//
// It is read in pieces of 5,242,880 bytes and written beside the target under
// a temporary name, which becomes the target only once every byte is on the
// disk: a copy that fails half-way leaves neither a cut-off movie under the
// chosen name nor a changed older file of that name. The copy itself is
// fileops' SaveCopy, which orin-cam's save step uses too.
#pragma once
#include <QString>

constexpr qint64 kRecordingCopyChunk = 5242880;

// Copies `source` to `target` (created or replaced). Empty on success, else
// the system's reason ("No space left on device", ...); the source is never touched.
QString CopyRecording(const QString& source, const QString& target);
