#include <iostream>

#include "tools/tborc/Tborc.h"

int main(int argc, char** argv) { return tambrel::RunTborc(argc, argv, std::cout, std::cerr); }
