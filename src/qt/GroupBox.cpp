#include "qt/GroupBox.h"

#include <QMouseEvent>

namespace ravelin {

GroupBox::GroupBox(ControlId id, UiSink sink, QWidget *parent)
    : QGroupBox(parent)
    , m_id(id)
    , m_sink(std::move(sink))
{ }

void GroupBox::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QGroupBox::mousePressEvent(event);
}

void GroupBox::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    QGroupBox::mouseReleaseEvent(event);
    if (click)
        m_sink(UiEvent::of(UiEventKind::Click, m_id));
}

} // namespace ravelin
