// The converter base: turns what a grid view shows into a document. It checks its argument,
// runs the concrete conversion and keeps the produced text in Output.
#pragma once

#include "grid/KvGrids.Index.h"
#include "platform/rtl/Classes.h"

#include <QtCore/QString>

namespace kv {

class TKvGridView;

class TKvGridConverter : public TComponent
{
protected:
    friend class TCreateAccess;
    explicit TKvGridConverter(TComponent* AOwner) : TComponent(AOwner) {}

public:
    // Raises Exception "grid is nil" for a nil grid; otherwise ConvertAll, and Output takes
    // its text. A conversion that raises leaves Output as it was.
    void Convert(TKvGridView* Grid, bool AllItems);
    // Raises Exception "Invalid grid range" when C1 or C2 is missing; otherwise ConvertRange.
    void Convert(const TKvGridRange& Range);
    const QString& GetOutput() const { return FOutput; }

    bool GetHeaderVisible() const { return FHeaderVisible; }
    void SetHeaderVisible(bool Value) { FHeaderVisible = Value; }
    bool GetFooterVisible() const { return FFooterVisible; }
    void SetFooterVisible(bool Value) { FFooterVisible = Value; }
    bool GetGroupHeaderVisible() const { return FGroupHeaderVisible; }
    void SetGroupHeaderVisible(bool Value) { FGroupHeaderVisible = Value; }
    bool GetGroupFooterVisible() const { return FGroupFooterVisible; }
    void SetGroupFooterVisible(bool Value) { FGroupFooterVisible = Value; }

protected:
    virtual void ConvertAll(TKvGridView* Grid, bool AllItems, QString& Text) = 0;
    virtual void ConvertRange(const TKvGridRange& Range, QString& Text) = 0;

private:
    QString FOutput;
    bool FHeaderVisible = true;
    bool FFooterVisible = true;
    bool FGroupHeaderVisible = true;
    bool FGroupFooterVisible = true;
};

} // namespace kv
