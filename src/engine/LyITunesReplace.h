// Putting a library in the place of iTunes' own library: backup, replacement, start.
#pragma once

#include "ArDateTime.h"

#include <QString>

class TLyProject;

// The work of "Replace iTunes Library" on the project's worker: the document of `side`
// replaces the library file named in the preferences.
//
// Everything that can be known to fail is checked before any file is written: both iTunes
// files must be writable, and when a backup is asked for, it must have been made. Then the
// library file is written through a temporary file renamed into place, and only after that is
// the database file emptied, so a failure at any point leaves iTunes with a consistent pair of
// files: either both old ones or the new library with an empty database (which iTunes rebuilds
// from the library file). Raises ELyProjectError naming the file on any failure.
void ReplaceITunesLibraryWork(TLyProject& project, int side);

// iTunes' database file, "iTunes Library.itl", in the folder of `libraryLocation`; the folder
// part ends at the last "/" or "\".
QString ITunesDatabasePath(const QString& libraryLocation);

// Whether `fileName` may not be changed: it is missing or not a file, none of its write
// permission bits is set (a file marked read-only, which even a process allowed to write
// everything must respect), or this process may not write it.
bool IsReadOnlyFile(const QString& fileName);

// Creates a new, empty backup folder under `backupLocation` (and any missing parents) named
// by `time` as "yyyy-mm-dd hh-nn-ss"; when that name is taken, " (2)", " (3)", ... is
// appended, so an existing folder is never reused. Returns its path ending with a separator.
// Raises ELyProjectError naming the folder when it cannot be created.
QString CreateBackupFolder(const QString& backupLocation, TDateTime time);
