#include "run_ptzctl.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

extern char** environ;

namespace ptz::testing {
namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

PtzctlRun runPtzctl(const std::string& program, const std::vector<std::string>& args,
                    StandardOutput output) {
    char outPath[] = "/tmp/ptzctl-out-XXXXXX";
    char errPath[] = "/tmp/ptzctl-err-XXXXXX";
    const int outFd = mkstemp(outPath);
    const int errFd = mkstemp(errPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    switch (output) {
        case StandardOutput::Collected:
            posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
            break;
        case StandardOutput::DeviceFull:
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
            break;
        case StandardOutput::Closed:
            posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
            break;
    }
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
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
    close(outFd);
    close(errFd);
    std::istringstream out(slurp(outPath));
    for (std::string line; std::getline(out, line);) {
        run.out.push_back(line);
    }
    run.err = slurp(errPath);
    unlink(outPath);
    unlink(errPath);
    return run;
}

}  // namespace ptz::testing
