// The process entry: see app/orlisk.h.
#include "app/orlisk.h"

int main(int argc, char** argv) { return OrliskMain(argc, argv); }
