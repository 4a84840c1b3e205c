#include "qt/ForwardingEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

namespace ravelin {

ForwardingEdit::ForwardingEdit(ControlId id, UiSink sink, QWidget *parent)
    : QLineEdit(parent)
    , m_id(id)
    , m_sink(std::move(sink))
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString &text) {
        // The field shows upper case: a letter typed in lower case turns at
        // once, the cursor staying where it was.
        const QString upper = text.toUpper();
        if (upper != text) {
            const int at = cursorPosition();
            setText(upper);
            setCursorPosition(at);
        }
        UiEvent event = UiEvent::of(UiEventKind::TextSet, m_id);
        event.text = upper.toStdString();
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
    // A key with a character is a key press for the core first; then the
    // field edits itself as any entry does, and the change goes to the core.
    if (std::optional<UiEvent> key = keyEventFor(m_id, *event, false)) {
        const QPointer<ForwardingEdit> self(this);
        m_sink(*key);
        if (!self || key->key == '\r' || !isVisible())
            return;
    }
    QLineEdit::keyPressEvent(event);
}

void ForwardingEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (focusMovedWithinWindow(*event))
        m_sink(UiEvent::of(UiEventKind::FocusLost, m_id));
}

} // namespace ravelin
