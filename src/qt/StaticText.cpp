#include "qt/StaticText.h"

#include <QMouseEvent>

#include <algorithm>

namespace ravelin {

StaticText::StaticText(ControlId id, UiSink sink, int designWidth, QWidget *parent)
    : QLabel(parent)
    , m_id(id)
    , m_sink(std::move(sink))
    , m_designWidth(designWidth)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void StaticText::setCaption(const QString &caption)
{
    setText(caption);
    // Grow, never shrink: the designed width is the least it takes.
    const int needed
        = fontMetrics().horizontalAdvance(caption) + 2 * frameWidth() + 2 * margin() + 4;
    resize(std::max(m_designWidth, needed), height());
}

void StaticText::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void StaticText::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release on the text, as on a button.
    const bool click = m_pressed && event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        m_sink(UiEvent::of(UiEventKind::Click, m_id));
}

} // namespace ravelin
