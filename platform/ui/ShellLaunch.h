// Starting sibling programs and opening documents.
//
// A document opens through the desktop's program for its type (xdg-mime says
// which, xdg-open starts it). xdg-open itself starts whether or not such a
// program exists, so the program is asked for first: without one the document
// does not open, as the shell's open fails on a file type nothing is
// associated with.
#pragma once
#include <QString>
#include <QStringList>

// Starts the program `name` from `programFolder`, looked up by that name and
// then without a ".exe" ending, with `arguments`. False when none could be started.
bool LaunchProgram(const QString& programFolder, const QString& name, const QStringList& arguments);
// Opens a document with the desktop's program for its type. False when the
// desktop has none (for the type or a type it belongs to, such as plain text
// for a C source) or xdg-open could not be started.
bool OpenDocument(const QString& path);
// Whether the desktop has a program for PDF documents.
bool HasPdfReader();
