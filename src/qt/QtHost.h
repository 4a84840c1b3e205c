#pragma once

#include "app/Host.h"

#include <QPointer>
#include <QWidget>

#include <optional>

namespace ravelin {

// The platform for the real window: Qt's event pump, the steady clock, modal
// boxes and file dialogs, and the process's nice value.
class QtHost final : public Host
{
public:
    QtHost() = default;
    ~QtHost() override;
    QtHost(const QtHost &) = delete;
    QtHost &operator=(const QtHost &) = delete;

    // The window the boxes and dialogs belong to and are centred on.
    void setWindow(QWidget *window) { m_window = window; }
    // Once the user has closed the window, a command still finishing must not
    // pop up boxes or dialogs of a window that is gone: they answer as if
    // dismissed.
    void setWindowClosed(bool closed) { m_windowClosed = closed; }

    std::uint64_t nowUs() const override;
    void sleepUs(std::uint64_t us) override;

    void pumpMessages() override;
    void idleWait(std::uint64_t maxUs) override;

    MessageAnswer messageBox(const MessageBoxRequest &request) override;
    std::optional<std::string> runOpenDialog(FileDialogState &dialog) override;
    std::optional<std::string> runSaveDialog(FileDialogState &dialog) override;

    bool raiseProcessPriority() override;
    void restoreProcessPriority() override;

private:
    std::optional<std::string> runFileDialog(FileDialogState &dialog, bool save);

    QPointer<QWidget> m_window;
    bool m_windowClosed = false;
    std::optional<int> m_savedNice; // the nice value before the raise
};

} // namespace ravelin
