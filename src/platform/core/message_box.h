#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Tells the user something in a modal box with a caption and an OK button. The program shows a
// real box; tests record what would have been shown.
class MessageBox {
public:
    virtual ~MessageBox() = default;
    virtual void Show(std::string_view caption, std::string_view text) = 0;
};

// Keeps every message instead of showing it (tests, and runs without a screen).
class RecordingMessageBox final : public MessageBox {
public:
    struct Message {
        std::string caption;
        std::string text;
    };

    void Show(std::string_view caption, std::string_view text) override {
        messages.push_back({std::string(caption), std::string(text)});
    }

    std::vector<Message> messages;
};

}  // namespace quillon
