// The target directory that the chooser makes of the file the user picked.
#pragma once

#include <QString>

namespace kvx {

// The name the open-file dialog offers, and the part cut off when the dialog
// hands it back with an empty file title.
inline const QString kOfferedFileName = QStringLiteral("*.*");

// `file_name` without its last n characters, n being the length of
// `file_title`, or of "*.*" when the title is empty: the chosen file's
// directory with its final separator ("C:\data\log.kvx", "log.kvx" gives
// "C:\data\"; "C:\data\*.*" with the title "*.*" or "" gives "C:\data\").
QString DirectoryOfChosenFile(const QString& file_name, const QString& file_title);

}  // namespace kvx
