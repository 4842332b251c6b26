#include "core/console.h"

int main(int argc, char** argv) { return OruMain(argc, argv); }
