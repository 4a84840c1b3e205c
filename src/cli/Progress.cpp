#include "cli/Progress.h"

#include <algorithm>
#include <charconv>

namespace ravelin::cli {
namespace {

constexpr int BarWidth = 30;

} // namespace

ProgressLine::ProgressLine(WindowModel &ui, const AppState &state, std::FILE *out)
    : m_ui(ui)
    , m_state(state)
    , m_out(out)
{
    m_ui.addObserver(this);
}

ProgressLine::~ProgressLine()
{
    clear();
    m_ui.removeObserver(this);
}

std::string ProgressLine::format(const std::string &text, const std::string &address, int percent)
{
    const int filled = std::clamp(percent, 0, 100) * BarWidth / 100;
    return text + " " + address + " [" + std::string(static_cast<std::size_t>(filled), '#')
        + std::string(static_cast<std::size_t>(BarWidth - filled), ' ') + "] "
        + std::to_string(std::clamp(percent, 0, 100)) + "%";
}

int ProgressLine::percentOf(unsigned address, unsigned lastProgramWord, unsigned lastEEAddress)
{
    // Program memory is most of the work; the data EEPROM (0x2000 on) and
    // the ID words that follow it fill the rest of the bar.
    if (address <= lastProgramWord)
        return static_cast<int>(address * 100 / (lastProgramWord + 1));
    if (address >= 0x2000 && address <= lastEEAddress && lastEEAddress > 0x2000)
        return static_cast<int>((address - 0x2000) * 100 / (lastEEAddress - 0x2000 + 1));
    return 100;
}

void ProgressLine::controlChanged(ControlId id, Change what)
{
    if (what != Change::Caption && what != Change::Visible)
        return;
    if (id == ControlId::StaticText2 || id == ControlId::Quit_Add)
        draw();
}

void ProgressLine::draw()
{
    const ControlState &text = m_ui[ControlId::StaticText2];
    if (!text.visible || text.caption.empty()) {
        clear();
        return;
    }
    const std::string &address = m_ui[ControlId::Quit_Add].caption;
    unsigned value = 0;
    std::from_chars(address.data(), address.data() + address.size(), value, 16);
    const std::string line = format(text.caption, address,
        percentOf(value, m_state.device.LastProgramAddress, m_state.device.LastEEAddress));
    if (line == m_shown)
        return;
    m_shown = line;
    std::fprintf(m_out, "\r\033[K%s", line.c_str());
    std::fflush(m_out);
}

void ProgressLine::clear()
{
    if (m_shown.empty())
        return;
    m_shown.clear();
    std::fprintf(m_out, "\r\033[K");
    std::fflush(m_out);
}

} // namespace ravelin::cli
