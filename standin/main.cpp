// calc.exe: the stand-in solver that the viewer stages and runs. It reads "morvadine.in"
// from its current directory and writes the answer to "morvadine.out" there; on any failure
// it says why on standard error, exits with status 1 and leaves no result file.
#include "standin/profilefiles.h"
#include "scene/loadresults.h"

#include <cstdio>
#include <exception>
#include <string>
#include <system_error>

int main()
{
    try {
        WriteAnswer(ResultFileName, ResultTemporaryFileName, SolvePointFile(PointFileName));
        return 0;
    } catch (const std::exception& error) {
        // A result file that is already there is not this run's answer. Anything else of
        // that name (a folder, say) is not ours to remove.
        std::error_code ignored;
        if (std::filesystem::is_regular_file(ResultFileName, ignored))
            std::filesystem::remove(ResultFileName, ignored);
        std::fputs(("calc.exe: " + std::string(error.what()) + "\n").c_str(), stderr);
        return 1;
    }
}
