#pragma once

#include <string_view>

namespace quillon::platform {

// Inserts text into another application the way a user would: the text goes on the clipboard,
// then the paste keys go to whichever window has the keyboard focus.
class ClipboardPaster {
public:
    virtual ~ClipboardPaster() = default;

    // Replaces the clipboard's content with the UTF-8 text; an empty text empties the
    // clipboard. The program keeps serving the text until another application takes the
    // clipboard. False when the clipboard could not be set.
    virtual bool SetClipboardText(std::string_view text) = 0;
    // Sends Ctrl down, V down, V up, Ctrl up, with V found through the current keyboard
    // layout, and returns without waiting for the target. False when synthetic keys cannot be
    // sent in this session.
    virtual bool SendPasteKeys() = 0;
    // False where SendPasteKeys can never work (a session without X11).
    virtual bool CanSendKeys() const = 0;
};

}  // namespace quillon::platform
