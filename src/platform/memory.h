#pragma once
// Giving memory back to the system after large, short-lived work (a whole song held in
// memory, a big search reply).

namespace tb::platform {

// Returns the free memory that the allocator holds back to the system.
void TrimWorkingSet();

} // namespace tb::platform
