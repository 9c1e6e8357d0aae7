#pragma once
// The boxes the start-up shows, kept off the screen while the holder lives: each text with
// its kind, answered with OK. (What the screen makes of a kind: MessageBox's table.)
#include <string>
#include <utility>
#include <vector>

#include "formats/language/message_box.h"

using ShownMessages = std::vector<std::pair<std::wstring, UINT>>;

class RecordedMessages final : public MessageSink
{
public:
    RecordedMessages() : previous_(SetScreenSink(this)) {}
    ~RecordedMessages() override { SetScreenSink(previous_); }
    RecordedMessages(const RecordedMessages&) = delete;
    RecordedMessages& operator=(const RecordedMessages&) = delete;

    int Show(HWND, const wchar_t* text, UINT style) const override
    {
        shown.emplace_back(text, style);
        return IDOK;
    }

    mutable ShownMessages shown;

private:
    const MessageSink* previous_;
};
