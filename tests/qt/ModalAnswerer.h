#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers modal windows from a timer that polls for them: a box opened inside
// the call under test blocks the test until someone answers it.
class ModalAnswerer
{
public:
    // The action returns true once it has answered the window. A single
    // answerer stops after its first answer; a standing one goes on answering.
    explicit ModalAnswerer(std::function<bool(QWidget *)> action, bool standing = false)
        : m_action(std::move(action))
        , m_standing(standing)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }

    int answered() const { return m_answered; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (m_action(modal)) {
            ++m_answered;
            m_polls = 0;
            if (!m_standing)
                m_timer.stop();
        } else if (++m_polls > 300) {
            // Never what the test waited for: close it, so the test fails on
            // its comparisons instead of timing out.
            modal->close();
            m_polls = 0;
        }
    }

    std::function<bool(QWidget *)> m_action;
    bool m_standing;
    QTimer m_timer;
    int m_polls = 0;
    int m_answered = 0;
};
