#pragma once

// How many processors this process may run on (its affinity, not merely
// what the machine has), so that work is shared between threads only when
// they can really run at once.
unsigned usableCores();
