// Message boxes. Every box's text also goes to stderr as one line, so that a
// run without a display (or with boxes switched off) still reports it.
#pragma once
#include <string>

namespace platform {

// Unattended runs switch boxes off: nothing then waits for an answer.
void EnableMessageBoxes(bool enabled);

// Asks a Yes/No question. Returns false when no box could be shown; otherwise
// true, with the answer in *yes. A box closed without an answer (its
// title-bar button) answers No. Enter answers Yes, Escape No, unless
// `enterSaysNo`, which swaps them.
bool AskYesNo(const std::string& text, const std::string& caption, bool* yes,
              bool enterSaysNo = false);

// An error box with `text` and `caption`; blocks until closed.
void ShowErrorBox(const std::string& text, const std::string& caption);

}  // namespace platform
