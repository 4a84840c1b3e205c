#pragma once

#include "qt/KeyMapping.h"

#include <QLabel>

namespace ravelin {

// A static text: a one-line label that may be clicked (the status line starts a
// new search, the editor's jump texts move it) and that grows to the width of
// its caption, as an auto-sized static text does.
class StaticText final : public QLabel
{
    Q_OBJECT
public:
    StaticText(ControlId id, UiSink sink, int designWidth, QWidget *parent);

    void setCaption(const QString &caption);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    ControlId m_id;
    UiSink m_sink;
    int m_designWidth;
    bool m_pressed = false;
};

} // namespace ravelin
