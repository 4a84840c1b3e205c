#pragma once

#include "app/WindowModel.h"
#include "link/Clock.h"

#include <cstdint>
#include <optional>
#include <string>

namespace ravelin {

enum class MessageKind : std::uint8_t { Information, Warning, Error, Confirmation };
enum class MessageButtons : std::uint8_t { Ok, YesNo };
enum class MessageAnswer : std::uint8_t { Ok, Yes, No };

struct ScreenPoint
{
    int left = 0;
    int top = 0;
};

struct MessageBoxRequest
{
    MessageKind kind = MessageKind::Information;
    std::string text; // lines separated by '\n'
    MessageButtons buttons = MessageButtons::Ok;
    std::optional<ScreenPoint> position; // top-left corner on the screen; centred when empty
    bool defaultNo = false; // a Yes/No box whose Enter answers No
};

// What the platform does for the core. The Qt host implements it for the real
// window; the tests use a scripted fake on a virtual clock.
class Host : public Clock
{
public:
    // Handles every window event waiting in the queue and returns; handlers of
    // other controls and timer ticks run inside it.
    virtual void pumpMessages() = 0;
    // Lets the process rest while it waits for input: returns after at most maxUs,
    // earlier when an event arrives. Never spins a core.
    virtual void idleWait(std::uint64_t maxUs) = 0;
    void sleepMs(std::uint32_t ms) { sleepUs(std::uint64_t {ms} * 1000); }

    virtual MessageAnswer messageBox(const MessageBoxRequest &request) = 0;
    // A file chosen in the dialog, or nothing when it was cancelled; the dialog's
    // settings (file name, filter index, folder) are updated as the user left them.
    virtual std::optional<std::string> runOpenDialog(FileDialogState &dialog) = 0;
    virtual std::optional<std::string> runSaveDialog(FileDialogState &dialog) = 0;

    // The process priority around program and erase. raise returns false when the
    // call failed for a reason other than a priority the user may not have.
    virtual bool raiseProcessPriority() = 0;
    virtual void restoreProcessPriority() = 0;
};

} // namespace ravelin
