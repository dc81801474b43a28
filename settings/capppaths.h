#pragma once

#include <functional>
#include <string>

// Where the program lives and where its settings file is (DESIGN.md
// "Settings file"). The computation is pure: the executable's path, the environment and the
// writability test are handed in, so tests never depend on the machine.
namespace vantoro {

struct CAppPaths {
    std::string strSettingsPath; // full path of the settings file
    std::string strProgramDir;   // folder of the executable, ending with '/'
};

// Looks up an environment variable; returns false when it is not set.
using EnvironmentLookup = std::function<bool(const std::string& strName, std::string& strValue)>;
// Tells whether a folder (ending with '/') is writable for the settings file.
using WritableTest = std::function<bool(const std::string& strFolder)>;

// Folder part of strExePath, up to and including the last '/'; "./" when it has none.
std::string ProgramDirectoryOf(const std::string& strExePath);

// File name of the settings file for an executable: a name ending in a dot and three letters
// has them replaced by ".INI" (Vantoro.exe gives Vantoro.INI); any other name gets ".INI"
// appended (vantoro gives vantoro.INI). Only the file name, no folder.
std::string SettingsFileNameOf(const std::string& strExePath);

// $XDG_CONFIG_HOME/Vantoro/ when that variable holds an absolute path, else $HOME/.config/Vantoro/;
// on Windows %APPDATA%/Vantoro/. The empty text when none is usable.
std::string FallbackSettingsFolder(const EnvironmentLookup& getEnv);

// The settings path and program directory for an executable: beside the executable when its
// folder passes isWritable, else in FallbackSettingsFolder (and beside the executable after
// all when there is no fall-back folder). Pure: creates nothing.
CAppPaths ComputeAppPaths(const std::string& strExePath, const EnvironmentLookup& getEnv,
                          const WritableTest& isWritable);

// The real inputs: the process environment, and whether the folder may be written (a folder
// under /usr, where packages install, never counts as writable).
EnvironmentLookup ProcessEnvironment();
bool IsFolderWritable(const std::string& strFolder);

// Full path of the running executable, with '/' between names; strFallback when it cannot be
// read.
std::string ReadExecutablePath(const std::string& strFallback = std::string());

// Creates the folder of strSettingsPath (with its parents) when it does not exist. Silent,
// returns false on failure.
bool EnsureSettingsFolder(const std::string& strSettingsPath);

// Start-up in one call: ComputeAppPaths for the running executable with the real environment,
// then EnsureSettingsFolder.
CAppPaths LocateAppPaths(const std::string& strArgv0 = std::string());

} // namespace vantoro
