#pragma once

#include <QString>

// Why a file cannot be opened for reading, as far as the system tells: the
// window and the command-line tool each put it in their own words.
enum class FileProblem
{
    None, // nothing the system reports; the file may still fail later
    Missing, // no such file
    FolderNotReadable, // a folder on the way to it may not be searched
    LinkLoop, // its symbolic links form a loop
    NameTooLong, // the name or one of its parts is too long
    IsFolder, // the name is a folder
    NotReadable, // the file exists but may not be read
};

FileProblem readProblem(const QString &path);
