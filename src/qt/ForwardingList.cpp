#include "qt/ForwardingList.h"

#include <QScrollBar>
#include <QSignalBlocker>

namespace ravelin {

ForwardingList::ForwardingList(ControlId id, UiSink sink, int itemHeight, QWidget *parent)
    : QListWidget(parent)
    , m_id(id)
    , m_sink(std::move(sink))
    , m_itemHeight(itemHeight)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::itemClicked, this,
        [this](QListWidgetItem *item) { forwardRow(row(item)); });
}

void ForwardingList::setRows(const std::vector<std::string> &rows)
{
    const QSignalBlocker quiet(this);
    clear();
    for (const std::string &text : rows) {
        auto *item = new QListWidgetItem(QString::fromStdString(text), this);
        if (m_itemHeight > 0)
            item->setSizeHint(
                QSize(fontMetrics().horizontalAdvance(item->text()) + 4, m_itemHeight));
    }
}

void ForwardingList::showRow(int index)
{
    const QSignalBlocker quiet(this);
    if (index >= 0 && index < count()) {
        setCurrentRow(index);
    } else {
        clearSelection();
        setCurrentItem(nullptr);
    }
}

void ForwardingList::showTopRow(int index)
{
    verticalScrollBar()->setValue(index);
}

void ForwardingList::keyPressEvent(QKeyEvent *event)
{
    // Moving through the rows with the keyboard picks them, as clicks do.
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    const int after = currentRow();
    if (after != before && after >= 0)
        forwardRow(after);
}

void ForwardingList::forwardRow(int row)
{
    if (row < 0)
        return;
    UiEvent event = UiEvent::of(UiEventKind::ItemClick, m_id);
    event.index = row;
    m_sink(event);
}

} // namespace ravelin
