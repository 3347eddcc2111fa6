// A hint to the memory system: fetch the cache line holding p. No effect on results.
#pragma once

namespace segsim {

// Written as an instruction the compiler must keep: a function whose only work is
// __builtin_prefetch counts as free of effects, and its calls may be dropped altogether.
inline void PrefetchLine(const void* p) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 (%0)" : : "r"(p));
#else
  __builtin_prefetch(p);
#endif
}

}  // namespace segsim
