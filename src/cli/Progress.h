#pragma once

#include "app/AppState.h"
#include "app/WindowModel.h"

#include <cstdio>
#include <string>

namespace ravelin::cli {

// The window's progress as one redrawn line on a terminal: the routine's own
// text (StaticText2), the address it has reached (Quit_Add) and how far that
// is through the device.
class ProgressLine final : public WindowObserver
{
public:
    ProgressLine(WindowModel &ui, const AppState &state, std::FILE *out);
    ~ProgressLine() override;
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void controlChanged(ControlId id, Change what) override;
    // Clears the line so that other text starts at the left margin.
    void clear();

    // The line for a text at an address of a device whose program memory
    // ends at lastProgramWord.
    static std::string format(const std::string &text, const std::string &address, int percent);
    static int percentOf(unsigned address, unsigned lastProgramWord, unsigned lastEEAddress);

private:
    void draw();

    WindowModel &m_ui;
    const AppState &m_state;
    std::FILE *m_out;
    std::string m_shown;
};

} // namespace ravelin::cli
