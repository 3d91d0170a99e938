#include "precheck/entry.h"

int main(int argc, char** argv) { return PrecheckMain(argc, argv); }
