#include "qt/ForwardingEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>

namespace ravelin {
namespace {

// Keys the entry may handle itself: they move the cursor or go through the
// clipboard, and any text they change comes back through textEdited.
bool leftToTheEntry(const QKeyEvent &event)
{
    static constexpr QKeySequence::StandardKey Handled[] = {
        QKeySequence::Paste,
        QKeySequence::Cut,
        QKeySequence::Copy,
        QKeySequence::SelectAll,
        QKeySequence::Undo,
        QKeySequence::Redo,
    };
    for (const QKeySequence::StandardKey key : Handled) {
        if (event.matches(key))
            return true;
    }
    switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

ForwardingEdit::ForwardingEdit(ControlId id, UiSink sink, QWidget *parent)
    : QLineEdit(parent)
    , m_id(id)
    , m_sink(std::move(sink))
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        UiEvent event = UiEvent::of(UiEventKind::TextSet, m_id);
        event.text = text.toUpper().toStdString();
        m_sink(event);
    });
}

void ForwardingEdit::showText(const QString &text)
{
    if (this->text() != text)
        setText(text);
}

void ForwardingEdit::keyPressEvent(QKeyEvent *event)
{
    if (std::optional<UiEvent> key = keyEventFor(m_id, *event, false)) {
        m_sink(*key);
        return;
    }
    if (event->key() == Qt::Key_Delete) {
        UiEvent del = UiEvent::of(UiEventKind::Key, m_id);
        del.special = SpecialKey::Delete;
        m_sink(del);
        return;
    }
    if (leftToTheEntry(*event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Tab and the like travel on to the window.
    event->ignore();
}

void ForwardingEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (focusMovedWithinWindow(*event))
        m_sink(UiEvent::of(UiEventKind::FocusLost, m_id));
}

} // namespace ravelin
