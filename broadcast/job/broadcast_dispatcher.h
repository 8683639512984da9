#pragma once

#include "broadcast/job/broadcast_ref.h"

namespace broadcast {

// Where a built job goes to be broadcast: the main frame's launch. Without one the
// program offers no "&Send".
class BroadcastDispatcher {
public:
    virtual ~BroadcastDispatcher() = default;
    virtual void DispatchBroadcast(broadcast_ref job) = 0;
};

}
