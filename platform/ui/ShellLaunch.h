// Starting sibling programs and opening documents.
#pragma once
#include <QString>
#include <QStringList>

// Starts the program `name` from `programFolder`, looked up by that name and
// then without a ".exe" ending, with `arguments`. False when none could be started.
bool LaunchProgram(const QString& programFolder, const QString& name, const QStringList& arguments);
// Opens a document with the desktop's handler for its type (xdg-open).
bool OpenDocument(const QString& path);
// Whether the desktop has a handler for PDF documents.
bool HasPdfReader();
