#pragma once
// The program folder: where the executable lives, or the folder ORVAN_PROGRAM_FOLDER names
// (the installed launcher gives each observer one of their own). The settings file, the title
// picture, the reference stars, Document/ and ports/ are all found here, as on an install.
#include <QString>

namespace orvan {

QString ProgramFolder();
// Joins a name given the Windows way ("\OrvanMirel.ini") to the program folder.
QString InProgramFolder(const QString& name);
// Tests that run logic without an executable of their own may point the folder elsewhere.
void SetProgramFolderForTests(const QString& folder);

// True for an existing plain file (a folder of that name does not count).
bool FileExists(const QString& path);

}  // namespace orvan
