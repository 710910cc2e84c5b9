// The host edition's message box: a box drawn on the console.
//
// A box is written in the character set of the user's locale (or in UTF-8
// where that character set cannot show a text, as in the C locale) as
//
//     === <caption> ===
//     <the text's lines, as they are>
//     --- [OK] ---                  an OK box
//     --- [Yes] No ---              a Yes/No box whose default is Yes
//     --- Yes [No] ---              a Yes/No box whose default is No
//     > <answer>
//
// The caption line and the button line have this fixed framing every time,
// so that a script can pick boxes out of the output; the button in brackets
// is the default. After the "> " prompt the box reads one line: "y" or "yes"
// presses Yes, "n" or "no" presses No, "ok" presses OK (any letter case,
// blanks around the word ignored). An empty line or the end of input presses
// the default button, as Enter does on a real box. Any other answer asks
// again; after three of them the default button is pressed. When the input
// is not a terminal the line read is echoed after the prompt, so that the
// output shows every answer.
//
// The program shows only OK boxes and Yes/No boxes; any other button set is
// shown as an OK box.
#pragma once

#include <cstdio>
#include <string>

// A text as the box shows it: in `charset` when every character has a form
// there, else in UTF-8. The C locale's ASCII cannot show Japanese, and raw
// Shift-JIS bytes would show nothing readable anywhere.
std::string ConsoleText(const char* text, const char* charset);

// The character set of the user's locale, as the environment selects it
// (LC_ALL, LC_CTYPE, LANG). The process's own locale is left unchanged.
const char* ConsoleCharset();

// Shows a box on `out`, reads the answer from `in` and returns it (kAnswerOk,
// kAnswerYes or kAnswerNo). Texts are converted from CP932 by ConsoleText.
int ShowConsoleBox(const char* text, const char* caption, unsigned style, std::FILE* in,
                   std::FILE* out, const char* charset);
