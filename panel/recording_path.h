// Where a recording goes: named after its sound and the time it starts, in a folder that takes it.
#pragma once

#include <ctime>
#include <string>

// "pad 2026-12-09 14.03.27.wav" for the sound ".../pad.wav" at that local time.
std::string recordingFileName(const std::string& soundPath, const std::tm& when);

// Reserves a recording's file: in the sound's own folder when it can be written, otherwise in
// `fallbackFolder` (made if missing). The file is made empty, and only if new: a name already
// taken gets " 2", " 3"... before its ".wav", so no recording replaces another. Empty, with
// `problem` naming the file and the reason, when no file can be made.
std::string recordingPath(const std::string& soundPath, const std::string& fallbackFolder,
                          const std::tm& when, std::string& problem);

// The Music folder that user-dirs.dirs (the text `userDirs`) names, as xdg-user-dir MUSIC finds
// it; `home`/Music when it names none, the home itself, or a folder outside the home.
std::string musicFolderIn(const std::string& home, const std::string& userDirs);
// The user's Music folder, from $HOME (or the password database) and $XDG_CONFIG_HOME; empty
// when the user has no home.
std::string userMusicFolder();
