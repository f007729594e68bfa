// One pan command from ptzctl against the same from v4l2-ctl, side by side on one emulated
// camera held by uvcvideo: the USB device and its HID node on an umockdev testbed, its capture
// and metadata nodes answered by the model of the driver over the simulated camera's firmware.
//
// Each round runs `v4l2-ctl -d /dev/videoN --set-ctrl pan_speed=10`, `ptzctl pan right` and
// `ptzctl --location ID pan right` as child processes behind umockdev's preload, the order
// rotated every round so that none always runs first. Per run: the wall time from spawn to
// reaping, and the child's CPU time (user + system, from wait4). Every run must exit with 0
// and put the pan start, SET_CUR of CT_PANTILT_RELATIVE_CONTROL with 01 0a 00 00, on the
// camera's pipe. Then the medians, their ratios to v4l2-ctl's, and the machine.
//
// The driver reads each control's ranges on its first use after binding and keeps them, so
// one run of each comes first, uncounted: every counted run finds the driver as on a camera in
// use. Those runs list the ioctls each program made on the capture node.
//
// Usage: ptzctl_vs_v4l2ctl [ROUNDS]      ROUNDS rounds (default 101)
//        ptzctl_vs_v4l2ctl --callgrind   one run of each under valgrind's callgrind, which
//                                        writes callgrind.out.v4l2-ctl, callgrind.out.ptzctl
//                                        and callgrind.out.ptzctl-location
#include <fcntl.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "emulated_machine.h"

extern char** environ;

namespace {

using namespace ptz;

constexpr uint8_t kVideoControl = 0, kHid = 2;  // the simulated camera's interfaces
constexpr const char* kPanStart = "21 01 00 0e 00 01 04 00 | 01 0a 00 00";

struct Contender {
    std::string name;  // of the program, for callgrind's output file
    std::string command;
    std::vector<std::string> argv;
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
};

struct Run {
    int status = -1;
    double wallMs = 0;
    double cpuMs = 0;
    std::string err;
};

double milliseconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

// Spawns the program with its output thrown away (its errors kept for a failed run) and waits
// for it: the wall time of the child's whole life, and the CPU time it used.
Run spawnTimed(const std::vector<std::string>& args) {
    char errPath[] = "/tmp/ptzctl-vs-v4l2ctl-XXXXXX";
    const int errFd = mkstemp(errPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        const auto end = std::chrono::steady_clock::now();
        run.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
        run.cpuMs = milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    close(errFd);
    std::ifstream err(errPath);
    run.err.assign(std::istreambuf_iterator<char>(err), {});
    unlink(errPath);
    return run;
}

// The program's path as the shell would find it, looked up once so that no run pays for the
// search; exits when there is none.
std::string inPath(const std::string& program, const char* package) {
    std::istringstream directories(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const std::string path = directory + "/" + program;
        if (access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    std::fprintf(stderr, "%s is not installed (Debian: %s)\n", program.c_str(), package);
    std::exit(1);
}

std::string ioctlName(unsigned long request) {
    static const std::vector<std::pair<unsigned long, const char*>> kNames{
        {VIDIOC_QUERYCAP, "QUERYCAP"},
        {VIDIOC_QUERYCTRL, "QUERYCTRL"},
        {VIDIOC_QUERY_EXT_CTRL, "QUERY_EXT_CTRL"},
        {VIDIOC_G_EXT_CTRLS, "G_EXT_CTRLS"},
        {VIDIOC_S_EXT_CTRLS, "S_EXT_CTRLS"},
        {VIDIOC_TRY_EXT_CTRLS, "TRY_EXT_CTRLS"},
        {VIDIOC_G_SELECTION, "G_SELECTION"},
        {UVCIOC_CTRL_QUERY, "UVCIOC_CTRL_QUERY"},
    };
    for (const auto& [code, name] : kNames) {
        if (code == request) {
            return name;
        }
    }
    char hex[24];
    std::snprintf(hex, sizeof hex, "0x%08lx", request);
    return hex;
}

// "QUERYCAP, QUERY_EXT_CTRL x2, S_EXT_CTRLS": a run of one request is counted.
std::string ioctlList(std::span<const unsigned long> requests) {
    std::string list;
    for (size_t i = 0; i < requests.size();) {
        size_t same = 1;
        while (i + same < requests.size() && requests[i + same] == requests[i]) {
            ++same;
        }
        list += (list.empty() ? "" : ", ") + ioctlName(requests[i]) +
                (same > 1 ? " x" + std::to_string(same) : "");
        i += same;
    }
    return list;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string cpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.starts_with("model name")) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown CPU";
}

std::string loadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

}  // namespace

int main(int argc, char** argv) {
    testing::ensureUmockdevPreload(argv);
    const bool callgrind = argc > 1 && std::strcmp(argv[1], "--callgrind") == 0;
    const int rounds = argc > 1 && !callgrind ? std::max(1, std::atoi(argv[1])) : 101;

    testing::EmulatedMachine machine;
    testing::UsbDeviceSpec spec;
    spec.drivers = {{kVideoControl, "uvcvideo"}, {kHid, "usbhid"}};
    spec.videoNodes = testing::VideoNodeNumbers{.capture = 0, .metadata = 1};
    testing::EmulatedUsbDevice& camera = machine.add(spec);

    char location[16];
    std::snprintf(location, sizeof location, "0x%08x", camera.locationId());
    std::vector<Contender> contenders{
        {"v4l2-ctl",
         "v4l2-ctl --set-ctrl pan_speed=10",
         {inPath("v4l2-ctl", "v4l-utils"), "-d", "/dev/video0", "--set-ctrl", "pan_speed=10"},
         {},
         {}},
        {"ptzctl", "ptzctl pan right", {PTZCTL_PATH, "pan", "right"}, {}, {}},
        {"ptzctl-location",
         std::string("ptzctl --location ") + location + " pan right",
         {PTZCTL_PATH, "--location", location, "pan", "right"},
         {},
         {}},
    };
    if (callgrind) {
        const std::string valgrind = inPath("valgrind", "valgrind");
        for (Contender& contender : contenders) {
            contender.argv.insert(contender.argv.begin(),
                                  {valgrind, "--tool=callgrind",
                                   "--callgrind-out-file=callgrind.out." + contender.name});
        }
    }

    // A run counts only if it exited with 0 and the pan start reached the camera.
    const auto runChecked = [&](Contender& contender) {
        camera.clearRequests();
        const Run run = spawnTimed(contender.argv);
        bool started = false;
        for (const std::string& line : camera.requestLines()) {
            started = started || line == kPanStart;
        }
        if (run.status != 0 || !started) {
            std::fprintf(stderr, "%s: exit status %d, pan start %s\n%s", contender.command.c_str(),
                         run.status, started ? "sent" : "not sent", run.err.c_str());
            std::exit(1);
        }
        return run;
    };

    for (Contender& contender : contenders) {
        const size_t before = camera.videoIoctls(testing::VideoNodeKind::kCapture).size();
        runChecked(contender);
        const std::vector<unsigned long> all = camera.videoIoctls(testing::VideoNodeKind::kCapture);
        std::printf("%s: %s\n", contender.command.c_str(),
                    ioctlList(std::span(all).subspan(before)).c_str());
    }
    if (callgrind) {
        return 0;
    }

    const std::string loadBefore = loadAverage();
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < contenders.size(); ++i) {
            Contender& contender = contenders[(i + static_cast<size_t>(round)) % contenders.size()];
            const Run run = runChecked(contender);
            contender.wallMs.push_back(run.wallMs);
            contender.cpuMs.push_back(run.cpuMs);
        }
    }

    // Each median, and its ratio to v4l2-ctl's.
    const Contender& theirs = contenders[0];
    std::printf("%d rounds, each program once per round, in turn; medians:\n", rounds);
    std::printf("%-40s %8s %8s %11s %10s\n", "", "wall ms", "CPU ms", "wall ratio", "CPU ratio");
    for (const Contender& contender : contenders) {
        std::printf("%-40s %8.2f %8.2f %11.3f %10.3f\n", contender.command.c_str(),
                    median(contender.wallMs), median(contender.cpuMs),
                    median(contender.wallMs) / median(theirs.wallMs),
                    median(contender.cpuMs) / median(theirs.cpuMs));
    }
    utsname system{};
    uname(&system);
    std::printf("machine: %s, %ld cores online, Linux %s; load %s before, %s after\n",
                cpuModel().c_str(), sysconf(_SC_NPROCESSORS_ONLN), system.release,
                loadBefore.c_str(), loadAverage().c_str());
    return 0;
}
