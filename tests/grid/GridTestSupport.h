// A shown grid over a generated table, for the layout and paint tests.
#pragma once

#include "../model/ModelTestSupport.h"
#include "grid/KvGrids.h"
#include "platform/rtl/Trace.h"
#include "platform/ui/PaintBuffer.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"

#include <QtCore/QElapsedTimer>
#include <QtGui/QImage>
#include <QtWidgets/QApplication>
#include <QtWidgets/QWidget>
#include <gtest/gtest.h>
#include <cmath>
#include <string>

namespace kvtest {

using namespace kv;

struct TShownGrid
{
    TOwned<TKvSimpleDataProvider> Data{Create<TKvSimpleDataProvider>(nullptr)};
    TOwned<TKvGridViewImpl> Grid = MakeOwned<TKvGridViewImpl>(nullptr);
    std::vector<TKvGridDataColumn*> Columns;

    // rows rows of cols text columns "F0".."Fn" holding "r<row>c<col>".
    void Fill(int rows, int cols, int width = 80)
    {
        QStringList names, types;
        for (int c = 0; c < cols; ++c) {
            names << QStringLiteral("F%1").arg(c);
            types << QStringLiteral("s");
        }
        Data->InsertColumns(0, cols, names.join(QLatin1Char(',')), types.join(QLatin1Char(',')));
        for (int r = 0; r < rows; ++r) {
            TKvGridDataRow row;
            for (int c = 0; c < cols; ++c)
                row.push_back(Variant(QStringLiteral("r%1c%2").arg(r).arg(c)));
            Data->InsertRow(r, row);
        }
        Grid->SetDataProvider(Data.get());
        for (int c = 0; c < cols; ++c) {
            TKvGridDataColumn* column = Grid->AddDataColumn();
            column->SetFieldName(names[c]);
            column->SetWidth(width);
            Columns.push_back(column);
        }
        Grid->ResetColumnIndicies();
    }

    void Show(int width, int height)
    {
        Grid->SetBounds(0, 0, width, height);
        Grid->Show();
        Paint();
    }

    // Lays out and paints what is due now.
    void Paint()
    {
        Grid->Invalidate();
        Grid->Update();
        QApplication::processEvents();
    }

    const QImage& Image() const { return Grid->GetBuffer().GetImage(); }
    unsigned Rgb(int x, int y) const { return Image().pixel(x, y) & 0xFFFFFFu; }

    TKvGridLayoutManager* Layout() const { return static_cast<TKvGridLayoutManager*>(Grid->GetLayoutManager()); }

    ~TShownGrid()
    {
        Grid.reset();
        Data.reset();
    }
};

// The row height the layout derives from the body's styles with one data level.
// The first pixel where the two differ, as text; empty when they are the same.
inline std::string PictureDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y) & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                    .arg(b.pixel(x, y) & 0xFFFFFFu, 6, 16, QLatin1Char('0'))
                    .toStdString();
    return {};
}

inline int BodyRowUnit(TKvGridView* grid)
{
    TKvGridViewStyles* s = grid->GetBody()->GetStyles();
    auto w = [](TKvStroke* stroke) { return std::max(1, static_cast<int>(std::lround(stroke ? stroke->GetWidth() : 0))); };
    return static_cast<int>(std::lround(s->GetFont()->GetHeight() + 2.0)) + w(s->GetBorderTop()) + w(s->GetBorderBottom()) +
           std::max(1, s->GetPaddingTop()) + std::max(1, s->GetPaddingBottom());
}

// Fills its content with a fill of its own, inset by 2 px: over what is there, or over the
// cell's own drawing first (DrawCell).
class TOverlayRenderer : public kv::TKvGridDataCellRenderer
{
public:
    using kv::TKvGridDataCellRenderer::TKvGridDataCellRenderer;
    kv::TKvFill* Fill = nullptr;
    bool DrawCell = false;
    void DoDraw(kv::TKvGridCell* cell, kv::TKvDrawingContext* context, const kv::TRectF& rect) override
    {
        if (DrawCell)
            kv::TKvGridDataCellRenderer::DoDraw(cell, context, rect);
        context->DrawRect(Fill, nullptr, kv::TRectF(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2));
    }
};

} // namespace kvtest
