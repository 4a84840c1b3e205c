#pragma once

#include "app/AppState.h"
#include "app/MainForm.h"
#include "app/WindowModel.h"
#include "sim/FaultyTransport.h"
#include "sim/SimProgrammer.h"
#include "support/FakeHost.h"

#include <memory>
#include <string>
#include <vector>

namespace ravelin::test {

// The whole program on the simulated programmer, on a virtual clock: what a
// scenario test drives.
// The program reads and writes its settings file in the working directory: each
// rig runs in a fresh empty one of its own, so no test sees another's file.
class ScratchDirectory
{
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;
    const std::string &path() const { return m_path; }

private:
    std::string m_previous;
    std::string m_path;
};

struct Rig
{
    explicit Rig(sim::ProgrammerOptions options = {}, sim::LinkFaults faults = {});

    // Creates the window and runs the start-up sequence.
    void start();
    // Packets written since the trace was last cleared, as trace lines ("TX ...").
    std::vector<std::string> sent() const;
    std::vector<std::string> memo() const { return ui[ControlId::Memo1].lines; }
    std::string caption(ControlId id) const { return ui[id].caption; }
    bool boxShown(const std::string &text) const;
    // A key typed at the end of a four-digit entry, as the window's entry
    // does it: the key press, then the change of the text it made.
    void typeInto(ControlId id, char key);

    ScratchDirectory workingDirectory;
    WindowModel ui;
    AppState st;
    FakeHost host {ui};
    sim::SimProgrammer programmer;
    sim::FaultyTransport link;
    MainForm form {ui, st, host, link};
    std::vector<std::string> trace;
};

} // namespace ravelin::test
