// The default caption.
#include "text/Messages.h"

// "ネムリア アップデータ": two katakana words and one ASCII space.
const char kDefaultCaption[] =
    "\x83\x6C\x83\x80\x83\x8A\x83\x41"
    " "
    "\x83\x41\x83\x62\x83\x76\x83\x66\x81\x5B\x83\x5E";
