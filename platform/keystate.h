#pragma once

// State of the keyboard's lock keys as the window system reports it.
//
// On X11 the state is read from the keyboard indicators through XKB. Where
// that is not available (other platforms) every lock key reads as off.

namespace platform {

enum class LockKey { Caps, Num, Scroll };

bool isLockKeyOn(LockKey key);

// True when the state comes from the window system (XKB), not guessed.
bool lockKeyStateIsReliable();

} // namespace platform
