#pragma once

#include <QString>

// The per-job temporary extraction folder: the folder named by the setting
// "tempFolder" inside a job's download folder. Each extraction run works in
// a staging folder of its own inside it and moves its files in only when the
// run succeeded, so a failed run (a nested extraction too) takes away only
// what it made itself. No state; any thread.
class JobTempFolder
{
public:
    // The setting as one folder name; empty when it is unset or is not a
    // plain name ("", ".", "..", a path), so that it can never stand for the
    // job folder itself or anything outside it.
    static QString folderName();
    // `downloadUrl`/folderName(), or empty.
    static QString pathForJob(const QString& downloadUrl);

    // A new, empty staging folder inside `tempFolder`; empty on failure.
    static QString createStagingFolder(const QString& tempFolder);
    static bool isStagingFolderName(const QString& name);

    // After a failed or cancelled extraction step: removes what interrupted
    // runs left in the job's temporary folder, and the folder itself when
    // nothing else is in it. What earlier runs extracted stays. Nothing
    // happens when the setting has no usable value.
    static void deleteTempFolder(const QString& downloadUrl);
    // Removes the staging folders in `tempFolder` (the temporary folder
    // itself), whatever ended their runs. Only one extraction runs at a
    // time: a staging folder found before a run, or when the extracted files
    // are moved out, is what a run cut short left half-written. Answers
    // whether anything else is in the folder.
    static bool removeStagingFolders(const QString& tempFolder);
};
