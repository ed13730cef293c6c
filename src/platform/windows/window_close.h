#pragma once

// Plain Win32, no Qt: this file is also built into the helper program that Drapello runs inside
// Wine.

enum class CloseOutcome {
    NotFound, // no top-level window of the class
    Closed,   // found, sent WM_CLOSE, and the window handled it
    NoAnswer, // found and sent WM_CLOSE, but the window did not handle it in time (hung)
};

// Finds one top-level window of the class (any title; class names compare without regard to
// case) and sends it WM_CLOSE, waiting at most five seconds for it to be handled.
CloseOutcome closeTopLevelWindow(const char* windowClass);

// The word the helper prints for an outcome: "closed", "not-found" or "no-answer".
const char* closeOutcomeWord(CloseOutcome outcome);
