#pragma once

#include "qt/KeyMapping.h"

#include <QLineEdit>

namespace ravelin {

// A one-line entry that never edits itself: the core decides what each key
// does and the model's caption is what it shows. Typed keys go to the core as
// key presses; text that arrives otherwise (paste, drop, cut) goes as the text
// the entry would then hold, upper case and cut to the maximum length.
class ForwardingEdit final : public QLineEdit
{
    Q_OBJECT
public:
    ForwardingEdit(ControlId id, UiSink sink, QWidget *parent);

    // Shows the model's text without the change being taken for the user's.
    void showText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    ControlId m_id;
    UiSink m_sink;
};

} // namespace ravelin
