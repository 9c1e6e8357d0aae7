#pragma once
#include "formats/language/message_box.h"

// The pages' boxes: the message module's, owned by the page.
// ShowPageMessage(page, style, textId, ...) shows message `textId` formatted with the
// arguments; ShowPageSystemError(page, style, code) the system's text for `code`. Both
// return the pressed button.
inline constexpr auto ShowPageMessage = &ShowMessage;
inline constexpr auto ShowPageSystemError = &ShowSystemErrorMessage;
