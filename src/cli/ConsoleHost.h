#pragma once

#include "app/Host.h"
#include "app/WindowModel.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ravelin::cli {

// Ctrl-C (and SIGTERM, SIGHUP) as the console sees it: the first one asks the
// running command to stop, the second ends the process at once (status 128 +
// the signal).
void installInterruptHandler();
int interruptsSeen();
// The signal of the first one.
int interruptSignal();

// The platform for the console: the steady clock, the window's 1000 ms timer
// and Ctrl-C delivered in the pump, boxes printed and answered without asking,
// the file dialogs answered with the names the command line gave. Box texts
// are kept for the command's report, not printed as they come.
class ConsoleHost final : public Host, public WindowObserver
{
public:
    // On virtual time (the simulator's scripted runs) sleeps and waits cost
    // no real time: the clock jumps to the next tick or reply instead.
    ConsoleHost(WindowModel &ui, bool virtualTime);
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost &) = delete;
    ConsoleHost &operator=(const ConsoleHost &) = delete;

    std::uint64_t nowUs() const override;
    void sleepUs(std::uint64_t us) override;

    void pumpMessages() override;
    void idleWait(std::uint64_t maxUs) override;

    MessageAnswer messageBox(const MessageBoxRequest &request) override;
    std::optional<std::string> runOpenDialog(FileDialogState &dialog) override;
    std::optional<std::string> runSaveDialog(FileDialogState &dialog) override;

    bool raiseProcessPriority() override;
    void restoreProcessPriority() override;

    void controlChanged(ControlId id, Change what) override;

    // What a Timer1 tick runs and what Ctrl-C clicks (the form's handlers).
    void setTimerHandler(std::function<void()> handler) { m_timerHandler = std::move(handler); }
    void setStopHandler(std::function<void()> handler) { m_stopHandler = std::move(handler); }
    // When the link's next reply arrives, if it knows: a virtual wait ends there.
    void setWakeSource(std::function<std::optional<std::uint64_t>()> source)
    {
        m_wakeSource = std::move(source);
    }

    // The answer every Yes/No question gets; the file an open dialog gets.
    MessageAnswer questionAnswer = MessageAnswer::No;
    std::optional<std::string> openAnswer;

    // Every box text shown (the jumper-diagram pause has none), in order.
    std::vector<std::string> boxTexts;
    // The time the routines asked to sleep: the floor of a command.
    std::uint64_t sleptUs = 0;
    bool stopDelivered() const { return m_interruptsDelivered > 0; }

private:
    WindowModel &m_ui;
    bool m_virtualTime;
    std::uint64_t m_virtualUs = 0;
    std::function<std::optional<std::uint64_t>()> m_wakeSource;
    std::optional<std::uint64_t> m_nextTickUs;
    std::function<void()> m_timerHandler;
    std::function<void()> m_stopHandler;
    int m_interruptsDelivered = 0;
};

} // namespace ravelin::cli
