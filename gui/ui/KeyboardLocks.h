// The keyboard's lock states for the status bar's indicators.
#pragma once

struct KeyboardLocks {
  bool kana = false;
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// False when the windowing system does not tell (then all are off).
bool QueryKeyboardLocks(KeyboardLocks& locks);
