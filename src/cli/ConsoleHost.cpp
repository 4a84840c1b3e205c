#include "cli/ConsoleHost.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <unistd.h>

namespace ravelin::cli {
namespace {

constexpr std::uint64_t TimerPeriodUs = 1'000'000;

// What a signal handler may touch: the count and the signal, nothing else.
volatile std::sig_atomic_t g_interrupts = 0;
volatile std::sig_atomic_t g_signal = SIGINT;

extern "C" void onInterrupt(int signal)
{
    if (g_interrupts == 0)
        g_signal = signal;
    g_interrupts = g_interrupts + 1;
    // The second one: the user does not want the clean ending.
    if (g_interrupts >= 2)
        _exit(128 + g_signal);
}

} // namespace

void installInterruptHandler()
{
    struct sigaction action
    {
    };
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a sleep in the pump's wait ends early, so the stop is seen.
    action.sa_flags = 0;
    // A terminal closed or a service stopped is a stop too: the programmer is
    // reset and left idle, never mid-row.
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
}

int interruptsSeen()
{
    return static_cast<int>(g_interrupts);
}

int interruptSignal()
{
    return static_cast<int>(g_signal);
}

ConsoleHost::ConsoleHost(WindowModel &ui, bool virtualTime)
    : m_ui(ui)
    , m_virtualTime(virtualTime)
{
    m_ui.addObserver(this);
    if (m_ui[ControlId::Timer1].enabled)
        m_nextTickUs = nowUs() + TimerPeriodUs;
}

ConsoleHost::~ConsoleHost()
{
    m_ui.removeObserver(this);
}

void ConsoleHost::controlChanged(ControlId id, Change what)
{
    if (id != ControlId::Timer1 || what != Change::Enabled)
        return;
    // Enabling a running timer keeps its period, as the window's does.
    if (!m_ui[ControlId::Timer1].enabled)
        m_nextTickUs.reset();
    else if (!m_nextTickUs)
        m_nextTickUs = nowUs() + TimerPeriodUs;
}

std::uint64_t ConsoleHost::nowUs() const
{
    if (m_virtualTime)
        return m_virtualUs;
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

void ConsoleHost::sleepUs(std::uint64_t us)
{
    // A Ctrl-C cuts a sleep short; the rest is slept, as the routine's timing
    // (a programming pulse, a settle time) needs the whole of it.
    sleptUs += us;
    if (m_virtualTime) {
        m_virtualUs += us;
        return;
    }
    const std::uint64_t end = nowUs() + us;
    for (std::uint64_t now = nowUs(); now < end; now = nowUs()) {
        const std::uint64_t left = end - now;
        timespec span {
            static_cast<time_t>(left / 1'000'000), static_cast<long>((left % 1'000'000) * 1000)};
        nanosleep(&span, nullptr);
    }
}

void ConsoleHost::pumpMessages()
{
    if (m_nextTickUs && *m_nextTickUs <= nowUs()) {
        const std::uint64_t now = nowUs();
        while (*m_nextTickUs <= now)
            *m_nextTickUs += TimerPeriodUs;
        if (m_timerHandler)
            m_timerHandler();
    }
    if (interruptsSeen() > m_interruptsDelivered) {
        m_interruptsDelivered = interruptsSeen();
        if (m_stopHandler)
            m_stopHandler();
    }
}

void ConsoleHost::idleWait(std::uint64_t maxUs)
{
    std::uint64_t wait = maxUs;
    const std::uint64_t now = nowUs();
    if (m_nextTickUs)
        wait = *m_nextTickUs > now ? std::min(wait, *m_nextTickUs - now) : 0;
    if (m_virtualTime) {
        if (m_wakeSource) {
            if (const std::optional<std::uint64_t> arrival = m_wakeSource();
                arrival && *arrival > now)
                wait = std::min(wait, *arrival - now);
        }
        m_virtualUs += wait;
    } else if (wait > 0) {
        // One sleep; a Ctrl-C ends it early.
        timespec span {
            static_cast<time_t>(wait / 1'000'000), static_cast<long>((wait % 1'000'000) * 1000)};
        nanosleep(&span, nullptr);
    }
    pumpMessages();
}

MessageAnswer ConsoleHost::messageBox(const MessageBoxRequest &request)
{
    const MessageAnswer answer
        = request.buttons == MessageButtons::YesNo ? questionAnswer : MessageAnswer::Ok;
    // The empty box is the pause while the user sets the jumpers: passed.
    if (request.text.empty())
        return answer;
    if (request.buttons == MessageButtons::YesNo)
        boxTexts.push_back(request.text + (answer == MessageAnswer::Yes ? " Yes" : " No"));
    else
        boxTexts.push_back(request.text);
    return answer;
}

std::optional<std::string> ConsoleHost::runOpenDialog(FileDialogState &dialog)
{
    if (openAnswer)
        dialog.fileName = *openAnswer;
    return openAnswer;
}

std::optional<std::string> ConsoleHost::runSaveDialog(FileDialogState &)
{
    return std::nullopt;
}

bool ConsoleHost::raiseProcessPriority()
{
    // A console run keeps the priority the shell gave it: a production line
    // that wants more says so with nice/chrt.
    return true;
}

void ConsoleHost::restoreProcessPriority() { }

} // namespace ravelin::cli
