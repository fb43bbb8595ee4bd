// The simulated rig's loader (LENSDESK_RIG): the rig file's JSON, then the rig's state
// written back as a rig file and loaded again, and its timed events played on a virtual
// clock for a minute of its time. The input is the file.
#include "FuzzSupport.h"

#include "platform/VirtualClock.h"
#include "platform/sim/SimRig.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    static platform::VirtualClock &clock = [] () -> platform::VirtualClock & {
        auto *c = new platform::VirtualClock;
        c->setRealMicrosPerMs(0);
        platform::setClock(c);
        return *c;
    }();
    if (size > 16384)
        return 0;
    QString error;
    auto rig = sim::SimRig::fromJson(fuzzsupport::bytes(data, size), &error);
    if (!rig) {
        if (error.isEmpty())
            std::abort(); // a refusal always says why
        return 0;
    }
    // The saved state loads again.
    const QByteArray state = rig->stateJson();
    if (!sim::SimRig::fromJson(state, &error))
        std::abort();
    for (int step = 0; step < 60 && rig->pendingEvents() > 0; ++step)
        clock.advance(1000);
    return 0;
}
