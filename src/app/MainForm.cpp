#include "app/MainForm.h"

#include "app/Settings.h"
#include "app/Steps.h"
#include "buffer/Handlers.h"
#include "devices/Handlers.h"
#include "devices/Selection.h"
#include "link/Discovery.h"
#include "link/FirmwareUpdate.h"
#include "operations/Handlers.h"

namespace ravelin {
namespace {

bool noDeviceSelected(const Core &core)
{
    return core.ui[ControlId::Device].caption == "No Device";
}

// Input whose handler talks to the programmer: a command button (its busy or
// idle step resets the programmer), a search, a pick in a list (it ends in the
// idle step), the update key and Enter in the fill value.
bool startsExchange(const UiEvent &event)
{
    switch (event.kind) {
    case UiEventKind::Click:
        return event.id == ControlId::StaticText3
            || (controlInfo(event.id).kind == ControlKind::Button
                && event.id != ControlId::Quit_Add);
    case UiEventKind::ItemClick:
        return controlInfo(event.id).kind == ControlKind::ListBox;
    case UiEventKind::Key:
        return event.id == ControlId::Start_Add
            || (event.id == ControlId::FillEdit && event.key == '\r');
    case UiEventKind::Toggled:
    case UiEventKind::TextSet:
    case UiEventKind::FocusLost:
    case UiEventKind::MouseDown:
        return false;
    }
    return false;
}

} // namespace

MainForm::MainForm(WindowModel &ui, AppState &state, Host &host, Transport &transport)
    : m_core {ui, state, host, transport}
{
    loadJumperDiagrams(ui);
}

void MainForm::FormCreate()
{
    // The file dialogs open in the working directory while they have no folder
    // of their own: an empty initial folder tells the host so.
    ui().clearLines(ControlId::Memo1);
    ui().setCaption(ControlId::Device, "No Device");
    state().op.PulseDelaySetting = 5;
    state().exchange.ReplyLength = 8;
    state().exchange.PacketLength = 8;
    m_core.host.pumpMessages();
}

void MainForm::FormActivate()
{
    // The window is activated again after every modal box; the start-up runs once.
    if (state().activated)
        return;
    state().activated = true;

    m_core.host.pumpMessages();
    ui().setFormEnabled(false);
    state().device.WordMask = 0x3FFF;
    state().ConnectionState = 0;
    ui().setFormEnabled(true);
    BusyStep(m_core);
    ui().hide(ControlId::Memo1);
    RestoreSettings(m_core);
    state().settingsRead = true;
    FindProgrammer(m_core);
    if (noDeviceSelected(m_core))
        ui().show(ControlId::Device_Box);
    IdleStep(m_core);
}

bool MainForm::FormCloseQuery()
{
    requestStop();
    ui().disable(ControlId::Timer1);
    if (state().settingsRead)
        SaveSettings(m_core);
    m_core.host.pumpMessages();
    state().closing = true;
    return true;
}

void MainForm::requestStop()
{
    state().exchange.StopRequest = 5;
    state().exchange.stopRequested = true;
}

void MainForm::Timer1Timer()
{
    requestStop();
    state().exchange.ReplyTimedOut = 5;
}

void MainForm::Quit_AddClick()
{
    requestStop();
}

void MainForm::StaticText3Click()
{
    // A search in the middle of a running command would interleave version
    // queries with its packets.
    if (state().linkBusy > 0)
        return;
    FindProgrammer(m_core);
    ui().hide(ControlId::Memo1);
    if (noDeviceSelected(m_core))
        ui().show(ControlId::Device_Box);
    IdleStep(m_core);
}

void MainForm::Start_AddKeyPress(char key)
{
    if (key == 'U' || key == 'u')
        UpdateFirmware(m_core);
}

void MainForm::handle(const UiEvent &event)
{
    if (state().closing)
        return;
    // One exchange at a time: input in a pump of a running exchange (an update,
    // a search, a device command) starts no other, whatever the window shows enabled.
    if (state().linkBusy > 0 && startsExchange(event))
        return;
    switch (event.kind) {
    case UiEventKind::Click:
        if (event.id == ControlId::Quit_Add) {
            Quit_AddClick();
            return;
        }
        if (event.id == ControlId::StaticText3) {
            StaticText3Click();
            return;
        }
        break;
    case UiEventKind::Key:
        if (event.id == ControlId::Start_Add) {
            Start_AddKeyPress(event.key);
            return;
        }
        break;
    case UiEventKind::Toggled:
    case UiEventKind::ItemClick:
    case UiEventKind::TextSet:
    case UiEventKind::FocusLost:
    case UiEventKind::MouseDown:
        break;
    }
    if (devices::handleEvent(m_core, event))
        return;
    if (buffer::handleEvent(m_core, event))
        return;
    operations::handleEvent(m_core, event);
}

} // namespace ravelin
