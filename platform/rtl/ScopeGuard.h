// Scope guards: run a step (end an update, restore a value) when a scope is left, also by an
// exception.
#pragma once

#include <exception>
#include <utility>

namespace kv {

// Runs Action when the scope is left, unless dismissed. Left normally, an exception of the
// action goes on to the caller; left by an exception, the action's own exception is dropped so
// that the first one is the one that leaves.
//
//     collection->BeginUpdate();
//     TScopeExit endUpdate([&] { collection->EndUpdate(); });
template <typename F>
class TScopeExit
{
public:
    explicit TScopeExit(F action) : FAction(std::move(action)) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

    ~TScopeExit() noexcept(false)
    {
        if (!FArmed)
            return;
        FArmed = false;
        if (std::uncaught_exceptions() > FUncaught) {
            try {
                FAction();
            } catch (...) {
            }
            return;
        }
        FAction();
    }

    // The action is not run: the work succeeded and keeps its result.
    void Dismiss() { FArmed = false; }

private:
    F FAction;
    int FUncaught = std::uncaught_exceptions();
    bool FArmed = true;
};

// Restores a variable's value when the scope is left, unless committed.
//
//     TRestore<QString> restore(FFileName, value);  // sets the new value, keeps the old
//     Load();                                        // may throw: FFileName is restored
//     restore.Commit();
template <typename T>
class TRestore
{
public:
    explicit TRestore(T& field) : FField(field), FOld(field) {}
    TRestore(T& field, T value) : FField(field), FOld(field) { FField = std::move(value); }
    TRestore(const TRestore&) = delete;
    TRestore& operator=(const TRestore&) = delete;
    ~TRestore()
    {
        if (FArmed)
            FField = std::move(FOld);
    }

    // The new value stays.
    void Commit() { FArmed = false; }
    const T& Old() const { return FOld; }

private:
    T& FField;
    T FOld;
    bool FArmed = true;
};

} // namespace kv
