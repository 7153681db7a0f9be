#include "app/StartUp.h"

int main(int argc, char** argv) { return tambrel::RunMainProgram(argc, argv); }
