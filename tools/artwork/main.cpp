// kolbri_artwork: paints the editor's images.
//   kolbri_artwork images FOLDER             every image at every size, <id>.png
//   kolbri_artwork sheet FILE.png [outlines] the contact sheet
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/artwork/Artwork.h"

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "images") == 0) {
        std::string error;
        if (!artwork::writeArtwork(argv[2], error)) {
            std::fprintf(stderr, "kolbri_artwork: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "sheet") == 0) {
        std::string error;
        const bool outlines = argc >= 4 && std::strcmp(argv[3], "outlines") == 0;
        if (!artwork::writeContactSheet(argv[2], outlines, error)) {
            std::fprintf(stderr, "kolbri_artwork: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: kolbri_artwork images FOLDER | sheet FILE.png [outlines]\n");
    return 2;
}
