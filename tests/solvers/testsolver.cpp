// A stand-in for a user's solver that behaves in one way, chosen when it is built
// (SOLVER_BEHAVIOUR). Like a real solver it works on the files of its current directory.

#include <sys/resource.h>
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
    }
    return Answer();
}
