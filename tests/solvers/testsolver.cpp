// A stand-in for a user's solver that behaves in one way, chosen when it is built
// (SOLVER_BEHAVIOUR). Like a real solver it works on the files of its current directory.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr std::string_view Behaviour = SOLVER_BEHAVIOUR;

bool WriteFile(const char* name, std::string_view text)
{
    std::FILE* file = std::fopen(name, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

int Answer()
{
    // Proves the run was staged where the solver was started.
    if (std::FILE* input = std::fopen("morvadine.in", "rb"))
        std::fclose(input);
    else {
        std::fputs("morvadine.in is not in the current directory\n", stderr);
        return 2;
    }
    return WriteFile("morvadine.out", "1 2 3 4\n") ? 0 : 2;
}

// Adds `pid` to the processes "calc.pid" names, for the tests to look for once they should
// have been stopped.
bool Announce(pid_t pid)
{
    std::FILE* file = std::fopen("calc.pid", "ab");
    if (!file)
        return false;
    const std::string line = std::to_string(pid) + "\n";
    const bool written = std::fputs(line.c_str(), file) >= 0;
    return std::fclose(file) == 0 && written;
}

// Rewrites the point file with a profile of the same length as the tests' inputs of 15 bytes,
// once the viewer has had time to read it, and gives it back its times, so that only its
// inode or its change time tell.
bool RewriteKeepingTimes(bool byRename)
{
    struct stat before { };
    if (stat("morvadine.in", &before) != 0)
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    const char* const written = byRename ? "calc.tmp" : "morvadine.in";
    const timespec times[2] = { before.st_atim, before.st_mtim };
    return WriteFile(written, "3\n2 7\n0 7\n1 9\n")
        && utimensat(AT_FDCWD, written, times, 0) == 0
        && (!byRename || rename(written, "morvadine.in") == 0);
}

// Starts a child that ignores SIGTERM and waits for ever, and tells the tests whom to look
// for once they should have been stopped.
bool LeaveAChild()
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGTERM, SIG_IGN);
        for (;;)
            pause();
    }
    return child > 0
        && WriteFile("calc.pid", std::to_string(getpid()) + " " + std::to_string(child) + "\n");
}

} // namespace

int main()
{
    if (Behaviour == "rewriting") {
        // Changes its input, keeping its length, once the viewer has had time to read it.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        if (!WriteFile("morvadine.in", "3\n2 7\n0 7\n1 9\n"))
            return 2;
    } else if (Behaviour == "slow") {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
    } else if (Behaviour == "waiting") {
        // Answers once the test puts "calc.go" beside it, or gives up after 20 s.
        for (int k = 0; k < 2000 && access("calc.go", F_OK) != 0; ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } else if (Behaviour == "failing") {
        // The last line names the staged point file alone, inside a path and inside a longer name.
        std::fputs("step 1\nstep 2\nstep 3\nstep 4\nstep 5\nstep 6\n"
                   "step 7: morvadine.in, ./morvadine.in, morvadine.in.bak\n",
            stderr);
        return 3;
    } else if (Behaviour == "garbled") {
        // A line of 100,000 bytes, then colours, a carriage return and a byte that is not UTF-8.
        std::fputs((std::string(99990, '-') + "the end\n").c_str(), stderr);
        std::fputs("\x1b[31mred\x1b[0m\rover\xff\n", stderr);
        return 4;
    } else if (Behaviour == "answerthenfail") {
        std::fputs("gave up after answering\n", stderr);
        return Answer() == 0 ? 3 : 2;
    } else if (Behaviour == "crashing") {
        std::fputs("about to crash\n", stderr);
        // No core file: it would land in the work directory.
        const rlimit noCore { 0, 0 };
        setrlimit(RLIMIT_CORE, &noCore);
        std::abort();
    } else if (Behaviour == "partial") {
        return WriteFile("morvadine.out", "1 2 3") ? 0 : 2;
    } else if (Behaviour == "malformed") {
        return WriteFile("morvadine.out", "abc 2 3 4\n") ? 0 : 2;
    } else if (Behaviour == "chatty") {
        std::puts("thinking aloud on standard output");
        std::fflush(stdout);
    } else if (Behaviour == "silent") {
        return 0;
    } else if (Behaviour == "extrafile") {
        if (!WriteFile("calc.log", "solved\n"))
            return 2;
    } else if (Behaviour == "endless") {
        // Never finishes; stopped halfway through its answer.
        if (!WriteFile("morvadine.out.tmp", "1 2") || !LeaveAChild())
            return 2;
        for (;;)
            pause();
    } else if (Behaviour == "leaving") {
        // Answers and exits, its child still running.
        if (!LeaveAChild())
            return 2;
    } else if (Behaviour == "fifoanswer") {
        return mkfifo("morvadine.out", 0600) == 0 ? 0 : 2;
    } else if (Behaviour == "fifoinput") {
        return unlink("morvadine.in") == 0 && mkfifo("morvadine.in", 0600) == 0
                && WriteFile("morvadine.out", "1 2 3 4\n")
            ? 0
            : 2;
    } else if (Behaviour == "fifolink") {
        return mkfifo("calc.fifo", 0600) == 0 && unlink("morvadine.in") == 0
                && symlink("calc.fifo", "morvadine.in") == 0
                && WriteFile("morvadine.out", "1 2 3 4\n")
            ? 0
            : 2;
    } else if (Behaviour == "stdinlink") {
        return symlink("/dev/stdin", "morvadine.out") == 0 ? 0 : 2;
    } else if (Behaviour == "emptying") {
        if (!WriteFile("morvadine.in", ""))
            return 2;
    } else if (Behaviour == "restamping" || Behaviour == "renaming") {
        if (!RewriteKeepingTimes(Behaviour == "renaming"))
            return 2;
    } else if (Behaviour == "leftover") {
        // Answers and ends half a second later; its child, ignoring SIGTERM, answers again once
        // the solver is gone, as the next run would be under way.
        const pid_t solver = getpid();
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGTERM, SIG_IGN);
            while (getppid() == solver)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            WriteFile("morvadine.out", "9 9 9 9\n");
            for (;;)
                pause();
        }
        if (child < 0 || !Announce(child) || Answer() != 0)
            return 2;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return 0;
    } else if (Behaviour == "daemonising") {
        // A daemon the classic way: a child leaves the session, forks the daemon, which ignores
        // SIGTERM, and ends, so that the daemon is nobody's child.
        const pid_t child = fork();
        if (child == 0) {
            setsid();
            const pid_t daemon = fork();
            if (daemon == 0) {
                std::signal(SIGTERM, SIG_IGN);
                for (;;)
                    pause();
            }
            _exit(daemon > 0 && Announce(daemon) ? 0 : 2);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || status != 0)
            return 2;
    }
    return Answer();
}
