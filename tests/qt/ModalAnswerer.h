#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers modal windows from a timer that polls for them: a box opened inside
// the call under test blocks the test until someone answers it. The action
// returns true once it has answered; a single answerer stops then, a standing
// one goes on answering.
class ModalAnswerer
{
public:
    explicit ModalAnswerer(std::function<bool(QWidget *)> action, bool standing = false)
    {
        m_timer.callOnTimeout([this, action = std::move(action), standing] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && action(modal)) {
                m_polls = 0;
                if (!standing)
                    m_timer.stop();
            } else if (modal && ++m_polls > 300) {
                // Never what the test waited for: close it, so the test fails
                // on its comparisons instead of timing out.
                modal->close();
                m_polls = 0;
            }
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
    int m_polls = 0;
};
