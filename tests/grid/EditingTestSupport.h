// A shown offscreen grid over an editable item chain, for in-place editing tests.
#pragma once

#include "EditTestSupport.h"
#include "TestSupport.h"
#include "../model/ModelTestSupport.h"

#include "grid/KvGrids.h"
#include "model/KvGrids.Data.Simple.h"
#include "model/KvGrids.Model.Default.h"
#include "model/KvGrids.Model.Editing.h"
#include "platform/ui/Popups.h"
#include "platform/ui/Services.h"

namespace kvtest {

// A grid that records the keys, characters and presses that reach its own handling.
class TRecordingGrid : public kv::TKvGridView
{
protected:
    friend class kv::TCreateAccess;
    using kv::TKvGridView::TKvGridView;

public:
    QStringList Keys;
    int Presses = 0;
    std::intptr_t PressTag = 0;

protected:
    void KeyDown(std::uint16_t& key, kv::TShiftState shift) override
    {
        if (key == kv::VK_CONTROL || key == kv::VK_SHIFT || key == kv::VK_MENU)
            return;
        Keys << QStringLiteral("%1%2").arg(shift.Contains(kv::ssCtrl) ? "^" : "").arg(key);
        key = 0;
    }
    void KeyPress(QChar& key) override { Keys << QStringLiteral("#%1").arg(key.unicode()); }
    void MouseDown(kv::TMouseButton button, kv::TShiftState shift, int x, int y) override
    {
        ++Presses;
        PressTag = kv::GetMessageExtraInfo();
        kv::TKvGridView::MouseDown(button, shift, x, y);
    }
};

struct TEditingFixture : ::testing::Test
{
    TLocaleScope Locale{QLocale(QLocale::English, QLocale::UnitedStates)};
    kv::TOwned<kv::TKvSimpleDataProvider> Data = MakeTable(
        "Name,Value,When,Note", "s,n,d,s",
        {{"alpha", 1.75, kv::Variant::DateTime(kv::EncodeDateTime(2024, 3, 5, 13, 30, 0)), "x"},
         {"beta", 2, kv::Variant::DateTime(kv::EncodeDate(1995, 6, 7)), "y"},
         {"gamma", 3, kv::Variant(), "z"}});
    kv::TOwned<kv::TKvDefaultGridItemProvider> Default = kv::MakeOwned<kv::TKvDefaultGridItemProvider>();
    kv::TOwned<kv::TKvGridEditableItemProvider> Editable;
    kv::TOwned<TRecordingGrid> Grid = kv::MakeOwned<TRecordingGrid>(nullptr);
    kv::TKvGridDataColumn* Name = nullptr;
    kv::TKvGridDataColumn* Value = nullptr;
    kv::TKvGridDataColumn* When = nullptr;
    kv::TKvGridDataColumn* Note = nullptr;
    QStringList Events;

    void SetUp() override
    {
        Default->SetDataSource(Data.get());
        Editable = kv::MakeOwned<kv::TKvGridEditableItemProvider>(Default.get());
        Grid->SetItemSource(Editable.get());
        Name = AddColumn("Name");
        Value = AddColumn("Value");
        When = AddColumn("When");
        Note = AddColumn("Note");
        Grid->OnEditStart = [this](kv::TKvGridView*, const kv::TKvGridCellIndex& i) {
            Events << QStringLiteral("start %1").arg(i.ItemIndex);
        };
        Grid->OnEditCommit = [this](kv::TKvGridView*, const kv::TKvGridCellIndex&, const kv::Variant& v) {
            Events << "commit " + v.ToString();
        };
        Grid->OnEditComplete = [this](kv::TKvGridView*, const kv::TKvGridCellIndex& i) {
            Events << QStringLiteral("complete %1").arg(i.ItemIndex);
        };
        Grid->OnEditCancel = [this](kv::TKvGridView*, const kv::TKvGridCellIndex&) { Events << "cancel"; };
        ShowFocused(Grid.get(), 600, 300);
    }
    void TearDown() override
    {
        Grid.reset();
        Editable.reset();
        Default.reset();
    }
    kv::TKvGridDataColumn* AddColumn(const QString& field)
    {
        kv::TKvGridDataColumn* c = Grid->AddDataColumn();
        c->SetFieldName(field);
        return c;
    }
    kv::TKvDefaultGridEditController* Controller() const
    {
        return static_cast<kv::TKvDefaultGridEditController*>(Grid->GetEditController());
    }
    kv::TKvGridCellIndex Cell(int item, kv::TKvGridColumn* column) const { return {Grid.get(), item, column}; }
    void Focus(int item, kv::TKvGridColumn* column)
    {
        Grid->SetFocusedIndex(Cell(item, column));
        DeliverPosted();
        // The offscreen platform may activate a closed pop-up late: the grid's window again.
        QApplication::setActiveWindow(Grid->Widget()->window());
    }
    // The shared line editor's control.
    kv::TKvGridInplaceEditor* LineControl() const
    {
        auto* editor = dynamic_cast<kv::TKvLineCellEditor*>(Controller()->GetEditor());
        return editor ? editor->GetControl() : nullptr;
    }
    // A screen point of a client point of the grid, and a press there through its window.
    void PressGrid(int x, int y)
    {
        QWidget* window = Grid->Widget()->window();
        QTest::mousePress(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, WindowPoint(Grid.get(), x, y));
        QTest::mouseRelease(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, WindowPoint(Grid.get(), x, y));
        DeliverPosted();
    }
};

} // namespace kvtest
