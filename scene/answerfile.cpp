#include "scene/answerfile.h"

std::array<double, 4> ReadAnswer(const std::filesystem::path& path, const DataFileOpener& files)
{
    InputChannel channel;
    std::array<double, 4> answer{};
    int numbersRead = 0;
    try {
        const std::unique_ptr<DataFile> file = files.Open(path, ResultFileName);
        channel.Open(*file, ResultFileName);
        for (double& number : answer) {
            channel.Input(number);
            ++numbersRead;
        }
        channel.Close();
    } catch (const EndOfData&) {
        throw ResultFileError({ TRANSLATABLE_TEXT("DataFile",
                                    "%1: the file ends after %2 of its 4 numbers (where the tower "
                                    "stands, then where the island floats, each as x y)"),
            { ResultFileName, std::to_string(numbersRead) } });
    } catch (const DataFileError& error) {
        throw ResultFileError(error.Message());
    }
    return answer;
}
