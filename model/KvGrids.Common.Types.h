// Value types of data fields and the type-consumer component.
#pragma once

#include "platform/rtl/Classes.h"

namespace kv {

enum TKvGridValueType { ValueTypeText = 0, ValueTypeBool = 1, ValueTypeNumeric = 2, ValueTypeDateTime = 3 };

class TKvGridTypeConsumer : public TComponent
{
public:
    using TComponent::TComponent;
};

} // namespace kv
