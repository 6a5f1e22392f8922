// What a shown grid's window holds, for the tests that compare its pixels with a fresh paint.
#pragma once

#include "TestSupport.h"
#include "grid/KvGrids.View.h"

#include <QtGui/QScreen>
#include <QtWidgets/QWidget>

namespace kvtest {

inline QWidget* Client(kv::TKvGridView* grid)
{
    return grid->Widget()->focusProxy();
}

// The client as the window shows it: its image as the paints left it.
inline QImage Shown(kv::TKvGridView* grid)
{
    QWidget* client = Client(grid);
    QWidget* w = client->window();
    const QImage all = w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    return all.copy(QRect(client->mapTo(w, QPoint(0, 0)), client->size()));
}

// The client painted whole into a picture of its own through the paint buffer, the window left
// as it is.
inline QImage Repainted(kv::TKvGridView* grid)
{
    return Client(grid)->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The event loop paints what is marked, and whatever those paints post.
inline void Settle(kv::TKvGridView* grid)
{
    DeliverPosted();
    WaitUntil([&] { return grid->GetUpdateRect().IsEmpty(); }, "the grid has painted what it marked");
    DeliverPosted();
}

} // namespace kvtest
