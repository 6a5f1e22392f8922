// Shared by the fuzz targets: a headless Qt application, input decoding and checks.
//
// A target hands bad input to the library and accepts a kv::Exception as a clean refusal;
// anything else (a crash, a sanitizer report, another exception, a failed Check) is a finding.
#pragma once

#include "model/KvGrids.Expressions.h"
#include "platform/rtl/SysUtils.h"

#include <QtCore/QString>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace kvfuzz {

// Starts the headless Qt application once (offscreen, fixed DPI), as the tests do.
void StartQt();

// The input as text: UTF-8, with invalid sequences replaced.
QString Text(const std::uint8_t* data, std::size_t size);

// The text before and after the first sep (all and nothing when there is none).
std::pair<QString, QString> SplitOnce(const QString& text, QChar sep);

// Prints what failed with the detail and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what, const QString& detail);

inline void Check(bool ok, const char* what, const QString& detail = QString())
{
    if (!ok)
        Fail(what, detail);
}

// Runs step; true when it returned, false when it raised the library's exception (whose
// message goes to *message when given).
template <typename F>
bool Refusable(F&& step, QString* message = nullptr)
{
    try {
        step();
        return true;
    } catch (const kv::Exception& e) {
        if (message)
            *message = e.Message();
        return false;
    }
}

// A runtime with a few identifiers of every kind: Num (integer), Ratio (float), Name (text),
// Flag (boolean), Day (date-time), Nothing (Null), Blank (unassigned), and the indexer
// Items[i] (the i-th of five mixed values; other indexes raise).
class TFuzzRuntime : public kv::TKvExpressionRuntime
{
public:
    TFuzzRuntime();
    kv::Variant EvaluateIdent(int key) override;
    kv::Variant EvaluateIndexer(int key, const kv::Variant& index) override;
};

} // namespace kvfuzz
