// A run that includes only what lies below it: the boundary takes it.
#include "driver/runs.h"
#include "params/conv.h"
#include "solver/solve.h"
