// An ordered list of non-owned listeners: notified in registration order; a listener may
// add or remove itself (or another) during a notification without disturbing the walk.
#pragma once

#include <algorithm>
#include <vector>

namespace kv {

template <typename L>
class TListenerList
{
public:
    // False when null or already present.
    bool Add(L* listener)
    {
        if (!listener || Contains(listener))
            return false;
        FItems.push_back(listener);
        return true;
    }

    bool Remove(L* listener)
    {
        const auto it = std::find(FItems.begin(), FItems.end(), listener);
        if (it == FItems.end() || !listener)
            return false;
        if (FDepth > 0) {
            *it = nullptr;
            FHoles = true;
        } else {
            FItems.erase(it);
        }
        return true;
    }

    bool Contains(const L* listener) const
    {
        return listener && std::find(FItems.begin(), FItems.end(), listener) != FItems.end();
    }

    int Count() const
    {
        return static_cast<int>(std::count_if(FItems.begin(), FItems.end(), [](L* l) { return l != nullptr; }));
    }
    bool Empty() const { return Count() == 0; }
    void Clear()
    {
        if (FDepth > 0) {
            std::fill(FItems.begin(), FItems.end(), nullptr);
            FHoles = true;
        } else {
            FItems.clear();
        }
    }

    // Calls f(listener) for each listener registered when the notification started and still
    // registered when the walk reaches it; a listener added meanwhile already sees the new state.
    template <typename F>
    void Notify(F&& f)
    {
        ++FDepth;
        struct Guard
        {
            TListenerList* list;
            ~Guard()
            {
                if (--list->FDepth == 0 && list->FHoles) {
                    list->FItems.erase(std::remove(list->FItems.begin(), list->FItems.end(), nullptr),
                                       list->FItems.end());
                    list->FHoles = false;
                }
            }
        } guard{this};
        const size_t count = FItems.size();
        for (size_t i = 0; i < count; ++i)
            if (L* l = FItems[i])
                f(l);
    }

    std::vector<L*> Snapshot() const
    {
        std::vector<L*> out;
        std::copy_if(FItems.begin(), FItems.end(), std::back_inserter(out), [](L* l) { return l != nullptr; });
        return out;
    }

private:
    std::vector<L*> FItems;
    int FDepth = 0;
    bool FHoles = false;
};

} // namespace kv
