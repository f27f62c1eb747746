#pragma once

// The one place that knows which processor family a build is for. Each
// family turns a vector compare into a bit mask its own way; the searches
// and the index are written once over them (search.cpp).
//
// ProcessorLanes: the family's 16-byte lanes, or the portable ones.
// IndexLanes: the family's ways to index, fastest first; the portable way
// and the byte-by-byte one follow them everywhere.

#include "lanes_portable.hpp"

#include <type_traits>

namespace errfold {
template <class... Families> struct LaneFamilies {};
}

#if defined(__x86_64__) || defined(__i386__)
#include "lanes_x86.hpp"
namespace errfold {
using ProcessorLanes = X86Lanes;
using IndexLanes = LaneFamilies<X86WideLanes, X86Lanes>;
}
#elif defined(__aarch64__) || defined(__arm__)
#include "lanes_arm.hpp"
namespace errfold {
using ProcessorLanes = ArmLanes;
using IndexLanes = LaneFamilies<ArmLanes>;
}
#else
namespace errfold {
using ProcessorLanes = PortableLanes;
using IndexLanes = LaneFamilies<>;
}
#endif

namespace errfold {

// The family of the searches within a line, which run too briefly to be
// chosen at run time: the processor's own where every processor the build
// is for has it, else the portable one.
using LineLanes = std::conditional_t<ProcessorLanes::kAlwaysHere, ProcessorLanes, PortableLanes>;

} // namespace errfold
