// Every export of the library is reachable by its plain name.
#include <gtest/gtest.h>

#include "dorvik.h"

TEST(DorvikExports, AllNamesResolve) {
    const void* exports[] = {
        reinterpret_cast<const void*>(&EncodeLineB64),  reinterpret_cast<const void*>(&DecodeLineB64),
        reinterpret_cast<const void*>(&EncodeLine),     reinterpret_cast<const void*>(&DecodeLine),
        reinterpret_cast<const void*>(&DecodeLineQ),    reinterpret_cast<const void*>(&DecodeLineQ_ML),
        reinterpret_cast<const void*>(&StrJIS2SJIS),    reinterpret_cast<const void*>(&StrSJIS2JIS),
        reinterpret_cast<const void*>(&StrEUC2SJIS),    reinterpret_cast<const void*>(&sjtoeuc),
        reinterpret_cast<const void*>(&StrUTF2SJIS),    reinterpret_cast<const void*>(&CheckKIN),
        reinterpret_cast<const void*>(&CheckKIN_Q),     reinterpret_cast<const void*>(&ReadMultiPart),
        reinterpret_cast<const void*>(&CheckContentHD), reinterpret_cast<const void*>(&TagDeleteStr),
        reinterpret_cast<const void*>(&GetLastPointer), reinterpret_cast<const void*>(&CheckFunction),
        reinterpret_cast<const void*>(&ConvTemplate),   reinterpret_cast<const void*>(&StringLenW),
        reinterpret_cast<const void*>(&StringPlus),     reinterpret_cast<const void*>(&StrCheck_Head),
        reinterpret_cast<const void*>(&StrCheckSHR),    reinterpret_cast<const void*>(&EncodeStr),
        reinterpret_cast<const void*>(&MDString),
    };
    for (const void* p : exports)
        EXPECT_NE(p, nullptr);
}
