// The libFuzzer entry points of one target; LY_FUZZ_BODY names its body.
#include "LyFuzzTargets.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication application(*argc, *argv);
    LyFuzzSetUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LY_FUZZ_BODY(data, size);
    return 0;
}
