// Starts two programs in turn, each many times, and prints the median time from starting the
// process to its main window's first frame, and the ratio of the second to the first: of the
// medians, and the median of each run's own ratio.
// Both programs must print "first-frame <CLOCK_MONOTONIC nanoseconds>" and quit when
// CORVANTA_QUIT_AFTER_FIRST_FRAME=1 is set (Widgets::quitAfterFirstFrameWhenAsked).
//
// Usage: startup_compare RUNS WORKDIR PROGRAM_A PROGRAM_B
//   Each program starts in WORKDIR with the environment it was given, plus the variable.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

long long monotonicNow()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds from starting `program` to its first frame; negative when it never said.
double startOnce(const char *program)
{
    int output[2];
    if (pipe(output) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    char *arguments[] = { const_cast<char *>(program), nullptr };
    const long long started = monotonicNow();
    pid_t child = 0;
    const int failed = posix_spawn(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    if (failed) {
        close(output[0]);
        return -1;
    }
    std::string said;
    char buffer[256];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(got));
    close(output[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const std::size_t at = said.find("first-frame ");
    if (at == std::string::npos)
        return -1;
    const long long frame = std::atoll(said.c_str() + at + std::strlen("first-frame "));
    return static_cast<double>(frame - started) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s RUNS WORKDIR PROGRAM_A PROGRAM_B\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    if (chdir(argv[2]) != 0) {
        std::perror(argv[2]);
        return 2;
    }
    setenv("CORVANTA_QUIT_AFTER_FIRST_FRAME", "1", 1);
    const char *programs[2] = { argv[3], argv[4] };
    // One start of each first, unmeasured: the libraries and fonts come into the disk cache.
    for (const char *program : programs) {
        if (startOnce(program) < 0) {
            std::fprintf(stderr, "%s did not report its first frame\n", program);
            return 1;
        }
    }
    std::vector<double> times[2];
    for (int run = 0; run < runs; ++run) {
        // Alternating, so that whatever else the machine does falls on both alike.
        for (int side = 0; side < 2; ++side) {
            const int which = run % 2 ? 1 - side : side;
            const double ms = startOnce(programs[which]);
            if (ms < 0) {
                std::fprintf(stderr, "%s did not report its first frame\n", programs[which]);
                return 1;
            }
            times[which].push_back(ms);
        }
    }
    const double first = median(times[0]);
    const double second = median(times[1]);
    for (int side = 0; side < 2; ++side) {
        const char *name = std::strrchr(programs[side], '/');
        std::printf("%-22s median %7.1f ms  (%d runs, min %.1f, max %.1f)\n",
            name ? name + 1 : programs[side], side ? second : first, runs,
            *std::min_element(times[side].begin(), times[side].end()),
            *std::max_element(times[side].begin(), times[side].end()));
    }
    // Each run's two starts are neighbours in time, so their ratio is the one least moved by
    // whatever else the machine is doing.
    std::vector<double> pairs;
    pairs.reserve(static_cast<std::size_t>(runs));
    for (int run = 0; run < runs; ++run)
        pairs.push_back(times[1][run] / times[0][run]);
    std::printf("ratio of the medians: %.2f\n", second / first);
    std::printf("median of the ratios of each run's two starts: %.2f\n", median(pairs));
    return 0;
}
