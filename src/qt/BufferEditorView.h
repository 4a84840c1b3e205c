#pragma once

#include "qt/KeyMapping.h"

#include <QPlainTextEdit>

namespace ravelin {

// The buffer editor's page: the model's lines, shown read-only. Keys and mouse
// presses go to the core, which moves the caret through setCaret.
class BufferEditorView final : public QPlainTextEdit
{
    Q_OBJECT
public:
    BufferEditorView(ControlId id, UiSink sink, QWidget *parent);

    void setLines(const QString &text);
    // Puts the caret before the given character of the given line (both from 0);
    // kept when the lines are replaced.
    void setCaret(int line, int column);
    int caretLine() const { return m_caretLine; }
    int caretColumn() const { return m_caretColumn; }

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyCaret();
    void fitColumns();

    ControlId m_id;
    UiSink m_sink;
    int m_caretLine = 0;
    int m_caretColumn = 0;
};

} // namespace ravelin
