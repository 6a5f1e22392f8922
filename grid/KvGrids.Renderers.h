// Ready-made data-cell renderers: proxy, clickable and check, text, image (through an image
// loader), bar, and the rating and pie renderers that only hold their settings.
#pragma once

#include "grid/KvGrids.Loaders.h"
#include "grid/KvGrids.Renderer.h"

#include <QtCore/QString>
#include <functional>

namespace kv {

class TCustomImageList;

// Holds another renderer; draws as the default data-cell renderer.
class TKvProxyCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvProxyCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

public:
    QString GetDisplayName() const override { return QStringLiteral("custom"); }
    TKvGridCellRenderer* GetRenderer() const { return FRenderer; }
    void SetRenderer(TKvGridCellRenderer* value);

private:
    TComponentRef<TKvGridCellRenderer> FRenderer;
};

// A renderer that reacts to clicks, showing its cursor over the cell.
class TKvClickableCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvClickableCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

public:
    // ClickCursor while ShowClickCursor, else the default cursor.
    TCursor GetCursor() const override { return FShowClickCursor ? FClickCursor : crDefault; }
    TCursor GetClickCursor() const { return FClickCursor; }
    void SetClickCursor(TCursor value) { FClickCursor = value; }
    bool GetShowClickCursor() const { return FShowClickCursor; }
    void SetShowClickCursor(bool value) { FShowClickCursor = value; }

private:
    TCursor FClickCursor = crHandPoint;
    bool FShowClickCursor = true;
};

class TKvTextCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvTextCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

private:
    TCustomImageList* FImages = nullptr; // not read by the drawing
};

// Draws the picture that its loader delivers for the cell's key, fitted by the style's
// ContentFit into the content rectangle.
class TKvImageCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvImageCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

public:
    QString GetDisplayName() const override { return QStringLiteral("image"); }
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;

    TKvImageLoader* GetLoader() const { return FLoader; }
    void SetLoader(TKvImageLoader* value);
    const QString& GetGroup() const { return FGroup; }
    void SetGroup(const QString& value);
    const QString& GetKeyField() const { return FKeyField; }
    void SetKeyField(const QString& value);
    // The key the loader is asked for: the cell value as text; with KeyField, the item's value
    // of that field when the name resolves, else of the column's own field.
    QString GetKey(TKvGridCell* cell) const;

    // Declared for form files; not raised.
    TNotifyEvent OnGetCellImage;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponentRef<TKvImageLoader> FLoader{TNotifyHolder{this}};
    QString FGroup;
    QString FKeyField;
};

// A bar as long as the value's share of Minimum .. Maximum.
class TKvBarCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvBarCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

public:
    QString GetDisplayName() const override { return QStringLiteral("bar"); }
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;

    double GetMinimum() const { return FMinimum; }
    void SetMinimum(double value);
    double GetMaximum() const { return FMaximum; }
    void SetMaximum(double value);

private:
    double FMinimum = 0;
    double FMaximum = 100;
};

enum TKvRatingShape { RatingCircle, RatingBox, RatingStar };

// Holds its limits and shape; draws nothing.
class TKvRatingCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvRatingCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

public:
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override {}

    int GetMaxRate() const { return FMaxRate; }
    void SetMaxRate(int value) { FMaxRate = value; }
    double GetMinValue() const { return FMinValue; }
    void SetMinValue(double value) { FMinValue = value; }
    double GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(double value) { FMaxValue = value; }
    TKvRatingShape GetRatingShape() const { return FRatingShape; }
    void SetRatingShape(TKvRatingShape value) { FRatingShape = value; }

private:
    int FMaxRate = 5;
    double FMinValue = 0;
    double FMaxValue = 5;
    TKvRatingShape FRatingShape = RatingCircle;
};

// A check mark that a click toggles through the grid's editable item provider.
class TKvCheckCellRenderer : public TKvClickableCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvCheckCellRenderer(TComponent* owner) : TKvClickableCellRenderer(owner) {}

public:
    static constexpr int BOX_WIDTH = 12;
    static constexpr int BOX_HEIGHT = 10;

    QString GetDisplayName() const override { return QStringLiteral("check"); }
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override;
    bool IsClickable(const TRectF& rect, int x, int y, TShiftState shift) override { return true; }
    // The cell takes its keys itself: Space toggles it as a click does.
    bool ProcessKey(std::uint16_t key, TShiftState shift, const TKvGridCellIndex& index) override;
    // Inside rect and when the grid lets the item be edited: writes the negated value.
    bool Click(const TRectF& rect, int x, int y, const TKvGridCellIndex& index) override;
    // When the grid lets the item be edited: writes the negated value.
    bool Toggle(const TKvGridCellIndex& index);

    // The value as text read as a Boolean; false when it does not convert.
    static bool IsChecked(const Variant& value);
};

// Holds its limits; draws nothing.
class TKvPieCellRenderer : public TKvGridDataCellRenderer
{
protected:
    friend class TCreateAccess;
    explicit TKvPieCellRenderer(TComponent* owner) : TKvGridDataCellRenderer(owner) {}

public:
    void DoDraw(TKvGridCell* cell, TKvDrawingContext* context, const TRectF& rect) override {}

    double GetMinValue() const { return FMinValue; }
    void SetMinValue(double value) { FMinValue = value; }
    double GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(double value) { FMaxValue = value; }

private:
    double FMinValue = 0;
    double FMaxValue = 100;
};

} // namespace kv
