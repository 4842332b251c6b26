#include "app/console.h"

int main(int argc, char** argv) { return OruMain(argc, argv); }
