#pragma once

#include "app/Host.h"
#include "app/WindowModel.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::test {

// A scripted host on a virtual clock: sleeps and waits move the clock at once,
// timer ticks and scheduled user actions run inside pumps, boxes and dialogs are
// answered from scripts and recorded.
class FakeHost : public Host, public WindowObserver
{
public:
    explicit FakeHost(WindowModel &ui);
    ~FakeHost() override;

    // Clock
    std::uint64_t nowUs() const override { return m_nowUs; }
    void sleepUs(std::uint64_t us) override;
    void advanceUs(std::uint64_t us) { m_nowUs += us; }

    // Host
    void pumpMessages() override;
    void idleWait(std::uint64_t maxUs) override;
    MessageAnswer messageBox(const MessageBoxRequest &request) override;
    std::optional<std::string> runOpenDialog(FileDialogState &dialog) override;
    std::optional<std::string> runSaveDialog(FileDialogState &dialog) override;
    bool raiseProcessPriority() override;
    void restoreProcessPriority() override;

    // What a Timer1 tick runs (the window's handler).
    void setTimerHandler(std::function<void()> handler) { m_timerHandler = std::move(handler); }
    // A user action that runs in the first pump at or after the given time.
    void at(std::uint64_t us, std::function<void()> action);
    // A user action that runs in the n-th pump from now (1 = the next one).
    void atPump(int n, std::function<void()> action);
    // Something that will happen by itself at a known time (a reply arriving):
    // an idle wait wakes for it.
    void addWakeSource(std::function<std::optional<std::uint64_t>()> source);

    // Scripts: answers for the boxes (default Ok, or No for a question), file
    // names for the dialogs (default: cancelled).
    std::deque<MessageAnswer> boxAnswers;
    std::function<void(const MessageBoxRequest &)> whileBoxShown;
    std::deque<std::optional<std::string>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers;
    bool priorityCallFails = false;

    // Records
    std::vector<MessageBoxRequest> boxes;
    std::vector<FileDialogState> openDialogsShown;
    std::vector<FileDialogState> saveDialogsShown;
    int pumps = 0;
    int idleWaits = 0;
    int timerTicks = 0;
    int priorityRaised = 0;
    int priorityRestored = 0;

    bool timerRunning() const { return m_nextTickUs.has_value(); }
    std::optional<std::uint64_t> nextTickUs() const { return m_nextTickUs; }

    void controlChanged(ControlId id, Change what) override;

private:
    struct Scheduled
    {
        std::uint64_t atUs;
        int atPump;
        std::function<void()> action;
    };

    WindowModel &m_ui;
    std::uint64_t m_nowUs = 0;
    std::optional<std::uint64_t> m_nextTickUs;
    std::function<void()> m_timerHandler;
    std::vector<Scheduled> m_scheduled;
    std::vector<std::function<std::optional<std::uint64_t>()>> m_wakeSources;
};

} // namespace ravelin::test
