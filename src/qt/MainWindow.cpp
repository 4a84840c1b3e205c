#include "qt/MainWindow.h"

#include "qt/BufferEditorView.h"
#include "qt/ForwardingButton.h"
#include "qt/ForwardingEdit.h"
#include "qt/ForwardingList.h"
#include "qt/GroupBox.h"
#include "qt/Look.h"
#include "qt/StaticText.h"
#include "qt/WholeAreaButton.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QTextCursor>
#include <QTimer>

namespace ravelin {
namespace {

constexpr int TimerPeriodMs = 1000;

QString fromStd(const std::string &text)
{
    return QString::fromStdString(text);
}
QString fromStd(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString joined(const std::vector<std::string> &lines)
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string &line : lines)
        list << fromStd(line);
    return list.join(QLatin1Char('\n'));
}

void paintBackground(QWidget *widget, Colour colour)
{
    const std::optional<QColor> qcolour = colourOf(colour);
    if (!qcolour)
        return;
    // Buttons (check boxes and radio buttons among them) fill with the button
    // colour, everything else with the window colour.
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, *qcolour);
    palette.setColor(widget->backgroundRole(), *qcolour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A radio group lays its items out in one column below its caption, each
// row an equal share of the height left, as the toolkit's radio group does.
void placeRadioItems(QWidget *group, const QList<QAbstractButton *> &buttons)
{
    if (buttons.isEmpty())
        return;
    const int captionHeight = group->fontMetrics().height();
    const int rowHeight
        = std::max(1, (group->height() - captionHeight - 2) / static_cast<int>(buttons.size()));
    for (qsizetype i = 0; i < buttons.size(); ++i)
        buttons[i]->setGeometry(
            8, captionHeight + static_cast<int>(i) * rowHeight, group->width() - 12, rowHeight);
}

} // namespace

MainWindow::MainWindow(MainForm &form, QWidget *parent)
    : QWidget(parent)
    , m_form(form)
    , m_ui(form.ui())
    , m_sink([this](const UiEvent &event) { forward(event); })
{
    const FormInfo &info = formInfo();
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(fromStd(info.caption));
    setFont(fontFor(info.font));
    paintBackground(this, info.colour);
    // Until a window manager frames the window its client area is all there is.
    resize(info.outerWidth, info.outerHeight);

    // Stacking follows creation: the coloured backdrops go first so the button
    // columns lie on them, and the jumper diagrams next so that the message
    // panel, the editor and the device list, when shown, lie over a diagram.
    for (const ControlInfo &control : allControls()) {
        if (control.kind == ControlKind::Label)
            createControl(control);
    }
    for (const ControlInfo &control : allControls()) {
        if (control.id >= ControlId::Jmp_8 && control.id <= ControlId::Jmp_64)
            createControl(control);
    }
    for (const ControlInfo &control : allControls()) {
        if (control.kind != ControlKind::Label
            && !(control.id >= ControlId::Jmp_8 && control.id <= ControlId::Jmp_64))
            createControl(control);
    }
    for (const ControlInfo &control : allControls())
        showInitialState(control);

    m_ui.addObserver(this);
    setEnabled(m_ui.formEnabled());
}

MainWindow::~MainWindow()
{
    // The widgets go first, while everything they report to is still whole: a
    // dying focused widget may still tell of its lost focus.
    m_tearingDown = true;
    m_ui.removeObserver(this);
    if (m_timer1)
        m_timer1->stop();
    const QList<QWidget *> children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    qDeleteAll(children);
    m_widgets.fill(nullptr);
}

BufferEditorView *MainWindow::editor() const
{
    return static_cast<BufferEditorView *>(widget(ControlId::Edit_1));
}

void MainWindow::setEditorCaret(int line, int column)
{
    editor()->setCaret(line, column);
}

QWidget *MainWindow::parentFor(const ControlInfo &info)
{
    if (info.parent == ControlId::None)
        return this;
    return m_widgets[indexOf(info.parent)];
}

void MainWindow::createControl(const ControlInfo &info)
{
    QWidget *parent = parentFor(info);
    QWidget *widget = nullptr;
    switch (info.kind) {
    case ControlKind::Button:
        // Start_Add takes the key that starts the firmware update.
        widget = new ForwardingButton(info.id, m_sink, info.id == ControlId::Start_Add, parent);
        break;
    case ControlKind::StaticText: {
        auto *text = new StaticText(info.id, m_sink, info.rect.width, parent);
        if (info.sunken) {
            text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            text->setLineWidth(1);
        }
        widget = text;
        break;
    }
    case ControlKind::Label:
        widget = new QLabel(parent);
        break;
    case ControlKind::Memo: {
        auto *memo = new QPlainTextEdit(parent);
        memo->setReadOnly(true);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (info.id == ControlId::Memo1) {
            memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        } else {
            // A jumper diagram is a drawing in characters: it must not wrap.
            memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            memo->setLineWrapMode(QPlainTextEdit::NoWrap);
        }
        widget = memo;
        break;
    }
    case ControlKind::ListBox:
        widget = new ForwardingList(info.id, m_sink, info.itemHeight, parent);
        break;
    case ControlKind::Edit: {
        auto *edit = new ForwardingEdit(info.id, m_sink, parent);
        if (info.maxLength > 0)
            edit->setMaxLength(info.maxLength);
        widget = edit;
        break;
    }
    case ControlKind::RichEdit:
        widget = new BufferEditorView(info.id, m_sink, parent);
        break;
    case ControlKind::GroupBox:
        widget = new GroupBox(info.id, m_sink, parent);
        break;
    case ControlKind::CheckBox: {
        auto *box = new WholeAreaButton<QCheckBox>(parent);
        connect(box, &QCheckBox::clicked, this, [this, id = info.id](bool checked) {
            UiEvent event = UiEvent::of(UiEventKind::Toggled, id);
            event.checked = checked;
            forward(event);
        });
        widget = box;
        break;
    }
    case ControlKind::RadioButton: {
        auto *radio = new WholeAreaButton<QRadioButton>(parent);
        // The model says which one is on; the core clears the others.
        radio->setAutoExclusive(false);
        connect(radio, &QRadioButton::clicked, this, [this, id = info.id] {
            // Clicking a radio button always turns it on.
            UiEvent event = UiEvent::of(UiEventKind::Toggled, id);
            event.checked = true;
            forward(event);
        });
        widget = radio;
        break;
    }
    case ControlKind::RadioGroup: {
        auto *group = new GroupBox(info.id, m_sink, parent);
        auto *buttons = new QButtonGroup(group);
        buttons->setExclusive(true);
        connect(buttons, &QButtonGroup::idClicked, this, [this, id = info.id](int index) {
            UiEvent event = UiEvent::of(UiEventKind::ItemClick, id);
            event.index = index;
            forward(event);
        });
        m_radioGroups[indexOf(info.id)] = buttons;
        widget = group;
        break;
    }
    case ControlKind::Timer:
        m_timer1 = new QTimer(this);
        m_timer1->setTimerType(Qt::PreciseTimer);
        m_timer1->setInterval(TimerPeriodMs);
        connect(m_timer1, &QTimer::timeout, this,
            [this] { runHandler([this] { m_form.Timer1Timer(); }); });
        return;
    }
    widget->setObjectName(fromStd(info.name));
    widget->setGeometry(info.rect.left, info.rect.top, info.rect.width, info.rect.height);
    widget->setFont(fontFor(info.font));
    paintBackground(widget, info.colour);
    m_widgets[indexOf(info.id)] = widget;
}

void MainWindow::showInitialState(const ControlInfo &info)
{
    const ControlState &state = m_ui[info.id];
    if (info.kind == ControlKind::Timer) {
        // Timer1 runs from the window's creation.
        if (state.enabled)
            m_timer1->start();
        return;
    }
    showCaption(info.id);
    showLines(info.id, Change::Lines);
    showItems(info.id);
    showTopIndex(info.id);
    showChecked(info.id);
    showHeight(info.id);
    QWidget *widget = m_widgets[indexOf(info.id)];
    widget->setEnabled(state.enabled);
    widget->setVisible(state.visible);
}

void MainWindow::controlChanged(ControlId id, Change what)
{
    if (m_tearingDown)
        return;
    if (id == ControlId::Timer1) {
        if (what != Change::Enabled)
            return;
        // Enabling a running timer keeps its period going: a reply wait that
        // enables it again must still end within a second of the first.
        if (!m_ui[id].enabled)
            m_timer1->stop();
        else if (!m_timer1->isActive())
            m_timer1->start();
        return;
    }
    QWidget *widget = m_widgets[indexOf(id)];
    switch (what) {
    case Change::Caption:
        showCaption(id);
        break;
    case Change::Lines:
    case Change::LineInserted:
    case Change::LineAppended:
        showLines(id, what);
        break;
    case Change::Items:
        showItems(id);
        break;
    case Change::ItemIndex:
        showItemIndex(id);
        break;
    case Change::TopIndex:
        showTopIndex(id);
        break;
    case Change::Checked:
        showChecked(id);
        break;
    case Change::Visible:
        widget->setVisible(m_ui[id].visible);
        break;
    case Change::Enabled:
        widget->setEnabled(m_ui[id].enabled);
        break;
    case Change::Height:
        showHeight(id);
        break;
    case Change::Focus:
        if (m_ui[id].visible && !widget->hasFocus())
            widget->setFocus(Qt::OtherFocusReason);
        break;
    }
}

void MainWindow::showHeight(ControlId id)
{
    QWidget *widget = m_widgets[indexOf(id)];
    widget->resize(widget->width(), m_ui[id].height);
    if (controlInfo(id).kind == ControlKind::RadioGroup)
        placeRadioItems(widget, m_radioGroups[indexOf(id)]->buttons());
}

void MainWindow::formEnabledChanged(bool enabled)
{
    if (!m_tearingDown)
        setEnabled(enabled);
}

void MainWindow::showCaption(ControlId id)
{
    QWidget *widget = m_widgets[indexOf(id)];
    const QString caption = fromStd(m_ui[id].caption);
    switch (controlInfo(id).kind) {
    case ControlKind::Button:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        static_cast<QAbstractButton *>(widget)->setText(caption);
        break;
    case ControlKind::StaticText:
        static_cast<StaticText *>(widget)->setCaption(caption);
        break;
    case ControlKind::GroupBox:
    case ControlKind::RadioGroup:
        static_cast<QGroupBox *>(widget)->setTitle(caption);
        break;
    case ControlKind::Edit:
        static_cast<ForwardingEdit *>(widget)->showText(caption);
        break;
    case ControlKind::Label:
    case ControlKind::Memo:
    case ControlKind::ListBox:
    case ControlKind::RichEdit:
    case ControlKind::Timer:
        break;
    }
}

void MainWindow::showLines(ControlId id, Change what)
{
    const std::vector<std::string> &lines = m_ui[id].lines;
    switch (controlInfo(id).kind) {
    case ControlKind::Memo: {
        auto *memo = static_cast<QPlainTextEdit *>(m_widgets[indexOf(id)]);
        // A line at the top or the bottom is added where it goes, so a long
        // run of result lines costs no repaint of the whole panel per line.
        if (what == Change::LineAppended && lines.size() > 1) {
            memo->appendPlainText(fromStd(lines.back()));
        } else if (what == Change::LineInserted && lines.size() > 1) {
            QTextCursor cursor(memo->document());
            cursor.movePosition(QTextCursor::Start);
            cursor.insertText(fromStd(lines.front()) + QLatin1Char('\n'));
        } else {
            memo->setPlainText(joined(lines));
        }
        break;
    }
    case ControlKind::RichEdit:
        static_cast<BufferEditorView *>(m_widgets[indexOf(id)])->setLines(joined(lines));
        break;
    case ControlKind::Button:
    case ControlKind::StaticText:
    case ControlKind::Label:
    case ControlKind::ListBox:
    case ControlKind::Edit:
    case ControlKind::GroupBox:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::RadioGroup:
    case ControlKind::Timer:
        break;
    }
}

void MainWindow::showItems(ControlId id)
{
    switch (controlInfo(id).kind) {
    case ControlKind::ListBox:
        static_cast<ForwardingList *>(m_widgets[indexOf(id)])->setRows(m_ui[id].items);
        showItemIndex(id);
        showTopIndex(id);
        break;
    case ControlKind::RadioGroup:
        rebuildRadioGroup(id);
        break;
    case ControlKind::Button:
    case ControlKind::StaticText:
    case ControlKind::Label:
    case ControlKind::Memo:
    case ControlKind::Edit:
    case ControlKind::RichEdit:
    case ControlKind::GroupBox:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::Timer:
        break;
    }
}

void MainWindow::rebuildRadioGroup(ControlId id)
{
    QWidget *group = m_widgets[indexOf(id)];
    QButtonGroup *buttons = m_radioGroups[indexOf(id)];
    const QList<QAbstractButton *> old = buttons->buttons();
    for (QAbstractButton *button : old) {
        buttons->removeButton(button);
        delete button;
    }
    const std::vector<std::string> &items = m_ui[id].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(fromStd(items[i]), group);
        radio->setObjectName(fromStd(controlInfo(id).name) + QLatin1Char('_') + QString::number(i));
        buttons->addButton(radio, static_cast<int>(i));
        radio->show();
    }
    placeRadioItems(group, buttons->buttons());
    showItemIndex(id);
}

void MainWindow::showItemIndex(ControlId id)
{
    const int index = m_ui[id].itemIndex;
    switch (controlInfo(id).kind) {
    case ControlKind::ListBox:
        static_cast<ForwardingList *>(m_widgets[indexOf(id)])->showRow(index);
        break;
    case ControlKind::RadioGroup: {
        QButtonGroup *buttons = m_radioGroups[indexOf(id)];
        if (QAbstractButton *chosen = buttons->button(index)) {
            chosen->setChecked(true);
        } else {
            // No item chosen: an exclusive group cannot clear itself.
            buttons->setExclusive(false);
            for (QAbstractButton *button : buttons->buttons())
                button->setChecked(false);
            buttons->setExclusive(true);
        }
        break;
    }
    case ControlKind::Button:
    case ControlKind::StaticText:
    case ControlKind::Label:
    case ControlKind::Memo:
    case ControlKind::Edit:
    case ControlKind::RichEdit:
    case ControlKind::GroupBox:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::Timer:
        break;
    }
}

void MainWindow::showTopIndex(ControlId id)
{
    if (controlInfo(id).kind == ControlKind::ListBox)
        static_cast<ForwardingList *>(m_widgets[indexOf(id)])->showTopRow(m_ui[id].topIndex);
}

void MainWindow::showChecked(ControlId id)
{
    const ControlKind kind = controlInfo(id).kind;
    if (kind == ControlKind::CheckBox || kind == ControlKind::RadioButton)
        static_cast<QAbstractButton *>(m_widgets[indexOf(id)])->setChecked(m_ui[id].checked);
}

void MainWindow::runHandler(const std::function<void()> &handler)
{
    const QPointer<MainWindow> self(this);
    ++m_handlerDepth;
    handler();
    if (!self)
        return;
    --m_handlerDepth;
    finishWhenIdle();
}

void MainWindow::forward(const UiEvent &event)
{
    // Input that arrives after the close (in a pump of a command still
    // finishing) starts nothing new.
    if (m_closed || m_tearingDown)
        return;
    const QPointer<MainWindow> self(this);
    runHandler([&] { m_form.handle(event); });
    if (!self || m_tearingDown)
        return;
    // The widget changed itself when the user touched it; the model says what
    // it shows.
    switch (controlInfo(event.id).kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        showChecked(event.id);
        break;
    case ControlKind::ListBox:
    case ControlKind::RadioGroup:
        showItemIndex(event.id);
        break;
    case ControlKind::Edit:
        showCaption(event.id);
        break;
    case ControlKind::Button:
    case ControlKind::StaticText:
    case ControlKind::Label:
    case ControlKind::Memo:
    case ControlKind::RichEdit:
    case ControlKind::GroupBox:
    case ControlKind::Timer:
        break;
    }
    followEditor();
}

void MainWindow::followEditor()
{
    const EditorState &editorState = m_form.state().editor;
    // The editor's caret is the editor's alone, whatever the key did to the control's.
    editor()->setCaret(editorState.caretPlace.line, editorState.caretPlace.column);
    if (editorState.focus == ControlId::None || !m_ui[editorState.focus].visible)
        return;
    QWidget *target = m_widgets[indexOf(editorState.focus)];
    if (!target->hasFocus())
        target->setFocus(Qt::OtherFocusReason);
}

void MainWindow::queueActivation()
{
    if (m_activationQueued)
        return;
    m_activationQueued = true;
    // From the event loop, not from inside the show or the activation event:
    // the start-up sequence pumps and may open boxes.
    QTimer::singleShot(0, this, [this] {
        if (!m_closed)
            runHandler([this] { m_form.FormActivate(); });
    });
}

void MainWindow::finishWhenIdle()
{
    if (!m_closed || m_handlerDepth > 0 || m_finishQueued)
        return;
    m_finishQueued = true;
    QTimer::singleShot(0, this, [this] { emit finished(); });
}

void MainWindow::placeOnScreen()
{
    const FormInfo &info = formInfo();
    // The outer size includes the frame, once a window manager has put one on.
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(info.outerWidth - frame.width(), info.outerHeight - frame.height());
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.left() + std::max(0, (area.width() - info.outerWidth) / 2),
            area.top() + std::max(0, (area.height() - info.outerHeight) / 2));
    }
}

bool MainWindow::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        if (!m_placed) {
            // By now a window manager has framed the window.
            m_placed = true;
            placeOnScreen();
        }
        queueActivation();
    }
    return QWidget::event(event);
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous() && !m_activationQueued) {
        placeOnScreen();
        queueActivation();
    }
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_closed) {
        m_closed = true;
        runHandler([this] { m_form.FormCloseQuery(); });
        emit closed();
    }
    // Closing is always allowed; the program ends once no handler runs.
    event->accept();
    finishWhenIdle();
}

} // namespace ravelin
