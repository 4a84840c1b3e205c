#pragma once

#include "qt/KeyMapping.h"

#include <QListWidget>

namespace ravelin {

// A list box: a row the user clicks, or moves to with the keyboard, goes to the
// core as an item click; the selection shown is always the model's.
class ForwardingList final : public QListWidget
{
    Q_OBJECT
public:
    ForwardingList(ControlId id, UiSink sink, int itemHeight, QWidget *parent);

    void setRows(const std::vector<std::string> &rows);
    void showRow(int index);
    void showTopRow(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void forwardRow(int row);

    ControlId m_id;
    UiSink m_sink;
    int m_itemHeight;
};

} // namespace ravelin
