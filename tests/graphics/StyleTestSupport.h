// Helpers shared by the style tests.
#pragma once

#include "graphics/KvGrids.Styles.h"

#include <utility>
#include <vector>

namespace kv::test {

// Records every notification it hears.
class TRecordingStyleListener : public TKvGridStyleContainerListener
{
public:
    struct TEvent
    {
        TKvGridStyleBag* Bag;
        TKvGridViewStyleEntry Entry;
        friend bool operator==(const TEvent&, const TEvent&) = default;
    };

    void StyleChanged(TKvGridStyleBag* bag, TKvGridViewStyleEntry entry) override { Events.push_back({bag, entry}); }
    void Dispose(TKvGridStyleContainer* container) override { Disposed.push_back(container); }

    std::vector<TKvGridViewStyleEntry> Entries() const
    {
        std::vector<TKvGridViewStyleEntry> out;
        for (const TEvent& e : Events)
            out.push_back(e.Entry);
        return out;
    }
    void Reset()
    {
        Events.clear();
        Disposed.clear();
    }

    std::vector<TEvent> Events;
    std::vector<TKvGridStyleContainer*> Disposed;
};

enum TTestShade { tsLight, tsDark, plain };

// A bag with published properties outside the style table (published in test_style_bag.cpp).
class TExtendedStyleBag : public TKvGridStyleBag
{
public:
    using TKvGridStyleBag::TKvGridStyleBag;
    bool GetStriped() const { return FStriped; }
    void SetStriped(bool value) { FStriped = value; }
    TTestShade GetShade() const { return FShade; }
    void SetShade(TTestShade value) { FShade = value; }
    int GetRows() const { return FRows; }
    void SetRows(int value) { FRows = value; }
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }

private:
    bool FStriped = false;
    TTestShade FShade = tsLight;
    int FRows = 1;
    QString FCaption;
};

} // namespace kv::test
