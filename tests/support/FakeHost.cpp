#include "support/FakeHost.h"

#include <algorithm>

namespace ravelin::test {

constexpr std::uint64_t TimerPeriodUs = 1'000'000;

FakeHost::FakeHost(WindowModel &ui)
    : m_ui(ui)
{
    m_ui.addObserver(this);
    // Timer1 runs from the window's creation.
    if (m_ui[ControlId::Timer1].enabled)
        m_nextTickUs = m_nowUs + TimerPeriodUs;
}

FakeHost::~FakeHost()
{
    m_ui.removeObserver(this);
}

void FakeHost::controlChanged(ControlId id, Change what)
{
    if (id != ControlId::Timer1 || what != Change::Enabled)
        return;
    if (m_ui[ControlId::Timer1].enabled)
        m_nextTickUs = m_nowUs + TimerPeriodUs;
    else
        m_nextTickUs.reset();
}

void FakeHost::sleepUs(std::uint64_t us)
{
    m_nowUs += us;
}

void FakeHost::pumpMessages()
{
    ++pumps;
    // Nested pumps (a handler run from a pump that pumps itself) see the
    // remaining events; an action never runs twice.
    std::vector<Scheduled> due;
    for (auto it = m_scheduled.begin(); it != m_scheduled.end();) {
        if (it->atPump > 0)
            --it->atPump;
        const bool ready = it->atPump == 0 && it->atUs <= m_nowUs;
        if (ready) {
            due.push_back(std::move(*it));
            it = m_scheduled.erase(it);
        } else {
            ++it;
        }
    }
    if (m_nextTickUs && *m_nextTickUs <= m_nowUs) {
        while (*m_nextTickUs <= m_nowUs)
            *m_nextTickUs += TimerPeriodUs;
        ++timerTicks;
        if (m_timerHandler)
            m_timerHandler();
    }
    for (Scheduled &event : due)
        event.action();
}

void FakeHost::idleWait(std::uint64_t maxUs)
{
    ++idleWaits;
    std::uint64_t wake = m_nowUs + maxUs;
    if (m_nextTickUs)
        wake = std::min(wake, *m_nextTickUs);
    for (const Scheduled &event : m_scheduled) {
        if (event.atPump == 0)
            wake = std::min(wake, std::max(event.atUs, m_nowUs));
    }
    for (const auto &source : m_wakeSources) {
        if (const std::optional<std::uint64_t> when = source(); when && *when > m_nowUs)
            wake = std::min(wake, *when);
    }
    m_nowUs = std::max(wake, m_nowUs);
}

void FakeHost::at(std::uint64_t us, std::function<void()> action)
{
    m_scheduled.push_back({us, 0, std::move(action)});
}

void FakeHost::atPump(int n, std::function<void()> action)
{
    m_scheduled.push_back({0, n, std::move(action)});
}

void FakeHost::addWakeSource(std::function<std::optional<std::uint64_t>()> source)
{
    m_wakeSources.push_back(std::move(source));
}

MessageAnswer FakeHost::messageBox(const MessageBoxRequest &request)
{
    boxes.push_back(request);
    if (whileBoxShown)
        whileBoxShown(request);
    if (!boxAnswers.empty()) {
        const MessageAnswer answer = boxAnswers.front();
        boxAnswers.pop_front();
        return answer;
    }
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

std::optional<std::string> FakeHost::runOpenDialog(FileDialogState &dialog)
{
    openDialogsShown.push_back(dialog);
    if (openAnswers.empty())
        return std::nullopt;
    std::optional<std::string> answer = openAnswers.front();
    openAnswers.pop_front();
    if (answer)
        dialog.fileName = *answer;
    return answer;
}

std::optional<std::string> FakeHost::runSaveDialog(FileDialogState &dialog)
{
    saveDialogsShown.push_back(dialog);
    if (saveAnswers.empty())
        return std::nullopt;
    std::optional<std::string> answer = saveAnswers.front();
    saveAnswers.pop_front();
    if (answer)
        dialog.fileName = *answer;
    return answer;
}

bool FakeHost::raiseProcessPriority()
{
    ++priorityRaised;
    return !priorityCallFails;
}

void FakeHost::restoreProcessPriority()
{
    ++priorityRestored;
}

} // namespace ravelin::test
