#pragma once

#include "app/Core.h"

namespace ravelin {

// The window object: owns the core's view of the world and runs the handlers
// the view forwards user input to.
class MainForm
{
public:
    MainForm(WindowModel &ui, AppState &state, Host &host, Transport &transport);

    Core &core() { return m_core; }
    WindowModel &ui() { return m_core.ui; }
    AppState &state() { return m_core.st; }

    void FormCreate();
    void FormActivate();
    // Always allows the close.
    bool FormCloseQuery();
    void Timer1Timer();

    void Quit_AddClick();
    void StaticText3Click();
    void Start_AddKeyPress(char key);

    // What the view forwards: a click on a control (a button, a static text, a
    // check box, a radio button, a group box's background) and a character key
    // pressed while a control has the focus.
    void click(ControlId id);
    void keyPress(ControlId id, char key);

private:
    Core m_core;
};

} // namespace ravelin
