#pragma once

#include "app/Controls.h"

#include <array>
#include <string>
#include <vector>

namespace ravelin {

struct ControlState
{
    std::string caption; // caption, or the text of a one-line edit
    std::vector<std::string> lines; // memos, the editor and the jumper diagrams
    std::vector<std::string> items; // list boxes and radio groups
    int itemIndex = -1;
    int topIndex = 0; // first row a list box shows
    bool checked = false;
    bool visible = true;
    bool enabled = true;
    int height = 0; // the backdrops grow and shrink with the buttons they frame
};

// A file dialog's settings, kept between runs of the dialog.
struct FileDialogState
{
    std::string fileName;
    std::string defaultExt = "Bin";
    std::string filter = std::string(FileDialogFilter);
    int filterIndex = 1; // 1-based, as the dialog counts its filter entries
    std::string initialDir;
    bool mustExist = false; // open: only existing files in existing folders
    bool askOverwrite = false; // save: asks before replacing a file
};

enum class Change : std::uint8_t {
    Caption,
    Lines,
    LineInserted, // at the top
    LineAppended, // at the bottom
    Items,
    ItemIndex,
    TopIndex,
    Checked,
    Visible,
    Enabled,
    Height,
    Focus, // the control is to take the keyboard focus
};

class WindowObserver
{
public:
    virtual ~WindowObserver() = default;
    virtual void controlChanged(ControlId id, Change what) = 0;
    virtual void formEnabledChanged(bool /*enabled*/) { }
};

// The presentation model of the window: the state of every control. Each setter
// tells the observers only when the state really changed, so the view paints at
// once and a pump shows it.
class WindowModel
{
public:
    WindowModel();

    const ControlState &operator[](ControlId id) const { return m_states[indexOf(id)]; }

    void setCaption(ControlId id, std::string caption);
    void setVisible(ControlId id, bool visible);
    void setEnabled(ControlId id, bool enabled);
    bool setChecked(ControlId id, bool checked); // true when the state changed
    bool setItemIndex(ControlId id, int index); // true when the selection changed
    void setTopIndex(ControlId id, int index);
    void setHeight(ControlId id, int height);
    void setItems(ControlId id, std::vector<std::string> items);
    void setLines(ControlId id, std::vector<std::string> lines);
    void setLine(ControlId id, std::size_t row, std::string line);
    void insertLine(ControlId id, std::string line); // at the top
    void appendLine(ControlId id, std::string line); // at the bottom
    void clearLines(ControlId id);

    void show(ControlId id) { setVisible(id, true); }
    void hide(ControlId id) { setVisible(id, false); }
    void enable(ControlId id) { setEnabled(id, true); }
    void disable(ControlId id) { setEnabled(id, false); }

    // Hands the keyboard focus to a shown control, so that the next key goes to it.
    void setFocus(ControlId id) { notify(id, Change::Focus); }

    bool formEnabled() const { return m_formEnabled; }
    void setFormEnabled(bool enabled);

    FileDialogState OpenDialog1;
    FileDialogState SaveDialog1;

    void addObserver(WindowObserver *observer);
    void removeObserver(WindowObserver *observer);

private:
    void notify(ControlId id, Change what);

    std::array<ControlState, ControlCount> m_states;
    std::vector<WindowObserver *> m_observers;
    bool m_formEnabled = true;
};

} // namespace ravelin
