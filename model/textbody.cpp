#include "model/textbody.h"

bool CountedTextBody::nextItem(uint32_t done, uint32_t count, const std::string& items)
{
    while (in_.nextLine()) {
        if (skipsLine_ == nullptr || !skipsLine_(in_.begin(), in_.end()))
            return true;
    }
    reason_ = in_.lineStopReason("the file ends after " + std::to_string(done) + " of " + std::to_string(count) + " "
                                 + items);
    return false;
}

bool CountedTextBody::failAt(long long line, const std::string& message)
{
    reason_ = "line " + std::to_string(line) + ": " + message;
    return false;
}

bool CountedTextBody::outOfMemory()
{
    // The builder says why: the memory limit, or memory that ran out.
    reason_ = builder_.memoryReason().empty() ? "not enough memory for the model" : builder_.memoryReason();
    return false;
}
