// A form for form-file round trips of the ready-made components.
#pragma once

#include "platform/rtl/Classes.h"

namespace kvtest {

// Streams the components it owns that have no parent.
class TComponentsTestForm : public kv::TComponent
{
public:
    using kv::TComponent::TComponent;
    void GetChildren(const kv::TGetChildProc& proc, kv::TComponent* root) override
    {
        for (int i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

// Publishes and registers the form class; once per program.
void RegisterComponentsTestForm();

} // namespace kvtest
