#include "render/widevectors.h"

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

#include <immintrin.h>

namespace {

__attribute__((target("avx"))) void ZeroUpperHalves() { _mm256_zeroupper(); }

} // namespace

void ClearWideVectorState()
{
    if (__builtin_cpu_supports("avx"))
        ZeroUpperHalves();
}

#else

void ClearWideVectorState() { }

#endif
