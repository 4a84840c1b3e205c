#pragma once

#include "qt/KeyMapping.h"

#include <QLineEdit>

namespace ravelin {

// A one-line entry that edits itself as any entry does (at the cursor, Delete,
// the arrows), in upper case and cut to the maximum length. A key with a
// character goes to the core as a key press before the entry acts on it; every
// change of the text, typed, pasted or cut, goes to the core as the text the
// entry now holds, and the model's caption is what it shows afterwards.
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
