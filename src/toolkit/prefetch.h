#pragma once
// A hint that memory will be read soon; nothing where the compiler has no
// way to say so.

namespace dravonix {

inline void prefetch(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

} // namespace dravonix
