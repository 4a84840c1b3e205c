#include "qt/ForwardingButton.h"

#include <QKeyEvent>

namespace ravelin {

ForwardingButton::ForwardingButton(ControlId id, UiSink sink, bool forwardKeys, QWidget *parent)
    : QPushButton(parent)
    , m_id(id)
    , m_sink(std::move(sink))
    , m_forwardKeys(forwardKeys)
{
    connect(this, &QPushButton::clicked, this,
        [this] { m_sink(UiEvent::of(UiEventKind::Click, m_id)); });
}

void ForwardingButton::keyPressEvent(QKeyEvent *event)
{
    if (m_forwardKeys) {
        if (const std::optional<UiEvent> key = keyEventFor(m_id, *event, false)) {
            m_sink(*key);
            return;
        }
    }
    QPushButton::keyPressEvent(event);
}

} // namespace ravelin
