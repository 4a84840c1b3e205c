#include "support/Rig.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <unistd.h>

namespace ravelin::test {

ScratchDirectory::ScratchDirectory()
    : m_previous(std::filesystem::current_path().string())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ravelin-rig-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr && ::chdir(pattern.c_str()) == 0)
        m_path = pattern;
}

ScratchDirectory::~ScratchDirectory()
{
    if (m_path.empty())
        return;
    if (::chdir(m_previous.c_str()) == 0) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

Rig::Rig(sim::ProgrammerOptions options, sim::LinkFaults faults)
    : programmer(host, std::move(options))
    , link(programmer, faults)
{
    programmer.setTraceSink([this](std::string_view line) { trace.emplace_back(line); });
    host.setTimerHandler([this] { form.Timer1Timer(); });
    host.addWakeSource([this] { return programmer.nextArrivalUs(); });
}

void Rig::start()
{
    form.FormCreate();
    form.FormActivate();
}

std::vector<std::string> Rig::sent() const
{
    std::vector<std::string> lines;
    std::copy_if(trace.begin(), trace.end(), std::back_inserter(lines),
        [](const std::string &line) { return line.starts_with("TX"); });
    return lines;
}

bool Rig::boxShown(const std::string &text) const
{
    return std::any_of(host.boxes.begin(), host.boxes.end(),
        [&](const MessageBoxRequest &box) { return box.text == text; });
}

void Rig::typeInto(ControlId id, char key)
{
    form.keyPress(id, key);
    std::string text = ui[id].caption;
    if (key == '\r' || !ui[id].visible)
        return;
    if (key == '\b' && !text.empty())
        text.pop_back();
    else if (key != '\b' && text.size() < 4)
        text += key;
    else
        return;
    UiEvent change = UiEvent::of(UiEventKind::TextSet, id);
    change.text = text;
    form.handle(change);
}

} // namespace ravelin::test
