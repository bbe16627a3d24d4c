#include "model/cores.h"

#include <thread>

#include <sched.h>

unsigned usableCores()
{
#ifdef CPU_COUNT
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0)
        return static_cast<unsigned>(CPU_COUNT(&allowed));
#endif
    return std::thread::hardware_concurrency();
}
