// The end-to-end cases' program: runs the cases that scripts/e2e.sh selects for a scenario.

#include "driver/check.h"

int main(int argc, char** argv) { return e2e::testing::RunAll(argc, argv); }
