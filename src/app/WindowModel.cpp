#include "app/WindowModel.h"

#include <algorithm>

namespace ravelin {

WindowModel::WindowModel()
{
    for (const ControlInfo &info : allControls()) {
        ControlState &state = m_states[indexOf(info.id)];
        state.caption = std::string(info.caption);
        if (info.kind == ControlKind::Memo || info.kind == ControlKind::RichEdit) {
            state.lines.clear();
            if (!info.caption.empty())
                state.lines.emplace_back(info.caption);
            state.caption.clear();
        }
        state.items.assign(info.items.begin(), info.items.end());
        state.itemIndex = info.itemIndex;
        state.visible = info.visible;
        state.enabled = info.enabled;
        state.height = info.rect.height;
    }
    OpenDialog1.mustExist = true;
    SaveDialog1.askOverwrite = true;
}

void WindowModel::notify(ControlId id, Change what)
{
    // A copy: an observer may remove itself while it is told.
    const std::vector<WindowObserver *> observers = m_observers;
    for (WindowObserver *observer : observers)
        observer->controlChanged(id, what);
}

void WindowModel::setCaption(ControlId id, std::string caption)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.caption == caption)
        return;
    state.caption = std::move(caption);
    notify(id, Change::Caption);
}

void WindowModel::setVisible(ControlId id, bool visible)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.visible == visible)
        return;
    state.visible = visible;
    notify(id, Change::Visible);
}

void WindowModel::setEnabled(ControlId id, bool enabled)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.enabled == enabled)
        return;
    state.enabled = enabled;
    notify(id, Change::Enabled);
}

bool WindowModel::setChecked(ControlId id, bool checked)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.checked == checked)
        return false;
    state.checked = checked;
    notify(id, Change::Checked);
    return true;
}

bool WindowModel::setItemIndex(ControlId id, int index)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.itemIndex == index)
        return false;
    state.itemIndex = index;
    notify(id, Change::ItemIndex);
    return true;
}

void WindowModel::setTopIndex(ControlId id, int index)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.topIndex == index)
        return;
    state.topIndex = index;
    notify(id, Change::TopIndex);
}

void WindowModel::setHeight(ControlId id, int height)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.height == height)
        return;
    state.height = height;
    notify(id, Change::Height);
}

void WindowModel::setItems(ControlId id, std::vector<std::string> items)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.items == items)
        return;
    state.items = std::move(items);
    notify(id, Change::Items);
}

void WindowModel::setLines(ControlId id, std::vector<std::string> lines)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.lines == lines)
        return;
    state.lines = std::move(lines);
    notify(id, Change::Lines);
}

void WindowModel::setLine(ControlId id, std::size_t row, std::string line)
{
    ControlState &state = m_states[indexOf(id)];
    if (row >= state.lines.size())
        state.lines.resize(row + 1);
    if (state.lines[row] == line)
        return;
    state.lines[row] = std::move(line);
    notify(id, Change::Lines);
}

void WindowModel::insertLine(ControlId id, std::string line)
{
    ControlState &state = m_states[indexOf(id)];
    state.lines.insert(state.lines.begin(), std::move(line));
    notify(id, Change::LineInserted);
}

void WindowModel::appendLine(ControlId id, std::string line)
{
    m_states[indexOf(id)].lines.push_back(std::move(line));
    notify(id, Change::LineAppended);
}

void WindowModel::clearLines(ControlId id)
{
    ControlState &state = m_states[indexOf(id)];
    if (state.lines.empty())
        return;
    state.lines.clear();
    notify(id, Change::Lines);
}

void WindowModel::setFormEnabled(bool enabled)
{
    if (m_formEnabled == enabled)
        return;
    m_formEnabled = enabled;
    const std::vector<WindowObserver *> observers = m_observers;
    for (WindowObserver *observer : observers)
        observer->formEnabledChanged(enabled);
}

void WindowModel::addObserver(WindowObserver *observer)
{
    m_observers.push_back(observer);
}

void WindowModel::removeObserver(WindowObserver *observer)
{
    m_observers.erase(
        std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

} // namespace ravelin
