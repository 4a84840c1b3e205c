#pragma once

#include "app/MainForm.h"
#include "app/WindowModel.h"
#include "qt/KeyMapping.h"

#include <QWidget>

#include <array>
#include <functional>

class QButtonGroup;
class QTimer;

namespace ravelin {

class BufferEditorView;

// The one window: a widget for every control of the model at its place, kept
// in step with the model, and every user action handed to the form. It holds
// no logic of its own.
class MainWindow final : public QWidget, public WindowObserver
{
    Q_OBJECT
public:
    explicit MainWindow(MainForm &form, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The widget that shows a control (nothing for Timer1).
    QWidget *widget(ControlId id) const { return m_widgets[indexOf(id)]; }
    QTimer *timer1() const { return m_timer1; }
    BufferEditorView *editor() const;
    // Where the buffer editor's caret stands: line and character, from 0.
    void setEditorCaret(int line, int column);

    void controlChanged(ControlId id, Change what) override;
    void formEnabledChanged(bool enabled) override;

signals:
    // The user closed the window and FormCloseQuery has run.
    void closed();
    // After the close, once no handler is running any more: the program may end.
    void finished();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControl(const ControlInfo &info);
    QWidget *parentFor(const ControlInfo &info);
    void showInitialState(const ControlInfo &info);

    void showCaption(ControlId id);
    void showLines(ControlId id, Change what);
    void showItems(ControlId id);
    void showItemIndex(ControlId id);
    void showTopIndex(ControlId id);
    void showChecked(ControlId id);
    void showHeight(ControlId id);
    void rebuildRadioGroup(ControlId id);

    // Every handler runs through here: while one runs, a close only hides the
    // window, and the program ends once the outermost one has returned.
    void runHandler(const std::function<void()> &handler);
    void forward(const UiEvent &event);
    // Puts the editor's caret and the focus where the buffer editor says.
    void followEditor();
    void queueActivation();
    void finishWhenIdle();
    void placeOnScreen();

    MainForm &m_form;
    WindowModel &m_ui;
    std::array<QWidget *, ControlCount> m_widgets {};
    std::array<QButtonGroup *, ControlCount> m_radioGroups {};
    QTimer *m_timer1 = nullptr;
    UiSink m_sink;
    int m_handlerDepth = 0;
    bool m_closed = false;
    bool m_tearingDown = false;
    bool m_activationQueued = false;
    bool m_finishQueued = false;
    bool m_placed = false;
};

} // namespace ravelin
