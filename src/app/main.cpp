#include "Main.h"

int main(int argc, char** argv) { return lirmus::Main(argc, argv); }
