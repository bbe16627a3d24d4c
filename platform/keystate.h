#pragma once

// State of the keyboard's lock keys as the window system reports it.
//
// On X11 the state is read from the keyboard indicators through XKB; where
// that is not available (other platforms) the last lock-key events seen by the
// application are used.

namespace platform {

enum class LockKey { Caps, Num, Scroll };

bool isLockKeyOn(LockKey key);

// True when the state comes from the window system (XKB), not guessed.
bool lockKeyStateIsReliable();

} // namespace platform
