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

} // namespace kv::test
