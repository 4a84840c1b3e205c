#pragma once

#include "qt/KeyMapping.h"

#include <QGroupBox>

namespace ravelin {

// A group box whose own background answers clicks (the configuration word
// editor refreshes on them); its children take their own clicks.
class GroupBox final : public QGroupBox
{
    Q_OBJECT
public:
    GroupBox(ControlId id, UiSink sink, QWidget *parent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ControlId m_id;
    UiSink m_sink;
    bool m_pressed = false;
};

} // namespace ravelin
