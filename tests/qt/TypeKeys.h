#pragma once

#include <QString>
#include <QTest>
#include <QWindow>

// Keys as the keyboard sends them to a window, reaching whatever has the
// focus there: '<' stands for Left and '!' for Delete, '\r' is Enter.
inline void typeKeys(QWindow *window, const QString &keys)
{
    for (const QChar key : keys) {
        if (key == u'<' || key == u'!')
            QTest::keyClick(window, key == u'<' ? Qt::Key_Left : Qt::Key_Delete);
        else
            QTest::keyClick(window, key.toLatin1());
    }
}
