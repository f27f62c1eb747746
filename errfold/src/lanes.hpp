#pragma once

// The one place that knows which processor family a build is for. Each
// family turns a vector compare into a bit mask its own way; the searches
// and the index are written once over them (search.cpp).

#include "lanes_portable.hpp"

#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include "lanes_x86.hpp"
namespace errfold {
using ProcessorLanes = X86Lanes;
}
#elif defined(__aarch64__) || defined(__arm__)
#include "lanes_arm.hpp"
namespace errfold {
using ProcessorLanes = ArmLanes;
}
#else
namespace errfold {
using ProcessorLanes = PortableLanes;
}
#endif

namespace errfold {

// The family of the searches within a line, which run too briefly to be
// chosen at run time: the processor's own where every processor the build
// is for has it, else the portable one.
using LineLanes = std::conditional_t<ProcessorLanes::kAlwaysHere, ProcessorLanes, PortableLanes>;

} // namespace errfold
