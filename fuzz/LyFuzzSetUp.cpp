#include "LyFuzzTargets.h"

#include "LyOptions.h"
#include "LyTypes.h"

void LyFuzzSetUp() {
    // No message log is started: the loaders' log lines are dropped rather than collected
    // for the whole run.
    RegisterLyTypes();
    RegisterLyOptionClasses();
}
