// The error box: every failure the program reports reaches the user as one
// modal box whose text comes from the numbered catalogue (Japanese, in the
// ANSI code page) and whose caption is the run's current Caption.
#pragma once

struct RunState;

// Formats catalogue message `id` with its arguments and shows it in the error
// box (error icon, OK button) under the run's Caption.
void ShowErrorBox(const RunState& run, unsigned id, ...);
