#pragma once

#include <QString>

// Something the selection walk met but could not put into the list, and why. The list of these
// travels with the job, so that the report can say what was not taken.
struct LeftOutItem
{
    enum class Reason
    {
        FolderNotRead,    // the folder could not be opened or listed
        FolderReadInPart, // listing the folder failed part way; what came before it was taken
        NotExamined,      // the entry's type or size could not be read
        PathTooLong,      // the system refused the path as too long
        NotAFile,         // a pipe, socket or device: it has no contents to copy
        BrokenLink,       // a symbolic link to nothing
        FolderLink,       // a symbolic link to a folder inside the selection: not followed
        Hidden,           // a hidden file while hidden files are not shown
        FolderMoved,      // the folder was moved while its contents were walked
    };

    QString path; // full path (Platform::FileNames text); folders end in "/"
    Reason reason = Reason::FolderNotRead;
    int error = 0; // errno of the failure, 0 when there is none

    bool operator==(const LeftOutItem&) const = default;
};
