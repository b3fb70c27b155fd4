#include "platform/Lanes.h"

#if TARNEX_AVX2_COPIES
bool LanesUseAvx2()
{
    // The processor's answer includes whether the system saves the wide registers. It is asked
    // once, so that every lane function of a run takes the same copy.
    static const bool avx2 = [] {
        __builtin_cpu_init(); // needed where this runs before the constructors that would call it
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
}
#endif
