#include "bench/Sections.h"

namespace bench {

void scaleSection() {}

}  // namespace bench
