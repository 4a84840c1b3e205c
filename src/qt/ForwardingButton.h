#pragma once

#include "qt/KeyMapping.h"

#include <QPushButton>

namespace ravelin {

// A command button; the one that takes key presses (Start_Add, whose U starts
// the firmware update) hands them to the core as well.
class ForwardingButton final : public QPushButton
{
    Q_OBJECT
public:
    ForwardingButton(ControlId id, UiSink sink, bool forwardKeys, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    ControlId m_id;
    UiSink m_sink;
    bool m_forwardKeys;
};

} // namespace ravelin
