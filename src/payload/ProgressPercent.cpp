#include "payload/Payload.h"

uint32_t ProgressPercent(uint64_t totalOut, uint32_t base, uint32_t span, uint32_t declared)
{
    // Views never declare 0; a hand-made one must not divide by it.
    if (declared == 0)
        return base + span;
    return base + static_cast<uint32_t>(totalOut * span / declared);
}
