#include "scene/inputchannel.h"
#include "scene/loadresults.h"

#include <cstdio>
#include <exception>

// Loads the solved data set of the folder given on the command line and prints what the
// coordinate labels would show.
int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvadine FOLDER\n");
        return 2;
    }
    auto scene = std::make_unique<SceneState>();
    try {
        const CoordinateCaptions captions = LoadResults(*scene, argv[1]);
        std::printf("%d vertices, tower %s, island %s\n", scene->PointCount,
                    captions.Tower.c_str(), captions.Island.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
