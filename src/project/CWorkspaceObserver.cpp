#include "project/CWorkspaceObserver.h"

#include <atomic>

WorkspaceId NewWorkspaceId() noexcept {
    static std::atomic<WorkspaceId> last{kNoWorkspaceId};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}
