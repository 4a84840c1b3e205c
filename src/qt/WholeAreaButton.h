#pragma once

#include <QAbstractButton>
#include <QPoint>

namespace ravelin {

// A check box or radio button that takes a click anywhere inside its
// rectangle, not only on its box and caption: a fuse or oscillator setting
// toggles wherever the user hits its row.
template<typename Button>
class WholeAreaButton final : public Button
{
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint &pos) const override { return this->rect().contains(pos); }
};

} // namespace ravelin
