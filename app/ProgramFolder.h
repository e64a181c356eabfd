// The program folder: where the sibling programs (the image viewer Pictor and
// the others), the still converter's table "pixa_tbl.tbl", the help document
// "Orin Media 5_1.pdf" and the resource override TESKRES.rcc live.
//
// It is found from the executable's own place, never from the current
// directory, so that the program works from any folder: an installed program
// (PREFIX/bin/orinmedia) keeps them in PREFIX/lib/orinmedia; a program run in
// the build tree has them beside it in build/bin.
#pragma once
#include <QString>

// The program folder of an executable that lies in `executableFolder`:
// `installedFromBin` (a path relative to the executable's folder, such as
// "../lib/orinmedia") when that folder exists, else the executable's folder.
// The result is a clean absolute path.
QString ProgramFolderFor(const QString& executableFolder, const QString& installedFromBin);

// This process's program folder. Needs the application object.
QString ProgramFolder();
