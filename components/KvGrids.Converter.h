// The converter base: turns what a grid view shows into a document. It checks its argument,
// runs the concrete conversion and keeps the produced text in Output (or, when the conversion
// streamed it to a file, where to read it back from).
#pragma once

#include "grid/KvGrids.Index.h"
#include "platform/rtl/Classes.h"

#include <QtCore/QDateTime>
#include <QtCore/QString>
#include <optional>

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
    // The text of the last conversion. When it was streamed to a file, the text is read back
    // from that file on first use: EInOutError when the file is gone or changed since.
    const QString& GetOutput() const;

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
    // Called by ConvertAll that wrote its text to the file (now complete) instead of into Text.
    void SetOutputFile(const QString& FileName);

private:
    struct TOutputFile
    {
        QString Name;
        qint64 Size = -1;
        QDateTime Modified;
    };
    mutable QString FOutput;
    mutable std::optional<TOutputFile> FOutputFile;
    std::optional<TOutputFile> FPendingFile;
    bool FHeaderVisible = true;
    bool FFooterVisible = true;
    bool FGroupHeaderVisible = true;
    bool FGroupFooterVisible = true;
};

} // namespace kv
