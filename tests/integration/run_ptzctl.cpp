#include "run_ptzctl.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

extern char** environ;

namespace ptz::testing {

PtzctlRun runPtzctl(const std::string& program, const std::vector<std::string>& args,
                    StandardOutput output) {
    char paths[2][24] = {"/tmp/ptzctl-out-XXXXXX", "/tmp/ptzctl-err-XXXXXX"};
    const int fds[2] = {mkstemp(paths[0]), mkstemp(paths[1])};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output == StandardOutput::DeviceFull) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, fds[0], STDOUT_FILENO);
    }
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    PtzctlRun run;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    std::string texts[2];
    for (int i = 0; i < 2; ++i) {
        close(fds[i]);
        std::stringstream text;
        text << std::ifstream(paths[i]).rdbuf();
        texts[i] = text.str();
        unlink(paths[i]);
    }
    std::istringstream out(texts[0]);
    for (std::string line; std::getline(out, line);) {
        run.out.push_back(line);
    }
    run.err = texts[1];
    return run;
}

}  // namespace ptz::testing
