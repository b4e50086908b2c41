// Where the program works and finds its files.
//
// The working folder is the user's data folder, $XDG_DATA_HOME/Dalmo (else
// ~/.local/share/Dalmo): the shortcut files, the local call store, the group
// files and the pipe log live there. Resources (fonts, ring sounds, the
// English texts) are looked up there first, then in the share folders of the
// build and of the installation.
//
// Threading: window thread. Qt Core only.
#pragma once

#include <QString>
#include <QStringList>

namespace zy {

// $XDG_DATA_HOME/Dalmo, else ~/.local/share/Dalmo.
QString DataFolder();

// Creates the data folder when missing and makes it the working directory.
// False when neither works.
bool EnterDataFolder();

// The folders searched for a resource, in order: the data folder, the share
// folder next to the program ("<bin>/../share/zyphone"), the share folder
// of the build tree, the installed share folder.
QStringList ResourceFolders();

// The first existing file of that name in ResourceFolders(); empty when none.
QString FindResource(const QString& fileName);

}  // namespace zy
