#pragma once
// What the status box's tooltip adds to a failure that the operator can do something about:
// a panel that answered late, a panel of another model.

#include <QString>
#include <chrono>

#include "panel/panel_conversation.h"

// Empty when the result calls for nothing.
QString failure_advice(const kvr::ConversationResult& result, std::chrono::milliseconds reply_wait);
