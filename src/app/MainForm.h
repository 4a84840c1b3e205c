#pragma once

#include "app/Core.h"
#include "app/UiEvent.h"

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

    // Everything the view forwards from the user. Input that arrives after the
    // window was closed is dropped.
    void handle(const UiEvent &event);
    void click(ControlId id) { handle(UiEvent::of(UiEventKind::Click, id)); }
    void keyPress(ControlId id, char key)
    {
        UiEvent event = UiEvent::of(UiEventKind::Key, id);
        event.key = key;
        handle(event);
    }
    void itemClick(ControlId id, int index)
    {
        UiEvent event = UiEvent::of(UiEventKind::ItemClick, id);
        event.index = index;
        handle(event);
    }
    void toggled(ControlId id, bool checked)
    {
        UiEvent event = UiEvent::of(UiEventKind::Toggled, id);
        event.checked = checked;
        handle(event);
    }

private:
    void requestStop();

    Core m_core;
};

} // namespace ravelin
