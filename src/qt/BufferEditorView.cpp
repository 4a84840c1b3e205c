#include "qt/BufferEditorView.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextBlock>

#include <algorithm>

namespace ravelin {

BufferEditorView::BufferEditorView(ControlId id, UiSink sink, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_id(id)
    , m_sink(std::move(sink))
{
    setReadOnly(true);
    // Read-only text shows no caret unless it may be moved by keyboard; the
    // keys themselves never reach the text (keyPressEvent below).
    setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    setFocusPolicy(Qt::StrongFocus);
}

void BufferEditorView::setLines(const QString &text)
{
    if (toPlainText() != text)
        setPlainText(text);
    applyCaret();
}

void BufferEditorView::setCaret(int line, int column)
{
    m_caretLine = line;
    m_caretColumn = column;
    applyCaret();
}

void BufferEditorView::applyCaret()
{
    const QTextBlock block = document()->findBlockByNumber(m_caretLine);
    if (!block.isValid())
        return;
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + std::min(m_caretColumn, block.length() - 1));
    setTextCursor(cursor);
}

void BufferEditorView::keyPressEvent(QKeyEvent *event)
{
    if (const std::optional<UiEvent> key = keyEventFor(m_id, *event, true))
        m_sink(*key);
    else
        event->ignore();
}

void BufferEditorView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton)
        return;
    const QTextCursor at = cursorForPosition(event->position().toPoint());
    UiEvent press = UiEvent::of(UiEventKind::MouseDown, m_id);
    press.line = at.blockNumber();
    press.column = at.positionInBlock();
    m_sink(press);
}

void BufferEditorView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

// No selections: the caret is the core's alone.
void BufferEditorView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}
void BufferEditorView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void BufferEditorView::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitColumns();
}

void BufferEditorView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    fitColumns();
}

// A page line is 56 characters and the control has no horizontal scroll bar. The
// installed look-alike of the editor's face may be wider than the original's
// 7-pixel cell: the page is then drawn a little tighter so the character column
// shows. The control keeps the face it was given.
void BufferEditorView::fitColumns()
{
    constexpr int PageColumns = 56;
    document()->setDocumentMargin(2);
    QFont tight = font();
    const qreal cell = QFontMetricsF(tight).horizontalAdvance(QLatin1Char('0'));
    const qreal room
        = (contentsRect().width() - 2 * document()->documentMargin() - 2) / PageColumns;
    if (cell > room)
        tight.setLetterSpacing(QFont::AbsoluteSpacing, room - cell);
    if (document()->defaultFont() != tight)
        document()->setDefaultFont(tight);
}

void BufferEditorView::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    if (focusMovedWithinWindow(*event))
        m_sink(UiEvent::of(UiEventKind::FocusLost, m_id));
}

} // namespace ravelin
