#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace vantoro {

// Starts vantoro-cli's update of the bench folder's st24v100.s19 with the settings file beside
// it, the extra arguments (options, ports) after, its output thrown away (or to nStdout); -1
// when it could not be started. Every cli benchmark starts it alike, so their figures compare.
// The command is the program, or a launcher and its arguments before it (Wine for the Windows
// build).
inline pid_t SpawnCliUpdate(std::vector<std::string> args, const std::string& strDir,
                            const std::vector<std::string>& extra, int nStdout = -1) {
    const std::string strProgram = args.front();
    args.insert(args.end(),
                {"--settings", strDir + "/vantoro.INI", "update", "--product", "Saltir Series",
                 "--model", "Saltir 24", "--file", strDir + "/st24v100.s19"});
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& strArg : args)
        argv.push_back(strArg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (nStdout >= 0)
        posix_spawn_file_actions_adddup2(&actions, nStdout, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (::posix_spawn(&pid, strProgram.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline pid_t SpawnCliUpdate(const char* pszCli, const std::string& strDir,
                            const std::vector<std::string>& extra, int nStdout = -1) {
    return SpawnCliUpdate(std::vector<std::string>{pszCli}, strDir, extra, nStdout);
}

} // namespace vantoro
