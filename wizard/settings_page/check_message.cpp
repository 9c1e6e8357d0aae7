#include "wizard/settings_page/check_message.h"

#include "base/message_ids.h"
#include "wizard/page_message.h"
#include "wizard/settings_page/volume_check.h"

int ShowCheckMessage(HWND page, const CheckMessage& message)
{
    if (message.text_id == 0)
        return ShowPageSystemError(page, message.style, message.system_error);
    // The one text with a number: the megabytes the user is asked to free.
    if (message.text_id == kTooLittleSpace)
        return ShowPageMessage(page, message.style, message.text_id, message.arguments[0], kAskedFreeMegabytes);
    return ShowPageMessage(page, message.style, message.text_id, message.arguments[0], message.arguments[1]);
}
