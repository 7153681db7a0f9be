// Writes the program's seven style files into the folder given.

#include <exception>
#include <iostream>

#include "sound/StyleFile.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: makestyles FOLDER\n";
        return 2;
    }
    try {
        tambrel::MakeStandardStyles(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "makestyles: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
