#include "platform/queue/BoundedQueue.h"

namespace queue {

const char* Stopped::what() const noexcept
{
    return "stopped";
}

} // namespace queue
