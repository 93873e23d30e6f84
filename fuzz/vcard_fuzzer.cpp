// libFuzzer target: any bytes read as a vCard file and mapped to records.
#include "fuzz/vcard_fuzz_case.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    hollin::fuzz::RunVCard(data, size);
    return 0;
}
